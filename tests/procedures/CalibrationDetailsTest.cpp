// What sets the calibrations apart: the II-Diameter's step buttons, the doserate entry of the
// Dose/Doserate procedures with its question, the AEC exposure values and its Exit, the II
// format limits.
#include <algorithm>

#include "ProcedureFixture.h"
#include "platform/Format.h"
#include "procedures/DoseDoserateProcedure.h"
#include "procedures/DoseExposureProcedure.h"
#include "procedures/IIDiameterProcedure.h"
#include "procedures/IIFocusProcedure.h"
#include "shell/TextSource.h"

namespace {

using namespace ProcedureControl;

TEST_F(ProcedureTest, IIDiameterStepButtonsStartAndStopTheirSubCalibration)
{
    StartBoard();
    auto diameter = Make<CIIDiameterProcedure>();
    for (const tagDiameterStep& step : kDiameterSteps) EXPECT_FALSE(view_.Shown(step.control)) << step.caption;
    diameter->PressStart();
    ASSERT_EQ(diameter->StateName(), "STOPCAL") << diameter->DetailText();
    Mark();
    std::vector<std::string> expected;
    for (const tagDiameterStep& step : kDiameterSteps) {
        EXPECT_TRUE(view_.Shown(step.control)) << step.caption;
        EXPECT_TRUE(diameter->PressControl(step.control));
        Append(expected, {CommandText(kStartCalibration, static_cast<int>(step.calibration)),
                          CommandText(kStopCalibration, static_cast<int>(step.calibration))});
    }
    // Any number of times.
    EXPECT_TRUE(diameter->PressControl("step-401"));
    Append(expected, {CommandText(kStartCalibration, 401), CommandText(kStopCalibration, 401)});
    EXPECT_EQ(RequestsSinceMark(), expected);
    EXPECT_EQ(diameter->StateName(), "STOPCAL");
    EXPECT_FALSE(diameter->PressControl("step-407"));

    diameter->PressStart();
    EXPECT_EQ(diameter->StateName(), "STORECAL");
    EXPECT_TRUE(diameter->Completed());
    for (const tagDiameterStep& step : kDiameterSteps) EXPECT_FALSE(view_.Shown(step.control)) << step.caption;
    EXPECT_FALSE(view_.Enabled(kInternal));
    diameter->PressStart();
    EXPECT_EQ(diameter->StateName(), "FINISHED");
    EXPECT_EQ(diameter->PressExit(), kIdOk);
}

TEST_F(ProcedureTest, IIDiameterStepFailureKeepsTheStepButtons)
{
    StartBoard("[Results]\nResult1=0x2000, 16, 0x08000022, 405\n");
    auto diameter = Make<CIIDiameterProcedure>();
    diameter->PressStart();
    diameter->PressControl("step-405");
    EXPECT_EQ(diameter->StateName(), "START");
    EXPECT_EQ(diameter->DetailText(), "Start calibration 405 failed.");
    EXPECT_TRUE(view_.Shown("step-405"));
}

// Drives the ABC procedure to STOREDOSE; the entry then shows the measured doserate.
void ToStoreDose(CProcedure& procedure)
{
    procedure.PressStart();
    procedure.PressStart();
}

TEST_F(ProcedureTest, DoseEntryOutsideTheExpectedBandAsksAndIsSentInTenthsTruncated)
{
    StartBoard();
    struct {
        const char* typed;
        bool asks;
        const char* sent;
    } rows[] = {{"300", true, "3000"},       {"500", true, "5000"},     {"300.1", false, "3001"},
                {"499.9", false, "4999"},    {"412.37", false, "4123"}, {"412.39999", false, "4123"},
                {"0", true, "0"},            {"1000.06", true, "10000"}};
    for (const auto& row : rows) {
        auto abc = Make<CDoseDoserateProcedure>();
        ToStoreDose(*abc);
        ASSERT_EQ(abc->StateName(), "STOREDOSE") << abc->DetailText();
        EXPECT_TRUE(view_.Shown(kDoserateEntry));
        EXPECT_EQ(view_.Text(kDoserateEntry), "400");
        view_.Type(kDoserateEntry, row.typed);
        view_.QueueAnswers({true});
        const size_t questions = view_.Questions().size();
        Mark();
        abc->PressStart();
        EXPECT_EQ(view_.Questions().size() - questions, row.asks ? 1u : 0u) << row.typed;
        if (row.asks) {
            EXPECT_EQ(view_.Questions().back(), "Doserate not close to 400 nG/s. Do you still want to continue?");
        }
        const std::vector<std::string> expected = {SetText(0, "RequestedDoserate", row.sent),
                                                   CommandText(kStartCalibration, 6)};
        EXPECT_EQ(RequestsSinceMark(), expected) << row.typed;
        EXPECT_EQ(abc->StateName(), "IRISANNOUNCE") << row.typed;
        EXPECT_FALSE(view_.Shown(kDoserateEntry));
        view_.QueueAnswers({});
        abc.reset();
    }
}

TEST_F(ProcedureTest, DoseEntryAnsweredNoFailsWithoutADetailAndSendsNothing)
{
    StartBoard();
    auto abc = Make<CDoseDoserateProcedure>();
    ToStoreDose(*abc);
    view_.Type(kDoserateEntry, "250");
    view_.QueueAnswers({false});
    Mark();
    abc->PressStart();
    EXPECT_TRUE(RequestsSinceMark().empty());
    EXPECT_EQ(abc->StateName(), "START");
    EXPECT_EQ(abc->DetailText(), "");
    EXPECT_EQ(view_.Text(kStatus), "Calibration FAILED");
    EXPECT_DOUBLE_EQ(abc->MeasuredDoserate(), 250.0);
}

TEST_F(ProcedureTest, DoseEntryThatIsNoNumberIsRefusedAndTheStepWaits)
{
    StartBoard();
    auto abc = Make<CDoseDoserateProcedure>();
    ToStoreDose(*abc);
    view_.Type(kDoserateEntry, "4OO");
    Mark();
    abc->PressStart();
    EXPECT_TRUE(RequestsSinceMark().empty());
    EXPECT_EQ(abc->StateName(), "STOREDOSE");
    EXPECT_EQ(view_.Messages(), std::vector<std::string>{"Please enter a number."});
    EXPECT_TRUE(view_.Shown(kDoserateEntry));
    EXPECT_TRUE(view_.Enabled(kStart));
    view_.Type(kDoserateEntry, "400");
    abc->PressStart();
    EXPECT_EQ(abc->StateName(), "IRISANNOUNCE");
}

TEST_F(ProcedureTest, DoseAbcRunsIrisOnceAndEveryFormatWithItsInfoLine)
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=310,380\n");
    auto abc = Make<CDoseDoserateProcedure>({.prepare = true});
    EXPECT_FALSE(view_.Shown(kFormats));
    ASSERT_TRUE(PressUntil(*abc, "IRIS"));
    Mark();
    abc->PressStart();
    const std::vector<std::string> iris = {CommandText(kStartCalibration, 602), CommandText(kStopCalibration, 602),
                                           CommandText(kUnprepare, 1)};
    EXPECT_EQ(RequestsSinceMark(), iris);
    EXPECT_EQ(abc->StateName(), "ANNOUNCE");
    EXPECT_NE(abc->InstructionText().find("31.0 mm"), std::string::npos) << abc->InstructionText();
    Mark();
    for (int press = 0; press < 3; ++press) abc->PressStart();
    const std::vector<std::string> first = {SetText(0, "SelectedReceptorFieldSize", "310"), CommandText(kPrepare, 1),
                                            CommandText(kStartCalibration, 603), CommandText(kStopCalibration, 603),
                                            CommandText(kUnprepare, 1)};
    EXPECT_EQ(RequestsSinceMark(), first);
    EXPECT_TRUE(view_.Shown(kFormats));
    EXPECT_EQ(view_.Text(kFormats), "Calibrated II-formats: 31.0 mm ");
    EXPECT_NE(abc->InstructionText().find("38.0 mm"), std::string::npos);
    ASSERT_TRUE(PressUntil(*abc, "FINISHED"));
    EXPECT_EQ(abc->CalibratedFormatsText(), "Calibrated II-formats: 31.0 mm  38.0 mm ");
    EXPECT_TRUE(abc->Completed());
    EXPECT_EQ(view_.Sleeps(), (std::vector<uint32_t>{2000, 2000, 2000}));
}

