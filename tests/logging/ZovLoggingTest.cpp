// The tool log: the producers' line texts and levels, the rule for traces without a main
// window, the queue across threads, and the log core's filter, line format and file.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "TestSupport.h"
#include "logging/ZovLogModule.h"
#include "logging/ZovLogging.h"

namespace {

// The names in folder, sorted, without "." and "..".
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace
#include "platform/Notify.h"
#include "platform/Prompt.h"

namespace {

class CCountingSink : public INotifySink {
public:
    void Post(int offset, uintptr_t, const std::string&) override
    {
        if (offset == kNotifyToolLog) {
            ++posts;
        }
    }
    std::atomic<int> posts{0};
};

class CRecordingDisplay : public CZovLogModule::IDisplay {
public:
    void AppendLine(const std::string& line) override { lines.push_back(line); }
    void Clear() override { lines.clear(); }
    std::vector<std::string> lines;
};

struct Entry {
    SystemTime time;
    int32_t level = 0;
    std::string text;
};

std::vector<Entry> TakeAll()
{
    std::vector<Entry> entries;
    Entry entry;
    while (CZovLogging::Instance().GetNextEntry(&entry.time, &entry.level, &entry.text)) {
        entries.push_back(entry);
    }
    return entries;
}

SystemTime At(uint16_t hour, uint16_t minute, uint16_t second, uint16_t ms)
{
    SystemTime time;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    time.milliseconds = ms;
    return time;
}

class ZovLoggingTest : public ::testing::Test {
protected:
    void SetUp() override { CZovLogging::Instance().Clear(); }
    void TearDown() override { CZovLogging::Instance().Clear(); }
};

}  // namespace

TEST_F(ZovLoggingTest, CallbacksQueueTheirLinesAtTheirLevelsAndNotifyEach)
{
    CCountingSink sink;
    CScopedNotifySink guard(sink);
    LogZelWarning("Fn", "careful");
    LogZelError("Fn", "broken");
    LogZelFrame("ZelPsReadFrame: ", "$01A64\r");
    LogZelDebug("Fn", "");
    LogScriptText("plain 100%s");
    LogZelWarning(nullptr, nullptr);
    const struct {
        int level;
        const char* text;
    } expected[] = {
        {kZovLogWarning, "WARNING: Function Fn, careful"},
        {kZovLogError, "ERROR: Function Fn, broken"},
        {kZovLogFrame, "Frame: ZelPsReadFrame: $01A64\r"},
        {kZovLogDebug, "DEBUG: Function Fn, "},
        {kZovLogScript, "plain 100%s"},
        {kZovLogWarning, "WARNING: Function , "},
    };
    const auto entries = TakeAll();
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].level, expected[i].level) << i;
        EXPECT_EQ(entries[i].text, expected[i].text) << i;
        EXPECT_NE(entries[i].time.year, 0) << i;
    }
    EXPECT_EQ(sink.posts.load(), 6);
}

TEST_F(ZovLoggingTest, ProtocolTracesWithoutAMainWindowAreDroppedScriptTextIsNot)
{
    ASSERT_FALSE(Notify::HasSink());
    LogZelWarning("Fn", "w");
    LogZelError("Fn", "e");
    LogZelFrame("p", "f");
    LogZelDebug("Fn", "d");
    LogScriptText("kept");
    const auto entries = TakeAll();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].text, "kept");
    EXPECT_EQ(entries[0].level, kZovLogScript);
}

TEST_F(ZovLoggingTest, EmptyQueueGivesNothingAndClearsTheText)
{
    SystemTime time;
    int32_t level = 42;
    std::string text = "old";
    EXPECT_FALSE(CZovLogging::Instance().GetNextEntry(&time, &level, &text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(level, 42);
}

TEST_F(ZovLoggingTest, ProducersOnManyThreadsLoseNothingAndKeepTheirOrder)
{
    CCountingSink sink;
    CScopedNotifySink guard(sink);
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t) {
        producers.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) {
                LogZelDebug(std::to_string(t).c_str(), std::to_string(i).c_str());
            }
        });
    }
    // The main window's thread drains while the producers run.
    std::vector<int> next(kThreads, 0);
    int taken = 0;
    while (taken < kThreads * kEach) {
        for (const Entry& entry : TakeAll()) {
            const int t = entry.text[16] - '0';  // "DEBUG: Function T, I"
            ASSERT_EQ(entry.text, "DEBUG: Function " + std::to_string(t) + ", " +
                                      std::to_string(next[static_cast<size_t>(t)]++));
            ++taken;
        }
        std::this_thread::yield();
    }
    for (auto& producer : producers) {
        producer.join();
    }
    EXPECT_EQ(TakeAll().size(), 0u);
    EXPECT_EQ(sink.posts.load(), kThreads * kEach);
}

