// The camera head centring and horizon dialog: the common controls and the "Timing" group.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CCameraHeadDialog : public CProcedureDialog {
public:
    // handler is the hub's; prepare is the hub's Prepare flag.
    CCameraHeadDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent);
};
