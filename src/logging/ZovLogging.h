// The tool log's queue and its producers. Protocol layers, the command handler and the script
// engine call the trace callbacks on any thread; each appends one entry (UTC time, level, line)
// to the process-wide queue and posts kNotifyToolLog to the main window, whose thread drains the
// queue into the tool log (logging/ZovLogModule.h).
//
// Protocol traces exist only for the window: while no notification sink is installed (no main
// window) they are dropped at once, which also keeps them cheap for zovcli and the tests.
// Script text is always queued.
//
// The queue is bounded, so that a flood (a script that keeps sending on a dead port) can neither
// fill the memory nor keep the window busy for long: an entry identical to the newest queued one
// (same level and text) is folded into it and comes out once as "text (N times)", and entries
// that find the queue full are dropped and counted, per level, into one entry
// "... N more entries dropped" of that level where they would have stood. Warnings and errors
// have room of their own beyond the bound: a flood of frames must not drop the one line that
// says why the link went down.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "platform/SystemTime.h"

// Levels of the tool log entries.
constexpr int kZovLogWarning = 1;
constexpr int kZovLogError = 2;
constexpr int kZovLogFrame = 3;
constexpr int kZovLogDebug = 4;
constexpr int kZovLogScript = 5;

class CZovLogging {
public:
    struct tagZOVTOOLLOGENTRY {
        SystemTime time;  // UTC
        int32_t level = 0;
        std::string text;
    };

    // The most entries the queue holds (a few "dropped" entries come on top).
    static constexpr size_t kMaxEntries = 10000;
    // The room warnings and errors have beyond kMaxEntries.
    static constexpr size_t kReservedForErrors = 1000;

    // The one queue of the process. Any thread.
    static CZovLogging& Instance();

    // Appends a copy of the entry. Any thread.
    void AddEntry(const SystemTime& time, int32_t level, const std::string& text);
    // Takes the oldest entry: true with it, false when the queue is empty (the text is then
    // cleared, time and level are left alone). Any thread; in the tool the main window's.
    bool GetNextEntry(SystemTime* time, int32_t* level, std::string* text);
    // Number of queued entries (a folded entry counts once). Any thread.
    size_t Count() const;
    // Drops every queued entry (tests start from an empty queue). Any thread.
    void Clear();

private:
    CZovLogging() = default;

    struct tagQueued {
        tagZOVTOOLLOGENTRY entry;
        uint64_t count = 1;    // entries folded into this one, or dropped ones it stands for
        bool dropped = false;  // "... N more entries dropped"
    };

    void AddDropped(const SystemTime& time, int32_t level);

    mutable std::mutex lock_;
    std::deque<tagQueued> entries_;  // oldest first
    // The "dropped" entries at the end of the queue (one per level at most).
    size_t dropped_at_end_ = 0;
};

// The four protocol trace callbacks: lines "WARNING: Function %s, %s" (level 1),
// "ERROR: Function %s, %s" (2), "Frame: %s%s" (3, prefix and frame text) and
// "DEBUG: Function %s, %s" (4). Dropped while no main window exists. Null means "". Any thread.
void LogZelWarning(const char* function, const char* text);
void LogZelError(const char* function, const char* text);
void LogZelFrame(const char* prefix, const char* frame);
void LogZelDebug(const char* function, const char* text);

// Script output (level 5): queued as given, with or without a main window; the window is
// notified when it exists. Any thread.
void LogScriptText(const std::string& text);
