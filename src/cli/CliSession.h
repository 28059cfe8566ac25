// What every zovcli command that talks to the controller board shares: the run's port and
// command time-out (from --port and --timeout over the settings), the console prompt, zovcli's
// notification sink (it is this program's "main window", so protocol traces and script log lines
// are produced and reach --trace), a check of the port that explains in one line why it cannot
// be opened, and the command handler itself.
//
// One session per command run, on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/CliCommand.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"

class CScriptEngine;
class CSerialCommHandler;
struct SerialLineSettings;

// The time-out zovcli waits for a reply when neither --timeout nor the setting gives one: a
// command-line run must end, never wait without limit.
constexpr uint32_t kCliDefaultTimeoutMs = 5000;

// The command time-out of a run: the option when given and not 0, else the stored setting when
// present and limited, else kCliDefaultTimeoutMs.
uint32_t EffectiveTimeout(std::optional<uint32_t> option, std::optional<uint32_t> setting);

// The one-line reason why the port at path cannot be used, from the errno of the failed open or
// configuration, with a hint that helps an engineer fix it ("cannot open /dev/ttyUSB0: permission
// denied — is your user in the dialout group?").
std::string PortProblemText(const std::string& path, int error, bool configure_failed);

// Opens and configures the port named name with line settings as a check, then closes it again.
// False when it cannot be used; the reason (PortProblemText) has been printed in one line.
bool CheckPortUsable(const std::string& name, const SerialLineSettings& line);

// zovcli's notification sink: prints the tool log entries of the --trace levels on stderr and
// hands application log news (notification +4) to the command that follows the log.
class CCliNotifySink : public INotifySink {
public:
    // levels: letters of w, e, f, d, s.
    explicit CCliNotifySink(const std::string& levels);
    ~CCliNotifySink() override;

    // Receives the kind of each +4 notification (1: application log entries queued; 2 and 3:
    // subsystem failures). Called on the posting thread. Set it before the handler starts.
    void SetSubsystemEventFunction(std::function<void(uintptr_t kind)> function);

    void Post(int offset, uintptr_t wparam, const std::string& text) override;

    // Prints what the tool log queue still holds (the sink drains it on every +1 as well).
    void DrainToolLog();

private:
    std::mutex lock_;  // one drain at a time, so lines keep their order
    bool levels_[6] = {};
    std::function<void(uintptr_t)> subsystem_event_;
};

class CCliSession {
public:
    explicit CCliSession(const CliOptions& options);
    ~CCliSession();
    CCliSession(const CCliSession&) = delete;
    CCliSession& operator=(const CCliSession&) = delete;

    // The port name and command time-out of this run.
    const std::string& PortName() const { return port_name_; }
    uint32_t TimeoutMs() const { return timeout_ms_; }
    CCliNotifySink& Sink() { return sink_; }

    // Connects: checks the port (printing the reason when it cannot be used) and creates the
    // handler, with the script functions registered when engine is given. False when the port
    // did not open; the reason has been printed. An earlier handler is closed first.
    bool Connect(bool handle_events, CScriptEngine* engine);
    // Closes the handler (its threads are joined).
    void Disconnect();
    CSerialCommHandler& Handler() { return *handler_; }

    // Called when the port fails underneath (the board or its cable went away), on a thread of
    // the handler; possibly more than once for one failure. A command that holds the port sets
    // it before Connect to end what it is doing. Empty: nothing is called.
    void SetPortFailureFunction(std::function<void()> function);
    // True when the port of the connected handler failed underneath.
    bool PortFailed() const;
    // The one line that tells the port failure ("the link to the board failed: /tmp/zovsim:
    // Input/output error — the board or its cable went away"), without "zovcli: ".
    std::string PortFailureText() const;

private:
    bool CheckPort() const;
    // Points the settings store at a private copy of the user's settings that holds this run's
    // port and time-out, so the handler reads them as it always does and the user's file stays
    // as it is.
    bool PrepareRunSettings();

    std::string port_name_;
    uint32_t timeout_ms_ = kCliDefaultTimeoutMs;
    std::string run_settings_path_;
    std::string user_settings_path_;
    CConsolePrompt prompt_;
    CScopedPrompt prompt_guard_;
    CCliNotifySink sink_;
    CScopedNotifySink sink_guard_;
    uint16_t instance_number_ = 0;
    std::function<void()> port_failure_function_;
    std::unique_ptr<CSerialCommHandler> handler_;
};
