// Notifications to the main window. Core code on any thread posts them; the main window installs
// the one sink and removes it before it is destroyed. While no sink is installed the main window
// does not exist, and producers that only serve the window (protocol traces, status news) skip
// their work.
#pragma once

#include <cstdint>
#include <string>

// The notifications, by their offset from the first application message number.
enum NotifyCode : int {
    kNotifyConnection = 0,      // wparam: connected flag; text: connection detail
    kNotifyToolLog = 1,         // the tool log queue has entries
    kNotifyLoggingFlags = 2,    // wparam: the logging flags (kLog* bits)
    kNotifyViewCommands = 3,    // wparam: 1 enables, 0 disables the view commands
    kNotifySubsystemEvent = 4,  // wparam: kind 1, 2 or 3
};

// The connected flag of kNotifyConnection. A command handler and a boot link send only the first
// two; a view's link also says that it is coming up (its text is then the port's name).
constexpr uintptr_t kConnectionDisconnected = 0;
constexpr uintptr_t kConnectionConnected = 1;
constexpr uintptr_t kConnectionConnecting = 2;

// Bits of the logging flags that travel with kNotifyLoggingFlags.
constexpr uint32_t kLogWarnings = 1u << 0;
constexpr uint32_t kLogErrors = 1u << 1;
constexpr uint32_t kLogFrames = 1u << 2;
constexpr uint32_t kLogDebug = 1u << 3;
constexpr uint32_t kLogScript = 1u << 4;

class INotifySink {
public:
    virtual ~INotifySink() = default;
    // Called on the posting thread; must return quickly (queue the news for the window's thread).
    virtual void Post(int offset, uintptr_t wparam, const std::string& text) = 0;
};

namespace Notify {

// Installs the sink (replacing any other). Any thread.
void InstallSink(INotifySink* sink);
// Removes sink if it is the installed one; returns after every Post into it has returned.
void RemoveSink(INotifySink* sink);
// True while a sink is installed ("the main window exists").
bool HasSink();
// Hands the notification to the sink; false (and nothing happens) when none is installed.
bool Post(int offset, uintptr_t wparam = 0, const std::string& text = {});

}  // namespace Notify

// Installs a sink for the lifetime of the guard.
class CScopedNotifySink {
public:
    explicit CScopedNotifySink(INotifySink& sink) : sink_(sink) { Notify::InstallSink(&sink_); }
    ~CScopedNotifySink() { Notify::RemoveSink(&sink_); }
    CScopedNotifySink(const CScopedNotifySink&) = delete;
    CScopedNotifySink& operator=(const CScopedNotifySink&) = delete;

private:
    INotifySink& sink_;
};
