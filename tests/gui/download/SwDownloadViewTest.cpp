// The Software Download view in the main window against the simulated board: the page's
// controls and settings, a download of the shipped sample image with verification, a download
// aborted in the middle, closing the window during a download, and destroying the view while the
// worker waits for its boot-mode question. With ZOV_SCREENSHOTS=FOLDER the page is also saved
// as a picture there in the middle of a download.

#include <thread>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "BoardSimulator.h"
#include "BootModel.h"
#include "TestSupport.h"
#include "boot/HexBinFile.h"
#include "boot/SwDownload.h"
#include "gui/download/SwDownloadDialog.h"
#include "gui/download/SwDownloadView.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/frame/MainFrame.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

constexpr int kDownloadWaitMs = 300000;
const char kSampleImage[] = "Samples/SampleFirmware.hex";

QList<bool> ViewCommandStates(const CMainFrame& frame)
{
    QList<bool> states;
    for (int n = 1; n <= kViewCount; ++n) {
        states << frame.ViewAction(n)->isEnabled();
    }
    return states;
}

QStringList OutputLines(const CSwDownloadDialog& page)
{
    QString text = page.OutputText();
    if (text.endsWith(QStringLiteral("\r\n"))) {
        text.chop(2);
    }
    return text.split(QStringLiteral("\r\n"));
}

void SaveScreenshot(QWidget& widget, const char* name)
{
    const QByteArray folder = qgetenv("ZOV_SCREENSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    const QString path = QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(name);
    if (!widget.grab().save(path)) {
        qWarning("could not save %s", qPrintable(path));
    }
}

}  // namespace

class SwDownloadViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void PageControlsAndSettings();
    void OutputBoxShowsTheKeptLines();
    void DownloadOfTheSampleImageWithVerification();
    void DownloadAbortedInTheMiddle();
    void ClosingTheWindowDuringADownload();
    void DestroyingTheViewWhileTheBootQuestionWaits();

private:
    bool StartBoard(bool baud_emulation);
    static CSwDownloadView* View(CMainFrame& frame);
    // The sample image's blocks as (address, bytes).
    static std::vector<std::pair<uint32_t, std::vector<uint8_t>>> SampleBlocks();
    std::vector<uint8_t> Flash(uint32_t address, size_t size) const;
    // Starts a download from the page as the engineer does.
    static bool PressDownload(CSwDownloadDialog& page, const QString& file, bool verify);

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> temp_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    std::unique_ptr<CSleepHook> no_pauses_;
    std::unique_ptr<CBoardSimulator> board_;
};

void SwDownloadViewTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    temp_ = std::make_unique<CTempFolder>();
    qputenv("TMPDIR", QByteArray::fromStdString(temp_->Path()));
    AppSettings::SetControllerBoard("XC167");
    AppSettings::SetLastShownView(kViewSwDownload);
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
    no_pauses_ = std::make_unique<CSleepHook>([](uint32_t) {});
}

void SwDownloadViewTest::cleanup()
{
    if (board_) {
        board_->Stop();
        board_.reset();
    }
    AppSettings::SetComPortForRun("");
    no_pauses_.reset();
    prompt_scope_.reset();
    prompt_.reset();
    qunsetenv("TMPDIR");
    temp_.reset();
    settings_.reset();
}

bool SwDownloadViewTest::StartBoard(bool baud_emulation)
{
    BoardSimOptions options;
    options.baud_emulation = baud_emulation;
    options.trace_sink = [](const std::string&) {};
    board_ = std::make_unique<CBoardSimulator>(options);
    std::string error;
    if (!board_->Start(&error)) {
        qWarning("board did not start: %s", error.c_str());
        return false;
    }
    AppSettings::SetComPortForRun(board_->DevicePath());
    return true;
}

CSwDownloadView* SwDownloadViewTest::View(CMainFrame& frame)
{
    return qobject_cast<CSwDownloadView*>(frame.CurrentView());
}

