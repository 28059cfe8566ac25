// The calibration dialogs on the offscreen platform against the simulated board: a calibration
// clicked through to FINISHED, a step that waits on a silent board while the window goes on
// and Exit ends it, Exit during the pause before a sub-calibration, and the doserate entry.

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "gui/calibrate/CameraHeadDialog.h"
#include "gui/calibrate/DoseDoserateDialog.h"
#include "gui/calibrate/IIFocusDialog.h"
#include "gui/widgets/ColorStatic.h"
#include "handler/SerialCommHandler.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

using namespace ProcedureControl;

class ProcedureDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void IIFocusClickedToFinishedEndsWithOk();
    void ASilentBoardLeavesTheWindowResponsiveAndExitEndsTheStep();
    void ExitDuringThePauseEndsItAndRestores();
    void LeavingBeforeCompletionEndsWithCancel();
    void TheDoserateEntryIsReadFromTheWindow();
    void TimingRadiosFollowTheProcedure();

private:
    void StartBoard(const std::string& scenario, uint32_t command_timeout_ms);
    QPushButton* Button(CProcedureDialog& dialog, const std::string& name);
    // Clicks Start and waits until the step's job has ended.
    bool ClickStart(CProcedureDialog& dialog);
    bool WaitIdle(CProcedureDialog& dialog, int timeout_ms = 10000);
    bool Received(const std::string& request) const;

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> folder_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    std::unique_ptr<CBoardSimulator> sim_;
    std::unique_ptr<CSerialCommHandler> handler_;
    uint16_t instance_ = 0x0400;
};

void ProcedureDialogTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    folder_ = std::make_unique<CTempFolder>();
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
}

void ProcedureDialogTest::cleanup()
{
    handler_.reset();
    if (sim_) sim_->Stop();
    sim_.reset();
    prompt_scope_.reset();
    prompt_.reset();
    folder_.reset();
    settings_.reset();
}

void ProcedureDialogTest::StartBoard(const std::string& scenario, uint32_t command_timeout_ms)
{
    BoardSimOptions options;
    if (!scenario.empty()) options.scenario_file = folder_->Write("scenario.ini", scenario);
    options.trace_sink = [](const std::string&) {};
    sim_ = std::make_unique<CBoardSimulator>(options);
    std::string error;
    QVERIFY2(sim_->Start(&error), error.c_str());
    AppSettings::SetComPort(sim_->DevicePath());
    AppSettings::SetCommandTimeout(command_timeout_ms);
    handler_ = std::make_unique<CSerialCommHandler>(&instance_, false, nullptr);
    QVERIFY(handler_->IsConnected());
}

QPushButton* ProcedureDialogTest::Button(CProcedureDialog& dialog, const std::string& name)
{
    return qobject_cast<QPushButton*>(dialog.Control(name));
}

bool ProcedureDialogTest::WaitIdle(CProcedureDialog& dialog, int timeout_ms)
{
    QElapsedTimer timer;
    timer.start();
    while (dialog.IsBusy() && timer.elapsed() < timeout_ms) QTest::qWait(5);
    return !dialog.IsBusy();
}

bool ProcedureDialogTest::ClickStart(CProcedureDialog& dialog)
{
    if (!WaitIdle(dialog)) return false;
    QPushButton* start = Button(dialog, kStart);
    if (start == nullptr || !start->isEnabled() || !start->isVisible()) return false;
    QTest::mouseClick(start, Qt::LeftButton);
    return WaitIdle(dialog);
}

bool ProcedureDialogTest::Received(const std::string& request) const
{
    for (const std::string& message : sim_->ReceivedMessages()) {
        const size_t first = message.find(' ');
        const size_t second = message.find(' ', first + 1);
        if (second != std::string::npos && message.substr(0, first) + message.substr(second) == request) return true;
    }
    return false;
}

void ProcedureDialogTest::IIFocusClickedToFinishedEndsWithOk()
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=380\n", 5000);
    CIIFocusDialog dialog(*handler_, false, nullptr);
    dialog.show();
    QVERIFY(WaitIdle(dialog));
    QCOMPARE(dialog.windowTitle(), QString("II-focus calibration"));
    QCOMPARE(Button(dialog, kStart)->text(), QString("Start Calibration"));
    QVERIFY(!Button(dialog, kDetails)->isVisible());
    auto* formats = qobject_cast<QLabel*>(dialog.Control(kFormats));
    QCOMPARE(formats->text(), QString("Calibrated II-formats:"));
    const char* states[] = {"ANNOUNCE", "STARTCAL", "STOPCAL", "STORECAL", "FINISHED"};
    for (const char* state : states) {
        QVERIFY2(ClickStart(dialog), state);
        QCOMPARE(QString::fromStdString(dialog.Procedure().StateName()), QString(state));
    }
    QVERIFY(!Button(dialog, kStart)->isVisible());
    QCOMPARE(formats->text(), QString("Calibrated II-formats: 38.0 mm "));
    auto* instruction = qobject_cast<QLabel*>(dialog.Control(kInstruction));
    QVERIFY(instruction->text().startsWith("The II-focus calibration has been stored."));
    QTest::mouseClick(Button(dialog, kExit), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
    QCOMPARE(dialog.result(), kIdOk);
}

