// zov_gui_screenshots: opens each window of the tool the way an engineer would see it and saves
// a picture of each, to look at the layout on a real display (run it under Xvfb). Not a test:
// it checks nothing itself.
//
//   zov_gui_screenshots [--simulate] FOLDER   the windows, against the port of the settings or
//                                            the built-in simulated board
//   zov_gui_screenshots --root FILE.png   a picture of the whole screen (another program's window)

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QHelpEvent>
#include <QToolTip>
#include <QToolBar>
#include <QLineEdit>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <Qsci/qsciscintilla.h>

#include "BoardSimulator.h"
#include "gui/frame/AboutDlg.h"
#include "gui/widgets/DataViewerDialog.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/download/SwDownloadDialog.h"
#include "gui/download/SwDownloadView.h"
#include "gui/frame/MainFrame.h"
#include "gui/script/ScriptView.h"
#include "gui/script/ScriptWindow.h"
#include "gui/logs/SetLogLevelDlg.h"
#include "gui/logs/ZelApplicationLogModule.h"
#include "gui/logs/ZovLogWindow.h"
#include "logging/ZelApplicationLogging.h"
#include "logging/ZovLogging.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/SystemTime.h"
#include "shell/AppSettings.h"

namespace {

void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Save(QWidget& widget, const QString& folder, const char* name)
{
    Pause(300);
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

int GrabRoot(const QString& path)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr || !screen->grabWindow(0).save(path)) {
        std::fprintf(stderr, "could not grab the screen into %s\n", qPrintable(path));
        return 1;
    }
    std::printf("saved %s\n", qPrintable(path));
    return 0;
}

