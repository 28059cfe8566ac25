// The board dies in the middle of an operation: zov-boardsim runs as a process of its own and is
// killed with SIGKILL while zovcli runs a script, follows the log, downloads firmware, reads
// the flash, or stores or retrieves the configuration. zovcli must end within 5 s with exit status 1 and one line that names the cause,
// and leave no temporary folder and no process behind.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "TestSupport.h"
#include "ZovcliRunner.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

extern char** environ;

namespace {

constexpr uint32_t kEndLimitMs = 5000;

// Waits (watching other processes: no sleep hook reaches them) until done() or limit_ms.
template <typename Done>
bool WaitUntil(Done done, uint32_t limit_ms = 20000)
{
    const uint64_t deadline = MonotonicMs() + limit_ms;
    while (!done()) {
        if (MonotonicMs() >= deadline) {
            return false;
        }
        usleep(20000);
    }
    return true;
}

// The lines of text that contain needle.
std::vector<std::string> LinesWith(const std::string& text, const std::string& needle)
{
    std::vector<std::string> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.find(needle) != std::string::npos) found.push_back(line);
        start = end + 1;
    }
    return found;
}

// The pids of the processes whose command line holds text.
std::vector<int> ProcessesMentioning(const std::string& text)
{
    std::vector<int> pids;
    for (const std::string& entry : FolderEntries("/proc")) {
        if (entry.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string command = ReadFileText("/proc/" + entry + "/cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        if (command.find(text) != std::string::npos) pids.push_back(std::stoi(entry));
    }
    return pids;
}

class ZovcliKill : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_tmpdir_ = TempDir();
        setenv("TMPDIR", tmp_.Path().c_str(), 1);
        link_ = folder_.File("board");
    }
    void TearDown() override
    {
        if (board_pid_ > 0) {
            kill(board_pid_, SIGKILL);
            waitpid(board_pid_, nullptr, 0);
        }
        setenv("TMPDIR", previous_tmpdir_.c_str(), 1);
    }

    // Starts zov-boardsim with its trace in a file, and waits for its "ready" line.
    void StartBoard(bool baud_emulation)
    {
        std::vector<std::string> argv = {ExecutableDir() + "/zov-boardsim", "--link", link_, "-v"};
        if (baud_emulation) argv.push_back("--baud-emulation");
        std::vector<char*> pointers;
        for (std::string& arg : argv) pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, board_out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, board_trace_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        ASSERT_EQ(posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        board_pid_ = pid;
        ASSERT_TRUE(WaitUntil([&] { return ReadFileText(board_out_).rfind("ready ", 0) == 0; }));
    }

    // Kills the board when started() says the operation runs, then checks how zovcli ends.
    void KillBoardDuring(const std::vector<std::string>& args, const std::function<bool()>& started,
                         const std::string& cause_in)
    {
        std::vector<std::string> full = {"--port", link_, "--timeout", "3000", "--yes"};
        full.insert(full.end(), args.begin(), args.end());
        const int pid = StartZovcli(full, settings_, out_, err_);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(WaitUntil(started)) << ReadFileText(out_) << ReadFileText(err_);
        kill(board_pid_, SIGKILL);
        waitpid(board_pid_, nullptr, 0);
        board_pid_ = -1;
        const uint64_t killed = MonotonicMs();
        const int status = WaitZovcli(pid, 20000);
        const uint64_t took = MonotonicMs() - killed;
        EXPECT_EQ(status, 1) << ReadFileText(err_);
        EXPECT_LT(took, kEndLimitMs);
        const std::string said = ReadFileText(out_) + ReadFileText(err_);
        EXPECT_EQ(LinesWith(said, cause_in).size(), 1u) << said;
        EXPECT_EQ(LinesWith(said, "Input/output error").size(), 1u) << said;
        EXPECT_EQ(FolderEntries(tmp_.Path()), std::vector<std::string>{});
        EXPECT_EQ(ProcessesMentioning(link_), std::vector<int>{});
        std::printf("[ figures  ] %s: ended %llu ms after the kill\n", args[0].c_str(),
                    static_cast<unsigned long long>(took));
    }

    CTempFolder folder_;
    CTempFolder tmp_;
    std::string previous_tmpdir_;
    std::string link_;
    std::string settings_ = folder_.File("settings.reg");
    std::string board_out_ = folder_.File("board.out");
    std::string board_trace_ = folder_.File("board.trace");
    std::string out_ = folder_.File("zovcli.out");
    std::string err_ = folder_.File("zovcli.err");
    int board_pid_ = -1;
};

TEST_F(ZovcliKill, DuringAScript)
{
    StartBoard(false);
    const std::string script = folder_.Write("loop.lua",
                                             "print('looping')\n"
                                             "for i = 1, 1000000 do R(0x2013, 1) end\n"
                                             "print('all done')\n");
    KillBoardDuring({"script", script}, [&] { return ReadFileText(out_) == "looping\n"; },
                    "the link to the board failed");
    EXPECT_EQ(ReadFileText(out_), "looping\n");
}

TEST_F(ZovcliKill, DuringLogFollow)
{
    StartBoard(false);
    // Following from the moment its handler has cleared the subsystem log (command 26).
    KillBoardDuring({"log", "--follow"},
                    [&] { return ReadFileText(board_trace_).find(" 0x2000 0x1a\"") != std::string::npos; },
                    "the link to the board failed");
}

TEST_F(ZovcliKill, DuringADownload)
{
    // At the line's real speed the download takes long enough to be caught in its middle.
    StartBoard(true);
    const std::string image = folder_.File("image.hex");
    {
        std::string hex = ":0200000400C139\n";  // extended linear address 0x00C1
        for (uint32_t offset = 0; offset < 0x10000; offset += 16) {
            uint8_t sum = static_cast<uint8_t>(16 + (offset >> 8) + (offset & 0xFF));
            char line[64];
            int at = std::snprintf(line, sizeof line, ":10%04X00", static_cast<unsigned>(offset));
            for (int i = 0; i < 16; ++i) {
                const uint8_t byte = static_cast<uint8_t>(offset / 16 + static_cast<uint32_t>(i) * 7);
                sum = static_cast<uint8_t>(sum + byte);
                at += std::snprintf(line + at, sizeof line - static_cast<size_t>(at), "%02X", byte);
            }
            std::snprintf(line + at, sizeof line - static_cast<size_t>(at), "%02X\n",
                          static_cast<unsigned>(static_cast<uint8_t>(-sum)));
            hex += line;
        }
        hex += ":00000001FF\n";
        folder_.Write("image.hex", hex);
    }
    KillBoardDuring({"download", image},
                    [&] { return ReadFileText(out_).find("Downloading program image.") != std::string::npos; },
                    "The serial port " + link_ + " failed");
    EXPECT_NE(ReadFileText(out_).find("Download FAILED"), std::string::npos) << ReadFileText(out_);
}

TEST_F(ZovcliKill, DuringAFlashRead)
{
    StartBoard(true);
    const std::string copy = folder_.File("flash.bin");
    KillBoardDuring({"flash", "read", "0xC00000", "0x40000", "--out", copy},
                    [&] { return ReadFileText(err_).find("Booting controller board finished.") != std::string::npos; },
                    "The serial port " + link_ + " failed");
    // Nothing half read is left as if it were the flash.
    EXPECT_NE(access(copy.c_str(), F_OK), 0);
}

TEST_F(ZovcliKill, DuringAConfigurationStore)
{
    StartBoard(true);
    const std::string sample = ExecutableDir() + "/ZOVtoolSupportFiles/Samples/SampleConfiguration.cfg";
    KillBoardDuring({"config", "store", sample},
                    [&] { return ReadFileText(out_).find("Storing configuration.") != std::string::npos; },
                    "The serial port " + link_ + " failed");
    EXPECT_EQ(ReadFileText(out_).find("Configuration successfully stored."), std::string::npos)
        << ReadFileText(out_);
}

TEST_F(ZovcliKill, DuringAConfigurationRetrieve)
{
    StartBoard(true);
    // A configuration in the flash first, so that there is one to retrieve.
    const std::string sample = ExecutableDir() + "/ZOVtoolSupportFiles/Samples/SampleConfiguration.cfg";
    const int store = StartZovcli({"--port", link_, "--timeout", "3000", "--yes", "config", "store", sample},
                                  settings_, out_, err_);
    ASSERT_GT(store, 0);
    ASSERT_EQ(WaitZovcli(store, 30000), 0) << ReadFileText(out_) << ReadFileText(err_);
    const std::string copy = folder_.File("retrieved.cfg");
    KillBoardDuring({"config", "retrieve", copy},
                    [&] { return ReadFileText(out_).find("Retrieving configuration.") != std::string::npos; },
                    "The serial port " + link_ + " failed");
    // Nothing half read is saved as if it were the board's configuration.
    EXPECT_NE(access(copy.c_str(), F_OK), 0);
}

}  // namespace
