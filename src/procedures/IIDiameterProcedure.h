// The II-Diameter calibration: calibration 4 on the largest II format, which the engineer trims
// with seven step buttons (sub-calibrations 406 down to 401, and 400 for the default) before the
// result is stored. The sensor timing is chosen as for the camera head.
#pragma once

#include <array>

#include "procedures/Procedure.h"

// One trim button: its control name, its caption and its sub-calibration.
struct tagDiameterStep {
    const char* control;
    const char* caption;
    uint32_t calibration;
};

// The seven buttons in the order they sit on the dialog.
inline constexpr std::array<tagDiameterStep, 7> kDiameterSteps = {{
    {"step-406", "---", 406},
    {"step-405", "--", 405},
    {"step-404", "-", 404},
    {"step-403", "+", 403},
    {"step-402", "++", 402},
    {"step-401", "+++", 401},
    {"step-400", "Default", 400},
}};

class CIIDiameterProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    CIIDiameterProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                         std::shared_ptr<const CTextSource> texts = nullptr);

    // The timing radio buttons and the seven step buttons.
    bool PressControl(const std::string& control) override;

protected:
    void OnOpen() override;

private:
    void StepStart();
    void StepStopCal();
    void StepStoreCal();
    void RunDiameterStep(const tagDiameterStep& step);
    void ShowStepButtons(bool shown);

    bool timing_radios_enabled_ = true;
};
