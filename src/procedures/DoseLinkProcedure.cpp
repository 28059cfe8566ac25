#include "procedures/DoseLinkProcedure.h"

#include "procedures/TestRestore.h"

namespace {

constexpr uint32_t kDoseLinkTest = 20;

tagProcedureSettings WithoutPrepare(tagProcedureSettings settings)
{
    settings.prepare = false;
    return settings;
}

}  // namespace

const tagProcedureDescription& CDoseLinkProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "Dose Link test",
        "Doserate Link",
        ProcedureKind::kTest,
        kCaptionContinue,
        kInvolvedMessageTests,
        true,
        std::nullopt,
        {{Stop::kStopTest, kDoseLinkTest}},
        TimingFirstTestUnsets(),
    };
    return description;
}

CDoseLinkProcedure::CDoseLinkProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                       const tagProcedureSettings& settings,
                                       std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, WithoutPrepare(settings), Describe(), std::move(texts))
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"DOTEST", [this] { StepDoTest(); }},
        {"FINISHED", nullptr},
    });
}

void CDoseLinkProcedure::StepStart()
{
    BeginStep();
    RunRestoreSequence();
    FieldServiceSetup();
    StartTest(kDoseLinkTest, "Start Test 20 failed.");
    EndStep("DOTEST");
}

void CDoseLinkProcedure::StepDoTest()
{
    BeginStep();
    StopTest(kDoseLinkTest, "Stop Test 20 failed.");
    EndStep("FINISHED");
}
