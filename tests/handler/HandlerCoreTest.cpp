#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "HandlerFixture.h"
#include "platform/Clock.h"
#include "script/ScriptEngine.h"
#include "shell/AppSettings.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

CArgArray Args(std::initializer_list<std::string> values)
{
    CArgArray in;
    for (const std::string& value : values) in.Append(value);
    return in;
}

uint64_t ElapsedMs(steady_clock::time_point since)
{
    return static_cast<uint64_t>(std::chrono::duration_cast<milliseconds>(steady_clock::now() - since).count());
}

TEST_F(HandlerTest, StartUpStartsTheApplicationAndClearsTheLogWhenHandlingEvents)
{
    {
        auto handler = std::make_unique<CSerialCommHandler>(&message_number_, true, nullptr);
        EXPECT_TRUE(handler->IsConnected());
        EXPECT_EQ(handler->CommandTimeout(), 5000u);
    }
    const std::vector<std::string> messages = board_.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "w 0x0100 0x2000 0x01");
    EXPECT_EQ(messages[1], "w 0x0101 0x2000 0x1a");
    EXPECT_TRUE(prompt_.Texts().empty());
    const auto connection = sink_.PostsOf(kNotifyConnection);
    ASSERT_EQ(connection.size(), 2u);
    EXPECT_EQ(connection[0], (CRecordingSink::Posted{kNotifyConnection, 1, pty_.SlavePath()}));
    EXPECT_EQ(connection[1], (CRecordingSink::Posted{kNotifyConnection, 0, ""}));
}

TEST_F(HandlerTest, StartUpRetriesTheStartWithTheCommandTimeoutAndReportsAFailedReset)
{
    std::atomic<int> starts{0};
    board_.SetResponder([&](const std::string& request, const std::string& whole) -> std::vector<std::string> {
        if (request == "w 0x2000 0x01" && ++starts == 1) return {};  // the first one goes unanswered
        if (request == "w 0x2000 0x1a") return {CScriptedBoard::Reply(whole, "0x05")};
        return {CScriptedBoard::Reply(whole, "0x00")};
    });
    auto handler = std::make_unique<CSerialCommHandler>(&message_number_, true, nullptr);
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"Resetting log failed."});
}

TEST_F(HandlerTest, WithoutEventsTheLogIsNotClearedAndEventsAreIgnored)
{
    auto handler = Connect(false);
    board_.Send("e 2");
    // A request after the event: its reply comes after the event, so the event was seen.
    uint32_t code = 0;
    EXPECT_TRUE(handler->ZelCmdStartApplication(&code));
    EXPECT_TRUE(sink_.PostsOf(kNotifySubsystemEvent).empty());
}

TEST_F(HandlerTest, APortThatCannotBeOpenedIsTriedFiveTimesThenReported)
{
    AppSettings::SetComPort("/dev/no-such-port-for-zov");
    std::vector<uint32_t> pauses;
    CSleepHook hook([&](uint32_t ms) { pauses.push_back(ms); });
    CSerialCommHandler handler(&message_number_, true, nullptr);

    EXPECT_EQ(pauses, (std::vector<uint32_t>{500, 500, 500, 500}));
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{
                                   "COM port could not be opened.\r\nSelect View->Preferences to change the COM port."});
    EXPECT_FALSE(handler.IsConnected());
    EXPECT_TRUE(sink_.PostsOf(kNotifyConnection).empty());

    CArgArray out;
    std::string text;
    EXPECT_EQ(handler.ZELSP_Read(Args({"0x2013", "1"}), out, text), 0);
    EXPECT_EQ(Texts(out), (std::vector<std::string>{"0", "3"}));
    EXPECT_EQ(text, "ZELSP: Communication error");
    EXPECT_EQ(handler.ZELSP_GetCommandResult(out, text), 0);
    EXPECT_EQ(text, "ZELSP: Communication error");
    EXPECT_EQ(handler.DCM_UICommand("X"), 0);
    EXPECT_EQ(handler.GetLastResultText(), "ZELSP: Communication error");
    uint32_t code = 0;
    EXPECT_FALSE(handler.ZelCmdPrepare(1, &code));
    EXPECT_EQ(code, kNoResultCode);
    EXPECT_EQ(message_number_, 0x0100);  // nothing was numbered
}

