// The Scripting view: the script window over the engine and the view's own command handler
// (registered functions, help texts, output, errors, stop, files).

#include <QListWidget>
#include <QMainWindow>
#include <QRegularExpression>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <Qsci/qsciapis.h>
#include <Qsci/qsciscintilla.h>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "gui/frame/ViewLink.h"
#include "gui/script/ScriptView.h"
#include "gui/script/ScriptWindow.h"
#include "handler/SerialCommHandler.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "script/ScriptEngine.h"
#include "shell/AppSettings.h"

Q_DECLARE_METATYPE(ScriptOutcome)

class ScriptViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void FunctionListShowsTheHandlersFunctionsWithHelp();
    void ScriptOutputAndErrorsReachTheOutputPane();
    void StopEndsARunningScript();
    void SavedScriptOpensAgainUnchanged();
    void ViewGoesWhileAScriptRuns();
    void FailedCallsShowTheirResultTextInRedAfterThePrintedValues();
    void ARefusedReadIsShownAgainstTheSimulatedBoard();
    void AnErrorMarksItsLineAndTheCursorGoesThere();
    void FunctionNamesCompleteAndShowTheirCallForm();
    void DoubleClickInsertsTheCallWithTheCursorBetweenTheBrackets();
    void StatusBarSaysRunningWhileAScriptRuns();
    void AtTheMinimumWindowSizeTheEditorKeepsTwoThirdsOfTheWidth();

private:
    // Runs the editor's text and waits for its end; the outcome.
    ScriptOutcome RunToEnd(CScriptWindow& window, const QString& text);

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CSleepHook> no_sleep_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    uint16_t instance_ = 100;
    tagViewContext context_;
};

void ScriptViewTest::initTestCase()
{
    qRegisterMetaType<ScriptOutcome>();
}

void ScriptViewTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    AppSettings::SetComPort("/nonexistent/zovtool-test-port");
    no_sleep_ = std::make_unique<CSleepHook>([](uint32_t) {});
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
    context_.instance_number = &instance_;
}

void ScriptViewTest::cleanup()
{
    prompt_scope_.reset();
    prompt_.reset();
    no_sleep_.reset();
    settings_.reset();
}

// Waits until the view's link has given up on the missing port.
void WaitUntilLinkSettled(CScriptView& view)
{
    QTRY_VERIFY(!view.Link()->IsConnecting());
}

ScriptOutcome ScriptViewTest::RunToEnd(CScriptWindow& window, const QString& text)
{
    QSignalSpy ended(&window, &CScriptWindow::ScriptEnded);
    window.Editor()->setText(text);
    if (!window.RunScript()) {
        return ScriptOutcome::kNone;
    }
    if (!ended.wait(20000)) {
        return ScriptOutcome::kRunning;
    }
    return ended.takeFirst().at(0).value<ScriptOutcome>();
}

