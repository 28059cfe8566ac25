// The window against the simulated board on a pseudo-terminal: the Scripting view connects and
// a script reads a version; when the port goes away underneath, the window stays usable, the
// next request reports the link's error, and switching views connects again.

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <Qsci/qsciscintilla.h>

#include <QListWidget>

#include "BoardSimulator.h"
#include "Subsystem.h"
#include "TestSupport.h"
#include "gui/logs/SetLogLevelDlg.h"
#include "gui/frame/MainFrame.h"
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

QTEST_MAIN(SimulatedBoardTest)
#include "SimulatedBoardTest.moc"
