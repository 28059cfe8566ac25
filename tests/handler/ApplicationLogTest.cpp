#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ctime>

#include "HandlerFixture.h"
#include "handler/LogLevelSelection.h"
#include "handler/SerialCommHandler.h"
#include "platform/Clock.h"
#include "logging/ZelApplicationLogging.h"
#include "shell/AppSettings.h"

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

// A board with a queue of log entries: each is its text and its information value (empty:
// the information request is refused).
struct BoardLog {
    struct Item {
        std::string text;
        std::string info;
    };
    std::vector<Item> items;
    size_t next = 0;     // entries made current so far
};

CScriptedBoard::Responder LogResponder(std::vector<BoardLog::Item> items)
{
    auto log = std::make_shared<BoardLog>();
    log->items = std::move(items);
    return [log](const std::string& request, const std::string& whole) -> std::vector<std::string> {
        auto reply = [&](const std::string& rest) { return std::vector<std::string>{CScriptedBoard::Reply(whole, rest)}; };
        if (request == "w 0x2000 0x0f") {
            if (log->next >= log->items.size()) return reply("0x01");
            ++log->next;
            return reply("0x00");
        }
        const BoardLog::Item* current = log->next ? &log->items[log->next - 1] : nullptr;
        if (request == "r 0x2011 0x03" && current) return reply("0x00 0x20 " + current->text);
        if (request == "r 0x2011 0x04" && current)
            return reply(current->info.empty() ? "0x03" : "0x00 " + current->info);
        if (request == "r 0x2011 0x01") return reply("0x00 " + std::to_string(log->items.size() - log->next));
        return reply("0x00");
    };
}

class ApplicationLogReadTest : public HandlerTest {
protected:
    void SetUp() override
    {
        Entry drop;
        while (CZelApplicationLogging::Instance().GetNextEntry(drop)) {
        }
    }
    // The time zone is chosen before any handler thread runs and restored after they ended.
    CScopedTimeZone zone_{"UTC0"};
};

TEST_F(ApplicationLogReadTest, EventOneReadsEveryEntryIntoTheQueue)
{
    auto handler = Connect(true);
    board_.SetResponder(LogResponder({
        {"Tube temperature high", "0x0712340003058033ee00010a"},
        {"Door open", "0x0800010002010000000000000"},
    }));
    board_.Send("e 1");
    ASSERT_TRUE(sink_.WaitFor(kNotifySubsystemEvent, 2, 10000));
    ASSERT_TRUE(board_.WaitForMessages(8, 10000));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"w 0x2000 0x0f", "r 0x2011 0x03", "r 0x2011 0x04", "r 0x2011 0x01",
                                                    "w 0x2000 0x0f", "r 0x2011 0x03", "r 0x2011 0x04",
                                                    "r 0x2011 0x01"}));
    for (const auto& post : sink_.PostsOf(kNotifySubsystemEvent)) EXPECT_EQ(post.wparam, 1u);

    Entry entry;
    ASSERT_EQ(CZelApplicationLogging::Instance().GetNextEntry(entry), 1);
    EXPECT_EQ(entry.text, "Tube temperature high");
    EXPECT_EQ(entry.sequence_number, 7u);
    EXPECT_EQ(entry.logging_id, 0x1234u);
    EXPECT_EQ(entry.component_id, 3u);
    EXPECT_EQ(entry.severity, 5u);
    // Day 0x0a01 and 0x00ee3380 ms (4 h 20 min 10.752 s) after the epoch.
    EXPECT_EQ(entry.time_stamp, SubsystemTimeToUtc(0x0a01, 0x00ee3380));
    EXPECT_EQ(entry.time_stamp, (SystemTime{1991, 1, 6, 5, 3, 20, 10, 752}));
    ASSERT_EQ(CZelApplicationLogging::Instance().GetNextEntry(entry), 1);
    EXPECT_EQ(entry.text, "Door open");
    // Day 0, time of day 0: the epoch, an hour before 1984 began in UTC.
    EXPECT_EQ(entry.time_stamp, (SystemTime{1983, 12, 6, 31, 23, 0, 0, 0}));
    EXPECT_EQ(CZelApplicationLogging::Instance().GetNextEntry(entry), 0);
}

TEST_F(ApplicationLogReadTest, AnEntryWithoutInformationIsSkippedAndTheLoopGoesOn)
{
    auto handler = Connect(true);
    board_.SetResponder(LogResponder({{"lost", ""}, {"kept", "0x01000100010000000000000000"}}));
    handler->ReadApplicationLog();
    EXPECT_EQ(Requests().size(), 8u);
    EXPECT_EQ(Requests()[3], "r 0x2011 0x01");
    Entry entry;
    ASSERT_EQ(CZelApplicationLogging::Instance().GetNextEntry(entry), 1);
    EXPECT_EQ(entry.text, "kept");
    EXPECT_EQ(CZelApplicationLogging::Instance().GetNextEntry(entry), 0);
    EXPECT_EQ(sink_.PostsOf(kNotifySubsystemEvent).size(), 1u);
}

TEST_F(HandlerTest, TheLogLevelSelectionShowsTheBoardsLevelAndSendsTheChosenOne)
{
    auto handler = Connect();
    CLogLevelSelection selection(*handler);
    struct Row {
        const char* reply;
        int line;
    };
    const Row rows[] = {{"0x00 5", 5}, {"0x00 7", 7}, {"0x00 8", 0}, {"0x00 0xFFFFFFFF", 0}, {"0x02 4", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply);
        const std::string reply = row.reply;
        board_.SetResponder([reply](const std::string&, const std::string& whole) {
            return std::vector<std::string>{CScriptedBoard::Reply(whole, reply)};
        });
        board_.ClearMessages();
        EXPECT_EQ(selection.Open(), row.line);
        EXPECT_EQ(Requests(), std::vector<std::string>{"r 0x2000 0x0e"});
    }
    board_.SetResponder([](const std::string&, const std::string& whole) {
        return std::vector<std::string>{CScriptedBoard::Reply(whole, "0x00")};
    });
    board_.ClearMessages();
    EXPECT_TRUE(selection.Ok(5));
    EXPECT_FALSE(selection.Ok(8));
    EXPECT_EQ(Requests(), std::vector<std::string>{"w 0x2000 0x0e 5"});
}

TEST_F(HandlerTest, WithTheLinkDownTheLogLevelSelectionOpensOnLevelZero)
{
    AppSettings::SetComPort("/dev/no-such-port-for-zov");
    CSleepHook no_pauses([](uint32_t) {});
    CSerialCommHandler handler(&message_number_, true, nullptr);
    prompt_.Clear();
    CLogLevelSelection selection(handler);
    EXPECT_EQ(selection.Open(), 0);
    EXPECT_FALSE(selection.Ok(5));
    EXPECT_TRUE(prompt_.Texts().empty());
}

}  // namespace