std::vector<std::pair<uint32_t, std::vector<uint8_t>>> SwDownloadViewTest::SampleBlocks()
{
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> blocks;
    CHexBinFile image(SupportFile(kSampleImage));
    if (!image.Load(0x400)) {
        return blocks;
    }
    for (const tagDataBlock* position = image.GetFirstBlock(); position != nullptr;) {
        uint32_t address = 0;
        uint32_t size = 0;
        const uint8_t* data = image.GetNextBlock(position, address, size);
        if (!blocks.empty() && blocks.back().first + blocks.back().second.size() == address) {
            blocks.back().second.insert(blocks.back().second.end(), data, data + size);
        } else {
            blocks.emplace_back(address, std::vector<uint8_t>(data, data + size));
        }
    }
    return blocks;
}

std::vector<uint8_t> SwDownloadViewTest::Flash(uint32_t address, size_t size) const
{
    std::vector<uint8_t> bytes(size);
    board_->InspectBoot([&](const CBootModel& boot, bool) {
        for (size_t i = 0; i < size; ++i) {
            bytes[i] = boot.Memory().Read(static_cast<uint32_t>(address + i));
        }
    });
    return bytes;
}

bool SwDownloadViewTest::PressDownload(CSwDownloadDialog& page, const QString& file, bool verify)
{
    page.FileNameEdit()->setText(file);
    page.VerifyBox()->setChecked(verify);
    if (!page.DownloadButton()->isEnabled() || page.DownloadButton()->text() != QStringLiteral("&Download")) {
        return false;
    }
    QTest::mouseClick(page.DownloadButton(), Qt::LeftButton);
    return true;
}

void SwDownloadViewTest::PageControlsAndSettings()
{
    AppSettings::SetDownloadFilename("/images/old.hex");
    AppSettings::SetVerifyAfterProgram(true);
    {
        CSwDownloadDialog page(nullptr);
        page.resize(600, 400);
        page.show();
        QCOMPARE(page.FileNameEdit()->text(), QStringLiteral("/images/old.hex"));
        QVERIFY(page.VerifyBox()->isChecked());
        QCOMPARE(page.VerifyBox()->text(), QStringLiteral("Verify after programming"));
        QCOMPARE(page.BrowseButton()->text(), QStringLiteral("&Browse..."));
        QCOMPARE(page.DownloadButton()->text(), QStringLiteral("&Download"));
        QVERIFY(page.DownloadButton()->isEnabled());
        QCOMPARE(page.ProgressBar()->maximum(), 1000);
        QVERIFY(page.OutputBox()->isReadOnly());

        // The button follows every edit of the name.
        page.FileNameEdit()->clear();
        QVERIFY(!page.DownloadButton()->isEnabled());
        QTest::keyClicks(page.FileNameEdit(), QStringLiteral("a"));
        QVERIFY(page.DownloadButton()->isEnabled());
        page.FileNameEdit()->clear();

        // Browse: the chooser gets the current name; Cancel keeps it, OK takes the file.
        QStringList offered;
        QString answer;
        page.SetFileChooser([&](const QString& current) {
            offered << current;
            return answer;
        });
        QTest::mouseClick(page.BrowseButton(), Qt::LeftButton);
        QCOMPARE(page.FileName(), QString());
        QVERIFY(!page.DownloadButton()->isEnabled());
        answer = QStringLiteral("/images/new image.hex");
        QTest::mouseClick(page.BrowseButton(), Qt::LeftButton);
        QCOMPARE(page.FileName(), answer);
        QVERIFY(page.DownloadButton()->isEnabled());
        QCOMPARE(offered, (QStringList{QString(), QString()}));

        // Running: Abort, Browse disabled; idle again: "&Download".
        page.SetRunning(true);
        QCOMPARE(page.DownloadButton()->text(), QStringLiteral("Abort"));
        QVERIFY(page.DownloadButton()->isEnabled());
        QVERIFY(!page.BrowseButton()->isEnabled());
        QSignalSpy aborts(&page, &CSwDownloadDialog::AbortRequested);
        QTest::mouseClick(page.DownloadButton(), Qt::LeftButton);
        QCOMPARE(aborts.count(), 1);
        page.SetAborting();
        QVERIFY(!page.DownloadButton()->isEnabled());
        page.SetRunning(false);
        QCOMPARE(page.DownloadButton()->text(), QStringLiteral("&Download"));
        QVERIFY(page.BrowseButton()->isEnabled());
        QVERIFY(page.DownloadButton()->isEnabled());
        QSignalSpy starts(&page, &CSwDownloadDialog::DownloadRequested);
        QTest::mouseClick(page.DownloadButton(), Qt::LeftButton);
        QCOMPARE(starts.count(), 1);
        QCOMPARE(starts.at(0).at(0).toString(), answer);
        page.VerifyBox()->setChecked(false);

        // The layout follows the page: the name stretches, Browse keeps to the right edge.
        QCOMPARE(page.BrowseButton()->geometry().right(), page.width() - 8 - 1);
        QCOMPARE(page.OutputBox()->geometry().bottom(), page.height() - 8 - 1);
        QCOMPARE(page.ProgressBar()->width(), page.width() - 16);
        const int name_width = page.FileNameEdit()->width();
        page.resize(800, 500);
        QCOMPARE(page.FileNameEdit()->width(), name_width + 200);
        QCOMPARE(page.OutputBox()->geometry().bottom(), page.height() - 8 - 1);
        // Nothing is written while the page lives.
        QCOMPARE(AppSettings::GetDownloadFilename(), std::string("/images/old.hex"));
    }
    QCOMPARE(AppSettings::GetDownloadFilename(), std::string("/images/new image.hex"));
    QVERIFY(!AppSettings::GetVerifyAfterProgram());
}

