// The Calibration view in the main window, on the offscreen platform against the simulated
// board: the marks across a change of view, the order question answered No and Yes, the buttons
// that wait for the link, and the calibration data backup and restore with their boxes.

#include <functional>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "gui/calibrate/CalibrateDialog.h"
#include "gui/calibrate/CalibrateView.h"
#include "gui/calibrate/ProcedureDialog.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/ViewLink.h"
#include "gui/frame/ViewTable.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

using namespace ProcedureControl;

class CalibrateViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void MarksSurviveAChangeOfView();
    void TheOrderQuestionAnsweredNoOpensNothing();
    void BackupAndRestoreThroughTheirDialogs();
    void CancelledDialogsDoWhatTheHubSays();
    void TheFileDialogsTakeCalFiles();

private:
    CCalibrateDialog* StartCalibrationView(CMainFrame& frame);
    // Answers the next modal box or file dialog that appears with answer (run from a timer).
    void AnswerNextModal(std::function<void(QWidget*)> answer);
    std::vector<QString> BoxTexts() const { return box_texts_; }

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> folder_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    std::unique_ptr<CBoardSimulator> sim_;
    std::vector<QString> box_texts_;
};

void CalibrateViewTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    folder_ = std::make_unique<CTempFolder>();
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
    BoardSimOptions options;
    options.scenario_file = folder_->Write(
        "scenario.ini", "[Subsystem]\nReceptorFieldSizes=380\n[Calibration]\nRecords=2\nRecord1=0x01aa\nRecord2=0x02bb\n");
    options.trace_sink = [](const std::string&) {};
    sim_ = std::make_unique<CBoardSimulator>(options);
    std::string error;
    QVERIFY2(sim_->Start(&error), error.c_str());
    AppSettings::SetComPort(sim_->DevicePath());
    AppSettings::SetCommandTimeout(5000);
    AppSettings::SetLastShownView(kViewScripting);
    box_texts_.clear();
}

void CalibrateViewTest::cleanup()
{
    if (sim_) sim_->Stop();
    sim_.reset();
    prompt_scope_.reset();
    prompt_.reset();
    folder_.reset();
    settings_.reset();
}

CCalibrateDialog* CalibrateViewTest::StartCalibrationView(CMainFrame& frame)
{
    if (!frame.ChangeView(kViewCalibration)) return nullptr;
    auto* view = qobject_cast<CCalibrateView*>(frame.CurrentView());
    if (view == nullptr) return nullptr;
    CCalibrateDialog* hub = view->Page();
    // The buttons follow the link once its news has reached the window.
    for (int i = 0; i < 1000 && !hub->CalibrationButton(0)->isEnabled(); ++i) QTest::qWait(10);
    return hub->Link()->IsConnected() && hub->CalibrationButton(0)->isEnabled() ? hub : nullptr;
}

void CalibrateViewTest::AnswerNextModal(std::function<void(QWidget*)> answer)
{
    auto timer = std::make_shared<QTimer>();
    timer->setInterval(20);
    connect(timer.get(), &QTimer::timeout, this, [this, timer, answer] {
        QWidget* modal = QApplication::activeModalWidget();
        // The progress box of a backup or restore is no question.
        if (modal == nullptr || qobject_cast<CProcedureDialog*>(modal) != nullptr ||
            qobject_cast<QProgressDialog*>(modal) != nullptr) {
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) box_texts_.push_back(box->text());
        timer->stop();
        answer(modal);
    });
    timer->start();
}

// Clicks a Dose/Doserate (AEC) dialog through to its end and leaves it.
int RunAecToTheEnd(CProcedureDialog& dialog)
{
    dialog.show();
    auto idle = [&] {
        for (int i = 0; i < 1000 && dialog.IsBusy(); ++i) QTest::qWait(10);
    };
    auto* start = qobject_cast<QPushButton*>(dialog.Control(kStart));
    for (int press = 0; press < 4; ++press) {
        idle();
        if (press == 2) dialog.Control(kDoserateEntry)->findChild<QLineEdit*>()->setText("400");
        if (press == 2) dialog.SetText(kDoserateEntry, "400");
        start->click();
    }
    idle();
    dialog.reject();
    for (int i = 0; i < 1000 && dialog.isVisible(); ++i) QTest::qWait(10);
    return dialog.result();
}

