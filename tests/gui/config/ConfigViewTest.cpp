// The Configuration view in the main window against the simulated board: store then retrieve
// on both boards, the working configuration across a change of view, an aborted retrieval,
// closing the window during a store, and destroying the view while the worker's boot-mode
// question waits. With ZOV_SCREENSHOTS=FOLDER the page is saved as a picture after a store.

#include <thread>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "BoardSimulator.h"
#include "BootModel.h"
#include "ConfigTestSupport.h"
#include "TestSupport.h"
#include "boot/SwDownload.h"
#include "config/ConfigEditor.h"
#include "gui/config/ConfigDialog.h"
#include "gui/config/ConfigFileDialog.h"
#include "gui/config/ConfigView.h"
#include "gui/config/PropCtrl.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/frame/MainFrame.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

constexpr int kStorageWaitMs = 60000;

struct tagBoard {
    const char* name;
    uint32_t config_start;
};

const tagBoard kXc167 = {"XC167", 0xC06000};
const tagBoard kXc167x = {"XC167X", 0x480000};

QList<bool> ViewCommandStates(const CMainFrame& frame)
{
    QList<bool> states;
    for (int n = 1; n <= kViewCount; ++n) {
        states << frame.ViewAction(n)->isEnabled();
    }
    return states;
}

// A binary row of size bytes in the file form's hexadecimal text.
std::string LutRecord(size_t size)
{
    std::string value = "\"";
    for (size_t i = 0; i < size; ++i) {
        value += (i % 16 == 0 ? "\r\n" : i % 8 == 0 ? " " : "") + Format("%02X ", static_cast<unsigned>(i * 7 & 0xFF));
    }
    return ConfigRecord("Big LUT", 3, 0, 4, value + "\"");
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

class ConfigViewTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void StoreThenRetrieveGiveTheSameConfigurationOnBothBoards();
    void TheWorkingConfigurationSurvivesAChangeOfView();
    void AbortStopsARetrievalAndKeepsThePages();
    void ClosingTheWindowDuringAStoreClosesWhenItEnds();
    void DestroyingTheViewWhileTheBootQuestionWaits();

private:
    bool StartBoard(const tagBoard& board, bool baud_emulation);
    static CConfigView* View(CMainFrame& frame);
    // Loads records into the view's page through its Load button.
    void Load(CConfigView& view, const std::string& records);
    std::string Flash(uint32_t address, size_t size) const;
    // The configuration the board holds: the length from the header, then the bytes.
    std::string Stored(const tagBoard& board) const;
    static std::string StoreImage(CConfigView& view);

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> temp_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> prompt_scope_;
    std::unique_ptr<CSleepHook> no_pauses_;
    std::unique_ptr<CBoardSimulator> board_;
};

void ConfigViewTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    temp_ = std::make_unique<CTempFolder>();
    qputenv("TMPDIR", QByteArray::fromStdString(temp_->Path()));
    AppSettings::SetLastShownView(kViewConfiguration);
    prompt_ = std::make_unique<CRecordingPrompt>();
    prompt_scope_ = std::make_unique<CScopedPrompt>(*prompt_);
    no_pauses_ = std::make_unique<CSleepHook>([](uint32_t) {});
}

