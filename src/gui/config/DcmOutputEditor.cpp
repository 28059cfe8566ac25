#include "gui/config/DcmOutputEditor.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/config/CondSelectorDialog.h"

namespace {

constexpr int kHelpLines = 4;

}  // namespace

CDcmOutputEditor::CDcmOutputEditor(const std::string& name, const std::vector<tagOutputCond>& conditions,
                                   const std::string& help, QWidget* parent)
    : QDialog(parent), edit_(name, conditions), name_(name), conditions_value_(conditions)
{
    setWindowTitle(QStringLiteral("DCM Output Editor"));

    line_ = new QSpinBox(this);
    line_->setObjectName(QStringLiteral("line"));
    line_->setRange(CDcmOutputEdit::kMinLine, CDcmOutputEdit::kMaxLine);
    line_->setValue(edit_.Line());
    auto* line_label = new QLabel(QStringLiteral("Output line:"), this);
    line_label->setBuddy(line_);

    conditions_ = new QListWidget(this);
    conditions_->setObjectName(QStringLiteral("conditions"));
    add_ = new QPushButton(QStringLiteral("Add Condition..."), this);
    add_->setObjectName(QStringLiteral("add"));
    delete_ = new QPushButton(QStringLiteral("Delete Condition"), this);
    delete_->setObjectName(QStringLiteral("delete"));
    connect(add_, &QPushButton::clicked, this, &CDcmOutputEditor::AddCondition);
    connect(delete_, &QPushButton::clicked, this, &CDcmOutputEditor::DeleteCondition);
    connect(conditions_, &QListWidget::currentRowChanged, this, &CDcmOutputEditor::UpdateDeleteButton);

    help_ = new QPlainTextEdit(QString::fromStdString(help), this);
    help_->setObjectName(QStringLiteral("help"));
    help_->setReadOnly(true);
    help_->setFixedHeight(help_->fontMetrics().lineSpacing() * kHelpLines + 12);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDcmOutputEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(line_label);
    top->addWidget(line_);
    top->addStretch();
    auto* list_buttons = new QVBoxLayout;
    list_buttons->addWidget(add_);
    list_buttons->addWidget(delete_);
    list_buttons->addStretch();
    auto* list_row = new QHBoxLayout;
    list_row->addWidget(conditions_, 1);
    list_row->addLayout(list_buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("Conditions:"), this));
    layout->addLayout(list_row, 1);
    layout->addWidget(new QLabel(QStringLiteral("Help:"), this));
    layout->addWidget(help_);
    layout->addWidget(buttons);
    resize(520, 400);

    FillConditionList();
    edit_.ShowUnknownMessages();
}

std::string CDcmOutputEditor::Name() const
{
    return name_;
}

std::vector<tagOutputCond> CDcmOutputEditor::Conditions() const
{
    return conditions_value_;
}

void CDcmOutputEditor::FillConditionList()
{
    conditions_->clear();
    for (const std::string& line : edit_.Presentations()) {
        conditions_->addItem(QString::fromStdString(line));
    }
    UpdateDeleteButton();
}

void CDcmOutputEditor::UpdateDeleteButton()
{
    delete_->setEnabled(conditions_->currentRow() >= 0);
}

void CDcmOutputEditor::AddCondition()
{
    CCondSelectorDialog selector(this);
    if (selector.exec() != QDialog::Accepted || !selector.Condition()) {
        return;
    }
    edit_.AddCondition(*selector.Condition());
    FillConditionList();
    conditions_->setCurrentRow(conditions_->count() - 1);
}

void CDcmOutputEditor::DeleteCondition()
{
    const int row = conditions_->currentRow();
    if (!edit_.RemoveCondition(row)) {
        return;
    }
    FillConditionList();
    conditions_->setCurrentRow(std::min(row, conditions_->count() - 1));
}

void CDcmOutputEditor::accept()
{
    edit_.SetLine(line_->value());
    name_ = edit_.Name();
    conditions_value_ = edit_.Conditions();
    QDialog::accept();
}
