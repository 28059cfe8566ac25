// The main window: start view, view changes, command states, placement, and notifications
// posted from worker threads reaching the status bar and the log windows.

#include <thread>

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QLabel>
#include <QTest>
#include <Qsci/qsciscintilla.h>

#include "TestSupport.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ViewLink.h"
#include "gui/widgets/MyEdit.h"
#include "gui/script/ScriptView.h"
#include "gui/script/ScriptWindow.h"
#include "gui/logs/ZelApplicationLogModule.h"
#include "gui/logs/ZovLogWindow.h"
#include "gui/frame/ZovView.h"
#include "logging/ZelApplicationLogging.h"
#include "logging/ZovLogging.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void StartView_data();
    void StartView();
    void ChoosingTheShownViewKeepsItsPage();
    void OtherViewIsCreatedAtTheSameRectangle();
    void ViewCommandsOfUnbuiltViewsStayDisabled();
    void ZelBuffersFollowsTheView();
    void CompletionFlagsOutliveTheViews();
    void PlacementStoresOnlyPositiveCoordinates();
    void RestoredPlacementKeepsTheMinimumSize();
    void ClosingStoresViewAndPlacement();
    void WorkerNotificationsReachStatusBarAndLogWindows();
    void ConnectionTextIsShownAsSent();
    void BarsToggleAndLogWindowsOpen();
    void TypedScriptSurvivesAnotherView();
    void ViewChangesWhileTheLinksPortMessageIsOpen();
    void ReconnectWorksOnTheCurrentViewsLink();

private:
    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> temp_;
    std::unique_ptr<CSleepHook> no_sleep_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
};

namespace {

// No board: the handler of the Scripting view fails to open this port, says so, and stays
// unconnected, so views come and go without waiting for replies.
constexpr char kNoPort[] = "/nonexistent/zovtool-test-port";
constexpr char kPortMessage[] =
    "COM port could not be opened.\r\nSelect View->Preferences to change the COM port.";

QStringList Lines(const CMyEdit& edit)
{
    return edit.toPlainText().split(QLatin1Char('\n'));
}

}  // namespace

void MainFrameTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    AppSettings::SetComPort(kNoPort);
    temp_ = std::make_unique<CTempFolder>();
    qputenv("TMPDIR", QByteArray::fromStdString(temp_->Path()));
    no_sleep_ = std::make_unique<CSleepHook>([](uint32_t) {});
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
    CZovLogging::Instance().Clear();
}

void MainFrameTest::cleanup()
{
    prompt_scope_.reset();
    prompt_.reset();
    no_sleep_.reset();
    qunsetenv("TMPDIR");
    temp_.reset();
    settings_.reset();
}

void MainFrameTest::StartView_data()
{
    QTest::addColumn<int>("stored");  // -1: missing
    QTest::addColumn<int>("expected");
    QTest::newRow("missing") << -1 << 1;
    QTest::newRow("0 is Scripting") << 0 << 1;
    QTest::newRow("Scripting") << 1 << 1;
    QTest::newRow("Configuration") << 3 << 3;
    QTest::newRow("Preferences") << 6 << 6;
    QTest::newRow("out of range") << 7 << 1;
    QTest::newRow("Tests") << 5 << 5;
}

void MainFrameTest::StartView()
{
    QFETCH(int, stored);
    QFETCH(int, expected);
    if (stored >= 0) {
        AppSettings::SetLastShownView(static_cast<uint32_t>(stored));
    }
    CMainFrame frame;
    QCOMPARE(frame.CurrentViewNumber(), expected);
    QVERIFY(frame.CurrentView() != nullptr);
    QCOMPARE(frame.CurrentView()->Number(), expected);
    QVERIFY(frame.ViewAction(expected)->isChecked());
}

