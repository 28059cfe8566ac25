// The script functions through the engine against the simulated board: each output convention,
// what goes on the wire, and a script that is stopped in the middle of its requests.

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "BoardSimulator.h"
#include "Subsystem.h"
#include "TestSupport.h"
#include "handler/ScriptFunctions.h"
#include "handler/SerialCommHandler.h"
#include "logging/ZovLogging.h"
#include "platform/Prompt.h"
#include "script/ScriptEngine.h"
#include "shell/AppSettings.h"

namespace {

constexpr uint32_t kEndTimeoutMs = 20000;

// Component 6's version, validation that always passes, a refused parameter write (device 0,
// buffer 2, "Involved") and a refused version read (component 7).
const char kScenario[] =
    "[Versions]\n"
    "Component6=Ib: FPGA Type: 2 Rev: 7\n"
    "Component7=Camera: 1.12\n"
    "[Validation]\n"
    "Mode=pass\n"
    "[Results]\n"
    "Result1=0x2022, 2, 0x06090030\n"
    "Result2=0x2013, 7, 0x08000000\n";

using Input = std::variant<uint32_t, int32_t, std::string>;

class SimFunctions : public ::testing::Test {
protected:
    void SetUp() override
    {
        BoardSimOptions options;
        options.scenario_file = folder_.Write("scenario.ini", kScenario);
        options.trace_sink = [](const std::string&) {};
        sim_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        AppSettings::SetComPort(sim_->DevicePath());
        // Generous: a loaded machine may stall a thread for a second.
        AppSettings::SetCommandTimeout(8000);
        handler_ = std::make_unique<CSerialCommHandler>(&instance_, false, &engine_);
        ASSERT_TRUE(handler_->IsConnected());
    }
    void TearDown() override
    {
        engine_.Stop(kEndTimeoutMs);
        handler_.reset();
        if (sim_) {
            sim_->Stop();
        }
    }

    CArgArray Call(const std::string& name, const std::vector<Input>& inputs,
                   std::string* result_text = nullptr)
    {
        CArgArray in;
        for (const Input& input : inputs) {
            std::visit([&](const auto& value) { in.Append(value); }, input);
        }
        CArgArray out;
        std::string text;
        const int result = engine_.CallFunction(name, in, out, text);
        EXPECT_EQ(result, out.NumOfArgs() > 0 ? out.GetArgLong(0) : -99) << name;
        if (result_text != nullptr) {
            *result_text = text;
        }
        return out;
    }

    // The request text without its message ID ("w 0x2000 0x04 2").
    static std::string WithoutId(const std::string& message)
    {
        const size_t first = message.find(' ');
        const size_t second = message.find(' ', first + 1);
        return message.substr(0, first) + message.substr(second);
    }

    // The requests the board received, without the DCM answers that travel between them.
    std::vector<std::string> Received() const
    {
        std::vector<std::string> requests;
        for (const std::string& message : sim_->ReceivedMessages()) {
            if (message.rfind("r ", 0) == 0 || message.rfind("w ", 0) == 0 ||
                message.rfind("DI ", 0) == 0 || message.rfind("DUI ", 0) == 0) {
                requests.push_back(message);
            }
        }
        return requests;
    }

