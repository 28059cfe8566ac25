// The Tests view against the simulated board: the hub's self test at start and from its button
// (0, 5 and a failed read), the timing the tests are made with, every test to FINISHED through
// its dialog, and the average video level dialog with its values and plot fed by the polling
// thread, its mode radios locked while the test runs, and closing it while it polls.

#include <algorithm>
#include <set>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

#include "BoardSimulator.h"
#include "BoardTests.h"
#include "TestSupport.h"
#include "gui/calibrate/ProcedureDialog.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ViewTable.h"
#include "gui/frame/ViewLink.h"
#include "gui/tests/AverageVideoLevelDialog.h"
#include "gui/tests/LevelPlot.h"
#include "gui/tests/TestDialog.h"
#include "gui/tests/TestView.h"
#include "handler/SerialCommHandler.h"
#include "platform/Prompt.h"
#include "procedures/AverageVideoLevelProcedure.h"
#include "shell/AppSettings.h"

namespace {

using namespace ProcedureControl;
using namespace AverageVideoLevelControl;

// Waits until the dialog's worker job (opening, a step, leaving) has ended.
bool WaitIdle(CProcedureDialog& dialog)
{
    return QTest::qWaitFor([&dialog] { return !dialog.IsBusy(); }, 20000);
}

bool PressStart(CProcedureDialog& dialog)
{
    if (!WaitIdle(dialog)) return false;
    auto* start = qobject_cast<QPushButton*>(dialog.Control(kStart));
    if (start == nullptr || !start->isEnabled() || start->isHidden()) return false;
    start->click();
    return WaitIdle(dialog);
}

}  // namespace

class TestsViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void SelfTestAtStartDecidesTheTests_data();
    void SelfTestAtStartDecidesTheTests();
    void ResultButtonListsTheBitsAndReenablesOnceCleared();
    void EveryTestRunsToFinishedWithTheHubsTiming();
    void AverageVideoLevelShowsThePolledValuesAndPlotsThem();
    void ClosingTheAverageVideoLevelWhilePolling();
    void TheMainWindowsTestsViewOffersZelBuffersOnTheHubsHandler();

private:
    bool StartBoard(const std::string& scenario);
    // A Tests view whose hub has read the self test.
    std::unique_ptr<CTestView> OpenView();

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> temp_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    std::unique_ptr<CBoardSimulator> board_;
    uint16_t instance_number_ = 0x2345;
    tagViewContext context_;
};

void TestsViewTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    temp_ = std::make_unique<CTempFolder>();
    AppSettings::SetCommandTimeout(5000);
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
    context_ = tagViewContext{};
    context_.instance_number = &instance_number_;
}

void TestsViewTest::cleanup()
{
    if (board_) board_->Stop();
    board_.reset();
    prompt_scope_.reset();
    prompt_.reset();
    temp_.reset();
    settings_.reset();
}

bool TestsViewTest::StartBoard(const std::string& scenario)
{
    BoardSimOptions options;
    if (!scenario.empty()) options.scenario_file = temp_->Write("scenario.ini", scenario);
    options.trace_sink = [](const std::string&) {};
    board_ = std::make_unique<CBoardSimulator>(options);
    std::string error;
    if (!board_->Start(&error)) {
        qWarning("board did not start: %s", error.c_str());
        return false;
    }
    AppSettings::SetComPort(board_->DevicePath());
    return true;
}

std::unique_ptr<CTestView> TestsViewTest::OpenView()
{
    auto view = std::make_unique<CTestView>(context_, nullptr);
    QSignalSpy read(view->Hub(), &CTestDialog::SelfTestRead);
    if (!read.wait(20000)) return nullptr;
    return view;
}

void TestsViewTest::SelfTestAtStartDecidesTheTests_data()
{
    QTest::addColumn<QString>("scenario");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("passed") << "[Subsystem]\nPostResult=0\n" << true;
    QTest::newRow("camera and controller board") << "[Subsystem]\nPostResult=5\n" << false;
    QTest::newRow("read fails") << "[Results]\nResult1=0x2010, 1, 0x06090011\n" << false;
}

void TestsViewTest::SelfTestAtStartDecidesTheTests()
{
    QFETCH(QString, scenario);
    QFETCH(bool, enabled);
    QVERIFY(StartBoard(scenario.toStdString()));
    auto view = std::make_unique<CTestView>(context_, nullptr);
    CTestDialog* hub = view->Hub();
    // Nothing runs before the self test was read.
    for (size_t i = 0; i < kTestCount; ++i) QVERIFY(!hub->TestButton(i)->isEnabled());
    QSignalSpy read(hub, &CTestDialog::SelfTestRead);
    QVERIFY(read.wait(20000));
    for (size_t i = 0; i < kTestCount; ++i) QCOMPARE(hub->TestButton(i)->isEnabled(), enabled);
    QCOMPARE(hub->SelfTestErrorLabel()->isHidden(), enabled);
    QCOMPARE(hub->SelfTestErrorLabel()->text(), QStringLiteral("POWER ON SELF TEST ERROR"));
    QCOMPARE(hub->TestButton(0)->text(), QStringLiteral("   Video Path..."));
    QVERIFY(hub->InternalRadio()->isChecked());
    QCOMPARE(hub->InternalRadio()->text(), QStringLiteral("Internal (25 fps)"));
    // The start-up exchange: the application started once, then the self test read.
    std::vector<std::string> requests;
    for (const std::string& message : board_->ReceivedMessages()) {
        if (message.find(" 0x2000 0x01") != std::string::npos || message.find(" 0x2010 0x01") != std::string::npos) {
            requests.push_back(message.substr(0, 1) + message.substr(message.find(' ', 2)));
        }
    }
    // The link's own start sends the first; the hub's start-up the second and the read.
    QCOMPARE(requests, (std::vector<std::string>{"w 0x2000 0x01", "w 0x2000 0x01", "r 0x2010 0x01"}));
}

