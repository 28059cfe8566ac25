// A file that the tool reads from the engineer's world: firmware and boot images, configuration
// files, calibration backups, the settings file, ini files, scripts. It is opened without ever
// blocking and accepted only when it is a regular file of at most kMaxInputFileBytes, so that a
// FIFO never holds the tool and a device such as /dev/zero is refused before anything is
// allocated for it. Every refusal comes with one line that names the file and says why.
//
// One object per open file; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

// The largest file the tool reads: far above any image or configuration it knows (a few MB), far
// below what would exhaust the memory of a field laptop.
constexpr uint64_t kMaxInputFileBytes = uint64_t{256} * 1024 * 1024;

// Missing: there is no such file; Failed: it exists but cannot be read (not a regular file, too
// large, no permission, a read error).
enum class ReadFileResult { Ok, Missing, Failed };

class CInputFile {
public:
    CInputFile() = default;
    ~CInputFile();
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;

    // Opens path for reading (a file opened before is closed first). Ok only for a regular file
    // of at most kMaxInputFileBytes; otherwise ErrorText() says why and nothing stays open.
    ReadFileResult Open(const std::string& path);
    // Reads up to size bytes into buffer: the count read, 0 at the end of the file, -1 after a
    // read error or once the file has grown past kMaxInputFileBytes (ErrorText() says which).
    ssize_t Read(void* buffer, size_t size);
    // Closes the file; Open may follow.
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    // The size the file had when it was opened, in bytes.
    uint64_t Size() const { return size_; }
    // One line after a failure, such as "cannot read /dev/zero: it is not a regular file".
    const std::string& ErrorText() const { return error_text_; }
    // The reason of the last failure alone, such as "it is not a regular file" or "no such file
    // or directory", for messages that name the file in their own words.
    const std::string& ReasonText() const { return reason_text_; }
    // After Open refused a file that exists and could be opened, because of its kind or size: the
    // reason as a sentence ("It is not a regular file."), for messages that name the file in
    // their own words. Empty after any other failure (the file is missing, no permission, ...).
    const std::string& RefusalText() const { return refusal_text_; }

private:
    ReadFileResult Refuse(const std::string& reason, ReadFileResult result);
    ReadFileResult RefuseKind(const std::string& reason);

    int fd_ = -1;
    uint64_t size_ = 0;
    uint64_t read_ = 0;
    std::string path_;
    std::string error_text_;
    std::string reason_text_;
    std::string refusal_text_;
};

// Checks path as Open would, then closes it again: for callers that refuse a file before they
// start their work. error_text, when not null, gets the reason on failure.
ReadFileResult CheckInputFile(const std::string& path, std::string* error_text);
