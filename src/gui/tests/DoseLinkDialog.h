// The window of the doserate link test (subsystem test 20): the common controls of a procedure
// dialog. The test never prepares, so the dialog takes no Prepare flag.
#pragma once

#include "gui/calibrate/ProcedureDialog.h"

class CDoseLinkDialog : public CProcedureDialog {
public:
    // internal_timing is the hub's; handler is the hub's and must outlive the dialog.
    CDoseLinkDialog(bool internal_timing, CSerialCommHandler& handler, QWidget* parent);
};
