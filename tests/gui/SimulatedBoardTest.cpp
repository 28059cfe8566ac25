// The window against the simulated board on a pseudo-terminal: the Scripting view connects and
// a script reads a version; when the port goes away underneath, the window stays usable, the
// next request reports the link's error, and switching views connects again.

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <Qsci/qsciscintilla.h>

#include <QListWidget>

#include <chrono>

#include "BoardSimulator.h"
#include "PtyPair.h"
#include "gui/logs/ZovLogWindow.h"
#include "gui/widgets/MyEdit.h"
#include "Subsystem.h"
#include "TestSupport.h"
#include "gui/logs/SetLogLevelDlg.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ViewLink.h"
#include "gui/script/ScriptView.h"
#include "gui/script/ScriptWindow.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

class SimulatedBoardTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ScriptingViewTalksToTheBoard();
    void PortGoneThenBackBySwitchingViews();
    void LogLevelDialogShowsAndSendsTheLevel();
    void BoardGoneAndBackWithoutSwitchingViews();
    void SilentBoardNeverHoldsUpTheWindow();

private:
    std::unique_ptr<CBoardSimulator> StartBoard();
    // Runs text in the frame's Scripting view; the output pane's text afterwards.
    static QString Run(CMainFrame& frame, const QString& text);

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> temp_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    std::string link_;
};

void SimulatedBoardTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    temp_ = std::make_unique<CTempFolder>();
    qputenv("TMPDIR", QByteArray::fromStdString(temp_->Path()));
    link_ = temp_->File("board");
    // A request that gets no answer ends after this, not never.
    AppSettings::SetCommandTimeout(3000);
    AppSettings::SetComPort("COM8");
    AppSettings::SetComPortForRun(link_);
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
}

void SimulatedBoardTest::cleanup()
{
    prompt_scope_.reset();
    prompt_.reset();
    AppSettings::SetComPortForRun("");
    qunsetenv("TMPDIR");
    temp_.reset();
    settings_.reset();
}

std::unique_ptr<CBoardSimulator> SimulatedBoardTest::StartBoard()
{
    BoardSimOptions options;
    options.link_path = link_;
    options.trace_sink = [](const std::string&) {};
    auto board = std::make_unique<CBoardSimulator>(options);
    std::string error;
    if (!board->Start(&error)) {
        qWarning("board did not start: %s", error.c_str());
        return nullptr;
    }
    return board;
}

QString SimulatedBoardTest::Run(CMainFrame& frame, const QString& text)
{
    auto* view = qobject_cast<CScriptView*>(frame.CurrentView());
    if (view == nullptr) {
        return QStringLiteral("<no Scripting view>");
    }
    CScriptWindow* window = view->ScriptWindow();
    window->OutputPane()->clear();
    QSignalSpy ended(window, &CScriptWindow::ScriptEnded);
    window->Editor()->setText(text);
    if (!window->RunScript() || !ended.wait(60000)) {
        return QStringLiteral("<did not run>");
    }
    // What the script printed and the notes on failed calls, without the run's separator line.
    QString output = window->OutputPane()->toPlainText();
    if (output.startsWith(QStringLiteral("----- "))) {
        output = output.mid(output.indexOf(QLatin1Char('\n')) + 1);
    }
    return output;
}

void SimulatedBoardTest::ScriptingViewTalksToTheBoard()
{
    auto board = StartBoard();
    QVERIFY(board != nullptr);
    CMainFrame frame(nullptr, QString::fromStdString(link_));
    QVERIFY(frame.windowTitle().contains(QStringLiteral("simulated board")));
    QCOMPARE(frame.CurrentViewNumber(), int{kViewScripting});
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"));
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail), QString::fromStdString(link_));
    QVERIFY(prompt_->Texts().empty());

    const QString output = Run(frame, QStringLiteral("print(ZelVerGetComponentVersion(6))"));
    const QStringList fields = output.trimmed().split(QLatin1Char('\t'));
    QVERIFY2(fields.size() == 2 && fields[0] == QStringLiteral("1") && !fields[1].isEmpty(),
             qPrintable(output));
    // The settings were not touched by the run's port.
    QCOMPARE(AppSettings::GetSavedComPort(), std::string("COM8"));
}

void SimulatedBoardTest::PortGoneThenBackBySwitchingViews()
{
    auto board = StartBoard();
    QVERIFY(board != nullptr);
    CMainFrame frame;
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"));

    board->Stop();
    board.reset();
    const QString failed = Run(frame, QStringLiteral(
        "local ok = ZelVerGetComponentVersion(6)\nprint(ok)\nprint(ResultText())"));
    // The printed result, the red note on the failed call with its result text, then the text.
    const QStringList lines = failed.trimmed().split(QLatin1Char('\n'));
    QVERIFY2(lines.size() == 3 && lines[0] == QStringLiteral("0") &&
                 lines[1] == QStringLiteral("line 1: ZelVerGetComponentVersion failed: ") + lines[2] &&
                 lines[2].startsWith(QStringLiteral("ZELSP: ")),
             qPrintable(failed));
    // The window kept working meanwhile: its events are handled and views can change.
    QVERIFY(frame.ChangeView(kViewPreferences));

    board = StartBoard();
    QVERIFY(board != nullptr);
    QVERIFY(frame.ChangeView(kViewScripting));
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"));
    QTRY_VERIFY(frame.CurrentView()->Link()->IsConnected());
    const QString output = Run(frame, QStringLiteral("print((ZelVerGetComponentVersion(6)))"));
    QCOMPARE(output, QStringLiteral("1\n"));
}