TEST_F(HandlerTest, ReadAndWriteTextsAndTheReplySplit)
{
    auto handler = Connect();
    board_.SetResponder([](const std::string&, const std::string& whole) -> std::vector<std::string> {
        return {CScriptedBoard::Reply(whole, "0x00 0x0102 0x0304")};
    });
    message_number_ = 0x0012;
    CArgArray out;
    std::string text;
    ASSERT_EQ(handler->ZELSP_Read(Args({"0x2013", "1"}), out, text), 1);
    EXPECT_EQ(board_.Messages().back(), "r 0x0012 0x2013 0x01");
    EXPECT_EQ(Texts(out), (std::vector<std::string>{"1", "0", "c", "0x0012", "0x00", "0x0102 0x0304"}));
    EXPECT_EQ(text, "c 0x0012 0x00 0x0102 0x0304");
    EXPECT_TRUE(CSerialCommHandler::IsRequestOk(1, out));

    CArgArray in = Args({"0x2000", "4", "True", "False", "true"});
    in.Append(uint32_t{7});
    ASSERT_EQ(handler->ZELSP_Write(in, out, text), 1);
    EXPECT_EQ(board_.Messages().back(), "w 0x0013 0x2000 0x04 0x01 0x00 true 7");
}

// A carriage return ends a frame and a "$" starts one: "1\r$01Dw ..." went out as it stood and
// broke the frame. Such a value, and any other control character or 8-bit byte, is refused with
// the incorrect-argument status before anything is sent or a message ID is used up.
TEST_F(HandlerTest, WriteValuesThatWouldBreakTheFrameAreRefusedUnsent)
{
    auto handler = Connect();
    board_.ClearMessages();
    const std::string values[] = {"1\r$01Dw 0x0001 0x2000 0x04 2", "a$b", "tab\there", "line\n", "\x7f",
                                  "caf\xc3\xa9", std::string("nul\0x", 5)};
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        const uint16_t number = message_number_;
        CArgArray out;
        std::string text;
        CArgArray in = Args({"0x2000", "4"});
        in.Append(value);
        EXPECT_EQ(handler->ZELSP_Write(in, out, text), 0);
        EXPECT_EQ(Texts(out), (std::vector<std::string>{"0", "5"}));
        EXPECT_EQ(text, "ZELSP: Incorrect argument");
        EXPECT_EQ(handler->ZELSP_WriteNoWait(in, out, text), 0);
        EXPECT_EQ(text, "ZELSP: Incorrect argument");
        uint32_t code = 0;
        EXPECT_FALSE(handler->ZelCalSetCalibrationData(1, value, &code));
        EXPECT_EQ(code, kNoResultCode);
        EXPECT_EQ(handler->GetLastResultText(), "ZELSP: Incorrect argument");
        EXPECT_EQ(handler->DCM_UICommand(value), 0);
        EXPECT_EQ(handler->GetLastResultText(), "ZELSP: Incorrect argument");
        EXPECT_EQ(message_number_, number);
    }
    // Every printable character but "$" goes out unchanged.
    CArgArray out;
    std::string text;
    CArgArray in = Args({"0x2000", "4", "~!\"#%&'()*+,-./:;<=>?@[\\]^_`{|}"});
    EXPECT_EQ(handler->ZELSP_Write(in, out, text), 1);
    ASSERT_TRUE(board_.WaitForMessages(1, 5000));
    EXPECT_EQ(Requests(), (std::vector<std::string>{"w 0x2000 0x04 ~!\"#%&'()*+,-./:;<=>?@[\\]^_`{|}"}));
}

// Link status 4 means either that the board never acknowledged the request or that it did and
// then sent no reply; the engineer needs to know which (a slow command wants a longer time-out).
TEST_F(HandlerTest, ANoReplyAfterAnAcknowledgementIsToldFromNoLink)
{
    auto handler = Connect();
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    CArgArray out;
    std::string text;
    EXPECT_EQ(handler->ZELSP_Read(Args({"0x2013", "1"}), out, text, 300), 0);
    EXPECT_EQ(text, "ZELSP: Communication timeout");
    EXPECT_TRUE(handler->LastReplyTimedOut());

    board_.SetAcknowledging(false);
    EXPECT_EQ(handler->ZELSP_Read(Args({"0x2013", "1"}), out, text, 300), 0);
    EXPECT_EQ(Texts(out)[1], "4");
    EXPECT_FALSE(handler->LastReplyTimedOut());
}

