// What the engine tells the script window besides the output: every finished call with its result
// and line, and the line an error points at; and the queue that orders the output pane's pieces.

#include <gtest/gtest.h>

#include "EngineFixture.h"
#include "script/ScriptOutputQueue.h"

namespace {

class ScriptReportsTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        engine_.SetCallEndFunction([this](const tagScriptCall& call) {
            std::lock_guard<std::mutex> guard(lock_);
            calls_seen_.push_back(call);
        });
    }
    std::vector<tagScriptCall> Calls() const { return Recorded(calls_seen_); }

    std::vector<tagScriptCall> calls_seen_;
};

TEST_F(ScriptReportsTest, EveryFinishedCallIsReportedWithItsResultTextAndLine)
{
    ASSERT_TRUE(Succeeds("local a = Read(1, 2)\n\nprint(Fail())\nSilent()"));
    const std::vector<tagScriptCall> calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    const struct {
        const char* name;
        int result;
        const char* result_text;
        int line;
    } rows[] = {{"Read", 1, "OK", 1}, {"Fail", 0, "Command timeout", 3}, {"Silent", 1, "silent", 4}};
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].name, rows[i].name) << i;
        EXPECT_EQ(calls[i].result, rows[i].result) << i;
        EXPECT_EQ(calls[i].result_text, rows[i].result_text) << i;
        EXPECT_EQ(calls[i].line, rows[i].line) << i;
    }
}

int Refused(void*, CArgArray& in, CArgArray& out, std::string& result_text)
{
    out.Append(int32_t{1});
    out.Append(in.GetArgUlong(0));
    result_text = "c 0x0001 0x06020000";
    return 1;
}

TEST_F(ScriptReportsTest, ACallThatTheSubsystemRefusedCarriesItsZelResultCode)
{
    ASSERT_TRUE(engine_.AddFunction("Refused", &Refused, nullptr,
                                    "Refuse.\r\n\r\nRefused(IN: Code)\r\nOUT:\r\n    @0 = Function "
                                    "result: 0=failed, 1=succeeded\r\n    @1 = ZEL result code",
                                    1, 1, 0));
    ASSERT_TRUE(Succeeds("Refused(0x06020000)\nRefused(0)\nFail()"));
    const std::vector<tagScriptCall> calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(calls[0].has_zel_result_code);
    EXPECT_EQ(calls[0].zel_result_code, 0x06020000u);
    EXPECT_TRUE(CScriptOutputQueue::IsFailure(calls[0]));
    EXPECT_TRUE(calls[1].has_zel_result_code);
    EXPECT_FALSE(CScriptOutputQueue::IsFailure(calls[1]));
    EXPECT_FALSE(calls[2].has_zel_result_code);  // Fail names no such output
    EXPECT_TRUE(CScriptOutputQueue::IsFailure(calls[2]));
}

TEST(ZelResultCodeOutputTest, TheOutputIsFoundByItsMeaning)
{
    EXPECT_EQ(ZelResultCodeOutput("Read.\r\n\r\nR(IN: Index)\r\nOUT:\r\n    @0 = Function result: "
                                  "0=failed, 1=succeeded\r\n    @4 = ZEL result code\r\n    @5 = Values"),
              4);
    EXPECT_EQ(ZelResultCodeOutput("Set.\r\n\r\nS()\r\nOUT:\r\n    @1 = ZEL result code"), 1);
    EXPECT_EQ(ZelResultCodeOutput("No code here.\r\n\r\nN()\r\nOUT:\r\n    @1 = highest subindex"), -1);
    EXPECT_EQ(ZelResultCodeOutput(" = ZEL result code"), -1);
    EXPECT_EQ(ZelResultCodeOutput(""), -1);
}

TEST_F(ScriptReportsTest, ACallInAFunctionOfTheScriptReportsTheLineOfTheCall)
{
    ASSERT_TRUE(Succeeds("local function f()\n  return Fail()\nend\nf()\n"));
    ASSERT_EQ(Calls().size(), 1u);
    EXPECT_EQ(Calls()[0].line, 2);
}

