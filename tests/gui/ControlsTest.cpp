// The small shared controls and dialogs: the data viewer's exact text, the colour static, the
// owner-drawn tab control, the about box, and the prompt's refusal to block a waiting GUI thread.

#include <atomic>
#include <thread>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QTest>

#include "gui/frame/AboutDlg.h"
#include "gui/widgets/ColorStatic.h"
#include "gui/widgets/DataViewerDialog.h"
#include "gui/widgets/DataViewerText.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/widgets/TabCtrlEx.h"

class ControlsTest : public QObject {
    Q_OBJECT
private slots:
    void DataViewerLines_data();
    void DataViewerLines();
    void DataViewerCharacterColumn_data();
    void DataViewerCharacterColumn();
    void DataViewerDialogShowsTheDumpUnderItsCaption();
    void ColorStaticKeepsItsColours();
    void TabCtrlExFindsTheFirstTabWithItemData();
    void AboutBoxShowsVersionAndEdition();
    void WorkerQuestionsDoNotWaitForABusyGuiThread();
};

namespace {

std::vector<uint8_t> Bytes(size_t count, uint8_t first)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<uint8_t>(first + i));
    }
    return bytes;
}

}  // namespace

void ControlsTest::DataViewerLines_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");
    const auto make = [](const std::vector<uint8_t>& bytes) {
        return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    };
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("16 bytes")
        << make(Bytes(16, 0x41))
        << QByteArray("41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50 - ABCDEFGH IJKLMNOP\r\n");
    // A short last group: its bytes, three blanks per missing byte, "- " and its characters.
    QTest::newRow("17 bytes")
        << make(Bytes(17, 0x30))
        << QByteArray("30 31 32 33 34 35 36 37  38 39 3A 3B 3C 3D 3E 3F - 01234567 89:;<=>?\r\n"
                      "40 " + QByteArray(15 * 3, ' ') + "- @");
    QTest::newRow("3 bytes") << make({0x00, 0x7F, 0x61})
                             << QByteArray("00 7F 61 " + QByteArray(13 * 3, ' ') + "- ..a");
    QTest::newRow("10 bytes")
        << make(Bytes(10, 0x61))
        << QByteArray("61 62 63 64 65 66 67 68  69 6A " + QByteArray(6 * 3, ' ') +
                      "- abcdefgh ij");
}

void ControlsTest::DataViewerLines()
{
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);
    const std::string text =
        FormatDataViewerText(reinterpret_cast<const uint8_t*>(data.constData()),
                             static_cast<size_t>(data.size()));
    QCOMPARE(QByteArray::fromStdString(text), expected);
}

void ControlsTest::DataViewerCharacterColumn_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<char>("shown");
    const std::pair<int, char> rows[] = {
        {0, '.'},   {31, '.'},  {32, ' '},  {126, '~'},           {127, '.'},
        {128, static_cast<char>(128)},      {176, static_cast<char>(176)},
        {177, '.'}, {200, '.'}, {223, '.'}, {224, static_cast<char>(224)},
        {254, static_cast<char>(254)},      {255, '.'},
    };
    for (const auto& [byte, shown] : rows) {
        QTest::newRow(QByteArray::number(byte).constData()) << byte << shown;
    }
}

void ControlsTest::DataViewerCharacterColumn()
{
    QFETCH(int, byte);
    QFETCH(char, shown);
    QCOMPARE(DataViewerChar(static_cast<uint8_t>(byte)), shown);
}

void ControlsTest::DataViewerDialogShowsTheDumpUnderItsCaption()
{
    CDataViewerDialog dialog(QStringLiteral("Raw data"), {0x41, 0xE9, 0x0A});
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Raw data"));
    // Byte 0xE9 stands for itself: the Latin-1 character, not a broken UTF-8 sequence.
    QCOMPARE(dialog.ShownText(), QStringLiteral("41 E9 0A ") + QString(13 * 3, QLatin1Char(' ')) +
                                     QStringLiteral("- A") + QChar(0xE9) + QStringLiteral("."));
}

void ControlsTest::ColorStaticKeepsItsColours()
{
    CColorStatic label(QStringLiteral("Step failed"));
    QCOMPARE(label.TextColor(), QColor(Qt::black));
    QCOMPARE(label.BkColor(), label.palette().color(QPalette::Button));
    label.resize(120, 20);
    label.show();
    label.SetBkColor(Qt::red);
    label.SetTextColor(Qt::white);
    QCOMPARE(label.BkColor(), QColor(Qt::red));
    QCOMPARE(label.palette().color(QPalette::WindowText), QColor(Qt::white));
    // The painted background is the set colour.
    const QImage image = label.grab().toImage();
    QCOMPARE(QColor(image.pixel(2, 2)), QColor(Qt::red));
}

void ControlsTest::TabCtrlExFindsTheFirstTabWithItemData()
{
    CTabCtrlEx tabs;
    tabs.AddTab(new QLabel, QStringLiteral("General"), 10);
    tabs.AddTab(new QLabel, QStringLiteral("Dose"), 20);
    tabs.AddTab(new QLabel, QStringLiteral("Dose again"), 20);
    QVERIFY(tabs.HasTabWithItemData(20));
    QCOMPARE(tabs.FindTabWithItemData(20), 1);
    QVERIFY(!tabs.HasTabWithItemData(30));
    QCOMPARE(tabs.ItemData(0), QVariant(10));
    QVERIFY(!tabs.ItemData(7).isValid());
    // Fixed tabs: every tab as wide as the widest.
    tabs.resize(400, 200);
    tabs.show();
    QCOMPARE(tabs.tabBar()->tabRect(0).width(), tabs.tabBar()->tabRect(2).width());
}

void ControlsTest::AboutBoxShowsVersionAndEdition()
{
    QCOMPARE(AboutVersionText(), QStringLiteral("1.3.4.0010"));
    CAboutDlg about;
    auto* version = about.findChild<QLabel*>(QStringLiteral("version"));
    auto* edition = about.findChild<QLabel*>(QStringLiteral("edition"));
    QVERIFY(version != nullptr && edition != nullptr);
    QVERIFY(version->text().contains(QStringLiteral("1.3.4.0010")));
    QCOMPARE(edition->text(), QStringLiteral("OEM"));
}

void ControlsTest::WorkerQuestionsDoNotWaitForABusyGuiThread()
{
    CGuiPrompt prompt;
    // A question asked while the GUI thread waits for workers is answered No at once.
    {
        CGuiPrompt::CWorkerWaitScope waiting(&prompt);
        bool answer = true;
        std::thread([&] { answer = prompt.AskYesNo("Abort the download?", "ZOV tool"); }).join();
        QVERIFY(!answer);
    }
    // A question already waiting for its box when the GUI thread starts to wait is answered No
    // too, and its box is never shown afterwards.
    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = prompt.AskOkCancel("Store in flash?", "ZOV tool") ? 1 : 0; });
    // Without handling events here, the box stays queued and the worker waits.
    QDeadlineTimer deadline(30000);
    while (prompt.PendingQuestions() == 0 && !deadline.hasExpired()) {
        std::this_thread::yield();
    }
    QCOMPARE(prompt.PendingQuestions(), size_t{1});
    QCOMPARE(answer.load(), -1);
    {
        CGuiPrompt::CWorkerWaitScope waiting(&prompt);
        worker.join();
    }
    QCOMPARE(answer.load(), 0);
    QCoreApplication::processEvents();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(ControlsTest)
#include "ControlsTest.moc"
