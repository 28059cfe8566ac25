// A joinable worker thread with an owner. The owner starts it, may wait for its end with a time
// limit, and joins it at the latest in its destructor, so no thread outlives its owner.
#pragma once

#include <cstdint>
#include <functional>
#include <thread>

#include "platform/Event.h"

class CThread {
public:
    CThread() = default;
    // Joins a thread that is still running (the owner must have told it to stop first).
    ~CThread();
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // Starts body on a new thread. False when a thread is already attached or the system
    // refuses to create one. Owner's thread only.
    bool Start(std::function<void()> body);
    // True from Start until Join.
    bool IsAttached() const { return thread_.joinable(); }
    // True once the body has returned (or no thread was started).
    bool HasEnded() const;
    // Waits up to timeout_ms for the body to return; true when it has.
    bool WaitForEnd(uint32_t timeout_ms);
    // Waits without limit for the body to return and releases the thread. Owner's thread only.
    void Join();

private:
    std::thread thread_;
    CEvent ended_{CEvent::Kind::ManualReset, true};
};
