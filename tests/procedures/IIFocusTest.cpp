// The II-focus calibration against the simulated board: the exact command sequence for one and
// for three II formats, the doserate climb with its limit, and what the dialog shows.
#include <algorithm>

#include "ProcedureFixture.h"
#include "procedures/IIFocusProcedure.h"

namespace {

using namespace ProcedureControl;

std::vector<std::string> FocusRestore(bool prepare)
{
    std::vector<std::string> wire = {CommandText(kStartApplication), CommandText(kStopCalibration, 101)};
    if (prepare) wire.push_back(CommandText(kUnprepare, 1));
    Append(wire, {CommandText(kStopCalibration, 1), UnsetText(0, "Involved"), UnsetText(1, "Involved"),
                  UnsetText(0, "DoseMeasuringFieldAreaCorrection"), UnsetText(0, "SelectedReceptorFieldSize"),
                  UnsetText(0, "RequestedDoserate")});
    for (const char* name : {"StoreImages", "ProcedureType"}) wire.push_back(UnsetText(0, name));
    for (const char* name : {"ImageGainControlMode", "NoiseReduction", "EdgeEnhancement", "LastImageHold", "Zoom",
                             "Panning", "GreyLevelInvert"}) {
        wire.push_back(UnsetText(1, name));
    }
    return wire;
}

// One format, literally as it goes out, so that the helpers above are checked too.
TEST_F(ProcedureTest, IIFocusWithOneFormatSendsExactlyThisSequence)
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=380\n");
    auto focus = Make<CIIFocusProcedure>();
    const std::vector<std::string> open = {"r 0x2821 0x00"};
    EXPECT_EQ(RequestsSinceMark(), open);
    EXPECT_TRUE(focus->ImageProcessing());

    Mark();
    focus->PressStart();
    const std::vector<std::string> start = {
        "w 0x2000 0x01",
        "w 0x2000 0x11 101",
        "w 0x2000 0x11 1",
        "w 0x2000 0x07 0xff0200",
        "w 0x2000 0x07 0xff0201",
        "w 0x2000 0x07 0xff0a00",
        "w 0x2000 0x07 0xff1000",
        "w 0x2000 0x07 0xff0600",
        "w 0x2000 0x07 0xff2c00",
        "w 0x2000 0x07 0xff2e00",
        "w 0x2000 0x07 0xff1401",
        "w 0x2000 0x07 0xff1c01",
        "w 0x2000 0x07 0xff1e01",
        "w 0x2000 0x07 0xff2001",
        "w 0x2000 0x07 0xff2801",
        "w 0x2000 0x07 0xff2a01",
        "w 0x2000 0x07 0xff2c01",
        "w 0x201f 0x02 1",
        "w 0x281f 0x02 1",
        "w 0x201f 0x0a 1000",
        "r 0x2008 0x03",
        "r 0x2008 0x04",
        "w 0x201f 0x06 2500",
        "w 0x201f 0x2c 0",
        "w 0x201f 0x2e 0",
        "w 0x281f 0x14 2",
        "w 0x281f 0x1c 0",
        "w 0x281f 0x1e 0",
        "w 0x281f 0x20 0",
        "w 0x281f 0x28 100",
        "w 0x281f 0x2a 0x0000",
        "w 0x281f 0x2c 0",
        "w 0x2000 0x10 1",
    };
    EXPECT_EQ(RequestsSinceMark(), start);
    EXPECT_EQ(FocusRestore(false), std::vector<std::string>(start.begin(), start.begin() + 17));
    ASSERT_EQ(focus->StateName(), "ANNOUNCE") << focus->DetailText();

    const std::vector<std::vector<std::string>> steps = {
        {"w 0x201f 0x10 380", "w 0x2000 0x02 1", "w 0x2000 0x03 1"},  // ANNOUNCE
        {"w 0x2000 0x10 101"},                                         // STARTCAL
        {"w 0x2000 0x11 101"},                                         // STOPCAL
        {"w 0x2000 0x12 1", "w 0x2000 0x11 1"},                       // STORECAL
    };
    const char* next[] = {"STARTCAL", "STOPCAL", "STORECAL", "FINISHED"};
    for (size_t i = 0; i < steps.size(); ++i) {
        Mark();
        focus->PressStart();
        EXPECT_EQ(RequestsSinceMark(), steps[i]) << "step " << i;
        EXPECT_EQ(focus->StateName(), next[i]) << focus->DetailText();
    }
    EXPECT_TRUE(focus->Completed());
    EXPECT_FALSE(view_.Shown(kStart));
    EXPECT_EQ(view_.Text(kStart), "");
    EXPECT_EQ(view_.Sleeps(), std::vector<uint32_t>{2000});
    EXPECT_EQ(focus->PressExit(), kIdOk);

