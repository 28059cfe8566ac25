// One zovcli call from start to end, as automation pays for it: `zovcli call
// ZelVerGetComponentVersion 6` against zov-boardsim without baud emulation, run many times as a
// separate program. Prints the median, the 90th percentile and the median's ratio to the wire
// time of the call's frames (every frame of the run in both directions, as zovcli's own frame
// trace lists them, at 19200 baud, 10 bit times a character). The link's close used to wait for
// the receive thread's 200 ms of silence in every call.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "BoardSimulator.h"
#include "platform/Paths.h"

extern char** environ;

namespace {

constexpr double kWireBitsPerChar = 10.0;
constexpr double kWireBaud = 19200.0;

// Runs zovcli with args; its stderr goes to err_file (may be /dev/null). The exit status.
int RunZovcli(const std::vector<std::string>& args, const std::string& err_file)
{
    std::vector<std::string> argv = {ExecutableDir() + "/zovcli"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The bytes on the line of one call, from its frame trace: each "Frame: ZelPs...Frame: " line
// holds one frame without its carriage return.
size_t WireBytes(const std::string& trace)
{
    size_t bytes = 0;
    size_t at = 0;
    const std::string marker = "Frame: ZelPs";
    while ((at = trace.find(marker, at)) != std::string::npos) {
        const size_t frame = trace.find(": $", at + marker.size());
        const size_t end = trace.find('\n', at);
        if (frame != std::string::npos && frame < end) bytes += end - (frame + 2) + 1;
        at = end;
    }
    return bytes;
}

std::string ReadAll(const std::string& path)
{
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(5, std::atoi(argv[1])) : 50;
    std::string folder = TempDir() + "/zov-call-bench-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) return 2;
    const std::string settings = folder + "/settings.reg";
    const std::string trace = folder + "/trace.txt";

    BoardSimOptions options;
    options.trace_sink = [](const std::string&) {};
    CBoardSimulator board(options);
    std::string error;
    if (!board.Start(&error)) {
        std::fprintf(stderr, "the board did not start: %s\n", error.c_str());
        return 2;
    }
    setenv("ZOVTOOL_SETTINGS", settings.c_str(), 1);
    const std::vector<std::string> call = {"--port", board.DevicePath(), "--timeout", "5000",
                                           "call", "ZelVerGetComponentVersion", "6"};
    std::vector<std::string> traced = {"--trace", "f"};
    traced.insert(traced.end(), call.begin(), call.end());
    if (RunZovcli(traced, trace) != 0) {
        std::fprintf(stderr, "the call failed:\n%s", ReadAll(trace).c_str());
        return 1;
    }
    const size_t bytes = WireBytes(ReadAll(trace));
    const double wire_ms = static_cast<double>(bytes) * kWireBitsPerChar / kWireBaud * 1000.0;

    std::vector<double> times_ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (RunZovcli(call, "/dev/null") != 0) {
            std::fprintf(stderr, "call %d failed\n", i);
            return 1;
        }
        times_ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    board.Stop();
    unlink(settings.c_str());
    unlink((settings + ".lock").c_str());
    unlink(trace.c_str());
    rmdir(folder.c_str());

    std::sort(times_ms.begin(), times_ms.end());
    const double median = times_ms[times_ms.size() / 2];
    const double p90 = times_ms[times_ms.size() * 9 / 10];
    std::printf("zovcli call ZelVerGetComponentVersion 6, %d runs: median %.1f ms, 90th percentile %.1f ms; "
                "its %zu bytes of frames need %.1f ms on the line at 19200 baud: median / wire = %.2f\n",
                runs, median, p90, bytes, wire_ms, median / wire_ms);
    return median < 30.0 ? 0 : 1;
}
