// Dose/Doserate with the AEC signal: the engineer measures the doserate and types it in; the
// last instruction shows the two values the engineer sets from it. No calibration number.
#pragma once

#include "procedures/Procedure.h"

class CDoseExposureProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    CDoseExposureProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                           std::shared_ptr<const CTextSource> texts = nullptr);

    // Unprepares first when the tool prepared (its result is not looked at).
    int PressExit() override;

    double MeasuredDoserate() const { return measured_doserate_; }

protected:
    std::string InstructionFor(const std::string& state, const std::string& looked_up) const override;
    void OnOpen() override;

private:
    void StepStart();
    void StepMeasure();
    void StepFirstReady();
    void StepExpInfo();

    double measured_doserate_ = 0.0;  // nGy/s
};
