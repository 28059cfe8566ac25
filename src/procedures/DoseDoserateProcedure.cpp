#include "procedures/DoseDoserateProcedure.h"

#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "procedures/DoserateEntry.h"
#include "procedures/IIFocusProcedure.h"
#include "procedures/StateTextFormat.h"

namespace {

constexpr uint32_t kDoseCalibration = 6;
constexpr uint32_t kSubCalibrationPauseMs = 2000;
// The doserate the calibration expects, with the band that needs no confirmation (nGy/s).
constexpr double kLowestExpected = 300.0;
constexpr double kHighestExpected = 500.0;

}  // namespace

const tagProcedureDescription& CDoseDoserateProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "Dose/Doserate (ABC signal)",
        "DoseDoseRate",
        ProcedureKind::kCalibration,
        kCaptionContinue,
        kInvolvedMessageCalibrations,
        false,
        PresetColumn::kFocusAndDose,
        {{Stop::kStopCalibration, 602},
         {Stop::kStopCalibration, 603},
         {Stop::kUnprepareIfPrepared, 0},
         {Stop::kStopCalibration, kDoseCalibration}},
        // The area correction that START sets is put back as well: left in the Field Service
        // buffer it would go on overriding the system's own value after the calibration.
        {{0, "Involved"},
         {1, "Involved"},
         {0, "RequestedDoserate"},
         {0, "SelectedReceptorFieldSize"},
         {0, "DosePerImage"},
         {0, "DoseMeasuringFieldAreaCorrection"}},
    };
    return description;
}

CDoseDoserateProcedure::CDoseDoserateProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                               const tagProcedureSettings& settings,
                                               std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, settings, Describe(), std::move(texts)), calibrated_formats_(kCalibratedFormats)
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"MEASURE", [this] { StepMeasure(); }},
        {"STOREDOSE", [this] { StepStoreDose(); }},
        {"IRISANNOUNCE", [this] { StepIrisAnnounce(); }},
        {"IRIS", [this] { StepIris(); }},
        {"ANNOUNCE", [this] { StepAnnounce(); }},
        {"STARTCAL", [this] { StepStartCal(); }},
        {"STOPCAL", [this] { StepStopCal(); }},
        {"STORECAL", [this] { StepStoreCal(); }},
        {"FINISHED", nullptr},
    });
}

void CDoseDoserateProcedure::OnOpen()
{
    ShowFormatsLine(false);
    view_.SetText(ProcedureControl::kFormats, calibrated_formats_);
    view_.SetText(ProcedureControl::kDoserateEntry, DoserateEntryText(measured_doserate_));
    view_.Show(ProcedureControl::kDoserateEntry, false);
}

std::string CDoseDoserateProcedure::InstructionFor(const std::string& state, const std::string& looked_up) const
{
    if ((state == "ANNOUNCE" || state == "STOPCAL") && format_index_ < FormatCount()) {
        return FormatWithText(looked_up, FormatSizeText(Formats()[format_index_]));
    }
    return looked_up;
}

void CDoseDoserateProcedure::ShowFormatsLine(bool shown)
{
    view_.Show(ProcedureControl::kFormats, shown);
}

void CDoseDoserateProcedure::OnFailure()
{
    ShowFormatsLine(false);
}

void CDoseDoserateProcedure::StepStart()
{
    BeginStep();
    ShowFormatsLine(false);
    RunRestoreSequence();
    FieldServiceSetup();
    SetRequested(0, "DoseMeasuringFieldAreaCorrection", UshortValue(1000),
                 "Setting dose measuring area correction to 100%% failed.");
    if (DiscoverFormats() && format_index_ >= FormatCount()) {
        // A run that failed after its last format (or a subsystem that now reports fewer)
        // starts again at the first format rather than past the end of the table.
        format_index_ = 0;
        calibrated_formats_ = kCalibratedFormats;
        view_.SetText(ProcedureControl::kFormats, calibrated_formats_);
    }
    if (Ok()) SelectFormat(LargestFormat());
    SetRequested(0, "DosePerImage", UshortValue(600), "Setting dose per image to 60 nG failed.");
    RunPresets();
    if (PrepareFlag()) Prepare();
    EndStep("MEASURE");
}

