// The Dose/Doserate (AEC signal) dialog: the common controls and the measured doserate entry.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CDoseExposureDialog : public CProcedureDialog {
public:
    // handler is the hub's; prepare is the hub's Prepare flag.
    CDoseExposureDialog(CSerialCommHandler& handler, bool prepare, QWidget* parent);
};
