// Dose/Doserate with the ABC signal: the engineer measures the doserate with an external meter
// and types it in; calibration 6 then runs the iris sub-calibration 602 once and sub-calibration
// 603 for every II format.
#pragma once

#include "procedures/Procedure.h"

class CDoseDoserateProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    CDoseDoserateProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                           std::shared_ptr<const CTextSource> texts = nullptr);

    double MeasuredDoserate() const { return measured_doserate_; }
    uint32_t FormatIndex() const { return format_index_; }
    const std::string& CalibratedFormatsText() const { return calibrated_formats_; }

protected:
    std::string InstructionFor(const std::string& state, const std::string& looked_up) const override;
    void OnOpen() override;
    void OnFailure() override;

private:
    void StepStart();
    void StepMeasure();
    void StepStoreDose();
    void StepIrisAnnounce();
    void StepIris();
    void StepAnnounce();
    void StepStartCal();
    void StepStopCal();
    void StepStoreCal();
    void ShowFormatsLine(bool shown);

    uint32_t format_index_ = 0;
    std::string calibrated_formats_;
    double measured_doserate_ = 400.0;  // nGy/s
};