void CalibrateViewTest::MarksSurviveAChangeOfView()
{
    CMainFrame frame;
    frame.CompletionFlags() = {true, true, true, false, false};
    QVERIFY(frame.ChangeView(kViewCalibration));
    // The buttons that talk to the board wait for the link's news, which reaches the window
    // through its event loop (the link itself may be up already).
    auto* view = qobject_cast<CCalibrateView*>(frame.CurrentView());
    QVERIFY(view != nullptr);
    QVERIFY(!view->Page()->CalibrationButton(0)->isEnabled());
    QVERIFY(!view->Page()->BackupButton()->isEnabled());
    CCalibrateDialog* hub = StartCalibrationView(frame);
    QVERIFY(hub != nullptr);
    QVERIFY(hub->RestoreButton()->isEnabled());
    QVERIFY(frame.ViewAction(kViewCalibration)->isEnabled());
    QVERIFY(frame.ReconnectAction()->isEnabled());
    const char* before[] = {"Yes", "Yes", "Yes", "No", "No"};
    for (size_t i = 0; i < 5; ++i) QCOMPARE(hub->Mark(i)->text(), QString(before[i]));
    QVERIFY(hub->CalibrationButton(4)->isEnabled());
    int runs = 0;
    hub->SetDialogRunner([&](CProcedureDialog& dialog) {
        ++runs;
        return RunAecToTheEnd(dialog);
    });
    hub->OpenCalibration(4);
    QCOMPARE(runs, 1);
    QCOMPARE(hub->Mark(4)->text(), QString("Yes"));
    QCOMPARE(hub->Mark(3)->text(), QString("No"));

    QVERIFY(frame.ChangeView(kViewScripting));
    QCOMPARE(frame.CompletionFlags(), (tagCompletionFlags{true, true, true, false, true}));
    hub = StartCalibrationView(frame);
    QVERIFY(hub != nullptr);
    const char* after[] = {"Yes", "Yes", "Yes", "No", "Yes"};
    for (size_t i = 0; i < 5; ++i) QCOMPARE(hub->Mark(i)->text(), QString(after[i]));
}

void CalibrateViewTest::TheOrderQuestionAnsweredNoOpensNothing()
{
    CMainFrame frame;
    CCalibrateDialog* hub = StartCalibrationView(frame);
    QVERIFY(hub != nullptr);
    int runs = 0;
    hub->SetDialogRunner([&](CProcedureDialog&) {
        ++runs;
        return kIdOk;
    });
    AnswerNextModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });
    hub->OpenCalibration(1);
    QCOMPARE(runs, 0);
    QCOMPARE(hub->Mark(1)->text(), QString("No"));
    QCOMPARE(BoxTexts().size(), size_t{1});
    QCOMPARE(BoxTexts()[0], QString("II-Focus calibration has not been done.\n\n"
                                    "Are you sure you want to start the calibration of the camera head?"));
    AnswerNextModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
    hub->OpenCalibration(1);
    QCOMPARE(runs, 1);
    QCOMPARE(hub->Mark(1)->text(), QString("Yes"));
    // II-Focus needs no question.
    hub->OpenCalibration(0);
    QCOMPARE(runs, 2);
    QCOMPARE(BoxTexts().size(), size_t{2});
}

void CalibrateViewTest::BackupAndRestoreThroughTheirDialogs()
{
    CMainFrame frame;
    CCalibrateDialog* hub = StartCalibrationView(frame);
    QVERIFY(hub != nullptr);
    const QString path = QString::fromStdString(folder_->File("unit7.cal"));
    QString chosen = path;
    std::vector<bool> asked;
    hub->SetFileChooser([&](bool save) {
        asked.push_back(save);
        return chosen;
    });
    AnswerNextModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->accept(); });
    hub->Backup();
    QCOMPARE(asked, std::vector<bool>{true});
    QCOMPARE(BoxTexts(), std::vector<QString>{"Calibration data saved."});
    QCOMPARE(ReadFileText(folder_->File("unit7.cal")), std::string("Nemra Calibration file.\r\n2\r\n0x01aa\r\n0x02bb\r\n"));

    chosen = QString::fromStdString(folder_->Write("other.cal", "Nemra Calibration file.\r\n2\r\n0x01cc\r\n0x02dd\r\n"));
    AnswerNextModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->accept(); });
    hub->Restore();
    QCOMPARE(asked, (std::vector<bool>{true, false}));
    QCOMPARE(BoxTexts().back(), QString("Calibration data restored."));

    // A file that cannot be read says so with its name, and nothing is sent.
    chosen = QString::fromStdString(folder_->File("missing.cal"));
    AnswerNextModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->accept(); });
    hub->Restore();
    QVERIFY2(BoxTexts().back().contains("missing.cal\" could not be opened"), qPrintable(BoxTexts().back()));
}

void CalibrateViewTest::CancelledDialogsDoWhatTheHubSays()
{
    CMainFrame frame;
    CCalibrateDialog* hub = StartCalibrationView(frame);
    QVERIFY(hub != nullptr);
    hub->SetFileChooser([](bool) { return QString(); });
    // Cancelling the save dialog shows nothing; cancelling the open dialog is a failed restore.
    hub->Backup();
    QVERIFY(BoxTexts().empty());
    AnswerNextModal([](QWidget* box) { qobject_cast<QMessageBox*>(box)->accept(); });
    hub->Restore();
    QCOMPARE(BoxTexts(), std::vector<QString>{"Failed to restore calibration."});
}

void CalibrateViewTest::TheFileDialogsTakeCalFiles()
{
    for (bool save : {true, false}) {
        const std::unique_ptr<QFileDialog> dialog = CCalibrateDialog::MakeCalFileDialog(save, nullptr);
        QCOMPARE(dialog->nameFilters(), QStringList({"Calibration Files (*.cal)", "All Files (*.*)"}));
        QCOMPARE(dialog->defaultSuffix(), QString("cal"));
        QCOMPARE(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        QCOMPARE(dialog->fileMode(), save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
    }
}

QTEST_MAIN(CalibrateViewTest)
#include "CalibrateViewTest.moc"
