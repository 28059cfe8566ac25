#include "procedures/AverageVideoLevelProcedure.h"

#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "procedures/TestRestore.h"

namespace {

using namespace AverageVideoLevelControl;

}  // namespace

const tagProcedureDescription& CAverageVideoLevelProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "Average Video Level test",
        "Average Video Level",
        ProcedureKind::kTest,
        kCaptionContinue,
        kInvolvedMessageAverageVideoLevel,
        true,
        std::nullopt,
        {{Stop::kUnprepareIfPrepared, 0}, {Stop::kStopTest, kRelativeTest}, {Stop::kStopTest, kAbsoluteTest}},
        TimingFirstTestUnsets(),
    };
    return description;
}

std::string CAverageVideoLevelProcedure::LevelText(uint32_t value, bool relative)
{
    return relative ? Format("%0.1f %%", value / 10.0) : Format("%d bins", static_cast<int>(value));
}

CAverageVideoLevelProcedure::CAverageVideoLevelProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                                         const tagProcedureSettings& settings,
                                                         std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, settings, Describe(), std::move(texts))
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"DOTEST", [this] { StepDoTest(); }},
        {"FINISHED", nullptr},
    });
}

CAverageVideoLevelProcedure::~CAverageVideoLevelProcedure()
{
    // The base's restore sequence follows; no polling thread may outlive the procedure.
    StopAllPolling();
}

void CAverageVideoLevelProcedure::Close()
{
    StopAllPolling();
    CProcedure::Close();
}

void CAverageVideoLevelProcedure::SetLevelFunction(LevelFunction function)
{
    level_function_ = std::move(function);
}

bool CAverageVideoLevelProcedure::Polling() const
{
    return poller_ != nullptr;
}

void CAverageVideoLevelProcedure::OnOpen()
{
    view_.SetText(kLevelLabel, kLevelLabelText);
    view_.SetText(kLevelNote, kLevelNoteText);
    view_.SetText(kLevelValue, "???");
    ShowLevel(false);
    ShowMode(true);
}

void CAverageVideoLevelProcedure::OnFailure()
{
    ShowLevel(false);
    ShowMode(true);
}

bool CAverageVideoLevelProcedure::PressControl(const std::string& control)
{
    if (control != kRelative && control != kAbsolute) return false;
    if (!mode_radios_enabled_) return true;
    relative_ = control == kRelative;
    ShowMode(true);
    return true;
}

void CAverageVideoLevelProcedure::ShowMode(bool enabled)
{
    mode_radios_enabled_ = enabled;
    view_.Check(kRelative, relative_);
    view_.Check(kAbsolute, !relative_);
    view_.Enable(kRelative, enabled);
    view_.Enable(kAbsolute, enabled);
}

void CAverageVideoLevelProcedure::ShowLevel(bool shown)
{
    view_.Show(kLevelLabel, shown);
    view_.Show(kLevelValue, shown);
    // The absolute level carries the video offset; the engineer must know it is in the number.
    view_.Show(kLevelNote, shown && !relative_);
}

void CAverageVideoLevelProcedure::StepStart()
{
    BeginStep();
    RunRestoreSequence();
    FieldServiceSetup();
    test_ = relative_ ? kRelativeTest : kAbsoluteTest;
    StartTest(test_, Format("Start Test %d failed.", static_cast<int>(test_)));
    if (PrepareFlag()) Prepare();
    if (Ok()) {
        ShowLevel(true);
        ShowMode(false);
        StartPolling();
    }
    EndStep("DOTEST");
}

void CAverageVideoLevelProcedure::StepDoTest()
{
    // The polling stops before the step's own commands, so the two never share the handler
    // unless the thread fails to end in time.
    StopPolling(kStopWaitMs);
    BeginStep();
    ShowLevel(false);
    if (PrepareFlag()) Unprepare();
    StopTest(test_, Format("Stop Test %d failed.", static_cast<int>(test_)));
    EndStep("FINISHED");
}

void CAverageVideoLevelProcedure::StartPolling()
{
    StopPolling(kStopWaitMs);
    auto poller = std::make_unique<tagPoller>();
    poller->relative = test_ == kRelativeTest;
    tagPoller* polled = poller.get();
    if (poller->thread.Start([this, polled] { Poll(*polled); })) poller_ = std::move(poller);
}

void CAverageVideoLevelProcedure::Poll(tagPoller& poller)
{
    while (!poller.stop.Wait(kPollIntervalMs)) {
        uint32_t value = 0;
        uint32_t code = kNoResultCode;
        const bool read = poller.relative ? handler_.ZelFsGetAverageVideoLevelRelative(&value, &code)
                                          : handler_.ZelFsGetAverageVideoLevelAbsolute(&value, &code);
        // A failed read is skipped; the next follows one interval later.
        if (!read) continue;
        view_.SetText(kLevelValue, LevelText(value, poller.relative));
        if (level_function_) level_function_(value, poller.relative);
    }
}

void CAverageVideoLevelProcedure::StopPolling(uint32_t wait_ms)
{
    if (!poller_) return;
    poller_->stop.Set();
    if (poller_->thread.WaitForEnd(wait_ms)) {
        poller_->thread.Join();
        poller_.reset();
        return;
    }
    // Still in a read: its state stays alive until the thread has ended.
    lingering_.push_back(std::move(poller_));
}

void CAverageVideoLevelProcedure::StopAllPolling()
{
    StopPolling(kCloseWaitMs);
    for (const auto& poller : lingering_) poller->stop.Set();
    // Each ends after the read it is in; nothing is freed before.
    for (const auto& poller : lingering_) poller->thread.Join();
    lingering_.clear();
}
