#include "procedures/IIFocusProcedure.h"

#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "procedures/StateTextFormat.h"

namespace {

constexpr uint32_t kFirstDoserate = 2500;     // 250 nG/s
constexpr uint32_t kDoserateStep = 250;       // 25 nG/s
constexpr uint32_t kDoserateLimit = 250000;   // 25000 nG/s
constexpr uint32_t kSubCalibrationPauseMs = 2000;

}  // namespace

const tagProcedureDescription& CIIFocusProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "II-focus calibration",
        "II-Focus",
        ProcedureKind::kCalibration,
        kCaptionStartCalibration,
        kInvolvedMessageCalibrations,
        false,
        PresetColumn::kFocusAndDose,
        {{Stop::kStopCalibration, 101}, {Stop::kUnprepareIfPrepared, 0}, {Stop::kStopCalibration, 1}},
        {{0, "Involved"},
         {1, "Involved"},
         {0, "DoseMeasuringFieldAreaCorrection"},
         {0, "SelectedReceptorFieldSize"},
         {0, "RequestedDoserate"}},
    };
    return description;
}

CIIFocusProcedure::CIIFocusProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                     const tagProcedureSettings& settings, std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, settings, Describe(), std::move(texts))
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"ANNOUNCE", [this] { StepAnnounce(); }},
        {"STARTCAL", [this] { StepStartCal(); }},
        {"STOPCAL", [this] { StepStopCal(); }},
        {"STORECAL", [this] { StepStoreCal(); }},
        {"FINISHED", nullptr},
    });
}

void CIIFocusProcedure::OnOpen()
{
    view_.SetText(ProcedureControl::kFormats, calibrated_formats_);
    view_.SetText(ProcedureControl::kDoserateInfo, "");
}

std::string CIIFocusProcedure::InstructionFor(const std::string& state, const std::string& looked_up) const
{
    if ((state == "ANNOUNCE" || state == "STOPCAL") && format_index_ < Formats().size()) {
        return FormatWithText(looked_up, FormatSizeText(Formats()[format_index_]));
    }
    return looked_up;
}

void CIIFocusProcedure::SetCalibratedFormats(const std::string& text)
{
    calibrated_formats_ = text;
    view_.SetText(ProcedureControl::kFormats, text);
}

void CIIFocusProcedure::OnFailure()
{
    SetCalibratedFormats(kCalibratedFormats);
}

void CIIFocusProcedure::StepStart()
{
    BeginStep();
    SetCalibratedFormats(kCalibratedFormats);
    RunRestoreSequence();
    FieldServiceSetup();
    SetRequested(0, "DoseMeasuringFieldAreaCorrection", UshortValue(1000),
                 "Setting dose measuring area correction to 100%% failed.");
    DiscoverFormats();
    requested_doserate_ = kFirstDoserate;
    SetRequested(0, "RequestedDoserate", UlongValue(requested_doserate_), "Setting requested doserate 250 nG/s failed.");
    RunPresets();
    StartCalibration(1, "Start calibration failed.");
    if (Ok()) format_index_ = 0;
    EndStep("ANNOUNCE");
}

void CIIFocusProcedure::StepAnnounce()
{
    BeginStep();
    SelectFormat(Formats()[format_index_]);
    ValidateDoserate();
    if (Ok()) PrepareOrActivate();
    EndStep("STARTCAL");
}

void CIIFocusProcedure::ValidateDoserate()
{
    if (!Ok()) return;
    bool validated = false;
    bool written = true;
    while (requested_doserate_ < kDoserateLimit && !validated && written) {
        RunIgnoringResult([&](uint32_t* code) {
            validated = handler_.ZelCmdValidate(kProcedureBuffer, code);
            return validated;
        });
        if (validated) break;
        requested_doserate_ += kDoserateStep;
        view_.SetText(ProcedureControl::kDoserateInfo,
                      Format("Requested doserate set to %d nG/s.", static_cast<int>(requested_doserate_ / 10)));
        RunIgnoringResult([&](uint32_t* code) {
            const ParamValue value = UlongValue(requested_doserate_);
            written = handler_.ZelDevSetReq(0, kFieldServiceBuffer, "RequestedDoserate", &value, code);
            return written;
        });
    }
    if (!validated) {
        FailStep();
        SetDetail("Unable to validate with the requested doserate.");
    }
}

void CIIFocusProcedure::StepStartCal()
{
    BeginStep({kCalibratingPleaseWait});
    view_.Sleep(kSubCalibrationPauseMs);
    StartCalibration(101, "Starting sub-calibration 101 failed.");
    EndStep("STOPCAL");
}

void CIIFocusProcedure::StepStopCal()
{
    BeginStep();
    StopCalibration(101, "Stop calibration failed.");
    if (PrepareFlag()) Unprepare();
    const char* next = "ANNOUNCE";
    if (Ok()) {
        SetCalibratedFormats(calibrated_formats_ + Format(" %s mm ", FormatSizeText(Formats()[format_index_]).c_str()));
        ++format_index_;
        if (format_index_ >= FormatCount()) next = "STORECAL";
    }
    EndStep(next);
}

void CIIFocusProcedure::StepStoreCal()
{
    BeginStep();
    StoreCalibration(1, "Store calibration failed.");
    StopCalibration(1, "Stop calibration 1 failed.");
    if (Ok()) SetCompleted();
    EndStep("FINISHED");
}
