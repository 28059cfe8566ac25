#include "gui/config/CondSelectorDialog.h"

#include <limits>

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

CCondSelectorDialog::CCondSelectorDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Condition Selector"));
    high_ = new QRadioButton(QStringLiteral("High on:"), this);
    high_->setObjectName(QStringLiteral("high"));
    low_ = new QRadioButton(QStringLiteral("Low on:"), this);
    low_->setObjectName(QStringLiteral("low"));
    high_->setChecked(selection_.High());

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("conditions"));
    for (const std::string& text : selection_.Texts()) {
        list_->addItem(QString::fromStdString(text));
    }
    auto* label = new QLabel(QStringLiteral("Select condition:"), this);
    label->setBuddy(list_);

    parameter_label_ = new QLabel(QStringLiteral("Parameter:"), this);
    parameter_ = new QSpinBox(this);
    parameter_->setObjectName(QStringLiteral("parameter"));
    parameter_->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    parameter_label_->setBuddy(parameter_);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CCondSelectorDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, &CCondSelectorDialog::OnSelectionChanged);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CCondSelectorDialog::accept);

    auto* transition_row = new QHBoxLayout;
    transition_row->addWidget(high_);
    transition_row->addWidget(low_);
    transition_row->addStretch();
    auto* parameter_row = new QHBoxLayout;
    parameter_row->addWidget(parameter_label_);
    parameter_row->addWidget(parameter_, 1);
    parameter_row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(transition_row);
    layout->addWidget(label);
    layout->addWidget(list_, 1);
    layout->addLayout(parameter_row);
    layout->addWidget(buttons_);
    resize(380, 440);
    OnSelectionChanged();
}

QPushButton* CCondSelectorDialog::OkButton() const
{
    return buttons_->button(QDialogButtonBox::Ok);
}

void CCondSelectorDialog::OnSelectionChanged()
{
    selection_.Select(list_->currentRow());
    const bool asks = selection_.AsksParameter();
    parameter_label_->setVisible(asks);
    parameter_->setVisible(asks);
    OkButton()->setEnabled(selection_.SelectedEntry() != nullptr);
}

void CCondSelectorDialog::accept()
{
    selection_.Select(list_->currentRow());
    selection_.SetHigh(high_->isChecked());
    selection_.SetParameter(parameter_->value());
    result_ = selection_.Result();
    if (!result_) {
        return;
    }
    QDialog::accept();
}
