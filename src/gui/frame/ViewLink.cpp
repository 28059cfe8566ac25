#include "gui/frame/ViewLink.h"

CViewLink::CViewLink(const tagViewContext& context, bool handle_events, CScriptEngine* engine, QObject* parent)
    : QObject(parent), link_(std::make_unique<CHandlerLink>(context.instance_number, handle_events, engine))
{
    // Posted to this object: a change that arrives after the object is gone is dropped with it.
    link_->SetStateFunction([this](CHandlerLink::LinkState, const std::string&) {
        QMetaObject::invokeMethod(this, [this] { emit StateChanged(); }, Qt::QueuedConnection);
    });
    link_->Start();
}

CViewLink::~CViewLink()
{
    // The worker's last state change is posted before the join returns, while this object is
    // still whole.
    link_->Stop();
}
