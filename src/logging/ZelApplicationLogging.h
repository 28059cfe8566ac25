// The subsystem's application log on the tool side: the entries that a command handler's event
// thread reads from the board (ReadApplicationLog) wait in one process-wide queue until the
// main window's thread takes them off and shows them in the application events window.
//
// The queue keeps the entry's own fields and its local time stamp; the window formats the date
// in the user's short date format and builds the line with ApplicationLogLine.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "platform/SystemTime.h"

// The subsystem's clock counts from 1984-01-01 00:00 in UTC+1: this many seconds after
// 1970-01-01 00:00:00 UTC.
constexpr int64_t kSubsystemEpochUnixSeconds = 441759600;

class CZelApplicationLogging {
public:
    struct ZelApplicationLogEntry {
        std::string text;
        uint32_t sequence_number = 0xFFFFFFFF;
        uint32_t logging_id = 0xFFFFFFFF;
        uint32_t component_id = 0xFFFFFFFF;
        uint32_t severity = 0xFFFFFFFF;
        SystemTime time_stamp;  // local time, milliseconds included

        bool operator==(const ZelApplicationLogEntry&) const = default;
    };

    // The process's queue. Any thread.
    static CZelApplicationLogging& Instance();

    CZelApplicationLogging() = default;
    CZelApplicationLogging(const CZelApplicationLogging&) = delete;
    CZelApplicationLogging& operator=(const CZelApplicationLogging&) = delete;

    // Appends a copy. Any thread.
    void AddEntry(const ZelApplicationLogEntry& entry);
    // 1 with the oldest entry (taken off the queue); 0 when empty, with entry cleared (empty text,
    // the four numbers 0xFFFFFFFF, time stamp all zero). Any thread.
    int GetNextEntry(ZelApplicationLogEntry& entry);
    // The number of queued entries. Any thread.
    size_t Count() const;

private:
    mutable std::mutex lock_;
    std::deque<ZelApplicationLogEntry> entries_;
};

// The local time of a subsystem time stamp: day_number days and time_of_day milliseconds after
// the subsystem's epoch.
SystemTime SubsystemTimeToLocal(uint16_t day_number, uint32_t time_of_day_ms);
// As SubsystemTimeToLocal, in UTC.
SystemTime SubsystemTimeToUtc(uint16_t day_number, uint32_t time_of_day_ms);

// The line of the application events window for an entry, with date_text the entry's date in the
// user's short date format: "<date> hh:mm:ss.mmm - Component c - Level s - text".
std::string ApplicationLogLine(const std::string& date_text,
                               const CZelApplicationLogging::ZelApplicationLogEntry& entry);
