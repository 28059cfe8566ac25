// The calibration hub's order rule and marks.
#include <gtest/gtest.h>

#include "procedures/CalibrationHub.h"
#include "procedures/Procedure.h"
#include "procedures/ProcedureCatalog.h"

namespace {

TEST(CalibrationHub, AsksOnlyWhenAnEarlierCalibrationIsNotDone)
{
    const std::string camera =
        "II-Focus calibration has not been done.\n\r\n\rAre you sure you want to start the calibration of the camera head?";
    const std::string diameter =
        "II-Focus and/or the camera head calibration have not been done.\n\r\n\rAre you sure you want to start the "
        "calibration of the II-Diameter?";
    const std::string abc = "II-Focus and/or the camera head and/or II-Diameter calibration have not been done.\n\r\n\r"
                            "Are you sure you want to start the calibration of the Dose/Doserate (ABC signal)?";
    const std::string aec = "II-Focus and/or the camera head and/or II-Diameter calibration have not been done.\n\r\n\r"
                            "Are you sure you want to start the calibration of the Dose/Doserate (AEC signal)?";
    struct {
        std::array<bool, 5> done;
        std::array<std::string, 5> questions;
    } rows[] = {
        {{false, false, false, false, false}, {"", camera, diameter, abc, aec}},
        {{true, false, false, false, false}, {"", "", diameter, abc, aec}},
        {{false, true, true, false, false}, {"", camera, diameter, abc, aec}},
        {{true, true, false, false, false}, {"", "", "", abc, aec}},
        {{true, false, true, false, false}, {"", "", diameter, abc, aec}},
        {{true, true, true, false, false}, {"", "", "", "", ""}},
        // The dose calibrations need nothing of each other.
        {{true, true, true, false, true}, {"", "", "", "", ""}},
    };
    for (const auto& row : rows) {
        const CCalibrationHub hub(row.done);
        for (size_t i = 0; i < kCalibrationCount; ++i) EXPECT_EQ(hub.QuestionBeforeOpening(i), row.questions[i]) << i;
    }
}

TEST(CalibrationHub, OnlyOkMarksACalibrationDoneAndNothingMarksItBack)
{
    CCalibrationHub hub({false, true, false, false, false});
    EXPECT_EQ(hub.MarkText(0), "No");
    EXPECT_EQ(hub.MarkText(1), "Yes");
    hub.ProcedureClosed(4, kIdCancel);
    EXPECT_FALSE(hub.Done(4));
    hub.ProcedureClosed(4, kIdOk);
    EXPECT_EQ(hub.MarkText(4), "Yes");
    hub.ProcedureClosed(1, kIdCancel);
    EXPECT_TRUE(hub.Done(1));
    EXPECT_EQ(hub.Marks(), (std::array<bool, 5>{false, true, false, false, true}));
}

TEST(CalibrationHub, EveryButtonOpensACalibrationOfTheCatalog)
{
    const char* titles[] = {"II-focus calibration", "Camera head centring and horizon", "II-Diameter",
                            "Dose/Doserate (ABC signal)", "Dose/Doserate (AEC signal)"};
    for (size_t i = 0; i < kCalibrationCount; ++i) {
        const tagProcedureEntry* entry = FindProcedure(CalibrationButtons()[i].key);
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->title, titles[i]);
        EXPECT_EQ(entry->kind, ProcedureKind::kCalibration);
    }
    EXPECT_EQ(FindProcedure("no-such"), nullptr);
}

}  // namespace
