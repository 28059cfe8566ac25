// View 1: the Scripting view. It owns the script engine, the script window over it, and a view
// link whose command handler is bound to the instance number and the engine, registers the
// script functions and does not act on subsystem events. The view appears at once while the link
// comes up; Run waits for it. All three go when the view goes.
#pragma once

#include <memory>

#include "gui/frame/ViewContext.h"
#include "gui/frame/ZovView.h"

class CScriptEngine;
class CScriptWindow;
class CViewLink;

class CScriptView : public CZovView {
    Q_OBJECT
public:
    CScriptView(const tagViewContext& context, QWidget* parent);
    // Stops a running script and waits for it, then closes the handler's link.
    ~CScriptView() override;

    CViewLink* Link() override { return link_; }
    CScriptWindow* ScriptWindow() const { return window_; }
    CScriptEngine& Engine() { return *engine_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString* kept_text_;
    QString* kept_path_;
    std::unique_ptr<CScriptEngine> engine_;
    CViewLink* link_ = nullptr;  // owned; deleted before the engine
    CScriptWindow* window_ = nullptr;
};
