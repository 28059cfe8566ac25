// "Function Selector": picks one input function for the DCM input editor, with its parameter
// where the function takes one and the wrap choice for the step functions. A thin shell over
// CFuncSelection.
#pragma once

#include <optional>

#include <QDialog>

#include "config/DcmSelection.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

class CFuncSelectorDialog : public QDialog {
    Q_OBJECT
public:
    explicit CFuncSelectorDialog(QWidget* parent);

    // After exec() == QDialog::Accepted: the function to append.
    std::optional<tagInputFunc> Function() const { return result_; }

    QListWidget* FunctionList() const { return list_; }
    QSpinBox* ParameterField() const { return parameter_; }
    QCheckBox* WrapBox() const { return wrap_; }
    QPushButton* OkButton() const;

    void accept() override;

private:
    void OnSelectionChanged();

    CFuncSelection selection_;
    std::optional<tagInputFunc> result_;
    QListWidget* list_;
    QLabel* parameter_label_;
    QSpinBox* parameter_;
    QCheckBox* wrap_;
    QDialogButtonBox* buttons_;
};
