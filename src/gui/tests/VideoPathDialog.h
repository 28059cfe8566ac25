// The window of the video path test (subsystem test 2): the common controls of a procedure dialog.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CVideoPathDialog : public CProcedureDialog {
public:
    // internal_timing and prepare are the hub's; handler is the hub's and must outlive the dialog.
    CVideoPathDialog(bool internal_timing, CSerialCommHandler& handler, bool prepare, QWidget* parent);
};