void MainFrameTest::ChoosingTheShownViewKeepsItsPage()
{
    AppSettings::SetLastShownView(kViewScripting);
    CMainFrame frame;
    QTRY_COMPARE(prompt_->Texts(), std::vector<std::string>({kPortMessage}));
    QPointer<CZovView> first = frame.CurrentView();
    frame.ViewAction(kViewScripting)->trigger();
    QCOMPARE(frame.CurrentView(), first.data());
    // The same view's handler was not recreated: no second attempt to open the port.
    QCOMPARE(prompt_->Texts().size(), size_t{1});

    frame.ViewAction(kViewPreferences)->trigger();
    QVERIFY(first.isNull());
    QCOMPARE(frame.CurrentViewNumber(), int{kViewPreferences});
    frame.ViewAction(kViewScripting)->trigger();
    QCOMPARE(frame.CurrentViewNumber(), int{kViewScripting});
    QVERIFY(qobject_cast<CScriptView*>(frame.CurrentView()) != nullptr);
    QTRY_COMPARE(prompt_->Texts().size(), size_t{2});
}

void MainFrameTest::OtherViewIsCreatedAtTheSameRectangle()
{
    AppSettings::SetLastShownView(kViewPreferences);
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const QRect before = frame.CurrentView()->geometry();
    QVERIFY(before.width() > 0);
    QVERIFY(frame.ChangeView(kViewScripting));
    QCOMPARE(frame.CurrentView()->geometry(), before);
    QVERIFY(!frame.ChangeView(9));
    QCOMPARE(frame.CurrentViewNumber(), int{kViewScripting});
}

void MainFrameTest::ViewCommandsOfUnbuiltViewsStayDisabled()
{
    AppSettings::SetLastShownView(kViewPreferences);
    CMainFrame frame;
    const auto enabled = [&frame] {
        QList<bool> states;
        for (int n = 1; n <= kViewCount; ++n) {
            states << frame.ViewAction(n)->isEnabled();
        }
        return states;
    };
    // The views of this build: their commands follow the notification, the others stay off.
    QList<bool> built;
    for (const tagViewEntry& entry : ViewTable()) {
        built << (entry.create != nullptr);
    }
    QCOMPARE(enabled(), built);
    // A view that cannot be chosen says why in its tooltip.
    for (const tagViewEntry& entry : ViewTable()) {
        const QString name = QString::fromLatin1(entry.menu_text).remove(QLatin1Char('&'));
        QCOMPARE(frame.ViewAction(entry.number)->toolTip(),
                 entry.create != nullptr
                     ? name
                     : name + QStringLiteral(": Not available in this version of the tool yet."));
    }
    Notify::Post(kNotifyViewCommands, 0);
    QTRY_COMPARE(enabled(), QList<bool>({false, false, false, false, false, false}));
    QCOMPARE(frame.ViewAction(kViewScripting)->toolTip(),
             QStringLiteral("Scripting: Not available while the board is in boot mode."));
    Notify::Post(kNotifyViewCommands, 1);
    QTRY_COMPARE(enabled(), built);
    QCOMPARE(frame.ViewAction(kViewScripting)->toolTip(), QStringLiteral("Scripting"));
    // The events window says where events are shown while no view acts on them.
    CZelApplicationLogModule& events = *frame.ApplicationLogWindow();
    QVERIFY(events.Notice()->isVisibleTo(&events));
    QCOMPARE(events.Notice()->text(),
             QStringLiteral("Events are shown while the Calibration or Tests view is open."));
    events.SetEventsHandled(true);
    QVERIFY(!events.Notice()->isVisibleTo(&events));
    frame.ChangeView(kViewScripting);
    QVERIFY(events.Notice()->isVisibleTo(&events));
    QVERIFY(!ViewHandlesSubsystemEvents(kViewPreferences));
    QVERIFY(ViewHandlesSubsystemEvents(kViewCalibration) && ViewHandlesSubsystemEvents(kViewTests));
    // Help > User Guide is there, also as F1.
    QCOMPARE(frame.UserGuideAction()->text(), QStringLiteral("&User Guide"));
    QCOMPARE(frame.UserGuideAction()->shortcut(), QKeySequence(QKeySequence::HelpContents));
}