// A reply whose message ID cannot be read answers no request; read as ID 0 it used to complete
// the request that happened to carry ID 0.
TEST_F(HandlerTest, AReplyWithoutAReadableIdAnswersNothing)
{
    auto handler = Connect();
    message_number_ = 0;
    board_.SetResponder([](const std::string&, const std::string&) -> std::vector<std::string> {
        return {"c zz 0x00 1", "c 0x0000 0x00 2"};
    });
    CArgArray out;
    std::string text;
    ASSERT_EQ(handler->ZELSP_Read(Args({"0x2013", "1"}), out, text, 5000), 1);
    EXPECT_EQ(text, "c 0x0000 0x00 2");
}

TEST(ParseReply, SplitsThreeTokensAndKeepsTheRestAsOneValue)
{
    struct Row {
        const char* reply;
        std::vector<std::string> values;
    };
    const Row rows[] = {
        {"c 0x0012 0x00 0x0102 0x0304", {"c", "0x0012", "0x00", "0x0102 0x0304"}},
        {"c\t0x12\r\n0x00   rest  of it ", {"c", "0x12", "0x00", "rest  of it "}},
        {"c 0x12 0x00", {"c", "0x12", "0x00"}},
        {"c 0x12 0x00 ", {"c", "0x12", "0x00"}},
        {"c", {"c"}},
        {"", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply);
        CArgArray out;
        CSerialCommHandler::ParseReply(row.reply, out);
        EXPECT_EQ(Texts(out), row.values);
    }
}

TEST(IsRequestOk, NeedsSuccessALinkStatusOfZeroAndAcceptance)
{
    struct Row {
        int function_result;
        std::vector<std::string> list;
        bool ok;
    };
    const Row rows[] = {
        {1, {"1", "0", "c", "0x12", "0x00"}, true},
        {1, {"1", "0", "c", "0x12", "0", "values"}, true},
        {0, {"1", "0", "c", "0x12", "0x00"}, false},
        {1, {"1", "4", "c", "0x12", "0x00"}, false},
        {1, {"1", "0", "c", "0x12", "0x01"}, false},
        {1, {"1", "0", "c", "0x12"}, false},
        {1, {"1", "0", "c", "0x12", "junk"}, false},  // a garbled code is no acceptance
    };
    for (const Row& row : rows) {
        CArgArray list;
        for (const std::string& value : row.list) list.Append(value);
        EXPECT_EQ(CSerialCommHandler::IsRequestOk(row.function_result, list), row.ok) << row.list.back();
    }
}

TEST(GetResultText, NamesEveryLinkResult)
{
    const char* texts[] = {"OK",
                           "ZELSP: Not enough memory",
                           "ZELSP: Hardware error",
                           "ZELSP: Communication error",
                           "ZELSP: Communication timeout",
                           "ZELSP: Incorrect argument",
                           "ZELSP: System call error",
                           "ZELSP: Unknown error"};
    for (uint32_t code = 0; code < 8; ++code) EXPECT_EQ(CSerialCommHandler::GetResultText(code), texts[code]);
    EXPECT_EQ(CSerialCommHandler::GetResultText(0xFFFFFFFF), "ZELSP: Unknown error");
}

TEST_F(HandlerTest, MessageIdsWrapBelow32766AndAfter65535)
{
    auto handler = Connect();
    uint32_t code = 0;
    message_number_ = 32765;
    EXPECT_TRUE(handler->ZelCmdStartApplication(&code));
    EXPECT_TRUE(handler->ZelCmdStartApplication(&code));
    message_number_ = 65535;
    EXPECT_TRUE(handler->ZelCmdStartApplication(&code));
    EXPECT_TRUE(handler->ZelCmdStartApplication(&code));
    const std::vector<std::string> messages = board_.Messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(CScriptedBoard::IdOf(messages[0]), "0x7ffd");
    EXPECT_EQ(CScriptedBoard::IdOf(messages[1]), "0x0000");
    EXPECT_EQ(CScriptedBoard::IdOf(messages[2]), "0xffff");
    EXPECT_EQ(CScriptedBoard::IdOf(messages[3]), "0x0000");
    EXPECT_EQ(message_number_, 1);
}

