// The calibration hub: the page of the Calibration view. It lists the five calibrations in their
// recommended order with a "Completed" mark each, asks before one is opened out of order, opens
// each as a modal dialog on its own command handler, and offers the calibration data backup and
// restore and the log level dialog.
//
// Its handler is a view link's (events handled, the subsystem's log cleared when it connects):
// it comes up on its own thread, and the buttons that talk to the board are enabled only while
// it is up. The marks start from the main window's flags and are written back whenever one
// changes, so they survive a change of view. Nothing here waits on the board on the GUI thread:
// the procedures, the backup and the restore run on workers, and a wait can be ended.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QWidget>

#include "gui/frame/ViewContext.h"
#include "procedures/CalibrationHub.h"

class CProcedureDialog;
class CSerialCommHandler;
class CViewLink;
class QFileDialog;
class QLabel;
class QPushButton;

class CCalibrateDialog : public QWidget {
    Q_OBJECT
public:
    // context.completion_flags and context.instance_number must outlive the page.
    CCalibrateDialog(const tagViewContext& context, QWidget* parent);
    // Writes the marks back to the main window's flags and closes the link.
    ~CCalibrateDialog() override;

    CViewLink* Link() const { return link_; }
    CSerialCommHandler& Handler();
    bool PrepareFlag() const { return prepare_; }

    // The hub's controls, for tests and screenshots.
    QPushButton* CalibrationButton(size_t calibration) const { return buttons_.at(calibration); }
    QLabel* Mark(size_t calibration) const { return marks_.at(calibration); }
    QPushButton* BackupButton() const { return backup_; }
    QPushButton* RestoreButton() const { return restore_; }
    QPushButton* LogLevelButton() const { return log_level_; }

    // Opens a calibration as its button does: the question first when one before it is not
    // done, then the dialog; the mark turns "Yes" when it ends with OK.
    void OpenCalibration(size_t calibration);
    void Backup();
    void Restore();
    void ChangeLogLevel();

    // Replaces the modal run of a procedure dialog (tests drive the dialog instead); the
    // function returns the dialog's result.
    using DialogRunner = std::function<int(CProcedureDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner) { run_dialog_ = std::move(runner); }
    // Replaces the file dialogs of Backup (save) and Restore: returns the chosen path, or ""
    // for Cancel.
    using FileChooser = std::function<QString(bool save)>;
    void SetFileChooser(FileChooser chooser) { choose_file_ = std::move(chooser); }
    // The file dialog of Backup (save) or Restore: the .cal filter and default extension; the
    // save dialog asks before overwriting, the open dialog takes only an existing file and
    // starts with "*.cal".
    static std::unique_ptr<QFileDialog> MakeCalFileDialog(bool save, QWidget* parent);

private:
    void OnLinkStateChanged();
    void ShowMarks();
    void WriteMarksBack();
    // Runs job on a worker behind a progress box whose Cancel ends the board's waits; the
    // window keeps painting. job gets a function to report its progress (done, total).
    bool RunWithProgress(const QString& label, const std::function<bool(std::function<void(uint32_t, uint32_t)>)>& job);

    tagCompletionFlags* flags_;
    CCalibrationHub hub_;
    bool prepare_;
    CViewLink* link_ = nullptr;
    std::array<QPushButton*, kCalibrationCount> buttons_{};
    std::array<QLabel*, kCalibrationCount> marks_{};
    QPushButton* backup_ = nullptr;
    QPushButton* restore_ = nullptr;
    QPushButton* log_level_ = nullptr;
    DialogRunner run_dialog_;
    FileChooser choose_file_;
};
