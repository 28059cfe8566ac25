// View 2: the Software Download view. It owns the page and the download core with its boot link,
// and connects them: the page's button starts and aborts the download, the worker's lines,
// progress and state reach the page.
//
// Nothing here waits for the worker on the GUI thread while the window lives. The worker's page
// messages are queued to the GUI thread, never sent and waited for; an abort only asks the
// worker to stop, and the view finishes it ("Download aborted!", the page idle, the main
// window's view commands enabled) once the worker has ended. Meanwhile the window stays usable
// and the worker's boot-mode question and message boxes are shown as usual. Only when the view
// itself is destroyed during a download does the GUI thread wait for the worker; the worker's
// boxes are then refused (the boot-mode question as Cancel) so that it cannot wait for us.
#pragma once

#include <memory>

#include "gui/frame/ViewContext.h"
#include "gui/frame/ZovView.h"

class CGuiPrompt;
class CSwDownload;
class CSwDownloadDialog;

class CSwDownloadView : public CZovView {
    Q_OBJECT
public:
    CSwDownloadView(const tagViewContext& context, QWidget* parent);
    // Stops a running download and waits for it, then closes the boot link.
    ~CSwDownloadView() override;

    static constexpr char kCloseQuestion[] =
        "A software download is running.\r\n\r\nAbort the download and close the ZOV tool?";

    CSwDownloadDialog* Page() const { return page_; }

    // Starts a download of file_name; false when one runs already or it cannot start.
    bool StartDownload(const QString& file_name, bool verify);
    // Asks the running download to stop; returns at once. DownloadEnded follows.
    void AbortDownload();
    // From the start of a download until the page is idle again.
    bool IsDownloading() const;

    void OutputText(const QString& text) override;
    // While a download runs: asks whether to abort it; on Yes aborts it and closes the main
    // window once it has stopped. False keeps the window open for now.
    bool QueryClose() override;

signals:
    // Emitted when a download has ended and the page is idle again (after "Download aborted!"
    // for an aborted one).
    void DownloadEnded();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class CPageBridge;

    // GUI thread: the worker reported its running state.
    void OnRunningChanged(bool running);
    // Finishes the download once the worker's thread is done with it.
    void FinishWhenWorkerEnded();

    CGuiPrompt* prompt_;
    CSwDownloadDialog* page_;
    std::unique_ptr<CPageBridge> bridge_;
    std::unique_ptr<CSwDownload> download_;
    bool close_when_ended_ = false;
};
