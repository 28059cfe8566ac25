#include "procedures/IIDiameterProcedure.h"

#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "procedures/CameraHeadProcedure.h"

namespace {

constexpr uint32_t kDiameterCalibration = 4;

}  // namespace

const tagProcedureDescription& CIIDiameterProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "II-Diameter",
        "II-Diameter",
        ProcedureKind::kCalibration,
        kCaptionContinue,
        kInvolvedMessageCalibrations,
        true,
        PresetColumn::kCameraAndDiameter,
        {{Stop::kUnprepareIfPrepared, 0}, {Stop::kStopCalibration, kDiameterCalibration}},
        {{0, "Involved"},
         {1, "Involved"},
         {0, "SensorIntervalTime"},
         {0, "SensorIntegrationTime"},
         {0, "SelectedReceptorFieldSize"}},
    };
    return description;
}

CIIDiameterProcedure::CIIDiameterProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                           const tagProcedureSettings& settings,
                                           std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, settings, Describe(), std::move(texts))
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"STOPCAL", [this] { StepStopCal(); }},
        {"STORECAL", [this] { StepStoreCal(); }},
        {"FINISHED", nullptr},
    });
}

void CIIDiameterProcedure::OnOpen()
{
    ShowTimingChoice(view_, InternalTiming(), true);
    ShowStepButtons(false);
}

void CIIDiameterProcedure::ShowStepButtons(bool shown)
{
    for (const tagDiameterStep& step : kDiameterSteps) view_.Show(step.control, shown);
}

bool CIIDiameterProcedure::PressControl(const std::string& control)
{
    if (control == ProcedureControl::kInternal || control == ProcedureControl::kExternal) {
        // Once the run has started the timing stays as chosen, also after a failure.
        if (timing_radios_enabled_) {
            SetInternalTiming(control == ProcedureControl::kInternal);
            ShowTimingChoice(view_, InternalTiming(), true);
        }
        return true;
    }
    for (const tagDiameterStep& step : kDiameterSteps) {
        if (control == step.control) {
            RunDiameterStep(step);
            return true;
        }
    }
    return false;
}

void CIIDiameterProcedure::RunDiameterStep(const tagDiameterStep& step)
{
    BeginStepWithoutFrame();
    StartCalibration(step.calibration, Format("Start calibration %u failed.", step.calibration));
    StopCalibration(step.calibration, Format("Stop calibration %u failed.", step.calibration));
    EndStepInPlace();
}

void CIIDiameterProcedure::StepStart()
{
    BeginStep();
    timing_radios_enabled_ = false;
    ShowTimingChoice(view_, InternalTiming(), false);
    RunRestoreSequence();
    FieldServiceSetup();
    DiscoverFormats();
    if (Ok()) SelectFormat(LargestFormat());
    RunPresets();
    StartCalibration(kDiameterCalibration, "Start calibration 4 failed.");
    if (PrepareFlag()) Prepare();
    if (Ok()) ShowStepButtons(true);
    EndStep("STOPCAL");
}

void CIIDiameterProcedure::StepStopCal()
{
    BeginStepWithoutFrame();
    ShowStepButtons(false);
    if (PrepareFlag()) Unprepare();
    // The engineer has trimmed the diameter: leaving before storing still counts as done.
    if (Ok()) SetCompleted();
    EndStep("STORECAL");
}

void CIIDiameterProcedure::StepStoreCal()
{
    BeginStep();
    StoreCalibration(kDiameterCalibration, "Store calibration 4 failed.");
    StopCalibration(kDiameterCalibration, "Stop calibration 4 failed.");
    if (Ok()) SetCompleted();
    EndStep("FINISHED");
}