void MainFrameTest::ZelBuffersFollowsTheView()
{
    AppSettings::SetLastShownView(kViewScripting);
    CMainFrame frame;
    // Without the buffers overview there is nothing to open.
    QVERIFY(!frame.ZelBuffersAction()->isEnabled());
    CSerialCommHandler* opened_on = nullptr;
    frame.SetBuffersOverviewOpener(
        [&opened_on](CSerialCommHandler& handler, QWidget*) { opened_on = &handler; });
    QVERIFY(frame.ZelBuffersAction()->isEnabled());
    frame.ZelBuffersAction()->trigger();
    QVERIFY(opened_on != nullptr);
    QCOMPARE(opened_on, frame.CurrentView()->CommHandler());

    frame.ChangeView(kViewPreferences);
    QVERIFY(!frame.ZelBuffersAction()->isEnabled());
    frame.ChangeView(kViewScripting);
    QVERIFY(frame.ZelBuffersAction()->isEnabled());
}

void MainFrameTest::CompletionFlagsOutliveTheViews()
{
    CMainFrame frame;
    tagCompletionFlags* flags = &frame.CompletionFlags();
    QCOMPARE(*flags, tagCompletionFlags{});
    flags->camera_head = true;
    flags->dose_aec = true;
    const uint16_t instance = frame.InstanceNumber();
    frame.ChangeView(kViewPreferences);
    frame.ChangeView(kViewScripting);
    frame.ChangeView(kViewPreferences);
    QCOMPARE(&frame.CompletionFlags(), flags);
    tagCompletionFlags expected;
    expected.camera_head = true;
    expected.dose_aec = true;
    QCOMPARE(frame.CompletionFlags(), expected);
    QCOMPARE(frame.InstanceNumber(), instance);
}

void MainFrameTest::PlacementStoresOnlyPositiveCoordinates()
{
    using AppSettings::StoredWindow;
    for (const char* side : {"Left", "Top", "Right", "Bottom"}) {
        AppSettings::SetWindowCoordinate(StoredWindow::Main, side, 77);
    }
    // Dragged partly off the left edge: the stored left stays.
    CMainFrame::StorePlacement(QRect(-20, 30, 600, 560));
    AppSettings::StoredRect stored = AppSettings::GetWindowRect(StoredWindow::Main);
    QCOMPARE(stored.left, std::optional<int32_t>(77));
    QCOMPARE(stored.top, std::optional<int32_t>(30));
    QCOMPARE(stored.right, std::optional<int32_t>(580));
    QCOMPARE(stored.bottom, std::optional<int32_t>(590));
    // 0 is not above 0 either.
    CMainFrame::StorePlacement(QRect(0, -600, 500, 550));
    stored = AppSettings::GetWindowRect(StoredWindow::Main);
    QCOMPARE(stored.left, std::optional<int32_t>(77));
    QCOMPARE(stored.top, std::optional<int32_t>(30));
    QCOMPARE(stored.right, std::optional<int32_t>(500));
    QCOMPARE(stored.bottom, std::optional<int32_t>(590));
}

void MainFrameTest::RestoredPlacementKeepsTheMinimumSize()
{
    using AppSettings::StoredWindow;
    const QRect fallback(10, 20, 900, 700);
    QCOMPARE(CMainFrame::RestoredPlacement(fallback), fallback);
    AppSettings::SetWindowCoordinate(StoredWindow::Main, "Left", 100);
    AppSettings::SetWindowCoordinate(StoredWindow::Main, "Bottom", 820);
    QCOMPARE(CMainFrame::RestoredPlacement(fallback), QRect(100, 20, 810, 800));
    AppSettings::SetWindowCoordinate(StoredWindow::Main, "Right", 300);
    QCOMPARE(CMainFrame::RestoredPlacement(fallback), QRect(100, 20, 500, 800));
    CMainFrame frame;
    QVERIFY(frame.minimumWidth() >= CMainFrame::kMinimumWidth);
    QVERIFY(frame.minimumHeight() >= CMainFrame::kMinimumHeight);
}

