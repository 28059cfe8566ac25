// zovcli script: runs a Lua script with every script function registered, as the Scripting view
// does, with the script's output on stdout and its errors on stderr.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <unistd.h>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "platform/TextFile.h"
#include "platform/Thread.h"
#include "script/ScriptEngine.h"

namespace {

std::string ChunkName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int RunScript(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.empty()) {
        CliError("usage: zovcli script FILE [ARG...]");
        return kExitCannotRun;
    }
    std::string text;
    std::string error_text;
    if (ReadWholeFile(args[0], text, &error_text) != ReadFileResult::Ok) {
        CliError(error_text);
        return kExitCannotRun;
    }

    // Ctrl-C and a kill stop the script between two steps instead of ending the process in the
    // middle of a request; every thread started from here on inherits the blocked signals, and
    // one waiter takes them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    CCliSession session(options);
    CScriptEngine engine;
    // A failed port is the end of the run: the script would only meet refused requests.
    session.SetPortFailureFunction([&engine] { engine.RequestStop(); });
    if (!session.Connect(false, &engine)) {
        return kExitCannotRun;
    }
    engine.SetOutputFunction([](const std::string& output) {
        std::fwrite(output.data(), 1, output.size(), stdout);
        std::fflush(stdout);
    });
    const std::vector<std::string> script_args(args.begin() + 1, args.end());
    if (!engine.Run(text, ChunkName(args[0]), script_args)) {
        CliError("cannot start the script " + args[0]);
        return kExitCannotRun;
    }
    CThread signal_waiter;
    std::atomic<bool> done{false};
    signal_waiter.Start([&] {
        // Woken by a signal, or by the SIGHUP sent below once the script has ended (sent to the
        // process, so that this thread, the only one that takes it, receives it).
        int received = 0;
        sigwait(&signals, &received);
        if (!done.load()) {
            engine.RequestStop();
        }
    });
    engine.WaitForEnd(kInfinite);
    done.store(true);
    kill(getpid(), SIGHUP);
    signal_waiter.Join();

    int status = engine.ExitStatus();
    if (session.PortFailed()) {
        CliError(session.PortFailureText());
        status = kExitFailed;
    } else if (!engine.ErrorText().empty()) {
        CliError(engine.ErrorText());
    } else if (engine.Outcome() == ScriptOutcome::kStopped) {
        CliError("the script " + args[0] + " was stopped");
    }
    session.Sink().DrainToolLog();
    return status;
}

const CCliRegistration kScript({"script", "FILE [ARG...]",
                                "run a Lua script with every function registered", RunScript});

}  // namespace
