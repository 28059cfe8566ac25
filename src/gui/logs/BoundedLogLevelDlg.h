// "Change Log Level" as the hubs open it: the log level dialog reads the level as it is made and
// sends it on OK, both on the GUI thread; a board that does not answer within 3 s ends that wait
// (level 0 selected, or the level not sent, neither of which the dialog reports) instead of
// holding the window.
#pragma once

#include <memory>

#include "gui/logs/SetLogLevelDlg.h"

class CSerialCommHandler;
class QWidget;

// Opens the dialog modally on handler, each of its requests bounded.
void ExecBoundedLogLevelDialog(CSerialCommHandler& handler, QWidget* parent);
