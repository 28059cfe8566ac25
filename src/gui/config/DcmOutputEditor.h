// "DCM Output Editor": edits one DCM output line's list of conditions. A thin shell over
// CDcmOutputEdit: the dialog works on copies, and the results below are the edited values only
// after OK; until then (and after Cancel) they are the values it was opened with.
#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "config/DcmOutputEdit.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class CDcmOutputEditor : public QDialog {
    Q_OBJECT
public:
    // Shows the message about each "UNKNOWN" condition it leaves out (through the process's
    // prompt) before it returns.
    CDcmOutputEditor(const std::string& name, const std::vector<tagOutputCond>& conditions, const std::string& help,
                     QWidget* parent);

    // After exec() == QDialog::Accepted:
    std::string Name() const;  // "DCM o%d"
    std::vector<tagOutputCond> Conditions() const;

    QSpinBox* LineField() const { return line_; }
    QListWidget* ConditionList() const { return conditions_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPlainTextEdit* HelpBox() const { return help_; }

    void accept() override;

    // Opens the "Condition Selector" and appends its choice on OK.
    void AddCondition();
    // Removes the selected condition.
    void DeleteCondition();

private:
    void FillConditionList();
    void UpdateDeleteButton();

    CDcmOutputEdit edit_;
    std::string name_;
    std::vector<tagOutputCond> conditions_value_;

    QSpinBox* line_;
    QListWidget* conditions_;
    QPushButton* add_;
    QPushButton* delete_;
    QPlainTextEdit* help_;
};
