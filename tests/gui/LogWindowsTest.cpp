// The log windows' text control (find with wrap-around, context menu) and the tool log window
// (level filter, 50000-character cut, file).

#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "TestSupport.h"
#include "gui/widgets/FindText.h"
#include "gui/widgets/MyEdit.h"
#include "gui/logs/ZovLogWindow.h"
#include "logging/ZovLogging.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"
#include "platform/TextFile.h"
#include "shell/AppSettings.h"

class LogWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void FindWithWrap_data();
    void FindWithWrap();
    void FindNextWalksOnAndWrapsToTheStart();
    void FindMissTellsTheEngineer();
    void ContextMenuFollowsTextAndSelection();
    void ToolLogCutsTheOldestLinesButTheFileKeepsThem();
    void ToolLogFiltersByLevelAndFollowsNewFlags();
    void ToolLogClearEmptiesWindowAndFile();
    void LogWindowKeepsItsRectangle();
    void AFrameLineShowsAsOneLineWithoutItsCr();
    void ALongLineDoesNotScrollTheTimeColumnAway();
    void SaveAsksBeforeReplacingAndProposesTheLogSuffix();
};

namespace {

SystemTime At(uint16_t second, uint16_t ms)
{
    SystemTime time;
    time.year = 2026;
    time.month = 12;
    time.day = 8;
    time.hour = 9;
    time.minute = 5;
    time.second = second;
    time.milliseconds = ms;
    return time;
}

QStringList EditLines(const CMyEdit& edit)
{
    return edit.toPlainText().split(QLatin1Char('\n'));
}

}  // namespace

void LogWindowsTest::FindWithWrap_data()
{
    QTest::addColumn<QString>("haystack");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("match_case");
    QTest::addColumn<int>("expected");
    QTest::newRow("after start") << "abc abc" << "abc" << 1 << false << 4;
    QTest::newRow("only before start wraps") << "abc xyz" << "abc" << 3 << false << 0;
    QTest::newRow("absent") << "abc xyz" << "q" << 0 << false << -1;
    QTest::newRow("ignores case") << "Frame: ACK" << "ack" << 0 << false << 7;
    QTest::newRow("match case misses") << "Frame: ACK" << "ack" << 0 << true << -1;
    QTest::newRow("start past end") << "abc" << "b" << 99 << false << 1;
    QTest::newRow("empty needle") << "abc" << "" << 0 << false << -1;
}

void LogWindowsTest::FindWithWrap()
{
    QFETCH(QString, haystack);
    QFETCH(QString, needle);
    QFETCH(int, start);
    QFETCH(bool, match_case);
    QFETCH(int, expected);
    QCOMPARE(::FindWithWrap(haystack, needle, start,
                            match_case ? Qt::CaseSensitive : Qt::CaseInsensitive),
             expected);
}

void LogWindowsTest::FindNextWalksOnAndWrapsToTheStart()
{
    CRecordingPrompt prompt;
    CScopedPrompt scope(prompt);
    CMyEdit edit;
    edit.AppendLine(QStringLiteral("alpha"));
    edit.AppendLine(QStringLiteral("beta"));
    edit.AppendLine(QStringLiteral("gamma alpha"));

    QVERIFY(edit.FindNext(QStringLiteral("alpha"), false));
    QCOMPARE(edit.textCursor().selectionStart(), 0);
    QVERIFY(edit.FindNext(QStringLiteral("ALPHA"), false));
    QCOMPARE(edit.textCursor().selectionStart(), 17);
    QCOMPARE(edit.textCursor().selectedText(), QStringLiteral("alpha"));
    // "beta" lies only before the last match: found after wrapping.
    QVERIFY(edit.FindNext(QStringLiteral("beta"), false));
    QCOMPARE(edit.textCursor().selectionStart(), 6);
    QVERIFY(!edit.FindNext(QStringLiteral("BETA"), true));
    QVERIFY(edit.FindNext(QStringLiteral("alpha"), true));
    QCOMPARE(edit.textCursor().selectionStart(), 17);
    QCOMPARE(prompt.Texts().size(), size_t{1});
}

void LogWindowsTest::FindMissTellsTheEngineer()
{
    CRecordingPrompt prompt;
    CScopedPrompt scope(prompt);
    CMyEdit edit;
    edit.AppendLine(QStringLiteral("ERROR: Function ZelSpInit, no answer"));
    QVERIFY(!edit.FindNext(QStringLiteral("timeout"), false));
    const auto records = prompt.Records();
    QCOMPARE(records.size(), size_t{1});
    QCOMPARE(records[0].text, std::string("'timeout' not found!"));
    QCOMPARE(records[0].title, std::string("ZOV tool - Find"));
}

