// zovcli log: prints the subsystem's application log, one line per entry as the application
// events window shows it (with an ISO date), and with --follow goes on printing each entry as the
// subsystem reports it until Ctrl-C.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <mutex>
#include <pthread.h>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "handler/SerialCommHandler.h"
#include "logging/ZelApplicationLogging.h"
#include "platform/Event.h"
#include "platform/Format.h"
#include "platform/Thread.h"

namespace {

std::mutex g_print_lock;  // the event thread and the main thread both print

void PrintQueuedEntries()
{
    std::lock_guard<std::mutex> guard(g_print_lock);
    CZelApplicationLogging::ZelApplicationLogEntry entry;
    while (CZelApplicationLogging::Instance().GetNextEntry(entry) == 1) {
        const SystemTime& t = entry.time_stamp;
        const std::string date = Format("%04d-%02d-%02d", t.year, t.month, t.day);
        std::printf("%s\n", ApplicationLogLine(date, entry).c_str());
    }
    std::fflush(stdout);
}

void PrintLine(const char* line)
{
    std::lock_guard<std::mutex> guard(g_print_lock);
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// What the application events window does with notification +4.
void OnSubsystemEvent(uintptr_t kind)
{
    switch (kind) {
    case 1:
        PrintQueuedEntries();
        break;
    case 2:
        PrintLine("ERROR: Not ready for acquisition. (Some device failure)");
        break;
    case 3:
        PrintLine("ERROR: Runtime failure during calibration or test.");
        break;
    default:
        break;
    }
}

int RunLog(const CliOptions& options, const std::vector<std::string>& args)
{
    const bool follow = args.size() == 1 && args[0] == "--follow";
    if (!args.empty() && !follow) {
        CliError("usage: zovcli log [--follow]");
        return kExitCannotRun;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    if (follow) {
        // Taken by sigwait below; every handler thread inherits the blocked set.
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    }

    CCliSession session(options);
    session.Sink().SetSubsystemEventFunction(OnSubsystemEvent);
    // Following ends on Ctrl-C, a kill, or the port failing underneath.
    CEvent ended(CEvent::Kind::ManualReset);
    session.SetPortFailureFunction([&ended] { ended.Set(); });
    // First what the subsystem holds already: a handler that acts on events clears the
    // subsystem's log when it connects, so these entries are read before one does.
    if (!session.Connect(false, nullptr)) {
        return kExitCannotRun;
    }
    session.Handler().ReadApplicationLog();
    PrintQueuedEntries();
    // The reader stops quietly when a request fails; one more question tells an empty log from
    // a board that does not answer.
    uint32_t available = 0;
    uint32_t code = kNoResultCode;
    if (!session.Handler().ZelLogGetNrOfAvailableLogEntries(&available, &code)) {
        CliError(session.PortFailed() ? session.PortFailureText()
                                      : "cannot read the application log: " + session.Handler().GetLastResultText());
        return kExitFailed;
    }
    if (!follow) {
        return kExitSucceeded;
    }
    ended.Reset();
    if (!session.Connect(true, nullptr)) {
        return kExitCannotRun;
    }
    std::atomic<bool> done{false};
    CThread signal_waiter;
    signal_waiter.Start([&] {
        int received = 0;
        sigwait(&signals, &received);
        if (!done.load()) {
            ended.Set();
        }
    });
    ended.Wait(kInfinite);
    done.store(true);
    // Wakes the waiter when the port ended the run; a signal that ended it was taken already.
    kill(getpid(), SIGTERM);
    signal_waiter.Join();
    const bool port_failed = session.PortFailed();
    const std::string failure = session.PortFailureText();
    session.Disconnect();
    PrintQueuedEntries();
    if (port_failed) {
        CliError(failure);
        return kExitFailed;
    }
    return kExitSucceeded;
}

const CCliRegistration kLog({"log", "[--follow]",
                             "print the subsystem's application log (--follow: until Ctrl-C)",
                             RunLog});

}  // namespace