void ScriptViewTest::FunctionListShowsTheHandlersFunctionsWithHelp()
{
    CScriptView view(context_, nullptr);
    QListWidget* list = view.ScriptWindow()->FunctionList();
    const auto names = view.Engine().FunctionNames();
    QVERIFY(names.size() >= 70);
    // The registered functions, then the engine's own ResultText and help.
    QCOMPARE(list->count(), static_cast<int>(names.size()) + 2);
    QCOMPARE(list->item(list->count() - 2)->text(), QStringLiteral("ResultText"));
    QCOMPARE(list->item(list->count() - 1)->text(), QStringLiteral("help"));
    list->setCurrentRow(list->count() - 1);
    QVERIFY(view.ScriptWindow()->HelpPane()->toPlainText().contains(QStringLiteral("help(IN: [Name])")));
    const QList<QListWidgetItem*> found =
        list->findItems(QStringLiteral("ZelVerGetComponentVersion"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    list->setCurrentItem(found[0]);
    const QString help = view.ScriptWindow()->HelpPane()->toPlainText();
    QVERIFY(help.startsWith(QStringLiteral("Returns the version of the specified component.")));
    QVERIFY(help.contains(QStringLiteral("    @0 = Function result: 0=failed, 1=succeeded")));
    QVERIFY(!help.contains(QLatin1Char('\r')));
}

void ScriptViewTest::ScriptOutputAndErrorsReachTheOutputPane()
{
    CScriptView view(context_, nullptr);
    CScriptWindow& window = *view.ScriptWindow();
    WaitUntilLinkSettled(view);
    // Without a board the request fails at once with its @0 of 0.
    QCOMPARE(RunToEnd(window, QStringLiteral("print(1 + 2)\r\nprint((ZelVerGetComponentVersion(6)))\r\n")),
             ScriptOutcome::kSucceeded);
    QStringList shown = window.OutputPane()->toPlainText().split(QLatin1Char('\n'));
    QVERIFY2(shown.size() == 5, qPrintable(shown.join(QLatin1Char('|'))));
    // A separator with the time and the script's name starts every run.
    QVERIFY(QRegularExpression(QStringLiteral("^----- \\d\\d:\\d\\d:\\d\\d script -----$"))
                .match(shown[0]).hasMatch());
    QCOMPARE(shown[1], QStringLiteral("3"));
    QCOMPARE(shown[2], QStringLiteral("0"));
    QVERIFY(shown[3].startsWith(QStringLiteral("line 2: ZelVerGetComponentVersion failed: ")));
    window.OutputPane()->clear();
    QVERIFY(window.RunButton()->isEnabled());
    QVERIFY(!window.StopButton()->isEnabled());

    QCOMPARE(RunToEnd(window, QStringLiteral("local x = nil\r\nx()\r\n")), ScriptOutcome::kFailed);
    const QStringList lines = window.OutputPane()->toPlainText().split(QLatin1Char('\n'));
    QVERIFY2(lines.size() >= 2 && lines[1].startsWith(QStringLiteral("script:2:")),
             qPrintable(window.OutputPane()->toPlainText()));
}

void ScriptViewTest::StopEndsARunningScript()
{
    CScriptView view(context_, nullptr);
    CScriptWindow& window = *view.ScriptWindow();
    WaitUntilLinkSettled(view);
    QSignalSpy ended(&window, &CScriptWindow::ScriptEnded);
    window.Editor()->setText(QStringLiteral("while true do end"));
    QVERIFY(window.RunScript());
    QVERIFY(window.StopButton()->isEnabled());
    QVERIFY(!window.RunButton()->isEnabled());
    QVERIFY(!window.RunScript());  // one script at a time
    window.StopButton()->click();
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended.takeFirst().at(0).value<ScriptOutcome>(), ScriptOutcome::kStopped);
    QVERIFY(window.OutputPane()->toPlainText().contains(QStringLiteral("Script stopped.")));
    QVERIFY(window.RunButton()->isEnabled());
}

void ScriptViewTest::SavedScriptOpensAgainUnchanged()
{
    CTempFolder folder;
    CScriptView view(context_, nullptr);
    CScriptWindow& window = *view.ScriptWindow();
    const QString text = QStringLiteral("-- version\r\nprint(ZelVerGetComponentVersion(6))\r\n");
    window.Editor()->setText(text);
    const QString path = QString::fromStdString(folder.File("check.lua"));
    QVERIFY(window.SaveFile(path));
    QCOMPARE(ReadFileText(path.toStdString()), text.toStdString());
    window.Editor()->setText(QString());
    QVERIFY(window.OpenFile(path));
    QCOMPARE(window.Editor()->text(), text);
    const size_t messages = prompt_->Texts().size();
    QVERIFY(!window.OpenFile(QString::fromStdString(folder.File("missing.lua"))));
    QCOMPARE(prompt_->Texts().size(), messages + 1);
}

void ScriptViewTest::ViewGoesWhileAScriptRuns()
{
    auto view = std::make_unique<CScriptView>(context_, nullptr);
    view->ScriptWindow()->Editor()->setText(QStringLiteral("while true do print('x') end"));
    QVERIFY(view->ScriptWindow()->RunScript());
    QTRY_VERIFY(!view->ScriptWindow()->OutputPane()->toPlainText().isEmpty());
    // Destroying the view stops the script, joins the engine and closes the handler.
    view.reset();
    QCoreApplication::processEvents();
}

namespace {

// The colour the output pane shows a line in.
QColor LineColour(QPlainTextEdit& pane, int line)
{
    const QTextBlock block = pane.document()->findBlockByNumber(line);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::NextCharacter);
    return cursor.charFormat().foreground().color();
}

}  // namespace

