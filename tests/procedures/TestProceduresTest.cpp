// The four guided tests against the simulated board: each one's exact command sequence with and
// without the Prepare flag and with both timings, their failure messages with the test number,
// and the average video level test's polling thread (values reaching the view, stopped before the
// step's own commands and when the dialog closes, the mode radios locked while it runs).
#include <algorithm>

#include "ProcedureFixture.h"
#include "procedures/AverageVideoLevelProcedure.h"
#include "procedures/CosmeticCheckProcedure.h"
#include "procedures/DoseLinkProcedure.h"
#include "procedures/VideoPathProcedure.h"
#include "procedures/ProcedureCatalog.h"

namespace {

using namespace ProcedureControl;
using namespace AverageVideoLevelControl;

enum class Kind { kVideoPath, kAverageLevel, kDoseLink, kCosmetic };

struct tagTestCase {
    Kind test;
    const char* key;
    uint32_t number;        // the subsystem test it runs
    const char* second;     // the state after START
    bool prepares;          // follows the Prepare flag (the doserate link test never prepares)
    bool timing_first;      // the restore sequence unsets the timing before the Involved flags
};

const tagTestCase kTests[] = {
    {Kind::kVideoPath, "video-path", 2, "ACQUI", true, false},
    {Kind::kAverageLevel, "average-video-level", 11, "DOTEST", true, true},
    {Kind::kDoseLink, "dose-link", 20, "DOTEST", false, true},
    {Kind::kCosmetic, "cosmetic-check", 40, "DOTEST", true, true},
};

// The video path presets, in the order they are written and unset.
const std::vector<std::pair<uint32_t, const char*>> kVideoPresets = {
    {0, "StoreImages"},    {0, "ProcedureType"}, {1, "HorizontalFlip"},  {1, "VerticalFlip"},
    {1, "ImageGainControlMode"}, {1, "NoiseReduction"}, {1, "EdgeEnhancement"}, {1, "LastImageHold"},
    {1, "Contrast"},       {1, "Brightness"},    {1, "RotationAngle"},   {1, "Zoom"},
    {1, "Panning"},        {1, "GreyLevelInvert"},
};
const char* const kVideoPresetValues[] = {"0", "0", "0", "0", "2", "0", "0", "0", "8", "8", "0", "100", "0x0000", "0"};

std::vector<std::string> Restore(const tagTestCase& test, bool prepare, bool presets)
{
    std::vector<std::string> wire = {CommandText(kStartApplication)};
    if (prepare && test.prepares) wire.push_back(CommandText(kUnprepare, 1));
    wire.push_back(CommandText(kStopTest, static_cast<int>(test.number)));
    if (test.test == Kind::kAverageLevel) wire.push_back(CommandText(kStopTest, 16));
    const std::vector<std::string> timing = {UnsetText(0, "SensorIntervalTime"), UnsetText(0, "SensorIntegrationTime")};
    const std::vector<std::string> involved = {UnsetText(0, "Involved"), UnsetText(1, "Involved")};
    Append(wire, test.timing_first ? timing : involved);
    Append(wire, test.timing_first ? involved : timing);
    if (presets) {
        for (const auto& [device, name] : kVideoPresets) wire.push_back(UnsetText(device, name));
    }
    return wire;
}

std::vector<std::string> Start(const tagTestCase& test, bool prepare, bool internal, bool presets, uint32_t number)
{
    std::vector<std::string> wire = Restore(test, prepare, presets);
    Append(wire, {SetText(0, "Involved", "1"), SetText(1, "Involved", "1"),
                  SetText(0, "SensorIntervalTime", internal ? "400" : "0"),
                  SetText(0, "SensorIntegrationTime", internal ? "399" : "0")});
    if (presets) {
        for (size_t i = 0; i < kVideoPresets.size(); ++i) {
            wire.push_back(SetText(kVideoPresets[i].first, kVideoPresets[i].second, kVideoPresetValues[i]));
        }
    }
    wire.push_back(CommandText(kStartTest, static_cast<int>(number)));
    if (prepare && test.prepares) wire.push_back(CommandText(kPrepare, 1));
    return wire;
}

std::vector<std::string> Stop(const tagTestCase& test, bool prepare, uint32_t number)
{
    std::vector<std::string> wire;
    if (prepare && test.prepares) wire.push_back(CommandText(kUnprepare, 1));
    wire.push_back(CommandText(kStopTest, static_cast<int>(number)));
    return wire;
}

// The requests without the polling thread's level reads.
std::vector<std::string> WithoutLevelReads(std::vector<std::string> requests)
{
    requests.erase(std::remove_if(requests.begin(), requests.end(),
                                  [](const std::string& r) { return r.rfind("r 0x2809", 0) == 0; }),
                   requests.end());
    return requests;
}

class TestProcedures : public ProcedureTest {
protected:
    std::unique_ptr<CProcedure> Open(const tagTestCase& test, const tagProcedureSettings& settings)
    {
        auto procedure = FindProcedure(test.key)->create(*handler_, view_, settings);
        procedure->Open();
        return procedure;
    }
};

TEST_F(TestProcedures, EachTestsSequenceWithAndWithoutPrepareAndBothTimings)
{
    for (const bool image_processing : {true, false}) {
        handler_.reset();
        if (sim_) sim_->Stop();
        StartBoard(image_processing ? "" : "[Subsystem]\nImageProcessing=0\n");
        for (const tagTestCase& test : kTests) {
            for (const bool prepare : {false, true}) {
                for (const bool internal : {true, false}) {
                    SCOPED_TRACE(std::string(test.key) + (prepare ? " prepare" : "") + (internal ? " internal" : " external") +
                                 (image_processing ? "" : " without image processing"));
                    const bool presets = test.test == Kind::kVideoPath && image_processing;
                    Mark();
                    auto procedure = Open(test, {.prepare = prepare, .internal_timing = internal});
                    EXPECT_EQ(procedure->Description().kind, ProcedureKind::kTest);
                    Mark();
                    procedure->PressStart();
                    ASSERT_EQ(procedure->StateName(), test.second) << procedure->DetailText();
                    EXPECT_EQ(WithoutLevelReads(RequestsSinceMark()),
                              Start(test, prepare, internal, presets, test.number));
                    EXPECT_EQ(view_.Text(kStart), kCaptionContinue);

                    Mark();
                    procedure->PressStart();
                    ASSERT_EQ(procedure->StateName(), "FINISHED") << procedure->DetailText();
                    EXPECT_EQ(WithoutLevelReads(RequestsSinceMark()), Stop(test, prepare, test.number));
                    EXPECT_FALSE(view_.Shown(kStart));
                    EXPECT_EQ(view_.Text(kAction), "Press Exit to return to the tests.");
                    EXPECT_EQ(procedure->PressExit(), kIdOk);

                    Mark();
                    procedure.reset();
                    EXPECT_EQ(RequestsSinceMark(), Restore(test, prepare, presets));
                }
            }
        }
    }
}

TEST_F(TestProcedures, FailuresNameTheTestNumber)
{
    const char* const refused = "0x08000022";
    const char* const out_of_range = "0x06090030";
    // The Involved flag of device 1 is sent after a refused one of device 0, and the code of the
    // last command called is the one shown.
    const char* const after_involved = "0x00000000";
    const struct {
        Kind test;
        const char* scenario;
        bool in_start;  // the refused command belongs to START, else to the second step
        const char* detail;
        const char* code;
    } rows[] = {
        {Kind::kVideoPath, "Result1=0x2000, 22, 0x08000022, 2\n", true, "Start Test 2 failed.", refused},
        {Kind::kVideoPath, "Result1=0x2000, 23, 0x08000022, 2\n", false, "Stop Test 2 failed.", refused},
        {Kind::kAverageLevel, "Result1=0x2000, 22, 0x08000022, 11\n", true, "Start Test 11 failed.", refused},
        {Kind::kAverageLevel, "Result1=0x2000, 23, 0x08000022, 11\n", false, "Stop Test 11 failed.", refused},
        {Kind::kDoseLink, "Result1=0x2000, 22, 0x08000022, 20\n", true, "Start Test 20 failed.", refused},
        {Kind::kDoseLink, "Result1=0x2000, 23, 0x08000022, 20\n", false, "Stop Test 20 failed.", refused},
        {Kind::kCosmetic, "Result1=0x2000, 22, 0x08000022, 40\n", true, "Start Test 40 failed.", refused},
        {Kind::kCosmetic, "Result1=0x2000, 23, 0x08000022, 40\n", false, "Stop Test 40 failed.", refused},
        {Kind::kCosmetic, "Result1=0x2000, 4, 0x08000022\n", true, "Prepare failed.", refused},
        {Kind::kVideoPath, "Result1=0x2000, 5, 0x08000022\n", false, "Unprepare failed.", refused},
        {Kind::kDoseLink, "Result1=0x201F, 2, 0x06090030\n", true,
         "Failed to set field service buffer \"Involved\" flag.", after_involved},
        {Kind::kAverageLevel, "Result1=0x201F, 2, 0x06090030\n", true,
         "Failed to set field service buffer LD0\"Involved\" flag.", after_involved},
        {Kind::kCosmetic, "Result1=0x201F, 28, 0x06090030\n", true,
         "Failed to set the sensor readout interval time to 40 ms.", out_of_range},
        {Kind::kVideoPath, "Result1=0x201F, 30, 0x06090030\n", true,
         "Failed to set the sensor integration time to 39.9 ms.", out_of_range},
    };
    for (const auto& row : rows) {
        const tagTestCase& test = kTests[static_cast<size_t>(row.test)];
        SCOPED_TRACE(std::string(test.key) + ": " + row.detail);
        handler_.reset();
        if (sim_) sim_->Stop();
        StartBoard(std::string("[Results]\n") + row.scenario);
        auto procedure = Open(test, {.prepare = true, .internal_timing = true});
        procedure->PressStart();
        if (!row.in_start) {
            ASSERT_EQ(procedure->StateName(), test.second) << procedure->DetailText();
            procedure->PressStart();
        }
        EXPECT_EQ(procedure->StateName(), "START");
        EXPECT_EQ(procedure->DetailText(), row.detail);
        EXPECT_EQ(procedure->DetailsMessage(), std::string(row.detail) + " (ZEL result: " + row.code + ")");
        EXPECT_EQ(view_.Text(kStatus), kTestFailed);
        EXPECT_TRUE(view_.Red(kStatus));
        EXPECT_EQ(view_.Text(kStart), kCaptionStartTest);
        EXPECT_TRUE(view_.Shown(kStart));
        EXPECT_TRUE(view_.Shown(kDetails));
    }
}

TEST_F(TestProcedures, DoserateLinkNeverPrepares)
{
    StartBoard();
    auto link = Make<CDoseLinkProcedure>({.prepare = true});
    link->PressStart();
    link->PressStart();
    ASSERT_EQ(link->StateName(), "FINISHED") << link->DetailText();
    link.reset();
    for (const std::string& request : RequestsSinceMark()) {
        EXPECT_NE(request, CommandText(kPrepare, 1));
        EXPECT_NE(request, CommandText(kUnprepare, 1));
    }
}

class AverageVideoLevel : public ProcedureTest {
protected:
    // A level that stands still at the target: 1000 (100.0 %), or 171 + 16 = 187 bins.
    void StartSteadyBoard(const std::string& more = "")
    {
        StartBoard("[VideoLevel]\nStart=1000\nTarget=1000\nNoise=0\nBinsAtTarget=171\nOffsetBins=16\n" + more);
    }
    // Waits up to 10 s for the view's value to read text.
    bool WaitForValue(const std::string& text)
    {
        for (int i = 0; i < 1000; ++i) {
            if (view_.Text(kLevelValue) == text) return true;
            CEvent(CEvent::Kind::ManualReset).Wait(10);
        }
        return false;
    }
};

TEST_F(AverageVideoLevel, PolledValuesReachTheViewInEitherMode)
{
    StartSteadyBoard();
    const struct {
        const char* radio;
        const char* shown;
        uint32_t value;
        uint32_t test;
        bool note;
    } rows[] = {
        {kRelative, "100.0 %", 1000, 11, false},
        {kAbsolute, "187 bins", 187, 16, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.radio);
        auto level = Make<CAverageVideoLevelProcedure>();
        std::mutex lock;
        std::vector<std::pair<uint32_t, bool>> values;
        level->SetLevelFunction([&](uint32_t value, bool relative) {
            std::lock_guard<std::mutex> guard(lock);
            values.emplace_back(value, relative);
        });
        EXPECT_EQ(view_.Text(kLevelValue), "???");
        EXPECT_FALSE(view_.Shown(kLevelValue));
        EXPECT_TRUE(level->PressControl(row.radio));
        EXPECT_TRUE(view_.Checked(row.radio));
        Mark();
        level->PressStart();
        ASSERT_EQ(level->StateName(), "DOTEST") << level->DetailText();
        EXPECT_TRUE(level->Polling());
        EXPECT_TRUE(view_.Shown(kLevelLabel));
        EXPECT_TRUE(view_.Shown(kLevelValue));
        EXPECT_EQ(view_.Shown(kLevelNote), row.note);
        ASSERT_TRUE(WaitForValue(row.shown)) << view_.Text(kLevelValue);
        {
            std::lock_guard<std::mutex> guard(lock);
            ASSERT_FALSE(values.empty());
            EXPECT_EQ(values.back(), std::make_pair(row.value, row.test == 11));
        }
        EXPECT_NE(std::find(RequestsSinceMark().begin(), RequestsSinceMark().end(), CommandText(kStartTest, row.test)),
                  RequestsSinceMark().end());

        level->PressStart();
        ASSERT_EQ(level->StateName(), "FINISHED") << level->DetailText();
        EXPECT_FALSE(level->Polling());
        EXPECT_FALSE(view_.Shown(kLevelValue));
        EXPECT_FALSE(view_.Shown(kLevelNote));
        level.reset();
    }
}

TEST_F(AverageVideoLevel, DotestStopsThePollingBeforeItsOwnCommands)
{
    StartSteadyBoard();
    auto level = Make<CAverageVideoLevelProcedure>({.prepare = true});
    level->PressStart();
    ASSERT_TRUE(WaitForValue("100.0 %"));
    Mark();
    level->PressStart();
    ASSERT_EQ(level->StateName(), "FINISHED") << level->DetailText();
    // A read under way may still be answered before the step's first command; none comes after.
    const std::vector<std::string> requests = RequestsSinceMark();
    const auto unprepare = std::find(requests.begin(), requests.end(), CommandText(kUnprepare, 1));
    ASSERT_NE(unprepare, requests.end());
    EXPECT_EQ(std::vector<std::string>(unprepare, requests.end()),
              (std::vector<std::string>{CommandText(kUnprepare, 1), CommandText(kStopTest, 11)}));
    for (auto it = requests.begin(); it != unprepare; ++it) EXPECT_EQ(*it, "r 0x2809 0x01");
}

TEST_F(AverageVideoLevel, ModeRadiosAreLockedWhileTheTestRuns)
{
    StartSteadyBoard();
    auto level = Make<CAverageVideoLevelProcedure>();
    EXPECT_TRUE(view_.Enabled(kRelative));
    EXPECT_TRUE(view_.Enabled(kAbsolute));
    level->PressStart();
    ASSERT_EQ(level->StateName(), "DOTEST");
    EXPECT_FALSE(view_.Enabled(kRelative));
    EXPECT_FALSE(view_.Enabled(kAbsolute));
    EXPECT_TRUE(level->PressControl(kAbsolute));
    EXPECT_TRUE(level->Relative()) << "the mode changed while the test ran";
    EXPECT_TRUE(view_.Checked(kRelative));
    level->PressStart();
    // They stay locked in FINISHED; only a failure unlocks them.
    EXPECT_FALSE(view_.Enabled(kRelative));
    EXPECT_TRUE(level->PressControl(kAbsolute));
    EXPECT_TRUE(level->Relative());
}

TEST_F(AverageVideoLevel, FailureUnlocksTheRadiosAndHidesTheLevel)
{
    StartSteadyBoard("[Results]\nResult1=0x2000, 23, 0x08000022, 16\n");
    auto level = Make<CAverageVideoLevelProcedure>();
    level->PressControl(kAbsolute);
    level->PressStart();
    ASSERT_EQ(level->StateName(), "DOTEST");
    ASSERT_TRUE(WaitForValue("187 bins"));
    level->PressStart();
    EXPECT_EQ(level->StateName(), "START");
    EXPECT_EQ(level->DetailText(), "Stop Test 16 failed.");
    EXPECT_TRUE(view_.Enabled(kRelative));
    EXPECT_TRUE(view_.Enabled(kAbsolute));
    EXPECT_FALSE(view_.Shown(kLevelLabel));
    EXPECT_FALSE(view_.Shown(kLevelValue));
    EXPECT_FALSE(view_.Shown(kLevelNote));
    // The radios work again, and the next run starts the relative test.
    EXPECT_TRUE(level->PressControl(kRelative));
    Mark();
    level->PressStart();
    EXPECT_EQ(level->StateName(), "DOTEST") << level->DetailText();
    const std::vector<std::string> requests = WithoutLevelReads(RequestsSinceMark());
    EXPECT_NE(std::find(requests.begin(), requests.end(), CommandText(kStartTest, 11)), requests.end());
}

TEST_F(AverageVideoLevel, ClosingWhilePollingJoinsTheThreadBeforeTheRestore)
{
    StartSteadyBoard();
    auto level = Make<CAverageVideoLevelProcedure>();
    level->PressStart();
    ASSERT_TRUE(WaitForValue("100.0 %"));
    Mark();
    level->Close();
    EXPECT_FALSE(level->Polling());
    // The restore sequence runs only after the polling thread has ended: nothing reads the
    // level from its first command on.
    const std::vector<std::string> requests = RequestsSinceMark();
    const auto restore = std::find(requests.begin(), requests.end(), CommandText(kStartApplication));
    ASSERT_NE(restore, requests.end());
    EXPECT_EQ(std::vector<std::string>(restore, requests.end()), Restore(kTests[1], false, false));
    for (auto it = requests.begin(); it != restore; ++it) EXPECT_EQ(*it, "r 0x2809 0x01");
    Mark();
    level.reset();
    EXPECT_TRUE(RequestsSinceMark().empty()) << "the restore sequence ran twice";
}

TEST(AverageVideoLevelText, RelativeInTenthsOfAPercentAbsoluteInBins)
{
    EXPECT_EQ(CAverageVideoLevelProcedure::LevelText(1000, true), "100.0 %");
    EXPECT_EQ(CAverageVideoLevelProcedure::LevelText(503, true), "50.3 %");
    EXPECT_EQ(CAverageVideoLevelProcedure::LevelText(0, true), "0.0 %");
    EXPECT_EQ(CAverageVideoLevelProcedure::LevelText(187, false), "187 bins");
    EXPECT_EQ(CAverageVideoLevelProcedure::LevelText(0, false), "0 bins");
}

}  // namespace