void SwDownloadViewTest::OutputBoxShowsTheKeptLines()
{
    CSwDownloadDialog page(nullptr);
    for (int n = 0; n < 1000; ++n) {
        page.AppendOutput(QStringLiteral("Line %1 of a long download").arg(n, 4, 10, QLatin1Char('0')));
    }
    const QString text = page.OutputText();
    QVERIFY(text.size() < 22001);
    QVERIFY(text.startsWith(QStringLiteral("...\r\n")));
    QVERIFY(text.endsWith(QStringLiteral("Line 0999 of a long download\r\n")));
    // The box shows exactly the kept text, and the end of it.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.chop(1);
    QCOMPARE(page.OutputBox()->toPlainText(), shown);
}

void SwDownloadViewTest::DownloadOfTheSampleImageWithVerification()
{
    QVERIFY(StartBoard(false));
    const auto blocks = SampleBlocks();
    QVERIFY(blocks.size() == 2);
    CMainFrame frame;
    CSwDownloadView* view = View(frame);
    QVERIFY(view != nullptr);
    QCOMPARE(frame.CurrentViewNumber(), int{kViewSwDownload});
    QVERIFY(frame.ViewAction(kViewSwDownload)->isEnabled());
    const QList<bool> idle = ViewCommandStates(frame);
    CSwDownloadDialog& page = *view->Page();
    QSignalSpy ended(view, &CSwDownloadView::DownloadEnded);
    bool disabled_while_running = false;
    QObject::connect(page.ProgressBar(), &QProgressBar::valueChanged, &frame, [&](int value) {
        if (value > 0 && value < 1000) {
            disabled_while_running = ViewCommandStates(frame) == QList<bool>(kViewCount, false) &&
                                     page.DownloadButton()->text() == QStringLiteral("Abort") &&
                                     !page.BrowseButton()->isEnabled();
        }
    });

    QVERIFY(PressDownload(page, QString::fromStdString(SupportFile(kSampleImage)), true));
    QVERIFY(ended.wait(kDownloadWaitMs));
    const QStringList lines = OutputLines(page);
    QVERIFY2(lines.contains(QStringLiteral("Download was successful.")), qPrintable(lines.join(QLatin1Char('\n'))));
    QCOMPARE(lines.last(), QStringLiteral("DONE"));
    QVERIFY(lines.contains(QStringLiteral("Booting controller board finished.")));
    QVERIFY(!lines.join(QLatin1Char('\n')).contains(QStringLiteral("Verify failed")));
    QVERIFY(disabled_while_running);
    QCOMPARE(page.ProgressBar()->value(), 1000);
    QCOMPARE(page.DownloadButton()->text(), QStringLiteral("&Download"));
    QVERIFY(page.BrowseButton()->isEnabled());
    QTRY_COMPARE(ViewCommandStates(frame), idle);
    QCOMPARE(prompt_->Texts(), std::vector<std::string>{CSwDownload::kBootModePrompt});
    for (const auto& [address, bytes] : blocks) {
        QVERIFY(Flash(address, bytes.size()) == bytes);
    }
    // The page is ready for the next one.
    QVERIFY(PressDownload(page, page.FileName(), false));
    QVERIFY(ended.wait(kDownloadWaitMs));
    QCOMPARE(OutputLines(page).last(), QStringLiteral("DONE"));
}

