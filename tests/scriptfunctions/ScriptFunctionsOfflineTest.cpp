// The script functions on a handler whose port cannot be opened: every request fails at once with
// link status 3, which shows each function's output layout after a failure without any board.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "TestSupport.h"
#include "handler/ScriptFunctions.h"
#include "handler/SerialCommHandler.h"
#include "logging/ZovLogging.h"
#include "platform/Clock.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"
#include "platform/Settings.h"
#include "script/ScriptEngine.h"
#include "shell/AppSettings.h"

namespace {

constexpr uint32_t kEndTimeoutMs = 10000;

class RecordingSink : public INotifySink {
public:
    void Post(int offset, uintptr_t, const std::string&) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        offsets_.push_back(offset);
    }
    int Count(int offset) const
    {
        std::lock_guard<std::mutex> guard(lock_);
        int n = 0;
        for (int o : offsets_) {
            n += o == offset ? 1 : 0;
        }
        return n;
    }

private:
    mutable std::mutex lock_;
    std::vector<int> offsets_;
};

class OfflineFunctions : public ::testing::Test {
protected:
    OfflineFunctions()
    {
        AppSettings::SetComPort(folder_.File("no-such-port"));
        AppSettings::SetCommandTimeout(2000);
        handler_ = std::make_unique<CSerialCommHandler>(&instance_, false, &engine_);
    }
    ~OfflineFunctions() override
    {
        engine_.Stop(kEndTimeoutMs);
    }

    CArgArray Call(const std::string& name, const std::vector<std::variant<uint32_t, std::string>>& inputs,
                   std::string* result_text = nullptr, int* result = nullptr)
    {
        CArgArray in;
        for (const auto& input : inputs) {
            if (std::holds_alternative<uint32_t>(input)) {
                in.Append(std::get<uint32_t>(input));
            } else {
                in.Append(std::get<std::string>(input));
            }
        }
        CArgArray out;
        std::string text;
        const int r = engine_.CallFunction(name, in, out, text);
        if (result_text != nullptr) {
            *result_text = text;
        }
        if (result != nullptr) {
            *result = r;
        }
        return out;
    }

    CScopedSettingsFile settings_;
    CTempFolder folder_;
    CRecordingPrompt prompt_;
    CScopedPrompt prompt_guard_{prompt_};
    CSleepHook no_pauses_{[](uint32_t) {}};
    uint16_t instance_ = 100;
    std::unique_ptr<CSerialCommHandler> handler_;
    CScriptEngine engine_;  // destroyed first: its scripts use the handler
};

TEST_F(OfflineFunctions, TheHandlerRegistersEveryFunctionInTableOrder)
{
    std::vector<std::string> expected;
    for (const auto& row : ScriptFunctionRows()) {
        expected.push_back(row.name);
        EXPECT_EQ(engine_.HelpText(row.name), row.help_text);
    }
    EXPECT_EQ(engine_.FunctionNames(), expected);
    // The port did not open: the engineer was told, and the handler goes on unconnected.
    EXPECT_FALSE(handler_->IsConnected());
    ASSERT_FALSE(prompt_.Texts().empty());
}

TEST_F(OfflineFunctions, ASecondRegistrationKeepsTheFirst)
{
    CSerialCommHandler second(&instance_, false, nullptr);
    EXPECT_EQ(RegisterScriptFunctions(engine_, second), 0);
    EXPECT_EQ(engine_.FunctionNames().size(), 70u);
}

// What a value is expected to be after the failed request.
struct Expect {
    enum Kind { Number, Text } kind;
    int64_t number = 0;
    std::string text;
};
Expect N(int64_t n) { return {Expect::Number, n, {}}; }
Expect T(const std::string& t) { return {Expect::Text, 0, t}; }

struct FailureCase {
    const char* name;
    std::vector<std::variant<uint32_t, std::string>> inputs;
    std::vector<Expect> outputs;  // @0 first
    const char* result_text;      // "" for the link's text
};

const char kLinkText[] = "ZELSP: Communication error";

