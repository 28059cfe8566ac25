#include "procedures/Procedure.h"

#include <algorithm>

#include "handler/ParamTable.h"
#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "shell/TextSource.h"

namespace {

constexpr uint32_t kMaxFormats = 16;
// Logical device 1 has image processing when its buffers reach beyond "Involved".
constexpr uint32_t kHighestWithoutImageProcessing = 2;

using ProcedureControl::kAction;
using ProcedureControl::kDetails;
using ProcedureControl::kInstruction;
using ProcedureControl::kStart;
using ProcedureControl::kStatus;

}  // namespace

std::string FormatSizeText(uint32_t size)
{
    return Format("%d.%01d", static_cast<int>(size / 10), static_cast<int>(size % 10));
}

// The shared parameter tables, taken for as long as the procedure lives.
struct CProcedure::CParamTablesRef {
    CParamTablesRef() : dev0(CDev0ParamTable::AcquireInstance()), dev1(CDev1ParamTable::AcquireInstance()) {}
    ~CParamTablesRef()
    {
        CDev1ParamTable::ReleaseInstance();
        CDev0ParamTable::ReleaseInstance();
    }
    CParamTablesRef(const CParamTablesRef&) = delete;
    CParamTablesRef& operator=(const CParamTablesRef&) = delete;

    const CParamTable* Of(uint32_t logical_device) const
    {
        return logical_device == 0 ? static_cast<const CParamTable*>(dev0)
                                   : logical_device == 1 ? static_cast<const CParamTable*>(dev1) : nullptr;
    }

    CDev0ParamTable* dev0;
    CDev1ParamTable* dev1;
};

CProcedure::CProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                       tagProcedureDescription description, std::shared_ptr<const CTextSource> texts)
    : handler_(handler),
      view_(view),
      settings_(settings),
      description_(std::move(description)),
      texts_(texts ? std::move(texts) : CTextSource::Acquire()),
      tables_(std::make_unique<CParamTablesRef>()),
      internal_timing_(settings.internal_timing)
{
}

CProcedure::~CProcedure()
{
    // Not virtual here: a derived procedure has already stopped what it owns.
    CProcedure::Close();
}

void CProcedure::DefineStates(std::vector<tagState> states)
{
    states_ = std::move(states);
}

uint32_t CProcedure::StateNumber(const char* name) const
{
    for (size_t i = 0; i < states_.size(); ++i) {
        if (std::string(states_[i].name) == name) return static_cast<uint32_t>(i + 1);
    }
    return 0;
}

std::string CProcedure::StateName() const
{
    return state_ >= 1 && state_ <= states_.size() ? states_[state_ - 1].name : "";
}

// ---------------------------------------------------------------------------------------------
// Presses

void CProcedure::Open()
{
    if (description_.presets.has_value()) {
        uint32_t highest = 0;
        uint32_t code = kNoResultCode;
        image_processing_ =
            handler_.ZelDevGetHighestPossibleIndex(1, &highest, &code) && highest > kHighestWithoutImageProcessing;
    }
    LoadStateTexts();
    view_.Show(kDetails, false);
    SetStartCaption(description_.first_start_caption);
    view_.Show(kStart, true);
    view_.Enable(kStart, true);
    OnOpen();
}

void CProcedure::PressStart()
{
    if (state_ < 1 || state_ > states_.size()) return;
    const std::function<void()>& step = states_[state_ - 1].step;
    if (step) step();
}

bool CProcedure::PressControl(const std::string&)
{
    return false;
}

void CProcedure::PressDetails()
{
    view_.ShowMessage(DetailsMessage());
}

std::string CProcedure::DetailsMessage() const
{
    return Format("%s (ZEL result: 0x%08x)", detail_.c_str(), result_code_);
}

int CProcedure::PressExit()
{
    if (description_.kind == ProcedureKind::kTest) return kIdOk;
    return completed_ ? kIdOk : kIdCancel;
}

void CProcedure::Close()
{
    if (closed_) return;
    closed_ = true;
    RunRestoreSequence();
}

// ---------------------------------------------------------------------------------------------
// The frame of a step

void CProcedure::BeginStep(const tagFrame& frame)
{
    if (frame.reset_status) {
        view_.Show(kDetails, false);
        SetStatus("");
    }
    SetAction(frame.action);
    if (frame.clear_instruction) {
        SetInstruction("");
        detail_.clear();
    }
    result_code_ = 0;
    step_ok_ = true;
    view_.Enable(kStart, false);
}

