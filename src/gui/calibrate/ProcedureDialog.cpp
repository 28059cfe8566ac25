#include "gui/calibrate/ProcedureDialog.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QVBoxLayout>

#include "gui/widgets/ColorStatic.h"
#include "handler/SerialCommHandler.h"
#include "platform/Prompt.h"

namespace {

using namespace ProcedureControl;

constexpr int kDialogWidth = 560;
const char kLeavingText[] = "Leaving: the subsystem's settings are being put back. Please wait...";

QString WindowText(const std::string& text)
{
    QString out = QString::fromStdString(text);
    out.replace("\r\n", "\n");
    return out;
}

QLabel* PlainLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

}  // namespace

// A question or message box asked by the worker: shown on the GUI thread; the worker waits for
// the answer or for the engineer leaving.
struct CProcedureDialog::tagQuestion {
    std::string text;
    bool yes_no = true;
    bool answer = false;
    CEvent done{CEvent::Kind::ManualReset};
};

CProcedureDialog::CProcedureDialog(CSerialCommHandler& handler, const QString& title, QWidget* parent)
    : QDialog(parent), handler_(handler)
{
    setWindowTitle(title);
    setModal(true);
    BuildCommonControls();
}

CProcedureDialog::~CProcedureDialog()
{
    if (worker_.IsAttached()) {
        handler_.StopRequests();
        abort_.Set();
        worker_.Join();
    }
    if (procedure_ && !closed_) {
        // Only left without Exit (the window is going): the restore sequence must not hold it.
        handler_.StopRequests();
        procedure_.reset();
    }
    handler_.ResumeRequests();
}

void CProcedureDialog::BuildCommonControls()
{
    setMinimumWidth(kDialogWidth);
    auto* layout = new QVBoxLayout(this);

    auto* instructions = new QGroupBox("Instructions", this);
    auto* instructions_layout = new QVBoxLayout(instructions);
    instruction_ = PlainLabel(instructions);
    instruction_->setMinimumHeight(fontMetrics().lineSpacing() * 9);
    instructions_layout->addWidget(instruction_);
    layout->addWidget(instructions, 1);

    auto* action_group = new QGroupBox("Action", this);
    auto* action_layout = new QVBoxLayout(action_group);
    action_ = PlainLabel(action_group);
    QFont bold("Arial", 10);
    bold.setBold(true);
    action_->setFont(bold);
    action_->setMinimumHeight(QFontMetrics(bold).lineSpacing() * 2);
    action_layout->addWidget(action_);
    layout->addWidget(action_group);

    extras_ = new QVBoxLayout();
    layout->addLayout(extras_);

    status_ = new CColorStatic(this);
    status_->setFont(QFont("Arial", 20));
    status_->setAlignment(Qt::AlignCenter);
    status_->setMinimumHeight(QFontMetrics(status_->font()).lineSpacing() + 8);
    layout->addWidget(status_);

    auto* buttons = new QHBoxLayout();
    start_ = new QPushButton("S&tart", this);
    details_ = new QPushButton("Show Details...", this);
    exit_ = new QPushButton("E&xit", this);
    start_->setDefault(true);
    start_->setAutoDefault(true);
    details_->setAutoDefault(false);
    exit_->setAutoDefault(false);
    buttons->addWidget(start_);
    buttons->addWidget(details_);
    buttons->addStretch(1);
    buttons->addWidget(exit_);
    layout->addLayout(buttons);

    AddControl(kInstruction, instruction_, false);
    AddControl(kAction, action_, false);
    AddControl(kStatus, status_, false);
    AddControl(kStart, start_, true);
    AddControl(kDetails, details_, true);
    AddControl(kExit, exit_, false);
    details_->hide();

    connect(start_, &QPushButton::clicked, this, [this] { PressStart(); });
    connect(details_, &QPushButton::clicked, this, [this] { PressDetails(); });
    connect(exit_, &QPushButton::clicked, this, [this] { Leave(); });
    start_->setFocus();
}

void CProcedureDialog::AddControl(const std::string& name, QWidget* widget, bool pressable)
{
    controls_[name] = widget;
    if (pressable) pressable_.insert(name);
}

QPushButton* CProcedureDialog::AddPressButton(const std::string& name, const QString& caption)
{
    auto* button = new QPushButton(caption, this);
    button->setAutoDefault(false);
    AddControl(name, button, true);
    connect(button, &QPushButton::clicked, this, [this, name] { PressControl(name); });
    return button;
}

