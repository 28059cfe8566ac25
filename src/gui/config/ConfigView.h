// View 3: the Configuration view. It hosts the configuration page and does its flash side:
// "Store configuration" and "Retrieve configuration" run the configuration storage on a worker
// thread, whose lines, progress and abortable state reach the page as queued messages, so the
// worker never waits for the GUI thread and the window stays usable. Its boot-mode question and
// message boxes are shown by the window's prompt while the worker waits for them. The view
// commands of the main window are disabled while the storage runs.
//
// The configuration being edited lives in the main window's configuration slot: the page is
// filled from it when the view opens and writes it back when the view closes. Closing the window
// during a storage operation asks it to stop and closes once it has; only when the view itself is
// destroyed meanwhile does the GUI thread wait for the worker, with the worker's boxes refused
// (the boot-mode question as Cancel) so that it cannot wait for us.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "gui/frame/ViewContext.h"
#include "gui/frame/ZovView.h"
#include "platform/Thread.h"

class CConfig;
class CConfigDialog;
class CConfigStorage;
class CGuiPrompt;

class CConfigView : public CZovView {
    Q_OBJECT
public:
    CConfigView(const tagViewContext& context, QWidget* parent);
    // Stops a running storage operation and waits for it, then writes the working
    // configuration into the slot.
    ~CConfigView() override;

    CConfigDialog* Page() const { return page_; }

    // Starts storing image, or retrieving; false while an operation runs or no thread starts.
    bool StartStore(const std::string& image);
    bool StartRetrieve();
    // Asks the running operation to stop where the storage allows it; returns at once.
    void AbortStorage();
    // From the start of an operation until the page has taken its result.
    bool IsStorageRunning() const { return running_; }
    // For zovcli-like callers and tests: the port instead of the "COM port" setting.
    void SetPortOverride(const std::string& port);

    void OutputText(const QString& text) override;
    bool QueryClose() override;

signals:
    // Emitted when an operation has ended and the page has taken its result.
    void StorageEnded(bool succeeded);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class CPageBridge;

    bool Start(bool store, const std::string& image);
    // GUI thread: the worker has finished.
    void Finish(bool store, bool succeeded, const std::vector<uint8_t>& retrieved);

    std::shared_ptr<CConfig>* slot_;
    CGuiPrompt* prompt_;
    CConfigDialog* page_;
    std::unique_ptr<CPageBridge> bridge_;
    std::unique_ptr<CConfigStorage> storage_;
    CThread worker_;
    bool running_ = false;
    bool close_when_ended_ = false;
};
