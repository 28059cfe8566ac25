// The program download: writes a controller firmware from an Intel HEX image into the board's
// flash. A worker thread asks for boot mode, boots the board, reads the flash layout, parses the
// image, erases exactly the sections that the image and the checksum touch, programs the image
// in transfer-size steps through the board's RAM buffer (optionally reading every step back),
// blinks the progress indicator and finally writes the 16-bit code checksum.
//
// An image without any data is refused before the boot-mode question ("The image "..." contains
// no data to program."): erasing for it would only wipe the firmware.
//
// This is the core of the Software Download view; the window's page, zovcli and the tests drive
// it through ISwDownloadPage. Every line goes to the page; once an abort has been asked for, no
// more lines or progress are sent.
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
#include "platform/Event.h"
#include "platform/Thread.h"

class CHexBinFile;

// What the download reports. All three are called on the worker thread (StartDownload and
// AbortDownload call them on the caller's thread) and must not wait for the thread that owns
// the download, which may be waiting in AbortDownload: a window queues them for its own thread.
class ISwDownloadPage {
public:
    virtual ~ISwDownloadPage() = default;
    // One line for the output box.
    virtual void OutputText(const std::string& text) = 0;
    // Programming steps done, in per mille (0 to 1000).
    virtual void SetProgress(uint32_t per_mille) = 0;
    // true: a download runs (the button aborts); false: idle.
    virtual void SetRunning(bool running) = 0;
};

class CSwDownload : public ITextOutput {
public:
    // The page must outlive the object.
    explicit CSwDownload(ISwDownloadPage& page);
    // Aborts a running download and waits for it.
    ~CSwDownload() override;
    CSwDownload(const CSwDownload&) = delete;
    CSwDownload& operator=(const CSwDownload&) = delete;

    static constexpr char kBootModePrompt[] =
        "Start the controller board in boot mode.\nMake sure the jumper has been placed and press the reset "
        "switch NOW.";

    // Starts the worker for the image file. False when a download already runs or no thread
    // could be started. Owner's thread.
    bool StartDownload(const std::string& file_name, bool verify);
    // When a download runs: asks it to stop, waits for it without limit, then shows "Download
    // aborted!" and returns the page to idle. Owner's thread.
    void AbortDownload();
    // Asks a running download to stop at its next check and returns at once; nothing when none
    // runs. The owner learns of the end from the page's SetRunning(false) and FinishedEvent().
    // For a window that must not wait for the board on its own thread. Any thread.
    void RequestAbort();
    // True once AbortDownload has asked the running worker to stop. Any thread.
    bool AbortRequested() const { return abort_.IsSet(); }
    // True from StartDownload until the worker has finished.
    bool IsRunning() const { return !finished_.IsSet(); }
    // Waits up to timeout_ms for the worker to finish; true when it has.
    bool WaitForEnd(uint32_t timeout_ms) { return finished_.Wait(timeout_ms); }
    // Set while no worker runs; for owners that wait for it together with other events.
    CEvent& FinishedEvent() { return finished_; }
    // The last finished download's result: 0 after success, -1 after failure.
    int Result() const { return result_.load(); }

    // The boot link, for settings such as the port override (not while a download runs).
    CBootCommHandler& BootHandler() { return boot_; }

    // The view's text output: forwards to the page unless an abort was asked for.
    void OutputText(const std::string& text) override;

    // The plan of one image, worked out before anything is erased. Public for the tests.
    struct tagPlannedBlock {
        size_t image_index = 0;  // the block in image order
        int section = -1;        // index into the section list (the block map); -1: in no section
        bool holds_checksum = false;
        // For a block that is not programmed as the image holds it: the bytes as programmed from
        // program_address on, of even length. That is the block with the checksum word put in,
        // and the block that starts at an odd address and ends at its section's end, which is
        // programmed from the even address below (with what the image holds there, else the
        // erase character), since padding at its end would program past the section.
        std::vector<uint8_t> programmed;
        uint32_t program_address = 0;
    };
    // The 16-bit sum of the checksum ranges over the image (gaps as the erase character of the
    // section they start in). blocks: the image blocks in address order, as (address, bytes).
    static uint16_t CodeChecksum(const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& blocks,
                                 const std::vector<tagBlock>& ranges, const std::vector<tagSectionInfo>& sections);

private:
    int Worker();
    bool CheckTransferSizes();
    bool Plan(const CHexBinFile& image);
    bool PlanProgrammedBytes(tagPlannedBlock& block);
    uint8_t ImageByteOr(uint32_t address, uint8_t otherwise) const;
    bool EraseSections();
    bool Program();
    bool ProgramBlock(const tagPlannedBlock& block);
    bool WriteChecksum();
    void Progress(uint32_t per_mille);
    bool Aborted() const { return abort_.IsSet(); }

    ISwDownloadPage& page_;
    CBootCommHandler boot_;
    CEvent abort_{CEvent::Kind::ManualReset, false};
    CEvent finished_{CEvent::Kind::ManualReset, true};
    CThread worker_;
    std::atomic<int> result_{-1};

    // One download's state, owned by the worker while it runs.
    std::string file_name_;
    bool verify_ = false;
    tagDownloadLayout layout_;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> image_;
    std::vector<tagPlannedBlock> plan_;
    uint32_t total_steps_ = 0;
    uint32_t steps_done_ = 0;
    uint16_t checksum_ = 0;
    bool checksum_written_ = false;
};
