// The buffers overview window against the simulated board: the text equals what zovcli buffers
// prints and is shown as it grows; closing it mid-dump waits for the read under way without
// blocking the window, then closes.

#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "gui/tests/BuffersDlg.h"
#include "handler/SerialCommHandler.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

class BuffersDlgTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void ShowsTheDumpAsZovcliPrintsIt();
    void ClosingMidDumpWaitsForTheReadUnderWay();

private:
    bool StartBoard(const FaultSettings& faults = {});

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> temp_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    std::unique_ptr<CBoardSimulator> board_;
    uint16_t instance_number_ = 0x1234;
};

void BuffersDlgTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    temp_ = std::make_unique<CTempFolder>();
    AppSettings::SetCommandTimeout(5000);
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
}

void BuffersDlgTest::cleanup()
{
    if (board_) board_->Stop();
    board_.reset();
    prompt_scope_.reset();
    prompt_.reset();
    temp_.reset();
    settings_.reset();
}

bool BuffersDlgTest::StartBoard(const FaultSettings& faults)
{
    BoardSimOptions options;
    options.scenario_file = temp_->Write("scenario.ini", "[Subsystem]\nInvolvedApplications=1,4\n");
    options.faults = faults;
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

void BuffersDlgTest::ShowsTheDumpAsZovcliPrintsIt()
{
    QVERIFY(StartBoard());
    QString shown;
    {
        CSerialCommHandler handler(&instance_number_, true, nullptr);
        QVERIFY(handler.IsConnected());
        CBuffersDlg dialog(handler, nullptr, nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ZEL buffers overview"));
        QVERIFY(dialog.TextField()->isReadOnly());
        QVERIFY(dialog.TextField()->font().fixedPitch() ||
                QFontInfo(dialog.TextField()->font()).fixedPitch());
        QSignalSpy finished(&dialog, &CBuffersDlg::DumpFinished);
        dialog.show();
        QVERIFY(finished.wait(60000));
        shown = dialog.TextField()->toPlainText();
        QVERIFY(dialog.OkButton()->isEnabled());
        dialog.OkButton()->click();
        QVERIFY(!dialog.isVisible());
    }
    QVERIFY(shown.contains(QStringLiteral("Buffer: Application 4\n")));
    QVERIFY(!shown.contains(QStringLiteral("Buffer: Application 2")));

    // zovcli over the same core prints the same text.
    QProcess zovcli;
    zovcli.setProgram(QString::fromStdString(ExecutableDir() + "/zovcli"));
    zovcli.setArguments({QStringLiteral("--settings"), QString::fromStdString(settings_->Path()),
                         QStringLiteral("--port"), QString::fromStdString(board_->DevicePath()),
                         QStringLiteral("buffers"), QStringLiteral("--lf")});
    zovcli.start();
    QVERIFY(zovcli.waitForFinished(60000));
    QCOMPARE(zovcli.exitCode(), 0);
    QCOMPARE(shown, QString::fromLatin1(zovcli.readAllStandardOutput()));
}

void BuffersDlgTest::ClosingMidDumpWaitsForTheReadUnderWay()
{
    // Each reply comes 150 ms late: the dump would take far longer than this test.
    FaultSettings slow;
    slow[SimFault::DelayReply].rate = 1.0;
    slow.reply_delay_ms = 150;
    QVERIFY(StartBoard(slow));
    CSerialCommHandler handler(&instance_number_, true, nullptr);
    QVERIFY(handler.IsConnected());
    CBuffersDlg dialog(handler, nullptr, nullptr);
    QSignalSpy finished(&dialog, &CBuffersDlg::DumpFinished);
    dialog.show();
    // The text is shown as it grows, long before the dump ends.
    QTRY_VERIFY_WITH_TIMEOUT(dialog.TextField()->toPlainText().contains(QStringLiteral("Involved")), 30000);
    QCOMPARE(finished.count(), 0);
    dialog.reject();
    // Still open until the read under way has ended; the window handles its events meanwhile.
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.OkButton()->isEnabled());
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("state"))->text(),
             QStringLiteral("Stopping after the current read..."));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(dialog.result(), int{QDialog::Rejected});
    QVERIFY(!dialog.TextField()->toPlainText().contains(QStringLiteral("Image Processing")));
}

QTEST_MAIN(BuffersDlgTest)
#include "BuffersDlgTest.moc"
