#include "handler/SerialCommHandler.h"

#include <cctype>
#include <cstdlib>

#include "handler/ScriptFunctions.h"
#include "link/LinkResult.h"
#include "link/MessageApi.h"
#include "logging/ZovLogging.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Notify.h"
#include "platform/NumberReader.h"
#include "platform/Prompt.h"
#include "platform/SerialPort.h"
#include "script/ScriptEngine.h"
#include "shell/AppSettings.h"

namespace {

constexpr int kOpenAttempts = 5;
constexpr uint32_t kOpenRetryPauseMs = 500;
constexpr uint32_t kThreadStopLimitMs = 10000;
constexpr uint32_t kStartApplicationTimeoutMs = 500;
// A request text holds at most this many bytes; the link refuses anything above 279.
constexpr size_t kMaxRequestBytes = 280;

constexpr uint32_t kLinkOk = 0;
constexpr uint32_t kLinkHardwareError = 2;
constexpr uint32_t kLinkCommunicationError = 3;
constexpr uint32_t kLinkTimeout = 4;
constexpr uint32_t kLinkIncorrectArgument = 5;

// A text that travels inside a frame: printable 7-bit ASCII without the frame's start character.
// A carriage return would end the frame early and a "$" start a new one inside it; other control
// characters and 8-bit bytes do not survive the 7-bit line unchanged.
bool IsFrameSafe(const std::string& text)
{
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '$') return false;
    }
    return true;
}

const char kPortNotOpenedText[] =
    "COM port could not be opened.\r\nSelect View->Preferences to change the COM port.";
const char kResetLogFailedText[] = "Resetting log failed.";

// All handlers share one message number; two handlers may advance it from different threads, so
// it has one process-wide lock besides each handler's request lock.
std::mutex g_message_number_lock;


}  // namespace

CSerialCommHandler::CSerialCommHandler(uint16_t* message_number, bool handle_events, CScriptEngine* engine,
                                       LinkOpening opening)
    : message_number_(message_number ? message_number : &own_message_number_),
      opening_(opening),
      handle_events_(handle_events),
      engine_(engine),
      dev0_table_(CDev0ParamTable::AcquireInstance()),
      dev1_table_(CDev1ParamTable::AcquireInstance())
{
    const std::optional<uint32_t> timeout = AppSettings::GetCommandTimeout();
    command_timeout_ = timeout && *timeout != 0 ? *timeout : kInfinite;
    if (engine_ != nullptr) {
        RegisterScriptFunctions(*engine_, *this);
    }
    if (opening_ == LinkOpening::AtConstruction) OpenComPort();
}

CSerialCommHandler::~CSerialCommHandler()
{
    CloseComPort();
    {
        std::lock_guard<std::mutex> lock(pending_lock_);
        pending_commands_.clear();
    }
    CDev0ParamTable::ReleaseInstance();
    CDev1ParamTable::ReleaseInstance();
}

bool CSerialCommHandler::OpenComPort()
{
    return OpenLink(kOpenAttempts, true);
}

bool CSerialCommHandler::ReopenComPort()
{
    return OpenLink(1, false);
}

bool CSerialCommHandler::OpenPortWithRetries(CSerialPort& port, const std::string& name, int attempts)
{
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        if (abort_event_.IsSet()) return false;
        if (port.Open(name)) return true;
        if (attempt < attempts && SleepMsUnlessSet(kOpenRetryPauseMs, abort_event_)) return false;
    }
    return false;
}

bool CSerialCommHandler::OpenLink(int attempts, bool tell_engineer)
{
    if (port_) CloseComPort();
    port_failed_event_.Reset();
    SetFailure("", 0);

    const std::string name = AppSettings::GetComPort();
    auto port = std::make_unique<CSerialPort>();
    if (!OpenPortWithRetries(*port, name, attempts)) {
        if (abort_event_.IsSet()) return false;
        SetFailure(name + ": " + port->LastErrorText(), port->LastError());
        if (tell_engineer) ShowMessage(kPortNotOpenedText, PromptIcon::Warning);
        return false;
    }

    int init = 0;
    {
        std::lock_guard<std::mutex> lock(port_handle_lock_);
        port_ = std::move(port);
        port_name_ = name;
        init = ZelSpInit(port_.get());
        if (init == 0) {
            stop_event_.Reset();
            receive_stop_event_.Reset();
            receive_thread_.Start([this] { ReceiveThread(); });
            event_thread_.Start([this] { EventThread(); });
            dcm_thread_.Start([this] { DcmThread(); });
        } else {
            SetFailure(name + ": " + port_->LastErrorText(), port_->LastError());
        }
        port_open_ = true;
        // An abort that came while the port was being opened missed the link; it applies now.
        if (abort_event_.IsSet()) {
            stop_event_.Set();
            if (init == 0) ZelSpAbort(port_.get());
        }
    }
    PostConnection(1, port_name_);
    acknowledged_ = false;
    StartUpCommands();
    if (init == 0 && !acknowledged_ && !abort_event_.IsSet() && !port_failed_event_.IsSet()) {
        SetFailure(name + ": the controller board does not answer", 0);
        return false;
    }
    return init == 0;
}

