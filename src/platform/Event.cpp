#include "platform/Event.h"

#include <algorithm>
#include <chrono>
#include <sys/eventfd.h>
#include <unistd.h>

CEvent::CEvent(Kind kind, bool initially_set) : kind_(kind), set_(initially_set)
{
    if (kind_ == Kind::ManualReset) {
        fd_ = eventfd(initially_set ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
    }
}

CEvent::~CEvent()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

void CEvent::Set()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!set_ && fd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
    }
    set_ = true;
    for (Waiter* waiter : waiters_) {
        std::lock_guard<std::mutex> wake_guard(waiter->lock);
        waiter->woken = true;
        waiter->wake.notify_one();
    }
}

void CEvent::Reset()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (set_ && fd_ >= 0) {
        uint64_t count = 0;
        [[maybe_unused]] ssize_t n = read(fd_, &count, sizeof count);
    }
    set_ = false;
}

bool CEvent::IsSet() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return set_;
}

bool CEvent::TryConsume()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (!set_) {
        return false;
    }
    if (kind_ == Kind::AutoReset) {
        set_ = false;
    }
    return true;
}

void CEvent::AddWaiter(Waiter* waiter)
{
    std::lock_guard<std::mutex> guard(lock_);
    waiters_.push_back(waiter);
}

void CEvent::RemoveWaiter(Waiter* waiter)
{
    std::lock_guard<std::mutex> guard(lock_);
    waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

bool CEvent::Wait(uint32_t timeout_ms)
{
    CEvent* self = this;
    return WaitForAnyEvent(&self, 1, timeout_ms) == 0;
}

namespace {

int FirstSignalled(CEvent* const* events, size_t count, bool (*consume)(CEvent*))
{
    for (size_t i = 0; i < count; ++i) {
        if (consume(events[i])) {
            return static_cast<int>(i);
        }
    }
    return kWaitTimeout;
}

}  // namespace

int WaitForAnyEvent(CEvent* const* events, size_t count, uint32_t timeout_ms)
{
    if (count == 0 || count > kMaxWaitObjects || events == nullptr) {
        return kWaitFailed;
    }
    for (size_t i = 0; i < count; ++i) {
        if (events[i] == nullptr) {
            return kWaitFailed;
        }
    }
    auto consume = [](CEvent* event) { return event->TryConsume(); };

    // Fast path: something is already set, no registration needed.
    int hit = FirstSignalled(events, count, consume);
    if (hit != kWaitTimeout || timeout_ms == 0) {
        return hit;
    }

    // Register first, then look again: a Set() after the look marks the waiter as woken.
    CEvent::Waiter waiter;
    for (size_t i = 0; i < count; ++i) {
        events[i]->AddWaiter(&waiter);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        hit = FirstSignalled(events, count, consume);
        if (hit != kWaitTimeout) {
            break;
        }
        std::unique_lock<std::mutex> guard(waiter.lock);
        bool timed_out = false;
        if (timeout_ms == kInfinite) {
            waiter.wake.wait(guard, [&] { return waiter.woken; });
        } else {
            timed_out = !waiter.wake.wait_until(guard, deadline, [&] { return waiter.woken; });
        }
        waiter.woken = false;
        if (timed_out) {
            guard.unlock();
            hit = FirstSignalled(events, count, consume);
            break;
        }
    }
    for (size_t i = 0; i < count; ++i) {
        events[i]->RemoveWaiter(&waiter);
    }
    return hit;
}
