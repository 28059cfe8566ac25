// The tool log window: shows the lines the tool log core (logging/ZovLogModule.h) accepts, in a
// CMyEdit that keeps about the last 50000 characters, with Save, Clear and Close buttons. The
// log file keeps everything. Created by the main window at start and kept for the whole run;
// its rectangle lives in the "Log Window ..." settings.
#pragma once

#include <QDialog>

#include "logging/ZovLogModule.h"

class CMyEdit;
class QFileDialog;
class QPushButton;

class CZovLogWindow : public QDialog, private CZovLogModule::IDisplay {
    Q_OBJECT
public:
    // When the control holds more than this many characters, the oldest lines are cut.
    static constexpr qsizetype kMaxCharacters = 50000;
    static constexpr qsizetype kLinesCut = 500;

    // Restores the rectangle, reads the five logging flags and creates the log file in
    // log_folder (empty: the temporary folder).
    explicit CZovLogWindow(QWidget* parent, const std::string& log_folder = {});
    // Stores the rectangle.
    ~CZovLogWindow() override;

    // Filters, writes and shows one entry.
    void AddLogEntry(const SystemTime& time, int level, const QString& text);
    // How long one slice of draining may keep the window's thread (notification +1).
    static constexpr uint32_t kDrainSliceMs = 40;

    // Takes queued tool log entries for at most kDrainSliceMs; true when entries are left, for
    // the next slice after the window has painted.
    bool DrainQueue();
    // New level switches (notification +2; kLog* bits).
    void SetLoggingFlags(uint32_t logging_flags);
    // Shows the window when hidden, hides it when shown.
    void ToggleVisible();
    // Asks for a file name (with the question before an existing file is replaced) and copies
    // the log file there.
    void SaveLog();
    // The save dialog while it is open, else null (tests answer it).
    QFileDialog* SaveDialog() const { return save_dialog_; }
    // Starts a new empty log file and empties the window.
    void ClearLog();
    void StorePlacement();

    CMyEdit* Edit() const { return edit_; }
    QPushButton* SaveButton() const { return save_; }
    CZovLogModule& Module() { return module_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AppendLine(const std::string& line) override;
    void Clear() override;

    CZovLogModule module_;
    CMyEdit* edit_;
    QPushButton* save_;
    bool placed_ = false;  // restored from the settings or shown at least once
    QFileDialog* save_dialog_ = nullptr;
};
