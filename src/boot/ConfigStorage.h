// Configuration storage in flash: writes the configuration's store form, behind a 32-byte
// header, into the configuration area of the board's flash through the boot monitor, or reads
// header and bytes back. The bytes are opaque here; the configuration parser checks them.
//
// This is the storage core of the Configuration view and of zovcli. Both operations run on the
// calling thread (the window runs them on a worker) and block until done; lines and progress go to
// the page as they happen. Another thread may ask a running operation to stop (RequestAbort).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "boot/BoardDescription.h"
#include "boot/BootCommHandler.h"
#include "boot/TextOutput.h"

class IConfigStoragePage : public ITextOutput {
public:
    // Bytes done, in per mille; the page shows its progress bar below 1000 and hides it at 1000.
    virtual void SetProgress(uint32_t per_mille) = 0;
    // true while an abort would still end the operation, false from the moment a store begins
    // to erase (and once the operation has ended). Called on the operation's thread.
    virtual void SetAbortable(bool abortable) { static_cast<void>(abortable); }
};

// The header in front of the stored configuration (all values little-endian in flash).
struct tagConfigHeader {
    uint16_t checksum = 0;
    uint32_t length = 0;  // configuration bytes after the header
    uint16_t magic = 0;
    uint16_t version = 0;
    uint16_t fill[11] = {};
};

class CConfigStorage : public ITextOutput {
public:
    static constexpr uint32_t kHeaderSize = 32;
    static constexpr uint16_t kMagic = 0xD1FB;
    static constexpr uint16_t kVersion = 1;
    // The largest read of one retrieval step.
    static constexpr uint32_t kMaxRetrieveStep = 1024;

    // The page must outlive the object.
    explicit CConfigStorage(IConfigStoragePage& page);
    ~CConfigStorage() override;
    CConfigStorage(const CConfigStorage&) = delete;
    CConfigStorage& operator=(const CConfigStorage&) = delete;

    // Asks for boot mode, boots the board and stores length bytes. The caller keeps the bytes.
    bool StoreConfiguration(const uint8_t* bytes, uint32_t length);
    // Asks for boot mode, boots the board and reads the stored bytes into bytes (emptied on
    // failure).
    bool RetrieveConfiguration(std::vector<uint8_t>& bytes);

    // The header as last stored or read.
    const tagConfigHeader& Header() const { return header_; }

    // The header's checksum over the whole area of area_size bytes: the bytes as little-endian
    // words, an odd last byte with the erase character above it, and the rest of the area as
    // erased words.
    static uint16_t AreaChecksum(const uint8_t* bytes, uint32_t length, uint8_t erase_char, uint32_t area_size);

    // The port to use instead of the "COM port" setting (zovcli's --port); also for fresh links.
    void SetPortOverride(std::optional<std::string> port);

    // Asks the running (or the next) operation to stop at its next safe point: before the board
    // is booted, between the two boot attempts, before the erase, and between two retrieval
    // steps. A store that has begun to erase runs to its end, so that an abort never leaves the
    // area erased or half written. The request holds until ClearAbort. Any thread.
    void RequestAbort() { abort_.store(true); }
    void ClearAbort() { abort_.store(false); }
    bool AbortRequested() const { return abort_.load(); }

    void OutputText(const std::string& text) override { page_.OutputText(text); }

private:
    // True (after the operation's abort line) when an abort was asked for.
    bool Aborted(const char* line);
    bool PrepareBoard(const char* aborted_line);
    bool CheckTransferSize(const tagSectionInfo& section);
    void OutputHeader();
    void ToggleProgressIndicator();
    bool StoreSteps(const std::vector<uint8_t>& image, const tagSectionInfo& section);
    bool Retrieve(std::vector<uint8_t>& bytes);
    bool RetrieveSteps(std::vector<uint8_t>& bytes, const tagSectionInfo& section);

    IConfigStoragePage& page_;
    std::unique_ptr<CBootCommHandler> boot_;
    std::optional<std::string> port_override_;
    tagConfigLayout layout_;
    tagConfigHeader header_;
    uint16_t last_indicator_ = 0;
    std::atomic<bool> abort_{false};
};
