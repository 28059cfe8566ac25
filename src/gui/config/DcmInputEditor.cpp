#include "gui/config/DcmInputEditor.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "config/DcmNames.h"
#include "gui/config/FuncSelectorDialog.h"

namespace {

const char* const kModeTexts[] = {
    "a dual action definition",
    "a single action definition  Low to High",
    "a single action definition  High to Low",
};
const int kModeValues[] = {kDcmModeDualAction, kDcmModeSingleLowToHigh, kDcmModeSingleHighToLow};

// The help box shows a few lines; longer help texts scroll.
constexpr int kHelpLines = 4;

}  // namespace

CDcmInputEditor::CDcmInputEditor(const std::string& name, const std::vector<tagInputFunc>& functions,
                                 uint8_t debounce, uint8_t mode, uint8_t priority, const std::string& help,
                                 QWidget* parent)
    : QDialog(parent),
      edit_(name, functions, debounce, mode, priority),
      name_(name),
      functions_(functions),
      debounce_value_(debounce),
      mode_value_(mode),
      priority_value_(priority)
{
    setWindowTitle(QStringLiteral("DCM Input Editor"));

    line_ = new QSpinBox(this);
    line_->setObjectName(QStringLiteral("line"));
    line_->setRange(CDcmInputEdit::kMinLine, CDcmInputEdit::kMaxLine);
    line_->setValue(edit_.Line());
    auto* line_label = new QLabel(QStringLiteral("Input line:"), this);
    line_label->setBuddy(line_);

    transition_label_ = new QLabel(QStringLiteral("on transition:"), this);
    high_to_low_ = new QRadioButton(QStringLiteral("High to Low"), this);
    high_to_low_->setObjectName(QStringLiteral("highToLow"));
    low_to_high_ = new QRadioButton(QStringLiteral("Low to High"), this);
    low_to_high_->setObjectName(QStringLiteral("lowToHigh"));
    auto* transitions = new QButtonGroup(this);
    transitions->addButton(high_to_low_);
    transitions->addButton(low_to_high_);
    connect(high_to_low_, &QRadioButton::clicked, this,
            [this] { edit_.SetTransition(CDcmInputEdit::Transition::HighToLow); });
    connect(low_to_high_, &QRadioButton::clicked, this,
            [this] { edit_.SetTransition(CDcmInputEdit::Transition::LowToHigh); });

    commands_ = new QListWidget(this);
    commands_->setObjectName(QStringLiteral("commands"));
    add_ = new QPushButton(QStringLiteral("Add Command..."), this);
    add_->setObjectName(QStringLiteral("add"));
    delete_ = new QPushButton(QStringLiteral("Delete Command"), this);
    delete_->setObjectName(QStringLiteral("delete"));
    connect(add_, &QPushButton::clicked, this, &CDcmInputEditor::AddCommand);
    connect(delete_, &QPushButton::clicked, this, &CDcmInputEditor::DeleteCommand);
    connect(commands_, &QListWidget::currentRowChanged, this, &CDcmInputEditor::UpdateDeleteButton);

    auto* mode_box = new QGroupBox(QStringLiteral("Mode"), this);
    auto* mode_layout = new QVBoxLayout(mode_box);
    modes_ = new QButtonGroup(this);
    for (size_t i = 0; i < std::size(kModeTexts); ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(kModeTexts[i]), mode_box);
        button->setObjectName(QStringLiteral("mode%1").arg(kModeValues[i]));
        modes_->addButton(button, kModeValues[i]);
        mode_layout->addWidget(button);
    }
    connect(modes_, &QButtonGroup::idClicked, this, &CDcmInputEditor::OnModeClicked);

    debounce_ = new QSpinBox(this);
    debounce_->setObjectName(QStringLiteral("debounce"));
    debounce_->setRange(0, CDcmInputEdit::kMaxDebounceMs);
    debounce_->setValue(edit_.Debounce());
    auto* debounce_label = new QLabel(QStringLiteral("Debounce time (ms):"), this);
    debounce_label->setBuddy(debounce_);

    auto* priority_label = new QLabel(QStringLiteral("Priority:"), this);
    priorities_ = new QButtonGroup(this);
    auto* priority_row = new QHBoxLayout;
    priority_row->addWidget(priority_label);
    for (int value = 1; value <= 3; ++value) {
        auto* button = new QRadioButton(QString::number(value), this);
        button->setObjectName(QStringLiteral("priority%1").arg(value));
        priorities_->addButton(button, value);
        priority_row->addWidget(button);
    }
    priority_row->addStretch();

    help_ = new QPlainTextEdit(QString::fromStdString(help), this);
    help_->setObjectName(QStringLiteral("help"));
    help_->setReadOnly(true);
    help_->setFixedHeight(help_->fontMetrics().lineSpacing() * kHelpLines + 12);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDcmInputEditor::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(line_label);
    top->addWidget(line_);
    top->addSpacing(16);
    top->addWidget(transition_label_);
    top->addWidget(high_to_low_);
    top->addWidget(low_to_high_);
    top->addStretch();
    auto* command_buttons = new QVBoxLayout;
    command_buttons->addWidget(add_);
    command_buttons->addWidget(delete_);
    command_buttons->addStretch();
    auto* command_row = new QHBoxLayout;
    command_row->addWidget(commands_, 1);
    command_row->addLayout(command_buttons);
    auto* settings_row = new QHBoxLayout;
    settings_row->addWidget(debounce_label);
    settings_row->addWidget(debounce_);
    settings_row->addSpacing(24);
    settings_row->addLayout(priority_row);
    settings_row->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(new QLabel(QStringLiteral("Commands:"), this));
    layout->addLayout(command_row, 1);
    layout->addWidget(mode_box);
    layout->addLayout(settings_row);
    layout->addWidget(new QLabel(QStringLiteral("Help:"), this));
    layout->addWidget(help_);
    layout->addWidget(buttons);
    resize(520, 500);

    if (QAbstractButton* button = modes_->button(edit_.Mode())) {
        button->setChecked(true);
    }
    if (QAbstractButton* button = priorities_->button(edit_.Priority())) {
        button->setChecked(true);
    }
    ShowTransition();
    FillCommandList();
    edit_.ShowUnknownMessages();
}

