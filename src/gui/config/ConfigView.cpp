#include "gui/config/ConfigView.h"

#include "boot/ConfigStorage.h"
#include "config/Config.h"
#include "gui/config/ConfigDialog.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/frame/ViewTable.h"
#include "platform/Notify.h"

// The page as the storage worker sees it: every message is queued for the GUI thread and the
// worker goes on at once. The messages keep their order; those still queued when the view goes
// are dropped with it.
class CConfigView::CPageBridge : public IConfigStoragePage {
public:
    explicit CPageBridge(CConfigView& view) : view_(view) {}

    void OutputText(const std::string& text) override
    {
        const QString line = QString::fromStdString(text);
        Queue([this, line] { view_.page_->AppendMessage(line); });
    }
    void SetProgress(uint32_t per_mille) override
    {
        Queue([this, per_mille] { view_.page_->SetProgress(static_cast<int>(per_mille)); });
    }
    void SetAbortable(bool abortable) override
    {
        Queue([this, abortable] { view_.page_->SetAbortable(abortable); });
    }

    template <typename Action>
    void Queue(Action action)
    {
        QMetaObject::invokeMethod(&view_, std::move(action), Qt::QueuedConnection);
    }

private:
    CConfigView& view_;
};

CConfigView::CConfigView(const tagViewContext& context, QWidget* parent)
    : CZovView(kViewConfiguration, parent), slot_(context.config_slot), prompt_(context.prompt)
{
    page_ = new CConfigDialog(this);
    bridge_ = std::make_unique<CPageBridge>(*this);
    storage_ = std::make_unique<CConfigStorage>(*bridge_);
    if (slot_ != nullptr && *slot_) {
        page_->OpenFrom(**slot_);
    }
    connect(page_, &CConfigDialog::StoreRequested, this, [this](const std::string& image) { StartStore(image); });
    connect(page_, &CConfigDialog::RetrieveRequested, this, &CConfigView::StartRetrieve);
    connect(page_, &CConfigDialog::AbortRequested, this, &CConfigView::AbortStorage);
}

CConfigView::~CConfigView()
{
    {
        CGuiPrompt::CWorkerWaitScope waiting(prompt_);
        storage_->RequestAbort();
        worker_.Join();
    }
    if (running_) {
        Notify::Post(kNotifyViewCommands, 1);
    }
    if (slot_ != nullptr) {
        if (!*slot_) {
            *slot_ = std::make_shared<CConfig>();
        }
        page_->CloseInto(**slot_);
    }
    storage_.reset();  // closes the boot link
    bridge_.reset();
}

void CConfigView::SetPortOverride(const std::string& port)
{
    storage_->SetPortOverride(port);
}

bool CConfigView::StartStore(const std::string& image)
{
    return Start(true, image);
}

bool CConfigView::StartRetrieve()
{
    return Start(false, std::string());
}

bool CConfigView::Start(bool store, const std::string& image)
{
    if (running_) {
        return false;
    }
    // The previous worker has returned (its end was handled); release its thread.
    worker_.Join();
    storage_->ClearAbort();
    running_ = true;
    page_->SetStorageRunning(true);
    page_->SetAbortable(true);
    Notify::Post(kNotifyViewCommands, 0);
    const bool started = worker_.Start([this, store, image] {
        std::vector<uint8_t> retrieved;
        const bool succeeded =
            store ? storage_->StoreConfiguration(reinterpret_cast<const uint8_t*>(image.data()),
                                                 static_cast<uint32_t>(image.size()))
                  : storage_->RetrieveConfiguration(retrieved);
        bridge_->Queue([this, store, succeeded, retrieved] { Finish(store, succeeded, retrieved); });
    });
    if (!started) {
        Finish(store, false, {});
    }
    return started;
}

void CConfigView::Finish(bool store, bool succeeded, const std::vector<uint8_t>& retrieved)
{
    if (!running_) {
        return;
    }
    worker_.Join();  // its last act was to queue this
    bool result = succeeded;
    if (!store && succeeded) {
        result = page_->TakeRetrievedImage(retrieved);
    }
    running_ = false;
    page_->SetStorageRunning(false);
    Notify::Post(kNotifyViewCommands, 1);
    emit StorageEnded(result);
    if (close_when_ended_) {
        close_when_ended_ = false;
        QMetaObject::invokeMethod(window(), &QWidget::close, Qt::QueuedConnection);
    }
}

void CConfigView::AbortStorage()
{
    if (running_) {
        storage_->RequestAbort();
    }
}

void CConfigView::OutputText(const QString& text)
{
    page_->AppendMessage(text);
}

bool CConfigView::QueryClose()
{
    if (!running_) {
        return true;
    }
    if (!close_when_ended_) {
        close_when_ended_ = true;
        page_->AppendMessage(QStringLiteral("The ZOV tool closes when the configuration storage has ended."));
        AbortStorage();
    }
    return false;
}

void CConfigView::resizeEvent(QResizeEvent* event)
{
    CZovView::resizeEvent(event);
    page_->setGeometry(rect());
}