void CProcedure::BeginStepWithoutFrame()
{
    step_ok_ = true;
}

void CProcedure::EndStep(const char* next_state, bool keep_start_disabled)
{
    if (step_ok_) {
        const uint32_t next = StateNumber(next_state);
        SetState(next);
        if (next == states_.size()) {
            SetStartCaption(keep_start_disabled ? kCaptionContinue : "");
            if (!keep_start_disabled) view_.Show(kStart, false);
        } else {
            SetStartCaption(kCaptionContinue);
        }
    } else {
        FailureRoutine();
    }
    if (!keep_start_disabled) view_.Enable(kStart, true);
}

void CProcedure::EndStepInPlace()
{
    if (!step_ok_) FailureRoutine();
}

void CProcedure::FailureRoutine()
{
    view_.SetTextRed(kStatus, true);
    SetStatus(description_.kind == ProcedureKind::kTest ? kTestFailed : kCalibrationFailed);
    SetState(1);
    SetStartCaption(description_.kind == ProcedureKind::kTest ? kCaptionStartTest : kCaptionStartCalibration);
    view_.Show(kStart, true);
    view_.Show(kDetails, true);
    OnFailure();
}

// ---------------------------------------------------------------------------------------------
// Commands

bool CProcedure::Run(const std::string& message, const std::function<bool(uint32_t*)>& command)
{
    if (!step_ok_) return false;
    if (!command(&result_code_)) {
        step_ok_ = false;
        detail_ = message;
    }
    return step_ok_;
}

void CProcedure::RunIgnoringResult(const std::function<bool(uint32_t*)>& command)
{
    command(&result_code_);
}

bool CProcedure::SetRequested(uint32_t logical_device, const char* name, const ParamValue& value,
                              const std::string& message)
{
    return Run(message, [&](uint32_t* code) {
        return handler_.ZelDevSetReq(logical_device, kFieldServiceBuffer, name, &value, code);
    });
}

bool CProcedure::Prepare()
{
    return Run("Prepare failed.", [&](uint32_t* code) { return handler_.ZelCmdPrepare(kProcedureBuffer, code); });
}

bool CProcedure::Unprepare()
{
    return Run("Unprepare failed.",
               [&](uint32_t* code) { return handler_.ZelCmdUnprepare(kProcedureBuffer, code); });
}

bool CProcedure::ActivateSettings()
{
    return Run("ActivateSettings failed.",
               [&](uint32_t* code) { return handler_.ZelCmdActivateSettings(kProcedureBuffer, code); });
}

bool CProcedure::PrepareOrActivate()
{
    return settings_.prepare ? Prepare() : ActivateSettings();
}

bool CProcedure::StartCalibration(uint32_t number, const std::string& message)
{
    return Run(message, [&](uint32_t* code) { return handler_.ZelCmdStartCalibration(number, code); });
}

bool CProcedure::StopCalibration(uint32_t number, const std::string& message)
{
    return Run(message, [&](uint32_t* code) { return handler_.ZelCmdStopCalibration(number, code); });
}

bool CProcedure::StoreCalibration(uint32_t number, const std::string& message)
{
    return Run(message, [&](uint32_t* code) { return handler_.ZelCmdStoreCalibration(number, code); });
}

bool CProcedure::StartTest(uint32_t number, const std::string& message)
{
    return Run(message, [&](uint32_t* code) { return handler_.ZelCmdStartTest(number, code); });
}

bool CProcedure::StopTest(uint32_t number, const std::string& message)
{
    return Run(message, [&](uint32_t* code) { return handler_.ZelCmdStopTest(number, code); });
}

// ---------------------------------------------------------------------------------------------
// Shared sequences

void CProcedure::RunRestoreSequence()
{
    uint32_t code = kNoResultCode;
    handler_.ZelCmdStartApplication(&code);
    for (const tagRestoreStop& stop : description_.restore_stops) {
        switch (stop.kind) {
        case tagRestoreStop::Kind::kStopCalibration:
            handler_.ZelCmdStopCalibration(stop.number, &code);
            break;
        case tagRestoreStop::Kind::kStopTest:
            handler_.ZelCmdStopTest(stop.number, &code);
            break;
        case tagRestoreStop::Kind::kUnprepareIfPrepared:
            if (settings_.prepare) handler_.ZelCmdUnprepare(kProcedureBuffer, &code);
            break;
        }
    }
    for (const tagUnsetParameter& parameter : description_.restore_unsets) {
        UnsetParameter(parameter.logical_device, parameter.name);
    }
    if (image_processing_ && description_.presets.has_value()) {
        for (const tagPreset& preset : PresetsOf(*description_.presets)) {
            UnsetParameter(preset.logical_device, preset.name);
        }
    }
}

