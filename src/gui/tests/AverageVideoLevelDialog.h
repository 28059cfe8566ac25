// The window of the average video level test: the common controls, the group "Test Mode" with
// its two radio buttons, the level ("Average Video Level:" and the value, with the note in
// absolute mode) and beside it the live plot of the last minute, fed by the test's polling
// thread.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CAverageVideoLevelProcedure;
class CLevelPlot;
class QLabel;

class CAverageVideoLevelDialog : public CProcedureDialog {
    Q_OBJECT
public:
    // internal_timing and prepare are the hub's; handler is the hub's and must outlive the dialog.
    CAverageVideoLevelDialog(bool internal_timing, CSerialCommHandler& handler, bool prepare, QWidget* parent);

    CLevelPlot* Plot() const { return plot_; }
    QLabel* ValueText() const { return value_; }
    CAverageVideoLevelProcedure& LevelProcedure() { return *level_procedure_; }

    // The value appearing starts a new trace in the plot, in the unit of the run's mode.
    void Show(const std::string& control, bool shown) override;

signals:
    // Emitted on the GUI thread when a polled value has reached the plot.
    void LevelPlotted();

private:
    void Plot(uint64_t time_ms, uint32_t value, bool relative);

    CAverageVideoLevelProcedure* level_procedure_ = nullptr;  // owned by the base
    CLevelPlot* plot_ = nullptr;
    QLabel* value_ = nullptr;
};
