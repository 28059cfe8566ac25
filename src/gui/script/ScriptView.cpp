#include "gui/script/ScriptView.h"

#include <QVBoxLayout>
#include <Qsci/qsciscintilla.h>

#include "gui/script/ScriptWindow.h"
#include "gui/frame/ViewTable.h"
#include "gui/frame/ViewLink.h"
#include "script/ScriptEngine.h"

namespace {

// A script blocked in a request learns of the stop at its next check; the command time-out
// bounds how long that can take, so the view waits in steps and keeps asking.
constexpr uint32_t kStopStepMs = 200;

}  // namespace

CScriptView::CScriptView(const tagViewContext& context, QWidget* parent)
    : CZovView(kViewScripting, parent),
      kept_text_(context.script_text),
      kept_path_(context.script_path),
      engine_(std::make_unique<CScriptEngine>())
{
    window_ = new CScriptWindow(*engine_, this);
    if (kept_text_ != nullptr && kept_path_ != nullptr && !kept_text_->isNull()) {
        window_->SetScript(*kept_text_, *kept_path_);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(window_);
    // The handler registers the script functions with the engine as it is constructed; the
    // link then comes up on its own thread (which may show the port message box).
    link_ = new CViewLink(context, false, engine_.get(), this);
    window_->RefreshFunctionList();
    window_->SetLinkGate([this] { return link_->IsConnecting(); }, [this] { return link_->StateText(); });
    connect(link_, &CViewLink::StateChanged, window_, &CScriptWindow::OnLinkStateChanged);
}

CScriptView::~CScriptView()
{
    while (!engine_->Stop(kStopStepMs)) {
        engine_->RequestStop();
    }
    if (kept_text_ != nullptr && kept_path_ != nullptr) {
        *kept_text_ = window_->Editor()->text();
        *kept_path_ = window_->FilePath();
    }
    // The window detaches from the engine before the engine and the handler go.
    delete window_;
    window_ = nullptr;
    delete link_;
    link_ = nullptr;
    engine_.reset();
}

void CScriptView::resizeEvent(QResizeEvent* event)
{
    CZovView::resizeEvent(event);
    if (window_ != nullptr) {
        window_->ResizeScriptWindow();
    }
}