void TestsViewTest::ResultButtonListsTheBitsAndReenablesOnceCleared()
{
    // Repaired after the hub's read and one press of the button.
    QVERIFY(StartBoard("[Subsystem]\nPostResult=5\nPostClearsAfterReads=2\n"));
    auto view = OpenView();
    QVERIFY(view != nullptr);
    CTestDialog* hub = view->Hub();
    QVERIFY(!hub->TestButton(0)->isEnabled());
    std::vector<std::pair<std::string, PromptIcon>> boxes;
    hub->SetBoxShower([&boxes](const std::string& text, PromptIcon icon) { boxes.emplace_back(text, icon); });
    QSignalSpy read(hub, &CTestDialog::SelfTestRead);

    hub->PostButton()->click();
    QVERIFY(!hub->PostButton()->isEnabled());  // one read at a time
    QVERIFY(read.wait(20000));
    QCOMPARE(boxes.size(), size_t{1});
    QCOMPARE(boxes[0].first, std::string("Controller board error\r\nCamera error\r\n"));
    QVERIFY(boxes[0].second == PromptIcon::Information);
    QVERIFY(!hub->TestButton(0)->isEnabled());
    QVERIFY(!hub->SelfTestErrorLabel()->isHidden());

    hub->PostButton()->click();
    QVERIFY(read.wait(20000));
    QCOMPARE(boxes.back().first, std::string("Power on self test: \"Passed\""));
    for (size_t i = 0; i < kTestCount; ++i) QVERIFY(hub->TestButton(i)->isEnabled());
    QVERIFY(hub->SelfTestErrorLabel()->isHidden());

    // The board gone: the read fails, says so, and changes nothing.
    board_->Stop();
    hub->PostButton()->click();
    QVERIFY(read.wait(20000));
    QCOMPARE(boxes.back().first, std::string("Error reading power on self test result."));
    QVERIFY(boxes.back().second == PromptIcon::Error);
    QVERIFY(hub->TestButton(0)->isEnabled());
}

void TestsViewTest::EveryTestRunsToFinishedWithTheHubsTiming()
{
    QVERIFY(StartBoard(""));
    auto view = OpenView();
    QVERIFY(view != nullptr);
    CTestDialog* hub = view->Hub();
    hub->ExternalRadio()->click();
    QVERIFY(!hub->Hub().InternalTiming());
    std::vector<std::string> finished;
    hub->SetDialogRunner([&finished](CProcedureDialog& dialog) {
        dialog.show();
        if (!WaitIdle(dialog)) return 0;
        const QString title = dialog.windowTitle();
        for (int press = 0; press < 2; ++press) {
            if (!PressStart(dialog)) return 0;
        }
        if (dialog.Procedure().IsFinished() && dialog.Procedure().DetailText().empty()) {
            finished.push_back(title.toStdString());
        }
        // External timing went to the board as 0 and 0.
        if (dialog.Procedure().InternalTiming()) finished.push_back("internal timing");
        dialog.reject();
        if (!QTest::qWaitFor([&dialog] { return !dialog.isVisible(); }, 20000)) return 0;
        return dialog.result();
    });
    for (size_t i = 0; i < kTestCount; ++i) hub->TestButton(i)->click();
    QCOMPARE(finished, (std::vector<std::string>{"Video Path test", "Average Video Level test", "Dose Link test",
                                                 "Cosmetic Check"}));
    int timing_writes = 0;
    for (const std::string& message : board_->ReceivedMessages()) {
        if (message.find(" 0x201f 0x1c 0") != std::string::npos || message.find(" 0x201f 0x1e 0") != std::string::npos) {
            ++timing_writes;
        }
    }
    QCOMPARE(timing_writes, 8);
    QVERIFY(RunningBoardTests(*board_).empty());
}

