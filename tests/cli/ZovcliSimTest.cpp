// zovcli against the simulated board: the output of call, read and write, the exit statuses,
// scripts, traces and the application log, each through the built program.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "ZovcliRunner.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

namespace {

const char kScenario[] =
    "[Versions]\n"
    "Component6=Ib: FPGA Type: 2 Rev: 7\n"
    "[Results]\n"
    "Result1=0x2000, 9, 0x08000022\n"
    "[Log]\n"
    "Level=0\n"
    "Entry1=0, 3, 2, 0x0101, Lamp warm\n"
    "Entry2=0, 4, 1, 0x0102, Iris closed\n"
    "Entry3=3000, 5, 4, 0x0103, Door open\n";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

class ZovcliSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        BoardSimOptions options;
        options.scenario_file = folder_.Write("scenario.ini", kScenario);
        options.trace_sink = [](const std::string&) {};
        sim_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    void TearDown() override
    {
        if (sim_) {
            sim_->Stop();
        }
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

TEST_F(ZovcliSim, CallPrintsTheOutputsAndTheResultText)
{
    const tagZovcliRun run = Run({"call", "ZelVerGetComponentVersion", "6"});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], "@0 = 1");
    EXPECT_EQ(lines[1], "@1 = Ib: FPGA Type: 2 Rev: 7");
    EXPECT_EQ(lines[2].rfind("Result: c ", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find(" 0x17 Ib: FPGA Type: 2 Rev: 7"), std::string::npos) << lines[2];
    EXPECT_EQ(run.err, "");
}

TEST_F(ZovcliSim, ReadAndWriteAreTheRawRequests)
{
    const tagZovcliRun read = Run({"read", "0x2013", "6"});
    EXPECT_EQ(read.exit_status, 0) << read.err;
    const std::vector<std::string> lines = Lines(read.out);
    ASSERT_EQ(lines.size(), 7u) << read.out;
    EXPECT_EQ(lines[0], "@0 = 1");
    EXPECT_EQ(lines[1], "@1 = 0");
    EXPECT_EQ(lines[2], "@2 = c");
    EXPECT_EQ(lines[3].rfind("@3 = ", 0), 0u);
    EXPECT_EQ(lines[4], "@4 = 0x00");
    EXPECT_EQ(lines[5], "@5 = 0x17 Ib: FPGA Type: 2 Rev: 7");
    EXPECT_EQ(lines[6].rfind("Result: c ", 0), 0u);

    const tagZovcliRun write = Run({"write", "0x2000", "4", "2"});
    EXPECT_EQ(write.exit_status, 0) << write.err;
    std::string last;  // the last request (DCM answers travel between them)
    for (const std::string& message : sim_->ReceivedMessages()) {
        if (message.rfind("w ", 0) == 0 || message.rfind("r ", 0) == 0) {
            last = message;
        }
    }
    ASSERT_EQ(last.substr(0, 2), "w ");
    EXPECT_EQ(last.substr(last.find(' ', 2)), " 0x2000 0x04 2");
}

TEST_F(ZovcliSim, ARefusedFunctionExitsWithOne)
{
    const tagZovcliRun run = Run({"call", "ZelCmdCanSwitch", "1", "5"});
    EXPECT_EQ(run.exit_status, 1) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], "@0 = 0");
    EXPECT_EQ(lines[1], "@1 = 0");
    EXPECT_NE(lines[2].find("0x08000022"), std::string::npos) << lines[2];
}

