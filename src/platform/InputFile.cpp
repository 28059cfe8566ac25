#include "platform/InputFile.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Format.h"

namespace {

std::string ErrnoReason(int error)
{
    std::string reason = std::strerror(error);
    if (!reason.empty()) {
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    return reason;
}

}  // namespace

CInputFile::~CInputFile()
{
    Close();
}

void CInputFile::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

ReadFileResult CInputFile::Refuse(const std::string& reason, ReadFileResult result)
{
    Close();
    reason_text_ = reason;
    error_text_ = Format("cannot read %s: %s", path_.c_str(), reason.c_str());
    return result;
}

ReadFileResult CInputFile::RefuseKind(const std::string& reason)
{
    refusal_text_ = reason + ".";
    refusal_text_[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(refusal_text_[0])));
    return Refuse(reason, ReadFileResult::Failed);
}

ReadFileResult CInputFile::Open(const std::string& path)
{
    Close();
    path_ = path;
    size_ = 0;
    read_ = 0;
    error_text_.clear();
    reason_text_.clear();
    refusal_text_.clear();
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait for one for ever. A regular
    // file ignores the flag, so reading it afterwards is unchanged.
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) {
        const int error = errno;
        return Refuse(ErrnoReason(error), error == ENOENT ? ReadFileResult::Missing : ReadFileResult::Failed);
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        return Refuse(ErrnoReason(errno), ReadFileResult::Failed);
    }
    if (S_ISDIR(status.st_mode)) {
        return RefuseKind("it is a folder");
    }
    if (!S_ISREG(status.st_mode)) {
        return RefuseKind("it is not a regular file");
    }
    if (static_cast<uint64_t>(status.st_size) > kMaxInputFileBytes) {
        return RefuseKind(
            Format("it is larger than %llu MB", static_cast<unsigned long long>(kMaxInputFileBytes >> 20)));
    }
    size_ = static_cast<uint64_t>(status.st_size);
    return ReadFileResult::Ok;
}

ssize_t CInputFile::Read(void* buffer, size_t size)
{
    if (fd_ < 0) {
        return -1;
    }
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            reason_text_ = ErrnoReason(errno);
            error_text_ = Format("cannot read %s: %s", path_.c_str(), reason_text_.c_str());
            return -1;
        }
        read_ += static_cast<uint64_t>(n);
        // A file that grows while it is read (a log someone appends to) must not get round the
        // limit that its size at the open kept.
        if (read_ > kMaxInputFileBytes) {
            reason_text_ = Format("it is larger than %llu MB",
                                  static_cast<unsigned long long>(kMaxInputFileBytes >> 20));
            error_text_ = Format("cannot read %s: %s", path_.c_str(), reason_text_.c_str());
            return -1;
        }
        return n;
    }
}

ReadFileResult CheckInputFile(const std::string& path, std::string* error_text)
{
    CInputFile file;
    const ReadFileResult result = file.Open(path);
    if (result != ReadFileResult::Ok && error_text != nullptr) {
        *error_text = file.ErrorText();
    }
    return result;
}