QRadioButton* CProcedureDialog::AddRadioButton(const std::string& name, const QString& caption)
{
    auto* radio = new QRadioButton(caption, this);
    AddControl(name, radio, true);
    connect(radio, &QRadioButton::clicked, this, [this, name] {
        // Choosing sends nothing; the procedure takes it at once.
        if (!busy_ && procedure_) procedure_->PressControl(name);
    });
    return radio;
}

QLabel* CProcedureDialog::AddLine(const std::string& name)
{
    QLabel* label = PlainLabel(this);
    AddControl(name, label, false);
    return label;
}

QWidget* CProcedureDialog::AddDoserateEntry()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel("Fill in the measured doserate:", row));
    entry_edit_ = new QLineEdit(row);
    entry_edit_->setMaximumWidth(120);
    layout->addWidget(entry_edit_);
    layout->addWidget(new QLabel("nGy/s", row));
    layout->addStretch(1);
    connect(entry_edit_, &QLineEdit::textEdited, this, [this](const QString& text) {
        std::lock_guard<std::mutex> guard(entry_lock_);
        entry_text_ = text.toStdString();
    });
    AddControl(kDoserateEntry, row, true);
    return row;
}

QWidget* CProcedureDialog::AddTimingGroup()
{
    auto* group = new QGroupBox("Timing", this);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(AddRadioButton(kInternal, "Internal"));
    layout->addWidget(AddRadioButton(kExternal, "External"));
    layout->addStretch(1);
    return group;
}

