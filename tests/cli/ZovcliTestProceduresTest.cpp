// zovcli post, buffers and the four tests' procedure runs against the simulated board, through
// the built program: the self test texts and exit statuses, the overview's text with both line
// ends and Ctrl-C in its middle, each test to FINISHED, a refused start, and the average video
// level's polled values printed until Enter.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "ZovcliRunner.h"
#include "shell/TextSource.h"

namespace {

class ZovcliTestProcedures : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (sim_) sim_->Stop();
    }

    void StartBoard(const std::string& scenario, const FaultSettings& faults = {})
    {
        if (sim_) sim_->Stop();
        BoardSimOptions options;
        options.scenario_file = folder_.Write("scenario.ini", scenario);
        options.faults = faults;
        options.trace_sink = [](const std::string&) {};
        sim_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }

    tagZovcliRun Run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--port", sim_->DevicePath(), "--timeout", "8000"});
        return RunZovcli(args, settings_);
    }

    CTempFolder folder_;
    std::string settings_ = folder_.File("settings.reg");
    std::unique_ptr<CBoardSimulator> sim_;
};

TEST_F(ZovcliTestProcedures, PostSaysTheResultAsTheHubsBox)
{
    const struct {
        const char* scenario;
        int exit_status;
        const char* out;
        const char* err;
    } rows[] = {
        {"[Subsystem]\nPostResult=0\n", 0, "Power on self test: \"Passed\"\n", ""},
        {"[Subsystem]\nPostResult=5\n", 1, "Controller board error\nCamera error\n", ""},
        {"[Subsystem]\nPostResult=16\n", 1, "Image Intensifier error\n", ""},
        {"[Results]\nResult1=0x2010, 1, 0x06090011\n", 1, "", "Error reading power on self test result.\n"},
    };
    for (const auto& row : rows) {
        StartBoard(row.scenario);
        const tagZovcliRun run = Run({"post"});
        EXPECT_EQ(run.exit_status, row.exit_status) << row.scenario;
        EXPECT_EQ(run.out, row.out) << row.scenario;
        EXPECT_EQ(run.err, row.err) << row.scenario;
    }
}

TEST_F(ZovcliTestProcedures, BuffersPrintsTheOverviewWithEitherLineEnd)
{
    StartBoard("[Subsystem]\nInvolvedApplications=2\n");
    const tagZovcliRun crlf = Run({"buffers"});
    ASSERT_EQ(crlf.exit_status, 0) << crlf.err;
    const tagZovcliRun lf = Run({"buffers", "--lf"});
    ASSERT_EQ(lf.exit_status, 0) << lf.err;

    const std::string rule(58, '=');
    EXPECT_EQ(crlf.out.substr(0, 60 + 58), rule + "\r\nLogical Device: Image Detection      Buffer: Field Service");
    EXPECT_NE(crlf.out.find("Buffer: Application 2\r\n"), std::string::npos);
    EXPECT_EQ(crlf.out.find("Buffer: Application 1"), std::string::npos);
    std::string stripped = crlf.out;
    for (size_t at = stripped.find("\r\n"); at != std::string::npos; at = stripped.find("\r\n", at)) {
        stripped.erase(at, 1);
    }
    EXPECT_EQ(lf.out, stripped);
    EXPECT_EQ(lf.out.find('\r'), std::string::npos);
    EXPECT_EQ(crlf.err, "");

    const tagZovcliRun usage = Run({"buffers", "--cr"});
    EXPECT_EQ(usage.exit_status, 2);
    EXPECT_EQ(usage.err, "zovcli: usage: zovcli buffers [--lf]\n");
}

// Ctrl-C ends the overview before its next parameter; the program closes the link and says so.
TEST_F(ZovcliTestProcedures, InterruptStopsTheBuffersOverview)
{
    // Every reply comes 100 ms late, so the whole dump would take half a minute.
    FaultSettings slow;
    slow[SimFault::DelayReply].rate = 1.0;
    slow.reply_delay_ms = 100;
    StartBoard("[Subsystem]\nInvolvedApplications=1,2,3\n", slow);
    const std::string out = folder_.File("buffers.out");
    const std::string err = folder_.File("buffers.err");
    const int pid = StartZovcli({"--port", sim_->DevicePath(), "--timeout", "8000", "buffers", "--lf"}, settings_,
                                out, err);
    ASSERT_GT(pid, 0);
    bool dumping = false;
    for (int i = 0; i < 400 && !dumping; ++i) {
        dumping = ReadFileText(out).find("System Wide\n") != std::string::npos;
        if (!dumping) {
            usleep(50000);  // watching another process; no sleep hook reaches it
        }
    }
    ASSERT_TRUE(dumping);
    kill(pid, SIGINT);
    EXPECT_EQ(WaitZovcli(pid, 10000), 1);
    EXPECT_EQ(ReadFileText(err), "zovcli: the buffers overview was stopped\n");
    const std::string printed = ReadFileText(out);
    EXPECT_EQ(printed.find("Image Processing"), std::string::npos) << printed;
}

}  // namespace

