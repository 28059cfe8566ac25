// View 1: the Scripting view. It owns the script engine, the script window over it, and a
// command handler bound to the instance number and the engine, which registers the script
// functions and does not act on subsystem events. All three go when the view goes.
#pragma once

#include <memory>

#include "gui/frame/ViewContext.h"
#include "gui/frame/ZovView.h"

class CScriptEngine;
class CScriptWindow;
class CSerialCommHandler;

class CScriptView : public CZovView {
    Q_OBJECT
public:
    CScriptView(const tagViewContext& context, QWidget* parent);
    // Stops a running script and waits for it, then closes the handler's link.
    ~CScriptView() override;

    CSerialCommHandler* CommHandler() override { return handler_.get(); }
    CScriptWindow* ScriptWindow() const { return window_; }
    CScriptEngine& Engine() { return *engine_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString* kept_text_;
    QString* kept_path_;
    std::unique_ptr<CScriptEngine> engine_;
    std::unique_ptr<CSerialCommHandler> handler_;
    CScriptWindow* window_ = nullptr;
};
