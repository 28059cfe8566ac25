#include "platform/Clock.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/Event.h"

namespace {

std::mutex g_hook_lock;
std::function<void(uint32_t)> g_sleep_hook;

}  // namespace

uint64_t MonotonicMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

uint32_t TickMs()
{
    return static_cast<uint32_t>(MonotonicMs());
}

void SleepMs(uint32_t ms)
{
    std::function<void(uint32_t)> hook;
    {
        std::lock_guard<std::mutex> lock(g_hook_lock);
        hook = g_sleep_hook;
    }
    if (hook) {
        hook(ms);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool SleepMsUnlessSet(uint32_t ms, CEvent& stop)
{
    bool hooked = false;
    {
        std::lock_guard<std::mutex> lock(g_hook_lock);
        hooked = static_cast<bool>(g_sleep_hook);
    }
    if (hooked) {
        SleepMs(ms);
        return stop.IsSet();
    }
    return stop.Wait(ms);
}

CSleepHook::CSleepHook(std::function<void(uint32_t)> hook)
{
    std::lock_guard<std::mutex> lock(g_hook_lock);
    previous_ = std::move(g_sleep_hook);
    g_sleep_hook = std::move(hook);
}

CSleepHook::~CSleepHook()
{
    std::lock_guard<std::mutex> lock(g_hook_lock);
    g_sleep_hook = std::move(previous_);
}