void MainFrameTest::ClosingStoresViewAndPlacement()
{
    auto frame = std::make_unique<CMainFrame>();
    frame->ChangeView(kViewPreferences);
    frame->setGeometry(120, 140, 640, 600);
    frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    frame->close();
    QVERIFY(frame->CurrentView() == nullptr);
    frame.reset();
    QCOMPARE(AppSettings::GetLastShownView(), uint32_t{kViewPreferences});
    const AppSettings::StoredRect stored = AppSettings::GetWindowRect(AppSettings::StoredWindow::Main);
    QVERIFY(stored.left && stored.top && stored.right && stored.bottom);
    QCOMPARE(*stored.right - *stored.left, 640);
    QCOMPARE(*stored.bottom - *stored.top, 600);
}

void MainFrameTest::WorkerNotificationsReachStatusBarAndLogWindows()
{
    AppSettings::SetLastShownView(kViewPreferences);
    CMainFrame frame;
    CZelApplicationLogging::ZelApplicationLogEntry entry;
    entry.text = "Camera head ready";
    entry.component_id = 3;
    entry.severity = 2;
    entry.time_stamp.year = 2026;
    entry.time_stamp.month = 3;
    entry.time_stamp.day = 9;
    entry.time_stamp.hour = 14;
    entry.time_stamp.minute = 5;
    entry.time_stamp.second = 6;
    entry.time_stamp.milliseconds = 7;

    std::thread worker([&entry] {
        Notify::Post(kNotifyConnection, 1, "/dev/pts/9");
        LogZelError("ZelSpInit", "no answer");
        LogZelFrame(">", "1A 02");  // frames are off by default
        Notify::Post(kNotifyLoggingFlags, kLogFrames);
        CZelApplicationLogging::Instance().AddEntry(entry);
        Notify::Post(kNotifySubsystemEvent, 1);
        Notify::Post(kNotifySubsystemEvent, 2);
        Notify::Post(kNotifySubsystemEvent, 3);
        Notify::Post(kNotifySubsystemEvent, 9);
    });
    worker.join();
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"));
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail), QStringLiteral("/dev/pts/9"));
    QTRY_COMPARE(frame.ApplicationLogWindow()->Edit()->LineCount(), 3);
    const QString date = QLocale().toString(QDate(2026, 3, 9), QLocale::ShortFormat);
    QCOMPARE(Lines(*frame.ApplicationLogWindow()->Edit()),
             QStringList({date + " 14:05:06.007 - Component 3 - Level 2 - Camera head ready",
                          "ERROR: Not ready for acquisition. (Some device failure)",
                          "ERROR: Runtime failure during calibration or test."}));
    const QStringList log = Lines(*frame.ToolLogWindow()->Edit());
    QCOMPARE(log.size(), 1);
    QVERIFY(log[0].endsWith(QStringLiteral(" ERROR: Function ZelSpInit, no answer")));

    // The new flags came after the frame entry was queued and drained; the next frame shows.
    std::thread([] { LogZelFrame("<", "06"); }).join();
    QTRY_COMPARE(frame.ToolLogWindow()->Edit()->LineCount(), 2);
    QVERIFY(Lines(*frame.ToolLogWindow()->Edit())[1].endsWith(QStringLiteral(" Frame: <06")));

    std::thread([] { Notify::Post(kNotifyConnection, 0, ""); }).join();
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection),
                 QStringLiteral("Disconnected"));
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail), QString());
}

void MainFrameTest::ConnectionTextIsShownAsSent()
{
    CMainFrame frame;
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Disconnected"));
    Notify::Post(kNotifyConnection, 1, "COM1");
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail), QStringLiteral("COM1"));
}

void MainFrameTest::BarsToggleAndLogWindowsOpen()
{
    CMainFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QAction* toolbar = nullptr;
    QAction* status_bar = nullptr;
    for (QAction* action : frame.findChildren<QAction*>()) {
        if (action->text() == QStringLiteral("&Toolbar")) {
            toolbar = action;
        } else if (action->text() == QStringLiteral("&Status Bar")) {
            status_bar = action;
        }
    }
    QVERIFY(toolbar != nullptr && status_bar != nullptr);
    QVERIFY(frame.statusBar()->isVisible());
    status_bar->trigger();
    QVERIFY(!frame.statusBar()->isVisible());
    status_bar->trigger();
    QVERIFY(frame.statusBar()->isVisible());
    auto* bar = frame.findChild<QToolBar*>(QStringLiteral("Toolbar"));
    QVERIFY(bar != nullptr && bar->isVisible());
    toolbar->trigger();
    QVERIFY(!bar->isVisible());

    frame.LoggingAction()->trigger();
    QVERIFY(frame.ToolLogWindow()->isVisible());
    frame.LoggingAction()->trigger();
    QVERIFY(!frame.ToolLogWindow()->isVisible());
    frame.EventsAction()->trigger();
    QVERIFY(frame.ApplicationLogWindow()->isVisible());
}

