#include "procedures/DoseExposureProcedure.h"

#include "handler/SerialCommHandler.h"
#include "procedures/DoserateEntry.h"
#include "procedures/StateTextFormat.h"

const tagProcedureDescription& CDoseExposureProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "Dose/Doserate (AEC signal)",
        "DoseExposure",
        ProcedureKind::kCalibration,
        kCaptionContinue,
        kInvolvedMessageCalibrations,
        false,
        PresetColumn::kFocusAndDose,
        // START prepares (with the Prepare flag); a run that failed later would otherwise stay
        // prepared until the engineer leaves, so the restore sequence unprepares as the other
        // calibrations' do. The area correction is put back as in the ABC procedure.
        {{Stop::kUnprepareIfPrepared, 0}},
        {{0, "Involved"},
         {1, "Involved"},
         {0, "RequestedDoserate"},
         {0, "SelectedReceptorFieldSize"},
         {0, "DosePerImage"},
         {0, "DoseMeasuringFieldAreaCorrection"}},
    };
    return description;
}

CDoseExposureProcedure::CDoseExposureProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                               const tagProcedureSettings& settings,
                                               std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, settings, Describe(), std::move(texts))
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"MEASURE", [this] { StepMeasure(); }},
        {"FIRSTREADY", [this] { StepFirstReady(); }},
        {"EXPINFO", [this] { StepExpInfo(); }},
        {"FINISHED", nullptr},
    });
}

void CDoseExposureProcedure::OnOpen()
{
    view_.SetText(ProcedureControl::kDoserateEntry, DoserateEntryText(measured_doserate_));
    view_.Show(ProcedureControl::kDoserateEntry, false);
}

std::string CDoseExposureProcedure::InstructionFor(const std::string& state, const std::string& looked_up) const
{
    if (state != "EXPINFO") return looked_up;
    const double first = measured_doserate_ * 50.0 / 1000.0;
    return FormatWithTwoDoubles(looked_up, first, first / 2.0);
}

int CDoseExposureProcedure::PressExit()
{
    if (PrepareFlag()) {
        uint32_t code = kNoResultCode;
        handler_.ZelCmdUnprepare(kProcedureBuffer, &code);
    }
    return CProcedure::PressExit();
}

void CDoseExposureProcedure::StepStart()
{
    BeginStep();
    RunRestoreSequence();
    FieldServiceSetup();
    SetRequested(0, "DoseMeasuringFieldAreaCorrection", UshortValue(1000),
                 "Setting dose measuring area correction to 100%% failed.");
    DiscoverFormats();
    if (Ok()) SelectFormat(LargestFormat());
    SetRequested(0, "DosePerImage", UshortValue(160), "Setting dose per image to 16 nG failed.");
    RunPresets();
    if (PrepareFlag()) Prepare();
    EndStep("MEASURE");
}

void CDoseExposureProcedure::StepMeasure()
{
    BeginStep({kPleaseWait, false, true});
    view_.SetText(ProcedureControl::kDoserateEntry, DoserateEntryText(measured_doserate_));
    view_.Show(ProcedureControl::kDoserateEntry, true);
    EndStep("FIRSTREADY");
}

void CDoseExposureProcedure::StepFirstReady()
{
    std::string message;
    if (!ReadDoserateEntry(view_.EntryText(ProcedureControl::kDoserateEntry), &measured_doserate_, &message)) {
        view_.ShowMessage(message);
        return;
    }
    BeginStep({kPleaseWait, false, false});
    view_.Show(ProcedureControl::kDoserateEntry, false);
    EndStep("EXPINFO");
}

void CDoseExposureProcedure::StepExpInfo()
{
    BeginStep({kPleaseWait, false, false});
    SetDetail("");
    SetCompleted();
    EndStep("FINISHED", true);
}
