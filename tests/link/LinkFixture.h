// A link under test: the tool side opened on the slave of a pseudo-terminal, the scripted board
// on its master, the tool log's queue capturing every trace, and (on demand) a receiving thread
// on the tool side like the command handler's, which the senders need for their
// acknowledgements.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FramePeer.h"
#include "PtyPair.h"
#include "link/MessageApi.h"
#include "platform/Notify.h"
#include "platform/SerialPort.h"

// Counts the notifications; a sink must exist for the protocol traces to be queued at all.
class CCountingSink : public INotifySink {
public:
    void Post(int offset, uintptr_t, const std::string&) override
    {
        if (offset == kNotifyToolLog) {
            ++tool_log_posts;
        }
    }
    std::atomic<int> tool_log_posts{0};
};

// The tool's receiving thread: keeps calling ZelSpReceiveMessage and records every message.
class CToolReceiver {
public:
    explicit CToolReceiver(ZelPortHandle port);
    ~CToolReceiver();
    std::vector<std::string> Messages() const;
    // Results other than 0 and 4 (time-out), in order.
    std::vector<int> Failures() const;
    bool WaitForMessages(size_t count, uint32_t timeout_ms) const;

private:
    ZelPortHandle port_;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<std::string> messages_;
    std::vector<int> failures_;
    std::thread thread_;
};

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Every trace line queued so far (the queue is drained into this list).
    const std::vector<std::string>& Traces();
    // How many traces contain text.
    int CountTraces(const std::string& text);
    // Waits up to timeout_ms until a trace containing text was queued.
    bool WaitForTrace(const std::string& text, uint32_t timeout_ms) { return WaitForTraces(text, 1, timeout_ms); }
    // Waits up to timeout_ms until at least count traces containing text were queued.
    bool WaitForTraces(const std::string& text, int count, uint32_t timeout_ms);

    CPtyPair pty_;
    CSerialPort port_;
    CFramePeer peer_{pty_};
    CCountingSink sink_;
    CScopedNotifySink sink_guard_{sink_};
    bool open_ = false;

private:
    std::vector<std::string> traces_;
};