void MainFrameTest::TypedScriptSurvivesAnotherView()
{
    CMainFrame frame;
    auto* view = qobject_cast<CScriptView*>(frame.CurrentView());
    QVERIFY(view != nullptr);
    const QString script = QStringLiteral("print(ZelCmdGetLogLevel())\r\n");
    view->ScriptWindow()->Editor()->setText(script);
    frame.ChangeView(kViewPreferences);
    frame.ChangeView(kViewScripting);
    view = qobject_cast<CScriptView*>(frame.CurrentView());
    QVERIFY(view != nullptr);
    QCOMPARE(view->ScriptWindow()->Editor()->text(), script);
}

// The link's port message comes from its worker and is shown by the window's prompt, whose box
// runs its own event loop: the engineer may choose another view meanwhile. The view goes at once
// (its link's question is answered for it) and the window stays whole.
void MainFrameTest::ViewChangesWhileTheLinksPortMessageIsOpen()
{
    CGuiPrompt gui_prompt;
    CScopedPrompt scope(gui_prompt);
    AppSettings::SetLastShownView(kViewPreferences);
    CMainFrame frame(&gui_prompt);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QString seen;
    bool changed_meanwhile = false;
    QTimer engineer;
    connect(&engineer, &QTimer::timeout, &frame, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !seen.isEmpty()) {
            return;
        }
        seen = box->text();
        changed_meanwhile = frame.ChangeView(kViewPreferences);
        box->accept();
    });
    engineer.start(10);
    QVERIFY(frame.ChangeView(kViewScripting));
    // The window did not wait for the link: the view is there before any box.
    QCOMPARE(frame.CurrentViewNumber(), int{kViewScripting});
    QTRY_COMPARE(seen, QString::fromLatin1(kPortMessage));
    QVERIFY(changed_meanwhile);
    QCOMPARE(frame.CurrentViewNumber(), int{kViewPreferences});
    QVERIFY(!frame.ReconnectAction()->isEnabled());
    frame.close();
    QTRY_VERIFY(!frame.isVisible());
}

void MainFrameTest::ReconnectWorksOnTheCurrentViewsLink()
{
    AppSettings::SetLastShownView(kViewPreferences);
    CMainFrame frame;
    QVERIFY(!frame.ReconnectAction()->isEnabled());
    QCOMPARE(frame.ReconnectAction()->shortcut(), QKeySequence(Qt::Key_F6));
    frame.ChangeView(kViewScripting);
    QVERIFY(frame.ReconnectAction()->isEnabled());
    CViewLink* link = frame.CurrentView()->Link();
    QVERIFY(link != nullptr);
    QCOMPARE(frame.CurrentView()->CommHandler(), &link->Handler());
    QTRY_COMPARE(prompt_->Texts().size(), size_t{1});
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail),
                 QStringLiteral("%1: No such file or directory").arg(QLatin1String(kNoPort)));
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Disconnected"));
    // The engineer asks again: the link tries the port anew, with the same handler.
    CSerialCommHandler* handler = frame.CurrentView()->CommHandler();
    frame.ReconnectAction()->trigger();
    QTRY_COMPARE(prompt_->Texts().size(), size_t{2});
    QCOMPARE(frame.CurrentView()->CommHandler(), handler);

    Notify::Post(kNotifyConnection, kConnectionConnecting, "COM3");
    QTRY_COMPARE(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connecting to COM3..."));
    QCOMPARE(frame.StatusPaneText(CMainFrame::kPaneDetail), QString());
}

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
