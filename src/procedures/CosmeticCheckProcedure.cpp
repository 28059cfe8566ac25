#include "procedures/CosmeticCheckProcedure.h"

#include "procedures/TestRestore.h"

namespace {

constexpr uint32_t kCosmeticTest = 40;

}  // namespace

const tagProcedureDescription& CCosmeticCheckProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "Cosmetic Check",
        "Cosmetic Check",
        ProcedureKind::kTest,
        kCaptionContinue,
        kInvolvedMessageTests,
        true,
        std::nullopt,
        {{Stop::kUnprepareIfPrepared, 0}, {Stop::kStopTest, kCosmeticTest}},
        TimingFirstTestUnsets(),
    };
    return description;
}

CCosmeticCheckProcedure::CCosmeticCheckProcedure(CSerialCommHandler& handler, IProcedureView& view,
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

void CCosmeticCheckProcedure::StepStart()
{
    BeginStep();
    RunRestoreSequence();
    FieldServiceSetup();
    StartTest(kCosmeticTest, "Start Test 40 failed.");
    if (PrepareFlag()) Prepare();
    EndStep("DOTEST");
}

void CCosmeticCheckProcedure::StepDoTest()
{
    BeginStep();
    if (PrepareFlag()) Unprepare();
    StopTest(kCosmeticTest, "Stop Test 40 failed.");
    EndStep("FINISHED");
}