QRadioButton* CDcmInputEditor::ModeButton(int mode) const
{
    return qobject_cast<QRadioButton*>(modes_->button(mode));
}

QRadioButton* CDcmInputEditor::PriorityButton(int priority) const
{
    return qobject_cast<QRadioButton*>(priorities_->button(priority));
}

std::string CDcmInputEditor::Name() const
{
    return name_;
}

std::vector<tagInputFunc> CDcmInputEditor::Functions() const
{
    return functions_;
}

uint8_t CDcmInputEditor::Debounce() const
{
    return debounce_value_;
}

uint8_t CDcmInputEditor::Mode() const
{
    return mode_value_;
}

uint8_t CDcmInputEditor::Priority() const
{
    return priority_value_;
}

void CDcmInputEditor::OnModeClicked(int mode)
{
    edit_.SetMode(static_cast<uint8_t>(mode));
    ShowTransition();
}

void CDcmInputEditor::ShowTransition()
{
    const bool shown = edit_.TransitionShown();
    transition_label_->setVisible(shown);
    high_to_low_->setVisible(shown);
    low_to_high_->setVisible(shown);
    const bool high_to_low = edit_.GetTransition() == CDcmInputEdit::Transition::HighToLow;
    high_to_low_->setChecked(high_to_low);
    low_to_high_->setChecked(!high_to_low);
}

void CDcmInputEditor::FillCommandList()
{
    commands_->clear();
    for (const std::string& line : edit_.Presentations()) {
        commands_->addItem(QString::fromStdString(line));
    }
    UpdateDeleteButton();
}

void CDcmInputEditor::UpdateDeleteButton()
{
    delete_->setEnabled(commands_->currentRow() >= 0);
}

void CDcmInputEditor::AddCommand()
{
    CFuncSelectorDialog selector(this);
    if (selector.exec() != QDialog::Accepted || !selector.Function()) {
        return;
    }
    edit_.AddFunction(*selector.Function());
    FillCommandList();
    commands_->setCurrentRow(commands_->count() - 1);
}

void CDcmInputEditor::DeleteCommand()
{
    const int row = commands_->currentRow();
    if (!edit_.RemoveFunction(row)) {
        return;
    }
    FillCommandList();
    commands_->setCurrentRow(std::min(row, commands_->count() - 1));
}

void CDcmInputEditor::accept()
{
    edit_.SetLine(line_->value());
    edit_.SetDebounce(debounce_->value());
    if (priorities_->checkedId() > 0) {
        edit_.SetPriority(static_cast<uint8_t>(priorities_->checkedId()));
    }
    name_ = edit_.Name();
    functions_ = edit_.Functions();
    debounce_value_ = edit_.Debounce();
    mode_value_ = edit_.Mode();
    priority_value_ = edit_.Priority();
    QDialog::accept();
}