TEST_F(ScriptReportsTest, AnErrorNamesTheLineItPointsAt)
{
    const struct {
        const char* script;
        int line;
    } rows[] = {
        {"print(1)\nlocal x = nil\nx()\n", 3},         // run time
        {"print(1)\nif then\n", 2},                      // syntax
        {"\n\nRead(1)\n", 3},                            // refused by the engine
        {"local function f() error('no') end\n\nf()", 1},  // raised by the script
        {"error('no', 0)\n", 1},                         // no position in the message
        {"print(1)\n", 0},                               // no error at all
    };
    for (const auto& row : rows) {
        RunToEnd(row.script);
        EXPECT_EQ(engine_.ErrorLine(), row.line) << row.script << " -> " << engine_.ErrorText();
    }
}

TEST_F(ScriptReportsTest, AStoppedCallIsNotReportedAsFailed)
{
    ASSERT_TRUE(engine_.Run("WaitForStop()", "t"));
    ASSERT_TRUE(entered_.Wait(kEndTimeoutMs));
    ASSERT_TRUE(engine_.Stop(kEndTimeoutMs));
    EXPECT_TRUE(Calls().empty());
}

// The queue's pieces as one text, notes in <angle brackets>, separators in [square] ones.
std::string Shown(CScriptOutputQueue& queue)
{
    std::string shown;
    for (const CScriptOutputQueue::tagPiece& piece : queue.Take()) {
        switch (piece.kind) {
        case CScriptOutputQueue::PieceKind::kOutput: shown += piece.text; break;
        case CScriptOutputQueue::PieceKind::kFailedCall: shown += "<" + piece.text + ">"; break;
        case CScriptOutputQueue::PieceKind::kSeparator: shown += "[" + piece.text + "]"; break;
        }
    }
    return shown;
}

tagScriptCall Failed(const char* name, int line, const char* text = "Command timeout")
{
    return {name, 0, text, line};
}