TEST_F(ProcedureTest, DoseAbcGoesOnWhenTheIrisStopFailsAndSaysSo)
{
    StartBoard("[Results]\nResult1=0x2000, 17, 0x08000022, 602\n");
    auto abc = Make<CDoseDoserateProcedure>();
    ASSERT_TRUE(PressUntil(*abc, "IRIS"));
    abc->PressStart();
    EXPECT_EQ(abc->StateName(), "ANNOUNCE");
    EXPECT_EQ(abc->DetailText(), "Stopping sub-calibration 602 failed.");
    EXPECT_EQ(view_.Text(kStatus), "Stopping sub-calibration 602 failed.");
    EXPECT_FALSE(view_.Red(kStatus));
    abc->PressStart();
    EXPECT_EQ(view_.Text(kStatus), "");
}

TEST_F(ProcedureTest, DoseAbcAfterAFailedStoreStartsAgainAtTheFirstFormat)
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=380\n[Results]\nResult1=0x2000, 18, 0x08000022, 6\n");
    auto abc = Make<CDoseDoserateProcedure>();
    ASSERT_TRUE(PressUntil(*abc, "STORECAL"));
    EXPECT_EQ(abc->FormatIndex(), 1u);
    abc->PressStart();
    ASSERT_EQ(abc->StateName(), "START");
    ASSERT_TRUE(PressUntil(*abc, "ANNOUNCE"));
    EXPECT_EQ(abc->FormatIndex(), 0u);
    EXPECT_EQ(abc->CalibratedFormatsText(), "Calibrated II-formats:");
    Mark();
    abc->PressStart();
    EXPECT_EQ(RequestsSinceMark().front(), SetText(0, "SelectedReceptorFieldSize", "380"));
}

