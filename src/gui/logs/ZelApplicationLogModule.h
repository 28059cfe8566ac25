// The application events window: the subsystem's application log entries, one line each with
// the entry's local date and time, and the failure lines the subsystem's events announce. A
// modeless window owned by the main window for the whole run; it keeps its rectangle in the
// "ZelApp Log Window ..." settings.
#pragma once

#include <QDialog>

#include "logging/ZelApplicationLogging.h"

class CMyEdit;
class QLabel;

class CZelApplicationLogModule : public QDialog {
    Q_OBJECT
public:
    explicit CZelApplicationLogModule(QWidget* parent);
    // Stores the rectangle.
    ~CZelApplicationLogModule() override;

    // Appends the entry's line: "<short date> hh:mm:ss.mmm - Component c - Level s - text".
    void AddLogEntry(const CZelApplicationLogging::ZelApplicationLogEntry& entry);
    // Appends text as a line.
    void AddLine(const QString& text);
    void ClearLog();
    // Shows the window and brings it to the front.
    void ShowWindow();
    // Writes the rectangle to the settings (also done when the window is destroyed).
    void StorePlacement();
    // Whether the current view acts on the subsystem's events; while none does, the window says
    // where events are shown.
    void SetEventsHandled(bool handled);

    CMyEdit* Edit() const { return edit_; }
    QLabel* Notice() const { return notice_; }
    // "Events are shown while the Calibration or Tests view is open."
    static const QString& NoticeText();

    // The entry's date in the user's short date format.
    static QString ShortDate(const SystemTime& time);

protected:
    void showEvent(QShowEvent* event) override;

private:
    CMyEdit* edit_;
    QLabel* notice_;
    bool placed_ = false;  // restored from the settings or shown at least once
};
