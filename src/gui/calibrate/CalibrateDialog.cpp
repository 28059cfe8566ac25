#include "gui/calibrate/CalibrateDialog.h"

#include <atomic>

#include <QApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/calibrate/CameraHeadDialog.h"
#include "gui/calibrate/DoseDoserateDialog.h"
#include "gui/calibrate/DoseExposureDialog.h"
#include "gui/calibrate/IIDiameterDialog.h"
#include "gui/calibrate/IIFocusDialog.h"
#include "gui/frame/ViewLink.h"
#include "gui/logs/BoundedLogLevelDlg.h"
#include "handler/SerialCommHandler.h"
#include "platform/Event.h"
#include "platform/Prompt.h"
#include "platform/Thread.h"
#include "procedures/CalibrationBackup.h"
#include "shell/AppSettings.h"

namespace {

// "Change Log Level..." keeps its bottom edge this far above the bottom of the page.
constexpr int kLogLevelBottomMargin = 10;
const QString kFileFilter = "Calibration Files (*.cal);;All Files (*.*)";

std::unique_ptr<CProcedureDialog> CreateDialog(size_t calibration, CSerialCommHandler& handler, bool prepare,
                                               QWidget* parent)
{
    switch (calibration) {
    case 0:
        return std::make_unique<CIIFocusDialog>(handler, prepare, parent);
    case 1:
        return std::make_unique<CCameraHeadDialog>(handler, prepare, parent);
    case 2:
        return std::make_unique<CIIDiameterDialog>(handler, prepare, parent);
    case 3:
        return std::make_unique<CDoseDoserateDialog>(handler, prepare, parent);
    case 4:
        return std::make_unique<CDoseExposureDialog>(handler, prepare, parent);
    default:
        return nullptr;
    }
}

std::array<bool, kCalibrationCount> MarksOf(const tagCompletionFlags* flags)
{
    if (flags == nullptr) return {};
    return {flags->ii_focus, flags->camera_head, flags->ii_diameter, flags->dose_abc, flags->dose_aec};
}

// The stored texts break lines with "\n\r"; a box shows a line feed alone.
QString BoxText(const std::string& text)
{
    QString out = QString::fromStdString(text);
    out.remove('\r');
    return out;
}

}  // namespace

CCalibrateDialog::CCalibrateDialog(const tagViewContext& context, QWidget* parent)
    : QWidget(parent),
      flags_(context.completion_flags),
      hub_(MarksOf(context.completion_flags)),
      prepare_(AppSettings::GetPrepareByZovTool())
{
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(11, 11, 11, kLogLevelBottomMargin);

    auto* grid = new QGridLayout();
    grid->addWidget(new QLabel("Calibrations:", this), 0, 0);
    grid->addWidget(new QLabel("Completed", this), 0, 1);
    for (size_t i = 0; i < kCalibrationCount; ++i) {
        buttons_[i] = new QPushButton(CalibrationButtons()[i].caption, this);
        buttons_[i]->setStyleSheet("text-align: left; padding: 4px 12px 4px 4px;");
        marks_[i] = new QLabel(this);
        marks_[i]->setAlignment(Qt::AlignCenter);
        grid->addWidget(buttons_[i], static_cast<int>(i) + 1, 0);
        grid->addWidget(marks_[i], static_cast<int>(i) + 1, 1);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { OpenCalibration(i); });
    }
    grid->setColumnMinimumWidth(1, 80);
    grid->setColumnStretch(2, 1);
    page->addLayout(grid);

    auto* data = new QGroupBox("Calibration data", this);
    auto* data_layout = new QHBoxLayout(data);
    backup_ = new QPushButton("Backup", data);
    restore_ = new QPushButton("Restore", data);
    data_layout->addWidget(backup_);
    data_layout->addWidget(restore_);
    data_layout->addStretch(1);
    auto* data_row = new QHBoxLayout();
    data_row->addWidget(data);
    data_row->addStretch(1);
    page->addSpacing(12);
    page->addLayout(data_row);
    page->addStretch(1);

    log_level_ = new QPushButton("Change Log Level...", this);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(log_level_);
    bottom->addStretch(1);
    page->addLayout(bottom);

    connect(backup_, &QPushButton::clicked, this, [this] { Backup(); });
    connect(restore_, &QPushButton::clicked, this, [this] { Restore(); });
    connect(log_level_, &QPushButton::clicked, this, [this] { ChangeLogLevel(); });

    run_dialog_ = [](CProcedureDialog& dialog) { return dialog.exec(); };
    choose_file_ = [this](bool save) {
        const std::unique_ptr<QFileDialog> dialog = MakeCalFileDialog(save, this);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return QString();
        return dialog->selectedFiles().front();
    };
    ShowMarks();
    link_ = new CViewLink(context, true, nullptr, this);
    connect(link_, &CViewLink::StateChanged, this, [this] { OnLinkStateChanged(); });
    OnLinkStateChanged();
}

CCalibrateDialog::~CCalibrateDialog()
{
    WriteMarksBack();
    delete link_;
    link_ = nullptr;
}

CSerialCommHandler& CCalibrateDialog::Handler()
{
    return link_->Handler();
}

