// The tool log without its window: the five level switches, the line format, the log file
// "ZOVtool.log" in the temporary folder (new and empty at every start) and saving and clearing
// it. The tool log window wraps one of these and shows the lines it hands to its display; zovcli
// and the tests use it as it is.
//
// Thread: everything here runs on one thread (in the tool, the main window's), which also drains
// the queue of logging/ZovLogging.h into it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/SystemTime.h"

// Name of the log file in the temporary folder.
extern const char kZovLogFileName[];

class CZovLogModule {
public:
    // Where the accepted lines go besides the file (the window's text control).
    class IDisplay {
    public:
        virtual ~IDisplay() = default;
        // line is the formatted line without a line end.
        virtual void AppendLine(const std::string& line) = 0;
        // ClearLog empties the display.
        virtual void Clear() = 0;
    };

    // folder: where the log file goes; empty means TempDir().
    explicit CZovLogModule(std::string folder = {});
    ~CZovLogModule();
    CZovLogModule(const CZovLogModule&) = delete;
    CZovLogModule& operator=(const CZovLogModule&) = delete;

    // Takes the level switches (kLog* bits of platform/Notify.h) and creates the log file,
    // truncating an old one. False when the file cannot be created: the engineer is shown
    // "Unable to create a file for script logging." and saving stays off.
    bool Start(uint32_t logging_flags);

    // The display that receives accepted lines; null for none. Not owned.
    void SetDisplay(IDisplay* display) { display_ = display; }

    // The switches of the five levels, as kLog* bits, or one by one.
    void SetLoggingFlags(uint32_t logging_flags);
    void SetLoggingFlags(bool warning, bool error, bool frame, bool debug, bool script);
    uint32_t LoggingFlags() const;

    // Filters by level (1 to 5, each with its switch; other levels are dropped), formats
    // "hh:mm:ss.mmm text", writes it with CR LF to the file and hands it to the display.
    // True when the entry was accepted.
    bool AddLogEntry(const SystemTime& time, int level, const std::string& text);
    // Moves queued entries of CZovLogging into AddLogEntry (notification kNotifyToolLog): all
    // of them, or with budget_ms only as many as that time allows (at least one), so that the
    // window can paint between two slices. Returns how many were taken off the queue.
    size_t DrainQueue(uint32_t budget_ms = 0xFFFFFFFF);

    // Copies the whole log file to target_path, replacing a file there (the window asks first):
    // the copy is written to a temporary file beside it and renamed into place when complete.
    // False, with "Failed to create ouput file" shown and the old target untouched, when the
    // copy cannot be created or written; false without a message when the log file is not open.
    bool SaveLog(const std::string& target_path);
    // Closes the log file, creates it again empty (as Start does, with the same message on
    // failure) and empties the display. True when the new file is open.
    bool ClearLog();

    bool IsLogFileOpen() const { return fd_ >= 0; }
    // The full path of the log file.
    const std::string& LogFilePath() const { return path_; }

    // The line of an entry: "%02d:%02d:%02d.%03d %s" with the time's clock fields.
    static std::string FormatLine(const SystemTime& time, const std::string& text);

private:
    bool CreateLogFile();
    void CloseLogFile();
    // Copies the log file from its start to out in blocks of 1024 bytes. False when a read or a
    // write fails.
    bool CopyLogFileTo(int out) const;

    std::string path_;
    int fd_ = -1;
    bool flags_[5] = {true, true, false, false, true};
    IDisplay* display_ = nullptr;
};