void LogWindowsTest::ContextMenuFollowsTextAndSelection()
{
    CMyEdit edit;
    const auto states = [&edit] {
        std::unique_ptr<QMenu> menu(edit.CreateContextMenu());
        QStringList texts;
        QList<bool> enabled;
        for (QAction* action : menu->actions()) {
            texts << action->text();
            enabled << action->isEnabled();
        }
        return std::make_pair(texts, enabled);
    };
    auto [texts, enabled] = states();
    QCOMPARE(texts, QStringList({"&Copy", "Select &All", "&Find..."}));
    QCOMPARE(enabled, QList<bool>({false, false, false}));
    edit.AppendLine(QStringLiteral("one line"));
    QCOMPARE(states().second, QList<bool>({false, true, true}));
    edit.selectAll();
    QCOMPARE(states().second, QList<bool>({true, true, true}));
}

void LogWindowsTest::ToolLogCutsTheOldestLinesButTheFileKeepsThem()
{
    CScopedSettingsFile settings;
    CTempFolder folder;
    CZovLogWindow window(nullptr, folder.Path());
    // 50-character lines count 52 with their line end: the 962nd line passes 50000.
    const auto text_of = [](int n) {
        return QStringLiteral("line %1 ").arg(n, 5, 10, QLatin1Char('0')).leftJustified(37, 'x');
    };
    for (int n = 0; n < 961; ++n) {
        window.AddLogEntry(At(1, 2), kZovLogScript, text_of(n));
    }
    QCOMPARE(window.Edit()->LineCount(), 961);
    QCOMPARE(window.Edit()->CharacterCount(), 961 * 52);
    window.AddLogEntry(At(1, 2), kZovLogScript, text_of(961));
    QCOMPARE(window.Edit()->LineCount(), 462);
    const QStringList shown = EditLines(*window.Edit());
    QCOMPARE(shown.first(), QStringLiteral("09:05:01.002 ") + text_of(500));
    QCOMPARE(shown.last(), QStringLiteral("09:05:01.002 ") + text_of(961));
    QCOMPARE(window.Edit()->textCursor().position(), window.Edit()->toPlainText().size());

    std::string file;
    QCOMPARE(ReadWholeFile(window.Module().LogFilePath(), file), ReadFileResult::Ok);
    const std::vector<std::string> lines = SplitLines(file);
    QCOMPARE(lines.size(), size_t{962});
    QCOMPARE(QString::fromStdString(lines.front()), QStringLiteral("09:05:01.002 ") + text_of(0));
}

void LogWindowsTest::ToolLogFiltersByLevelAndFollowsNewFlags()
{
    CScopedSettingsFile settings;
    CTempFolder folder;
    CZovLogWindow window(nullptr, folder.Path());
    // Defaults: warnings, errors and script on; frames and debug off.
    window.AddLogEntry(At(0, 0), kZovLogFrame, QStringLiteral("Frame: >1A"));
    window.AddLogEntry(At(0, 1), kZovLogDebug, QStringLiteral("DEBUG: Function f, x"));
    window.AddLogEntry(At(0, 2), kZovLogError, QStringLiteral("ERROR: Function f, y"));
    window.AddLogEntry(At(0, 3), 6, QStringLiteral("no such level"));
    QCOMPARE(EditLines(*window.Edit()), QStringList({"09:05:00.002 ERROR: Function f, y"}));

    window.SetLoggingFlags(kLogFrames);
    window.AddLogEntry(At(0, 4), kZovLogFrame, QStringLiteral("Frame: <06"));
    window.AddLogEntry(At(0, 5), kZovLogError, QStringLiteral("ERROR: Function f, z"));
    QCOMPARE(window.Edit()->LineCount(), 2);
    QCOMPARE(EditLines(*window.Edit()).last(), QStringLiteral("09:05:00.004 Frame: <06"));
}

void LogWindowsTest::ToolLogClearEmptiesWindowAndFile()
{
    CScopedSettingsFile settings;
    CTempFolder folder;
    CZovLogWindow window(nullptr, folder.Path());
    QVERIFY(window.SaveButton()->isEnabled());
    window.AddLogEntry(At(0, 0), kZovLogScript, QStringLiteral("print"));
    window.ClearLog();
    QCOMPARE(window.Edit()->LineCount(), 0);
    QCOMPARE(ReadFileText(window.Module().LogFilePath()), std::string());
    QVERIFY(window.SaveButton()->isEnabled());
}