TEST(ScriptOutputQueueTest, AFailureNoteFollowsThePrintedLineOfItsCall)
{
    struct Step {
        enum { kPrint, kCall, kEnd } what;
        std::string text;
        tagScriptCall call;
    };
    const struct {
        const char* name;
        std::vector<Step> steps;
        const char* shown;
    } rows[] = {
        {"print(R(...)) of a failed call",
         {{Step::kCall, "", Failed("R", 1)}, {Step::kPrint, "0\t3\n", {}}},
         "0\t3\n<line 1: R failed: Command timeout\n>"},
        {"a printed line in pieces",
         {{Step::kCall, "", Failed("R", 1)}, {Step::kPrint, "0", {}}, {Step::kPrint, "\t3\n", {}}},
         "0\t3\n<line 1: R failed: Command timeout\n>"},
        {"a failed call without a print, then another call",
         {{Step::kCall, "", Failed("W", 2)}, {Step::kCall, "", {"R", 1, "OK", 3}},
          {Step::kPrint, "done\n", {}}},
         "<line 2: W failed: Command timeout\n>done\n"},
        {"a failed call at the end of the run",
         {{Step::kPrint, "start\n", {}}, {Step::kCall, "", Failed("R", 4)}, {Step::kEnd, "", {}}},
         "start\n<line 4: R failed: Command timeout\n>"},
        {"succeeded calls add nothing",
         {{Step::kCall, "", {"R", 1, "OK", 1}}, {Step::kPrint, "1\n", {}}, {Step::kEnd, "", {}}},
         "1\n"},
        {"a reply with its own line end and an unknown line",
         {{Step::kCall, "", Failed("R", 0, "c 0x0012 0x06020000\r\n")}, {Step::kEnd, "", {}}},
         "<R failed: c 0x0012 0x06020000\n>"},
        {"no result text",
         {{Step::kCall, "", Failed("ZelDevGetReq", 7, "")}, {Step::kEnd, "", {}}},
         "<line 7: ZelDevGetReq failed\n>"},
        {"a read the subsystem refused although the link worked",
         {{Step::kCall, "", {"R", 1, "c 0x3a18 0x06020000", 3, true, 0x06020000}},
          {Step::kPrint, "1\t0\tc\n", {}}},
         "1\t0\tc\n<line 3: R was refused by the subsystem (ZEL result code 0x06020000): "
         "c 0x3a18 0x06020000\n>"},
        {"a read the subsystem accepted",
         {{Step::kCall, "", {"R", 1, "c 0x3a18 0x00 0x5", 3, true, 0}}, {Step::kEnd, "", {}}},
         ""},
        {"a loop failing the same way is one note and a count",
         {{Step::kCall, "", Failed("R", 4)}, {Step::kCall, "", Failed("R", 4)},
          {Step::kCall, "", Failed("R", 4)}, {Step::kCall, "", {"R", 1, "OK", 4}},
          {Step::kCall, "", Failed("R", 4)}, {Step::kEnd, "", {}}},
         "<line 4: R failed: Command timeout\n><  (the same again 3 times)\n>"},
        {"the count comes before what is printed next",
         {{Step::kCall, "", Failed("R", 4)}, {Step::kCall, "", Failed("R", 4)},
          {Step::kPrint, "done\n", {}}},
         "<line 4: R failed: Command timeout\n><  (the same again 1 time)\n>done\n"},
        {"another failure ends the folding",
         {{Step::kCall, "", Failed("R", 4)}, {Step::kCall, "", Failed("R", 4)},
          {Step::kCall, "", Failed("W", 5)}, {Step::kEnd, "", {}}},
         "<line 4: R failed: Command timeout\n><  (the same again 1 time)\n>"
         "<line 5: W failed: Command timeout\n>"},
        {"notes each with their printed line are not folded",
         {{Step::kCall, "", Failed("R", 1)}, {Step::kPrint, "0\n", {}},
          {Step::kCall, "", Failed("R", 1)}, {Step::kPrint, "0\n", {}}},
         "0\n<line 1: R failed: Command timeout\n>0\n<line 1: R failed: Command timeout\n>"},
    };
    for (const auto& row : rows) {
        CScriptOutputQueue queue;
        for (const Step& step : row.steps) {
            switch (step.what) {
            case Step::kPrint: queue.AddOutput(step.text); break;
            case Step::kCall: queue.AddCall(step.call); break;
            case Step::kEnd: queue.EndRun(); break;
            }
        }
        EXPECT_EQ(Shown(queue), row.shown) << row.name;
    }
}

TEST(ScriptOutputQueueTest, TheFirstPieceAfterATakeAsksForOneFlush)
{
    CScriptOutputQueue queue;
    SystemTime time;
    time.hour = 9;
    time.minute = 5;
    time.second = 7;
    EXPECT_TRUE(queue.AddSeparator(time, "check.lua"));
    EXPECT_FALSE(queue.AddOutput("a\n"));
    EXPECT_EQ(Shown(queue), "[----- 09:05:07 check.lua -----\n]a\n");
    EXPECT_FALSE(queue.AddCall(Failed("R", 1)));  // held: nothing to show yet
    EXPECT_TRUE(queue.AddOutput("b"));
    EXPECT_FALSE(queue.AddOutput("\n"));          // releases the note into the same flush
    EXPECT_EQ(Shown(queue), "b\n<line 1: R failed: Command timeout\n>");
    EXPECT_FALSE(queue.AddCall(Failed("R", 2)));
    EXPECT_TRUE(queue.EndRun());
    EXPECT_EQ(Shown(queue), "<line 2: R failed: Command timeout\n>");
    EXPECT_FALSE(queue.EndRun());
    EXPECT_FALSE(queue.AddOutput(""));
}

}  // namespace
