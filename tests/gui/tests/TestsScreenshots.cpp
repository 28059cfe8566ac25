// zov_tests_screenshots FOLDER: the Tests view, its result boxes, the four test dialogs in their
// telling states (the average video level with a level that moves for some seconds) and the
// buffers overview, against the built-in simulated board with the tests bench scenario, saved as
// pictures to look at their layout (texts fit, nothing cut off). Not a test: it checks nothing.

#include <cstdio>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "gui/calibrate/ProcedureDialog.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ViewTable.h"
#include "gui/tests/AverageVideoLevelDialog.h"
#include "gui/tests/BuffersDlg.h"
#include "gui/tests/TestDialog.h"
#include "gui/tests/TestView.h"
#include "platform/Prompt.h"
#include "procedures/AverageVideoLevelProcedure.h"
#include "shell/AppSettings.h"

namespace {

using namespace ProcedureControl;

void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

template <typename F>
void WaitFor(F done, int limit_ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limit_ms) Pause(10);
}

void Save(QWidget& widget, const QString& folder, const char* name)
{
    Pause(300);
    const QString path = folder + "/" + name;
    std::printf("%s %s (%dx%d)\n", widget.grab().save(path) ? "saved" : "FAILED", qPrintable(path), widget.width(),
                widget.height());
}

void Press(CProcedureDialog& dialog, int times = 1)
{
    for (int i = 0; i < times; ++i) {
        WaitFor([&] { return !dialog.IsBusy(); });
        qobject_cast<QPushButton*>(dialog.Control(kStart))->click();
        WaitFor([&] { return !dialog.IsBusy(); });
    }
}

void Leave(CProcedureDialog& dialog)
{
    dialog.reject();
    WaitFor([&] { return !dialog.isVisible(); });
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zov_tests_screenshots SCENARIO.ini FOLDER\n");
        return 2;
    }
    const QString folder = argv[2];
    CScopedSettingsFile settings;
    CRecordingPrompt prompt;
    CScopedPrompt prompt_scope(prompt);
    BoardSimOptions options;
    options.scenario_file = argv[1];
    options.trace_sink = [](const std::string&) {};
    CBoardSimulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    AppSettings::SetComPortForRun(sim.DevicePath());
    AppSettings::SetCommandTimeout(5000);
    AppSettings::SetLastShownView(kViewTests);

    CMainFrame frame(nullptr, QString::fromStdString(sim.DevicePath()));
    frame.SetBuffersOverviewOpener(BuffersOverviewOpener(nullptr));
    frame.resize(1000, 720);
    frame.show();
    auto* view = qobject_cast<CTestView*>(frame.CurrentView());
    CTestDialog* hub = view->Hub();
    WaitFor([&] { return !hub->Reading() && hub->SelfTestErrorLabel()->isVisible(); });
    Save(frame, folder, "tests-view-self-test-error.png");

    // The result boxes, shown without their modal loop.
    std::unique_ptr<QMessageBox> box;
    hub->SetBoxShower([&](const std::string& text, PromptIcon icon) {
        QString shown = QString::fromStdString(text);
        shown.replace("\r\n", "\n");
        box = std::make_unique<QMessageBox>(icon == PromptIcon::Error ? QMessageBox::Critical
                                                                      : QMessageBox::Information,
                                            kPromptTitle, shown, QMessageBox::Ok, &frame);
        box->show();
    });
    hub->PostButton()->click();
    WaitFor([&] { return box != nullptr; });
    Save(*box, folder, "post-result-errors.png");
    box.reset();
    hub->PostButton()->click();
    WaitFor([&] { return box != nullptr; });
    Save(*box, folder, "post-result-passed.png");
    box.reset();
    Save(frame, folder, "tests-view.png");

    CSerialCommHandler& handler = hub->Handler();
    {
        CBuffersDlg buffers(handler, nullptr, &frame);
        buffers.show();
        WaitFor([&] { return buffers.DumpEnded(); });
        Save(buffers, folder, "buffers-overview.png");
    }
    hub->SetDialogRunner([&](CProcedureDialog& dialog) {
        dialog.show();
        WaitFor([&] { return !dialog.IsBusy(); });
        const std::string title = dialog.windowTitle().toStdString();
        if (title == "Video Path test") {
            Save(dialog, folder, "video-path-start.png");
            Press(dialog);
            Save(dialog, folder, "video-path-acqui.png");
            Press(dialog);
            Save(dialog, folder, "video-path-finished.png");
        } else if (title == "Average Video Level test") {
            Save(dialog, folder, "average-video-level-start.png");
            Press(dialog);
            Pause(12000);  // the level moves towards its target and swings
            Save(dialog, folder, "average-video-level-relative.png");
            Press(dialog);
            Save(dialog, folder, "average-video-level-finished.png");
        } else if (title == "Dose Link test") {
            Press(dialog);
            Save(dialog, folder, "dose-link-dotest.png");
            Press(dialog);
        } else {
            Press(dialog);
            Save(dialog, folder, "cosmetic-check-dotest.png");
            Press(dialog);
        }
        Leave(dialog);
        return dialog.result();
    });
    for (size_t i = 0; i < kTestCount; ++i) hub->TestButton(i)->click();
    {
        // The absolute mode, with its note.
        CAverageVideoLevelDialog level(true, handler, false, &frame);
        level.show();
        WaitFor([&] { return !level.IsBusy(); });
        qobject_cast<QRadioButton*>(level.Control(AverageVideoLevelControl::kAbsolute))->click();
        Press(level);
        Pause(8000);
        Save(level, folder, "average-video-level-absolute.png");
        Leave(level);
    }
    frame.close();
    sim.Stop();
    std::printf("prompts: %zu\n", prompt.Texts().size());
    for (const std::string& text : prompt.Texts()) std::printf("  %s\n", text.c_str());
    return 0;
}