TEST_F(HandlerTest, AReplyNobodyWaitsForIsDroppedAndALateReplyIsNotTakenForTheNext)
{
    auto handler = Connect();
    board_.SetResponder([&](const std::string& request, const std::string& whole) -> std::vector<std::string> {
        if (request == "r 0x2013 0x01") return {};
        return {CScriptedBoard::Reply(whole, "0x00 fresh")};
    });
    board_.Send("c 0x7777 0x00 nobody");
    CArgArray out;
    std::string text;
    EXPECT_EQ(handler->ZELSP_Read(Args({"0x2013", "1"}), out, text, 300), 0);
    EXPECT_EQ(Texts(out), (std::vector<std::string>{"0", "4"}));
    EXPECT_EQ(text, "ZELSP: Communication timeout");

    ASSERT_EQ(board_.Messages().size(), 1u);
    board_.Send(CScriptedBoard::Reply(board_.Messages()[0], "0x00 stale"));
    ASSERT_EQ(handler->ZELSP_Read(Args({"0x2013", "2"}), out, text), 1);
    EXPECT_EQ(out.GetArgString(5), "fresh");
}

TEST_F(HandlerTest, TwoNoWaitRequestsAnsweredInReverseOrder)
{
    auto handler = Connect();
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    CArgArray out;
    std::string text;
    ASSERT_EQ(handler->ZELSP_ReadNoWait(Args({"0x2013", "1"}), out, text), 1);
    EXPECT_EQ(Texts(out), (std::vector<std::string>{"1", "0"}));
    EXPECT_EQ(text, "OK");
    ASSERT_EQ(handler->ZELSP_WriteNoWait(Args({"0x2000", "4", "2"}), out, text), 1);
    ASSERT_TRUE(board_.WaitForMessages(2, 5000));
    const std::vector<std::string> held = board_.Messages();

    // Both replies are in, newest first: the older request's reply is collected first.
    board_.Send(CScriptedBoard::Reply(held[1], "0x00 second"));
    board_.Send(CScriptedBoard::Reply(held[0], "0x00 first"));
    // A blocking request behind them: when it is answered, both replies have arrived.
    board_.SetResponder([](const std::string&, const std::string& whole) -> std::vector<std::string> {
        return {CScriptedBoard::Reply(whole, "0x00")};
    });
    uint32_t code = 0;
    ASSERT_TRUE(handler->ZelCmdStartApplication(&code));
    ASSERT_EQ(handler->ZELSP_GetCommandResult(out, text), 1);
    EXPECT_EQ(out.GetArgString(5), "first");
    EXPECT_EQ(text, "OK: " + CScriptedBoard::Reply(held[0], "0x00 first"));
    ASSERT_EQ(handler->ZELSP_GetCommandResult(out, text), 1);
    EXPECT_EQ(out.GetArgString(5), "second");
    EXPECT_EQ(handler->ZELSP_GetCommandResult(out, text), 0);
    EXPECT_EQ(text, "ZELSP: Communication error");
}

TEST_F(HandlerTest, CollectingWaitsForWhicheverReplyComesFirst)
{
    auto handler = Connect();
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    CArgArray out;
    std::string text;
    ASSERT_EQ(handler->ZELSP_ReadNoWait(Args({"0x2013", "1"}), out, text), 1);
    ASSERT_EQ(handler->ZELSP_ReadNoWait(Args({"0x2013", "2"}), out, text), 1);
    ASSERT_TRUE(board_.WaitForMessages(2, 5000));
    const std::vector<std::string> held = board_.Messages();

    std::thread answer([&] {
        std::this_thread::sleep_for(milliseconds(100));
        board_.Send(CScriptedBoard::Reply(held[1], "0x00 younger"));
    });
    const int result = handler->ZELSP_GetCommandResult(out, text);
    answer.join();
    ASSERT_EQ(result, 1);
    EXPECT_EQ(out.GetArgString(5), "younger");
    EXPECT_EQ(text, CScriptedBoard::Reply(held[1], "0x00 younger"));
    // The older request is still pending.
    board_.Send(CScriptedBoard::Reply(held[0], "0x00 older"));
    ASSERT_EQ(handler->ZELSP_GetCommandResult(out, text), 1);
    EXPECT_EQ(out.GetArgString(5), "older");
}

