// The script window of the Scripting view: an editor with Lua highlighting, completion of the
// function names and their call forms as call tips, Run and Stop, the output pane, and the list
// of the functions with their help texts. Scripts run on the engine's own thread; what they print,
// the calls that failed and how they end reach the window through queued calls, so a long script
// never blocks the window. Each run's output starts with a separator line; a failed call's result
// text follows its printed line in red; an error marks its line in the editor.
//
// The engine must outlive the window's use of it: the owner stops the engine and waits for it
// before the window is destroyed (CScriptView does).
#pragma once

#include <functional>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "script/ScriptOutcome.h"
#include "script/ScriptOutputQueue.h"

class QColor;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QsciAPIs;
class QsciScintilla;
class QTimer;
class CScriptEngine;

class CScriptWindow : public QWidget {
    Q_OBJECT
public:
    CScriptWindow(CScriptEngine& engine, QWidget* parent);
    // Disconnects the engine's output and end callbacks from this window.
    ~CScriptWindow() override;

    // How long Run waits for a link that is still coming up.
    static constexpr int kLinkWaitMs = 15000;

    // Starts the editor's text on the engine; while the link gate says the board's link is
    // still coming up, the output pane says so and the script starts once it is up (or down
    // for good), after at most kLinkWaitMs; Stop ends that wait. False when a script is running
    // or waiting, or the engine refused it (the output pane says why).
    bool RunScript();
    // Asks the running script to stop, or ends the wait for the link; returns at once.
    void StopScript();
    // The gate in front of Run: link_coming_up tells whether the link is still coming up,
    // link_state_text describes it ("Connecting to COM1..."). Without a gate Run starts at once.
    void SetLinkGate(std::function<bool()> link_coming_up, std::function<QString()> link_state_text);
    // The link's state changed: a Run that waits for it goes on.
    void OnLinkStateChanged();
    bool IsWaitingForLink() const { return waiting_for_link_; }
    // Fills the function list, the completion and the call tips from the engine's registered
    // functions and its own globals (ResultText, help).
    void RefreshFunctionList();
    // Reads path into the editor / writes the editor's text to path. False, with a message box,
    // when the file cannot be read or written.
    bool OpenFile(const QString& path);
    bool SaveFile(const QString& path);
    // Puts text into the editor as the script read from path ("" for a new script).
    void SetScript(const QString& text, const QString& path);
    // The file the script was read from or saved to; "" for a new script.
    const QString& FilePath() const { return file_path_; }
    // Adds text at the end of the output pane as it is (printed text carries its line ends).
    void AppendOutput(const QString& text);
    // Lays the window out again after the view changed size.
    void ResizeScriptWindow();

    QsciScintilla* Editor() const { return editor_; }
    QPlainTextEdit* OutputPane() const { return output_; }
    QListWidget* FunctionList() const { return functions_; }
    QPlainTextEdit* HelpPane() const { return help_; }
    QPushButton* RunButton() const { return run_; }
    QPushButton* StopButton() const { return stop_; }
    QSplitter* Splitter() const { return split_; }
    QsciAPIs* Completion() const { return apis_; }
    bool IsRunning() const { return running_; }
    // The editor line (from 1) that the last error marked; 0 when none is marked.
    int MarkedErrorLine() const { return marked_line_; }

    // The text of the status bar while a script runs.
    static const QString& RunningText();
    // The function list's entry for a call: "Name()".
    static QString CallText(const QString& name);

signals:
    // Emitted on the GUI thread when a script started from this window has ended.
    void ScriptEnded(ScriptOutcome outcome);

private:
    void ChooseAndOpen();
    void ChooseAndSave();
    void ShowHelp(QListWidgetItem* item);
    void InsertCall(QListWidgetItem* item);
    void SetRunning(bool running);
    void ShowRunningInStatusBar(bool running);
    void KeepRunningMessage(const QString& text);
    // Engine thread: asks the window's thread once to take what the queue holds.
    void RequestFlush(bool needed);
    bool StartOnEngine();
    void EndLinkWait(const QString& note, ScriptOutcome outcome);
    void FlushOutput();
    void AppendColoured(const QString& text, const QColor& colour);
    void OnScriptEnded(ScriptOutcome outcome, const QString& error_text, int error_line);
    void MarkErrorLine(int line);
    void ClearErrorMark();
    void BuildCompletion();

    CScriptEngine& engine_;
    QsciScintilla* editor_;
    QPlainTextEdit* output_;
    QListWidget* functions_;
    QPlainTextEdit* help_;
    QPushButton* run_;
    QPushButton* stop_;
    QSplitter* split_;
    QsciAPIs* apis_ = nullptr;
    QPointer<QStatusBar> status_bar_;  // the bar that says "Running..." while a script runs
    QString file_path_;
    bool running_ = false;
    int marked_line_ = 0;
    bool waiting_for_link_ = false;
    QTimer* link_wait_timer_ = nullptr;
    std::function<bool()> link_coming_up_;
    std::function<QString()> link_state_text_;

    CScriptOutputQueue queue_;
};
