// An engine with a few fake functions registered and every callback recorded, for the engine
// tests. The fakes stand in for the command handler's functions: one with the help text and the
// outputs of a read request, an echo of its inputs, one that fails, one that waits for a stop.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Event.h"
#include "script/ScriptEngine.h"

// Readable outcomes in failure messages.
inline void PrintTo(ScriptOutcome outcome, std::ostream* out)
{
    *out << ScriptOutcomeName(outcome);
}

class EngineFixture : public ::testing::Test {
protected:
    // Long enough for a loaded two-core machine, short enough that a hang fails the test.
    static constexpr uint32_t kEndTimeoutMs = 10000;

    static const char kReadHelp[];

    void SetUp() override;

    // Runs text as chunk "t" and waits for its end; the test fails when it does not end.
    ScriptOutcome RunToEnd(const std::string& text, const std::vector<std::string>& args = {});

    // RunToEnd that expects success, with the script's error in the failure message.
    ::testing::AssertionResult Succeeds(const std::string& text,
                                        const std::vector<std::string>& args = {});

    // A copy of what a callback or a fake recorded.
    template <typename T> T Recorded(const T& member) const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return member;
    }
    std::string Output() const { return Recorded(output_); }
    std::vector<std::string> Errors() const { return Recorded(errors_); }
    std::vector<std::string> ExtendedLog() const { return Recorded(extended_); }
    // The inputs of the last Echo call.
    CArgArray LastEchoInputs() const { return Recorded(echo_inputs_); }

    static int Read(void* context, CArgArray& in, CArgArray& out, std::string& result_text);
    static int Echo(void* context, CArgArray& in, CArgArray& out, std::string& result_text);
    static int Fail(void* context, CArgArray& in, CArgArray& out, std::string& result_text);
    static int Silent(void* context, CArgArray& in, CArgArray& out, std::string& result_text);
    static int Throws(void* context, CArgArray& in, CArgArray& out, std::string& result_text);
    static int WaitForStop(void* context, CArgArray& in, CArgArray& out, std::string& result_text);
    static int Nested(void* context, CArgArray& in, CArgArray& out, std::string& result_text);

    mutable std::mutex lock_;
    std::string output_;
    std::vector<std::string> errors_;
    std::vector<std::string> extended_;
    CArgArray echo_inputs_;
    std::atomic<int> calls_{0};
    // WaitForStop sets entered_ when it starts to wait and saw_stop_ when the stop woke it.
    CEvent entered_{CEvent::Kind::ManualReset};
    std::atomic<bool> saw_stop_{false};
    // What Nested saw when it tried to start and to wait for a script from the engine thread.
    std::atomic<int> nested_run_{-1};
    std::atomic<int> nested_wait_{-1};

    // Last, so that it is destroyed (and its thread joined) before what the fakes use.
    CScriptEngine engine_;
};
