// The handler against the simulated board: the two sides are written independently from the
// wire format, so each checks the other.
#include <algorithm>
#include <cmath>
#include <chrono>
#include <ctime>
#include <thread>
#include <functional>

#include "BoardSimulator.h"
#include "HandlerFixture.h"
#include "handler/LogLevelSelection.h"
#include "logging/ZelApplicationLogging.h"
#include "shell/AppSettings.h"

namespace {

class SimulatorTest : public ::testing::Test {
protected:
    ~SimulatorTest() override
    {
        handler_.reset();
        if (sim_) sim_->Stop();
    }

    void StartBoard(const std::string& scenario = "")
    {
        BoardSimOptions options;
        if (!scenario.empty()) options.scenario_file = folder_.Write("scenario.ini", scenario);
        options.trace_sink = [](const std::string&) {};
        sim_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        AppSettings::SetComPort(sim_->DevicePath());
        AppSettings::SetCommandTimeout(5000);
    }

    void Connect(bool handle_events)
    {
        handler_ = std::make_unique<CSerialCommHandler>(&message_number_, handle_events, nullptr);
        ASSERT_TRUE(handler_->IsConnected());
    }

    // The last request the board received, without its message ID (the DCM answer to the
    // board's question may come at any time and is skipped).
    std::string LastRequest() const
    {
        const std::vector<std::string> messages = sim_->ReceivedMessages();
        for (auto it = messages.rbegin(); it != messages.rend(); ++it)
            if (!it->empty() && (it->front() == 'r' || it->front() == 'w')) return CScriptedBoard::WithoutId(*it);
        return "";
    }

