#include <ctime>
#include <functional>

#include "HandlerFixture.h"
#include "platform/Format.h"
#include "shell/AppSettings.h"

namespace {

struct Outcome {
    bool ok;
    std::string values;  // the out values as text, "" for operations without any
};

// Calls an operation in its default-timeout form (t null) or with the explicit timeout *t.
#define CALL0(fn) (t ? h.fn(c, *t) : h.fn(c))
#define CALL(fn, ...) (t ? h.fn(__VA_ARGS__, c, *t) : h.fn(__VA_ARGS__, c))

using Call = Outcome (*)(CSerialCommHandler& h, uint32_t* c, const uint32_t* t);

struct OpRow {
    const char* name;
    Call call;
    std::string request;   // as sent, without the message ID
    std::string reply;     // the reply after "c <id>"
    std::string values;    // the out values on success
};

std::string Num(uint32_t value)
{
    return std::to_string(value);
}

std::string Numbers(const std::array<uint32_t, 16>& values)
{
    std::string text;
    for (uint32_t value : values) text += (text.empty() ? "" : " ") + Num(value);
    return text;
}

ParamValue Value(uint32_t type, const char* text)
{
    return ParamValueFromText(type, text);
}

#define NO_VALUE(fn) [](CSerialCommHandler& h, uint32_t* c, const uint32_t* t) { return Outcome{CALL0(fn), ""}; }
#define WITH_ARG(fn, ...) [](CSerialCommHandler& h, uint32_t* c, const uint32_t* t) { return Outcome{CALL(fn, __VA_ARGS__), ""}; }
#define NUMBER(fn, ...)                                                 \
    [](CSerialCommHandler& h, uint32_t* c, const uint32_t* t) {         \
        uint32_t v = 0xDEAD;                                            \
        const bool ok = CALL(fn, __VA_ARGS__ __VA_OPT__(, ) & v);       \
        return Outcome{ok, Num(v)};                                     \
    }
#define TEXT(fn, ...)                                                   \
    [](CSerialCommHandler& h, uint32_t* c, const uint32_t* t) {         \
        std::string v = "unset";                                        \
        const bool ok = CALL(fn, __VA_ARGS__ __VA_OPT__(, ) & v);       \
        return Outcome{ok, v};                                          \
    }
#define GROUPS(fn)                                                      \
    [](CSerialCommHandler& h, uint32_t* c, const uint32_t* t) {         \
        std::array<uint32_t, 16> v{};                                   \
        const bool ok = CALL(fn, &v);                                   \
        return Outcome{ok, Numbers(v)};                                 \
    }
#define PARAM(fn, ...)                                                  \
    [](CSerialCommHandler& h, uint32_t* c, const uint32_t* t) {         \
        ParamValue v;                                                   \
        const bool ok = CALL(fn, __VA_ARGS__, &v);                      \
        return Outcome{ok, Num(v.type) + ":" + ParamValueText(v)};      \
    }
#define SET_PARAM(device, buffer, name, type, text)                              \
    [](CSerialCommHandler& h, uint32_t* c, const uint32_t* t) {                  \
        const ParamValue v = Value(type, text);                                  \
        return Outcome{CALL(ZelDevSetReq, device, buffer, name, &v), ""};        \
    }

const std::string kWords = "0x000100020003000400050006000700080009000a000b000c000d000e000f0010";

const OpRow kOps[] = {
    {"CmdGetHighestPossibleIndex", NUMBER(ZelCmdGetHighestPossibleIndex), "r 0x2000 0x00", "0x00 0x24", "36"},
    {"CmdStartApplication", NO_VALUE(ZelCmdStartApplication), "w 0x2000 0x01", "0x00", ""},
    {"CmdValidate", WITH_ARG(ZelCmdValidate, 3), "w 0x2000 0x02 3", "0x00", ""},
    {"CmdActivateSettings", WITH_ARG(ZelCmdActivateSettings, 4), "w 0x2000 0x03 4", "0x00", ""},
    {"CmdPrepare", WITH_ARG(ZelCmdPrepare, 2), "w 0x2000 0x04 2", "0x00", ""},
    {"CmdUnprepare", WITH_ARG(ZelCmdUnprepare, 1), "w 0x2000 0x05 1", "0x00", ""},
    {"CmdUnsetFieldService", WITH_ARG(ZelCmdUnset, 9, 0x10, 1), "w 0x2000 0x07 0xff1001", "0x00", ""},
    {"CmdUnsetSystemWide", WITH_ARG(ZelCmdUnset, 0, 2, 0), "w 0x2000 0x07 0x000200", "0x00", ""},
    {"CmdSwitch", WITH_ARG(ZelCmdSwitch, 5), "w 0x2000 0x08 5", "0x00", ""},
    {"CmdCanSwitch", NUMBER(ZelCmdCanSwitch, 1, 10), "w 0x2000 0x09 0x010a", "0x00", "1"},
    {"CmdSelectLogLevel", WITH_ARG(ZelCmdSelectLogLevel, 5), "w 0x2000 0x0e 5", "0x00", ""},
    {"CmdGetLogLevel", NUMBER(ZelCmdGetLogLevel), "r 0x2000 0x0e", "0x00 3", "3"},
    {"CmdNextLogEntry", NO_VALUE(ZelCmdNextLogEntry), "w 0x2000 0x0f", "0x00", ""},
    {"CmdStartCalibration", WITH_ARG(ZelCmdStartCalibration, 7), "w 0x2000 0x10 7", "0x00", ""},
    {"CmdStopCalibration", WITH_ARG(ZelCmdStopCalibration, 7), "w 0x2000 0x11 7", "0x00", ""},
    {"CmdStoreCalibration", WITH_ARG(ZelCmdStoreCalibration, 12), "w 0x2000 0x12 12", "0x00", ""},
    {"CmdStartTest", WITH_ARG(ZelCmdStartTest, 2), "w 0x2000 0x16 2", "0x00", ""},
    {"CmdStopTest", WITH_ARG(ZelCmdStopTest, 2), "w 0x2000 0x17 2", "0x00", ""},
    {"CmdRestoreCalibration", NO_VALUE(ZelCmdRestoreCalibration), "w 0x2000 0x18", "0x00", ""},
    {"CmdResetLog", NO_VALUE(ZelCmdResetLog), "w 0x2000 0x1a", "0x00", ""},
    {"CmdValidateReviewSettings", NO_VALUE(ZelCmdValidateReviewSettings), "w 0x2000 0x1b", "0x00", ""},
    {"CmdActivateReviewSettings", NO_VALUE(ZelCmdActivateReviewSettings), "w 0x2000 0x1c", "0x00", ""},
    {"CmdReviewPrevious", NO_VALUE(ZelCmdReviewPrevious), "w 0x2000 0x1d", "0x00", ""},
    {"CmdReviewNext", NO_VALUE(ZelCmdReviewNext), "w 0x2000 0x1e", "0x00", ""},
    {"CmdGrabLIH", NO_VALUE(ZelCmdGrabLIH), "w 0x2000 0x1f", "0x00", ""},
    {"CmdDeleteImage", NO_VALUE(ZelCmdDeleteImage), "w 0x2000 0x20", "0x00", ""},
    {"CmdDeleteAllImages", NO_VALUE(ZelCmdDeleteAllImages), "w 0x2000 0x21", "0x00", ""},
    {"CmdClearScreen", NO_VALUE(ZelCmdClearScreen), "w 0x2000 0x22", "0x00", ""},
    {"CmdImageExport", NO_VALUE(ZelCmdImageExport), "w 0x2000 0x23", "0x00", ""},
    {"CmdParkImage", NO_VALUE(ZelCmdParkImage), "w 0x2000 0x24", "0x00", ""},
    {"VerGetHighestPossibleIndex", NUMBER(ZelVerGetHighestPossibleIndex), "r 0x2013 0x00", "0x00 5", "5"},
    {"VerGetComponentVersion", TEXT(ZelVerGetComponentVersion, 2), "r 0x2013 0x02", "0x00 V 1.2.3 build 7",
     "1.2.3 build 7"},
    {"VerGetComponentVersionNoBlank", TEXT(ZelVerGetComponentVersion, 3), "r 0x2013 0x03", "0x00 1.2", "1.2"},
    {"CalGetHighestPossibleIndex", NUMBER(ZelCalGetHighestPossibleIndex), "r 0x2007 0x00", "0x00 0x10", "16"},
    {"CalGetCalibrationData", TEXT(ZelCalGetCalibrationData, 3), "r 0x2007 0x03", "0x00 0x0a0b0c 0d",
     "0x0a0b0c 0d"},
    {"CalSetCalibrationData", WITH_ARG(ZelCalSetCalibrationData, 4, "0x0102ff"), "w 0x2007 0x04 0x0102ff", "0x00",
     ""},
    {"CfgGetHighestPossibleIndex", NUMBER(ZelCfgGetHighestPossibleIndex), "r 0x2008 0x00", "0x00 12", "12"},
    {"CfgGetIItype", NUMBER(ZelCfgGetIItype), "r 0x2008 0x02", "0x00 2", "2"},
    {"CfgGetNrOfReceptorFieldSizes", NUMBER(ZelCfgGetNrOfReceptorFieldSizes), "r 0x2008 0x03", "0x00 4", "4"},
    {"CfgGetReceptorFieldSizes", GROUPS(ZelCfgGetReceptorFieldSizes), "r 0x2008 0x04", "0x00 0x0b54091a06e4",
     "2900 2330 1764 0 0 0 0 0 0 0 0 0 0 0 0 0"},
    {"CfgGetSidOffset", GROUPS(ZelCfgGetSidOffset), "r 0x2008 0x0c", "0x00 " + kWords,
     "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16"},
    {"PstGetHighestPossibleIndex", NUMBER(ZelPstGetHighestPossibleIndex), "r 0x2010 0x00", "0x00 1", "1"},
    {"PstGetPowerOnSelfTestResult", NUMBER(ZelPstGetPowerOnSelfTestResult), "r 0x2010 0x01", "0x00 0x8001",
     "32769"},
    {"LogGetHighestPossibleIndex", NUMBER(ZelLogGetHighestPossibleIndex), "r 0x2011 0x00", "0x00 4", "4"},
    {"LogGetNrOfAvailableLogEntries", NUMBER(ZelLogGetNrOfAvailableLogEntries), "r 0x2011 0x01", "0x00 17", "17"},
    {"LogGetLogEntryDataSize", NUMBER(ZelLogGetLogEntryDataSize), "r 0x2011 0x02", "0x00 0x1c", "28"},
    {"LogGetLogEntryData", TEXT(ZelLogGetLogEntryData), "r 0x2011 0x03", "0x00 0x1c Tube temperature high",
     "Tube temperature high"},
    {"FSGetHighestPossibleIndex", NUMBER(ZelFSGetHighestPossibleIndex), "r 0x2809 0x00", "0x00 4", "4"},
    {"FsGetAverageVideoLevelRelative", NUMBER(ZelFsGetAverageVideoLevelRelative), "r 0x2809 0x01", "0x00 503",
     "503"},
    {"FsGetVideoNoiseValue", NUMBER(ZelFsGetVideoNoiseValue), "r 0x2809 0x02", "0x00 0x20", "32"},
    {"FsGetAverageVideoLevelAbsolute", NUMBER(ZelFsGetAverageVideoLevelAbsolute), "r 0x2809 0x03", "0x00 1800",
     "1800"},
    {"FsGetAverageVideoLevelAbsoluteProcessed", NUMBER(ZelFsGetAverageVideoLevelAbsoluteProcessed),
     "r 0x2809 0x04", "0x00 1700", "1700"},
    {"ValGetHighestPossibleIndex", NUMBER(ZelValGetHighestPossibleIndex, 1), "r 0x2801 0x00", "0x00 20", "20"},
    {"ValGetValidationResultSize", NUMBER(ZelValGetValidationResultSize, 0), "r 0x2001 0x01", "0x00 4", "4"},
    {"DevGetHighestPossibleIndex0", NUMBER(ZelDevGetHighestPossibleIndex, 0), "r 0x2021 0x00", "0x00 53", "53"},
    {"DevGetHighestPossibleIndex1", NUMBER(ZelDevGetHighestPossibleIndex, 1), "r 0x2821 0x00", "0x00 45", "45"},
    {"DevSetReqUlong", SET_PARAM(0, 9, "RequestedDoserate", kParamUlong, "1200"), "w 0x201f 0x06 1200", "0x00", ""},
    {"DevSetReqShort", SET_PARAM(1, 10, "RotationAngle", kParamShort, "-90"), "w 0x2830 0x26 -90", "0x00", ""},
    {"DevSetReqBytes", SET_PARAM(1, 0, "Panning", kParamByteArray, "0x1020"), "w 0x2820 0x2a 0x1020", "0x00", ""},
    {"DevSetReqBoolReview0", SET_PARAM(0, 10, "Involved", kParamBool, "1"), "w 0x2801 0x02 1", "0x00", ""},
    {"DevSetReqApplication", SET_PARAM(1, 8, "Zoom", kParamUshort, "400"), "w 0x2828 0x28 400", "0x00", ""},
    {"DevGetReqWords", PARAM(ZelDevGetReq, 0, 3, "DoseRatioTable"), "r 0x2023 0x0e", "0x00 " + kWords,
     "2:" + kWords},
    {"DevGetAcc", PARAM(ZelDevGetAcc, 1, 1, "Zoom"), "r 0x2821 0x29", "0x00 0x0190", "3:400"},
    {"DevGetAccFieldService", PARAM(ZelDevGetAcc, 0, 9, "WhiteClipper"), "r 0x201f 0x2b", "0x00 0x01", "0:1"},
    {"DevGetMin", PARAM(ZelDevGetMin, 1, "RotationAngle"), "r 0x281e 0x26", "0x00 -180", "5:-180"},
    {"DevGetMax", PARAM(ZelDevGetMax, 0, "SensorIntervalTime"), "r 0x201e 0x1d", "0x00 1000", "3:1000"},
};

class TypedOperationsTest : public HandlerTest {
protected:
    void SetUp() override { handler_ = Connect(); }
    void TearDown() override { handler_.reset(); }