void ProcedureDialogTest::ASilentBoardLeavesTheWindowResponsiveAndExitEndsTheStep()
{
    // No command timeout: the validate of ANNOUNCE is never answered and nothing else ends it.
    StartBoard("[Subsystem]\nReceptorFieldSizes=380\n[Results]\nResult1=0x2000, 2, none\n", 0);
    QCOMPARE(handler_->CommandTimeout(), kInfinite);
    CIIFocusDialog dialog(*handler_, false, nullptr);
    dialog.show();
    QVERIFY(ClickStart(dialog));
    QCOMPARE(QString::fromStdString(dialog.Procedure().StateName()), QString("ANNOUNCE"));
    QTest::mouseClick(Button(dialog, kStart), Qt::LeftButton);
    QVERIFY(dialog.IsBusy());
    // The window goes on: timers fire and it repaints while the step waits.
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    QTest::qWait(400);
    QVERIFY(dialog.IsBusy());
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QVERIFY(!Button(dialog, kStart)->isEnabled());
    QVERIFY(Button(dialog, kExit)->isEnabled());
    QCOMPARE(qobject_cast<QLabel*>(dialog.Control(kAction))->text(), QString("Please wait..."));
    QElapsedTimer leaving;
    leaving.start();
    QTest::mouseClick(Button(dialog, kExit), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
    QVERIFY(leaving.elapsed() < 5000);
    QCOMPARE(dialog.result(), kIdCancel);
    // The restore sequence ran after the step: the last request unsets the last preset.
    const std::vector<std::string> messages = sim_->ReceivedMessages();
    QVERIFY(!messages.empty());
    QVERIFY2(messages.back().find("0x2000 0x07 0xff2c01") != std::string::npos, messages.back().c_str());
    // The handler works again for the hub.
    uint32_t code = 0;
    QVERIFY(handler_->ZelCmdStartApplication(&code));
}

void ProcedureDialogTest::ExitDuringThePauseEndsItAndRestores()
{
    StartBoard("[Subsystem]\nReceptorFieldSizes=380\n", 5000);
    CIIFocusDialog dialog(*handler_, false, nullptr);
    dialog.show();
    QVERIFY(ClickStart(dialog));
    QVERIFY(ClickStart(dialog));
    QCOMPARE(QString::fromStdString(dialog.Procedure().StateName()), QString("STARTCAL"));
    QTest::mouseClick(Button(dialog, kStart), Qt::LeftButton);
    QTRY_COMPARE(qobject_cast<QLabel*>(dialog.Control(kAction))->text(), QString("Calibrating. Please wait..."));
    QElapsedTimer leaving;
    leaving.start();
    QTest::mouseClick(Button(dialog, kExit), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
    // The 2000 ms pause did not run out, and sub-calibration 101 was never started.
    QVERIFY2(leaving.elapsed() < 1500, qPrintable(QString::number(leaving.elapsed())));
    QVERIFY(!Received("w 0x2000 0x10 101"));
    QVERIFY(Received("w 0x2000 0x07 0xff0200"));
    QCOMPARE(dialog.result(), kIdCancel);
}

void ProcedureDialogTest::LeavingBeforeCompletionEndsWithCancel()
{
    StartBoard("", 5000);
    CCameraHeadDialog dialog(*handler_, false, nullptr);
    dialog.show();
    QVERIFY(ClickStart(dialog));
    QCOMPARE(QString::fromStdString(dialog.Procedure().StateName()), QString("STOPCAL"));
    dialog.reject();  // the Escape key and the close box come here too
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
    QCOMPARE(dialog.result(), kIdCancel);
    QVERIFY(Received("w 0x2000 0x17 41"));
}

void ProcedureDialogTest::TheDoserateEntryIsReadFromTheWindow()
{
    StartBoard("[Results]\nResult1=0x2000, 16, 0x08000022, 6\n", 5000);
    CDoseDoserateDialog dialog(*handler_, false, nullptr);
    dialog.show();
    QVERIFY(WaitIdle(dialog));
    QWidget* entry = dialog.Control(kDoserateEntry);
    QVERIFY(!entry->isVisible());
    QVERIFY(!dialog.Control(kFormats)->isVisible());
    QVERIFY(ClickStart(dialog));
    QVERIFY(ClickStart(dialog));
    QVERIFY(entry->isVisible());
    auto* edit = entry->findChild<QLineEdit*>();
    QCOMPARE(edit->text(), QString("400"));
    edit->selectAll();
    QTest::keyClicks(edit, "412.37");
    QVERIFY(ClickStart(dialog));
    QVERIFY(Received("w 0x201f 0x06 4123"));
    // Calibration 6 was refused: the failure shows red with Show Details.
    auto* status = qobject_cast<CColorStatic*>(dialog.Control(kStatus));
    QCOMPARE(status->text(), QString("Calibration FAILED"));
    QCOMPARE(status->TextColor(), QColor(255, 0, 0));
    QVERIFY(Button(dialog, kDetails)->isVisible());
    QCOMPARE(Button(dialog, kStart)->text(), QString("Start Calibration"));
    QCOMPARE(QString::fromStdString(dialog.Procedure().DetailsMessage()),
             QString("Start calibration failed. (ZEL result: 0x08000022)"));
    dialog.reject();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
}

void ProcedureDialogTest::TimingRadiosFollowTheProcedure()
{
    StartBoard("", 5000);
    CCameraHeadDialog dialog(*handler_, false, nullptr);
    dialog.show();
    QVERIFY(WaitIdle(dialog));
    auto* internal = qobject_cast<QRadioButton*>(dialog.Control(kInternal));
    auto* external = qobject_cast<QRadioButton*>(dialog.Control(kExternal));
    QVERIFY(internal->isChecked());
    QTest::mouseClick(external, Qt::LeftButton);
    QVERIFY(external->isChecked());
    QVERIFY(!dialog.Procedure().InternalTiming());
    QVERIFY(ClickStart(dialog));
    QVERIFY(Received("w 0x201f 0x1c 0"));
    QVERIFY(!internal->isEnabled());
    QVERIFY(!external->isEnabled());
    dialog.reject();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
}

QTEST_MAIN(ProcedureDialogTest)
#include "ProcedureDialogTest.moc"
