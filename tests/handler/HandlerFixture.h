// The fixture of the handler tests: a private settings file naming a pseudo-terminal as the
// COM port, a scripted board on its other end, a recording prompt and a recording notification
// sink, and a shared message number.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PtyPair.h"
#include "ScriptedBoard.h"
#include "TestSupport.h"
#include "handler/SerialCommHandler.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"

class CRecordingSink : public INotifySink {
public:
    struct Posted {
        int offset;
        uintptr_t wparam;
        std::string text;
        bool operator==(const Posted&) const = default;
    };
    void Post(int offset, uintptr_t wparam, const std::string& text) override
    {
        std::lock_guard<std::mutex> lock(lock_);
        posts_.push_back({offset, wparam, text});
    }
    std::vector<Posted> Posts() const
    {
        std::lock_guard<std::mutex> lock(lock_);
        return posts_;
    }
    // The posts with one offset.
    std::vector<Posted> PostsOf(int offset) const;
    // Waits until count posts with offset arrived.
    bool WaitFor(int offset, size_t count, uint32_t timeout_ms) const;

private:
    mutable std::mutex lock_;
    std::vector<Posted> posts_;
};

class HandlerTest : public ::testing::Test {
protected:
    HandlerTest();
    ~HandlerTest() override;

    // Creates the handler on the pty; the board answers the start-up commands.
    std::unique_ptr<CSerialCommHandler> Connect(bool handle_events = false);
    // The board's messages without their IDs.
    std::vector<std::string> Requests() const;

    CScopedSettingsFile settings_;
    CPtyPair pty_;
    CScriptedBoard board_{pty_};
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    CRecordingSink sink_;
    CScopedNotifySink scoped_sink_{sink_};
    uint16_t message_number_ = 0x0100;
};

// A result list as texts, for comparing whole lists.
std::vector<std::string> Texts(const CArgArray& list);
