#include <gtest/gtest.h>

#include <memory>

#include "EngineFixture.h"
#include "platform/Clock.h"

namespace {

// A stop must end a script well within this, however loaded the machine; a missing stop shows
// as the full end time-out of the fixture.
constexpr uint64_t kPromptStopMs = 3000;

}  // namespace

using ScriptStopTest = EngineFixture;

TEST_F(ScriptStopTest, AStopEndsBusyLoopsPromptly)
{
    const char* const scripts[] = {
        "print('in') while true do end",
        "print('in') local x = 0 while true do x = x + 1 end",
        "print('in') while true do pcall(function() while true do end end) end",
        "print('in') local co = coroutine.wrap(function() while true do end end) co()",
        "print('in') while true do Echo(1) end",
    };
    for (const char* script : scripts) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            output_.clear();
        }
        ASSERT_TRUE(engine_.Run(script, "t"));
        // The script is in its loop once it has printed.
        const uint64_t started = MonotonicMs();
        while (Output().empty() && MonotonicMs() - started < kEndTimeoutMs) {
            EXPECT_FALSE(engine_.WaitForEnd(1)) << script;
        }
        EXPECT_TRUE(engine_.IsRunning()) << script;
        const uint64_t stop_at = MonotonicMs();
        ASSERT_TRUE(engine_.Stop(kEndTimeoutMs)) << script;
        EXPECT_LT(MonotonicMs() - stop_at, kPromptStopMs) << script;
        EXPECT_EQ(engine_.Outcome(), ScriptOutcome::kStopped) << script;
        EXPECT_EQ(engine_.ExitStatus(), 1);
        EXPECT_EQ(ExtendedLog().back(), "Script \"t\" stopped.");
    }
    EXPECT_TRUE(Errors().empty());
}

TEST_F(ScriptStopTest, AStopWakesAFunctionThatWaitsAndDropsItsOutputs)
{
    ASSERT_TRUE(engine_.Run("local ok = WaitForStop() print('after', ok)", "t"));
    ASSERT_TRUE(entered_.Wait(kEndTimeoutMs));
    EXPECT_FALSE(engine_.StopRequested());
    const uint64_t stop_at = MonotonicMs();
    ASSERT_TRUE(engine_.Stop(kEndTimeoutMs));
    EXPECT_LT(MonotonicMs() - stop_at, kPromptStopMs);
    EXPECT_TRUE(saw_stop_.load());
    EXPECT_EQ(engine_.Outcome(), ScriptOutcome::kStopped);
    EXPECT_EQ(Output(), "");
}

TEST_F(ScriptStopTest, ASecondRunIsRefusedWhileOneRuns)
{
    ASSERT_TRUE(engine_.Run("WaitForStop()", "first"));
    ASSERT_TRUE(entered_.Wait(kEndTimeoutMs));
    EXPECT_FALSE(engine_.Run("print('second')", "second"));
    EXPECT_TRUE(engine_.IsRunning());
    EXPECT_EQ(engine_.Outcome(), ScriptOutcome::kRunning);
    ASSERT_TRUE(engine_.Stop(kEndTimeoutMs));
    // A stop belongs to the script it was meant for; the next one runs normally.
    EXPECT_TRUE(Succeeds("print('third')"));
    EXPECT_FALSE(engine_.StopRequested());
    EXPECT_EQ(Output(), "third\n");
}

TEST(ScriptEngineLifetimeTest, DestroyingTheEngineStopsAndJoinsItsScript)
{
    const char* const scripts[] = {"while true do end", "Wait()"};
    for (const char* script : scripts) {
        auto engine = std::make_unique<CScriptEngine>();
        CEvent entered(CEvent::Kind::ManualReset);
        auto wait = [](void* context, CArgArray&, CArgArray& out, std::string&) {
            auto* self = static_cast<std::pair<CScriptEngine*, CEvent*>*>(context);
            self->second->Set();
            self->first->StopEvent().Wait(60000);
            out.Append(int32_t{0});
            return 0;
        };
        std::pair<CScriptEngine*, CEvent*> context{engine.get(), &entered};
        ASSERT_TRUE(engine->AddFunction("Wait", wait, &context, "", 0, 0, 0));
        ASSERT_TRUE(engine->Run(script, "t"));
        if (std::string(script) == "Wait()") {
            ASSERT_TRUE(entered.Wait(10000));
        }
        const uint64_t start = MonotonicMs();
        engine.reset();
        EXPECT_LT(MonotonicMs() - start, kPromptStopMs) << script;
    }
}