QWidget* CProcedureDialog::Control(const std::string& name) const
{
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

void CProcedureDialog::SetProcedure(std::unique_ptr<CProcedure> procedure)
{
    procedure_ = std::move(procedure);
    CProcedure* opened = procedure_.get();
    RunJob([opened] { opened->Open(); }, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Presses

void CProcedureDialog::PressStart()
{
    CProcedure* procedure = procedure_.get();
    if (procedure != nullptr && !closing_) RunJob([procedure] { procedure->PressStart(); }, nullptr);
}

void CProcedureDialog::PressControl(const std::string& name)
{
    CProcedure* procedure = procedure_.get();
    if (procedure != nullptr && !closing_) RunJob([procedure, name] { procedure->PressControl(name); }, nullptr);
}

void CProcedureDialog::PressDetails()
{
    if (!busy_ && procedure_) procedure_->PressDetails();
}

void CProcedureDialog::reject()
{
    Leave();
}

void CProcedureDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Leave();
}

void CProcedureDialog::Leave()
{
    if (closing_) {
        // Exit again while the settings are put back: leave without waiting for the board.
        handler_.StopRequests();
        abort_.Set();
        return;
    }
    if (busy_) {
        // A step is waiting: end its wait; the restore sequence follows when it has ended.
        leaving_ = true;
        handler_.StopRequests();
        abort_.Set();
        action_->setText(kLeavingText);
        return;
    }
    closing_ = true;
    handler_.ResumeRequests();
    abort_.Reset();
    action_->setText(kLeavingText);
    CProcedure* procedure = procedure_.get();
    const bool started = RunJob(
        [this, procedure] {
            if (procedure == nullptr) return;
            result_ = procedure->PressExit();
            procedure->Close();
        },
        [this] {
            closed_ = true;
            handler_.ResumeRequests();
            QDialog::done(result_);
        });
    if (!started) QDialog::done(result_);
}

// ---------------------------------------------------------------------------------------------
// The worker

bool CProcedureDialog::RunJob(std::function<void()> job, std::function<void()> after)
{
    if (busy_) return false;
    if (worker_.IsAttached()) worker_.Join();
    busy_ = true;
    if (!closing_) abort_.Reset();
    after_job_ = std::move(after);
    ApplyAllEnabled();
    const bool started = worker_.Start([this, job = std::move(job)] {
        job();
        QMetaObject::invokeMethod(this, [this] { OnJobEnded(); }, Qt::QueuedConnection);
    });
    if (!started) {
        busy_ = false;
        after_job_ = nullptr;
        ApplyAllEnabled();
    }
    return started;
}

void CProcedureDialog::OnJobEnded()
{
    worker_.Join();
    busy_ = false;
    ApplyAllEnabled();
    std::function<void()> after = std::move(after_job_);
    after_job_ = nullptr;
    if (after) after();
    emit JobEnded();
    if (leaving_ && !closing_) {
        leaving_ = false;
        Leave();
    }
}

void CProcedureDialog::ApplyEnabled(const std::string& name)
{
    QWidget* widget = Control(name);
    if (widget == nullptr) return;
    const auto wanted = enabled_.find(name);
    const bool enabled = wanted == enabled_.end() || wanted->second;
    const bool blocked = (busy_ || closing_) && pressable_.count(name) != 0;
    widget->setEnabled(enabled && !blocked);
}

void CProcedureDialog::ApplyAllEnabled()
{
    for (const auto& [name, widget] : controls_) ApplyEnabled(name);
}

bool CProcedureDialog::OnGuiThreadNow() const
{
    return QThread::currentThread() == thread();
}

void CProcedureDialog::OnGuiThread(std::function<void()> f)
{
    if (OnGuiThreadNow()) {
        f();
    } else {
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
    }
}

// ---------------------------------------------------------------------------------------------
// IProcedureView

void CProcedureDialog::SetText(const std::string& control, const std::string& text)
{
    if (control == kDoserateEntry) {
        std::lock_guard<std::mutex> guard(entry_lock_);
        entry_text_ = text;
    }
    OnGuiThread([this, control, text] {
        if (control == kDoserateEntry) {
            if (entry_edit_ != nullptr) entry_edit_->setText(QString::fromStdString(text));
            return;
        }
        QWidget* widget = Control(control);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(WindowText(text));
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(WindowText(text));
        }
    });
}

void CProcedureDialog::SetTextRed(const std::string& control, bool red)
{
    OnGuiThread([this, control, red] {
        if (auto* line = qobject_cast<CColorStatic*>(Control(control))) {
            line->SetTextColor(red ? QColor(255, 0, 0) : QColor(Qt::black));
        }
    });
}

void CProcedureDialog::Show(const std::string& control, bool shown)
{
    OnGuiThread([this, control, shown] {
        if (QWidget* widget = Control(control)) widget->setVisible(shown);
    });
}

void CProcedureDialog::Enable(const std::string& control, bool enabled)
{
    OnGuiThread([this, control, enabled] {
        enabled_[control] = enabled;
        ApplyEnabled(control);
    });
}

void CProcedureDialog::Check(const std::string& control, bool checked)
{
    OnGuiThread([this, control, checked] {
        if (auto* button = qobject_cast<QAbstractButton*>(Control(control))) button->setChecked(checked);
    });
}

std::string CProcedureDialog::EntryText(const std::string& control)
{
    if (control != kDoserateEntry) return "";
    std::lock_guard<std::mutex> guard(entry_lock_);
    return entry_text_;
}

bool CProcedureDialog::AskYesNo(const std::string& text)
{
    auto ask = [this](const std::string& question) {
        return QMessageBox::question(this, kPromptTitle, WindowText(question), QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    if (OnGuiThreadNow()) return ask(text);
    auto question = std::make_shared<tagQuestion>();
    question->text = text;
    QMetaObject::invokeMethod(
        this,
        [question, ask] {
            question->answer = ask(question->text);
            question->done.Set();
        },
        Qt::QueuedConnection);
    // Leaving the dialog answers No.
    CEvent* events[] = {&question->done, &abort_};
    return WaitForAnyEvent(events, 2, kInfinite) == 0 && question->answer;
}

void CProcedureDialog::ShowMessage(const std::string& text)
{
    auto show = [this](const std::string& message) {
        QMessageBox box(QMessageBox::NoIcon, kPromptTitle, WindowText(message), QMessageBox::Ok, this);
        box.exec();
    };
    if (OnGuiThreadNow()) {
        show(text);
        return;
    }
    auto question = std::make_shared<tagQuestion>();
    question->text = text;
    QMetaObject::invokeMethod(
        this,
        [question, show] {
            show(question->text);
            question->done.Set();
        },
        Qt::QueuedConnection);
    CEvent* events[] = {&question->done, &abort_};
    WaitForAnyEvent(events, 2, kInfinite);
}

void CProcedureDialog::Sleep(uint32_t ms)
{
    abort_.Wait(ms);
}