TEST_F(HandlerTest, CollectingReportsCommandTimeoutWhenNoReplyComes)
{
    AppSettings::SetCommandTimeout(300);
    auto handler = Connect();
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    CArgArray out;
    std::string text;
    ASSERT_EQ(handler->ZELSP_ReadNoWait(Args({"0x2013", "1"}), out, text), 1);
    EXPECT_EQ(handler->ZELSP_GetCommandResult(out, text), 0);
    EXPECT_EQ(Texts(out), (std::vector<std::string>{"0", "3"}));
    EXPECT_EQ(text, "Command timeout");

    // One wait watches at most 64 requests; with 65 outstanding the wait itself fails.
    for (int i = 0; i < 64; ++i) ASSERT_EQ(handler->ZELSP_ReadNoWait(Args({"0x2013", "1"}), out, text), 1);
    EXPECT_EQ(handler->ZELSP_GetCommandResult(out, text), 0);
    EXPECT_EQ(Texts(out), (std::vector<std::string>{"0", "2"}));
    EXPECT_EQ(text, "ZELSP: Hardware error");
}

TEST_F(HandlerTest, DcmMessagesAreAnsweredAndDcmRequestsChecked)
{
    auto handler = Connect();
    board_.Send("ds whoami");
    board_.Send("Ds WhoAmI 7");
    board_.Send("DS WHOAM");
    board_.Send("d anything");
    ASSERT_TRUE(board_.WaitForMessages(4, 5000));
    EXPECT_EQ(board_.Messages(), (std::vector<std::string>{"DR 0x80 0x80", "DR 0x80 0x80", "DR OK", "DR OK"}));
    board_.ClearMessages();

    EXPECT_EQ(handler->DCM_LineInput(0, 1), 0);
    EXPECT_EQ(handler->GetLastResultText(), "ZELSP: Incorrect argument");
    EXPECT_EQ(handler->DCM_LineInput(129, 1), 0);
    EXPECT_EQ(handler->DCM_LineInput(1, 3), 0);
    EXPECT_TRUE(board_.Messages().empty());
    EXPECT_EQ(handler->DCM_LineInput(128, 2), 1);
    EXPECT_EQ(handler->GetLastResultText(), "OK");
    EXPECT_EQ(handler->DCM_UICommand("KEY 5"), 1);
    ASSERT_TRUE(board_.WaitForMessages(2, 5000));
    EXPECT_EQ(board_.Messages(), (std::vector<std::string>{"DI 0x80 0x02", "DUI KEY 5"}));
}

TEST_F(HandlerTest, EventsTwoAndThreeAreNotifiedOthersIgnored)
{
    auto handler = Connect(true);
    board_.Send("e 2");
    board_.Send("E 0x3");
    board_.Send("e 7");
    board_.Send("e");
    ASSERT_TRUE(sink_.WaitFor(kNotifySubsystemEvent, 2, 5000));
    // The ignored ones came after; a round trip lets them be handled before looking.
    uint32_t code = 0;
    EXPECT_TRUE(handler->ZelCmdStartApplication(&code));
    std::this_thread::sleep_for(milliseconds(100));
    const auto events = sink_.PostsOf(kNotifySubsystemEvent);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].wparam, 2u);
    EXPECT_EQ(events[1].wparam, 3u);
}

TEST_F(HandlerTest, DestructionWakesARequestWaitingWithoutLimit)
{
    AppSettings::SetCommandTimeout(0);  // 0 means no limit
    auto handler = Connect();
    EXPECT_EQ(handler->CommandTimeout(), kInfinite);
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });

    std::promise<std::pair<int, std::string>> done;
    std::thread requester([&] {
        CArgArray out;
        std::string text;
        const int result = handler->ZELSP_Read(Args({"0x2013", "1"}), out, text);
        done.set_value({result, text + " " + out.GetArgString(1)});
    });
    ASSERT_TRUE(board_.WaitForMessages(1, 5000));
    const auto start = steady_clock::now();
    handler->CloseComPort();
    requester.join();
    EXPECT_LT(ElapsedMs(start), 5000u);
    const auto [result, text] = done.get_future().get();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text, "ZELSP: Communication error 3");
    handler.reset();
}

