// The II-focus calibration's dialog: the common controls, the calibrated formats line and the
// requested doserate line below it.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CIIFocusDialog : public CProcedureDialog {
public:
    // handler is the hub's; prepare is the hub's Prepare flag.
    CIIFocusDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent);
};
