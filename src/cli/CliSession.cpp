#include "cli/CliSession.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <unistd.h>

#include "handler/SerialCommHandler.h"
#include "logging/ZovLogging.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/SerialPort.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "shell/AppSettings.h"
#include "shell/InstanceNumber.h"

uint32_t EffectiveTimeout(std::optional<uint32_t> option, std::optional<uint32_t> setting)
{
    if (option && *option != 0) {
        return *option;
    }
    // 0 and 0xFFFFFFFF in the settings mean "wait without limit" to the window; a command-line
    // run must end, so it takes its own default instead.
    if (setting && *setting != 0 && *setting != 0xFFFFFFFF) {
        return *setting;
    }
    return kCliDefaultTimeoutMs;
}

std::string PortProblemText(const std::string& path, int error, bool configure_failed)
{
    std::string reason = std::strerror(error);
    if (!reason.empty()) {
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    if (configure_failed) {
        return Format("cannot use %s: it is not a serial port (%s) — check the port name",
                      path.c_str(), reason.c_str());
    }
    const char* hint = nullptr;
    switch (error) {
    case EACCES:
    case EPERM:
        hint = "is your user in the dialout group?";
        break;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        hint = "is the adapter plugged in (or zov-boardsim running), and is the name right?";
        break;
    case EBUSY:
        hint = "another program (another zovcli, the ZOV tool, a terminal) is using the port";
        break;
    default:
        break;
    }
    return hint != nullptr ? Format("cannot open %s: %s — %s", path.c_str(), reason.c_str(), hint)
                           : Format("cannot open %s: %s", path.c_str(), reason.c_str());
}

// ---- Cleanup on Ctrl-C ----

namespace {

// The run's settings copy, for the signal handler: plain buffers, filled before the handler is
// installed, since a handler may only make async-signal-safe calls.
char g_run_file[PATH_MAX];
char g_run_lock_file[PATH_MAX];
char g_run_folder[PATH_MAX];
volatile std::sig_atomic_t g_run_files_exist = 0;
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction g_previous_actions[3];

// Ctrl-C or a kill while a request waits ends the run at once, as it always did, but no longer
// leaves the settings copy behind in the temporary folder.
void RemoveRunFilesAndEnd(int signal_number)
{
    if (g_run_files_exist) {
        unlink(g_run_file);
        unlink(g_run_lock_file);
        rmdir(g_run_folder);
    }
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

void CopyPath(char (&to)[PATH_MAX], const std::string& from)
{
    std::snprintf(to, sizeof to, "%s", from.c_str());
}

// Signals that a command takes with sigwait are blocked and never reach the handler; those
// commands end normally and clean up in the session's destructor.
void InstallCleanup(const std::string& file, const std::string& folder)
{
    CopyPath(g_run_file, file);
    CopyPath(g_run_lock_file, file + ".lock");
    CopyPath(g_run_folder, folder);
    g_run_files_exist = 1;
    struct sigaction action {};
    action.sa_handler = RemoveRunFilesAndEnd;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < std::size(kCleanupSignals); ++i) {
        sigaction(kCleanupSignals[i], &action, &g_previous_actions[i]);
    }
}

void RemoveCleanup()
{
    for (size_t i = 0; i < std::size(kCleanupSignals); ++i) {
        sigaction(kCleanupSignals[i], &g_previous_actions[i], nullptr);
    }
    g_run_files_exist = 0;
}

}  // namespace

// ---- CCliNotifySink ----

CCliNotifySink::CCliNotifySink(const std::string& levels)
{
    const std::string letters = "wefds";  // levels 1 to 5
    for (char c : levels) {
        const size_t at = letters.find(c);
        if (at != std::string::npos) {
            levels_[at + 1] = true;
        }
    }
}

CCliNotifySink::~CCliNotifySink() = default;

void CCliNotifySink::SetSubsystemEventFunction(std::function<void(uintptr_t kind)> function)
{
    std::lock_guard<std::mutex> guard(lock_);
    subsystem_event_ = std::move(function);
}

void CCliNotifySink::Post(int offset, uintptr_t wparam, const std::string&)
{
    if (offset == kNotifyToolLog) {
        DrainToolLog();
    } else if (offset == kNotifySubsystemEvent) {
        std::function<void(uintptr_t)> function;
        {
            std::lock_guard<std::mutex> guard(lock_);
            function = subsystem_event_;
        }
        if (function) {
            function(wparam);
        }
    }
}

void CCliNotifySink::DrainToolLog()
{
    std::lock_guard<std::mutex> guard(lock_);
    SystemTime time;
    int32_t level = 0;
    std::string text;
    // Entries of levels that were not asked for are taken off too, so the queue never grows.
    while (CZovLogging::Instance().GetNextEntry(&time, &level, &text)) {
        if (level >= 1 && level <= 5 && levels_[level]) {
            // Frame texts end with the frame's carriage return; one entry stays one line.
            while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
                text.pop_back();
            }
            std::fprintf(stderr, "%02d:%02d:%02d.%03d %s\n", time.hour, time.minute, time.second,
                         time.milliseconds, text.c_str());
        }
    }
    std::fflush(stderr);
}