TEST_F(ProcedureTest, DoseAbcAfterAFailureResumesAtTheFormatThatFailed)
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=380,310\n[Results]\nResult1=0x2000, 16, 0x08000022, 603\n");
    auto abc = Make<CDoseDoserateProcedure>();
    ASSERT_TRUE(PressUntil(*abc, "STARTCAL"));
    abc->PressStart();
    ASSERT_EQ(abc->StateName(), "START");
    EXPECT_FALSE(view_.Shown(kFormats));
    EXPECT_EQ(abc->FormatIndex(), 0u);
}

TEST_F(ProcedureTest, DoseAecShowsItsTwoValuesAndUnpreparesOnExit)
{
    StartBoard();
    CTempFolder folder;
    const std::string strings = folder.Write(
        "strings.ini", "[DoseExposure]\nI_EXPINFO_00=Dose %.1f nGy,\nI_EXPINFO_01= half %.1f nGy (%d %s %%).\n");
    auto aec = std::make_unique<CDoseExposureProcedure>(Handler(), view_, tagProcedureSettings{.prepare = true},
                                                        std::make_shared<CTextSource>(strings));
    aec->Open();
    EXPECT_EQ(view_.Text(kDoserateEntry), "0");
    EXPECT_FALSE(view_.Shown(kDoserateEntry));
    aec->PressStart();
    aec->PressStart();
    EXPECT_TRUE(view_.Shown(kDoserateEntry));
    view_.Type(kDoserateEntry, "400");
    aec->PressStart();
    ASSERT_EQ(aec->StateName(), "EXPINFO") << aec->DetailText();
    EXPECT_EQ(aec->InstructionText(), "Dose 20.0 nGy,half 10.0 nGy (%d %s %).");
    Mark();
    aec->PressStart();
    EXPECT_TRUE(RequestsSinceMark().empty());
    EXPECT_EQ(aec->StateName(), "FINISHED");
    EXPECT_TRUE(aec->Completed());
    EXPECT_TRUE(view_.Shown(kStart));
    EXPECT_FALSE(view_.Enabled(kStart));
    EXPECT_EQ(view_.Text(kStart), "Continue");
    Mark();
    EXPECT_EQ(aec->PressExit(), kIdOk);
    EXPECT_EQ(RequestsSinceMark(), std::vector<std::string>{CommandText(kUnprepare, 1)});
}

struct tagFormatCount {
    const char* scenario;
    bool ok;
};

void PrintTo(const tagFormatCount& row, std::ostream* out)
{
    *out << row.scenario;
}

class FormatCountTest : public ProcedureTest, public ::testing::WithParamInterface<tagFormatCount> {};

TEST_P(FormatCountTest, OnlyOneToSixteenFormatsAreUsable)
{
    StartBoard(GetParam().scenario);
    auto focus = Make<CIIFocusProcedure>();
    focus->PressStart();
    if (GetParam().ok) {
        EXPECT_EQ(focus->StateName(), "ANNOUNCE") << focus->DetailText();
    } else {
        EXPECT_EQ(focus->StateName(), "START");
        EXPECT_EQ(focus->DetailText(), "Getting number of II formats failed.");
        // The sizes are not asked for.
        const std::vector<std::string> wire = RequestsSinceMark();
        EXPECT_EQ(std::count(wire.begin(), wire.end(), "r 0x2008 0x04"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Counts, FormatCountTest,
    ::testing::Values(tagFormatCount{"[Subsystem]\nFieldSizeCount=0\n", false},
                      tagFormatCount{"[Subsystem]\nFieldSizeCount=17\n", false},
                      tagFormatCount{"[Subsystem]\nFieldSizeCount=16\n", true},
                      tagFormatCount{"[Subsystem]\nReceptorFieldSizes=380\nFieldSizeCount=1\n", true}));

TEST_F(ProcedureTest, SixteenFormatsAreCalibratedToTheEndOfTheTable)
{
    // The format index reaches 16 in STORECAL: nothing may read the table there (the sanitizer
    // run sees it).
    StartBoard("[Subsystem]\nReceptorFieldSizes=380,370,360,350,340,330,320,310,300,290,280,270,260,250,240,230\n");
    auto focus = Make<CIIFocusProcedure>();
    ASSERT_TRUE(PressUntil(*focus, "FINISHED")) << focus->StateName() << ": " << focus->DetailText();
    EXPECT_EQ(focus->FormatIndex(), 16u);
    EXPECT_EQ(focus->CalibratedFormatsText().substr(0, 45), "Calibrated II-formats: 38.0 mm  37.0 mm  36.0");
    EXPECT_EQ(focus->CalibratedFormatsText().substr(focus->CalibratedFormatsText().size() - 9), " 23.0 mm ");
}

}  // namespace
