// What the Software Download page shows and allows, apart from its output box: the image file
// name and the verify flag with the settings they come from and go back to, and which controls
// are enabled in the idle and the running state. The window's page is a shell over this state.
// One thread (the page's).
#pragma once

#include <string>

class CSwDownloadPageState {
public:
    // Reads "Download Filename" and "Verify After Program"; a value that cannot be read leaves
    // the name empty or the flag off.
    CSwDownloadPageState();
    // Writes both settings back.
    ~CSwDownloadPageState();
    CSwDownloadPageState(const CSwDownloadPageState&) = delete;
    CSwDownloadPageState& operator=(const CSwDownloadPageState&) = delete;

    static constexpr char kDownloadCaption[] = "&Download";
    static constexpr char kAbortCaption[] = "Abort";

    const std::string& FileName() const { return file_name_; }
    void SetFileName(const std::string& name) { file_name_ = name; }
    bool Verify() const { return verify_; }
    void SetVerify(bool verify) { verify_ = verify; }

    bool Running() const { return running_; }
    // Running: the button aborts and Browse is disabled. Entering the idle state also ends an
    // abort that was waiting for the download to stop.
    void SetRunning(bool running);
    // The engineer has pressed Abort; the download stops at its next check.
    void SetAborting() { aborting_ = running_; }
    bool Aborting() const { return aborting_; }

    const char* ButtonCaption() const { return running_ ? kAbortCaption : kDownloadCaption; }
    // Idle: only with a file name. Running: the button aborts, whatever the name field holds,
    // until an abort has been asked for.
    bool ButtonEnabled() const { return running_ ? !aborting_ : !file_name_.empty(); }
    bool BrowseEnabled() const { return !running_; }

private:
    std::string file_name_;
    bool verify_ = false;
    bool running_ = false;
    bool aborting_ = false;
};