void CSerialCommHandler::StartUpCommands()
{
    uint32_t result_code = kNoResultCode;
    if (!ZelCmdStartApplication(&result_code, kStartApplicationTimeoutMs) && !abort_event_.IsSet())
        ZelCmdStartApplication(&result_code);
    if (handle_events_ && !abort_event_.IsSet() && !ZelCmdResetLog(&result_code) && !abort_event_.IsSet())
        ShowMessage(kResetLogFailedText, PromptIcon::Warning);
}

void CSerialCommHandler::CloseComPort()
{
    if (!port_) return;

    // Every wait inside the threads, and of requests on other threads, ends at once: the stop
    // event wakes the handler's own waits, the link's abort its reads and acknowledgement waits.
    // Nothing is left half done that matters: the receive thread acknowledges every frame as it
    // reads it, before the message is passed on.
    stop_event_.Set();
    receive_stop_event_.Set();
    {
        std::lock_guard<std::mutex> lock(port_handle_lock_);
        ZelSpAbort(port_.get());
    }
    const uint64_t deadline = MonotonicMs() + kThreadStopLimitMs;
    const auto wait_until_deadline = [deadline](CThread& thread) {
        const uint64_t now = MonotonicMs();
        thread.WaitForEnd(now < deadline ? static_cast<uint32_t>(deadline - now) : 0);
    };
    wait_until_deadline(event_thread_);
    wait_until_deadline(dcm_thread_);
    wait_until_deadline(receive_thread_);
    // Every wait inside the threads ends on the stop event, so the joins return; a thread is
    // never left running with the handler gone.
    receive_thread_.Join();
    event_thread_.Join();
    dcm_thread_.Join();

    // A request that was woken by the stop event leaves before the link goes.
    std::lock_guard<std::mutex> request(request_lock_);
    port_open_ = false;
    ZelSpClose(port_.get());
    // The port is closed whatever the link says: left open, the exclusive port would stay locked
    // for every later open until the handler is destroyed.
    port_->Close();
    {
        std::lock_guard<std::mutex> lock(port_handle_lock_);
        port_.reset();
    }
    PostConnection(0, "");
}

void CSerialCommHandler::PostConnection(uintptr_t connected, const std::string& text) const
{
    // An owner that opens the link reports its state itself, with more than two states.
    if (opening_ == LinkOpening::AtConstruction) Notify::Post(kNotifyConnection, connected, text);
}

void CSerialCommHandler::AbortConnection()
{
    std::lock_guard<std::mutex> lock(port_handle_lock_);
    abort_event_.Set();
    stop_event_.Set();
    if (port_) ZelSpAbort(port_.get());
}

void CSerialCommHandler::ClearAbort()
{
    abort_event_.Reset();
}

bool CSerialCommHandler::IsAborted() const
{
    return abort_event_.IsSet();
}

bool CSerialCommHandler::PortFailed() const
{
    return port_failed_event_.IsSet();
}

std::string CSerialCommHandler::FailureText() const
{
    std::lock_guard<std::mutex> lock(failure_lock_);
    return failure_text_;
}

int CSerialCommHandler::FailureError() const
{
    std::lock_guard<std::mutex> lock(failure_lock_);
    return failure_error_;
}

void CSerialCommHandler::SetFailure(const std::string& text, int error)
{
    std::lock_guard<std::mutex> lock(failure_lock_);
    failure_text_ = text;
    failure_error_ = error;
}

void CSerialCommHandler::SetPortFailureFunction(PortFailureFunction function)
{
    std::lock_guard<std::mutex> lock(failure_lock_);
    port_failure_function_ = std::move(function);
}

