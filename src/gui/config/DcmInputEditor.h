// "DCM Input Editor": edits one DCM input line's definition for one transition (its list of
// input functions) together with the line's debounce time, mode and priority. A thin shell over
// CDcmInputEdit: the dialog works on copies, and the results below are the edited values only
// after OK; until then (and after Cancel) they are the values it was opened with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <QDialog>

#include "config/DcmInputEdit.h"

class QButtonGroup;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class CDcmInputEditor : public QDialog {
    Q_OBJECT
public:
    // Shows the message about each "UNKNOWN" function it leaves out (through the process's
    // prompt) before it returns. mode and priority are the bytes of the "DCM Mode" and
    // "DCM PrioIO" tables.
    CDcmInputEditor(const std::string& name, const std::vector<tagInputFunc>& functions, uint8_t debounce,
                    uint8_t mode, uint8_t priority, const std::string& help, QWidget* parent);

    // After exec() == QDialog::Accepted:
    std::string Name() const;  // "DCM i%d:%s"
    std::vector<tagInputFunc> Functions() const;
    uint8_t Debounce() const;
    uint8_t Mode() const;
    uint8_t Priority() const;

    // The controls, for tests and screenshots.
    QSpinBox* LineField() const { return line_; }
    QRadioButton* HighToLowButton() const { return high_to_low_; }
    QRadioButton* LowToHighButton() const { return low_to_high_; }
    QListWidget* CommandList() const { return commands_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* DeleteButton() const { return delete_; }
    // Mode 1 (dual action), 2 (single, Low to High), 3 (single, High to Low).
    QRadioButton* ModeButton(int mode) const;
    QSpinBox* DebounceField() const { return debounce_; }
    // Priority 1 to 3.
    QRadioButton* PriorityButton(int priority) const;
    QPlainTextEdit* HelpBox() const { return help_; }

    void accept() override;

    // Opens the "Function Selector" and appends its choice on OK.
    void AddCommand();
    // Removes the selected command.
    void DeleteCommand();

private:
    void OnModeClicked(int mode);
    void ShowTransition();
    void FillCommandList();
    void UpdateDeleteButton();

    CDcmInputEdit edit_;
    // What the caller gets: the values it passed until OK takes the edited ones.
    std::string name_;
    std::vector<tagInputFunc> functions_;
    uint8_t debounce_value_;
    uint8_t mode_value_;
    uint8_t priority_value_;

    QSpinBox* line_;
    QLabel* transition_label_;
    QRadioButton* high_to_low_;
    QRadioButton* low_to_high_;
    QListWidget* commands_;
    QPushButton* add_;
    QPushButton* delete_;
    QButtonGroup* modes_;
    QSpinBox* debounce_;
    QButtonGroup* priorities_;
    QPlainTextEdit* help_;
};
