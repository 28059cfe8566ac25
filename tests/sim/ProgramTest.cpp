// zov-boardsim as a user runs it: the "ready" line, a request over the link, the end on SIGTERM.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "RawLine.h"
#include "TestSupport.h"

extern char** environ;

namespace {

// A child process of zov-boardsim with its standard output on a pipe.
class CProgram {
public:
    explicit CProgram(const std::vector<std::string>& args)
    {
        int out[2];
        if (pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<char*> argv;
        std::string program = ZOV_BOARDSIM_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
    }
    ~CProgram()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
        if (out_ >= 0) {
            close(out_);
        }
    }
    // The first line of standard output (without the line end), waiting up to timeout_ms.
    std::string ReadLine(int timeout_ms)
    {
        std::string line;
        while (true) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, timeout_ms) <= 0) {
                return line;
            }
            char c;
            if (read(out_, &c, 1) != 1 || c == '\n') {
                return line;
            }
            line += c;
        }
    }
    std::string ReadAll()
    {
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = read(out_, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<size_t>(n));
        }
        return text;
    }
    void Signal(int signal) { kill(pid_, signal); }
    // The exit status, or -1 when it did not end normally.
    int Wait()
    {
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) {
            return -1;
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

TEST(ProgramTest, ServesOnTheLinkUntilSigtermAndRemovesTheLink)
{
    CTempFolder folder;
    const std::string link = folder.File("zovsim");
    CProgram program({"--link", link});
    ASSERT_EQ(program.ReadLine(10000), "ready " + link);
    {
        CRawLine line(link);
        ASSERT_TRUE(line.Ok());
        EXPECT_EQ(line.Request("r 0x0123 0x2013 0x06"), "c 0x0123 0x00 0x17 Ib: FPGA Type: 2 Rev: 7");
    }
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is still there";
}

TEST(ProgramTest, HelpAndBadOptions)
{
    struct Row {
        std::vector<std::string> args;
        int status;
        const char* in_output;
    };
    const Row rows[] = {
        {{"--help"}, 0, "--scenario FILE"},
        {{"--fault", "corrupt=2"}, 2, ""},
        {{"--fault", "nonsense=0.1"}, 2, ""},
        {{"--bogus"}, 2, ""},
        {{"--link"}, 2, ""},
    };
    for (const Row& row : rows) {
        CProgram program(row.args);
        const std::string output = program.ReadAll();
        EXPECT_EQ(program.Wait(), row.status) << row.args[0];
        EXPECT_NE(output.find(row.in_output), std::string::npos) << row.args[0];
    }
}

TEST(ProgramTest, AnotherFileAtTheLinkPathIsNotReplaced)
{
    CTempFolder folder;
    const std::string path = folder.Write("precious", "keep me");
    CProgram program({"--link", path});
    EXPECT_EQ(program.Wait(), 1);
    EXPECT_EQ(ReadFileText(path), "keep me");
}

}  // namespace