// The receive thread's last act on a port that failed underneath. A failed port never comes
// back (a USB adapter plugged in again is a new device), so the link is down for good: every
// request, now and later, ends at once instead of failing on the dead port one by one.
void CSerialCommHandler::ReportPortFailure()
{
    const int error = port_->LastError();
    const std::string reason =
        port_name_ + ": " + (error != 0 ? port_->LastErrorText() : std::string("the port failed"));
    PortFailureFunction function;
    {
        std::lock_guard<std::mutex> lock(failure_lock_);
        failure_text_ = reason;
        failure_error_ = error;
        function = port_failure_function_;
    }
    port_open_ = false;
    stop_event_.Set();
    LogZelError("CSerialCommHandler", ("the port failed, the link is down: " + reason).c_str());
    port_failed_event_.Set();
    if (function) function(reason);
}

void CSerialCommHandler::StopRequests()
{
    requests_stopped_.Set();
}

void CSerialCommHandler::ResumeRequests()
{
    requests_stopped_.Reset();
}

bool CSerialCommHandler::IsConnected() const
{
    return port_open_;
}

std::string CSerialCommHandler::PortName() const
{
    return port_name_;
}

// ---------------------------------------------------------------------------------------------
// Requests

uint16_t CSerialCommHandler::TakeMessageId()
{
    std::lock_guard<std::mutex> lock(g_message_number_lock);
    const uint16_t id = *message_number_;
    // Message IDs stay below 32766; a larger shared number (the drawn instance number may be
    // one) is used once and then wraps.
    *message_number_ = static_cast<uint16_t>(((static_cast<uint32_t>(id) + 1) % 65536) % 32766);
    return id;
}

std::string CSerialCommHandler::BuildRequestText(RequestKind kind, uint16_t message_id, const CArgArray& in) const
{
    std::string text = Format(kind == RequestKind::Read ? "r 0x%04x 0x%04x 0x%02x" : "w 0x%04x 0x%04x 0x%02x",
                              message_id, in.GetArgUlong(0), in.GetArgUlong(1));
    if (kind == RequestKind::Write) {
        for (size_t i = 2; i < in.NumOfArgs(); ++i) {
            const std::string value = in.GetArgString(i);
            text += ' ';
            text += value == "True" ? "0x01" : value == "False" ? "0x00" : value;
        }
    }
    // A text that does not fit stays over the link's limit, so the link refuses it whole
    // rather than sending a cut-off request.
    if (text.size() > kMaxRequestBytes) text.resize(kMaxRequestBytes);
    return text;
}

bool CSerialCommHandler::WriteValuesAreFrameSafe(const CArgArray& in)
{
    for (size_t i = 2; i < in.NumOfArgs(); ++i) {
        if (!IsFrameSafe(in.GetArgString(i))) return false;
    }
    return true;
}

// The link serves one whole send at a time, so a DCM answer and a request never mix frames.
int CSerialCommHandler::SendText(const std::string& text)
{
    return ZelSpSendMessage(port_.get(), text.c_str());
}

tagPendingCommand* CSerialCommHandler::AddPendingCommand(uint16_t message_id)
{
    auto record = std::make_unique<tagPendingCommand>();
    record->message_id = message_id;
    tagPendingCommand* raw = record.get();
    std::lock_guard<std::mutex> lock(pending_lock_);
    pending_commands_.push_back(std::move(record));
    return raw;
}

// By record, not by message ID: an unanswered no-wait request may carry the same ID after the
// numbers have wrapped.
void CSerialCommHandler::RemovePendingCommand(const tagPendingCommand* record)
{
    std::lock_guard<std::mutex> lock(pending_lock_);
    for (auto it = pending_commands_.begin(); it != pending_commands_.end(); ++it) {
        if (it->get() == record) {
            pending_commands_.erase(it);
            return;
        }
    }
}

