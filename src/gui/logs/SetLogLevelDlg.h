// "Change Log Level": reads the subsystem's application log level when it opens and sends the
// chosen one on OK, over the command handler of the hub that opened it. Neither request reports
// a failure; after a failed read level 0 is selected.
#pragma once

#include <QDialog>

#include "handler/LogLevelSelection.h"

class QListWidget;

class CSetLogLevelDlg : public QDialog {
    Q_OBJECT
public:
    // handler is borrowed from the hub and must outlive the dialog. The level is read here, so
    // the dialog shows the subsystem's level as soon as it is visible.
    CSetLogLevelDlg(CSerialCommHandler& handler, QWidget* parent);

    QListWidget* LevelList() const { return list_; }

    // Sends the selected level and closes the dialog with OK.
    void accept() override;

private:
    CLogLevelSelection selection_;
    QListWidget* list_;
};
