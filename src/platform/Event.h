// Events in the style the protocol layers are written against: manual-reset events stay set until
// reset, auto-reset events release one waiter and reset themselves. A thread can wait for one
// event or for the first of up to kMaxWaitObjects events. Manual-reset events also expose a file
// descriptor that is readable while they are set, so that a thread can wait in poll() for a port
// and a stop event together.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// Timeout value that waits without limit.
constexpr uint32_t kInfinite = 0xFFFFFFFF;

// The most events one WaitForAnyEvent call can watch.
constexpr size_t kMaxWaitObjects = 64;

// Results of the waits below (besides the index of a signalled event).
constexpr int kWaitTimeout = -1;
constexpr int kWaitFailed = -2;

class CEvent {
public:
    enum class Kind { ManualReset, AutoReset };

    // Creates the event, set or not. Never fails; a manual-reset event whose descriptor could not
    // be made still works for waits, only PollFd() then returns -1.
    explicit CEvent(Kind kind, bool initially_set = false);
    ~CEvent();
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    // Any thread. Sets the event and wakes its waiters (an auto-reset event releases one).
    void Set();
    // Any thread. Clears the event.
    void Reset();
    // Any thread. True while set; does not consume an auto-reset event.
    bool IsSet() const;
    // Waits up to timeout_ms (kInfinite: no limit) for the event. True when it was signalled
    // (an auto-reset event is then consumed), false on time-out.
    bool Wait(uint32_t timeout_ms);

    // A descriptor that poll() reports readable while a manual-reset event is set; -1 for an
    // auto-reset event. Owned by the event.
    int PollFd() const { return fd_; }

private:
    friend int WaitForAnyEvent(CEvent* const* events, size_t count, uint32_t timeout_ms);
    struct Waiter {
        std::mutex lock;
        std::condition_variable wake;
        bool woken = false;
    };

    bool TryConsume();
    void AddWaiter(Waiter* waiter);
    void RemoveWaiter(Waiter* waiter);

    const Kind kind_;
    mutable std::mutex lock_;
    bool set_;
    std::vector<Waiter*> waiters_;
    int fd_ = -1;
};

// Waits up to timeout_ms for the first of count events. Returns the index of the event that was
// signalled (the lowest index when several are), kWaitTimeout, or kWaitFailed when count is 0 or
// above kMaxWaitObjects or an entry is null. Any thread.
int WaitForAnyEvent(CEvent* const* events, size_t count, uint32_t timeout_ms);

inline int WaitForAnyEvent(const std::vector<CEvent*>& events, uint32_t timeout_ms)
{
    return WaitForAnyEvent(events.data(), events.size(), timeout_ms);
}
