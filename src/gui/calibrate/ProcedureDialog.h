// The window of a guided procedure: a modal dialog with the "Instructions" and "Action" texts, the
// status line, Start, "Show Details..." and "E&xit", plus the controls a procedure adds. It is a
// shell over the headless procedure (procedures/Procedure.h), whose view it is.
//
// The window never waits for the board: opening, every step and the closing restore sequence run
// on a worker thread while the dialog keeps painting and its buttons are disabled ("Please
// wait..." as the step's frame says). "E&xit" during a step ends the step's wait (the handler's
// StopRequests, and the pause before a sub-calibration), then the restore sequence runs on the
// worker; pressing "E&xit" again while it runs leaves at once. The dialog ends with the
// procedure's result (kIdOk / kIdCancel) once that is done.
//
// GUI thread only, except the IProcedureView calls, which the procedure makes on the worker:
// they are carried to the GUI thread.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include <QDialog>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "procedures/Procedure.h"

class CColorStatic;
class CSerialCommHandler;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

class CProcedureDialog : public QDialog, public IProcedureView {
    Q_OBJECT
public:
    // handler is the hub's and must outlive the dialog. The derived dialog adds its controls
    // and then calls SetProcedure.
    CProcedureDialog(CSerialCommHandler& handler, const QString& title, QWidget* parent);
    // Joins the worker; a procedure that was not closed is closed without waiting on the board.
    ~CProcedureDialog() override;

    CProcedure& Procedure() { return *procedure_; }
    // True while a worker job (opening, a step, the restore sequence) runs.
    bool IsBusy() const { return busy_; }
    // The controls by their procedure names (ProcedureControl::...), for tests and screenshots.
    QWidget* Control(const std::string& name) const;

    // ---- IProcedureView (any thread) ----
    void SetText(const std::string& control, const std::string& text) override;
    void SetTextRed(const std::string& control, bool red) override;
    void Show(const std::string& control, bool shown) override;
    void Enable(const std::string& control, bool enabled) override;
    void Check(const std::string& control, bool checked) override;
    std::string EntryText(const std::string& control) override;
    bool AskYesNo(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void Sleep(uint32_t ms) override;

    // "E&xit", the Escape key and the close box all come here.
    void reject() override;

signals:
    // Emitted on the GUI thread when a worker job has ended.
    void JobEnded();

protected:
    // Takes the procedure and starts opening it on the worker (the Start button waits).
    void SetProcedure(std::unique_ptr<CProcedure> procedure);
    // The area between the Action group and the status line for the procedure's own controls.
    QVBoxLayout* ExtrasLayout() const { return extras_; }
    // Registers a control under its procedure name. pressable: disabled while a job runs.
    void AddControl(const std::string& name, QWidget* widget, bool pressable);
    // A button that runs the procedure's PressControl(name) on the worker.
    QPushButton* AddPressButton(const std::string& name, const QString& caption);
    // A radio button whose press the procedure takes at once (it sends nothing).
    QRadioButton* AddRadioButton(const std::string& name, const QString& caption);
    // A line of text (the calibrated formats, the doserate info).
    QLabel* AddLine(const std::string& name);
    // The doserate entry: "Fill in the measured doserate:" [edit] "nGy/s".
    QWidget* AddDoserateEntry();
    // The group "Timing" with the radio buttons "Internal" and "External".
    QWidget* AddTimingGroup();

    void closeEvent(QCloseEvent* event) override;

private:
    struct tagQuestion;

    void BuildCommonControls();
    void PressStart();
    void PressDetails();
    void PressControl(const std::string& name);
    void Leave();
    // Runs job on the worker with the buttons disabled; then, on the GUI thread, after.
    bool RunJob(std::function<void()> job, std::function<void()> after);
    void OnJobEnded();
    void ApplyEnabled(const std::string& name);
    void ApplyAllEnabled();
    // Runs f on the GUI thread: now when called there, else queued.
    void OnGuiThread(std::function<void()> f);
    bool OnGuiThreadNow() const;

    CSerialCommHandler& handler_;
    std::unique_ptr<CProcedure> procedure_;

    QLabel* instruction_ = nullptr;
    QLabel* action_ = nullptr;
    CColorStatic* status_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* details_ = nullptr;
    QPushButton* exit_ = nullptr;
    QVBoxLayout* extras_ = nullptr;
    QLineEdit* entry_edit_ = nullptr;

    std::map<std::string, QWidget*> controls_;
    std::set<std::string> pressable_;
    std::map<std::string, bool> enabled_;  // what the procedure wants, before the busy overlay

    CThread worker_;
    bool busy_ = false;
    std::function<void()> after_job_;
    bool leaving_ = false;     // Exit was pressed: the restore sequence follows the running job
    bool closing_ = false;     // the restore sequence runs or has run
    bool closed_ = false;
    int result_ = kIdCancel;
    // Ends the pause before a sub-calibration and every question when the engineer leaves.
    CEvent abort_{CEvent::Kind::ManualReset};

    mutable std::mutex entry_lock_;
    std::string entry_text_;  // the doserate entry, for the worker
};
