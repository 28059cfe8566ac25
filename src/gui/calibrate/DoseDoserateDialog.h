// The Dose/Doserate (ABC signal) dialog: the common controls, the calibrated formats line and the
// measured doserate entry.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CDoseDoserateDialog : public CProcedureDialog {
public:
    // handler is the hub's; prepare is the hub's Prepare flag.
    CDoseDoserateDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent);
};
