// The window with the board process killed under a running script: a 1,000,000-pass request
// loop keeps sending on the dead port. The window must stay responsive (its event loop turns at
// least every 100 ms), the process must stay below 150 MB, the status bar and the tool log must
// tell the real cause once, the link status codes must stay those of the protocol, and the
// script must end or stop at once.

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <Qsci/qsciscintilla.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ViewLink.h"
#include "gui/logs/ZovLogWindow.h"
#include "gui/script/ScriptView.h"
#include "gui/script/ScriptWindow.h"
#include "gui/widgets/MyEdit.h"
#include "logging/ZovLogging.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

extern char** environ;

#if defined(__SANITIZE_ADDRESS__)
#define ZOV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZOV_ADDRESS_SANITIZER 1
#endif
#endif

#ifdef ZOV_ADDRESS_SANITIZER
// The address sanitizer keeps 256 MB of freed blocks aside to catch late uses; a million failed
// calls churn through that much, and the memory bound below is about what the tool keeps, not
// about that quarantine. Its own settings (ASAN_OPTIONS) still come on top of this.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options()
{
    return "quarantine_size_mb=4";
}
#endif

Q_DECLARE_METATYPE(ScriptOutcome)

namespace {

// The process's peak resident memory in kB (VmHWM), 0 when unknown.
long PeakMemoryKb()
{
    const std::string status = ReadFileText("/proc/self/status");
    const size_t at = status.find("VmHWM:");
    return at == std::string::npos ? 0 : std::atol(status.c_str() + at + 6);
}

}  // namespace

class KillTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void WindowStaysUsableWhenTheBoardDiesUnderARequestLoop();

private:
    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> temp_;
};

void KillTest::initTestCase()
{
    qRegisterMetaType<ScriptOutcome>();
}

void KillTest::WindowStaysUsableWhenTheBoardDiesUnderARequestLoop()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    temp_ = std::make_unique<CTempFolder>();
    qputenv("TMPDIR", QByteArray::fromStdString(temp_->Path()));
    const std::string link = temp_->File("board");
    AppSettings::SetCommandTimeout(3000);
    AppSettings::SetComPortForRun(link);
    CRecordingPrompt prompt;
    CScopedPrompt prompt_scope(prompt);

    std::string program = ExecutableDir() + "/zov-boardsim";
    std::string link_option = "--link";
    std::string link_arg = link;
    char* argv[] = {program.data(), link_option.data(), link_arg.data(), nullptr};
    const std::string ready_file = temp_->File("board.out");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, ready_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t board = -1;
    QCOMPARE(posix_spawn(&board, argv[0], &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    QTRY_VERIFY(ReadFileText(ready_file).rfind("ready ", 0) == 0);

    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"));
    auto* view = qobject_cast<CScriptView*>(frame.CurrentView());
    QVERIFY(view != nullptr);
    QTRY_VERIFY(view->Link()->IsConnected());
    CScriptWindow* window = view->ScriptWindow();
    QSignalSpy ended(window, &CScriptWindow::ScriptEnded);
    window->Editor()->setText(QStringLiteral(
        "print('looping')\n"
        "local failed = {}\n"
        "for i = 1, 1000000 do\n"
        "  local ok, link = R(0x2013, 1)\n"
        "  if ok ~= 1 then failed[link] = (failed[link] or 0) + 1 end\n"
        "end\n"
        "for link, count in pairs(failed) do print('link status ' .. link) end\n"));
    QVERIFY(window->RunScript());
    QTRY_VERIFY(window->OutputPane()->toPlainText().contains(QStringLiteral("\nlooping\n")));

    // The event loop's longest pause from the kill on.
    QElapsedTimer since_tick;
    qint64 longest_gap_ms = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, &frame, [&] {
        longest_gap_ms = std::max(longest_gap_ms, since_tick.restart());
    });
    since_tick.start();
    ticker.start(10);
    kill(board, SIGKILL);
    waitpid(board, nullptr, 0);
    // As when a USB adapter is pulled, the device is gone for good: the killed board leaves its
    // link behind, and the pseudo-terminal's number may soon serve another program's terminal.
    unlink(link.c_str());

    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Disconnected"));
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail),
             QString::fromStdString(link + ": Input/output error"));
    // The rest of the loop fails at once; should it not end soon, Stop ends it at once.
    QElapsedTimer ending;
    ending.start();
    bool stopped = false;
    if (!ended.wait(5000)) {
        window->StopButton()->click();
        stopped = true;
        QVERIFY(ended.wait(1000));
    }
    const qint64 end_ms = ending.elapsed();
    // The event loop keeps turning while the last slices of the log drain.
    QTRY_COMPARE(CZovLogging::Instance().Count(), size_t{0});
    ticker.stop();

    const QString log = frame.ToolLogWindow()->Edit()->toPlainText();
    QStringList told;
    for (const QString& line : log.split(QLatin1Char('\n'))) {
        if (line.contains(QStringLiteral("the port failed"))) told << line;
    }
    QVERIFY2(told.size() == 1, qPrintable(told.join(QLatin1Char('\n'))));
    const QString output = window->OutputPane()->toPlainText();
    // After the separator and "looping": the failed calls' note, folded into one line and a
    // count, then the statuses the script counted or, when Stop ended a slow loop, the stop.
    int notes = 0;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2)) {
        if (line.startsWith(QStringLiteral("line 4: R failed: ")) ||
            line.startsWith(QStringLiteral("  (the same again "))) {
            ++notes;
            continue;
        }
        if (stopped && line == QStringLiteral("Script stopped.")) continue;
        QVERIFY2(line == QStringLiteral("link status 3") || line == QStringLiteral("link status 4"),
                 qPrintable(output));
    }
    QVERIFY2(notes >= 1 && notes <= 4, qPrintable(output));
    const long peak_kb = PeakMemoryKb();
    qInfo("figures: longest event-loop gap %lld ms, script ended %lld ms after the port went down, "
          "peak memory %ld kB, tool log %lld lines%s",
          static_cast<long long>(longest_gap_ms), static_cast<long long>(end_ms), peak_kb,
          static_cast<long long>(frame.ToolLogWindow()->Edit()->LineCount()),
          stopped ? " (stopped)" : "");
    QVERIFY2(longest_gap_ms < 100, qPrintable(QStringLiteral("%1 ms").arg(longest_gap_ms)));
    QVERIFY(peak_kb > 0 && peak_kb < 150 * 1024);
    QVERIFY(prompt.Texts().empty());
    AppSettings::SetComPortForRun("");
}

QTEST_MAIN(KillTest)
#include "KillTest.moc"