// A script that keeps sending on a dead port produces the same trace hundreds of thousands of
// times a second: the queue keeps one entry with a count, and no more than its bound of
// different entries, telling per level how many it had to drop where they would have stood.
TEST_F(ZovLoggingTest, FloodIsFoldedAndBoundedAndTheDropsAreTold)
{
    CCountingSink sink;
    CScopedNotifySink guard(sink);
    CZovLogging& queue = CZovLogging::Instance();
    for (int i = 0; i < 1000000; ++i) LogZelError("ZelPsWriteFrame", "Write error");
    EXPECT_EQ(queue.Count(), 1u);
    LogZelWarning("ZelPsWait4Ack", "Nack received");
    auto entries = TakeAll();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, "ERROR: Function ZelPsWriteFrame, Write error (1000000 times)");
    EXPECT_EQ(entries[0].level, kZovLogError);
    EXPECT_EQ(entries[1].text, "WARNING: Function ZelPsWait4Ack, Nack received");

    // Different texts: the bound holds; the drops of each level become one entry of that level.
    const size_t bound = CZovLogging::kMaxEntries;
    for (size_t i = 0; i < bound + 2500; ++i) LogZelDebug("Fn", std::to_string(i).c_str());
    for (int i = 0; i < 7; ++i) LogZelFrame("p", std::to_string(i).c_str());
    LogZelDebug("Fn", "last");
    EXPECT_EQ(queue.Count(), bound + 2);
    // Room again: a new entry stands after the news of what was dropped before it.
    SystemTime time;
    int32_t level = 0;
    std::string text;
    ASSERT_TRUE(queue.GetNextEntry(&time, &level, &text));
    EXPECT_EQ(text, "DEBUG: Function Fn, 0");
    LogScriptText("after");
    entries = TakeAll();
    ASSERT_EQ(entries.size(), bound + 2);
    EXPECT_EQ(entries[bound - 2].text, "DEBUG: Function Fn, " + std::to_string(bound - 1));
    EXPECT_EQ(entries[bound - 1].text, "... 2501 more entries dropped");
    EXPECT_EQ(entries[bound - 1].level, kZovLogDebug);
    EXPECT_EQ(entries[bound].text, "... 7 more entries dropped");
    EXPECT_EQ(entries[bound].level, kZovLogFrame);
    EXPECT_EQ(entries[bound + 1].text, "after");
}

TEST_F(ZovLoggingTest, AFullQueueStillTakesWarningsAndErrorsUpToTheirOwnRoom)
{
    CCountingSink sink;
    CScopedNotifySink guard(sink);
    CZovLogging& queue = CZovLogging::Instance();
    const size_t bound = CZovLogging::kMaxEntries;
    for (size_t i = 0; i < bound + 10; ++i) LogZelFrame(">>> ", std::to_string(i).c_str());
    LogZelError("CSerialCommHandler", "the port failed, the link is down: /dev/ttyUSB0: gone");
    LogZelFrame(">>> ", "late");
    LogZelDebug("Fn", "late");
    auto entries = TakeAll();
    ASSERT_EQ(entries.size(), bound + 4);
    EXPECT_EQ(entries[bound].text, "... 10 more entries dropped");
    EXPECT_EQ(entries[bound + 1].text,
              "ERROR: Function CSerialCommHandler, the port failed, the link is down: "
              "/dev/ttyUSB0: gone");
    EXPECT_EQ(entries[bound + 2].text, "... 1 more entries dropped");
    EXPECT_EQ(entries[bound + 2].level, kZovLogFrame);
    EXPECT_EQ(entries[bound + 3].level, kZovLogDebug);

    // Their room is bounded too.
    const size_t room = bound + CZovLogging::kReservedForErrors;
    for (size_t i = 0; i < room + 5; ++i) LogZelWarning("Fn", std::to_string(i).c_str());
    EXPECT_EQ(queue.Count(), room + 1);
    entries = TakeAll();
    EXPECT_EQ(entries.back().text, "... 5 more entries dropped");
    EXPECT_EQ(entries.back().level, kZovLogWarning);
}

class ZovLogModuleTest : public ZovLoggingTest {
protected:
    CTempFolder folder_;
    CRecordingPrompt prompt_;
    CScopedPrompt prompt_guard_{prompt_};
    CRecordingDisplay display_;
};