int CSerialCommHandler::Request(RequestKind kind, const CArgArray& in, CArgArray& out, std::string& result_text,
                                uint32_t timeout_ms, bool wait)
{
    std::lock_guard<std::mutex> request(request_lock_);
    out.RemoveAll();
    if (!port_open_ || abort_event_.IsSet() || requests_stopped_.IsSet()) {
        out.Append(int32_t{0});
        out.Append(kLinkCommunicationError);
        result_text = GetResultText(kLinkCommunicationError);
        return 0;
    }

    if (kind == RequestKind::Write && !WriteValuesAreFrameSafe(in)) {
        // Refused before anything is sent (and before a message ID is used up).
        out.Append(int32_t{0});
        out.Append(kLinkIncorrectArgument);
        result_text = GetResultText(kLinkIncorrectArgument);
        return 0;
    }
    const uint16_t message_id = TakeMessageId();
    const std::string text = BuildRequestText(kind, message_id, in);
    tagPendingCommand* record = AddPendingCommand(message_id);
    uint32_t status = static_cast<uint32_t>(SendText(text));
    if (status == kLinkOk) acknowledged_ = true;
    // A send cut short by a close or an abort was not refused by the board: the link went.
    if (status != kLinkOk && (stop_event_.IsSet() || abort_event_.IsSet())) status = kLinkCommunicationError;

    if (!wait) {
        out.Append(int32_t{status == kLinkOk ? 1 : 0});
        out.Append(status);
        result_text = status == kLinkOk ? "OK" : GetResultText(status);
        return status == kLinkOk ? 1 : 0;
    }

    std::string reply;
    bool has_reply = false;
    last_reply_timed_out_ = false;
    if (status == kLinkOk) {
        // Closing the link, and a stop of the script that made the request, end the wait too:
        // with no command timeout configured nothing else would.
        // The engine's stop event stays set after the stopped script has ended, until the next
        // run; only while a script runs does it speak of the request's maker.
        const bool script_running = engine_ != nullptr && engine_->IsRunning();
        CEvent* events[] = {&record->reply_event, &stop_event_, &abort_event_, &requests_stopped_,
                            script_running ? &engine_->StopEvent() : nullptr};
        const int woken = WaitForAnyEvent(events, script_running ? 5 : 4, timeout_ms);
        if (woken == 0) {
            std::lock_guard<std::mutex> lock(pending_lock_);
            reply = record->reply;
            has_reply = true;
        } else if (woken > 0) {
            // The link is being closed or the script stopped: no answer will be taken.
            status = kLinkCommunicationError;
        } else if (woken == kWaitTimeout) {
            status = kLinkTimeout;
            last_reply_timed_out_ = true;
        } else {
            status = kLinkHardwareError;
        }
    }
    if (has_reply)
        LogScriptText(Format(kind == RequestKind::Read ? "ZELSP_Read=>OK: %s" : "ZELSP_Write=>OK: %s", reply.c_str()));

    RemovePendingCommand(record);

    const int function_result = status == kLinkOk ? 1 : 0;
    out.Append(int32_t{function_result});
    out.Append(status);
    ParseReply(reply, out);
    result_text = status == kLinkOk ? reply : GetResultText(status);
    return function_result;
}

int CSerialCommHandler::ZELSP_Read(const CArgArray& in, CArgArray& out, std::string& result_text)
{
    return Request(RequestKind::Read, in, out, result_text, command_timeout_, true);
}

int CSerialCommHandler::ZELSP_Read(const CArgArray& in, CArgArray& out, std::string& result_text,
                                   uint32_t timeout_ms)
{
    return Request(RequestKind::Read, in, out, result_text, timeout_ms, true);
}

int CSerialCommHandler::ZELSP_Write(const CArgArray& in, CArgArray& out, std::string& result_text)
{
    return Request(RequestKind::Write, in, out, result_text, command_timeout_, true);
}

int CSerialCommHandler::ZELSP_Write(const CArgArray& in, CArgArray& out, std::string& result_text,
                                    uint32_t timeout_ms)
{
    return Request(RequestKind::Write, in, out, result_text, timeout_ms, true);
}

int CSerialCommHandler::ZELSP_ReadNoWait(const CArgArray& in, CArgArray& out, std::string& result_text)
{
    return Request(RequestKind::Read, in, out, result_text, 0, false);
}

int CSerialCommHandler::ZELSP_WriteNoWait(const CArgArray& in, CArgArray& out, std::string& result_text)
{
    return Request(RequestKind::Write, in, out, result_text, 0, false);
}