void CDoseDoserateProcedure::StepMeasure()
{
    BeginStep();
    if (PrepareFlag()) Unprepare();
    if (Ok()) {
        view_.SetText(ProcedureControl::kDoserateEntry, DoserateEntryText(measured_doserate_));
        view_.Show(ProcedureControl::kDoserateEntry, true);
    }
    EndStep("STOREDOSE");
}

void CDoseDoserateProcedure::StepStoreDose()
{
    std::string message;
    if (!ReadDoserateEntry(view_.EntryText(ProcedureControl::kDoserateEntry), &measured_doserate_, &message)) {
        // Nothing has changed yet: the engineer corrects the entry and presses again.
        view_.ShowMessage(message);
        return;
    }
    BeginStep({kPleaseWait, false, false});
    view_.Show(ProcedureControl::kDoserateEntry, false);
    const bool close_to_expected = measured_doserate_ > kLowestExpected && measured_doserate_ < kHighestExpected;
    if (!close_to_expected && !view_.AskYesNo("Doserate not close to 400 nG/s. Do you still want to continue?")) {
        FailStep();
    }
    // Tenths of nG/s, truncated toward zero.
    SetRequested(0, "RequestedDoserate", UlongValue(static_cast<uint32_t>(measured_doserate_ * 10.0)),
                 "Setting requested doserate failed.");
    StartCalibration(kDoseCalibration, "Start calibration failed.");
    EndStep("IRISANNOUNCE");
}

void CDoseDoserateProcedure::StepIrisAnnounce()
{
    BeginStep({kPleaseWait, false, true});
    if (PrepareFlag()) Prepare();
    EndStep("IRIS");
}

void CDoseDoserateProcedure::StepIris()
{
    BeginStep({kCalibratingPleaseWait, false, false});
    view_.Sleep(kSubCalibrationPauseMs);
    StartCalibration(602, "Starting sub-calibration 602 failed.");
    // What the subsystem does after a failed stop of the iris sub-calibration is up to its
    // firmware: the run goes on, and the engineer sees the stop's message.
    bool stop_failed = false;
    if (Ok()) {
        RunIgnoringResult([&](uint32_t* code) {
            stop_failed = !handler_.ZelCmdStopCalibration(602, code);
            return !stop_failed;
        });
        if (stop_failed) SetDetail("Stopping sub-calibration 602 failed.");
    }
    if (PrepareFlag()) Unprepare();
    EndStep("ANNOUNCE");
    if (Ok() && stop_failed) {
        view_.SetTextRed(ProcedureControl::kStatus, false);
        SetStatus("Stopping sub-calibration 602 failed.");
    }
}

void CDoseDoserateProcedure::StepAnnounce()
{
    BeginStep();
    if (format_index_ < FormatCount()) SelectFormat(Formats()[format_index_]);
    PrepareOrActivate();
    EndStep("STARTCAL");
}

void CDoseDoserateProcedure::StepStartCal()
{
    BeginStep({kCalibratingPleaseWait, false, false});
    view_.Sleep(kSubCalibrationPauseMs);
    StartCalibration(603, "Starting sub-calibration 603 failed.");
    EndStep("STOPCAL");
}

void CDoseDoserateProcedure::StepStopCal()
{
    BeginStep();
    StopCalibration(603, "Stop calibration failed.");
    if (PrepareFlag()) Unprepare();
    const char* next = "ANNOUNCE";
    if (Ok()) {
        calibrated_formats_ += Format(" %s mm ", FormatSizeText(Formats()[format_index_]).c_str());
        view_.SetText(ProcedureControl::kFormats, calibrated_formats_);
        ShowFormatsLine(true);
        ++format_index_;
        if (format_index_ >= FormatCount()) next = "STORECAL";
    }
    EndStep(next);
}

void CDoseDoserateProcedure::StepStoreCal()
{
    BeginStep();
    StoreCalibration(kDoseCalibration, "Store calibration failed.");
    StopCalibration(kDoseCalibration, "Stop calibration 6 failed.");
    if (Ok()) SetCompleted();
    EndStep("FINISHED");
}