// A raw request succeeds on the link whatever the board answers; a refusal (ZEL result code not
// 0) used to exit 0 and was invisible to automation. It exits 1, the code in the result line.
TEST_F(ZovcliSim, ARefusedRawRequestExitsWithOneAndShowsTheCode)
{
    const struct {
        std::vector<std::string> args;
        const char* code;
    } rows[] = {
        {{"write", "0x2000", "4", "99"}, "0x06090030"},
        {{"read", "0x2099", "1"}, "0x06020000"},
        {{"call", "R", "0x2099", "1"}, "0x06020000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[0] + " " + row.args[1]);
        const tagZovcliRun run = Run(row.args);
        EXPECT_EQ(run.exit_status, 1) << run.out << run.err;
        const std::vector<std::string> lines = Lines(run.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "@0 = 1");
        EXPECT_NE(lines.back().find(std::string("(refused by the board: ZEL result code ") + row.code + ")"),
                  std::string::npos)
            << lines.back();
    }
    // An accepted one still exits 0 with the plain result line.
    const tagZovcliRun accepted = Run({"write", "0x2000", "4", "2"});
    EXPECT_EQ(accepted.exit_status, 0) << accepted.out;
    EXPECT_EQ(accepted.out.find("refused"), std::string::npos);
}

// zovcli takes the values the script function takes: "True" and "False" for a flag.
TEST_F(ZovcliSim, AFlagTakesTrueAndFalseAsTheScriptFunctionDoes)
{
    for (const char* value : {"True", "False"}) {
        SCOPED_TRACE(value);
        const tagZovcliRun set = Run({"call", "ZelDevSetReq", "1", "9", "HorizontalFlip", value});
        EXPECT_EQ(set.exit_status, 0) << set.err;
        const tagZovcliRun read = Run({"call", "ZelDevGetReq", "1", "9", "HorizontalFlip"});
        EXPECT_NE(read.out.find(std::string("\n@1 = ") + (value[0] == 'T' ? "1" : "0") + "\n"), std::string::npos)
            << read.out;
    }
}

// A data value with a carriage return would end the frame early and smuggle a second request in
// ("1\r$01Dw ..."): the link refuses it and nothing reaches the board.
TEST_F(ZovcliSim, AValueThatWouldBreakTheFrameIsNotSent)
{
    const size_t before = sim_->ReceivedMessages().size();
    const tagZovcliRun run = Run({"write", "0x2000", "4", "1\r$01Dw 0x0001 0x2000 0x04 2"});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.out.find("@1 = 5\nResult: ZELSP: Incorrect argument\n"), std::string::npos) << run.out;
    for (const std::string& message : sim_->ReceivedMessages()) {
        EXPECT_EQ(message.find("0x2000 0x04"), std::string::npos) << message;
    }
    EXPECT_GE(sim_->ReceivedMessages().size(), before);
}

// The port is opened and closed by every run; the next run must find it as usable.
TEST_F(ZovcliSim, RunsOneAfterAnother)
{
    for (int i = 0; i < 3; ++i) {
        const tagZovcliRun run = Run({"call", "ZelCmdGetLogLevel"});
        EXPECT_EQ(run.exit_status, 0) << "run " << i << ": " << run.err;
        EXPECT_EQ(Lines(run.out).size(), 3u) << run.out;
    }
}

TEST_F(ZovcliSim, ScriptsRunWithTheirArgumentsAndExitStatus)
{
    const std::string good = folder_.Write(
        "good.lua",
        "local ok, version = ZelVerGetComponentVersion(tonumber(arg[1]))\n"
        "print(ok, version)\n"
        "os.exit(ok == 1 and 0 or 1)\n");
    const tagZovcliRun run = Run({"script", good, "6"});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out, "1\tIb: FPGA Type: 2 Rev: 7\n");

    const std::string status = folder_.Write("status.lua", "os.exit(3)\n");
    EXPECT_EQ(Run({"script", status}).exit_status, 3);

    const std::string bad = folder_.Write("bad.lua", "local x = 1\nlocal y = x .. nil\n");
    const tagZovcliRun failed = Run({"script", bad});
    EXPECT_EQ(failed.exit_status, 1);
    EXPECT_NE(failed.err.find("zovcli: bad.lua:2: "), std::string::npos) << failed.err;
}

TEST_F(ZovcliSim, TraceShowsTheChosenLevelsOnly)
{
    const tagZovcliRun script_level = Run({"--trace", "s", "read", "0x2013", "6"});
    EXPECT_EQ(script_level.exit_status, 0);
    EXPECT_NE(script_level.err.find(" ZELSP_Read=>OK: c "), std::string::npos) << script_level.err;
    EXPECT_EQ(script_level.err.find("Frame: "), std::string::npos) << script_level.err;

    const tagZovcliRun frames = Run({"--trace", "f", "read", "0x2013", "6"});
    EXPECT_EQ(frames.exit_status, 0);
    EXPECT_NE(frames.err.find("Frame: "), std::string::npos) << frames.err;
    EXPECT_EQ(frames.err.find("ZELSP_Read=>OK"), std::string::npos) << frames.err;
    // Traces never mix into the outputs.
    EXPECT_EQ(frames.out.find("Frame: "), std::string::npos);
}