TEST_F(ZovLogModuleTest, LineIsClockTimeWithMillisecondsAndText)
{
    EXPECT_EQ(CZovLogModule::FormatLine(At(1, 2, 3, 4), "text"), "01:02:03.004 text");
    EXPECT_EQ(CZovLogModule::FormatLine(At(23, 59, 59, 999), ""), "23:59:59.999 ");
    EXPECT_EQ(CZovLogModule::FormatLine(At(0, 0, 0, 0), "100% sure"), "00:00:00.000 100% sure");
}

TEST_F(ZovLogModuleTest, EachLevelPassesOnlyWithItsSwitch)
{
    const uint32_t bits[5] = {kLogWarnings, kLogErrors, kLogFrames, kLogDebug, kLogScript};
    for (int level = 1; level <= 5; ++level) {
        for (uint32_t flags : {bits[level - 1], 0x1Fu & ~bits[level - 1]}) {
            CZovLogModule module(folder_.Path());
            ASSERT_TRUE(module.Start(flags));
            module.SetDisplay(&display_);
            display_.Clear();
            const bool on = (flags & bits[level - 1]) != 0;
            EXPECT_EQ(module.AddLogEntry(At(1, 1, 1, 1), level, "x"), on) << level << " " << flags;
            EXPECT_EQ(display_.lines.size(), on ? 1u : 0u) << level;
            EXPECT_EQ(ReadFileText(module.LogFilePath()), on ? "01:01:01.001 x\r\n" : "") << level;
        }
    }
    CZovLogModule module(folder_.Path());
    ASSERT_TRUE(module.Start(0x1F));
    EXPECT_FALSE(module.AddLogEntry(At(1, 1, 1, 1), 0, "below"));
    EXPECT_FALSE(module.AddLogEntry(At(1, 1, 1, 1), 6, "above"));
    EXPECT_EQ(ReadFileText(module.LogFilePath()), "");
}

TEST_F(ZovLogModuleTest, SwitchesFollowTheSettingsNotification)
{
    CZovLogModule module(folder_.Path());
    EXPECT_EQ(module.LoggingFlags(), kLogWarnings | kLogErrors | kLogScript);  // before Start
    ASSERT_TRUE(module.Start(kLogFrames));
    EXPECT_EQ(module.LoggingFlags(), kLogFrames);
    module.SetLoggingFlags(true, false, false, true, false);
    EXPECT_EQ(module.LoggingFlags(), kLogWarnings | kLogDebug);
    EXPECT_TRUE(module.AddLogEntry(At(0, 0, 0, 0), kZovLogDebug, "d"));
    EXPECT_FALSE(module.AddLogEntry(At(0, 0, 0, 0), kZovLogFrame, "f"));
}

TEST_F(ZovLogModuleTest, StartEmptiesAnOldLogFile)
{
    const std::string old = folder_.Write(kZovLogFileName, "yesterday's lines\r\n");
    CZovLogModule module(folder_.Path());
    ASSERT_TRUE(module.Start(0x1F));
    EXPECT_EQ(module.LogFilePath(), old);
    EXPECT_EQ(ReadFileText(old), "");
    module.AddLogEntry(At(9, 8, 7, 6), kZovLogScript, "today");
    EXPECT_EQ(ReadFileText(old), "09:08:07.006 today\r\n");
}

TEST_F(ZovLogModuleTest, DrainMovesTheQueueIntoFileAndDisplay)
{
    CZovLogModule module(folder_.Path());
    ASSERT_TRUE(module.Start(kLogScript | kLogErrors));
    module.SetDisplay(&display_);
    CZovLogging::Instance().AddEntry(At(1, 0, 0, 0), kZovLogScript, "one");
    CZovLogging::Instance().AddEntry(At(2, 0, 0, 0), kZovLogFrame, "hidden frame");
    CZovLogging::Instance().AddEntry(At(3, 0, 0, 0), kZovLogError, "three");
    EXPECT_EQ(module.DrainQueue(), 3u);
    EXPECT_EQ(CZovLogging::Instance().Count(), 0u);
    EXPECT_EQ(display_.lines, (std::vector<std::string>{"01:00:00.000 one", "03:00:00.000 three"}));
    EXPECT_EQ(ReadFileText(module.LogFilePath()), "01:00:00.000 one\r\n03:00:00.000 three\r\n");

    // With a time budget a slice ends before the queue is empty: the window paints in between.
    for (int i = 0; i < 5000; ++i) LogScriptText(std::to_string(i));
    const size_t slice = module.DrainQueue(0);
    EXPECT_GT(slice, 0u);
    EXPECT_LT(slice, 5000u);
    EXPECT_EQ(CZovLogging::Instance().Count(), 5000u - slice);
    ASSERT_EQ(display_.lines.size(), 2 + slice);
    EXPECT_EQ(display_.lines.back().substr(13), std::to_string(slice - 1));
}

