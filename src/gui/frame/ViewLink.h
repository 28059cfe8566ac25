// The link of a view that owns a command handler (Scripting, Calibration, Tests): a CHandlerLink
// started as the view is made, whose state changes arrive on the GUI thread as StateChanged. The
// main window's status bar follows the link through the link's own notifications (+0), so it
// says "Connecting to ...", "Connected" or "Disconnected" with the reason while this view is
// shown. The window never waits for the board: the link comes up, goes down and comes back on
// its own worker thread.
//
// Create and destroy on the GUI thread. The destructor stops the link (bounded, no wait on the
// board); views that may have a question of the link's worker open (a message box) are destroyed
// inside CGuiPrompt::CWorkerWaitScope, as the main window does.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "gui/frame/ViewContext.h"
#include "handler/HandlerLink.h"

class CScriptEngine;
class CSerialCommHandler;

class CViewLink : public QObject {
    Q_OBJECT
public:
    // Makes the link's handler (with the script functions registered when engine is given) and
    // starts connecting on the worker; returns at once.
    CViewLink(const tagViewContext& context, bool handle_events, CScriptEngine* engine, QObject* parent);
    ~CViewLink() override;

    // The link's handler: the same object for the link's whole life.
    CSerialCommHandler& Handler() { return link_->Handler(); }
    CHandlerLink& Link() { return *link_; }

    bool IsConnected() const { return link_->State() == CHandlerLink::LinkState::Connected; }
    bool IsConnecting() const { return link_->State() == CHandlerLink::LinkState::Connecting; }
    CHandlerLink::LinkState State() const { return link_->State(); }
    QString StateText() const { return QString::fromStdString(link_->StateText()); }
    // Closes the link and connects again (View > Reconnect).
    void Reconnect() { link_->Reconnect(); }

signals:
    // Emitted on the GUI thread after the link's state changed.
    void StateChanged();

private:
    std::unique_ptr<CHandlerLink> link_;
};