int CSerialCommHandler::ZELSP_GetCommandResult(CArgArray& out, std::string& result_text)
{
    // The request lock keeps a second collector from removing a record this one waits for.
    std::lock_guard<std::mutex> request(request_lock_);
    out.RemoveAll();
    std::unique_lock<std::mutex> lock(pending_lock_);
    if (!port_open_ || abort_event_.IsSet() || pending_commands_.empty()) {
        out.Append(int32_t{0});
        out.Append(kLinkCommunicationError);
        result_text = GetResultText(kLinkCommunicationError);
        return 0;
    }

    uint32_t status = kLinkOk;
    std::string reply;
    auto answered = pending_commands_.begin();
    while (answered != pending_commands_.end() && !(*answered)->has_reply) ++answered;
    if (answered != pending_commands_.end()) {
        reply = (*answered)->reply;
        result_text = "OK: " + reply;
        pending_commands_.erase(answered);
    } else {
        std::vector<CEvent*> events;
        for (const auto& record : pending_commands_) events.push_back(&record->reply_event);
        const size_t reply_events = events.size();
        // Closing the link and stopping the script wake the wait too, as long as their events
        // fit in the wait.
        if (events.size() < kMaxWaitObjects) events.push_back(&stop_event_);
        if (events.size() < kMaxWaitObjects) events.push_back(&abort_event_);
        if (events.size() < kMaxWaitObjects) events.push_back(&requests_stopped_);
        if (engine_ && engine_->IsRunning() && events.size() < kMaxWaitObjects)
            events.push_back(&engine_->StopEvent());
        lock.unlock();
        const int woken = WaitForAnyEvent(events, command_timeout_);
        lock.lock();
        if (woken == kWaitTimeout) {
            status = kLinkCommunicationError;
            result_text = "Command timeout";
        } else if (woken >= 0 && static_cast<size_t>(woken) < reply_events) {
            // Only this thread removes records (under the request lock), so the event still
            // belongs to a listed record.
            for (auto it = pending_commands_.begin(); it != pending_commands_.end(); ++it) {
                if (&(*it)->reply_event == events[static_cast<size_t>(woken)]) {
                    reply = (*it)->reply;
                    pending_commands_.erase(it);
                    break;
                }
            }
            result_text = reply;
        } else if (woken >= 0) {
            status = kLinkCommunicationError;
            result_text = GetResultText(status);
        } else {
            status = kLinkHardwareError;
            result_text = GetResultText(status);
        }
    }
    lock.unlock();

    const int function_result = status == kLinkOk ? 1 : 0;
    out.Append(int32_t{function_result});
    out.Append(status);
    ParseReply(reply, out);
    return function_result;
}

int CSerialCommHandler::DcmSend(const std::string& text, bool arguments_ok)
{
    std::lock_guard<std::mutex> request(request_lock_);
    uint32_t status = kLinkOk;
    if (!port_open_ || abort_event_.IsSet()) {
        status = kLinkCommunicationError;
    } else if (!arguments_ok) {
        status = kLinkIncorrectArgument;
    } else {
        std::string message = text;
        if (message.size() > kMaxRequestBytes) message.resize(kMaxRequestBytes);
        status = static_cast<uint32_t>(SendText(message));
    }
    SetLastResultText(status == kLinkOk ? "OK" : GetResultText(status));
    return status == kLinkOk ? 1 : 0;
}

int CSerialCommHandler::DCM_LineInput(uint32_t line, uint32_t state_transition)
{
    const bool ok = line >= 1 && line <= 128 && state_transition <= 2;
    return DcmSend(Format("DI 0x%02x 0x%02x", line, state_transition), ok);
}

int CSerialCommHandler::DCM_UICommand(const std::string& text)
{
    return DcmSend(Format("DUI %s", text.c_str()), IsFrameSafe(text));
}

bool CSerialCommHandler::IsRequestOk(int function_result, const CArgArray& out)
{
    // A result code that is no number (a garbled reply) is no acceptance.
    return function_result == 1 && out.NumOfArgs() >= 5 && out.GetArgUlong(1) == 0 && out.IsNumericArg(4) &&
           out.GetArgUlong(4) == 0;
}

std::string CSerialCommHandler::GetResultText(uint32_t link_status)
{
    switch (link_status) {
    case 0: return "OK";
    case 1: return "ZELSP: Not enough memory";
    case 2: return "ZELSP: Hardware error";
    case 3: return "ZELSP: Communication error";
    case 4: return "ZELSP: Communication timeout";
    case 5: return "ZELSP: Incorrect argument";
    case 6: return "ZELSP: System call error";
    default: return "ZELSP: Unknown error";
    }
}