namespace {

// The texts of a state as the terminal prints them.
std::string StateTexts(const char* section, const char* state)
{
    const CTextSource texts(CTextSource::Acquire()->Path());
    std::string text = texts.GetText(section, std::string("I_") + state) + "\n" +
                       texts.GetText(section, std::string("A_") + state) + "\n";
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

size_t Count(const std::string& text, const std::string& piece)
{
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size())) ++count;
    return count;
}

TEST_F(ZovcliTestProcedures, EachTestRunsToFinishedFromAHereDocument)
{
    const struct {
        const char* key;
        const char* title;
        const char* section;
        const char* stop;  // the command of the second press
    } rows[] = {
        {"video-path", "Video Path test", "VideoPath", " 0x2000 0x17 2"},
        {"average-video-level", "Average Video Level test", "Average Video Level", " 0x2000 0x17 11"},
        {"dose-link", "Dose Link test", "Doserate Link", " 0x2000 0x17 20"},
        {"cosmetic-check", "Cosmetic Check", "Cosmetic Check", " 0x2000 0x17 40"},
    };
    StartBoard("");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const std::string input = folder_.Write("presses.txt", "\n\n");
        const tagZovcliRun run = RunZovcliWithInput(
            {"--port", sim_->DevicePath(), "--timeout", "8000", "procedure", "run", row.key, "--external"}, settings_,
            input);
        EXPECT_EQ(run.exit_status, 0) << run.err;
        EXPECT_EQ(run.out.rfind(std::string(row.title) + "\n\n", 0), 0u) << run.out;
        EXPECT_NE(run.out.find(StateTexts(row.section, "FINISHED")), std::string::npos) << run.out;
        EXPECT_NE(run.err.find("Enter = Continue"), std::string::npos) << run.err;
        bool stopped = false;
        for (const std::string& message : sim_->ReceivedMessages()) {
            stopped = stopped || message.find(row.stop) != std::string::npos;
        }
        EXPECT_TRUE(stopped);
    }
    // The end of input before FINISHED leaves the test: status 1.
    const std::string one_press = folder_.Write("one.txt", "\n");
    const tagZovcliRun left = RunZovcliWithInput(
        {"--port", sim_->DevicePath(), "procedure", "run", "cosmetic-check"}, settings_, one_press);
    EXPECT_EQ(left.exit_status, 1) << left.err;
    // The mode options belong to the average video level test.
    const tagZovcliRun usage = Run({"procedure", "run", "video-path", "--absolute"});
    EXPECT_EQ(usage.exit_status, 2);
}

TEST_F(ZovcliTestProcedures, RefusedStartPrintsTheFailureWithTheTestNumber)
{
    StartBoard("[Results]\nResult1=0x2000, 22, 0x08000022, 20\n");
    const std::string input = folder_.Write("presses.txt", "\n");
    const tagZovcliRun run = RunZovcliWithInput(
        {"--port", sim_->DevicePath(), "--timeout", "8000", "procedure", "run", "dose-link"}, settings_, input);
    EXPECT_EQ(run.exit_status, 1) << run.err;
    EXPECT_NE(run.out.find("Test FAILED\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Start Test 20 failed. (ZEL result: 0x08000022)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Enter = Start Test"), std::string::npos) << run.err;
}

// The average video level prints every polled value as a line until Enter stops the test.
TEST_F(ZovcliTestProcedures, AverageVideoLevelPrintsEachPolledValueUntilEnter)
{
    StartBoard("[VideoLevel]\nStart=1000\nTarget=1000\nNoise=0\nBinsAtTarget=171\nOffsetBins=16\n");
    const std::string fifo = folder_.File("keys");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string out = folder_.File("level.out");
    const std::string err = folder_.File("level.err");
    // Held open for writing before the child opens it, so that neither side waits for the other;
    // closing it is the end of input.
    const int keys = open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(keys, 0);
    const int pid = StartZovcli({"--port", sim_->DevicePath(), "--timeout", "8000", "procedure", "run",
                                 "average-video-level", "--absolute"},
                                settings_, out, err, fifo);
    ASSERT_GT(pid, 0);
    ASSERT_EQ(write(keys, "\n", 1), 1);
    bool polling = false;
    for (int i = 0; i < 400 && !polling; ++i) {
        polling = Count(ReadFileText(out), "\n187 bins\n") >= 3;
        if (!polling) usleep(50000);  // watching another process; no sleep hook reaches it
    }
    ASSERT_TRUE(polling) << ReadFileText(out);
    ASSERT_EQ(write(keys, "\n", 1), 1);
    close(keys);
    EXPECT_EQ(WaitZovcli(pid, 20000), 0) << ReadFileText(err);
    const std::string printed = ReadFileText(out);
    EXPECT_NE(printed.find("Note: Level includes the video offset.\n"), std::string::npos) << printed;
    const size_t finished = printed.find(StateTexts("Average Video Level", "FINISHED"));
    ASSERT_NE(finished, std::string::npos) << printed;
    EXPECT_EQ(printed.find("bins", finished), std::string::npos) << "a value after the test stopped";
    EXPECT_EQ(printed.find("???"), std::string::npos);
    bool absolute = false;
    for (const std::string& message : sim_->ReceivedMessages()) {
        absolute = absolute || message.find(" 0x2000 0x16 16") != std::string::npos;
    }
    EXPECT_TRUE(absolute);
}

}  // namespace
