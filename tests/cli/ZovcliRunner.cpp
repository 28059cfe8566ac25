#include "ZovcliRunner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"
#include "platform/Paths.h"

extern char** environ;

namespace {

std::vector<std::string> Environment(const std::string& settings_file)
{
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::string(*e).rfind("ZOVTOOL_SETTINGS=", 0) != 0) {
            env.emplace_back(*e);
        }
    }
    env.push_back("ZOVTOOL_SETTINGS=" + settings_file);
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

int Spawn(const std::vector<std::string>& args, const std::string& settings_file,
          posix_spawn_file_actions_t* actions)
{
    std::vector<std::string> argv = {ExecutableDir() + "/zovcli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env = Environment(settings_file);
    std::vector<char*> argv_p = Pointers(argv);
    std::vector<char*> env_p = Pointers(env);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv_p[0], actions, nullptr, argv_p.data(), env_p.data()) != 0) {
        return -1;
    }
    return pid;
}

}  // namespace

int WaitZovcli(int pid, uint32_t limit_ms)
{
    const uint64_t deadline = MonotonicMs() + limit_ms;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (MonotonicMs() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(10000);  // polling a child's end; no sleep hook stands for this
    }
}

tagZovcliRun RunZovcli(const std::vector<std::string>& args, const std::string& settings_file,
                       uint32_t limit_ms)
{
    return RunZovcliWithInput(args, settings_file, "/dev/null", limit_ms);
}

tagZovcliRun RunZovcliWithInput(const std::vector<std::string>& args, const std::string& settings_file,
                                const std::string& input_file, uint32_t limit_ms)
{
    tagZovcliRun run;
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input_file.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    const uint64_t start = MonotonicMs();
    const int pid = Spawn(args, settings_file, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (pid < 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        return run;
    }
    const uint64_t deadline = start + limit_ms;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open_count = 2;
    while (open_count > 0 && MonotonicMs() < deadline) {
        if (poll(fds, 2, 100) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open_count;
                }
            }
        }
    }
    for (pollfd& fd : fds) {
        if (fd.fd >= 0) {
            close(fd.fd);
        }
    }
    const uint64_t now = MonotonicMs();
    run.exit_status = WaitZovcli(pid, now < deadline ? static_cast<uint32_t>(deadline - now) : 0);
    run.elapsed_ms = MonotonicMs() - start;
    return run;
}

int StartZovcli(const std::vector<std::string>& args, const std::string& settings_file,
                const std::string& out_file, const std::string& err_file, const std::string& input_file)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input_file.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int pid = Spawn(args, settings_file, &actions);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}
