// The window of the cosmetic check (subsystem test 40): the common controls of a procedure dialog.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CCosmeticCheckDialog : public CProcedureDialog {
public:
    // internal_timing and prepare are the hub's; handler is the hub's and must outlive the dialog.
    CCosmeticCheckDialog(bool internal_timing, CSerialCommHandler& handler, bool prepare, QWidget* parent);
};
