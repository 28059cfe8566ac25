// A calendar time with milliseconds, in UTC or local time, as the logs print it.
#pragma once

#include <cstdint>
#include <ctime>

struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;        // 1 to 12
    uint16_t day_of_week = 0;  // 0 = Sunday
    uint16_t day = 0;          // 1 to 31
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;

    bool operator==(const SystemTime&) const = default;
};

// The current time in UTC, from the system clock.
SystemTime UtcNow();
// The current local time.
SystemTime LocalNow();
// A point in time (seconds since 1970-01-01 UTC plus milliseconds) in UTC or in local time.
SystemTime UtcFromUnix(int64_t seconds, uint16_t milliseconds);
SystemTime LocalFromUnix(int64_t seconds, uint16_t milliseconds);
