#include "platform/Thread.h"

#include <system_error>

CThread::~CThread()
{
    Join();
}

bool CThread::Start(std::function<void()> body)
{
    if (thread_.joinable()) {
        return false;
    }
    ended_.Reset();
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            body();
            ended_.Set();
        });
    } catch (const std::system_error&) {
        ended_.Set();
        return false;
    }
    return true;
}

bool CThread::HasEnded() const
{
    return ended_.IsSet();
}

bool CThread::WaitForEnd(uint32_t timeout_ms)
{
    return ended_.Wait(timeout_ms);
}

void CThread::Join()
{
    if (thread_.joinable()) {
        thread_.join();
    }
}