std::vector<FailureCase> FailureCases()
{
    const std::vector<Expect> nine_zeros(9, N(0));
    return {
        {"ZELSP_Read", {0x2013u, 1u}, {N(0), N(3)}, ""},
        {"R", {0x2013u, 1u}, {N(0), N(3)}, ""},
        {"W", {0x2000u, 4u, 2u}, {N(0), N(3)}, ""},
        {"ZELSP_GetCommandResult", {}, {N(0), N(3)}, ""},
        // Value functions hand back their value, 0 or empty, also after a failure.
        {"ZelCmdGetHighestPossibleIndex", {}, {N(0), N(0)}, ""},
        {"ZelCmdGetLogLevel", {}, {N(0), N(0)}, ""},
        {"ZelVerGetComponentVersion", {6u}, {N(0), T("")}, ""},
        {"ZelCalGetCalibrationData", {1u}, {N(0), T("")}, ""},
        {"ZelLogGetLogEntryData", {}, {N(0), T("")}, ""},
        {"ZelFsGetAverageVideoLevelAbsoluteProcessed", {}, {N(0), N(0)}, ""},
        {"ZelDevGetHighestPossibleIndex", {1u}, {N(0), N(0)}, ""},
        {"ZelCfgGetReceptorFieldSizes", {}, nine_zeros, ""},
        {"ZelCfgGetSidOffset", {}, nine_zeros, ""},
        {"ZelLogGetLogEntryInfo", {}, std::vector<Expect>(8, N(0)), ""},
        // Commands: @0 alone.
        {"ZelCmdStartApplication", {}, {N(0)}, ""},
        {"ZelCmdPrepare", {2u}, {N(0)}, ""},
        {"ZelCmdSelectLogLevel", {std::string("-1")}, {N(0)}, ""},
        {"ZelCmdUnset", {9u, 0x10u, 1u}, {N(0)}, ""},
        // Possible only when the subsystem accepted it.
        {"ZelCmdCanSwitch", {1u, 2u}, {N(0), N(0)}, ""},
        // A request was made, no code came back.
        {"ZelDevSetReq", {0u, 1u, std::string("Involved"), 1u}, {N(0), N(0xFFFFFFFF)}, ""},
        // The values of ZelDev* come only with success.
        {"ZelDevGetReq", {1u, 1u, std::string("Zoom")}, {N(0)}, ""},
        {"ZelDevGetAcc", {1u, 1u, std::string("Zoom")}, {N(0)}, ""},
        {"ZelDevGetMin", {0u, std::string("DosePerImage")}, {N(0)}, ""},
        {"ZelDevGetMax", {0u, std::string("DosePerImage")}, {N(0)}, ""},
        // One value per byte asked for, whatever happened.
        {"ZelValGetErrorBits", {1u, 2u, 4u}, {N(0), N(0), N(0), N(0), N(0)}, ""},
        {"DCM_UICommand", {std::string("MENU")}, {N(0)}, ""},
        // Refused before any request: the result text says why.
        {"ZelDevGetReq", {0u, 1u, std::string("Zoom")}, {N(0)},
         "Unknown parameter \"Zoom\" on logical device 0"},
        {"ZelDevGetReq", {0u, 11u, std::string("Involved")}, {N(0)}, "Unknown buffer 11 (0 to 10)"},
        {"ZelDevGetMax", {2u, std::string("Involved")}, {N(0)}, "Unknown logical device 2 (0 or 1)"},
        {"ZelDevSetReq", {0u, 1u, std::string("Zoom"), 5u}, {N(0), N(0xFFFFFFFF)},
         "Unknown parameter \"Zoom\" on logical device 0"},
        {"ZelValGetValidationResultSize", {2u}, {N(0), N(0)}, "Unknown logical device 2 (0 or 1)"},
        {"ZelValGetErrorBits", {2u, 1u, 3u}, {N(0), N(0), N(0), N(0)},
         "Unknown logical device 2 (0 or 1)"},
        {"ZelValGetErrorBits", {0u, 1u, 100000u}, {N(0)},
         "ArraySize 100000 is more than a reply can hold (139)"},
        {"ZelCmdUnset", {3u, 0x10u, 1u}, {N(0)},
         "Buffer 3 cannot be unset (only 0, System Wide, and 9, Field Service)"},
    };
}