void ConfigViewTest::cleanup()
{
    SetConfigFileAnswerer(nullptr);
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

bool ConfigViewTest::StartBoard(const tagBoard& board, bool baud_emulation)
{
    BoardSimOptions options;
    options.board = board.name;
    options.baud_emulation = baud_emulation;
    options.trace_sink = [](const std::string&) {};
    board_ = std::make_unique<CBoardSimulator>(options);
    std::string error;
    if (!board_->Start(&error)) {
        qWarning("board did not start: %s", error.c_str());
        return false;
    }
    AppSettings::SetControllerBoard(board.name);
    AppSettings::SetComPortForRun(board_->DevicePath());
    return true;
}

CConfigView* ConfigViewTest::View(CMainFrame& frame)
{
    return qobject_cast<CConfigView*>(frame.CurrentView());
}

void ConfigViewTest::Load(CConfigView& view, const std::string& records)
{
    const std::string path = temp_->File("sample.cfg");
    WriteScrambledConfig(path, records);
    SetConfigFileAnswerer([path](EConfigFileAsk, const QString&) { return QString::fromStdString(path); });
    view.Page()->LoadConfiguration();
    SetConfigFileAnswerer(nullptr);
}

std::string ConfigViewTest::Flash(uint32_t address, size_t size) const
{
    std::string bytes(size, '\0');
    board_->InspectBoot([&](const CBootModel& boot, bool) {
        for (size_t i = 0; i < size; ++i) {
            bytes[i] = static_cast<char>(boot.Memory().Read(static_cast<uint32_t>(address + i)));
        }
    });
    return bytes;
}

std::string ConfigViewTest::Stored(const tagBoard& board) const
{
    const std::string header = Flash(board.config_start, 32);
    uint32_t length = 0;
    for (int i = 3; i >= 0; --i) {
        length = length << 8 | static_cast<uint8_t>(header[static_cast<size_t>(2 + i)]);
    }
    return length > 0x10000 ? std::string() : Flash(board.config_start + 32, length);
}

std::string ConfigViewTest::StoreImage(CConfigView& view)
{
    std::string image;
    view.Page()->Editor().BuildStoreImage(image);
    return image;
}

void ConfigViewTest::StoreThenRetrieveGiveTheSameConfigurationOnBothBoards()
{
    for (const tagBoard& board : {kXc167, kXc167x}) {
        QVERIFY(StartBoard(board, false));
        CMainFrame frame;
        CConfigView* view = View(frame);
        QVERIFY(view != nullptr);
        QVERIFY(frame.ViewAction(kViewConfiguration)->isEnabled());
        const QList<bool> idle = ViewCommandStates(frame);
        Load(*view, EditorSampleRecords());
        const std::string image = StoreImage(*view);
        QVERIFY(!image.empty());

        QSignalSpy ended(view, &CConfigView::StorageEnded);
        QTest::mouseClick(view->Page()->Button("store"), Qt::LeftButton);
        QVERIFY(view->IsStorageRunning());
        QVERIFY(!view->Page()->Button("retrieve")->isEnabled());
        // No edit while the rows are on their way.
        QVERIFY(!view->Page()->Grid(0)->isEnabled());
        QTRY_COMPARE(ViewCommandStates(frame), QList<bool>(kViewCount, false));
        QVERIFY(ended.wait(kStorageWaitMs));
        QCOMPARE(ended.takeFirst().at(0).toBool(), true);
        QCOMPARE(Stored(board), image);
        const QString messages = view->Page()->MessageText();
        QVERIFY2(messages.contains(QStringLiteral("\r\nConfiguration successfully stored.\r\n")), qPrintable(messages));
        QVERIFY(messages.contains(QStringLiteral("1 item(s) of Class 2 or of another class that no page shows are "
                                                 "left out of the configuration to store.")));
        QVERIFY(view->Page()->ProgressBar()->isHidden());
        QVERIFY(view->Page()->Grid(0)->isEnabled());
        QTRY_COMPARE(ViewCommandStates(frame), idle);
        if (board.config_start == kXc167.config_start) {
            SaveScreenshot(*view, "config_view_stored.png");
        }

        // An edit after the store: the retrieved configuration replaces it.
        const size_t row = [&] {
            const auto& rows = view->Page()->Editor().Rows(0);
            for (size_t i = 0; i < rows.size(); ++i) {
                if (rows[i].Name == "Integer plain") {
                    return i;
                }
            }
            return size_t{0};
        }();
        view->Page()->Editor().CommitText(0, row, "99");
        QVERIFY(StoreImage(*view) != image);
        QTest::mouseClick(view->Page()->Button("retrieve"), Qt::LeftButton);
        QVERIFY(!view->Page()->Grid(3)->isEnabled());
        QVERIFY(ended.wait(kStorageWaitMs));
        QCOMPARE(ended.takeFirst().at(0).toBool(), true);
        QVERIFY(view->Page()->MessageText().contains(QStringLiteral("Configuration successfully retrieved.")));
        QCOMPARE(StoreImage(*view), image);
        int questions = 0;
        for (const std::string& text : prompt_->Texts()) {
            questions += text == CSwDownload::kBootModePrompt ? 1 : 0;
        }
        QCOMPARE(questions, 2);
        prompt_->Clear();
        board_->Stop();
    }
}

void ConfigViewTest::TheWorkingConfigurationSurvivesAChangeOfView()
{
    CMainFrame frame;
    CConfigView* view = View(frame);
    QVERIFY(view != nullptr);
    Load(*view, EditorSampleRecords());
    // Values still in their edit fields when the view goes are kept: one as typed, one out of
    // its range adapted without a box (none may open while the view is being destroyed).
    CPropCtrl* grid = view->Page()->Grid(0);
    grid->BeginEdit(GridRow(grid, QStringLiteral("String plain")));
    grid->EditField()->setText(QStringLiteral("kept across views"));
    QVERIFY(frame.ChangeView(kViewPreferences));
    QVERIFY(frame.ConfigSlot() != nullptr);
    QVERIFY(frame.ChangeView(kViewConfiguration));
    view = View(frame);
    QVERIFY(view != nullptr);
    grid = view->Page()->Grid(0);
    grid->BeginEdit(GridRow(grid, QStringLiteral("Integer range")));
    grid->EditField()->setText(QStringLiteral("20"));
    QVERIFY(frame.ChangeView(kViewPreferences));
    QVERIFY(frame.ChangeView(kViewConfiguration));
    view = View(frame);
    QVERIFY(view != nullptr);
    const std::string image = StoreImage(*view);
    QVERIFY(image.find("[String plain]\r\nClass = 0\r\nFixed = 0\r\nHelp = \"Help of the row.\"\r\nType = 2\r\n"
                       "Value = \"kept across views\"") != std::string::npos);
    QVERIFY(image.find("Type = 0\r\nValue = 1\r\nRange = 1..10") != std::string::npos);
    QVERIFY(prompt_->Texts().empty());
    // The item of Class 2 is still there and still counted.
    QCOMPARE(view->Page()->Editor().UnshownItemCount(), size_t{1});
}

void ConfigViewTest::AbortStopsARetrievalAndKeepsThePages()
{
    QVERIFY(StartBoard(kXc167, true));
    CMainFrame frame;
    CConfigView* view = View(frame);
    QVERIFY(view != nullptr);
    // About 7.5 KB: eight retrieval steps of 1 KB, each a quarter of a second on the line.
    Load(*view, EditorSampleRecords() + LutRecord(4000));
    QSignalSpy ended(view, &CConfigView::StorageEnded);
    QTest::mouseClick(view->Page()->Button("store"), Qt::LeftButton);
    // Once the area is being written the store cannot be aborted.
    QTRY_VERIFY2_WITH_TIMEOUT(view->Page()->ProgressBar()->isHidden() == false,
                              qPrintable(view->Page()->MessageText()), kStorageWaitMs);
    QVERIFY(!view->Page()->Button("abort")->isHidden());
    QVERIFY(!view->Page()->Button("abort")->isEnabled());
    QVERIFY(ended.wait(kStorageWaitMs));
    QCOMPARE(ended.takeFirst().at(0).toBool(), true);
    QVERIFY(view->Page()->Button("abort")->isHidden());

    const std::string before = StoreImage(*view);
    QTest::mouseClick(view->Page()->Button("retrieve"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view->Page()->ProgressBar()->isHidden() == false, kStorageWaitMs);
    QVERIFY(view->Page()->Button("abort")->isEnabled());
    QTest::mouseClick(view->Page()->Button("abort"), Qt::LeftButton);
    QVERIFY(ended.wait(kStorageWaitMs));
    QCOMPARE(ended.takeFirst().at(0).toBool(), false);
    const QString messages = view->Page()->MessageText();
    QVERIFY2(messages.endsWith(QStringLiteral("Retrieving configuration aborted.\r\nConfiguration could not be retrieved.\r\n")),
             qPrintable(messages.right(200)));
    QCOMPARE(StoreImage(*view), before);
    QVERIFY(view->Page()->Button("retrieve")->isEnabled());
}

void ConfigViewTest::ClosingTheWindowDuringAStoreClosesWhenItEnds()
{
    QVERIFY(StartBoard(kXc167, true));
    CMainFrame frame;
    frame.show();
    CConfigView* view = View(frame);
    QVERIFY(view != nullptr);
    Load(*view, EditorSampleRecords() + LutRecord(3000));
    const std::string image = StoreImage(*view);
    QSignalSpy ended(view, &CConfigView::StorageEnded);
    QTest::mouseClick(view->Page()->Button("store"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(view->Page()->ProgressBar()->isHidden() == false, kStorageWaitMs);
    QVERIFY(!frame.close());
    QVERIFY(frame.isVisible());
    QVERIFY(view->Page()->MessageText().contains(
        QStringLiteral("The ZOV tool closes when the configuration storage has ended.")));
    QVERIFY(ended.wait(kStorageWaitMs));
    QCOMPARE(ended.takeFirst().at(0).toBool(), true);
    QTRY_VERIFY_WITH_TIMEOUT(!frame.isVisible(), 10000);
    QCOMPARE(Stored(kXc167), image);
}

void ConfigViewTest::DestroyingTheViewWhileTheBootQuestionWaits()
{
    QVERIFY(StartBoard(kXc167, false));
    // The window's own prompt: the worker's question waits for a box on the GUI thread, which
    // this test does not let it show.
    CGuiPrompt gui_prompt;
    CScopedPrompt scope(gui_prompt);
    CMainFrame frame(&gui_prompt);
    CConfigView* view = View(frame);
    QVERIFY(view != nullptr);
    Load(*view, EditorSampleRecords());
    const QList<bool> idle = ViewCommandStates(frame);
    QVERIFY(view->StartStore(StoreImage(*view)));
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
    QTRY_COMPARE(ViewCommandStates(frame), idle);
    // Nothing was written, and the edits are in the slot.
    QCOMPARE(Flash(kXc167.config_start, 32), std::string(32, '\xFF'));
    QVERIFY(frame.ConfigSlot() != nullptr);
    QVERIFY(frame.ConfigSlot()->GetCount() > 0);
}

QTEST_MAIN(ConfigViewTest)
#include "ConfigViewTest.moc"
