// Camera head centring and horizon: the subsystem shows an overlay (test 41) on the largest II
// format while the engineer adjusts the camera head; no calibration number. The engineer chooses
// the sensor timing with the radio buttons "Internal" and "External" before the run starts.
#pragma once

#include "procedures/Procedure.h"

class CCameraHeadProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    CCameraHeadProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                         std::shared_ptr<const CTextSource> texts = nullptr);

    // The timing radio buttons.
    bool PressControl(const std::string& control) override;

protected:
    void OnOpen() override;
    void OnFailure() override;

private:
    void StepStart();
    void StepStopCal();

    bool timing_radios_enabled_ = true;
};

// The radio buttons "Internal" / "External" that the camera head and II-Diameter procedures
// share: checks the one of the current timing; enables both or disables both.
void ShowTimingChoice(IProcedureView& view, bool internal, bool enabled);