void CProcedure::UnsetParameter(uint32_t logical_device, const char* name)
{
    const CParamTable* table = tables_->Of(logical_device);
    const ParamEntry* entry = table != nullptr ? table->GetParam(name) : nullptr;
    if (entry == nullptr) return;
    uint32_t code = kNoResultCode;
    handler_.ZelCmdUnset(kFieldServiceBuffer, entry->requested_subindex, logical_device, &code);
}

void CProcedure::FieldServiceSetup()
{
    SetRequested(0, "Involved", BoolValue(true), description_.involved_message);
    // Sent even when the first failed; only the image detection device decides.
    RunIgnoringResult([&](uint32_t* code) {
        const ParamValue involved = BoolValue(true);
        return handler_.ZelDevSetReq(1, kFieldServiceBuffer, "Involved", &involved, code);
    });
    if (!description_.sets_sensor_timing) return;
    const bool internal = internal_timing_;
    SetRequested(0, "SensorIntervalTime", UshortValue(internal ? 400 : 0),
                 std::string("Failed to set the sensor readout interval time to ") +
                     (internal ? "40 ms." : "external timing."));
    SetRequested(0, "SensorIntegrationTime", UshortValue(internal ? 399 : 0),
                 std::string("Failed to set the sensor integration time to ") +
                     (internal ? "39.9 ms." : "external timing."));
}

bool CProcedure::DiscoverFormats()
{
    uint32_t count = 0;
    if (!Run("Getting number of II formats failed.",
             [&](uint32_t* code) { return handler_.ZelCfgGetNrOfReceptorFieldSizes(&count, code); })) {
        return false;
    }
    if (count == 0 || count > kMaxFormats) {
        FailStep();
        detail_ = "Getting number of II formats failed.";
        return false;
    }
    std::array<uint32_t, 16> sizes{};
    if (!Run("Getting Receptor Field Sizes failed.",
             [&](uint32_t* code) { return handler_.ZelCfgGetReceptorFieldSizes(&sizes, code); })) {
        return false;
    }
    // Kept only when both answers were usable, so no later step reads past the table.
    format_count_ = count;
    formats_ = sizes;
    return true;
}

uint32_t CProcedure::LargestFormat() const
{
    uint32_t largest = 0;
    for (uint32_t i = 0; i < format_count_ && i < kMaxFormats; ++i) largest = std::max(largest, formats_[i]);
    return largest;
}

bool CProcedure::SelectFormat(uint32_t size)
{
    return SetRequested(0, "SelectedReceptorFieldSize", UshortValue(static_cast<uint16_t>(size)),
                        Format("Failed to select II-format %d.%01d mm.", static_cast<int>(size / 10),
                               static_cast<int>(size % 10)));
}

void CProcedure::RunPresets()
{
    if (!image_processing_ || !description_.presets.has_value()) return;
    for (const tagPreset& preset : PresetsOf(*description_.presets)) {
        if (!step_ok_) return;
        if (!handler_.ZelDevSetReq(preset.logical_device, kFieldServiceBuffer, preset.name, &preset.value,
                                   &result_code_) &&
            !IsToleratedPresetCode(result_code_)) {
            step_ok_ = false;
            detail_ = preset.failure_message;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Texts and controls

std::string CProcedure::InstructionFor(const std::string&, const std::string& looked_up) const
{
    return looked_up;
}

void CProcedure::LoadStateTexts()
{
    if (state_ < 1 || state_ > states_.size()) {
        SetInstruction("");
        SetAction("");
        return;
    }
    const std::string name = states_[state_ - 1].name;
    SetInstruction(InstructionFor(name, texts_->GetText(description_.section, "I_" + name)));
    SetAction(texts_->GetText(description_.section, "A_" + name));
}

void CProcedure::SetInstruction(const std::string& text)
{
    instruction_ = text;
    view_.SetText(kInstruction, text);
}

void CProcedure::SetAction(const std::string& text)
{
    action_ = text;
    view_.SetText(kAction, text);
}

void CProcedure::SetStatus(const std::string& text)
{
    view_.SetText(kStatus, text);
}

void CProcedure::SetStartCaption(const std::string& caption)
{
    view_.SetText(kStart, caption);
}

void CProcedure::SetState(uint32_t state)
{
    state_ = state;
    LoadStateTexts();
}
