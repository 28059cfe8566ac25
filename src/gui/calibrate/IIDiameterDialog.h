// The II-Diameter dialog: the common controls, the "Timing" group and the seven step buttons
// that trim the diameter.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CIIDiameterDialog : public CProcedureDialog {
public:
    // handler is the hub's; prepare is the hub's Prepare flag.
    CIIDiameterDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent);
};
