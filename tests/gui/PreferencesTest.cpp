// The Preferences page: what it offers and shows, and that every control writes its own setting
// at once (a logging flag also tells the main window).

#include <mutex>

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "TestSupport.h"
#include "gui/preferences/PreferencesPage.h"
#include "platform/Notify.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void PortListFallsBackToCom1ToCom8();
    void PageShowsTheStoredValues();
    void PageShowsTheDefaultsOfMissingValues();
    void EveryControlWritesItsSettingAtOnce();
    void LoggingFlagChangeReachesTheMainWindow();
    void BoardListEndsAtTheFirstIncompleteEntry();

private:
    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> support_;
};

namespace {

constexpr char kBoards[] =
    "[ControllerBoards]\r\n"
    "CB0=XC161\r\n"
    "CBinfo0=Old board (XC161)\r\n"
    "CB1=XC167\r\n"
    "CBinfo1=Controller board XC167\r\n"
    "CB2=XC169\r\n"
    "CB3=XC170\r\n"
    "CBinfo3=Never listed\r\n";

class CRecordingSink : public INotifySink {
public:
    void Post(int offset, uintptr_t wparam, const std::string&) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        posts.emplace_back(offset, wparam);
    }
    std::vector<std::pair<int, uintptr_t>> Posts()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return posts;
    }

private:
    std::mutex lock_;
    std::vector<std::pair<int, uintptr_t>> posts;
};

QStringList Items(const QComboBox& box)
{
    QStringList items;
    for (int i = 0; i < box.count(); ++i) {
        items << box.itemText(i);
    }
    return items;
}

}  // namespace

void PreferencesTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    support_ = std::make_unique<CTempFolder>();
    support_->Write("ZOVtool.ini", kBoards);
    qputenv("ZOVTOOL_SUPPORT_DIR", QByteArray::fromStdString(support_->Path()));
}

void PreferencesTest::cleanup()
{
    qunsetenv("ZOVTOOL_SUPPORT_DIR");
    support_.reset();
    settings_.reset();
}

void PreferencesTest::PortListFallsBackToCom1ToCom8()
{
    QCOMPARE(PreferencesPortNames({}),
             QStringList({"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
    QCOMPARE(PreferencesPortNames({"ttyS0", "ttyUSB0"}), QStringList({"ttyS0", "ttyUSB0"}));
}

void PreferencesTest::PageShowsTheStoredValues()
{
    AppSettings::SetComPort("/dev/ttyUSB3");
    AppSettings::SetCommandTimeout(2500);
    AppSettings::SetControllerBoard("XC161");
    AppSettings::SetZelErrorLogging(false);
    AppSettings::SetZelFrameLogging(true);
    AppSettings::SetShowFixedConfigItems(true);
    AppSettings::SetPrepareByZovTool(true);
    CPreferencesPage page({"ttyS0"}, nullptr);
    // A stored device path that the system does not list stays selectable.
    QCOMPARE(Items(*page.PortBox()), QStringList({"ttyS0", "/dev/ttyUSB3"}));
    QCOMPARE(page.PortBox()->currentText(), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(page.TimeoutBox()->value(), 2500);
    QCOMPARE(page.BoardBox()->currentText(), QStringLiteral("Old board (XC161)"));
    QVERIFY(!page.ErrorsBox()->isChecked());
    QVERIFY(page.FramesBox()->isChecked());
    QVERIFY(page.ShowFixedBox()->isChecked());
    QVERIFY(page.ZovToolButton()->isChecked());
    QVERIFY(!page.FootSwitchButton()->isChecked());
}

void PreferencesTest::PageShowsTheDefaultsOfMissingValues()
{
    CPreferencesPage page({}, nullptr);
    QCOMPARE(page.PortBox()->count(), 8);
    QCOMPARE(page.PortBox()->currentText(), QStringLiteral("COM1"));
    QCOMPARE(page.TimeoutBox()->value(), 0);
    QCOMPARE(page.BoardBox()->currentData().toString(), QStringLiteral("XC167"));
    QCOMPARE(page.LoggingFlags(), kLogWarnings | kLogErrors | kLogScript);
    QVERIFY(!page.ShowFixedBox()->isChecked());
    QVERIFY(page.FootSwitchButton()->isChecked());
    // Filling the page writes nothing.
    QVERIFY(!CSettingsStore::ReadString("COM port"));
    QVERIFY(!CSettingsStore::ReadDword("Command Timeout"));
    QVERIFY(!CSettingsStore::ReadDword("Prepare by ZOV tool"));
}

void PreferencesTest::EveryControlWritesItsSettingAtOnce()
{
    CPreferencesPage page({}, nullptr);
    page.PortBox()->setCurrentText(QStringLiteral("COM4"));
    QCOMPARE(CSettingsStore::ReadString("COM port"), std::string("COM4"));
    page.TimeoutBox()->setValue(7000);
    QCOMPARE(CSettingsStore::ReadDword("Command Timeout"), 7000u);
    page.BoardBox()->setCurrentIndex(0);
    QCOMPARE(CSettingsStore::ReadString("Controller Board"), std::string("XC161"));

    const std::pair<QCheckBox*, const char*> boxes[] = {
        {page.ErrorsBox(), "Zel Error Logging"},   {page.WarningsBox(), "Zel Warning Logging"},
        {page.FramesBox(), "Zel Frame Logging"},   {page.DebugBox(), "Zel Debug Logging"},
        {page.ScriptingBox(), "Script Logging"},   {page.ShowFixedBox(), "Show Fixed Config Items"},
    };
    for (const auto& [box, name] : boxes) {
        const bool was = box->isChecked();
        box->setChecked(!was);
        QCOMPARE(CSettingsStore::ReadDword(name), was ? 0u : 1u);
    }
    page.ZovToolButton()->setChecked(true);
    QCOMPARE(CSettingsStore::ReadDword("Prepare by ZOV tool"), 1u);
    page.FootSwitchButton()->setChecked(true);
    QCOMPARE(CSettingsStore::ReadDword("Prepare by ZOV tool"), 0u);
}

void PreferencesTest::LoggingFlagChangeReachesTheMainWindow()
{
    CRecordingSink sink;
    CScopedNotifySink installed(sink);
    CPreferencesPage page({}, nullptr);
    QVERIFY(sink.Posts().empty());
    page.FramesBox()->setChecked(true);
    page.ErrorsBox()->setChecked(false);
    page.ShowFixedBox()->setChecked(true);  // not a logging flag
    const auto posts = sink.Posts();
    QCOMPARE(posts.size(), size_t{2});
    QCOMPARE(posts[0].first, int{kNotifyLoggingFlags});
    QCOMPARE(posts[0].second, uintptr_t{kLogWarnings | kLogErrors | kLogFrames | kLogScript});
    QCOMPARE(posts[1].second, uintptr_t{kLogWarnings | kLogFrames | kLogScript});
}

void PreferencesTest::BoardListEndsAtTheFirstIncompleteEntry()
{
    const auto boards = ReadControllerBoardList(support_->File("ZOVtool.ini"));
    QCOMPARE(boards.size(), size_t{2});
    QCOMPARE(boards[1].first, std::string("XC167"));
    QCOMPARE(boards[1].second, std::string("Controller board XC167"));
    QVERIFY(ReadControllerBoardList(support_->File("missing.ini")).empty());
}

QTEST_MAIN(PreferencesTest)
#include "PreferencesTest.moc"
