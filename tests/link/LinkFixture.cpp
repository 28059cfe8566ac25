#include "LinkFixture.h"

#include <chrono>

#include "logging/ZovLogging.h"

CToolReceiver::CToolReceiver(ZelPortHandle port) : port_(port)
{
    thread_ = std::thread([this] {
        char buffer[kZelSpReceiveBufferSize];
        while (!stop_.load()) {
            char first = 0;
            const int result = ZelSpReceiveMessage(port_, buffer, &first);
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (result == kZelOk) {
                    messages_.emplace_back(buffer);
                } else if (result != kZelTimeout) {
                    failures_.push_back(result);
                }
            }
            changed_.notify_all();
        }
    });
}

CToolReceiver::~CToolReceiver()
{
    stop_.store(true);
    thread_.join();
}

std::vector<std::string> CToolReceiver::Messages() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return messages_;
}

std::vector<int> CToolReceiver::Failures() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return failures_;
}

bool CToolReceiver::WaitForMessages(size_t count, uint32_t timeout_ms) const
{
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                             [&] { return messages_.size() >= count; });
}

void LinkTest::SetUp()
{
    CZovLogging::Instance().Clear();
    ASSERT_TRUE(port_.Open(pty_.SlavePath())) << port_.LastErrorText();
    ASSERT_EQ(ZelSpInit(&port_), kZelOk);
    open_ = true;
}

void LinkTest::TearDown()
{
    if (open_) {
        EXPECT_EQ(ZelSpClose(&port_), kZelOk);
    }
    CZovLogging::Instance().Clear();
}

const std::vector<std::string>& LinkTest::Traces()
{
    SystemTime time;
    int32_t level = 0;
    std::string text;
    while (CZovLogging::Instance().GetNextEntry(&time, &level, &text)) {
        traces_.push_back(text);
    }
    return traces_;
}

int LinkTest::CountTraces(const std::string& text)
{
    int count = 0;
    for (const std::string& line : Traces()) {
        if (line.find(text) != std::string::npos) {
            ++count;
        }
    }
    return count;
}

bool LinkTest::WaitForTraces(const std::string& text, int count, uint32_t timeout_ms)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (CountTraces(text) < count) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
