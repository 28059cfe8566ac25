// The base of the six views of the main window: a plain child window that fills the frame's
// client area and hosts one page. OutputText is the channel through which the boot link and the
// flash pages report progress lines; views without an output box ignore it.
#pragma once

#include <QFrame>
#include <QString>

class CSerialCommHandler;
class CViewLink;

class CZovView : public QFrame {
    Q_OBJECT
public:
    CZovView(int number, QWidget* parent);

    // The view's number in the View menu (1 Scripting ... 6 Preferences).
    int Number() const { return number_; }

    // Shows one progress line in the page's output box; nothing in the base.
    virtual void OutputText(const QString& text);
    // The link of a view that owns a command handler (View > Reconnect works on it); null for
    // the others.
    virtual CViewLink* Link() { return nullptr; }
    // The command handler of the view's link, for the buffers overview; null when the view has
    // none. The handler stays the same object while the link reconnects.
    virtual CSerialCommHandler* CommHandler();
    // Asked before the main window closes (not when it is made to close). False keeps the
    // window open; a view that has work to end first may close the window itself afterwards.
    virtual bool QueryClose() { return true; }

private:
    const int number_;
};
