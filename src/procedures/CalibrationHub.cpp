#include "procedures/CalibrationHub.h"

#include "procedures/Procedure.h"

namespace {

struct tagPrerequisite {
    size_t needs;  // this many calibrations before it must be done
    const char* question;
};

const tagPrerequisite kPrerequisites[kCalibrationCount] = {
    {0, ""},
    {1, "II-Focus calibration has not been done.\n\r\n\rAre you sure you want to start the calibration of the "
        "camera head?"},
    {2, "II-Focus and/or the camera head calibration have not been done.\n\r\n\rAre you sure you want to start the "
        "calibration of the II-Diameter?"},
    {3, "II-Focus and/or the camera head and/or II-Diameter calibration have not been done.\n\r\n\rAre you sure you "
        "want to start the calibration of the Dose/Doserate (ABC signal)?"},
    {3, "II-Focus and/or the camera head and/or II-Diameter calibration have not been done.\n\r\n\rAre you sure you "
        "want to start the calibration of the Dose/Doserate (AEC signal)?"},
};

}  // namespace

const std::array<tagCalibrationButton, kCalibrationCount>& CalibrationButtons()
{
    static const std::array<tagCalibrationButton, kCalibrationCount> buttons = {{
        {"ii-focus", "   II-Focus..."},
        {"camera-head", "   Camera Head centering and horizon..."},
        {"ii-diameter", "   II-Diameter..."},
        {"dose-abc", "   Dose / Doserate (ABC signal)..."},
        {"dose-aec", "   Dose / Doserate (AEC signal)..."},
    }};
    return buttons;
}

CCalibrationHub::CCalibrationHub(const std::array<bool, kCalibrationCount>& done) : done_(done) {}

std::string CCalibrationHub::MarkText(size_t calibration) const
{
    return done_.at(calibration) ? "Yes" : "No";
}

std::string CCalibrationHub::QuestionBeforeOpening(size_t calibration) const
{
    const tagPrerequisite& prerequisite = kPrerequisites[calibration];
    for (size_t i = 0; i < prerequisite.needs; ++i) {
        if (!done_[i]) return prerequisite.question;
    }
    return "";
}

void CCalibrationHub::ProcedureClosed(size_t calibration, int result)
{
    if (result == kIdOk) done_.at(calibration) = true;
}