    Mark();
    focus.reset();
    EXPECT_EQ(RequestsSinceMark(), FocusRestore(false));
}

TEST_F(ProcedureTest, IIFocusWithThreeFormatsLoopsAnnounceToStopcalPerFormatAndPrepares)
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=380,305,230\n");
    auto focus = Make<CIIFocusProcedure>({.prepare = true});
    focus->PressStart();
    ASSERT_EQ(focus->StateName(), "ANNOUNCE") << focus->DetailText();
    Mark();
    std::vector<std::string> expected;
    std::vector<std::string> states;
    for (const char* size : {"380", "305", "230"}) {
        Append(expected, {SetText(0, "SelectedReceptorFieldSize", size), CommandText(kValidate, 1),
                          CommandText(kPrepare, 1), CommandText(kStartCalibration, 101),
                          CommandText(kStopCalibration, 101), CommandText(kUnprepare, 1)});
        for (int press = 0; press < 3; ++press) {
            focus->PressStart();
            states.push_back(focus->StateName());
        }
    }
    EXPECT_EQ(RequestsSinceMark(), expected);
    const std::vector<std::string> wanted_states = {"STARTCAL", "STOPCAL", "ANNOUNCE", "STARTCAL", "STOPCAL",
                                                    "ANNOUNCE", "STARTCAL", "STOPCAL", "STORECAL"};
    EXPECT_EQ(states, wanted_states);
    EXPECT_EQ(focus->CalibratedFormatsText(), "Calibrated II-formats: 38.0 mm  30.5 mm  23.0 mm ");
    EXPECT_EQ(view_.Text(kFormats), focus->CalibratedFormatsText());
    focus->PressStart();
    EXPECT_EQ(focus->StateName(), "FINISHED");

    Mark();
    focus.reset();
    EXPECT_EQ(RequestsSinceMark(), FocusRestore(true));
}

TEST_F(ProcedureTest, IIFocusRaisesTheRequestedDoserateInStepsOf25UntilTheFormatValidates)
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=310,230\n[Validation]\nMinDoserate=2500\nMinDoserate230=3000\n");
    auto focus = Make<CIIFocusProcedure>();
    focus->PressStart();
    Mark();
    focus->PressStart();
    const std::vector<std::string> first = {SetText(0, "SelectedReceptorFieldSize", "310"), CommandText(kValidate, 1),
                                            CommandText(kActivate, 1)};
    EXPECT_EQ(RequestsSinceMark(), first);
    ASSERT_TRUE(PressUntil(*focus, "ANNOUNCE"));
    Mark();
    focus->PressStart();
    const std::vector<std::string> second = {
        SetText(0, "SelectedReceptorFieldSize", "230"), CommandText(kValidate, 1),
        SetText(0, "RequestedDoserate", "2750"),        CommandText(kValidate, 1),
        SetText(0, "RequestedDoserate", "3000"),        CommandText(kValidate, 1),
        CommandText(kActivate, 1)};
    EXPECT_EQ(RequestsSinceMark(), second);
    EXPECT_EQ(focus->StateName(), "STARTCAL");
    const std::vector<std::string> info = {"", "Requested doserate set to 275 nG/s.",
                                           "Requested doserate set to 300 nG/s."};
    EXPECT_EQ(view_.TextsOf(kDoserateInfo), info);
    // The next format would start from the value that validated this one.
    EXPECT_EQ(focus->RequestedDoserate(), 3000u);
}

TEST_F(ProcedureTest, IIFocusGivesUpAtTheDoserateLimit)
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=380\n[Validation]\nMode=fail\n");
    auto focus = Make<CIIFocusProcedure>();
    focus->PressStart();
    Mark();
    focus->PressStart();
    const std::vector<std::string> wire = RequestsSinceMark();
    // 2500 to 249750 in steps of 250: 990 refused validations, each followed by a higher doserate.
    EXPECT_EQ(std::count(wire.begin(), wire.end(), CommandText(kValidate, 1)), 990);
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.back(), SetText(0, "RequestedDoserate", "250000"));
    EXPECT_EQ(view_.Text(kDoserateInfo), "Requested doserate set to 25000 nG/s.");
    EXPECT_EQ(focus->StateName(), "START");
    EXPECT_EQ(focus->DetailText(), "Unable to validate with the requested doserate.");
    EXPECT_EQ(view_.Text(kStatus), "Calibration FAILED");
    EXPECT_TRUE(view_.Red(kStatus));
    EXPECT_EQ(view_.Text(kStart), "Start Calibration");
    EXPECT_TRUE(view_.Shown(kDetails));
    EXPECT_EQ(view_.Text(kFormats), "Calibrated II-formats:");
    EXPECT_EQ(focus->PressExit(), kIdCancel);
}

}  // namespace