void SimulatedBoardTest::LogLevelDialogShowsAndSendsTheLevel()
{
    auto board = StartBoard();
    QVERIFY(board != nullptr);
    CMainFrame frame;
    CSerialCommHandler* handler = frame.CurrentView()->CommHandler();
    QVERIFY(handler != nullptr);
    QTRY_VERIFY(frame.CurrentView()->Link()->IsConnected());
    uint32_t level = 99;
    board->Inspect([&level](const CSubsystem& subsystem) { level = subsystem.LogLevel(); });
    QVERIFY(level < 8);
    {
        CSetLogLevelDlg dialog(*handler, &frame);
        QCOMPARE(dialog.LevelList()->count(), 8);
        QCOMPARE(dialog.LevelList()->currentRow(), static_cast<int>(level));
        dialog.LevelList()->setCurrentRow(5);
        QCOMPARE(dialog.LevelList()->currentItem()->text(), QStringLiteral("5: Warning"));
        dialog.accept();
        QCOMPARE(dialog.result(), int{QDialog::Accepted});
    }
    board->Inspect([&level](const CSubsystem& subsystem) { level = subsystem.LogLevel(); });
    QCOMPARE(level, 5u);

    // With the link down the dialog shows level 0 and OK still closes it, silently.
    board->Stop();
    CSetLogLevelDlg dialog(*handler, &frame);
    QCOMPARE(dialog.LevelList()->currentRow(), 0);
    QCOMPARE(dialog.LevelList()->currentItem()->text(), QStringLiteral("0: Debug Extended"));
    dialog.accept();
    QCOMPARE(dialog.result(), int{QDialog::Accepted});
    QVERIFY(prompt_->Texts().empty());
}

// The status bar says the truth as soon as the board goes, with the system's reason, and the
// link comes back by itself when the board does: no change of view is needed.
void SimulatedBoardTest::BoardGoneAndBackWithoutSwitchingViews()
{
    auto board = StartBoard();
    QVERIFY(board != nullptr);
    CMainFrame frame;
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"));

    board->Stop();
    board.reset();
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Disconnected"));
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail),
             QString::fromStdString(link_ + ": Input/output error"));
    QTRY_VERIFY(frame.ToolLogWindow()->Edit()->toPlainText().contains(QStringLiteral("the port failed")));
    QCOMPARE(frame.ToolLogWindow()->Edit()->toPlainText().count(QStringLiteral("the port failed")), 1);

    board = StartBoard();
    QVERIFY(board != nullptr);
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"));
    QCOMPARE(frame.CurrentViewNumber(), int{kViewScripting});
    QCOMPARE(Run(frame, QStringLiteral("print((ZelVerGetComponentVersion(6)))")), QStringLiteral("1\n"));
    QVERIFY(prompt_->Texts().empty());
}

// A port that opens onto a board that never answers: the window is there at once and says that
// it is connecting, Run waits visibly and Stop ends that wait, and the engineer can leave the
// view without waiting for the board.
void SimulatedBoardTest::SilentBoardNeverHoldsUpTheWindow()
{
    AppSettings::SetCommandTimeout(0);  // no limit: the start-up exchange would wait for ever
    CPtyPair silent;
    AppSettings::SetComPortForRun(silent.SlavePath());
    const auto started = std::chrono::steady_clock::now();
    CMainFrame frame;
    const auto took = std::chrono::steady_clock::now() - started;
    QVERIFY2(took < std::chrono::milliseconds(1000), "the window waited for the board");
    const QString connecting = QStringLiteral("Connecting to %1...").arg(QString::fromStdString(silent.SlavePath()));
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), connecting);

    auto* view = qobject_cast<CScriptView*>(frame.CurrentView());
    QVERIFY(view != nullptr);
    CScriptWindow* window = view->ScriptWindow();
    QSignalSpy ended(window, &CScriptWindow::ScriptEnded);
    window->Editor()->setText(QStringLiteral("print('ran')"));
    QVERIFY(window->RunScript());
    QVERIFY(window->IsWaitingForLink());
    QVERIFY(window->OutputPane()->toPlainText().startsWith(QStringLiteral("Waiting for the link to the board (") +
                                                           connecting + QStringLiteral(")...")));
    QVERIFY(!window->RunButton()->isEnabled());
    window->StopButton()->click();
    QCOMPARE(ended.count(), 1);
    QVERIFY(window->OutputPane()->toPlainText().endsWith(QStringLiteral("Script not started.\n")));
    QVERIFY(!window->OutputPane()->toPlainText().contains(QStringLiteral("ran")));
    QVERIFY(window->RunButton()->isEnabled());

    const auto leaving = std::chrono::steady_clock::now();
    QVERIFY(frame.ChangeView(kViewPreferences));
    QVERIFY2(std::chrono::steady_clock::now() - leaving < std::chrono::milliseconds(1000),
             "leaving the view waited for the board");
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Disconnected"));
}

QTEST_MAIN(SimulatedBoardTest)
#include "SimulatedBoardTest.moc"
