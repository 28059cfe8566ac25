// The Software Download page: the image file name with "&Browse...", "Verify after programming",
// the button that starts ("&Download") and aborts ("Abort") a download, the progress bar and the
// output box. A shell over CSwDownloadPageState and COutputBoxText; the view starts and aborts
// the download and feeds the page its messages. GUI thread.
#pragma once

#include <functional>

#include <QString>
#include <QWidget>

#include "boot/OutputBoxText.h"
#include "boot/SwDownloadPageState.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class CSwDownloadDialog : public QWidget {
    Q_OBJECT
public:
    // Reads the "Download Filename" and "Verify After Program" settings.
    explicit CSwDownloadDialog(QWidget* parent);
    // Writes both settings back.
    ~CSwDownloadDialog() override;

    static constexpr int kProgressRange = 1000;
    static constexpr char kHexFilter[] = "hex files (*.hex);;all files (*.*)";

    // The page's three messages from its view.
    // Appends text and a line end to the output box and scrolls to the end.
    void AppendOutput(const QString& text);
    // Per mille of the programming steps done.
    void SetProgress(int per_mille);
    // true: a download runs (Browse disabled, the button shows "Abort"); false: idle (the button
    // shows "&Download" and takes the focus).
    void SetRunning(bool running);
    // Abort was pressed: the button stays disabled until the download has stopped.
    void SetAborting();

    bool Running() const { return state_.Running(); }
    bool Aborting() const { return state_.Aborting(); }
    QString FileName() const;
    bool Verify() const { return state_.Verify(); }
    // The whole content of the output box, lines ended by "\r\n".
    QString OutputText() const;

    // Replaces the file-open dialog of "&Browse..." (tests): called with the current name, it
    // returns the chosen file or an empty text for Cancel.
    using FileChooser = std::function<QString(const QString& current)>;
    void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    QLineEdit* FileNameEdit() const { return name_; }
    QPushButton* BrowseButton() const { return browse_; }
    QPushButton* DownloadButton() const { return download_; }
    QCheckBox* VerifyBox() const { return verify_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QPlainTextEdit* OutputBox() const { return output_; }

signals:
    // Emitted when the button is pressed while idle.
    void DownloadRequested(const QString& file_name, bool verify);
    // Emitted when the button is pressed while a download runs.
    void AbortRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Browse();
    void OnButton();
    void UpdateControls();
    void LayOut();
    QString ChooseFile(const QString& current);

    CSwDownloadPageState state_;
    COutputBoxText text_;
    FileChooser chooser_;

    QLabel* label_;
    QLineEdit* name_;
    QPushButton* browse_;
    QPushButton* download_;
    QCheckBox* verify_;
    QProgressBar* progress_;
    QPlainTextEdit* output_;
};