TEST_F(ZovLogModuleTest, SaveCopiesTheWholeFileAndReplacesAnOldOneWhole)
{
    CZovLogModule module(folder_.Path());
    ASSERT_TRUE(module.Start(0x1F));
    for (int i = 0; i < 200; ++i) {  // well over one 1024-byte block
        module.AddLogEntry(At(0, 0, 0, static_cast<uint16_t>(i)), kZovLogScript, "line " + std::to_string(i));
    }
    const std::string target = folder_.File("saved.log");
    ASSERT_TRUE(module.SaveLog(target));
    EXPECT_GT(ReadFileText(target).size(), 2048u);
    EXPECT_EQ(ReadFileText(target), ReadFileText(module.LogFilePath()));
    EXPECT_TRUE(prompt_.Records().empty());

    // Saving again (the window asked first) replaces the old copy, longer or shorter.
    ASSERT_TRUE(module.ClearLog());
    module.AddLogEntry(At(0, 0, 1, 0), kZovLogScript, "after");
    ASSERT_TRUE(module.SaveLog(target));
    EXPECT_EQ(ReadFileText(target), "00:00:01.000 after\r\n");
    EXPECT_TRUE(prompt_.Records().empty());
    // No temporary file stays beside it.
    EXPECT_EQ(FilesIn(folder_.Path()), (std::vector<std::string>{"ZOVtool.log", "saved.log"}));
}

TEST_F(ZovLogModuleTest, ASaveThatCannotBeWrittenSaysSoAndLeavesNothing)
{
    CZovLogModule module(folder_.Path());
    ASSERT_TRUE(module.Start(0x1F));
    module.AddLogEntry(At(0, 0, 0, 0), kZovLogScript, "kept");
    EXPECT_FALSE(module.SaveLog(folder_.File("no-such-folder/saved.log")));
    ASSERT_EQ(prompt_.Records().size(), 1u);
    EXPECT_EQ(prompt_.Records()[0].text, "Failed to create ouput file");
    // A folder where the file should be: the copy cannot replace it, and the folder stays.
    const std::string taken = folder_.File("taken.log");
    ASSERT_EQ(mkdir(taken.c_str(), 0755), 0);
    EXPECT_FALSE(module.SaveLog(taken));
    EXPECT_EQ(prompt_.Records().size(), 2u);
    EXPECT_EQ(FilesIn(folder_.Path()), (std::vector<std::string>{"ZOVtool.log", "taken.log"}));
    // The log file is still usable after failed saves.
    module.AddLogEntry(At(0, 0, 1, 0), kZovLogScript, "after");
    EXPECT_NE(ReadFileText(module.LogFilePath()).find("00:00:01.000 after\r\n"), std::string::npos);
}

TEST_F(ZovLogModuleTest, ClearStartsAnEmptyFileAndEmptiesTheDisplay)
{
    CZovLogModule module(folder_.Path());
    ASSERT_TRUE(module.Start(0x1F));
    module.SetDisplay(&display_);
    module.AddLogEntry(At(0, 0, 0, 0), kZovLogScript, "before");
    ASSERT_TRUE(module.ClearLog());
    EXPECT_TRUE(display_.lines.empty());
    EXPECT_EQ(ReadFileText(module.LogFilePath()), "");
    module.AddLogEntry(At(0, 0, 0, 1), kZovLogScript, "after");
    EXPECT_EQ(ReadFileText(module.LogFilePath()), "00:00:00.001 after\r\n");
}

TEST_F(ZovLogModuleTest, MissingFolderOrASecondToolLeavesTheLogWithoutFile)
{
    CZovLogModule nowhere(folder_.File("no-such-folder"));
    EXPECT_FALSE(nowhere.Start(0x1F));
    EXPECT_FALSE(nowhere.IsLogFileOpen());
    EXPECT_FALSE(nowhere.SaveLog(folder_.File("copy.log")));
    EXPECT_TRUE(nowhere.AddLogEntry(At(0, 0, 0, 0), kZovLogScript, "display only"));

    CZovLogModule first(folder_.Path());
    ASSERT_TRUE(first.Start(0x1F));
    first.AddLogEntry(At(0, 0, 0, 0), kZovLogScript, "mine");
    CZovLogModule second(folder_.Path());
    EXPECT_FALSE(second.Start(0x1F));
    EXPECT_EQ(ReadFileText(first.LogFilePath()), "00:00:00.000 mine\r\n");  // not emptied

    const auto records = prompt_.Records();
    ASSERT_EQ(records.size(), 2u);
    for (const auto& record : records) {
        EXPECT_EQ(record.text, "Unable to create a file for script logging.");
    }
}
