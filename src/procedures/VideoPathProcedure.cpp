#include "procedures/VideoPathProcedure.h"

#include "procedures/TestRestore.h"

namespace {

constexpr uint32_t kVideoPathTest = 2;

}  // namespace

const tagProcedureDescription& CVideoPathProcedure::Describe()
{
    using Stop = tagRestoreStop::Kind;
    static const tagProcedureDescription description = {
        "Video Path test",
        "VideoPath",
        ProcedureKind::kTest,
        kCaptionContinue,
        kInvolvedMessageTests,
        true,
        PresetColumn::kVideoPath,
        {{Stop::kUnprepareIfPrepared, 0}, {Stop::kStopTest, kVideoPathTest}},
        InvolvedFirstTestUnsets(),
    };
    return description;
}

CVideoPathProcedure::CVideoPathProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                         const tagProcedureSettings& settings,
                                         std::shared_ptr<const CTextSource> texts)
    : CProcedure(handler, view, settings, Describe(), std::move(texts))
{
    DefineStates({
        {"START", [this] { StepStart(); }},
        {"ACQUI", [this] { StepAcqui(); }},
        {"FINISHED", nullptr},
    });
}

void CVideoPathProcedure::StepStart()
{
    BeginStep();
    RunRestoreSequence();
    FieldServiceSetup();
    RunPresets();
    // The test runs before the subsystem is prepared, and is stopped only after the unprepare.
    StartTest(kVideoPathTest, "Start Test 2 failed.");
    if (PrepareFlag()) Prepare();
    EndStep("ACQUI");
}

void CVideoPathProcedure::StepAcqui()
{
    BeginStep();
    if (PrepareFlag()) Unprepare();
    StopTest(kVideoPathTest, "Stop Test 2 failed.");
    EndStep("FINISHED");
}
