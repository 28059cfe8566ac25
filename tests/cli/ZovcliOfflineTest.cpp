// zovcli without a board: usage mistakes, ports that cannot be used and a port where nobody
// answers. Each case runs the built program as an engineer would.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "PtyPair.h"
#include "TestSupport.h"
#include "ZovcliRunner.h"
#include "platform/SerialPort.h"

namespace {

size_t CountLines(const std::string& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ZovcliOffline : public ::testing::Test {
protected:
    tagZovcliRun Run(const std::vector<std::string>& args) { return RunZovcli(args, settings_); }

    CTempFolder folder_;
    std::string settings_ = folder_.File("settings.reg");
};

TEST_F(ZovcliOffline, FunctionsListsEveryHelpText)
{
    const tagZovcliRun run = Run({"functions"});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("Read data from the Nemra Object Dictionary.\n\nZELSP_Read(IN: Index, SubIndex)\n"
                            "OUT:\n    @0 = Function result: 0=failed, 1=succeeded\n",
                            0),
              0u)
        << run.out.substr(0, 200);
    size_t count = 0;
    for (size_t at = run.out.find("\nOUT:\n"); at != std::string::npos;
         at = run.out.find("\nOUT:\n", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 70u);
    EXPECT_NE(run.out.find("\nDCM_UICommand(IN: TextString)\n"), std::string::npos);
    EXPECT_EQ(run.out.find('\r'), std::string::npos);
}

// The help is read in a terminal: no line may run past its width.
TEST_F(ZovcliOffline, HelpFitsATerminal)
{
    const tagZovcliRun run = Run({"--help"});
    EXPECT_EQ(run.exit_status, 0);
    size_t start = 0;
    for (size_t end = run.out.find('\n'); end != std::string::npos; end = run.out.find('\n', start)) {
        EXPECT_LE(end - start, 100u) << run.out.substr(start, end - start);
        start = end + 1;
    }
    EXPECT_NE(run.out.find("  config show FILE | check FILE | convert IN OUT --FORM | store FILE | retrieve OUT [--ascii]\n"),
              std::string::npos)
        << run.out;
}

struct UsageCase {
    std::vector<std::string> args;
    const char* said;  // a part of the one stderr line
};

// Each mistake ends with status 2 and one line on stderr, before any port is touched (the
// settings name no port that exists, so touching one would say so instead).
TEST_F(ZovcliOffline, UsageMistakesCannotRun)
{
    const UsageCase cases[] = {
        {{"call"}, "usage: zovcli call NAME [ARG...]"},
        {{"call", "ZelFoo"}, "unknown function \"ZelFoo\""},
        {{"call", "ZelVerGetComponentVersion"},
         "ZelVerGetComponentVersion takes 1 input, 0 given; call it as "
         "ZelVerGetComponentVersion(IN: ComponentIndex)"},
        {{"call", "ZelCmdStartApplication", "1"}, "ZelCmdStartApplication takes no inputs, 1 given"},
        {{"read", "0x2013"}, "usage: zovcli read INDEX SUBINDEX"},
        {{"write", "0x2000"}, "usage: zovcli write INDEX SUBINDEX [DATA...]"},
        {{"script"}, "usage: zovcli script FILE [ARG...]"},
        {{"script", "/no/such/script.lua"}, "cannot read /no/such/script.lua: no such file or directory"},
        {{"log", "--tail"}, "usage: zovcli log [--follow]"},
        {{"functions", "x"}, "usage: zovcli functions"},
        // A number that does not read as one would reach the board as 0 or as 0xFFFFFFFF.
        {{"call", "ZelCmdPrepare", "abc"},
         "ZelCmdPrepare: BufferNumber takes an unsigned 32-bit number (decimal, 0x hexadecimal or 0 octal), "
         "not \"abc\""},
        {{"call", "ZelCmdSwitch", "99999999999"}, "BufferNumber takes an unsigned 32-bit number"},
        {{"call", "ZelCmdSwitch", "-1"}, "BufferNumber takes an unsigned 32-bit number"},
        {{"read", "-1", "0"}, "ZELSP_Read: Index takes an unsigned 32-bit number"},
        {{"call", "ZelCmdSelectLogLevel", "0xFFFFFFFF"}, "LogLevel takes a signed 32-bit number"},
        {{"call", "ZelCmdSwitch", "08"}, "not \"08\""},
        {{"call", "ZelCmdUnset", "1", "4", ""}, "ZelCmdUnset: LogicalDevice takes an unsigned 32-bit number"},
        {{"call", "ZelDevGetReq", "x", "1", "Zoom"}, "ZelDevGetReq: LogicalDevice takes"},
        {{"read", "zz", "1"}, "ZELSP_Read: Index takes an unsigned 32-bit number"},
        {{"write", "0x2000", "4x", "True"}, "ZELSP_Write: SubIndex takes an unsigned 32-bit number"},
        // The value of a parameter must fit its type: only the type's bits would be sent.
        {{"call", "ZelDevSetReq", "0", "9", "SelectedReceptorFieldSize", "70000"},
         "ZelDevSetReq: SelectedReceptorFieldSize takes an unsigned 16-bit number, not \"70000\""},
        {{"call", "ZelDevSetReq", "0", "9", "ApplicationFactor", "256"}, "takes an unsigned 8-bit number"},
        {{"call", "ZelDevSetReq", "0", "9", "WhiteClipper", "true"}, "WhiteClipper takes 0 or 1 (or True or False), not \"true\""},
        {{"call", "ZelDevSetReq", "1", "9", "HorizontalFlip", "2"}, "HorizontalFlip takes 0 or 1"},
        {{"call", "ZelDevSetReq", "0", "9", "RequestedDoserate", "-1"}, "takes an unsigned 32-bit number"},
        {{"call", "ZelDevSetReq", "0", "9", "DosePerImage", "ten"}, "not \"ten\""},
        // A missing image is told before the engineer is asked to reset the board.
        {{"download", "/no/such/image.hex"}, "cannot read /no/such/image.hex: no such file or directory"},
        {{"--yes", "download", "/no/such/image.hex", "--verify"}, "cannot read /no/such/image.hex"},
        {{"hex", "info", "/no/such/image.hex"}, "cannot read /no/such/image.hex"},
        {{"hex", "info", "/tmp"}, "cannot read /tmp: it is a folder"},
        // An output file that cannot be written is no reason to reset the board into boot mode.
        {{"--yes", "flash", "read", "0xC00000", "16", "--out", "/tmp"}, "cannot write /tmp: it is a folder"},
        {{"--yes", "flash", "read", "0xC00000", "16", "--out", "/no/such/folder/flash.bin"},
         "cannot write /no/such/folder/flash.bin: no such file or directory"},
        {{"--yes", "flash", "read", "0xC00000", "16", "--out", "/dev/null"},
         "cannot write /dev/null: it is not a regular file"},
        // Nothing to read is no reason to reset the board into boot mode.
        {{"--yes", "flash", "read", "0xC00000", "0"}, "usage: zovcli flash read ADDRESS LENGTH"},
        {{"--yes", "flash", "read", "0xFFFFFF", "2"}, "within the 24-bit address space"},
    };
    for (const UsageCase& c : cases) {
        const tagZovcliRun run = Run(c.args);
        SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
        EXPECT_EQ(run.exit_status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(CountLines(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
    }
}

// Every file zovcli reads whole must be a regular file of sensible size: /dev/zero used to be read
// until the memory ran out (about 16 GB, then an abort), a FIFO without a writer blocked for ever.
// Each is refused at once with one line naming it, exit status 2.
TEST_F(ZovcliOffline, EndlessAndSpecialFilesAreRefusedAtOnce)
{
    const std::string fifo = folder_.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<std::string> commands[] = {
        {"hex", "info", "/dev/zero"},       {"hex", "info", fifo},          {"config", "show", "/dev/zero"},
        {"config", "check", fifo},          {"script", "/dev/zero"},        {"script", fifo},
        {"--yes", "download", "/dev/zero"}, {"--yes", "download", fifo},
    };
    for (const std::vector<std::string>& args : commands) {
        const std::string file = args.back();
        SCOPED_TRACE(args[0] + " " + args[1] + " " + file);
        const tagZovcliRun run = RunZovcli(args, settings_, 10000);
        EXPECT_EQ(run.exit_status, 2);
        EXPECT_EQ(run.err, "zovcli: cannot read " + file + ": it is not a regular file\n");
        EXPECT_LT(run.elapsed_ms, 5000u);
    }
}

// A settings file that cannot be read is named once, and the run goes on with the defaults; the
// settings command, which is about the file, cannot run.
TEST_F(ZovcliOffline, ASettingsFileThatCannotBeReadIsNamedOnce)
{
    const tagZovcliRun device = RunZovcli({"settings"}, "/dev/zero", 10000);
    EXPECT_EQ(device.exit_status, 2);
    EXPECT_EQ(device.err, "zovcli: settings: cannot read /dev/zero: it is not a regular file; the defaults are in use\n");

    const std::string damaged = folder_.Write("damaged.reg", "COM port = COM2\r\n");
    const tagZovcliRun listed = RunZovcli({"functions"}, damaged);
    EXPECT_EQ(listed.exit_status, 0);
    EXPECT_EQ(listed.err, "zovcli: settings: line 1 of " + damaged +
                              " is no setting; the defaults are in use for what it does not hold\n");
    const tagZovcliRun stored = RunZovcli({"settings", "COM port", "COM3"}, damaged);
    EXPECT_EQ(stored.exit_status, 0);
    EXPECT_EQ(ReadFileText(damaged).rfind("COM port = COM2\r\n", 0), 0u) << "the file is never replaced";
}

TEST_F(ZovcliOffline, APortThatCannotBeUsedIsExplainedInOneLine)
{
    const std::string missing = folder_.File("ttyUSB7");
    const std::string plain_file = folder_.Write("not-a-port", "");
    const std::string image = folder_.Write("image.hex", ":02000004C0003A\r\n:0400000001020304F2\r\n:00000001FF\r\n");
    CPtyPair pty;
    CSerialPort holder;  // another program holding the port
    ASSERT_TRUE(holder.Open(pty.SlavePath()));

    const UsageCase cases[] = {
        {{"--port", missing, "call", "ZelVerGetComponentVersion", "6"},
         "cannot open "},
        {{"--port", plain_file, "read", "0x2013", "1"}, "it is not a serial port"},
        {{"--port", pty.SlavePath(), "call", "ZelCmdGetLogLevel"}, "is using the port"},
        // The boot commands check the port before they ask for the reset into boot mode.
        {{"--port", missing, "--yes", "download", image}, "cannot open "},
        {{"--port", plain_file, "--yes", "flash", "read", "0", "16"}, "it is not a serial port"},
        {{"--port", pty.SlavePath(), "--yes", "flash", "read", "0", "16"}, "is using the port"},
    };
    for (const UsageCase& c : cases) {
        const tagZovcliRun run = Run(c.args);
        SCOPED_TRACE(c.args[1]);
        EXPECT_EQ(run.exit_status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(CountLines(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.args[1]), std::string::npos) << run.err;
        // No five attempts half a second apart: the reason is known at once.
        EXPECT_LT(run.elapsed_ms, 5000u);
    }
    const tagZovcliRun run = Run({"--port", missing, "read", "0x2013", "1"});
    EXPECT_EQ(run.err, "zovcli: cannot open " + missing +
                           ": no such file or directory — is the adapter plugged in (or zov-boardsim "
                           "running), and is the name right?\n");
}

// A port that opens but where no board answers: the request fails within seconds, the outputs
// say so, and one line on stderr tells what to check.
TEST_F(ZovcliOffline, NoBoardOnThePortFailsWithinSeconds)
{
    CPtyPair pty;
    const tagZovcliRun run = Run({"--port", pty.SlavePath(), "read", "0x2013", "1"});
    EXPECT_EQ(run.exit_status, 1) << run.err;
    EXPECT_EQ(run.out, "@0 = 0\n@1 = 4\nResult: ZELSP: Communication timeout\n");
    EXPECT_NE(run.err.find("no answer from the controller board on " + pty.SlavePath()),
              std::string::npos)
        << run.err;
    const tagZovcliRun log = Run({"--port", pty.SlavePath(), "log"});
    EXPECT_EQ(log.exit_status, 1);
    EXPECT_EQ(log.out, "");
    EXPECT_NE(log.err.find("cannot read the application log: ZELSP: Communication timeout"),
              std::string::npos)
        << log.err;
    // Start-up asks twice and the read once, each given up after four unacknowledged sends of
    // half a second: about 6 s, with room for a loaded machine.
    EXPECT_LT(run.elapsed_ms, 20000u);
}

// Ctrl-C while the run waits for a board that does not answer ends it at once, without
// leaving its private settings copy in the temporary folder.
TEST_F(ZovcliOffline, InterruptedWhileWaitingLeavesNoTemporaryFiles)
{
    CPtyPair pty;
    CTempFolder tmp;
    const char* old_tmpdir = std::getenv("TMPDIR");
    const std::string saved = old_tmpdir != nullptr ? old_tmpdir : "";
    setenv("TMPDIR", tmp.Path().c_str(), 1);
    const int pid = StartZovcli({"--port", pty.SlavePath(), "read", "0x2013", "1"}, settings_,
                                folder_.File("out.txt"), folder_.File("err.txt"));
    if (old_tmpdir != nullptr) {
        setenv("TMPDIR", saved.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
    ASSERT_GT(pid, 0);
    // Once its first frame has come, the start-up request waits for the acknowledgement (the
    // frame is sent four times, 2 s in all, before it gives up).
    ASSERT_FALSE(pty.Read(1, 10000).empty());
    usleep(100000);  // watching another process; no sleep hook reaches it
    kill(pid, SIGINT);
    EXPECT_EQ(WaitZovcli(pid, 10000), 128 + SIGINT);
    EXPECT_EQ(FolderEntries(tmp.Path()), std::vector<std::string>{});
}

}  // namespace
