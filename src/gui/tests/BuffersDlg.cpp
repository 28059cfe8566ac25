#include "gui/tests/BuffersDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "gui/frame/GuiPrompt.h"
#include "gui/widgets/FixedPitchFont.h"
#include "procedures/BuffersDump.h"

namespace {

constexpr int kFontPoints = 9;
// The widest line of the dump, the long word array of a dose ratio table, is wider than this;
// the field scrolls sideways for it.
constexpr int kShownColumns = 92;

}  // namespace

CBuffersDlg::CBuffersDlg(CSerialCommHandler& handler, CGuiPrompt* prompt, QWidget* parent)
    : QDialog(parent), prompt_(prompt)
{
    setObjectName(QStringLiteral("BuffersDlg"));
    setWindowTitle(QStringLiteral("ZEL buffers overview"));
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("buffers"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    const QFont font = FixedPitchFont(kFontPoints);
    text_->setFont(font);
    const QFontMetrics metrics(font);
    text_->setMinimumSize(metrics.horizontalAdvance(QString(kShownColumns, QLatin1Char('0'))),
                          metrics.lineSpacing() * 30);

    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("state"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(state_, 1);
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(bottom);

    dump_ = std::make_unique<CBuffersDump>(
        handler,
        [this](const std::string&) {
            if (!refresh_queued_.exchange(true)) {
                QMetaObject::invokeMethod(this, &CBuffersDlg::ShowText, Qt::QueuedConnection);
            }
        },
        [this] { QMetaObject::invokeMethod(this, &CBuffersDlg::OnDumpFinished, Qt::QueuedConnection); });
}

CBuffersDlg::~CBuffersDlg()
{
    // The dump may wait for a box of its own; it must not wait for us while we wait for it.
    CGuiPrompt::CWorkerWaitScope waiting(prompt_);
    dump_.reset();
}

void CBuffersDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        state_->setText(QStringLiteral("Reading the buffers..."));
        if (!dump_->Start()) OnDumpFinished();
    }
}

void CBuffersDlg::ShowText()
{
    refresh_queued_.store(false);
    QString text = QString::fromStdString(dump_->Text());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text == text_->toPlainText()) return;
    text_->setPlainText(text);
    text_->moveCursor(QTextCursor::End);
    text_->ensureCursorVisible();
}

void CBuffersDlg::OnDumpFinished()
{
    if (ended_) return;
    ended_ = true;
    ShowText();
    state_->setText(dump_->WasStopped() ? QStringLiteral("Stopped.") : QString());
    ok_->setEnabled(true);
    emit DumpFinished();
    if (closing_) QDialog::done(close_result_);
}

void CBuffersDlg::done(int result)
{
    if (!started_ || ended_) {
        QDialog::done(result);
        return;
    }
    // The read under way finishes first; the window closes when the dump has stopped.
    closing_ = true;
    close_result_ = result;
    dump_->RequestStop();
    ok_->setEnabled(false);
    state_->setText(QStringLiteral("Stopping after the current read..."));
}

CMainFrame::BuffersOverviewOpener BuffersOverviewOpener(CGuiPrompt* prompt)
{
    return [prompt](CSerialCommHandler& handler, QWidget* parent) {
        CBuffersDlg dialog(handler, prompt, parent);
        dialog.exec();
    };
}