// ---- CCliSession ----

CCliSession::CCliSession(const CliOptions& options)
    : port_name_(options.port ? *options.port : AppSettings::GetComPort()),
      timeout_ms_(EffectiveTimeout(options.timeout_ms, AppSettings::GetCommandTimeout())),
      prompt_(options.yes),
      prompt_guard_(prompt_),
      sink_(options.trace),
      sink_guard_(sink_),
      instance_number_(DrawInstanceNumber())
{
}

CCliSession::~CCliSession()
{
    Disconnect();
    sink_.DrainToolLog();
    if (!run_settings_path_.empty()) {
        RemoveCleanup();
        CSettingsStore::SetFile(user_settings_path_);
        unlink(run_settings_path_.c_str());
        unlink((run_settings_path_ + ".lock").c_str());
        const size_t slash = run_settings_path_.rfind('/');
        rmdir(run_settings_path_.substr(0, slash).c_str());
    }
}

bool CCliSession::PrepareRunSettings()
{
    if (!run_settings_path_.empty()) {
        return true;
    }
    std::string folder = TempDir() + "/zovcli-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        CliError(Format("cannot create a folder in %s: %s", TempDir().c_str(), std::strerror(errno)));
        return false;
    }
    user_settings_path_ = CSettingsStore::FilePath();
    std::string content;
    if (!user_settings_path_.empty() &&
        ReadWholeFile(user_settings_path_, content) == ReadFileResult::Failed) {
        // Unreadable settings: the handler would use its defaults; so does this run.
        content.clear();
    }
    const std::string path = folder + "/ZOV tool.reg";
    InstallCleanup(path, folder);
    if (!WriteFileAtomically(path, content)) {
        CliError("cannot write the run's settings in " + folder);
        RemoveCleanup();
        rmdir(folder.c_str());
        return false;
    }
    run_settings_path_ = path;
    CSettingsStore::SetFile(path);
    if (!CSettingsStore::WriteString(AppSettings::kComPort, port_name_) ||
        !CSettingsStore::WriteDword(AppSettings::kCommandTimeout, timeout_ms_)) {
        CliError("cannot write the run's settings in " + folder);
        return false;
    }
    return true;
}

bool CheckPortUsable(const std::string& name, const SerialLineSettings& line)
{
    CSerialPort port;
    if (!port.Open(name)) {
        CliError(PortProblemText(CSerialPort::DevicePath(name), port.LastError(), false));
        return false;
    }
    if (!port.Configure(line)) {
        CliError(PortProblemText(port.Path(), port.LastError(), true));
        return false;
    }
    return true;
}

bool CCliSession::CheckPort() const
{
    return CheckPortUsable(port_name_, SerialLineSettings::RuntimeLink());
}

bool CCliSession::Connect(bool handle_events, CScriptEngine* engine)
{
    Disconnect();
    if (!PrepareRunSettings() || !CheckPort()) {
        return false;
    }
    handler_ = std::make_unique<CSerialCommHandler>(&instance_number_, handle_events, engine);
    if (port_failure_function_) {
        handler_->SetPortFailureFunction([function = port_failure_function_](const std::string&) { function(); });
        // A failure during the start-up exchange came before the function was there.
        if (handler_->PortFailed()) {
            port_failure_function_();
        }
    }
    if (!handler_->IsConnected() && !handler_->PortFailed()) {
        CliError("cannot open " + CSerialPort::DevicePath(port_name_) +
                 " (it opened a moment ago; is another program taking it?)");
        return false;
    }
    return true;
}

void CCliSession::Disconnect()
{
    handler_.reset();
}

void CCliSession::SetPortFailureFunction(std::function<void()> function)
{
    port_failure_function_ = std::move(function);
}

bool CCliSession::PortFailed() const
{
    return handler_ && handler_->PortFailed();
}

std::string CCliSession::PortFailureText() const
{
    const std::string reason = handler_ ? handler_->FailureText() : std::string();
    return "the link to the board failed: " + (reason.empty() ? port_name_ : reason) +
           " — the board or its cable went away";
}