    // Answers every request whose text (without ID) is request with reply.
    void Answer(const std::string& request, const std::string& reply)
    {
        board_.SetResponder([request, reply](const std::string& got, const std::string& whole) {
            return std::vector<std::string>{CScriptedBoard::Reply(whole, got == request ? reply : "0x01")};
        });
    }

    std::unique_ptr<CSerialCommHandler> handler_;
};

TEST_F(TypedOperationsTest, EveryOperationAddressesItsEntryAndReadsItsReply)
{
    const uint32_t explicit_timeout = 4000;
    for (const OpRow& row : kOps) {
        for (const uint32_t* timeout : {static_cast<const uint32_t*>(nullptr), &explicit_timeout}) {
            SCOPED_TRACE(std::string(row.name) + (timeout ? " with timeout" : ""));
            Answer(row.request, row.reply);
            board_.ClearMessages();
            uint32_t code = 0xBEEF;
            const Outcome outcome = row.call(*handler_, &code, timeout);
            EXPECT_EQ(Requests(), std::vector<std::string>{row.request});
            EXPECT_TRUE(outcome.ok);
            EXPECT_EQ(code, 0u);
            if (!row.values.empty()) {
                EXPECT_EQ(outcome.values, row.values);
            }
        }
    }
}

TEST_F(TypedOperationsTest, ARefusalReportsTheCodeAndTheReplyAndLeavesOutValuesAlone)
{
    Answer("r 0x2000 0x0e", "0x05 3");
    uint32_t level = 99;
    uint32_t code = 0;
    EXPECT_FALSE(handler_->ZelCmdGetLogLevel(&level, &code));
    EXPECT_EQ(level, 99u);
    EXPECT_EQ(code, 5u);
    EXPECT_EQ(handler_->GetLastResultText().substr(0, 2), "c ");
    EXPECT_EQ(handler_->GetLastResultText().substr(handler_->GetLastResultText().size() - 6), "0x05 3");

    // An impossible switch is refused by the subsystem: not possible, and the code says why.
    Answer("w 0x2000 0x09 0x0203", "0x07");
    uint32_t possible = 42;
    EXPECT_FALSE(handler_->ZelCmdCanSwitch(2, 3, &possible, &code));
    EXPECT_EQ(possible, 42u);
    EXPECT_EQ(code, 7u);
}

// A plain number is read as a number up to its first foreign character, as the parameter reads
// read it ("0x5 extra" is 5 for both). A value without a number at all, or one beyond 32 bits,
// fails with a text that says so: it used to read as a success with 0.
TEST_F(TypedOperationsTest, ReplyValuesReadAsNumbersOrFailSayingSo)
{
    struct Read {
        const char* name;
        std::string request;
        std::function<bool(CSerialCommHandler&, uint32_t*, uint32_t*)> call;
    };
    const Read reads[] = {
        {"log level", "r 0x2000 0x0e", [](auto& h, uint32_t* v, uint32_t* c) { return h.ZelCmdGetLogLevel(v, c); }},
        {"II type", "r 0x2008 0x02", [](auto& h, uint32_t* v, uint32_t* c) { return h.ZelCfgGetIItype(v, c); }},
        {"log entries", "r 0x2011 0x01",
         [](auto& h, uint32_t* v, uint32_t* c) { return h.ZelLogGetNrOfAvailableLogEntries(v, c); }},
        {"accepted zoom", "r 0x2821 0x29",
         [](auto& h, uint32_t* v, uint32_t* c) {
             ParamValue value;
             const bool ok = h.ZelDevGetAcc(1, 1, "Zoom", &value, c);
             if (ok) *v = value.number;
             return ok;
         }},
    };
    struct Value {
        const char* text;
        bool ok;
        uint32_t number;
    };
    const Value values[] = {{"0x5 extra", true, 5}, {"17 entries", true, 17}, {"012", true, 10},
                            {"extra", false, 0},    {"", false, 0},           {"0x100000000", false, 0}};
    for (const Read& read : reads) {
        for (const Value& value : values) {
            SCOPED_TRACE(std::string(read.name) + " \"" + value.text + "\"");
            Answer(read.request, std::string("0x00 ") + value.text);
            uint32_t number = 0xDEAD;
            uint32_t code = 0xBEEF;
            EXPECT_EQ(read.call(*handler_, &number, &code), value.ok);
            EXPECT_EQ(code, 0u);
            const std::string text = handler_->GetLastResultText();
            if (value.ok) {
                EXPECT_EQ(number, value.number);
                EXPECT_EQ(text.substr(0, 2), "c ");
            } else {
                EXPECT_EQ(number, 0xDEADu);
                EXPECT_EQ(text.rfind("No number in the reply's value: \"c ", 0), 0u) << text;
                EXPECT_NE(text.find(std::string("0x00 ") + value.text), std::string::npos) << text;
            }
        }
    }
}

// A result code that is no number is no code: the operation fails and reports none.
TEST_F(TypedOperationsTest, AGarbledResultCodeIsNoCode)
{
    Answer("w 0x2000 0x04 2", "0x0#");
    uint32_t code = 0;
    EXPECT_FALSE(handler_->ZelCmdPrepare(2, &code));
    EXPECT_EQ(code, kNoResultCode);
}

TEST_F(TypedOperationsTest, NoReplyGivesTheTimeoutTextAndNoResultCode)
{
    board_.SetResponder([](const std::string&, const std::string&) { return std::vector<std::string>{}; });
    uint32_t code = 0;
    EXPECT_FALSE(handler_->ZelCmdPrepare(1, &code, 300));
    EXPECT_EQ(code, kNoResultCode);
    EXPECT_EQ(handler_->GetLastResultText(), "ZELSP: Communication timeout");
}

TEST_F(TypedOperationsTest, SetClockSendsThePcTimeFromTheSubsystemEpoch)
{
    uint32_t code = 0;
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    ASSERT_TRUE(handler_->ZelCmdSetClock(&code));
    const int64_t after = static_cast<int64_t>(std::time(nullptr));
    const std::vector<std::string> requests = Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string sent = requests[0];
    EXPECT_TRUE(sent == "w 0x2000 0x0d " + SetClockDataText(before) ||
                sent == "w 0x2000 0x0d " + SetClockDataText(after))
        << sent;
}

TEST_F(TypedOperationsTest, LogEntryInfoFieldsSitAtTheirPositionsLeastSignificantByteFirst)
{
    Answer("r 0x2011 0x04", "0x00 0x0712340003058033ee00010a");
    LogEntryInfo info;
    uint32_t code = 1;
    ASSERT_TRUE(handler_->ZelLogGetLogEntryInfo(&info, &code));
    EXPECT_EQ(info, (LogEntryInfo{0x07, 0x1234, 0x00, 0x03, 0x05, 0x00ee3380, 0x0a01}));

    // A short reply leaves the missing fields 0.
    Answer("r 0x2011 0x04", "0x00 0x0712");
    ASSERT_TRUE(handler_->ZelLogGetLogEntryInfo(&info, &code));
    EXPECT_EQ(info, (LogEntryInfo{0x07, 0x12, 0, 0, 0, 0, 0}));
}

TEST_F(TypedOperationsTest, ErrorBitsNeedExactlyTwoDigitsPerByte)
{
    struct Row {
        const char* value;
        bool ok;
    };
    const Row rows[] = {{"0x01020304", true}, {"0x010203", false}, {"0x0102030405", false}, {"0x", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        Answer("r 0x2801 0x04", std::string("0x00 ") + row.value);
        std::vector<uint8_t> bytes = {9};
        uint32_t code = 1;
        EXPECT_EQ(handler_->ZelValGetErrorBits(1, 2, 4, &bytes, &code), row.ok);
        EXPECT_EQ(code, 0u);
        const std::vector<uint8_t> expected = row.ok ? std::vector<uint8_t>{1, 2, 3, 4} : std::vector<uint8_t>{9};
        EXPECT_EQ(bytes, expected);
    }
    // A size whose text length does not fit 32 bits is simply not the reply.
    std::vector<uint8_t> bytes;
    uint32_t code = 1;
    Answer("r 0x2001 0x00", "0x00 0x");
    EXPECT_FALSE(handler_->ZelValGetErrorBits(0, 0, 0x7FFFFFFF, &bytes, &code));
}

TEST_F(TypedOperationsTest, RefusedInputsSendNothing)
{
    const ParamValue ulong_value = Value(kParamUlong, "1");
    const ParamValue bool_value = Value(kParamBool, "1");
    struct Row {
        const char* name;
        std::function<bool(CSerialCommHandler&, uint32_t*)> call;
        uint32_t code_after;
    };
    const Row rows[] = {
        {"Unset buffer 3", [](auto& h, uint32_t* c) { return h.ZelCmdUnset(3, 1, 0, c); }, 0xBEEF},
        {"GetReq buffer 11", [](auto& h, uint32_t* c) { ParamValue v; return h.ZelDevGetReq(0, 11, "Involved", &v, c); },
         kNoResultCode},
        {"GetReq device 2", [](auto& h, uint32_t* c) { ParamValue v; return h.ZelDevGetReq(2, 0, "Involved", &v, c); },
         kNoResultCode},
        {"GetAcc Zoom on device 0", [](auto& h, uint32_t* c) { ParamValue v; return h.ZelDevGetAcc(0, 1, "Zoom", &v, c); },
         kNoResultCode},
        {"GetMin unknown name", [](auto& h, uint32_t* c) { ParamValue v; return h.ZelDevGetMin(1, "zoom", &v, c); },
         kNoResultCode},
        {"GetMax device 5", [](auto& h, uint32_t* c) { ParamValue v; return h.ZelDevGetMax(5, "Zoom", &v, c); },
         kNoResultCode},
        {"SetReq wrong type", [&](auto& h, uint32_t* c) { return h.ZelDevSetReq(0, 0, "Involved", &ulong_value, c); },
         kNoResultCode},
        {"SetReq buffer 11", [&](auto& h, uint32_t* c) { return h.ZelDevSetReq(0, 11, "Involved", &bool_value, c); },
         kNoResultCode},
        {"SetReq no value", [](auto& h, uint32_t* c) { return h.ZelDevSetReq(0, 0, "Involved", nullptr, c); },
         kNoResultCode},
        {"DevGetHighest device 2", [](auto& h, uint32_t* c) { uint32_t v; return h.ZelDevGetHighestPossibleIndex(2, &v, c); },
         kNoResultCode},
        {"ErrorBits device 2", [](auto& h, uint32_t* c) { std::vector<uint8_t> v; return h.ZelValGetErrorBits(2, 0, 4, &v, c); },
         kNoResultCode},
        {"ErrorBits buffer 11", [](auto& h, uint32_t* c) { std::vector<uint8_t> v; return h.ZelValGetErrorBits(0, 11, 4, &v, c); },
         kNoResultCode},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        board_.ClearMessages();
        const uint16_t number = message_number_;
        uint32_t code = 0xBEEF;
        EXPECT_FALSE(row.call(*handler_, &code));
        EXPECT_EQ(code, row.code_after);
        EXPECT_EQ(message_number_, number);
        EXPECT_TRUE(board_.Messages().empty());
    }
}

}  // namespace
