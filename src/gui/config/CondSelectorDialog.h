// "Condition Selector": picks one output condition for the DCM output editor, High or Low, with
// its parameter where the condition takes one. A thin shell over CCondSelection.
#pragma once

#include <optional>

#include <QDialog>

#include "config/DcmSelection.h"

class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

class CCondSelectorDialog : public QDialog {
    Q_OBJECT
public:
    explicit CCondSelectorDialog(QWidget* parent);

    // After exec() == QDialog::Accepted: the condition to append.
    std::optional<tagOutputCond> Condition() const { return result_; }

    QListWidget* ConditionList() const { return list_; }
    QRadioButton* HighButton() const { return high_; }
    QRadioButton* LowButton() const { return low_; }
    QSpinBox* ParameterField() const { return parameter_; }
    QPushButton* OkButton() const;

    void accept() override;

private:
    void OnSelectionChanged();

    CCondSelection selection_;
    std::optional<tagOutputCond> result_;
    QRadioButton* high_;
    QRadioButton* low_;
    QListWidget* list_;
    QLabel* parameter_label_;
    QSpinBox* parameter_;
    QDialogButtonBox* buttons_;
};
