#include "gui/logs/ZovLogWindow.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QPushButton>

#include "gui/logs/LogWindowPlacement.h"
#include "gui/widgets/MyEdit.h"
#include "logging/ZovLogging.h"
#include "shell/AppSettings.h"

CZovLogWindow::CZovLogWindow(QWidget* parent, const std::string& log_folder)
    : QDialog(parent), module_(log_folder)
{
    setWindowTitle(QStringLiteral("ZOV tool Log"));
    setModal(false);
    edit_ = new CMyEdit(this);
    edit_->setObjectName(QStringLiteral("log"));
    save_ = new QPushButton(QStringLiteral("&Save..."), this);
    auto* clear = new QPushButton(QStringLiteral("C&lear"), this);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setHorizontalSpacing(6);
    layout->setVerticalSpacing(6);
    layout->addWidget(edit_, 0, 0, 1, 4);
    layout->addWidget(save_, 1, 0);
    layout->addWidget(clear, 1, 1);
    layout->setColumnStretch(2, 1);
    layout->addWidget(close, 1, 3);
    connect(save_, &QPushButton::clicked, this, &CZovLogWindow::SaveLog);
    connect(clear, &QPushButton::clicked, this, &CZovLogWindow::ClearLog);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    resize(720, 420);
    placed_ = RestoreLogWindowPlacement(*this, AppSettings::StoredWindow::ToolLog);

    module_.SetDisplay(this);
    save_->setEnabled(module_.Start(AppSettings::GetLoggingFlags()));
    edit_->moveCursor(QTextCursor::End);
}

CZovLogWindow::~CZovLogWindow()
{
    module_.SetDisplay(nullptr);
    StorePlacement();
}

void CZovLogWindow::AddLogEntry(const SystemTime& time, int level, const QString& text)
{
    module_.AddLogEntry(time, level, text.toStdString());
}

bool CZovLogWindow::DrainQueue()
{
    module_.DrainQueue(kDrainSliceMs);
    return CZovLogging::Instance().Count() > 0;
}

void CZovLogWindow::SetLoggingFlags(uint32_t logging_flags)
{
    module_.SetLoggingFlags(logging_flags);
}

void CZovLogWindow::AppendLine(const std::string& line)
{
    edit_->AppendLine(QString::fromStdString(line));
    if (edit_->CharacterCount() > kMaxCharacters) {
        edit_->DeleteOldestLines(kLinesCut);
    }
}

void CZovLogWindow::Clear()
{
    edit_->ClearText();
}

void CZovLogWindow::ToggleVisible()
{
    if (isVisible()) {
        hide();
    } else {
        show();
        raise();
        activateWindow();
    }
}

void CZovLogWindow::SaveLog()
{
    if (!module_.IsLogFileOpen()) {
        return;
    }
    // The dialog asks before an existing file is replaced and adds ".log" to a bare name.
    QFileDialog dialog(this, QStringLiteral("Save Log"), QString(),
                       QStringLiteral("Log files (*.log);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("log"));
    dialog.selectFile(QStringLiteral("ZOVtool.log"));
    save_dialog_ = &dialog;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    save_dialog_ = nullptr;
    if (!accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    module_.SaveLog(dialog.selectedFiles().constFirst().toStdString());
}

void CZovLogWindow::ClearLog()
{
    save_->setEnabled(module_.ClearLog());
}

void CZovLogWindow::showEvent(QShowEvent* event)
{
    placed_ = true;
    QDialog::showEvent(event);
}

void CZovLogWindow::StorePlacement()
{
    if (placed_) {
        StoreLogWindowPlacement(*this, AppSettings::StoredWindow::ToolLog);
    }
}