void ScriptViewTest::FailedCallsShowTheirResultTextInRedAfterThePrintedValues()
{
    CScriptView view(context_, nullptr);
    // No board answers: once the link has given up, Run starts at once.
    WaitUntilLinkSettled(view);
    CScriptWindow& window = *view.ScriptWindow();
    // The request fails with the link's text, which ResultText() also gives.
    QCOMPARE(RunToEnd(window, QStringLiteral("print(R(0x9999, 1))\r\nprint(ResultText())\r\nprint('end')")),
             ScriptOutcome::kSucceeded);
    const QStringList shown = window.OutputPane()->toPlainText().split(QLatin1Char('\n'));
    QVERIFY2(shown.size() >= 5, qPrintable(shown.join(QLatin1Char('|'))));
    QVERIFY(shown[1].startsWith(QStringLiteral("0\t")));
    const QString note = shown[2];
    QVERIFY2(note.startsWith(QStringLiteral("line 1: R failed: ")), qPrintable(note));
    // The note carries the result text exactly as the script reads it.
    QCOMPARE(note.mid(QStringLiteral("line 1: R failed: ").size()), shown[3]);
    QCOMPARE(shown[4], QStringLiteral("end"));
    QCOMPARE(LineColour(*window.OutputPane(), 2).red() > 150 &&
                 LineColour(*window.OutputPane(), 2).green() < 80, true);
    QCOMPARE(LineColour(*window.OutputPane(), 1), window.OutputPane()->palette().color(QPalette::Text));
    QCOMPARE(LineColour(*window.OutputPane(), 4), window.OutputPane()->palette().color(QPalette::Text));
}

void ScriptViewTest::ARefusedReadIsShownAgainstTheSimulatedBoard()
{
    CBoardSimulator simulator{BoardSimOptions{}};
    std::string error;
    QVERIFY2(simulator.Start(&error), error.c_str());
    AppSettings::SetComPort(simulator.DevicePath());
    CScriptView view(context_, nullptr);
    // The run starts on a link that is up, so its output holds no wait note.
    QTRY_VERIFY_WITH_TIMEOUT(view.Link()->IsConnected(), 10000);
    CScriptWindow& window = *view.ScriptWindow();
    // Once the link is up the run starts at once, without a line about waiting for it.
    QTRY_VERIFY_WITH_TIMEOUT(view.Link()->IsConnected(), 10000);
    QCOMPARE(RunToEnd(window, QStringLiteral("print(R(0x9999, 1))\r\nprint(R(0x2013, 0))\r\n")),
             ScriptOutcome::kSucceeded);
    const QStringList shown = window.OutputPane()->toPlainText().split(QLatin1Char('\n'));
    QVERIFY2(shown.size() == 5, qPrintable(shown.join(QLatin1Char('|'))));
    // The link worked (@0 = 1) but the board has no such object: a red line says so.
    QVERIFY(shown[1].startsWith(QStringLiteral("1\t0\t")));
    QVERIFY2(shown[2].startsWith(QStringLiteral(
                 "line 1: R was refused by the subsystem (ZEL result code 0x06020000): c ")),
             qPrintable(shown[2]));
    QVERIFY(LineColour(*window.OutputPane(), 2).red() > 150);
    // An accepted read adds nothing.
    QVERIFY(shown[3].startsWith(QStringLiteral("1\t0\t")));
    QCOMPARE(shown[4], QString());
}

void ScriptViewTest::AnErrorMarksItsLineAndTheCursorGoesThere()
{
    CScriptView view(context_, nullptr);
    WaitUntilLinkSettled(view);
    CScriptWindow& window = *view.ScriptWindow();
    QsciScintilla& editor = *window.Editor();
    QCOMPARE(RunToEnd(window, QStringLiteral("print(1)\r\nlocal x = nil\r\nx()\r\nprint(2)\r\n")),
             ScriptOutcome::kFailed);
    QCOMPARE(window.MarkedErrorLine(), 3);
    QVERIFY(editor.markersAtLine(2) != 0);
    QCOMPARE(editor.markersAtLine(1), 0u);
    QCOMPARE(editor.markersAtLine(3), 0u);
    int line = -1;
    int index = -1;
    editor.getCursorPosition(&line, &index);
    QCOMPARE(line, 2);
    // The line is underlined: the indicator is set on its text and not on the next line's.
    const long on_line = editor.positionFromLineIndex(2, 1);
    const long next_line = editor.positionFromLineIndex(3, 1);
    QVERIFY(editor.SendScintilla(QsciScintilla::SCI_INDICATORALLONFOR, on_line) != 0);
    QCOMPARE(editor.SendScintilla(QsciScintilla::SCI_INDICATORALLONFOR, next_line), 0L);
    const QString output = window.OutputPane()->toPlainText();
    QVERIFY2(output.contains(QStringLiteral("script:3:")), qPrintable(output));

    // A good run takes the mark away again.
    QCOMPARE(RunToEnd(window, QStringLiteral("print(1)\r\nprint(2)\r\nprint(3)\r\n")),
             ScriptOutcome::kSucceeded);
    QCOMPARE(window.MarkedErrorLine(), 0);
    QCOMPARE(editor.markersAtLine(2), 0u);
    QCOMPARE(editor.SendScintilla(QsciScintilla::SCI_INDICATORALLONFOR, on_line), 0L);
}

