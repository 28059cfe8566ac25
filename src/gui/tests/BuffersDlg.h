// "ZEL buffers overview": the buffers overview in a window. The dump runs on its worker and the
// text field shows it as it grows, in the system's fixed-width font; the window stays responsive
// throughout. Closing it mid-dump stops the dump before its next parameter: the window stays
// open (saying so) until the read under way has ended, then closes.
#pragma once

#include <atomic>
#include <memory>

#include <QDialog>

#include "gui/frame/MainFrame.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class CBuffersDump;
class CGuiPrompt;
class CSerialCommHandler;

class CBuffersDlg : public QDialog {
    Q_OBJECT
public:
    // handler is borrowed from the view and must outlive the dialog. prompt (may be null) is the
    // window's prompt, through which the dump may ask a box while the dialog waits for it.
    CBuffersDlg(CSerialCommHandler& handler, CGuiPrompt* prompt, QWidget* parent);
    // Stops the dump and waits for it.
    ~CBuffersDlg() override;

    QPlainTextEdit* TextField() const { return text_; }
    QPushButton* OkButton() const { return ok_; }
    // True once the dump has ended and the window has seen it.
    bool DumpEnded() const { return ended_; }

    // Closes the window; during the dump, once the dump has stopped.
    void done(int result) override;

signals:
    // Emitted when the dump has ended (complete or stopped).
    void DumpFinished();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // GUI thread: shows the whole text so far with the caret at its end.
    void ShowText();
    void OnDumpFinished();

    CGuiPrompt* prompt_;
    QPlainTextEdit* text_;
    QLabel* state_;
    QPushButton* ok_;
    std::unique_ptr<CBuffersDump> dump_;
    // One queued refresh at a time: a refresh shows every addition made before it runs.
    std::atomic<bool> refresh_queued_{false};
    bool started_ = false;
    bool ended_ = false;
    bool closing_ = false;
    int close_result_ = QDialog::Accepted;
};

// The opener that "ZEL buffers" of the main window uses: the dialog, modal, on the view's handler.
CMainFrame::BuffersOverviewOpener BuffersOverviewOpener(CGuiPrompt* prompt);