void SwDownloadViewTest::DownloadAbortedInTheMiddle()
{
    // At the line's real speed each 1 KB step takes a good part of a second.
    QVERIFY(StartBoard(true));
    const auto blocks = SampleBlocks();
    QVERIFY(blocks.size() == 2);
    CMainFrame frame;
    frame.show();
    CSwDownloadView* view = View(frame);
    QVERIFY(view != nullptr);
    const QList<bool> idle = ViewCommandStates(frame);
    CSwDownloadDialog& page = *view->Page();
    page.window()->resize(720, 520);
    QSignalSpy ended(view, &CSwDownloadView::DownloadEnded);

    QVERIFY(PressDownload(page, QString::fromStdString(SupportFile(kSampleImage)), true));
    QTRY_VERIFY_WITH_TIMEOUT(page.ProgressBar()->value() > 0, kDownloadWaitMs);
    QCOMPARE(ViewCommandStates(frame), QList<bool>(kViewCount, false));
    SaveScreenshot(frame, "download_running.png");
    const int lines_before = static_cast<int>(OutputLines(page).size());

    QTest::mouseClick(page.DownloadButton(), Qt::LeftButton);
    // The window is not held up: the button waits, disabled, for the download to stop.
    QVERIFY(!page.DownloadButton()->isEnabled());
    QCOMPARE(page.DownloadButton()->text(), QStringLiteral("Abort"));
    QVERIFY(ended.wait(kDownloadWaitMs));
    QCOMPARE(prompt_->Texts(),
             (std::vector<std::string>{CSwDownload::kBootModePrompt, "Download aborted!"}));
    QCOMPARE(page.DownloadButton()->text(), QStringLiteral("&Download"));
    QVERIFY(page.DownloadButton()->isEnabled());
    QVERIFY(page.BrowseButton()->isEnabled());
    QTRY_COMPARE(ViewCommandStates(frame), idle);
    const QStringList lines = OutputLines(page);
    // After the abort no line of the download's end appears.
    QVERIFY(lines.size() <= lines_before + 1);
    QVERIFY(!lines.contains(QStringLiteral("Download FAILED")));
    QVERIFY(!lines.contains(QStringLiteral("DONE")));
    QVERIFY(page.ProgressBar()->value() < 1000);
    // The start of the image is in flash, its end is not.
    const auto& [last_address, last_bytes] = blocks.back();
    QVERIFY(Flash(blocks.front().first, 16) ==
            std::vector<uint8_t>(blocks.front().second.begin(), blocks.front().second.begin() + 16));
    QVERIFY(Flash(last_address + static_cast<uint32_t>(last_bytes.size()) - 16, 16) ==
            std::vector<uint8_t>(16, 0xFF));

    // A new download starts from the idle page; this one is cancelled at the boot question and
    // ends without touching the board.
    prompt_->QueueAnswers({false});
    QVERIFY(PressDownload(page, page.FileName(), true));
    QVERIFY(ended.wait(kDownloadWaitMs));
    QCOMPARE(prompt_->Texts().size(), size_t{3});
    QCOMPARE(page.DownloadButton()->text(), QStringLiteral("&Download"));
    QTRY_COMPARE(ViewCommandStates(frame), idle);
}

