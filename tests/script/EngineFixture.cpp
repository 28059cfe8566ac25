#include "EngineFixture.h"

#include <stdexcept>

const char EngineFixture::kReadHelp[] = "Read data from the Object Dictionary.\r\n"
                                        "\r\n"
                                        "Read(IN: Index, SubIndex)\r\n"
                                        "OUT:\r\n"
                                        "    @0 = Function result: 0=failed, 1=succeeded\r\n"
                                        "    @1 = Result of communication";

void EngineFixture::SetUp()
{
    auto record_in = [this](std::vector<std::string>& lines) {
        return [this, &lines](const std::string& text) {
            std::lock_guard<std::mutex> guard(lock_);
            lines.push_back(text);
        };
    };
    engine_.SetOutputFunction([this](const std::string& text) {
        std::lock_guard<std::mutex> guard(lock_);
        output_ += text;
    });
    engine_.SetErrorLogFunction(record_in(errors_));
    engine_.SetExtendedLogFunction(record_in(extended_));
    ASSERT_TRUE(engine_.AddFunction("Read", &Read, this, kReadHelp, 2, 2, 0));
    ASSERT_TRUE(engine_.AddFunction("Echo", &Echo, this, "Echo the inputs.\r\n\r\nEcho(IN: ...)", 0,
                                    99, 0));
    ASSERT_TRUE(engine_.AddFunction("Fail", &Fail, this, "", 0, 0, 0));
    ASSERT_TRUE(engine_.AddFunction("Silent", &Silent, this, "", 0, 0, 0));
    ASSERT_TRUE(engine_.AddFunction("Throws", &Throws, this, "", 0, 0, 0));
    ASSERT_TRUE(engine_.AddFunction("WaitForStop", &WaitForStop, this, "", 0, 0, 0));
    ASSERT_TRUE(engine_.AddFunction("Nested", &Nested, this, "", 0, 0, 0));
}

ScriptOutcome EngineFixture::RunToEnd(const std::string& text, const std::vector<std::string>& args)
{
    EXPECT_TRUE(engine_.Run(text, "t", args));
    EXPECT_TRUE(engine_.WaitForEnd(kEndTimeoutMs)) << text;
    return engine_.Outcome();
}

::testing::AssertionResult EngineFixture::Succeeds(const std::string& text,
                                                   const std::vector<std::string>& args)
{
    const ScriptOutcome outcome = RunToEnd(text, args);
    if (outcome == ScriptOutcome::kSucceeded) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << ScriptOutcomeName(outcome) << ": " << engine_.ErrorText();
}

int EngineFixture::Read(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    auto& self = *static_cast<EngineFixture*>(context);
    ++self.calls_;
    out.Append(int32_t{1});
    out.Append(uint32_t{0});
    out.Append("r 0x0012 0x00");
    out.Append(uint32_t{18});
    out.Append(in.GetArgUlong(0));
    out.Append("0x" + std::to_string(in.GetArgUlong(1)));
    result_text = "OK";
    return 1;
}

int EngineFixture::Echo(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    auto& self = *static_cast<EngineFixture*>(context);
    {
        std::lock_guard<std::mutex> guard(self.lock_);
        self.echo_inputs_ = in;
    }
    out.Append(int32_t{1});
    for (size_t i = 0; i < in.NumOfArgs(); ++i) {
        if (in.IsTextArg(i)) {
            out.Append(in.GetArgString(i));
        } else {
            out.Append(static_cast<long>(in.GetArgInt64(i)));
        }
    }
    result_text = "echoed " + std::to_string(in.NumOfArgs());
    return 1;
}

int EngineFixture::Fail(void*, CArgArray&, CArgArray& out, std::string& result_text)
{
    out.Append(int32_t{0});
    result_text = "Command timeout";
    return 0;
}

int EngineFixture::Silent(void*, CArgArray&, CArgArray&, std::string& result_text)
{
    result_text = "silent";
    return 1;
}

int EngineFixture::Throws(void*, CArgArray&, CArgArray&, std::string&)
{
    throw std::runtime_error("fake failure");
}

int EngineFixture::WaitForStop(void* context, CArgArray&, CArgArray& out, std::string& result_text)
{
    auto& self = *static_cast<EngineFixture*>(context);
    self.entered_.Set();
    // A real function waits for its reply and the stop event together; the fake has no reply.
    self.saw_stop_ = self.engine_.StopEvent().Wait(60000) && self.engine_.StopRequested();
    out.Append(int32_t{0});
    result_text = "stopped";
    return 0;
}

int EngineFixture::Nested(void* context, CArgArray&, CArgArray& out, std::string&)
{
    auto& self = *static_cast<EngineFixture*>(context);
    self.nested_run_ = self.engine_.Run("print('nested')", "n") ? 1 : 0;
    self.nested_wait_ = self.engine_.WaitForEnd(kInfinite) ? 1 : 0;
    out.Append(int32_t{1});
    return 1;
}