TEST_F(ZovcliSim, LogPrintsTheSubsystemsEntries)
{
    // The scenario's entries appear once the link is up; wait for them on the board's side.
    tagZovcliRun run;
    for (int attempt = 0; attempt < 5; ++attempt) {
        run = Run({"log"});
        if (run.out.find("Iris closed") != std::string::npos) {
            break;
        }
    }
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_NE(run.out.find(" - Component 3 - Level 2 - Lamp warm\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" - Component 4 - Level 1 - Iris closed\n"), std::string::npos) << run.out;
}

// The board holds back its second reply (the first after start-up) for 3 s. The command
// time-out of a run comes from --timeout, else from the setting, else it is 5000 ms.
TEST(ZovcliTimeout, OptionSettingAndDefault)
{
    CTempFolder folder;
    const std::string no_timeout = folder.File("none.reg");
    const std::string short_timeout = folder.File("short.reg");
    CSettingsStore::SetFile(short_timeout);
    ASSERT_TRUE(CSettingsStore::WriteDword("Command Timeout", 1000));
    CSettingsStore::SetFile("");

    struct Row {
        std::vector<std::string> options;
        std::string settings;
        int exit_status;
    };
    const Row rows[] = {
        {{"--timeout", "1000"}, no_timeout, 1},
        {{}, short_timeout, 1},
        {{"--timeout", "8000"}, short_timeout, 0},
        {{}, no_timeout, 0},
    };
    for (const Row& row : rows) {
        BoardSimOptions options;
        options.trace_sink = [](const std::string&) {};
        options.faults[SimFault::DelayReply] = {0.0, 1, 1};
        options.faults.reply_delay_ms = 3000;
        CBoardSimulator sim(options);
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        std::vector<std::string> args = {"--port", sim.DevicePath()};
        args.insert(args.end(), row.options.begin(), row.options.end());
        args.insert(args.end(), {"read", "0x2013", "1"});
        const tagZovcliRun run = RunZovcli(args, row.settings);
        SCOPED_TRACE(row.settings + (row.options.empty() ? "" : " " + row.options[1]));
        EXPECT_EQ(run.exit_status, row.exit_status) << run.out << run.err;
        if (row.exit_status == 1) {
            EXPECT_NE(run.out.find("Result: ZELSP: Communication timeout"), std::string::npos) << run.out;
            // The board took the request; it is the reply that is late, not the cable.
            EXPECT_EQ(run.err, "zovcli: the controller board on " + sim.DevicePath() +
                                   " acknowledged the request but sent no reply within 1000 ms; a command "
                                   "that takes longer needs a longer --timeout\n");
        }
        sim.Stop();
    }
}

// Values that fit their parameter's type pass zovcli's check and reach the board as typed.
TEST_F(ZovcliSim, ParameterValuesOfTheirTypeAreWrittenAsTyped)
{
    const struct {
        std::vector<std::string> set;
        std::string read_back;
    } rows[] = {
        {{"0", "9", "SelectedReceptorFieldSize", "310"}, "@1 = 310"},
        {{"0", "9", "WhiteClipper", "1"}, "@1 = 1"},
        {{"1", "9", "RotationAngle", "-90"}, "@1 = -90"},
        {{"1", "9", "RotationAngle", "0xFFA6"}, "@1 = -90"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.set[2] + " " + row.set[3]);
        std::vector<std::string> set = {"call", "ZelDevSetReq"};
        set.insert(set.end(), row.set.begin(), row.set.end());
        const tagZovcliRun written = Run(set);
        EXPECT_EQ(written.exit_status, 0) << written.err;
        const tagZovcliRun read = Run({"call", "ZelDevGetReq", row.set[0], row.set[1], row.set[2]});
        EXPECT_EQ(read.exit_status, 0) << read.err;
        EXPECT_NE(read.out.find("\n" + row.read_back + "\n"), std::string::npos) << read.out;
    }
}

// Output into a pipe whose reader has gone (zovcli read ... | head -1): the run still ends as
// usual and takes its private copy of the settings out of the temporary folder again.
TEST_F(ZovcliSim, AClosedOutputPipeLeavesNoTemporaryFiles)
{
    CTempFolder tmp;
    const std::string command =
        Format("TMPDIR='%s' ZOVTOOL_SETTINGS='%s' '%s/zovcli' --port '%s' --timeout 8000 read 0x2013 6 | true",
               tmp.Path().c_str(), settings_.c_str(), ExecutableDir().c_str(), sim_->DevicePath().c_str());
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(FolderEntries(tmp.Path()), std::vector<std::string>{});
}

// Ctrl-C stops a running script between two requests; the program ends normally.
TEST_F(ZovcliSim, InterruptStopsAScript)
{
    const std::string loop = folder_.Write("loop.lua",
                                           "print('looping')\n"
                                           "while true do R(0x2013, 1) end\n");
    const std::string out = folder_.File("loop.out");
    const std::string err = folder_.File("loop.err");
    const int pid = StartZovcli({"--port", sim_->DevicePath(), "script", loop}, settings_, out, err);
    ASSERT_GT(pid, 0);
    bool running = false;
    for (int i = 0; i < 400 && !running; ++i) {
        running = ReadFileText(out) == "looping\n";
        if (!running) {
            usleep(50000);  // watching another process; no sleep hook reaches it
        }
    }
    ASSERT_TRUE(running);
    kill(pid, SIGINT);
    EXPECT_EQ(WaitZovcli(pid, 20000), 1);
    EXPECT_EQ(ReadFileText(err), "zovcli: the script " + loop + " was stopped\n");
}

// An Intel HEX image of size bytes at 0xC00000 (the simulated board's flash), 16 a record.
std::string FlashImage(size_t size)
{
    std::string text = ":0200000400C03A\r\n";
    for (size_t at = 0; at < size; at += 16) {
        unsigned sum = 16 + ((at >> 8) & 0xFF) + (at & 0xFF);
        std::string line = Format(":10%04X00", static_cast<unsigned>(at));
        for (size_t i = 0; i < 16; ++i) {
            const unsigned byte = static_cast<unsigned>((at + i) * 7 & 0xFF);
            line += Format("%02X", byte);
            sum += byte;
        }
        text += line + Format("%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    }
    return text + ":00000001FF\r\n";
}

// A kill (SIGTERM) or a closed terminal (SIGHUP) during a download used to end zovcli on the spot,
// in the middle of a flash step; both now abort it as Ctrl-C does: between two steps, with
// "Download aborted!" on a line of its own after the progress bar, and exit status 1.
TEST(ZovcliDownload, TerminationSignalsAbortTheDownloadAsCtrlCDoes)
{
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal_number);
        CTempFolder folder;
        BoardSimOptions options;
        options.trace_sink = [](const std::string&) {};
        options.baud_emulation = true;  // a download of many seconds, to be stopped midway
        CBoardSimulator sim(options);
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        const std::string image = folder.Write("image.hex", FlashImage(0x8000));
        const std::string out = folder.File("out.txt");
        const std::string err = folder.File("err.txt");
        const int pid = StartZovcli({"--port", sim.DevicePath(), "--yes", "download", image}, folder.File("s.reg"),
                                    out, err);
        ASSERT_GT(pid, 0);
        bool programming = false;
        for (int i = 0; i < 1200 && !programming; ++i) {
            programming = ReadFileText(err).find("] ") != std::string::npos;
            if (!programming) {
                usleep(50000);  // watching another process; no sleep hook reaches it
            }
        }
        ASSERT_TRUE(programming) << ReadFileText(out) << ReadFileText(err);
        kill(pid, signal_number);
        EXPECT_EQ(WaitZovcli(pid, 20000), 1);
        const std::string lines = ReadFileText(err);
        EXPECT_NE(lines.find(" %\nDownload aborted!\n"), std::string::npos) << lines;
        EXPECT_EQ(ReadFileText(out).find("Download was successful."), std::string::npos);
        sim.Stop();
    }
}

// --follow prints what the board reports while it runs, and ends on Ctrl-C with status 0.
TEST_F(ZovcliSim, LogFollowPrintsEntriesAsTheyArrive)
{
    const std::string out = folder_.File("follow.out");
    const std::string err = folder_.File("follow.err");
    const int pid = StartZovcli({"--port", sim_->DevicePath(), "--timeout", "8000", "log", "--follow"},
                                settings_, out, err);
    ASSERT_GT(pid, 0);
    // Following from the moment its handler clears the subsystem log (command 26); the board
    // reports "Door open" 3 s after that connection came up.
    bool following = false;
    for (int i = 0; i < 400 && !following; ++i) {
        for (const std::string& message : sim_->ReceivedMessages()) {
            following = following || message.find(" 0x2000 0x1a") != std::string::npos;
        }
        if (!following) {
            usleep(50000);  // watching another process; no sleep hook reaches it
        }
    }
    ASSERT_TRUE(following);
    const size_t printed_before = ReadFileText(out).size();
    bool arrived = false;
    for (int i = 0; i < 400 && !arrived; ++i) {
        arrived = ReadFileText(out).find(" - Component 5 - Level 4 - Door open\n", printed_before) !=
                  std::string::npos;
        if (!arrived) {
            usleep(50000);
        }
    }
    EXPECT_TRUE(arrived) << ReadFileText(out);
    kill(pid, SIGINT);
    EXPECT_EQ(WaitZovcli(pid, 20000), 0) << ReadFileText(err);
}

}  // namespace