void TestsViewTest::AverageVideoLevelShowsThePolledValuesAndPlotsThem()
{
    // A level that moves: from 50 % towards the target.
    QVERIFY(StartBoard("[VideoLevel]\nStart=500\nTarget=1000\nTimeConstantMs=4000\nNoise=0\nBinsAtTarget=171\n"
                       "OffsetBins=16\n"));
    CSerialCommHandler handler(&instance_number_, true, nullptr);
    QVERIFY(handler.IsConnected());
    for (const bool relative : {true, false}) {
        CAverageVideoLevelDialog dialog(true, handler, false, nullptr);
        dialog.show();
        QVERIFY(WaitIdle(dialog));
        QCOMPARE(dialog.ValueText()->text(), QStringLiteral("???"));
        QVERIFY(dialog.ValueText()->isHidden());
        auto* relative_radio = qobject_cast<QRadioButton*>(dialog.Control(kRelative));
        auto* absolute_radio = qobject_cast<QRadioButton*>(dialog.Control(kAbsolute));
        QCOMPARE(relative_radio->text(), QStringLiteral("Relative to target (%)"));
        QVERIFY(relative_radio->isChecked());
        if (!relative) absolute_radio->click();
        QVERIFY(absolute_radio->isChecked() == !relative);

        QSignalSpy plotted(&dialog, &CAverageVideoLevelDialog::LevelPlotted);
        QVERIFY(PressStart(dialog));
        QCOMPARE(dialog.Procedure().StateName(), std::string("DOTEST"));
        QVERIFY(!dialog.ValueText()->isHidden());
        QCOMPARE(dialog.Control(kLevelNote)->isHidden(), relative);
        // Switching the mode is impossible while the test runs.
        QVERIFY(!relative_radio->isEnabled());
        QVERIFY(!absolute_radio->isEnabled());
        // Values from the polling thread reach the text and the plot.
        QTRY_VERIFY_WITH_TIMEOUT(plotted.count() >= 5, 20000);
        const QString shown = dialog.ValueText()->text();
        QVERIFY2(shown.endsWith(relative ? QStringLiteral(" %") : QStringLiteral(" bins")), qPrintable(shown));
        QVERIFY(dialog.Plot()->PointCount() >= 5);
        QCOMPARE(dialog.Plot()->LevelAxis()->titleText(),
                 relative ? QStringLiteral("Level (%)") : QStringLiteral("Level (bins)"));

        QVERIFY(PressStart(dialog));
        QCOMPARE(dialog.Procedure().StateName(), std::string("FINISHED"));
        QVERIFY(dialog.ValueText()->isHidden());
        QVERIFY(!relative_radio->isEnabled());
        dialog.reject();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 20000);
        QCOMPARE(dialog.result(), kIdOk);
    }
}

void TestsViewTest::ClosingTheAverageVideoLevelWhilePolling()
{
    QVERIFY(StartBoard("[VideoLevel]\nStart=1000\nTarget=1000\nNoise=0\n"));
    CSerialCommHandler handler(&instance_number_, true, nullptr);
    QVERIFY(handler.IsConnected());
    CAverageVideoLevelDialog dialog(true, handler, false, nullptr);
    dialog.show();
    QSignalSpy plotted(&dialog, &CAverageVideoLevelDialog::LevelPlotted);
    QVERIFY(PressStart(dialog));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.ValueText()->text() == QStringLiteral("100.0 %"), 20000);
    dialog.reject();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 20000);
    // The polling ended before the restore sequence stopped the test.
    QVERIFY(!dialog.LevelProcedure().Polling());
    QVERIFY(RunningBoardTests(*board_).empty());
    const std::vector<std::string> messages = board_->ReceivedMessages();
    // The closing restore sequence's stop of test 11 is the last one (START sent one before).
    const auto stop = std::find_if(messages.rbegin(), messages.rend(),
                                   [](const std::string& m) { return m.find(" 0x2000 0x17 11") != std::string::npos; });
    QVERIFY(stop != messages.rend());
    for (auto it = messages.rbegin(); it != stop; ++it) QVERIFY2(it->find(" 0x2809 ") == std::string::npos, it->c_str());
    QVERIFY((stop + 1)->find(" 0x2809 ") != std::string::npos || (stop + 1)->find(" 0x2000 0x01") != std::string::npos);
}

void TestsViewTest::TheMainWindowsTestsViewOffersZelBuffersOnTheHubsHandler()
{
    QVERIFY(StartBoard(""));
    AppSettings::SetLastShownView(kViewTests);
    CMainFrame frame;
    QCOMPARE(frame.CurrentViewNumber(), int{kViewTests});
    QVERIFY(frame.ViewAction(kViewTests)->isEnabled());
    CSerialCommHandler* opened_on = nullptr;
    frame.SetBuffersOverviewOpener([&opened_on](CSerialCommHandler& handler, QWidget*) { opened_on = &handler; });
    QVERIFY(frame.ZelBuffersAction()->isEnabled());
    frame.ZelBuffersAction()->trigger();
    auto* view = qobject_cast<CTestView*>(frame.CurrentView());
    QVERIFY(view != nullptr);
    QCOMPARE(opened_on, &view->Hub()->Handler());
    QTRY_COMPARE_WITH_TIMEOUT(frame.StatusPaneText(CMainFrame::kPaneConnection), QStringLiteral("Connected"), 20000);
}

QTEST_MAIN(TestsViewTest)
#include "TestsViewTest.moc"
