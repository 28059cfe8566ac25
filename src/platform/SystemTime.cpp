#include "platform/SystemTime.h"

#include <chrono>

namespace {

SystemTime FromTm(const std::tm& tm, uint16_t milliseconds)
{
    SystemTime time;
    time.year = static_cast<uint16_t>(tm.tm_year + 1900);
    time.month = static_cast<uint16_t>(tm.tm_mon + 1);
    time.day_of_week = static_cast<uint16_t>(tm.tm_wday);
    time.day = static_cast<uint16_t>(tm.tm_mday);
    time.hour = static_cast<uint16_t>(tm.tm_hour);
    time.minute = static_cast<uint16_t>(tm.tm_min);
    time.second = static_cast<uint16_t>(tm.tm_sec);
    time.milliseconds = milliseconds;
    return time;
}

void NowParts(int64_t& seconds, uint16_t& milliseconds)
{
    using namespace std::chrono;
    const auto ms = duration_cast<std::chrono::milliseconds>(system_clock::now().time_since_epoch()).count();
    seconds = ms / 1000;
    milliseconds = static_cast<uint16_t>(ms % 1000);
}

}  // namespace

SystemTime UtcFromUnix(int64_t seconds, uint16_t milliseconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return FromTm(tm, milliseconds);
}

SystemTime LocalFromUnix(int64_t seconds, uint16_t milliseconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return FromTm(tm, milliseconds);
}

SystemTime UtcNow()
{
    int64_t seconds;
    uint16_t milliseconds;
    NowParts(seconds, milliseconds);
    return UtcFromUnix(seconds, milliseconds);
}

SystemTime LocalNow()
{
    int64_t seconds;
    uint16_t milliseconds;
    NowParts(seconds, milliseconds);
    return LocalFromUnix(seconds, milliseconds);
}