TEST_F(OfflineFunctions, OutputsAfterAFailure)
{
    for (const FailureCase& c : FailureCases()) {
        SCOPED_TRACE(c.name);
        std::string text;
        int result = -2;
        const CArgArray out = Call(c.name, c.inputs, &text, &result);
        EXPECT_EQ(result, 0);
        ASSERT_EQ(out.NumOfArgs(), c.outputs.size());
        for (size_t i = 0; i < c.outputs.size(); ++i) {
            const Expect& e = c.outputs[i];
            if (e.kind == Expect::Number) {
                EXPECT_FALSE(out.IsTextArg(i)) << "@" << i;
                EXPECT_EQ(out.GetArgInt64(i), e.number) << "@" << i;
            } else {
                EXPECT_TRUE(out.IsTextArg(i)) << "@" << i;
                EXPECT_EQ(out.GetArgString(i), e.text) << "@" << i;
            }
        }
        EXPECT_EQ(text, c.result_text[0] == '\0' ? std::string(kLinkText) : std::string(c.result_text));
    }
}

TEST_F(OfflineFunctions, ScriptsSeeTheOutputsAsValues)
{
    std::string output;
    std::mutex lock;
    engine_.SetOutputFunction([&](const std::string& text) {
        std::lock_guard<std::mutex> guard(lock);
        output += text;
    });
    ASSERT_TRUE(engine_.Run(
        "local ok, link = R(0x2013, 1)\n"
        "print(ok, link, ResultText())\n"
        "print(select('#', ZelCmdStartApplication()))\n"
        "print(select('#', ZelValGetErrorBits(1, 2, 4)))\n"
        "local ok2, version = ZelVerGetComponentVersion(6)\n"
        "print(ok2, '[' .. version .. ']')\n",
        "t"));
    ASSERT_TRUE(engine_.WaitForEnd(kEndTimeoutMs));
    EXPECT_EQ(engine_.Outcome(), ScriptOutcome::kSucceeded) << engine_.ErrorText();
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(output, "0\t3\tZELSP: Communication error\n1\n5\n0\t[]\n");
}

TEST_F(OfflineFunctions, ScriptLogLinesReachTheToolLog)
{
    CZovLogging::Instance().Clear();
    RecordingSink sink;
    CScopedNotifySink sink_guard(sink);
    ASSERT_TRUE(engine_.Run("local x = = 1", "broken"));
    ASSERT_TRUE(engine_.WaitForEnd(kEndTimeoutMs));
    ASSERT_EQ(engine_.Outcome(), ScriptOutcome::kFailed);

    std::vector<std::string> script_lines;
    SystemTime time;
    int32_t level = 0;
    std::string text;
    while (CZovLogging::Instance().GetNextEntry(&time, &level, &text)) {
        EXPECT_EQ(level, kZovLogScript) << text;
        script_lines.push_back(text);
    }
    // The start, the error with its line number, the end.
    ASSERT_GE(script_lines.size(), 2u);
    bool saw_error = false;
    for (const std::string& line : script_lines) {
        saw_error = saw_error || line.rfind("broken:1:", 0) == 0;
    }
    EXPECT_TRUE(saw_error) << script_lines[0];
    EXPECT_GE(sink.Count(kNotifyToolLog), static_cast<int>(script_lines.size()));
    // Stamped now, in UTC: a year that cannot be a default.
    EXPECT_GE(time.year, 2024);
}

TEST_F(OfflineFunctions, ALoopOfCallsStopsWhenAsked)
{
    ASSERT_TRUE(engine_.Run("while true do ZelCmdGetLogLevel() end", "loop"));
    EXPECT_FALSE(engine_.WaitForEnd(200));
    EXPECT_TRUE(engine_.Stop(kEndTimeoutMs));
    EXPECT_EQ(engine_.Outcome(), ScriptOutcome::kStopped);
}

}  // namespace
