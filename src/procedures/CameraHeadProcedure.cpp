#include "procedures/CameraHeadProcedure.h"

#include "handler/SerialCommHandler.h"

namespace {

constexpr uint32_t kOverlayTest = 41;

}  // namespace

void ShowTimingChoice(IProcedureView& view, bool internal, bool enabled)
{
    view.Check(ProcedureControl::kInternal, internal);
    view.Check(ProcedureControl::kExternal, !internal);
    view.Enable(ProcedureControl::kInternal, enabled);
    view.Enable(ProcedureControl::kExternal, enabled);
}

const tagProcedureDescription& CCameraHeadProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "Camera head centring and horizon",
        "CameraHead",
        ProcedureKind::kCalibration,
        kCaptionContinue,
        kInvolvedMessageCalibrations,
        true,
        PresetColumn::kCameraAndDiameter,
        {{Stop::kUnprepareIfPrepared, 0}, {Stop::kStopTest, kOverlayTest}},
        {{0, "Involved"},
         {1, "Involved"},
         {0, "SensorIntervalTime"},
         {0, "SensorIntegrationTime"},
         {0, "SelectedReceptorFieldSize"}},
    };
    return description;
}

CCameraHeadProcedure::CCameraHeadProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                           const tagProcedureSettings& settings,
                                           std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, settings, Describe(), std::move(texts))
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"STOPCAL", [this] { StepStopCal(); }},
        {"FINISHED", nullptr},
    });
}

void CCameraHeadProcedure::OnOpen()
{
    ShowTimingChoice(view_, InternalTiming(), true);
}

bool CCameraHeadProcedure::PressControl(const std::string& control)
{
    if (control != ProcedureControl::kInternal && control != ProcedureControl::kExternal) return false;
    if (!timing_radios_enabled_) return true;
    SetInternalTiming(control == ProcedureControl::kInternal);
    ShowTimingChoice(view_, InternalTiming(), true);
    return true;
}

void CCameraHeadProcedure::OnFailure()
{
    timing_radios_enabled_ = true;
    ShowTimingChoice(view_, InternalTiming(), true);
}

void CCameraHeadProcedure::StepStart()
{
    BeginStep();
    timing_radios_enabled_ = false;
    ShowTimingChoice(view_, InternalTiming(), false);
    RunRestoreSequence();
    FieldServiceSetup();
    DiscoverFormats();
    if (Ok()) SelectFormat(LargestFormat());
    RunPresets();
    if (ImageProcessing()) StartTest(kOverlayTest, "Failed to show overlay.");
    if (PrepareFlag()) Prepare();
    EndStep("STOPCAL");
}

void CCameraHeadProcedure::StepStopCal()
{
    BeginStepWithoutFrame();
    if (PrepareFlag()) Unprepare();
    if (ImageProcessing()) StopTest(kOverlayTest, "Failed to hide overlay.");
    if (Ok()) SetCompleted();
    EndStep("FINISHED");
}