    CScopedSettingsFile settings_;
    CTempFolder folder_;
    CRecordingPrompt prompt_;
    CScopedPrompt prompt_guard_{prompt_};
    uint16_t instance_ = 0x0100;
    std::unique_ptr<CBoardSimulator> sim_;
    std::unique_ptr<CSerialCommHandler> handler_;
    CScriptEngine engine_;  // destroyed first: its scripts use the handler
};

TEST_F(SimFunctions, ComponentVersionIsTheTextAfterTheLength)
{
    std::string text;
    const CArgArray out = Call("ZelVerGetComponentVersion", {std::string("6")}, &text);
    ASSERT_EQ(out.NumOfArgs(), 2u);
    EXPECT_EQ(out.GetArgLong(0), 1);
    EXPECT_TRUE(out.IsTextArg(1));
    EXPECT_EQ(out.GetArgString(1), "Ib: FPGA Type: 2 Rev: 7");
    // The result text is the subsystem's reply.
    EXPECT_EQ(text.rfind("c ", 0), 0u) << text;
    EXPECT_NE(text.find("Ib: FPGA Type: 2 Rev: 7"), std::string::npos) << text;
}

// A value function whose request the subsystem refuses still hands back its value, empty.
TEST_F(SimFunctions, ValueFunctionsAfterARefusal)
{
    std::string text;
    const CArgArray version = Call("ZelVerGetComponentVersion", {7u}, &text);
    ASSERT_EQ(version.NumOfArgs(), 2u);
    EXPECT_EQ(version.GetArgLong(0), 0);
    EXPECT_TRUE(version.IsTextArg(1));
    EXPECT_EQ(version.GetArgString(1), "");
    EXPECT_NE(text.find("0x08000000"), std::string::npos) << text;

    // An unknown subindex: the number reads 0.
    const CArgArray data = Call("ZelCalGetCalibrationData", {200u});
    ASSERT_EQ(data.NumOfArgs(), 2u);
    EXPECT_EQ(data.GetArgLong(0), 0);
    EXPECT_EQ(data.GetArgString(1), "");
}

TEST_F(SimFunctions, RawWriteSendsWhatTheTypedCommandSends)
{
    const CArgArray raw = Call("W", {0x2000u, 4u, 2u});
    const CArgArray typed = Call("ZelCmdPrepare", {2u});
    const std::vector<std::string> received = Received();
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(WithoutId(received[received.size() - 2]), "w 0x2000 0x04 2");
    EXPECT_EQ(WithoutId(received.back()), "w 0x2000 0x04 2");
    // The raw outputs: @0, link status, "c", message ID, ZEL result code.
    ASSERT_GE(raw.NumOfArgs(), 5u);
    EXPECT_EQ(raw.GetArgLong(0), 1);
    EXPECT_EQ(raw.GetArgLong(1), 0);
    EXPECT_EQ(raw.GetArgString(2), "c");
    EXPECT_EQ(raw.GetArgUlong(4), 0u);
    // The typed one: @0 alone.
    ASSERT_EQ(typed.NumOfArgs(), 1u);
    EXPECT_EQ(typed.GetArgLong(0), 1);
}

TEST_F(SimFunctions, StartApplicationGivesOnlyTheResult)
{
    const CArgArray out = Call("ZelCmdStartApplication", {});
    ASSERT_EQ(out.NumOfArgs(), 1u);
    EXPECT_EQ(out.GetArgLong(0), 1);
}

// The board allows a switch from its active buffer (1) to a validated one.
TEST_F(SimFunctions, CanSwitchSaysWhetherTheSubsystemAccepted)
{
    ASSERT_EQ(Call("ZelCmdValidate", {3u}).GetArgLong(0), 1);
    const CArgArray possible = Call("ZelCmdCanSwitch", {1u, 3u});
    ASSERT_EQ(possible.NumOfArgs(), 2u);
    EXPECT_EQ(possible.GetArgLong(0), 1);
    EXPECT_FALSE(possible.IsTextArg(1));
    EXPECT_EQ(possible.GetArgLong(1), 1);
    EXPECT_EQ(WithoutId(Received().back()), "w 0x2000 0x09 0x0103");

    // Buffer 5 was never validated.
    std::string text;
    const CArgArray refused = Call("ZelCmdCanSwitch", {1u, 5u}, &text);
    ASSERT_EQ(refused.NumOfArgs(), 2u);
    EXPECT_EQ(refused.GetArgLong(0), 0);
    EXPECT_FALSE(refused.IsTextArg(1));
    EXPECT_EQ(refused.GetArgLong(1), 0);
    EXPECT_NE(text.find("0x08000022"), std::string::npos) << text;
}

TEST_F(SimFunctions, SetRequestedReportsTheResultCode)
{
    const CArgArray ok = Call("ZelDevSetReq", {1u, 1u, std::string("RotationAngle"), int32_t{-90}});
    ASSERT_EQ(ok.NumOfArgs(), 2u);
    EXPECT_EQ(ok.GetArgLong(0), 1);
    EXPECT_EQ(ok.GetArgUlong(1), 0u);
    EXPECT_EQ(WithoutId(Received().back()), "w 0x2821 0x26 -90");

    const CArgArray refused = Call("ZelDevSetReq", {0u, 2u, std::string("Involved"), 1u});
    ASSERT_EQ(refused.NumOfArgs(), 2u);
    EXPECT_EQ(refused.GetArgLong(0), 0);
    EXPECT_EQ(refused.GetArgUlong(1), 0x06090030u);

    // Not sent at all: "Zoom" belongs to logical device 1.
    const size_t before = Received().size();
    const CArgArray unknown = Call("ZelDevSetReq", {0u, 1u, std::string("Zoom"), 2u});
    ASSERT_EQ(unknown.NumOfArgs(), 2u);
    EXPECT_EQ(unknown.GetArgLong(0), 0);
    EXPECT_EQ(unknown.GetArgUlong(1), 0xFFFFFFFFu);
    EXPECT_EQ(Received().size(), before);
}

// Values come back in the form of their type, and only on success.
TEST_F(SimFunctions, GetRequestedGivesTheValueInItsTypesForm)
{
    struct Row {
        uint32_t device;
        const char* name;
        Input value;
        bool is_text;
        std::string expected;
    };
    const Row rows[] = {
        {1, "RotationAngle", int32_t{-90}, false, "-90"},
        {1, "Panning", std::string("0x1a2b"), true, "0x1a2b"},
        {1, "Zoom", 0x0120u, false, "288"},
        {0, "Involved", std::string("1"), false, "1"},
        {1, "HorizontalFlip", std::string("True"), false, "1"},
        {1, "VerticalFlip", std::string("True"), false, "1"},
        {1, "VerticalFlip", std::string("False"), false, "0"},
        {0, "DoseRatioTable", std::string("0x000100020003000400050006000700080009000a000b000c000d000e000f0010"),
         true, "0x000100020003000400050006000700080009000a000b000c000d000e000f0010"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CArgArray set = Call("ZelDevSetReq", {row.device, 3u, std::string(row.name), row.value});
        ASSERT_EQ(set.GetArgLong(0), 1);
        const CArgArray got = Call("ZelDevGetReq", {row.device, 3u, std::string(row.name)});
        ASSERT_EQ(got.NumOfArgs(), 2u);
        EXPECT_EQ(got.GetArgLong(0), 1);
        EXPECT_EQ(got.IsTextArg(1), row.is_text);
        EXPECT_EQ(got.GetArgString(1), row.expected);
    }

    const CArgArray wrong_device = Call("ZelDevGetReq", {0u, 1u, std::string("Zoom")});
    ASSERT_EQ(wrong_device.NumOfArgs(), 1u);
    EXPECT_EQ(wrong_device.GetArgLong(0), 0);

    // A value never set: the subsystem has nothing; the function gives @0 alone.
    const CArgArray minimum = Call("ZelDevGetMin", {1u, std::string("Zoom")});
    if (minimum.GetArgLong(0) == 1) {
        EXPECT_EQ(minimum.NumOfArgs(), 2u);
    } else {
        EXPECT_EQ(minimum.NumOfArgs(), 1u);
    }
}

TEST_F(SimFunctions, ErrorBitsGiveOneValuePerByteAskedFor)
{
    const CArgArray size_out = Call("ZelValGetValidationResultSize", {1u});
    ASSERT_EQ(size_out.NumOfArgs(), 2u);
    ASSERT_EQ(size_out.GetArgLong(0), 1);
    const uint32_t size = size_out.GetArgUlong(1);
    ASSERT_GT(size, 0u);

    const CArgArray right = Call("ZelValGetErrorBits", {1u, 2u, size});
    EXPECT_EQ(right.GetArgLong(0), 1);
    EXPECT_EQ(right.NumOfArgs(), size + 1);

    // A size the reply does not have: the operation fails, the count still follows the input.
    const CArgArray wrong = Call("ZelValGetErrorBits", {1u, 2u, size + 2});
    EXPECT_EQ(wrong.GetArgLong(0), 0);
    EXPECT_EQ(wrong.NumOfArgs(), size + 3);
}

TEST_F(SimFunctions, TheSidesOfTheConfigurationObject)
{
    const CArgArray sizes = Call("ZelCfgGetReceptorFieldSizes", {});
    ASSERT_EQ(sizes.NumOfArgs(), 9u);
    EXPECT_EQ(sizes.GetArgLong(0), 1);
    EXPECT_EQ(sizes.GetArgUlong(1), 380u);
    EXPECT_EQ(sizes.GetArgUlong(2), 310u);
    EXPECT_EQ(sizes.GetArgUlong(3), 230u);
    EXPECT_EQ(sizes.GetArgUlong(4), 0u);

    const CArgArray type = Call("ZelCfgGetIItype", {});
    ASSERT_EQ(type.NumOfArgs(), 2u);
    EXPECT_EQ(type.GetArgUlong(1), 1u);
}

TEST_F(SimFunctions, DcmMessagesAreSentOrRefused)
{
    std::string text;
    const CArgArray refused = Call("DCM_LineInput", {0u, 1u}, &text);
    ASSERT_EQ(refused.NumOfArgs(), 1u);
    EXPECT_EQ(refused.GetArgLong(0), 0);
    EXPECT_EQ(text, "ZELSP: Incorrect argument");

    const CArgArray sent = Call("DCM_LineInput", {5u, 1u}, &text);
    ASSERT_EQ(sent.NumOfArgs(), 1u);
    EXPECT_EQ(sent.GetArgLong(0), 1);
    EXPECT_EQ(text, "OK");
    EXPECT_EQ(Received().back(), "DI 0x05 0x01");
}

TEST_F(SimFunctions, AScriptReadsTheOutputsAsValues)
{
    std::mutex lock;
    std::string output;
    engine_.SetOutputFunction([&](const std::string& text) {
        std::lock_guard<std::mutex> guard(lock);
        output += text;
    });
    CZovLogging::Instance().Clear();
    ASSERT_TRUE(engine_.Run("local ok, link, resp, id, code, values = R(0x2013, 6)\n"
                            "print(ok, link, resp, code, values)\n"
                            "local ok2, v = ZelVerGetComponentVersion(6)\n"
                            "print(ok2, v)\n",
                            "t"));
    ASSERT_TRUE(engine_.WaitForEnd(kEndTimeoutMs));
    EXPECT_EQ(engine_.Outcome(), ScriptOutcome::kSucceeded) << engine_.ErrorText();
    {
        std::lock_guard<std::mutex> guard(lock);
        EXPECT_EQ(output, "1\t0\tc\t0x00\t0x17 Ib: FPGA Type: 2 Rev: 7\n1\tIb: FPGA Type: 2 Rev: 7\n");
    }
    // The read's log line went into the tool log at script level.
    bool saw_read_line = false;
    SystemTime time;
    int32_t level = 0;
    std::string text;
    while (CZovLogging::Instance().GetNextEntry(&time, &level, &text)) {
        saw_read_line = saw_read_line || (level == kZovLogScript && text.rfind("ZELSP_Read=>OK: c ", 0) == 0);
    }
    EXPECT_TRUE(saw_read_line);
}

TEST_F(SimFunctions, AScriptStopsInTheMiddleOfItsRequests)
{
    ASSERT_TRUE(engine_.Run("local n = 0\n"
                            "while true do\n"
                            "  local ok = R(0x2013, 1)\n"
                            "  if ok ~= 1 then error('read failed') end\n"
                            "  n = n + 1\n"
                            "end\n",
                            "loop"));
    // Let a few requests go through first.
    const size_t before = Received().size();
    for (int i = 0; i < 200 && Received().size() < before + 3; ++i) {
        engine_.WaitForEnd(50);
    }
    ASSERT_GE(Received().size(), before + 3);
    EXPECT_TRUE(engine_.Stop(kEndTimeoutMs));
    EXPECT_EQ(engine_.Outcome(), ScriptOutcome::kStopped) << engine_.ErrorText();
    // The handler is still usable afterwards.
    const CArgArray out = Call("ZelCmdGetLogLevel", {});
    EXPECT_EQ(out.GetArgLong(0), 1);
}

// A view change closes one handler and opens the next on the same port; the second must find
// the line as usable as the first did (on a pseudo-terminal too, which never takes 7E1).
TEST(SimHandlers, OneAfterAnotherOnTheSamePort)
{
    CScopedSettingsFile settings;
    CRecordingPrompt prompt;
    CScopedPrompt prompt_guard(prompt);
    BoardSimOptions options;
    options.trace_sink = [](const std::string&) {};
    CBoardSimulator sim(options);
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    AppSettings::SetComPort(sim.DevicePath());
    AppSettings::SetCommandTimeout(8000);
    uint16_t instance = 7;
    for (int i = 0; i < 3; ++i) {
        CSerialCommHandler handler(&instance, false, nullptr);
        uint32_t level = 0;
        uint32_t code = kNoResultCode;
        EXPECT_TRUE(handler.ZelCmdGetLogLevel(&level, &code)) << "handler " << i << ": "
                                                              << handler.GetLastResultText();
    }
    sim.Stop();
}

}  // namespace