TEST_F(HandlerTest, DestructionIsPromptWhenTheBoardIsSilentOrThePortIsGone)
{
    {
        auto handler = Connect(true);
        board_.SetAcknowledging(false);
        const auto start = steady_clock::now();
        handler.reset();
        EXPECT_LT(ElapsedMs(start), 3000u);
    }
    board_.SetAcknowledging(true);
    {
        auto handler = Connect(true);
        board_.HangUp();
        uint32_t code = 0;
        EXPECT_FALSE(handler->ZelCmdStartApplication(&code, 300));
        const auto start = steady_clock::now();
        handler.reset();
        EXPECT_LT(ElapsedMs(start), 3000u);
    }
}

// The DCM answer is still waiting for its acknowledgement when the handler goes: the receive
// thread must stay to take the acknowledgement off the line, or the answer is sent four times
// and the close waits for all of them.
TEST_F(HandlerTest, DestructionLetsADcmAnswerInFlightBeAcknowledged)
{
    auto handler = Connect();
    board_.ClearMessages();
    const size_t frames_before = board_.DataFramesReceived();
    // Longer than the link's 200 ms of silence after which a waiting read gives up.
    board_.SetAckDelayMs(350);
    board_.Send("ds whoami");
    ASSERT_TRUE(board_.WaitForMessages(1, 5000));
    EXPECT_EQ(board_.Messages(), (std::vector<std::string>{"DR 0x80 0x80"}));
    const auto start = steady_clock::now();
    handler.reset();
    // Four unacknowledged attempts would take 2000 ms.
    EXPECT_LT(ElapsedMs(start), 1400u);
    EXPECT_EQ(board_.DataFramesReceived() - frames_before, 1u);
}

}  // namespace

namespace {

// A registered function that reads through the handler given as its context.
int ReadThroughHandler(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    auto* handler = static_cast<CSerialCommHandler*>(context);
    return handler->ZELSP_Read(in, out, result_text);
}

TEST_F(HandlerTest, StoppingTheScriptEndsARequestWaitingWithoutLimit)
{
    AppSettings::SetCommandTimeout(0);
    CScriptEngine engine;
    auto handler = std::make_unique<CSerialCommHandler>(&message_number_, false, &engine);
    ASSERT_TRUE(engine.AddFunction("Read", ReadThroughHandler, handler.get(), "Read.\r\n\r\nRead(IN: Index, SubIndex)",
                                   2, 2, 0));
    board_.ClearMessages();
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    ASSERT_TRUE(engine.Run("Read(0x2013, 1)"));
    ASSERT_TRUE(board_.WaitForMessages(1, 5000));
    const auto start = steady_clock::now();
    EXPECT_TRUE(engine.Stop(5000));
    EXPECT_LT(ElapsedMs(start), 5000u);
    handler.reset();
}

TEST_F(HandlerTest, StoppedRequestsEndTheWaitAndFailAtOnceUntilResumed)
{
    AppSettings::SetCommandTimeout(0);
    auto handler = Connect();
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    std::promise<std::pair<int, std::string>> done;
    std::thread requester([&] {
        CArgArray out;
        std::string text;
        const int result = handler->ZELSP_Read(Args({"0x2013", "1"}), out, text);
        done.set_value({result, text + " " + out.GetArgString(1)});
    });
    ASSERT_TRUE(board_.WaitForMessages(1, 5000));
    const auto start = steady_clock::now();
    handler->StopRequests();
    requester.join();
    EXPECT_LT(ElapsedMs(start), 5000u);
    EXPECT_EQ(done.get_future().get(), std::make_pair(0, std::string("ZELSP: Communication error 3")));
    // The link stays up; later requests fail without traffic until the stop is lifted.
    EXPECT_TRUE(handler->IsConnected());
    board_.ClearMessages();
    uint32_t code = 0;
    EXPECT_FALSE(handler->ZelCmdStartApplication(&code));
    EXPECT_EQ(code, kNoResultCode);
    EXPECT_TRUE(board_.Messages().empty());
    handler->ResumeRequests();
    board_.SetResponder([](const std::string&, const std::string& whole) {
        return std::vector<std::string>{CScriptedBoard::Reply(whole, "0x00")};
    });
    EXPECT_TRUE(handler->ZelCmdStartApplication(&code));
    handler.reset();
}

}  // namespace
