// The link of a window view to the controller board: one command handler whose connection comes
// up, goes down and comes back on a worker thread of its own, so that no construction, start-up
// exchange or silent board ever blocks the thread that owns the view.
//
// The handler exists from the link's construction to its destruction and is always the same
// object, so dialogs, the buffers overview and script functions may keep a reference to it
// across reconnects. While the link is not up every request through it fails at once (link
// status 3, "ZELSP: Communication error"); it never hangs and never reports success.
//
// States: Connecting (the port is being opened and the start-up commands sent), Connected, and
// Disconnected (not started, stopped, the port could not be opened, or the port failed
// underneath). While Disconnected after a failure the worker looks a few times a second whether
// the device is there again and reconnects by itself once it is; it never spins.
//
// Every state change is posted to the main window (notification +0: connected flag
// kConnectionConnecting, kConnectionConnected or kConnectionDisconnected with the state text's
// detail) and handed to the state function.
//
// Threads: construct, Start, Reconnect, Stop and destroy on the owner's thread; State,
// StateText and WaitConnected on any thread. The state function runs on the worker thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "handler/SerialCommHandler.h"
#include "platform/Event.h"
#include "platform/Thread.h"

class CScriptEngine;

class CHandlerLink {
public:
    enum class LinkState { Connecting, Connected, Disconnected };
    // Told of every change of state, with the new state and its text (StateText()).
    using StateFunction = std::function<void(LinkState state, const std::string& text)>;

    // How often the worker looks for a device that went away, and how long it waits before it
    // tries a device again that is there but could not be opened.
    static constexpr uint32_t kPresencePollMs = 250;
    static constexpr uint32_t kPresentRetryMs = 2000;

    // Creates the handler at once without opening the port (no traffic, no waiting); with an
    // engine the script functions are registered now. instance_number must outlive the link.
    CHandlerLink(uint16_t* instance_number, bool handle_events, CScriptEngine* engine);
    // Stops the link (Stop).
    ~CHandlerLink();
    CHandlerLink(const CHandlerLink&) = delete;
    CHandlerLink& operator=(const CHandlerLink&) = delete;

    // The link's handler, valid and the same for the link's whole life.
    CSerialCommHandler& Handler() { return *handler_; }

    // Installs the state function; only the first call takes effect. Set it before Start.
    void SetStateFunction(StateFunction function);

    // Connects on the worker: opens the port named by "COM port" (5 attempts 500 ms apart; the
    // box "COM port could not be opened..." when all fail), then sends ZelCmdStartApplication
    // and, with handle_events, ZelCmdResetLog, with their messages. No effect while started.
    void Start();
    // Ends whatever the link is doing, closes it and connects again as Start does (Start when
    // the link was not started).
    void Reconnect();
    // Ends any attempt at once, closes the link and joins the worker. Bounded: no wait on the
    // board. The link is Disconnected afterwards, and Start may bring it up again.
    void Stop();

    LinkState State() const;
    // "Connecting to COM1...", "Connected", "Disconnected" or "Disconnected: " and the reason
    // ("Disconnected: COM1: Input/output error").
    std::string StateText() const;
    // The detail of the state for the status bar: the port name when connecting or connected,
    // the reason (may be empty) when disconnected.
    std::string StateDetail() const;
    // Waits up to timeout_ms (kInfinite: no limit) until the link is Connected; true when it is.
    // Ends early, false, when stop (a manual-reset event, may be null) is set or the link is not
    // started.
    bool WaitConnected(uint32_t timeout_ms, const CEvent* stop);

private:
    void Worker();
    // One attempt to bring the link up; false when the link is to end (Stop).
    bool Connect(bool first);
    // Waits while the link is up; returns when the port failed, a reconnect or a stop came.
    void StayConnected();
    // Waits while the link is down until the device is worth another attempt; false on stop.
    bool WatchForDevice();
    // True (and the command taken) when a reconnect or a stop has been asked for.
    bool TakeReconnectRequest();
    bool StopRequested() const;
    void SetState(LinkState state, const std::string& detail);

    std::unique_ptr<CSerialCommHandler> handler_;

    mutable std::mutex lock_;
    LinkState state_ = LinkState::Disconnected;  // guarded by lock_
    std::string detail_;                         // guarded by lock_
    bool stop_requested_ = false;                // guarded by lock_
    bool reconnect_requested_ = false;           // guarded by lock_
    StateFunction state_function_;               // guarded by lock_, set once
    bool state_function_set_ = false;            // guarded by lock_

    // Wakes the worker for a reconnect or a stop.
    CEvent wake_{CEvent::Kind::ManualReset};
    // Set while the link is Connected, for WaitConnected.
    CEvent connected_{CEvent::Kind::ManualReset};
    // Set while no worker runs (WaitConnected gives up).
    CEvent idle_{CEvent::Kind::ManualReset, true};
    CThread worker_;
};