void CCalibrateDialog::OnLinkStateChanged()
{
    const bool up = link_ != nullptr && link_->IsConnected();
    for (QPushButton* button : buttons_) button->setEnabled(up);
    backup_->setEnabled(up);
    restore_->setEnabled(up);
    log_level_->setEnabled(up);
}

void CCalibrateDialog::ShowMarks()
{
    for (size_t i = 0; i < kCalibrationCount; ++i) marks_[i]->setText(QString::fromStdString(hub_.MarkText(i)));
}

void CCalibrateDialog::WriteMarksBack()
{
    if (flags_ == nullptr) return;
    const std::array<bool, kCalibrationCount>& marks = hub_.Marks();
    flags_->ii_focus = marks[0];
    flags_->camera_head = marks[1];
    flags_->ii_diameter = marks[2];
    flags_->dose_abc = marks[3];
    flags_->dose_aec = marks[4];
}

void CCalibrateDialog::OpenCalibration(size_t calibration)
{
    if (calibration >= kCalibrationCount || link_ == nullptr || !link_->IsConnected()) return;
    const std::string question = hub_.QuestionBeforeOpening(calibration);
    if (!question.empty() &&
        QMessageBox::question(this, kPromptTitle, BoxText(question), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes) {
        return;
    }
    std::unique_ptr<CProcedureDialog> dialog = CreateDialog(calibration, Handler(), prepare_, this);
    const int result = run_dialog_(*dialog);
    dialog.reset();
    hub_.ProcedureClosed(calibration, result);
    ShowMarks();
    WriteMarksBack();
}

bool CCalibrateDialog::RunWithProgress(const QString& label,
                                       const std::function<bool(std::function<void(uint32_t, uint32_t)>)>& job)
{
    CSerialCommHandler& handler = Handler();
    QProgressDialog progress(label, "Cancel", 0, 0, this);
    progress.setWindowTitle(kPromptTitle);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    connect(&progress, &QProgressDialog::canceled, this, [&handler] { handler.StopRequests(); });
    QApplication::setOverrideCursor(Qt::WaitCursor);

    std::atomic<bool> succeeded{false};
    QEventLoop loop;
    CThread worker;
    const auto report = [&progress](uint32_t done, uint32_t total) {
        QMetaObject::invokeMethod(&progress, [&progress, done, total] {
            progress.setMaximum(static_cast<int>(total));
            progress.setValue(static_cast<int>(done));
        });
    };
    worker.Start([&] {
        succeeded = job(report);
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    worker.Join();
    // Progress reports still queued go with the box; the requests run again for the hub.
    QApplication::removePostedEvents(&progress);
    handler.ResumeRequests();
    QApplication::restoreOverrideCursor();
    return succeeded;
}

std::unique_ptr<QFileDialog> CCalibrateDialog::MakeCalFileDialog(bool save, QWidget* parent)
{
    auto dialog = std::make_unique<QFileDialog>(parent, save ? "Save As" : "Open", QString(), kFileFilter);
    dialog->setDefaultSuffix(kCalFileExtension);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->selectFile("*.cal");
    }
    return dialog;
}

void CCalibrateDialog::Backup()
{
    std::vector<std::string> items;
    CSerialCommHandler& handler = Handler();
    const bool retrieved = RunWithProgress("Reading the calibration data...", [&](auto report) {
        return RetrieveCalibrationData(handler, &items, report);
    });
    if (!retrieved) {
        QMessageBox::critical(this, kPromptTitle, kCalibrationNotRetrieved);
        return;
    }
    const QString chosen = choose_file_(true);
    if (chosen.isEmpty()) return;
    const std::string path = chosen.toStdString();
    std::string error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = WriteCalFile(path, CalFileText(items), &error);
    QApplication::restoreOverrideCursor();
    if (!written) {
        QMessageBox::critical(this, kPromptTitle, QString::fromStdString(error));
        return;
    }
    QMessageBox::information(this, kPromptTitle, kCalibrationSaved);
}

void CCalibrateDialog::Restore()
{
    const QString chosen = choose_file_(false);
    if (chosen.isEmpty()) {
        QMessageBox::critical(this, kPromptTitle, kCalibrationRestoreFailed);
        return;
    }
    const std::string path = chosen.toStdString();
    std::string content;
    std::string error;
    if (!ReadCalFile(path, &content, &error)) {
        QMessageBox::critical(this, kPromptTitle, QString::fromStdString(error));
        return;
    }
    const tagCalFile file = ParseCalFile(content);
    CSerialCommHandler& handler = Handler();
    const bool restored = RunWithProgress("Restoring the calibration data...", [&](auto report) {
        return RestoreCalibrationData(handler, file, report);
    });
    if (restored) {
        QMessageBox::information(this, kPromptTitle, kCalibrationRestored);
    } else {
        QMessageBox::critical(this, kPromptTitle, kCalibrationRestoreFailed);
    }
}

void CCalibrateDialog::ChangeLogLevel()
{
    if (link_ == nullptr || !link_->IsConnected()) return;
    ExecBoundedLogLevelDialog(Handler(), this);
}