void SwDownloadViewTest::ClosingTheWindowDuringADownload()
{
    QVERIFY(StartBoard(true));
    CMainFrame frame;
    frame.show();
    CSwDownloadView* view = View(frame);
    QVERIFY(view != nullptr);
    CSwDownloadDialog& page = *view->Page();
    QSignalSpy ended(view, &CSwDownloadView::DownloadEnded);
    QVERIFY(PressDownload(page, QString::fromStdString(SupportFile(kSampleImage)), false));
    QTRY_VERIFY_WITH_TIMEOUT(page.ProgressBar()->value() > 0, kDownloadWaitMs);

    // No: the window stays and the download goes on.
    prompt_->QueueAnswers({false});
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QCOMPARE(prompt_->Texts().back(), std::string(CSwDownloadView::kCloseQuestion));
    QCOMPARE(page.DownloadButton()->text(), QStringLiteral("Abort"));
    QVERIFY(page.DownloadButton()->isEnabled());
    const int progress = page.ProgressBar()->value();
    QTRY_VERIFY_WITH_TIMEOUT(page.ProgressBar()->value() > progress, kDownloadWaitMs);

    // Yes: the download is aborted and then the window closes.
    prompt_->QueueAnswers({true});
    QVERIFY(!frame.close());
    QTRY_VERIFY_WITH_TIMEOUT(!frame.isVisible(), kDownloadWaitMs);
    QCOMPARE(ended.count(), 1);
    QVERIFY(frame.CurrentView() == nullptr);
    const std::vector<std::string> texts = prompt_->Texts();
    QCOMPARE(texts.size(), size_t{4});
    QCOMPARE(texts[2], std::string(CSwDownloadView::kCloseQuestion));
    QCOMPARE(texts[3], std::string("Download aborted!"));
}

void SwDownloadViewTest::DestroyingTheViewWhileTheBootQuestionWaits()
{
    // The window's own prompt: the worker's question waits for a box on the GUI thread, which
    // this test does not let it show.
    CGuiPrompt gui_prompt;
    CScopedPrompt scope(gui_prompt);
    CMainFrame frame(&gui_prompt);
    CSwDownloadView* view = View(frame);
    QVERIFY(view != nullptr);
    const QList<bool> idle = ViewCommandStates(frame);
    // An image with data: one without any is refused before the question.
    const std::string image = temp_->Write("image.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
    QVERIFY(view->StartDownload(QString::fromStdString(image), false));
    QDeadlineTimer deadline(30000);
    while (gui_prompt.PendingQuestions() == 0 && !deadline.hasExpired()) {
        std::this_thread::yield();
    }
    QCOMPARE(gui_prompt.PendingQuestions(), size_t{1});

    // Destroying the view answers the question Cancel and waits for the worker: no hang.
    QVERIFY(frame.ChangeView(kViewPreferences));
    QCOMPARE(gui_prompt.PendingQuestions(), size_t{0});
    QCoreApplication::processEvents();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    // The view's end enabled the view commands again.
    QTRY_COMPARE(ViewCommandStates(frame), idle);
}

QTEST_MAIN(SwDownloadViewTest)
#include "SwDownloadViewTest.moc"