void LogWindowsTest::LogWindowKeepsItsRectangle()
{
    using AppSettings::StoredWindow;
    CScopedSettingsFile settings;
    CTempFolder folder;
    // Never restored and never shown: nothing of its own to store.
    { CZovLogWindow window(nullptr, folder.Path()); }
    QVERIFY(!AppSettings::GetWindowRect(StoredWindow::ToolLog).left);

    const int sides[] = {40, 50, 540, 450};
    const char* const names[] = {"Left", "Top", "Right", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        AppSettings::SetWindowCoordinate(StoredWindow::ToolLog, names[i], sides[i]);
    }
    {
        CZovLogWindow window(nullptr, folder.Path());
        QCOMPARE(window.geometry(), QRect(40, 50, 500, 400));
        window.setGeometry(60, 70, 600, 380);
    }
    const AppSettings::StoredRect stored = AppSettings::GetWindowRect(StoredWindow::ToolLog);
    QCOMPARE(stored.left, std::optional<int32_t>(60));
    QCOMPARE(stored.top, std::optional<int32_t>(70));
    QCOMPARE(stored.right, std::optional<int32_t>(660));
    QCOMPARE(stored.bottom, std::optional<int32_t>(450));
}

void LogWindowsTest::AFrameLineShowsAsOneLineWithoutItsCr()
{
    CScopedSettingsFile settings;
    CTempFolder folder;
    CZovLogWindow window(nullptr, folder.Path());
    window.SetLoggingFlags(kLogFrames | kLogScript);
    window.AddLogEntry(At(1, 0), kZovLogFrame, QStringLiteral("Frame: ZelPsReadFrame: $01A64\r"));
    window.AddLogEntry(At(1, 1), kZovLogScript, QStringLiteral("two\r\nlines\n"));
    window.AddLogEntry(At(1, 2), kZovLogScript, QStringLiteral("last"));
    QCOMPARE(EditLines(*window.Edit()),
             QStringList({"09:05:01.000 Frame: ZelPsReadFrame: $01A64",
                          "09:05:01.001 two\\r\\nlines", "09:05:01.002 last"}));
    QCOMPARE(window.Edit()->document()->blockCount(), 3);
    // The file keeps the entry as it came, CR included.
    QCOMPARE(ReadFileText(window.Module().LogFilePath()),
             std::string("09:05:01.000 Frame: ZelPsReadFrame: $01A64\r\r\n"
                         "09:05:01.001 two\r\nlines\n\r\n09:05:01.002 last\r\n"));
    // One line per entry, so that cutting the oldest lines cuts whole entries.
    window.Edit()->DeleteOldestLines(1);
    QCOMPARE(EditLines(*window.Edit()).first(), QStringLiteral("09:05:01.001 two\\r\\nlines"));
}

void LogWindowsTest::ALongLineDoesNotScrollTheTimeColumnAway()
{
    CMyEdit edit;
    edit.resize(300, 200);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.AppendLine(QStringLiteral("09:05:01.000 short"));
    edit.AppendLine(QStringLiteral("09:05:01.001 ") + QString(600, QLatin1Char('x')));
    QCoreApplication::processEvents();
    QScrollBar* sideways = edit.horizontalScrollBar();
    QVERIFY(sideways->maximum() > 0);
    QCOMPARE(sideways->value(), 0);
    // Scrolled by the engineer: new lines leave the view where it is.
    sideways->setValue(120);
    edit.AppendLine(QStringLiteral("09:05:01.002 ") + QString(700, QLatin1Char('y')));
    QCoreApplication::processEvents();
    QCOMPARE(sideways->value(), 120);
    // The caret still follows the end.
    QCOMPARE(edit.textCursor().position(), edit.document()->characterCount() - 1);
}

void LogWindowsTest::SaveAsksBeforeReplacingAndProposesTheLogSuffix()
{
    CScopedSettingsFile settings;
    CTempFolder folder;
    CZovLogWindow window(nullptr, folder.Path());
    bool checked = false;
    QTimer::singleShot(0, &window, [&] {
        QFileDialog* dialog = window.SaveDialog();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("log"));
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
        checked = true;
        dialog->reject();
    });
    window.SaveLog();
    QVERIFY(checked);
    QVERIFY(window.SaveDialog() == nullptr);
}

QTEST_MAIN(LogWindowsTest)
#include "LogWindowsTest.moc"