void ScriptViewTest::FunctionNamesCompleteAndShowTheirCallForm()
{
    CScriptView view(context_, nullptr);
    CScriptWindow& window = *view.ScriptWindow();
    QSignalSpy prepared(window.Completion(), &QsciAPIs::apiPreparationFinished);
    view.resize(900, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(prepared.count() > 0 || prepared.wait(20000));
    QsciScintilla& editor = *window.Editor();
    editor.setText(QString());
    editor.setFocus();
    QTest::keyClicks(&editor, QStringLiteral("ZelVerGetC"));
    QTRY_VERIFY(editor.isListActive());
    QByteArray current(256, '\0');
    editor.SendScintilla(QsciScintilla::SCI_AUTOCGETCURRENTTEXT, 0UL, static_cast<void*>(current.data()));
    QCOMPARE(QString::fromLatin1(current.constData()), QStringLiteral("ZelVerGetComponentVersion"));
    // The engine's own functions complete too.
    editor.cancelList();
    editor.setText(QString());
    QTest::keyClicks(&editor, QStringLiteral("Resu"));
    QTRY_VERIFY(editor.isListActive());
    editor.SendScintilla(QsciScintilla::SCI_AUTOCGETCURRENTTEXT, 0UL, static_cast<void*>(current.data()));
    QCOMPARE(QString::fromLatin1(current.constData()), QStringLiteral("ResultText"));
    editor.cancelList();

    // An open bracket after a name shows its call form.
    editor.setText(QString());
    QTest::keyClicks(&editor, QStringLiteral("ZELSP_Read"));
    editor.cancelList();
    QTest::keyClicks(&editor, QStringLiteral("("));
    QTRY_VERIFY(editor.SendScintilla(QsciScintilla::SCI_CALLTIPACTIVE) != 0);
}

void ScriptViewTest::DoubleClickInsertsTheCallWithTheCursorBetweenTheBrackets()
{
    CScriptView view(context_, nullptr);
    CScriptWindow& window = *view.ScriptWindow();
    QsciScintilla& editor = *window.Editor();
    editor.setText(QStringLiteral("print()"));
    editor.setCursorPosition(0, 6);
    const QList<QListWidgetItem*> found =
        window.FunctionList()->findItems(QStringLiteral("ZelCmdPrepare"), Qt::MatchExactly);
    QCOMPARE(found.size(), 1);
    emit window.FunctionList()->itemDoubleClicked(found[0]);
    QCOMPARE(editor.text(), QStringLiteral("print(ZelCmdPrepare())"));
    int line = -1;
    int index = -1;
    editor.getCursorPosition(&line, &index);
    QCOMPARE(line, 0);
    QCOMPARE(index, 20);  // after "print(ZelCmdPrepare("
    QTest::keyClicks(&editor, QStringLiteral("2"));
    QCOMPARE(editor.text(), QStringLiteral("print(ZelCmdPrepare(2))"));
}

void ScriptViewTest::StatusBarSaysRunningWhileAScriptRuns()
{
    QMainWindow frame;
    auto* view = new CScriptView(context_, &frame);
    frame.setCentralWidget(view);
    // The script runs on the engine, not in the wait for a link that is still coming up.
    QTRY_VERIFY(!view->Link()->IsConnecting());
    CScriptWindow& window = *view->ScriptWindow();
    QSignalSpy ended(&window, &CScriptWindow::ScriptEnded);
    window.Editor()->setText(QStringLiteral("while true do end"));
    QVERIFY(window.RunScript());
    QCOMPARE(frame.statusBar()->currentMessage(), CScriptWindow::RunningText());
    // A menu's status tip comes and goes; the message comes back while the script runs.
    frame.statusBar()->showMessage(QStringLiteral("Opens the log"));
    frame.statusBar()->clearMessage();
    QCOMPARE(frame.statusBar()->currentMessage(), CScriptWindow::RunningText());
    window.StopScript();
    QTRY_VERIFY_WITH_TIMEOUT(!ended.isEmpty(), 20000);
    QCOMPARE(frame.statusBar()->currentMessage(), QString());
}

void ScriptViewTest::AtTheMinimumWindowSizeTheEditorKeepsTwoThirdsOfTheWidth()
{
    CScriptView view(context_, nullptr);
    // The main window's minimum width less its frame.
    view.resize(496, 480);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QList<int> sizes = view.ScriptWindow()->Splitter()->sizes();
    QCOMPARE(sizes.size(), 2);
    QVERIFY2(sizes[0] * 3 >= (sizes[0] + sizes[1]) * 2,
             qPrintable(QStringLiteral("%1 : %2").arg(sizes[0]).arg(sizes[1])));
    QVERIFY(sizes[1] > 0);
}

QTEST_MAIN(ScriptViewTest)
#include "ScriptViewTest.moc"