void CSerialCommHandler::ParseReply(const std::string& reply, CArgArray& out)
{
    const char* separators = " \t\r\n";
    size_t pos = 0;
    for (int token = 0; token < 3; ++token) {
        const size_t start = reply.find_first_not_of(separators, pos);
        if (start == std::string::npos) return;
        const size_t end = reply.find_first_of(separators, start);
        out.Append(reply.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return;
        pos = end + 1;
    }
    const size_t rest = reply.find_first_not_of(' ', pos);
    if (rest != std::string::npos) out.Append(reply.substr(rest));
}

std::string CSerialCommHandler::GetLastResultText() const
{
    std::lock_guard<std::mutex> lock(last_result_lock_);
    return last_result_text_;
}

void CSerialCommHandler::SetLastResultText(const std::string& text)
{
    std::lock_guard<std::mutex> lock(last_result_lock_);
    last_result_text_ = text;
}

// ---------------------------------------------------------------------------------------------
// Threads

void CSerialCommHandler::ReceiveThread()
{
    char buffer[kZelSpReceiveBufferSize];
    for (;;) {
        char first = 0;
        const int result = ZelSpReceiveMessage(port_.get(), buffer, &first);
        if (result == 0) {
            buffer[kZelSpReceiveBufferSize - 1] = '\0';
            HandleMessage(buffer, first);
        }
        if (receive_stop_event_.IsSet() || abort_event_.IsSet()) return;
        // Besides a close under the reader (ruled out above) the link reports a hardware error
        // only for a port that failed underneath.
        if (result == kZelHardwareError) {
            ReportPortFailure();
            return;
        }
    }
}

void CSerialCommHandler::HandleMessage(const std::string& message, char first)
{
    switch (first) {
    case 'c':
    case 'C': {
        // A reply without a readable ID answers no request; taken as ID 0 it could complete the
        // wrong one.
        const std::optional<uint32_t> read_id = ReadUnsigned32(std::string_view(message).substr(1));
        if (!read_id) return;
        const uint16_t id = static_cast<uint16_t>(*read_id);
        std::lock_guard<std::mutex> lock(pending_lock_);
        for (const auto& record : pending_commands_) {
            if (record->message_id == id && !record->has_reply) {
                record->reply = message;
                record->has_reply = true;
                record->reply_event.Set();
                return;
            }
        }
        return;  // a reply nobody waits for any more
    }
    case 'd':
    case 'D': {
        std::lock_guard<std::mutex> lock(dcm_lock_);
        dcm_queue_.push_back(message);
        dcm_queued_.Set();
        return;
    }
    case 'e':
    case 'E': {
        if (!handle_events_) return;
        const uint32_t number = message.size() > 2 ? ReadUnsigned32(std::string_view(message).substr(2)).value_or(0) : 0;
        std::lock_guard<std::mutex> lock(event_lock_);
        event_queue_.push_back(number);
        event_queued_.Set();
        return;
    }
    default:
        return;
    }
}

void CSerialCommHandler::EventThread()
{
    // The stop event comes first so that it wins when both are set.
    CEvent* events[] = {&stop_event_, &event_queued_};
    while (WaitForAnyEvent(events, 2, kInfinite) == 1) {
        for (;;) {
            uint32_t number = 0;
            {
                std::lock_guard<std::mutex> lock(event_lock_);
                if (event_queue_.empty()) break;
                number = event_queue_.front();
                event_queue_.pop_front();
            }
            if (stop_event_.IsSet()) return;
            switch (number) {
            case 1: ReadApplicationLog(); break;
            case 2: Notify::Post(kNotifySubsystemEvent, 2); break;
            case 3: Notify::Post(kNotifySubsystemEvent, 3); break;
            default: break;
            }
        }
    }
}

void CSerialCommHandler::DcmThread()
{
    CEvent* events[] = {&stop_event_, &dcm_queued_};
    while (WaitForAnyEvent(events, 2, kInfinite) == 1) {
        for (;;) {
            std::string message;
            {
                std::lock_guard<std::mutex> lock(dcm_lock_);
                if (dcm_queue_.empty()) break;
                message = std::move(dcm_queue_.front());
                dcm_queue_.pop_front();
            }
            if (stop_event_.IsSet()) return;
            for (char& c : message) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            // No request lock: the answer must go out while a request waits for its reply.
            SendText(message.compare(0, 9, "DS WHOAMI") == 0 ? "DR 0x80 0x80" : "DR OK");
        }
    }
}
