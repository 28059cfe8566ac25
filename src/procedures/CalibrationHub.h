// The calibration hub's logic: the five calibrations in their recommended order with their
// "Completed" marks, the question asked before one is opened out of order, and how a closed
// dialog changes its mark. The marks start from the main window's flags and go back to them when
// the hub goes, so they survive a change of view.
#pragma once

#include <array>
#include <cstddef>
#include <string>

inline constexpr size_t kCalibrationCount = 5;

struct tagCalibrationButton {
    const char* key;      // the procedure's catalog key
    const char* caption;  // the hub's button
};

// II-Focus, camera head, II-Diameter, Dose/Doserate ABC, Dose/Doserate AEC.
const std::array<tagCalibrationButton, kCalibrationCount>& CalibrationButtons();

class CCalibrationHub {
public:
    explicit CCalibrationHub(const std::array<bool, kCalibrationCount>& done);

    // "Yes" or "No".
    std::string MarkText(size_t calibration) const;
    bool Done(size_t calibration) const { return done_.at(calibration); }
    // The Yes/No question to ask before opening a calibration whose predecessors are not all
    // done; "" when it opens without asking.
    std::string QuestionBeforeOpening(size_t calibration) const;
    // A dialog ended with result: kIdOk marks it done; nothing ever marks one back to "No".
    void ProcedureClosed(size_t calibration, int result);
    const std::array<bool, kCalibrationCount>& Marks() const { return done_; }

private:
    std::array<bool, kCalibrationCount> done_;
};
