// zovcli post and zovcli buffers against the simulated board, through the built program: the
// self test texts and exit statuses, the overview's text with both line ends, and Ctrl-C in the
// middle of the overview.

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>
#include <vector>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "ZovcliRunner.h"

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
