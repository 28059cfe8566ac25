#include "gui/config/FuncSelectorDialog.h"

#include <limits>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

CFuncSelectorDialog::CFuncSelectorDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Function Selector"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("functions"));
    for (const std::string& text : selection_.Texts()) {
        list_->addItem(QString::fromStdString(text));
    }
    auto* label = new QLabel(QStringLiteral("Select function:"), this);
    label->setBuddy(list_);

    parameter_label_ = new QLabel(QStringLiteral("Parameter:"), this);
    parameter_ = new QSpinBox(this);
    parameter_->setObjectName(QStringLiteral("parameter"));
    parameter_->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    parameter_label_->setBuddy(parameter_);
    wrap_ = new QCheckBox(QStringLiteral("Wrap"), this);
    wrap_->setObjectName(QStringLiteral("wrap"));

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CFuncSelectorDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::currentRowChanged, this, &CFuncSelectorDialog::OnSelectionChanged);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CFuncSelectorDialog::accept);

    auto* parameter_row = new QHBoxLayout;
    parameter_row->addWidget(parameter_label_);
    parameter_row->addWidget(parameter_, 1);
    parameter_row->addSpacing(12);
    parameter_row->addWidget(wrap_);
    parameter_row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(list_, 1);
    layout->addLayout(parameter_row);
    layout->addWidget(buttons_);
    resize(340, 420);
    OnSelectionChanged();
}

QPushButton* CFuncSelectorDialog::OkButton() const
{
    return buttons_->button(QDialogButtonBox::Ok);
}

void CFuncSelectorDialog::OnSelectionChanged()
{
    selection_.Select(list_->currentRow());
    const bool asks = selection_.AsksParameter();
    parameter_label_->setVisible(asks);
    parameter_->setVisible(asks);
    wrap_->setVisible(selection_.OffersWrap());
    OkButton()->setEnabled(selection_.SelectedEntry() != nullptr);
}

void CFuncSelectorDialog::accept()
{
    selection_.Select(list_->currentRow());
    selection_.SetParameter(parameter_->value());
    selection_.SetWrap(wrap_->isChecked());
    result_ = selection_.Result();
    if (!result_) {
        return;  // nothing chosen: OK is disabled, a double click on nothing does nothing
    }
    QDialog::accept();
}
