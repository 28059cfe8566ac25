// The II-focus calibration: calibration 1, with sub-calibration 101 run once for every II format
// the subsystem reports. Before each format the requested doserate climbs in steps of 25 nG/s
// until the subsystem validates the settings.
#pragma once

#include "procedures/Procedure.h"

inline constexpr char kCalibratedFormats[] = "Calibrated II-formats:";

class CIIFocusProcedure : public CProcedure {
public:
    static const tagProcedureDescription& Describe();

    CIIFocusProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
                      std::shared_ptr<const CTextSource> texts = nullptr);

    // The state the doserate validation has reached (0.1 nG/s) and the format being calibrated.
    uint32_t RequestedDoserate() const { return requested_doserate_; }
    uint32_t FormatIndex() const { return format_index_; }
    const std::string& CalibratedFormatsText() const { return calibrated_formats_; }

protected:
    std::string InstructionFor(const std::string& state, const std::string& looked_up) const override;
    void OnOpen() override;
    void OnFailure() override;

private:
    void StepStart();
    void StepAnnounce();
    void StepStartCal();
    void StepStopCal();
    void StepStoreCal();
    // Validates buffer 1, raising the requested doserate until it validates or the limit is
    // reached; fails the step when it never does.
    void ValidateDoserate();
    void SetCalibratedFormats(const std::string& text);

    uint32_t format_index_ = 0;
    uint32_t requested_doserate_ = 0;
    std::string calibrated_formats_ = kCalibratedFormats;
};
