#include "handler/HandlerLink.h"

#include <cerrno>

#include "platform/Clock.h"
#include "platform/Notify.h"
#include "platform/SerialPort.h"
#include "shell/AppSettings.h"

CHandlerLink::CHandlerLink(uint16_t* instance_number, bool handle_events, CScriptEngine* engine)
    : handler_(std::make_unique<CSerialCommHandler>(instance_number, handle_events, engine, LinkOpening::ByOwner))
{
}

CHandlerLink::~CHandlerLink()
{
    Stop();
}

void CHandlerLink::SetStateFunction(StateFunction function)
{
    std::lock_guard<std::mutex> lock(lock_);
    if (state_function_set_) return;
    state_function_ = std::move(function);
    state_function_set_ = true;
}

void CHandlerLink::Start()
{
    if (worker_.IsAttached()) return;
    {
        // Coming up from now on, so that a caller that looks at once does not take the link
        // for one that is down; the worker announces the state as it begins.
        std::lock_guard<std::mutex> lock(lock_);
        state_ = LinkState::Connecting;
        detail_ = AppSettings::GetComPort();
    }
    idle_.Reset();
    if (!worker_.Start([this] {
            Worker();
            idle_.Set();
        })) {
        idle_.Set();
        SetState(LinkState::Disconnected, "no thread for the link");
    }
}

void CHandlerLink::Reconnect()
{
    if (!worker_.IsAttached()) {
        Start();
        return;
    }
    std::lock_guard<std::mutex> lock(lock_);
    reconnect_requested_ = true;
    wake_.Set();
    handler_->AbortConnection();
}

void CHandlerLink::Stop()
{
    {
        std::lock_guard<std::mutex> lock(lock_);
        stop_requested_ = true;
        wake_.Set();
        handler_->AbortConnection();
    }
    worker_.Join();
    {
        std::lock_guard<std::mutex> lock(lock_);
        stop_requested_ = false;
        reconnect_requested_ = false;
        wake_.Reset();
        handler_->ClearAbort();
    }
}

CHandlerLink::LinkState CHandlerLink::State() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return state_;
}

std::string CHandlerLink::StateDetail() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return detail_;
}

std::string CHandlerLink::StateText() const
{
    std::lock_guard<std::mutex> lock(lock_);
    switch (state_) {
    case LinkState::Connecting: return "Connecting to " + detail_ + "...";
    case LinkState::Connected: return "Connected";
    case LinkState::Disconnected: break;
    }
    return detail_.empty() ? "Disconnected" : "Disconnected: " + detail_;
}

bool CHandlerLink::WaitConnected(uint32_t timeout_ms, const CEvent* stop)
{
    // Waiting on an event changes nothing about it; the waits only need it writable.
    CEvent* events[] = {&connected_, &idle_, const_cast<CEvent*>(stop)};
    return WaitForAnyEvent(events, stop != nullptr ? 3 : 2, timeout_ms) == 0;
}

// ---------------------------------------------------------------------------------------------
// The worker

void CHandlerLink::Worker()
{
    // A first connection and one the engineer asked for tell the engineer when the port does not
    // open; the quiet attempts of a link that comes back by itself do not.
    bool asked_for = true;
    while (!StopRequested()) {
        const bool up = Connect(asked_for);
        if (StopRequested()) break;
        if (up) {
            SetState(LinkState::Connected, handler_->PortName());
            StayConnected();
            if (StopRequested()) break;
        }
        if (TakeReconnectRequest()) {
            handler_->CloseComPort();
            asked_for = true;
            continue;
        }
        const std::string reason = handler_->FailureText();
        handler_->CloseComPort();
        SetState(LinkState::Disconnected, reason);
        if (!WatchForDevice()) break;
        asked_for = TakeReconnectRequest();
    }
    handler_->CloseComPort();
    SetState(LinkState::Disconnected, "");
}

bool CHandlerLink::Connect(bool asked_for)
{
    {
        // Under the lock, so that a Stop or Reconnect either comes before (and is seen here) or
        // after (and aborts the attempt that starts now).
        std::lock_guard<std::mutex> lock(lock_);
        if (stop_requested_) return false;
        reconnect_requested_ = false;
        wake_.Reset();
        handler_->ClearAbort();
    }
    SetState(LinkState::Connecting, AppSettings::GetComPort());
    const bool opened = asked_for ? handler_->OpenComPort() : handler_->ReopenComPort();
    return opened && !handler_->PortFailed() && !handler_->IsAborted();
}

void CHandlerLink::StayConnected()
{
    CEvent* events[] = {&wake_, &handler_->PortFailedEvent()};
    WaitForAnyEvent(events, 2, kInfinite);
}

bool CHandlerLink::WatchForDevice()
{
    const std::string name = AppSettings::GetComPort();
    // A device that was missing at the failed attempt is tried as soon as it is there, even when
    // it appeared before this watch began.
    const int error = handler_->FailureError();
    bool was_absent = error == ENOENT || error == ENODEV || error == ENXIO || !CSerialPort::DeviceExists(name);
    const uint64_t failed_at = MonotonicMs();
    for (;;) {
        if (wake_.Wait(kPresencePollMs)) return !StopRequested();
        if (!CSerialPort::DeviceExists(name)) {
            was_absent = true;
            continue;
        }
        // A device that comes back is tried at once; one that stayed (busy, refused) now and then.
        if (was_absent || MonotonicMs() - failed_at >= kPresentRetryMs) return true;
    }
}

bool CHandlerLink::TakeReconnectRequest()
{
    std::lock_guard<std::mutex> lock(lock_);
    const bool requested = reconnect_requested_;
    reconnect_requested_ = false;
    return requested;
}

bool CHandlerLink::StopRequested() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return stop_requested_;
}

void CHandlerLink::SetState(LinkState state, const std::string& detail)
{
    StateFunction function;
    std::string text;
    {
        std::lock_guard<std::mutex> lock(lock_);
        state_ = state;
        detail_ = detail;
        function = state_function_;
    }
    // A waiter released by the connected event finds the change told everywhere already.
    if (state != LinkState::Connected) connected_.Reset();
    const uintptr_t flag = state == LinkState::Connected    ? kConnectionConnected
                           : state == LinkState::Connecting ? kConnectionConnecting
                                                            : kConnectionDisconnected;
    Notify::Post(kNotifyConnection, flag, detail);
    if (function) function(state, StateText());
    if (state == LinkState::Connected) connected_.Set();
}
