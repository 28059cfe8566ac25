#include "gui/download/SwDownloadView.h"

#include <QTimer>

#include "boot/SwDownload.h"
#include "gui/download/SwDownloadDialog.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/frame/ViewTable.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"

namespace {

// After its last page message the worker only releases the image; the view looks again this
// often until the worker's thread is done.
constexpr int kEndPollMs = 5;

}  // namespace

// The page as the worker sees it: every message is queued for the GUI thread and the worker
// goes on at once, so it never waits for a GUI thread that may be waiting for it. The messages
// keep their order, and those still queued when the view goes are dropped with it.
class CSwDownloadView::CPageBridge : public ISwDownloadPage {
public:
    explicit CPageBridge(CSwDownloadView& view) : view_(view) {}

    void OutputText(const std::string& text) override
    {
        const QString line = QString::fromStdString(text);
        Queue([this, line] { view_.page_->AppendOutput(line); });
    }
    void SetProgress(uint32_t per_mille) override
    {
        Queue([this, per_mille] { view_.page_->SetProgress(static_cast<int>(per_mille)); });
    }
    void SetRunning(bool running) override
    {
        Queue([this, running] { view_.OnRunningChanged(running); });
    }

private:
    template <typename Action>
    void Queue(Action action)
    {
        QMetaObject::invokeMethod(&view_, std::move(action), Qt::QueuedConnection);
    }

    CSwDownloadView& view_;
};

CSwDownloadView::CSwDownloadView(const tagViewContext& context, QWidget* parent)
    : CZovView(kViewSwDownload, parent), prompt_(context.prompt)
{
    page_ = new CSwDownloadDialog(this);
    bridge_ = std::make_unique<CPageBridge>(*this);
    download_ = std::make_unique<CSwDownload>(*bridge_);
    connect(page_, &CSwDownloadDialog::DownloadRequested, this,
            [this](const QString& file_name, bool verify) { StartDownload(file_name, verify); });
    connect(page_, &CSwDownloadDialog::AbortRequested, this, &CSwDownloadView::AbortDownload);
}

CSwDownloadView::~CSwDownloadView()
{
    {
        CGuiPrompt::CWorkerWaitScope waiting(prompt_);
        download_->RequestAbort();
        download_->WaitForEnd(kInfinite);
    }
    download_.reset();  // joins the worker and closes the boot link
    bridge_.reset();
}

bool CSwDownloadView::StartDownload(const QString& file_name, bool verify)
{
    if (IsDownloading()) {
        return false;
    }
    return download_->StartDownload(file_name.toStdString(), verify);
}

void CSwDownloadView::AbortDownload()
{
    if (!IsDownloading() || page_->Aborting()) {
        return;
    }
    page_->SetAborting();
    download_->RequestAbort();
}

bool CSwDownloadView::IsDownloading() const
{
    return page_->Running() || download_->IsRunning();
}

void CSwDownloadView::OutputText(const QString& text)
{
    if (!page_->Aborting()) {
        page_->AppendOutput(text);
    }
}

bool CSwDownloadView::QueryClose()
{
    if (!IsDownloading()) {
        return true;
    }
    if (close_when_ended_ || !AskYesNo(kCloseQuestion)) {
        return false;
    }
    close_when_ended_ = true;
    AbortDownload();
    return false;
}

void CSwDownloadView::OnRunningChanged(bool running)
{
    if (running) {
        page_->SetProgress(0);
        page_->SetRunning(true);
    } else if (page_->Running()) {
        FinishWhenWorkerEnded();
    }
}

void CSwDownloadView::FinishWhenWorkerEnded()
{
    if (download_->IsRunning()) {
        QTimer::singleShot(kEndPollMs, this, &CSwDownloadView::FinishWhenWorkerEnded);
        return;
    }
    if (!page_->Running()) {
        return;  // finished already
    }
    if (page_->Aborting()) {
        ShowMessage("Download aborted!", PromptIcon::Information);
        Notify::Post(kNotifyViewCommands, 1);
    }
    page_->SetRunning(false);
    emit DownloadEnded();
    if (close_when_ended_) {
        close_when_ended_ = false;
        QMetaObject::invokeMethod(window(), &QWidget::close, Qt::QueuedConnection);
    }
}

void CSwDownloadView::resizeEvent(QResizeEvent* event)
{
    CZovView::resizeEvent(event);
    page_->setGeometry(rect());
}
