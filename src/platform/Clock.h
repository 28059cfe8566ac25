// Monotonic millisecond ticks and pauses. Every deliberate pause of the tool (retry delays,
// recovery pauses) goes through SleepMs, so that a test can replace it and a 1000 ms pause costs
// the test nothing. Waits for events and for port data are real time and are not replaced.
#pragma once

#include <cstdint>
#include <functional>

// Milliseconds since an arbitrary start, from a monotonic clock; wraps like a 32-bit tick count.
// Any thread.
uint32_t TickMs();

// Monotonic milliseconds as a 64-bit number that never wraps. Any thread.
uint64_t MonotonicMs();

// Pauses the calling thread for ms milliseconds (or calls the installed pause hook). Any thread.
void SleepMs(uint32_t ms);

class CEvent;

// Pauses like SleepMs, but ends early when stop (a manual-reset event) is set: a pause that the
// owner of a worker must be able to cut short. True when stop is set on return. With a pause
// hook installed the hook takes the pause (tests), and stop is only looked at afterwards.
// Any thread.
bool SleepMsUnlessSet(uint32_t ms, CEvent& stop);

// Replaces SleepMs for the whole process until the returned guard is destroyed (tests only).
// The hook receives the requested milliseconds; it runs on the pausing thread.
class CSleepHook {
public:
    explicit CSleepHook(std::function<void(uint32_t)> hook);
    ~CSleepHook();
    CSleepHook(const CSleepHook&) = delete;
    CSleepHook& operator=(const CSleepHook&) = delete;

private:
    std::function<void(uint32_t)> previous_;
};

