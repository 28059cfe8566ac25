// The five calibrations against the simulated board: a refused command in every step, the
// restore sequences, the presets with their tolerated codes, the timing, the exit results.
#include <algorithm>
#include <functional>

#include "ProcedureFixture.h"
#include "platform/Format.h"
#include "procedures/CameraHeadProcedure.h"
#include "procedures/DoseDoserateProcedure.h"
#include "procedures/DoseExposureProcedure.h"
#include "procedures/IIDiameterProcedure.h"
#include "procedures/IIFocusProcedure.h"
#include "procedures/ProcedureCatalog.h"

namespace {

using namespace ProcedureControl;

// One press: "start", a control's name, or "=TEXT" to type TEXT into the doserate entry.
void Press(CProcedure& procedure, CRecordingProcedureView& view, const std::string& action)
{
    if (action == "start") {
        procedure.PressStart();
    } else if (!action.empty() && action[0] == '=') {
        view.Type(kDoserateEntry, action.substr(1));
    } else {
        procedure.PressControl(action);
    }
}

struct tagRefusal {
    const char* key;          // the procedure
    bool prepare;
    const char* scenario;     // makes one command fail
    std::vector<std::string> presses;  // the last one fails
    const char* detail;
    uint32_t code;            // the result code Show Details names
};

void PrintTo(const tagRefusal& row, std::ostream* out)
{
    *out << row.key << (row.prepare ? " (prepare): " : ": ") << row.detail;
}

class RefusedCommandTest : public ProcedureTest, public ::testing::WithParamInterface<tagRefusal> {};

// Three formats, the largest not first, so that ANNOUNCE selects another than START does.
const char kFormats[] = "[Subsystem]\nReceptorFieldSizes=310,380,230\n[Results]\n";

TEST_P(RefusedCommandTest, ShowsItsMessageAndGoesBackToStart)
{
    const tagRefusal& row = GetParam();
    StartBoard(std::string(kFormats) + row.scenario + "\n");
    const tagProcedureEntry* entry = FindProcedure(row.key);
    ASSERT_NE(entry, nullptr);
    view_.QueueAnswers({true});
    std::unique_ptr<CProcedure> procedure = entry->create(Handler(), view_, {.prepare = row.prepare});
    procedure->Open();
    for (size_t i = 0; i + 1 < row.presses.size(); ++i) {
        const uint32_t before = procedure->State();
        Press(*procedure, view_, row.presses[i]);
        ASSERT_NE(procedure->State() == 1 && before != 1 ? "failed" : "", std::string("failed"))
            << "press " << i << ": " << procedure->DetailText();
        ASSERT_EQ(view_.Text(kStatus), "") << "press " << i << ": " << procedure->DetailText();
    }
    Press(*procedure, view_, row.presses.back());
    EXPECT_EQ(procedure->StateName(), "START");
    EXPECT_EQ(procedure->DetailText(), row.detail);
    EXPECT_EQ(procedure->DetailsMessage(), Format("%s (ZEL result: 0x%08x)", row.detail, row.code));
    EXPECT_EQ(view_.Text(kStatus), "Calibration FAILED");
    EXPECT_TRUE(view_.Red(kStatus));
    EXPECT_EQ(view_.Text(kStart), "Start Calibration");
    EXPECT_TRUE(view_.Shown(kStart));
    EXPECT_TRUE(view_.Enabled(kStart));
    EXPECT_TRUE(view_.Shown(kDetails));
    procedure->PressDetails();
    EXPECT_EQ(view_.Messages(), std::vector<std::string>{procedure->DetailsMessage()});
    EXPECT_EQ(procedure->PressExit(), row.key == std::string("ii-diameter") && procedure->Completed() ? kIdOk : kIdCancel);
}

constexpr uint32_t kRefused = 0x08000022;
const std::vector<std::string> S1 = {"start"};
const std::vector<std::string> S2 = {"start", "start"};
const std::vector<std::string> S3 = {"start", "start", "start"};
const std::vector<std::string> S4 = {"start", "start", "start", "start"};
const std::vector<std::string> S5 = {"start", "start", "start", "start", "start"};

INSTANTIATE_TEST_SUITE_P(
    EveryStep, RefusedCommandTest,
    ::testing::Values(
        // The common first steps.
        tagRefusal{"ii-focus", false, "Result1=0x201F, 2, 0x08000022, 1", S1,
                   "Failed to set Fieldservice Buffer \"Involved\" flag for ID device.", 0},  // then LD1's code
        tagRefusal{"ii-focus", false, "Result1=0x201F, 10, 0x08000022", S1,
                   "Setting dose measuring area correction to 100%% failed.", kRefused},
        tagRefusal{"ii-focus", false, "Result1=0x2008, 3, 0x08000024", S1, "Getting number of II formats failed.",
                   0x08000024},
        tagRefusal{"dose-abc", false, "Result1=0x2008, 4, 0x08000024", S1, "Getting Receptor Field Sizes failed.",
                   0x08000024},
        tagRefusal{"ii-focus", false, "Result1=0x201F, 6, 0x08000022, 2500", S1,
                   "Setting requested doserate 250 nG/s failed.", kRefused},
        tagRefusal{"camera-head", false, "Result1=0x201F, 28, 0x08000022", S1,
                   "Failed to set the sensor readout interval time to 40 ms.", kRefused},
        tagRefusal{"ii-diameter", false, "Result1=0x201F, 30, 0x08000022", S1,
                   "Failed to set the sensor integration time to 39.9 ms.", kRefused},
        tagRefusal{"camera-head", false, "Result1=0x201F, 16, 0x08000022", S1, "Failed to select II-format 38.0 mm.",
                   kRefused},
        tagRefusal{"ii-focus", false, "Result1=0x281F, 28, 0x07000000", S1, "Failed to set Noise Reduction off.",
                   0x07000000},
        tagRefusal{"camera-head", false, "Result1=0x281F, 28, 0x07000000", S1,
                   "Failed to set Noise Reduction to high.", 0x07000000},
        // II-Focus, one refusal per step.
        tagRefusal{"ii-focus", false, "Result1=0x2000, 16, 0x08000022, 1", S1, "Start calibration failed.", kRefused},
        tagRefusal{"ii-focus", false, "Result1=0x201F, 16, 0x08000022, 310", S2, "Failed to select II-format 31.0 mm.",
                   kRefused},
        tagRefusal{"ii-focus", false, "Result1=0x2000, 3, 0x08000020", S2, "ActivateSettings failed.", 0x08000020},
        tagRefusal{"ii-focus", true, "Result1=0x2000, 4, 0x08000020", S2, "Prepare failed.", 0x08000020},
        tagRefusal{"ii-focus", false, "Result1=0x2000, 16, 0x08000022, 101", S3, "Starting sub-calibration 101 failed.",
                   kRefused},
        tagRefusal{"ii-focus", false, "Result1=0x2000, 17, 0x08000022, 101", S4, "Stop calibration failed.", kRefused},
        tagRefusal{"ii-focus", true, "Result1=0x2000, 5, 0x08000022, 1", S4, "Unprepare failed.", kRefused},
        tagRefusal{"ii-focus", false, "Result1=0x2000, 18, 0x08000022, 1",
                   {"start", "start", "start", "start", "start", "start", "start", "start", "start", "start", "start"},
                   "Store calibration failed.", kRefused},
        // Camera head.
        tagRefusal{"camera-head", false, "Result1=0x2000, 22, 0x08000022, 41", S1, "Failed to show overlay.", kRefused},
        tagRefusal{"camera-head", true, "Result1=0x2000, 4, 0x08000020", S1, "Prepare failed.", 0x08000020},
        tagRefusal{"camera-head", false, "Result1=0x2000, 23, 0x08000022, 41", S2, "Failed to hide overlay.", kRefused},
        tagRefusal{"camera-head", true, "Result1=0x2000, 5, 0x08000022, 1", S2, "Unprepare failed.", kRefused},
        // II-Diameter.
        tagRefusal{"ii-diameter", false, "Result1=0x2000, 16, 0x08000022, 4", S1, "Start calibration 4 failed.",
                   kRefused},
        tagRefusal{"ii-diameter", false, "Result1=0x2000, 16, 0x08000022, 403", {"start", "step-403"},
                   "Start calibration 403 failed.", kRefused},
        tagRefusal{"ii-diameter", false, "Result1=0x2000, 17, 0x08000022, 406", {"start", "step-406"},
                   "Stop calibration 406 failed.", kRefused},
        tagRefusal{"ii-diameter", true, "Result1=0x2000, 5, 0x08000022, 1", S2, "Unprepare failed.", kRefused},
        tagRefusal{"ii-diameter", false, "Result1=0x2000, 18, 0x08000022, 4", S3, "Store calibration 4 failed.",
                   kRefused},
        tagRefusal{"ii-diameter", false, "Result1=0x2000, 17, 0x08000022, 4", S3, "Stop calibration 4 failed.",
                   kRefused},
        // Dose/Doserate with the ABC signal.
        tagRefusal{"dose-abc", false, "Result1=0x201F, 20, 0x08000022, 600", S1, "Setting dose per image to 60 nG failed.",
                   kRefused},
        tagRefusal{"dose-abc", true, "Result1=0x2000, 5, 0x08000022, 1", S2, "Unprepare failed.", kRefused},
        tagRefusal{"dose-abc", false, "Result1=0x201F, 6, 0x08000022, 4123", {"start", "start", "=412.37", "start"},
                   "Setting requested doserate failed.", kRefused},
        tagRefusal{"dose-abc", false, "Result1=0x2000, 16, 0x08000022, 6", S3, "Start calibration failed.", kRefused},
        tagRefusal{"dose-abc", false, "Result1=0x2000, 16, 0x08000022, 602", S5, "Starting sub-calibration 602 failed.",
                   kRefused},
        tagRefusal{"dose-abc", false, "Result1=0x201F, 16, 0x08000022, 310",
                   {"start", "start", "start", "start", "start", "start"}, "Failed to select II-format 31.0 mm.",
                   kRefused},
        tagRefusal{"dose-abc", false, "Result1=0x2000, 16, 0x08000022, 603",
                   {"start", "start", "start", "start", "start", "start", "start"},
                   "Starting sub-calibration 603 failed.", kRefused},
        tagRefusal{"dose-abc", false, "Result1=0x2000, 17, 0x08000022, 603",
                   {"start", "start", "start", "start", "start", "start", "start", "start"},
                   "Stop calibration failed.", kRefused},
        tagRefusal{"dose-abc", false, "Result1=0x2000, 18, 0x08000022, 6",
                   std::vector<std::string>(5 + 3 * 3 + 1, "start"), "Store calibration failed.", kRefused},
        // Dose/Doserate with the AEC signal: only its START sends commands of its own.
        tagRefusal{"dose-aec", false, "Result1=0x201F, 20, 0x08000022, 160", S1, "Setting dose per image to 16 nG failed.",
                   kRefused},
        tagRefusal{"dose-aec", true, "Result1=0x2000, 4, 0x08000020", S1, "Prepare failed.", 0x08000020}));

// ---- Tolerated preset codes ----

struct tagPresetAnswer {
    uint32_t code;
    bool continues;
};

void PrintTo(const tagPresetAnswer& row, std::ostream* out)
{
    *out << Format("0x%08x", row.code);
}

class PresetCodeTest : public ProcedureTest, public ::testing::WithParamInterface<tagPresetAnswer> {};

TEST_P(PresetCodeTest, OnlyThe060FamilyIsTolerated)
{
    const tagPresetAnswer& row = GetParam();
    StartBoard(Format("[Results]\nResult1=0x281F, 20, 0x%08x\n", row.code));
    auto focus = Make<CIIFocusProcedure>();
    focus->PressStart();
    EXPECT_EQ(focus->StateName(), row.continues ? "ANNOUNCE" : "START");
    if (!row.continues) {
        EXPECT_EQ(focus->DetailText(), "Failed to set Image Gain Control Mode to \"Fixed\".");
        EXPECT_EQ(focus->ResultCode(), row.code);
    } else {
        // The presets after the refused one were still written.
        const std::vector<std::string> wire = RequestsSinceMark();
        EXPECT_NE(std::find(wire.begin(), wire.end(), SetText(1, "GreyLevelInvert", "0")), wire.end());
    }
}

INSTANTIATE_TEST_SUITE_P(Codes, PresetCodeTest,
                         ::testing::Values(tagPresetAnswer{0x06000001, true}, tagPresetAnswer{0x06000000, true},
                                           tagPresetAnswer{0x060FFFFF, true}, tagPresetAnswer{0x06100000, false},
                                           tagPresetAnswer{0x07000000, false}, tagPresetAnswer{0x05F00000, false}));

TEST_F(ProcedureTest, ATolerableCodeOnACommandThatIsNoPresetStillFails)
{
    StartBoard("[Results]\nResult1=0x201F, 10, 0x06000001\n");
    auto focus = Make<CIIFocusProcedure>();
    focus->PressStart();
    EXPECT_EQ(focus->StateName(), "START");
    EXPECT_EQ(focus->DetailText(), "Setting dose measuring area correction to 100%% failed.");
}

// ---- The image-processing flag ----

TEST_F(ProcedureTest, WithoutImageProcessingNoPresetIsWrittenOrUnset)
{
    StartBoard("[Subsystem]\nImageProcessing=0\n");
    for (const tagProcedureEntry& entry : ProcedureCatalog()) {
        if (entry.kind != ProcedureKind::kCalibration) continue;
        Mark();
        std::unique_ptr<CProcedure> procedure = entry.create(Handler(), view_, {});
        procedure->Open();
        EXPECT_FALSE(procedure->ImageProcessing()) << entry.key;
        procedure->PressStart();
        EXPECT_EQ(procedure->StateName(), procedure->StateCount() > 1 ? procedure->StateName() : "") << entry.key;
        EXPECT_NE(procedure->StateName(), "START") << entry.key << ": " << procedure->DetailText();
        procedure->PressStart();  // camera head: STOPCAL without test 41
        procedure.reset();
        for (const std::string& request : RequestsSinceMark()) {
            const bool image_processing_write = request.rfind("w 0x281f", 0) == 0 && request != SetText(1, "Involved", "1");
            const bool preset_unset = request.rfind("w 0x2000 0x07 0xff", 0) == 0 && request.size() == 22 &&
                                      request.substr(20) == "01" && request != UnsetText(1, "Involved");
            EXPECT_FALSE(image_processing_write || preset_unset) << entry.key << ": " << request;
            EXPECT_NE(request, SetText(0, "StoreImages", "0")) << entry.key;
            EXPECT_NE(request, UnsetText(0, "StoreImages")) << entry.key;
            EXPECT_NE(request, CommandText(kStartTest, 41)) << entry.key;
        }
    }
}

// ---- Sensor timing ----

TEST_F(ProcedureTest, ExternalTimingWritesZeroToBothSensorTimes)
{
    StartBoard();
    for (const char* key : {"camera-head", "ii-diameter"}) {
        auto procedure = FindProcedure(key)->create(Handler(), view_, {});
        procedure->Open();
        EXPECT_TRUE(view_.Checked(kInternal));
        EXPECT_TRUE(procedure->PressControl(kExternal));
        EXPECT_TRUE(view_.Checked(kExternal));
        EXPECT_FALSE(view_.Checked(kInternal));
        Mark();
        procedure->PressStart();
        EXPECT_EQ(procedure->StateName(), "STOPCAL") << procedure->DetailText();
        const std::vector<std::string> wire = RequestsSinceMark();
        const auto interval = std::find(wire.begin(), wire.end(), SetText(0, "SensorIntervalTime", "0"));
        ASSERT_NE(interval, wire.end()) << key;
        ASSERT_NE(interval + 1, wire.end());
        EXPECT_EQ(*(interval + 1), SetText(0, "SensorIntegrationTime", "0")) << key;
        // The choice is fixed once the run has started.
        EXPECT_FALSE(view_.Enabled(kInternal));
        EXPECT_TRUE(procedure->PressControl(kInternal));
        EXPECT_FALSE(procedure->InternalTiming());
    }
}

TEST_F(ProcedureTest, ExternalTimingFailureNamesExternalTiming)
{
    StartBoard("[Results]\nResult1=0x201F, 28, 0x08000022\n");
    auto camera = Make<CCameraHeadProcedure>({.prepare = false, .internal_timing = false});
    EXPECT_TRUE(view_.Checked(kExternal));
    camera->PressStart();
    EXPECT_EQ(camera->DetailText(), "Failed to set the sensor readout interval time to external timing.");
    // The camera head offers the choice again after a failure; the II-Diameter does not.
    EXPECT_TRUE(view_.Enabled(kInternal));
    camera.reset();
    auto diameter = Make<CIIDiameterProcedure>();
    diameter->PressStart();
    EXPECT_EQ(diameter->StateName(), "START");
    EXPECT_FALSE(view_.Enabled(kInternal));
    EXPECT_FALSE(view_.Enabled(kExternal));
}

// ---- Restore sequences ----

struct tagRestoreRow {
    const char* key;
    bool prepare;
    std::vector<std::string> stops;
    std::vector<std::pair<uint32_t, const char*>> unsets;
    bool camera_presets;
};

void PrintTo(const tagRestoreRow& row, std::ostream* out)
{
    *out << row.key << (row.prepare ? " (prepare)" : "");
}

class RestoreTest : public ProcedureTest, public ::testing::WithParamInterface<tagRestoreRow> {};

std::vector<std::string> ExpectedRestore(const tagRestoreRow& row)
{
    std::vector<std::string> wire = {CommandText(kStartApplication)};
    Append(wire, row.stops);
    for (const auto& [device, name] : row.unsets) wire.push_back(UnsetText(device, name));
    Append(wire, {UnsetText(0, "StoreImages"), UnsetText(0, "ProcedureType"), UnsetText(1, "ImageGainControlMode")});
    if (row.camera_presets) wire.push_back(UnsetText(1, "AutoLockAfterNExposures"));
    for (const char* name : {"NoiseReduction", "EdgeEnhancement", "LastImageHold", "Zoom", "Panning", "GreyLevelInvert"})
        wire.push_back(UnsetText(1, name));
    return wire;
}

TEST_P(RestoreTest, RunsAtStartAndWhenTheDialogGoes)
{
    const tagRestoreRow& row = GetParam();
    StartBoard();
    auto procedure = FindProcedure(row.key)->create(Handler(), view_, {.prepare = row.prepare});
    procedure->Open();
    Mark();
    procedure->PressStart();
    const std::vector<std::string> expected = ExpectedRestore(row);
    std::vector<std::string> start = RequestsSinceMark();
    ASSERT_GE(start.size(), expected.size());
    start.resize(expected.size());
    EXPECT_EQ(start, expected);
    EXPECT_EQ(start[expected.size() - 1 - 0], expected.back());
    Mark();
    procedure.reset();
    EXPECT_EQ(RequestsSinceMark(), expected);
}

const std::vector<std::pair<uint32_t, const char*>> kCameraUnsets = {
    {0, "Involved"}, {1, "Involved"}, {0, "SensorIntervalTime"}, {0, "SensorIntegrationTime"}, {0, "SelectedReceptorFieldSize"}};
const std::vector<std::pair<uint32_t, const char*>> kDoseUnsets = {
    {0, "Involved"}, {1, "Involved"}, {0, "RequestedDoserate"}, {0, "SelectedReceptorFieldSize"}, {0, "DosePerImage"},
    {0, "DoseMeasuringFieldAreaCorrection"}};

INSTANTIATE_TEST_SUITE_P(
    EveryCalibration, RestoreTest,
    ::testing::Values(
        tagRestoreRow{"camera-head", false, {CommandText(kStopTest, 41)}, kCameraUnsets, true},
        tagRestoreRow{"camera-head", true, {CommandText(kUnprepare, 1), CommandText(kStopTest, 41)}, kCameraUnsets, true},
        tagRestoreRow{"ii-diameter", true, {CommandText(kUnprepare, 1), CommandText(kStopCalibration, 4)}, kCameraUnsets,
                      true},
        tagRestoreRow{"dose-abc",
                      false,
                      {CommandText(kStopCalibration, 602), CommandText(kStopCalibration, 603), CommandText(kStopCalibration, 6)},
                      kDoseUnsets,
                      false},
        tagRestoreRow{"dose-abc",
                      true,
                      {CommandText(kStopCalibration, 602), CommandText(kStopCalibration, 603), CommandText(kUnprepare, 1),
                       CommandText(kStopCalibration, 6)},
                      kDoseUnsets,
                      false},
        tagRestoreRow{"dose-aec", false, {}, kDoseUnsets, false},
        tagRestoreRow{"dose-aec", true, {CommandText(kUnprepare, 1)}, kDoseUnsets, false}));

// ---- Exit results ----

TEST_F(ProcedureTest, LeavingBeforeTheCompletedPointGivesCancel)
{
    StartBoard();
    struct {
        const char* key;
        int presses;
        int result;
    } rows[] = {{"ii-focus", 0, kIdCancel},    {"ii-focus", 4, kIdCancel},   {"camera-head", 1, kIdCancel},
                {"camera-head", 2, kIdOk},     {"ii-diameter", 1, kIdCancel}, {"ii-diameter", 2, kIdOk},
                {"ii-diameter", 3, kIdOk},     {"dose-aec", 3, kIdCancel},   {"dose-aec", 4, kIdOk}};
    for (const auto& row : rows) {
        auto procedure = FindProcedure(row.key)->create(Handler(), view_, {});
        procedure->Open();
        view_.Type(kDoserateEntry, "400");
        for (int i = 0; i < row.presses; ++i) procedure->PressStart();
        EXPECT_EQ(procedure->PressExit(), row.result) << row.key << " after " << row.presses << " presses, in "
                                                      << procedure->StateName() << ": " << procedure->DetailText();
    }
}

}  // namespace
