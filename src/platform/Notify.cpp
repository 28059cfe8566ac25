#include "platform/Notify.h"

#include <mutex>
#include <shared_mutex>

namespace {

std::shared_mutex g_lock;
INotifySink* g_sink = nullptr;  // guarded by g_lock

}  // namespace

namespace Notify {

void InstallSink(INotifySink* sink)
{
    std::unique_lock<std::shared_mutex> guard(g_lock);
    g_sink = sink;
}

void RemoveSink(INotifySink* sink)
{
    std::unique_lock<std::shared_mutex> guard(g_lock);
    if (g_sink == sink) {
        g_sink = nullptr;
    }
}

bool HasSink()
{
    std::shared_lock<std::shared_mutex> guard(g_lock);
    return g_sink != nullptr;
}

bool Post(int offset, uintptr_t wparam, const std::string& text)
{
    std::shared_lock<std::shared_mutex> guard(g_lock);
    if (g_sink == nullptr) {
        return false;
    }
    g_sink->Post(offset, wparam, text);
    return true;
}

}  // namespace Notify