    CScopedSettingsFile settings_;
    CTempFolder folder_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    CRecordingSink sink_;
    CScopedNotifySink scoped_sink_{sink_};
    uint16_t message_number_ = 0x0200;
    std::unique_ptr<CBoardSimulator> sim_;
    std::unique_ptr<CSerialCommHandler> handler_;
};

std::string Numbers(const std::array<uint32_t, 16>& values)
{
    std::string text;
    for (uint32_t value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
    return text;
}

TEST_F(SimulatorTest, StartUpAndTheBoardsWhoAmIQuestion)
{
    StartBoard();
    Connect(true);
    // The answer is sent by the handler's DCM thread, so it may still be on its way.
    auto answered = [&] {
        const std::vector<std::string> got = sim_->ReceivedMessages();
        return std::find(got.begin(), got.end(), "DR 0x80 0x80") != got.end();
    };
    for (int i = 0; i < 500 && !answered(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::vector<std::string> messages = sim_->ReceivedMessages();
    std::vector<std::string> requests;
    for (const std::string& message : messages) requests.push_back(CScriptedBoard::WithoutId(message));
    // The board asks who is there when the link comes up; the answer may come between the
    // start-up commands.
    EXPECT_NE(std::find(requests.begin(), requests.end(), "DR 0x80 0x80"), requests.end());
    requests.erase(std::remove(requests.begin(), requests.end(), "DR 0x80 0x80"), requests.end());
    EXPECT_EQ(requests, (std::vector<std::string>{"w 0x2000 0x01", "w 0x2000 0x1a"}));
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(SimulatorTest, InformationObjectsReadAsTheBoardDescribesThem)
{
    StartBoard("[Subsystem]\nIIType=2\nReceptorFieldSizes=310,230,170\nSidOffsets=118,115,0x70\nPostResult=0x10\n"
               "[Versions]\nComponent2=Cb: Boot 9.9.9\n[Log]\nLevel=4\n");
    Connect(false);
    uint32_t code = 1;
    uint32_t number = 0;
    std::string text;
    std::array<uint32_t, 16> groups{};

    ASSERT_TRUE(handler_->ZelCmdGetHighestPossibleIndex(&number, &code));
    EXPECT_EQ(LastRequest(), "r 0x2000 0x00");
    EXPECT_EQ(number, 36u);
    ASSERT_TRUE(handler_->ZelCmdGetLogLevel(&number, &code));
    EXPECT_EQ(number, 4u);
    ASSERT_TRUE(handler_->ZelVerGetHighestPossibleIndex(&number, &code));
    EXPECT_EQ(number, 8u);
    ASSERT_TRUE(handler_->ZelVerGetComponentVersion(2, &text, &code));
    EXPECT_EQ(LastRequest(), "r 0x2013 0x02");
    EXPECT_EQ(text, "Cb: Boot 9.9.9");
    ASSERT_TRUE(handler_->ZelCfgGetHighestPossibleIndex(&number, &code));
    EXPECT_EQ(number, 12u);
    ASSERT_TRUE(handler_->ZelCfgGetIItype(&number, &code));
    EXPECT_EQ(number, 2u);
    ASSERT_TRUE(handler_->ZelCfgGetNrOfReceptorFieldSizes(&number, &code));
    EXPECT_EQ(number, 3u);
    ASSERT_TRUE(handler_->ZelCfgGetReceptorFieldSizes(&groups, &code));
    EXPECT_EQ(Numbers(groups), "310 230 170 0 0 0 0 0 0 0 0 0 0 0 0 0");
    ASSERT_TRUE(handler_->ZelCfgGetSidOffset(&groups, &code));
    EXPECT_EQ(LastRequest(), "r 0x2008 0x0c");
    EXPECT_EQ(Numbers(groups), "118 115 112 0 0 0 0 0 0 0 0 0 0 0 0 0");
    ASSERT_TRUE(handler_->ZelPstGetHighestPossibleIndex(&number, &code));
    EXPECT_EQ(number, 1u);
    ASSERT_TRUE(handler_->ZelPstGetPowerOnSelfTestResult(&number, &code));
    EXPECT_EQ(number, 0x10u);
    ASSERT_TRUE(handler_->ZelLogGetHighestPossibleIndex(&number, &code));
    EXPECT_EQ(number, 4u);
    EXPECT_EQ(code, 0u);
}

TEST_F(SimulatorTest, EveryOtherOperationReachesItsEntry)
{
    StartBoard();
    Connect(false);
    uint32_t code = 1;
    uint32_t number = 0;
    std::string text;
    struct Row {
        const char* name;
        std::function<bool()> call;
        const char* request;
    };
    const Row rows[] = {
        {"Validate", [&] { return handler_->ZelCmdValidate(1, &code); }, "w 0x2000 0x02 1"},
        {"ActivateSettings", [&] { return handler_->ZelCmdActivateSettings(1, &code); }, "w 0x2000 0x03 1"},
        {"Prepare", [&] { return handler_->ZelCmdPrepare(1, &code); }, "w 0x2000 0x04 1"},
        {"Switch", [&] { return handler_->ZelCmdSwitch(2, &code); }, "w 0x2000 0x08 2"},
        {"CanSwitch", [&] { return handler_->ZelCmdCanSwitch(1, 2, &number, &code); }, "w 0x2000 0x09 0x0102"},
        {"Unprepare", [&] { return handler_->ZelCmdUnprepare(1, &code); }, "w 0x2000 0x05 1"},
        {"Unset", [&] { return handler_->ZelCmdUnset(9, 6, 0, &code); }, "w 0x2000 0x07 0xff0600"},
        {"SetClock", [&] { return handler_->ZelCmdSetClock(&code); }, nullptr},
        {"SelectLogLevel", [&] { return handler_->ZelCmdSelectLogLevel(2, &code); }, "w 0x2000 0x0e 2"},
        {"StartCalibration", [&] { return handler_->ZelCmdStartCalibration(1, &code); }, "w 0x2000 0x10 1"},
        {"StopCalibration", [&] { return handler_->ZelCmdStopCalibration(1, &code); }, "w 0x2000 0x11 1"},
        {"StoreCalibration", [&] { return handler_->ZelCmdStoreCalibration(1, &code); }, "w 0x2000 0x12 1"},
        {"StartTest", [&] { return handler_->ZelCmdStartTest(11, &code); }, "w 0x2000 0x16 11"},
        {"StopTest", [&] { return handler_->ZelCmdStopTest(11, &code); }, "w 0x2000 0x17 11"},
        {"RestoreCalibration", [&] { return handler_->ZelCmdRestoreCalibration(&code); }, "w 0x2000 0x18"},
        {"ResetLog", [&] { return handler_->ZelCmdResetLog(&code); }, "w 0x2000 0x1a"},
        {"NextLogEntry", [&] { return handler_->ZelCmdNextLogEntry(&code); }, "w 0x2000 0x0f"},
        {"ValidateReview", [&] { return handler_->ZelCmdValidateReviewSettings(&code); }, "w 0x2000 0x1b"},
        {"ActivateReview", [&] { return handler_->ZelCmdActivateReviewSettings(&code); }, "w 0x2000 0x1c"},
        {"ReviewPrevious", [&] { return handler_->ZelCmdReviewPrevious(&code); }, "w 0x2000 0x1d"},
        {"ReviewNext", [&] { return handler_->ZelCmdReviewNext(&code); }, "w 0x2000 0x1e"},
        {"GrabLIH", [&] { return handler_->ZelCmdGrabLIH(&code); }, "w 0x2000 0x1f"},
        {"DeleteImage", [&] { return handler_->ZelCmdDeleteImage(&code); }, "w 0x2000 0x20"},
        {"DeleteAllImages", [&] { return handler_->ZelCmdDeleteAllImages(&code); }, "w 0x2000 0x21"},
        {"ClearScreen", [&] { return handler_->ZelCmdClearScreen(&code); }, "w 0x2000 0x22"},
        {"ImageExport", [&] { return handler_->ZelCmdImageExport(&code); }, "w 0x2000 0x23"},
        {"ParkImage", [&] { return handler_->ZelCmdParkImage(&code); }, "w 0x2000 0x24"},
        {"CalHighest", [&] { return handler_->ZelCalGetHighestPossibleIndex(&number, &code); }, "r 0x2007 0x00"},
        {"CalGet", [&] { return handler_->ZelCalGetCalibrationData(1, &text, &code); }, "r 0x2007 0x01"},
        {"CalSet", [&] { return handler_->ZelCalSetCalibrationData(1, text, &code); }, nullptr},
        {"LogCount", [&] { return handler_->ZelLogGetNrOfAvailableLogEntries(&number, &code); }, "r 0x2011 0x01"},
        {"LogSize", [&] { return handler_->ZelLogGetLogEntryDataSize(&number, &code); }, "r 0x2011 0x02"},
        {"LogData", [&] { return handler_->ZelLogGetLogEntryData(&text, &code); }, "r 0x2011 0x03"},
        {"LogInfo", [&] { LogEntryInfo info; return handler_->ZelLogGetLogEntryInfo(&info, &code); }, "r 0x2011 0x04"},
        {"FsHighest", [&] { return handler_->ZelFSGetHighestPossibleIndex(&number, &code); }, "r 0x2809 0x00"},
        {"FsRelative", [&] { return handler_->ZelFsGetAverageVideoLevelRelative(&number, &code); }, "r 0x2809 0x01"},
        {"FsNoise", [&] { return handler_->ZelFsGetVideoNoiseValue(&number, &code); }, "r 0x2809 0x02"},
        {"FsAbsolute", [&] { return handler_->ZelFsGetAverageVideoLevelAbsolute(&number, &code); }, "r 0x2809 0x03"},
        {"FsProcessed", [&] { return handler_->ZelFsGetAverageVideoLevelAbsoluteProcessed(&number, &code); },
         "r 0x2809 0x04"},
        {"ValHighest", [&] { return handler_->ZelValGetHighestPossibleIndex(1, &number, &code); }, "r 0x2801 0x00"},
        {"ValSize", [&] { return handler_->ZelValGetValidationResultSize(0, &number, &code); }, "r 0x2001 0x01"},
        {"DevHighest", [&] { return handler_->ZelDevGetHighestPossibleIndex(1, &number, &code); }, "r 0x2821 0x00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        code = 0xBEEF;
        row.call();
        if (row.request) {
            EXPECT_EQ(LastRequest(), row.request);
        }
        // The board answered: either accepted or with its own code, never without one.
        EXPECT_NE(code, kNoResultCode);
        EXPECT_NE(code, 0xBEEFu);
    }
    EXPECT_EQ(handler_->GetLastResultText().substr(0, 2), "c ");
}

TEST_F(SimulatorTest, ParametersRoundTripAndValidationBitsHaveTheAnnouncedSize)
{
    StartBoard();
    Connect(false);
    uint32_t code = 1;
    const ParamValue zoom = ParamValueFromText(kParamUshort, "2");
    ASSERT_TRUE(handler_->ZelDevSetReq(1, 3, "Zoom", &zoom, &code));
    EXPECT_EQ(LastRequest(), "w 0x2823 0x28 2");
    ParamValue read;
    ASSERT_TRUE(handler_->ZelDevGetReq(1, 3, "Zoom", &read, &code));
    EXPECT_EQ(LastRequest(), "r 0x2823 0x28");
    EXPECT_EQ(read, zoom);

    const ParamValue angle = ParamValueFromText(kParamShort, "-90");
    ASSERT_TRUE(handler_->ZelDevSetReq(1, 9, "RotationAngle", &angle, &code));
    ASSERT_TRUE(handler_->ZelDevGetReq(1, 9, "RotationAngle", &read, &code));
    EXPECT_EQ(read.signed_number, -90);

    ASSERT_TRUE(handler_->ZelDevGetMin(0, "SelectedReceptorFieldSize", &read, &code));
    EXPECT_EQ(LastRequest(), "r 0x201e 0x10");
    EXPECT_EQ(read.number, 230u);
    ASSERT_TRUE(handler_->ZelDevGetMax(0, "SelectedReceptorFieldSize", &read, &code));
    EXPECT_EQ(LastRequest(), "r 0x201e 0x11");
    EXPECT_EQ(read.number, 380u);

    uint32_t size = 0;
    ASSERT_TRUE(handler_->ZelValGetValidationResultSize(0, &size, &code));
    std::vector<uint8_t> bits;
    ASSERT_TRUE(handler_->ZelValGetErrorBits(0, 3, size, &bits, &code));
    EXPECT_EQ(LastRequest(), "r 0x2001 0x06");
    EXPECT_EQ(bits.size(), size);
    EXPECT_FALSE(handler_->ZelValGetErrorBits(0, 3, size + 1, &bits, &code));
}

TEST_F(SimulatorTest, NewLogEntriesArriveInTheApplicationLogWithTodaysTime)
{
    CZelApplicationLogging::ZelApplicationLogEntry entry;
    while (CZelApplicationLogging::Instance().GetNextEntry(entry)) {
    }
    StartBoard("[Log]\nLevel=0\nEntry1=400, 7, 5, 0x1234, Collimator blocked\nEntry2=450, 9, 6, 0x0042, Tube hot\n");
    Connect(true);
    ASSERT_TRUE(sink_.WaitFor(kNotifySubsystemEvent, 2, 10000));

    std::vector<CZelApplicationLogging::ZelApplicationLogEntry> entries;
    while (CZelApplicationLogging::Instance().GetNextEntry(entry)) entries.push_back(entry);
    auto find = [&](const std::string& text) {
        return std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.text == text; });
    };
    const auto blocked = find("Collimator blocked");
    const auto hot = find("Tube hot");
    ASSERT_NE(blocked, entries.end());
    ASSERT_NE(hot, entries.end());
    EXPECT_LT(blocked, hot);
    EXPECT_EQ(blocked->component_id, 7u);
    EXPECT_EQ(blocked->severity, 5u);
    EXPECT_EQ(blocked->logging_id, 0x1234u);
    EXPECT_EQ(hot->sequence_number, blocked->sequence_number + 1);

    // The board's clock runs on the PC's time, so the local stamp is now, give or take.
    std::tm tm{};
    tm.tm_year = hot->time_stamp.year - 1900;
    tm.tm_mon = hot->time_stamp.month - 1;
    tm.tm_mday = hot->time_stamp.day;
    tm.tm_hour = hot->time_stamp.hour;
    tm.tm_min = hot->time_stamp.minute;
    tm.tm_sec = hot->time_stamp.second;
    tm.tm_isdst = -1;
    const double off = std::difftime(std::mktime(&tm), std::time(nullptr));
    EXPECT_LT(std::abs(off), 120.0) << off;
}

TEST_F(SimulatorTest, TheLogLevelSelectionReadsAndSetsTheBoardsLevel)
{
    StartBoard("[Log]\nLevel=6\n");
    Connect(false);
    CLogLevelSelection selection(*handler_);
    EXPECT_EQ(selection.Open(), 6);
    EXPECT_TRUE(selection.Ok(5));
    EXPECT_EQ(LastRequest(), "w 0x2000 0x0e 5");
    uint32_t level = 0;
    uint32_t code = 0;
    ASSERT_TRUE(handler_->ZelCmdGetLogLevel(&level, &code));
    EXPECT_EQ(level, 5u);
}

}  // namespace
