// zovcli post and zovcli buffers: the power-on self test result as the tests hub's box says it,
// and the buffers overview's text, over the same core as the window.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "handler/SerialCommHandler.h"
#include "platform/Thread.h"
#include "procedures/BuffersDump.h"
#include "procedures/PowerOnSelfTest.h"

namespace {

// The texts end their lines with CR LF, as the window's boxes and files do; a terminal or a
// script that asks for plain line ends gets them without the CR.
std::string WithPlainLineEnds(const std::string& text)
{
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        plain += text[i];
    }
    return plain;
}

int RunPost(const CliOptions& options, const std::vector<std::string>& args)
{
    if (!args.empty()) {
        CliError("usage: zovcli post");
        return kExitCannotRun;
    }
    CCliSession session(options);
    if (!session.Connect(false, nullptr)) {
        return kExitCannotRun;
    }
    const tagPowerOnSelfTest post = ReadPowerOnSelfTest(session.Handler());
    if (!post.read_ok) {
        std::fprintf(stderr, "%s\n", kPostReadErrorText);
        return kExitFailed;
    }
    std::string text = WithPlainLineEnds(post.Text());
    if (!text.empty() && text.back() == '\n') text.pop_back();
    std::printf("%s\n", text.c_str());
    return post.Passed() ? kExitSucceeded : kExitFailed;
}

// Ctrl-C, a kill and a hang-up ask the dump to stop before its next parameter; the run then
// closes the link as usual. Every thread started from here on inherits the blocked signals.
class CStopSignals {
public:
    CStopSignals()
    {
        sigemptyset(&signals_);
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals_, signal_number);
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
    }
    ~CStopSignals()
    {
        Stop();
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    // Starts the thread that takes the signals and calls on_signal for the first one.
    void Watch(std::function<void()> on_signal)
    {
        waiter_.Start([this, on_signal = std::move(on_signal)] {
            // Keeps taking the signals until Stop, so that its own SIGHUP never stays pending.
            for (;;) {
                int received = 0;
                sigwait(&signals_, &received);
                if (done_.load()) return;
                on_signal();
            }
        });
    }
    // Ends the watch: the SIGHUP goes to the process, so the waiter, the only thread that takes
    // it, receives it.
    void Stop()
    {
        if (!waiter_.IsAttached() || done_.exchange(true)) return;
        kill(getpid(), SIGHUP);
        waiter_.Join();
    }

private:
    sigset_t signals_;
    sigset_t previous_;
    std::atomic<bool> done_{false};
    CThread waiter_;
};

int RunBuffers(const CliOptions& options, const std::vector<std::string>& args)
{
    const bool plain = args.size() == 1 && args[0] == "--lf";
    if (!args.empty() && !plain) {
        CliError("usage: zovcli buffers [--lf]");
        return kExitCannotRun;
    }
    CStopSignals stop_signals;
    CCliSession session(options);
    if (!session.Connect(false, nullptr)) {
        return kExitCannotRun;
    }
    CBuffersDump dump(session.Handler(), [plain](const std::string& added) {
        const std::string shown = plain ? WithPlainLineEnds(added) : added;
        std::fwrite(shown.data(), 1, shown.size(), stdout);
        std::fflush(stdout);
    });
    stop_signals.Watch([&dump] { dump.RequestStop(); });
    dump.Run();
    stop_signals.Stop();
    if (dump.WasStopped()) {
        CliError("the buffers overview was stopped");
        return kExitFailed;
    }
    if (dump.ParameterLines() == 0) {
        CliError("no parameter could be read: " + session.Handler().GetLastResultText());
        return kExitFailed;
    }
    return kExitSucceeded;
}

const CCliRegistration kPost({"post", "",
                              "print the power-on self test result (exit 0 when passed)", RunPost});
const CCliRegistration kBuffers({"buffers", "[--lf]",
                                 "print the buffers overview (CR LF lines; --lf: plain)", RunBuffers});

}  // namespace
