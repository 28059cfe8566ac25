// zov_calibrate_screenshots FOLDER: the Calibration view (its marks before and after two
// calibrations, the question before one opened out of order) and the calibration dialogs in
// their telling states against the built-in simulated board, saved as pictures to look at their
// layout (texts fit, nothing cut off). Not a test: it checks nothing itself.

#include <cstdio>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "gui/calibrate/CalibrateDialog.h"
#include "gui/calibrate/CalibrateView.h"
#include "gui/calibrate/CameraHeadDialog.h"
#include "gui/calibrate/DoseDoserateDialog.h"
#include "gui/calibrate/DoseExposureDialog.h"
#include "gui/calibrate/IIDiameterDialog.h"
#include "gui/calibrate/IIFocusDialog.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ViewTable.h"
#include "gui/tests/BuffersDlg.h"
#include "handler/SerialCommHandler.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

using namespace ProcedureControl;

void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void WaitIdle(CProcedureDialog& dialog)
{
    QElapsedTimer timer;
    timer.start();
    while (dialog.IsBusy() && timer.elapsed() < 20000) Pause(10);
    Pause(100);
}

void Press(CProcedureDialog& dialog, int times = 1)
{
    for (int i = 0; i < times; ++i) {
        WaitIdle(dialog);
        qobject_cast<QPushButton*>(dialog.Control(kStart))->click();
        WaitIdle(dialog);
    }
}

void Save(QWidget& widget, const QString& folder, const char* name)
{
    Pause(200);
    const QString path = folder + "/" + name;
    std::printf("%s %s (%dx%d)\n", widget.grab().save(path) ? "saved" : "FAILED", qPrintable(path), widget.width(),
                widget.height());
}

void Leave(CProcedureDialog& dialog)
{
    dialog.reject();
    QElapsedTimer timer;
    timer.start();
    while (dialog.isVisible() && timer.elapsed() < 20000) Pause(10);
}

// Presses Start until the dialog has reached its last state (at most presses times), then leaves.
int RunToTheEnd(CProcedureDialog& dialog, int presses)
{
    dialog.show();
    WaitIdle(dialog);
    for (int i = 0; i < presses && !dialog.Procedure().IsFinished(); ++i) Press(dialog);
    Leave(dialog);
    return dialog.result();
}

// The Calibration view in the main window: the marks as a new run starts, the question before
// the camera head calibration while II-Focus is not done (answered No), and the marks after
// II-Focus and the camera head calibration have been run to their end.
void TakeHub(const QString& folder, const std::string& port)
{
    AppSettings::SetLastShownView(kViewScripting);
    CMainFrame frame(nullptr, QString::fromStdString(port));
    frame.SetBuffersOverviewOpener(BuffersOverviewOpener(nullptr));  // as the program's main does
    frame.resize(1000, 720);
    frame.show();
    if (!frame.ChangeView(kViewCalibration)) return;
    auto* view = qobject_cast<CCalibrateView*>(frame.CurrentView());
    CCalibrateDialog* hub = view->Page();
    QElapsedTimer timer;
    timer.start();
    while (!hub->CalibrationButton(0)->isEnabled() && timer.elapsed() < 20000) Pause(10);
    Save(frame, folder, "calibration-view.png");

    auto* question = new QTimer(&frame);
    QObject::connect(question, &QTimer::timeout, [question, folder] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        question->stop();
        Save(*box, folder, "calibration-question.png");
        box->button(QMessageBox::No)->click();
    });
    question->start(20);
    hub->CalibrationButton(1)->click();

    hub->SetDialogRunner([](CProcedureDialog& dialog) { return RunToTheEnd(dialog, 20); });
    hub->OpenCalibration(0);
    hub->OpenCalibration(1);
    Save(frame, folder, "calibration-view-marks.png");
    frame.close();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zov_calibrate_screenshots FOLDER\n");
        return 2;
    }
    const QString folder = argv[1];
    CScopedSettingsFile settings;
    CTempFolder temp;
    CRecordingPrompt prompt;
    CScopedPrompt prompt_scope(prompt);
    BoardSimOptions options;
    options.scenario_file = temp.Write("scenario.ini",
                                       "[Subsystem]\nReceptorFieldSizes=380,310,230\n[Validation]\nMinDoserate230=3000\n"
                                       "[Results]\nResult1=0x2000, 18, 0x08000022, 6\n");
    options.trace_sink = [](const std::string&) {};
    CBoardSimulator sim(options);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    AppSettings::SetComPort(sim.DevicePath());
    AppSettings::SetCommandTimeout(5000);
    TakeHub(folder, sim.DevicePath());
    uint16_t instance = 0x0500;
    CSerialCommHandler handler(&instance, false, nullptr);

    {
        CIIFocusDialog focus(handler, false, nullptr);
        focus.show();
        WaitIdle(focus);
        Save(focus, folder, "ii-focus-start.png");
        Press(focus, 7);  // into the third format, whose doserate had to climb
        Save(focus, folder, "ii-focus-announce.png");
        Press(focus, 1);
        Save(focus, folder, "ii-focus-stopcal.png");
        Leave(focus);
    }
    {
        CCameraHeadDialog camera(handler, false, nullptr);
        camera.show();
        WaitIdle(camera);
        Save(camera, folder, "camera-head-start.png");
        Press(camera, 1);
        Save(camera, folder, "camera-head-stopcal.png");
        Leave(camera);
    }
    {
        CIIDiameterDialog diameter(handler, false, nullptr);
        diameter.show();
        WaitIdle(diameter);
        Save(diameter, folder, "ii-diameter-start.png");
        Press(diameter, 1);
        Save(diameter, folder, "ii-diameter-stopcal.png");
        Press(diameter, 2);
        Save(diameter, folder, "ii-diameter-finished.png");
        Leave(diameter);
    }
    {
        CDoseDoserateDialog abc(handler, false, nullptr);
        abc.show();
        WaitIdle(abc);
        Save(abc, folder, "dose-abc-start.png");
        Press(abc, 2);
        Save(abc, folder, "dose-abc-storedose.png");
        Press(abc, 7);
        Save(abc, folder, "dose-abc-second-format.png");
        Press(abc, 6);  // STORECAL is refused by the scenario
        Save(abc, folder, "dose-abc-failed.png");
        Leave(abc);
    }
    {
        CDoseExposureDialog aec(handler, false, nullptr);
        aec.show();
        WaitIdle(aec);
        Press(aec, 2);
        aec.Control(kDoserateEntry)->findChild<QLineEdit*>()->setText("400");
        aec.SetText(kDoserateEntry, "400");
        Save(aec, folder, "dose-aec-entry.png");
        Press(aec, 1);
        Save(aec, folder, "dose-aec-expinfo.png");
        Press(aec, 1);
        Save(aec, folder, "dose-aec-finished.png");
        Leave(aec);
    }
    sim.Stop();
    return 0;
}
