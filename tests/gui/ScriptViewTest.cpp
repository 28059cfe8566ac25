// The Scripting view: the script window over the engine and the view's own command handler
// (registered functions, help texts, output, errors, stop, files).

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <Qsci/qsciscintilla.h>

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
    QCOMPARE(list->count(), static_cast<int>(names.size()));
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
    QCOMPARE(window.OutputPane()->toPlainText(), QStringLiteral("3\n0\n"));
    QVERIFY(window.RunButton()->isEnabled());
    QVERIFY(!window.StopButton()->isEnabled());

    QCOMPARE(RunToEnd(window, QStringLiteral("local x = nil\r\nx()\r\n")), ScriptOutcome::kFailed);
    const QStringList lines = window.OutputPane()->toPlainText().split(QLatin1Char('\n'));
    QVERIFY2(lines.size() >= 3 && lines[2].startsWith(QStringLiteral("script:2:")),
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

QTEST_MAIN(ScriptViewTest)
#include "ScriptViewTest.moc"
