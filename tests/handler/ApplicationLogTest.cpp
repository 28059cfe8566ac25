#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "handler/LogLevelSelection.h"
#include "handler/SerialCommHandler.h"
#include "logging/ZelApplicationLogging.h"

namespace {

using Entry = CZelApplicationLogging::ZelApplicationLogEntry;

// Runs the body with the process in a chosen time zone, restoring the old one afterwards.
class CScopedTimeZone {
public:
    explicit CScopedTimeZone(const char* zone)
    {
        const char* old = std::getenv("TZ");
        had_ = old != nullptr;
        if (had_) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~CScopedTimeZone()
    {
        if (had_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    bool had_ = false;
    std::string old_;
};

TEST(ZelApplicationLogging, QueueHandsEntriesOutOldestFirstThenAClearedEntry)
{
    CZelApplicationLogging queue;
    Entry first;
    first.text = "first";
    first.severity = 2;
    Entry second;
    second.text = "second";
    queue.AddEntry(first);
    queue.AddEntry(second);
    EXPECT_EQ(queue.Count(), 2u);

    Entry got;
    ASSERT_EQ(queue.GetNextEntry(got), 1);
    EXPECT_EQ(got, first);
    ASSERT_EQ(queue.GetNextEntry(got), 1);
    EXPECT_EQ(got.text, "second");
    EXPECT_EQ(queue.GetNextEntry(got), 0);
    EXPECT_EQ(got.text, "");
    EXPECT_EQ(got.sequence_number, 0xFFFFFFFFu);
    EXPECT_EQ(got.logging_id, 0xFFFFFFFFu);
    EXPECT_EQ(got.component_id, 0xFFFFFFFFu);
    EXPECT_EQ(got.severity, 0xFFFFFFFFu);
    EXPECT_EQ(got.time_stamp, SystemTime{});
}

struct StampRow {
    uint16_t day_number;
    uint32_t time_of_day;
    SystemTime utc;  // year, month, day of week, day, hour, minute, second, ms
};

TEST(ZelApplicationLogging, TimeStampsCountFromTheSubsystemEpoch)
{
    const StampRow rows[] = {
        // The epoch is 1984-01-01 00:00 in UTC+1, so one hour into day 0 is midnight UTC.
        {0, 3600000, {1984, 1, 0, 1, 0, 0, 0, 0}},
        {0, 0, {1983, 12, 6, 31, 23, 0, 0, 0}},
        {1, 3600000 + 61001, {1984, 1, 1, 2, 0, 1, 1, 1}},
        {0, 86399999, {1984, 1, 0, 1, 22, 59, 59, 999}},
        {65535, 0, {2163, 6, 0, 5, 23, 0, 0, 0}},
    };
    for (const StampRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.day_number) + "/" + std::to_string(row.time_of_day));
        EXPECT_EQ(SubsystemTimeToUtc(row.day_number, row.time_of_day), row.utc);
    }
}

TEST(ZelApplicationLogging, TheLocalStampFollowsThePcTimeZone)
{
    {
        CScopedTimeZone zone("UTC0");
        EXPECT_EQ(SubsystemTimeToLocal(0, 3600000), (SystemTime{1984, 1, 0, 1, 0, 0, 0, 0}));
    }
    {
        CScopedTimeZone zone("EST5");
        EXPECT_EQ(SubsystemTimeToLocal(0, 3600123), (SystemTime{1983, 12, 6, 31, 19, 0, 0, 123}));
    }
}

TEST(ZelApplicationLogging, TheLineCarriesDateTimeComponentLevelAndText)
{
    Entry entry;
    entry.text = "Tube overload";
    entry.component_id = 12;
    entry.severity = 5;
    entry.time_stamp = {2024, 3, 0, 7, 9, 5, 3, 7};
    EXPECT_EQ(ApplicationLogLine("07/03/2024", entry),
              "07/03/2024 09:05:03.007 - Component 12 - Level 5 - Tube overload");
}

TEST(SetClockData, IsTimeOfDayThenDayNumberCountedFromTheEpoch)
{
    // 1984-01-01 00:00:00 UTC.
    EXPECT_EQ(SetClockDataText(441763200), "0x0036ee800000");
    // The epoch itself, and one day and one second later.
    EXPECT_EQ(SetClockDataText(441759600), "0x000000000000");
    EXPECT_EQ(SetClockDataText(441759600 + 86400 + 1), "0x000003e80001");
    // 2026-12-08 12:00:00 UTC: day 15682 after the epoch, 13 h into it.
    EXPECT_EQ(SetClockDataText(1796731200), "0x02ca1c803d42");
}

TEST(LogLevelSelection, ListsTheEightLevelsInOrder)
{
    const std::vector<std::string>& lines = CLogLevelSelection::Lines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines.front(), "0: Debug Extended");
    EXPECT_EQ(lines[2], "2: Service Extended");
    EXPECT_EQ(lines[5], "5: Warning");
    EXPECT_EQ(lines.back(), "7: Fatal Error");
}

}  // namespace