// Runs text in the Scripting view and waits up to 20 s for it to end.
void RunScript(CMainFrame& frame, const QString& text)
{
    auto* view = qobject_cast<CScriptView*>(frame.CurrentView());
    if (view == nullptr) {
        return;
    }
    CScriptWindow* window = view->ScriptWindow();
    window->Editor()->setText(text);
    QEventLoop loop;
    QObject::connect(window, &CScriptWindow::ScriptEnded, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (window->RunScript()) {
        loop.exec();
    }
}

void FillLogs()
{
    SystemTime now = LocalNow();
    CZelApplicationLogging::ZelApplicationLogEntry entry;
    entry.component_id = 6;
    entry.severity = 3;
    entry.time_stamp = now;
    entry.text = "Camera head temperature nominal";
    CZelApplicationLogging::Instance().AddEntry(entry);
    Notify::Post(kNotifySubsystemEvent, 1);
    Notify::Post(kNotifySubsystemEvent, 2);
    LogZelWarning("ZelFlSendApplicationData", "retry 1 of 4");
    LogZelFrame("ZelPsReadFrame: ", "$01Dc 0x0012 0x00 0x17 Ib: FPGA Type: 2 Rev: 712\r");
    LogScriptText("A long script line " + std::string(160, '-') + " that ends far to the right");
    LogScriptText("Script \"script\" ended.");
}

int TakeAll(const QString& folder, bool simulate)
{
    CGuiPrompt prompt;
    CScopedPrompt prompt_scope(prompt);
    // The line at its real speed, so that a download lasts long enough for the picture of the
    // views it greys out.
    BoardSimOptions options;
    options.baud_emulation = true;
    CBoardSimulator simulator{options};
    QString simulated_port;
    if (simulate) {
        std::string error;
        if (!simulator.Start(&error)) {
            std::fprintf(stderr, "the simulated board did not start: %s\n", error.c_str());
            return 1;
        }
        AppSettings::SetComPortForRun(simulator.DevicePath());
        simulated_port = QString::fromStdString(simulator.DevicePath());
    }
    CMainFrame frame(&prompt, simulated_port);
    frame.resize(1000, 720);
    frame.show();
    int failures = 0;
    frame.ChangeView(kViewScripting);
    RunScript(frame, QStringLiteral("-- The version of component 6, and an object the board lacks\r\n"
                                    "print(ZelVerGetComponentVersion(6))\r\n"
                                    "print(R(0x9999, 1))\r\n"));
    failures += !Save(frame, folder, "scripting.png");
    RunScript(frame, QStringLiteral("-- A mistake: the function name is misspelt\r\n"
                                    "local ok, level = ZelCmdGetLogLevel()\r\n"
                                    "print('log level', level)\r\n"
                                    "ZelCmdSelectLoglevel(3)\r\n"));
    failures += !Save(frame, folder, "scripting_error.png");
    frame.resize(500, 550);
    failures += !Save(frame, folder, "scripting_narrow.png");
    frame.resize(1000, 720);

    frame.ChangeView(kViewPreferences);
    failures += !Save(frame, folder, "preferences.png");

    if (frame.ChangeView(kViewSwDownload)) {
        if (auto* download = qobject_cast<CSwDownloadView*>(frame.CurrentView())) {
            download->Page()->FileNameEdit()->setText(
                QString::fromStdString(SupportFile("Samples/SampleFirmware.hex")));
            download->Page()->VerifyBox()->setChecked(true);
        }
        failures += !Save(frame, folder, "download.png");
    }

    for (QAction* action : frame.menuBar()->actions()) {
        if (action->menu() != nullptr && action->text() == QStringLiteral("&View")) {
            action->menu()->popup(frame.mapToGlobal(QPoint(40, 20)));
            failures += !Save(*action->menu(), folder, "view_menu.png");
            action->menu()->hide();
        }
        if (action->menu() != nullptr && action->text() == QStringLiteral("&Help")) {
            action->menu()->popup(frame.mapToGlobal(QPoint(80, 20)));
            failures += !Save(*action->menu(), folder, "help_menu.png");
            action->menu()->hide();
        }
    }

    // The tooltip of a view that cannot be chosen, as the mouse over its toolbar button shows it:
    // while a download runs on the simulated board (its boot-mode question answered with OK), the
    // other views are greyed out. The download is aborted afterwards.
    if (simulate && frame.ChangeView(kViewSwDownload)) {
        auto* download = qobject_cast<CSwDownloadView*>(frame.CurrentView());
        CRecordingPrompt answers;
        CScopedPrompt answers_scope(answers);
        QAction* configuration = frame.ViewAction(kViewConfiguration);
        QWidget* button = frame.findChild<QToolBar*>()->widgetForAction(configuration);
        if (download != nullptr && button != nullptr &&
            download->StartDownload(QString::fromStdString(SupportFile("Samples/SampleFirmware.hex")), true)) {
            QElapsedTimer waited;
            waited.start();
            while (configuration->isEnabled() && waited.elapsed() < 20000) {
                Pause(20);
            }
            // The pointer rests on the button: the help event is what the toolkit sends then.
            frame.activateWindow();  // the toolkit shows tooltips in the active window only
            Pause(300);
            const QPoint centre = button->rect().center();
            QCursor::setPos(button->mapToGlobal(centre));
            QHelpEvent rest(QEvent::ToolTip, centre, button->mapToGlobal(centre));
            QApplication::sendEvent(button, &rest);
            Pause(800);
            std::printf("tooltip of %s: \"%s\", shown: %d, download running: %d\n",
                        qPrintable(configuration->text()), qPrintable(configuration->toolTip()),
                        QToolTip::isVisible(), download->IsDownloading());
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                const QPoint corner = frame.mapToGlobal(QPoint(0, 0));
                const bool saved = screen->grabWindow(0, corner.x(), corner.y(), 600, 140)
                                       .save(folder + QStringLiteral("/view_tooltip.png"));
                failures += !saved;
                std::printf("%s %s/view_tooltip.png\n", saved ? "saved" : "FAILED", qPrintable(folder));
            }
            QCursor::setPos(frame.mapToGlobal(QPoint(500, 400)));
            QEventLoop ended;
            QObject::connect(download, &CSwDownloadView::DownloadEnded, &ended, &QEventLoop::quit);
            QTimer::singleShot(60000, &ended, &QEventLoop::quit);
            download->AbortDownload();
            if (download->IsDownloading()) {
                ended.exec();
            }
        }
    }

    FillLogs();
    Pause(300);
    frame.ToolLogWindow()->show();
    failures += !Save(*frame.ToolLogWindow(), folder, "tool_log.png");
    frame.ToolLogWindow()->hide();
    frame.ApplicationLogWindow()->ShowWindow();
    failures += !Save(*frame.ApplicationLogWindow(), folder, "events.png");
    frame.ApplicationLogWindow()->hide();

    CAboutDlg about(&frame);
    about.show();
    failures += !Save(about, folder, "about.png");
    about.hide();

    std::vector<uint8_t> bytes;
    for (int i = 0; i < 40; ++i) {
        bytes.push_back(static_cast<uint8_t>(i * 7 + 20));
    }
    CDataViewerDialog viewer(QStringLiteral("DCM input functions"), bytes, &frame);
    viewer.show();
    failures += !Save(viewer, folder, "data_viewer.png");
    viewer.hide();

    frame.ChangeView(kViewScripting);
    if (CSerialCommHandler* handler = frame.CurrentView()->CommHandler()) {
        CSetLogLevelDlg level(*handler, &frame);
        level.show();
        failures += !Save(level, folder, "log_level.png");
        level.hide();
    }
    failures += !Save(frame, folder, "scripting_again.png");
    frame.close();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && std::string(argv[1]) == "--root") {
        return GrabRoot(QString::fromLocal8Bit(argv[2]));
    }
    const bool simulate = argc == 3 && std::string(argv[1]) == "--simulate";
    if (argc != 2 && !simulate) {
        std::fprintf(stderr, "usage: zov_gui_screenshots [--simulate] FOLDER | --root FILE.png\n");
        return 2;
    }
    return TakeAll(QString::fromLocal8Bit(argv[argc - 1]), simulate);
}
