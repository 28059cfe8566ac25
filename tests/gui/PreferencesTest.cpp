// The Preferences page: what it offers and shows, and that every control writes its own setting
// at once (a logging flag also tells the main window).

#include <mutex>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
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
    void PortListFollowsAdaptersPluggedInAndOut();
    void ATypedDevicePathIsStored();
    void ZeroTimeoutReadsNoLimit();
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

namespace {

// A port lister whose ports the test changes, as plugging an adapter in or out does.
struct CFakePorts {
    std::vector<tagSerialPortInfo> ports;
    CPreferencesPage::PortLister Lister()
    {
        return [this] { return ports; };
    }
};

tagSerialPortInfo Adapter(const char* name, const char* serial)
{
    return {name, std::string("/dev/") + name, "FT232R USB UART", "FTDI", serial, true};
}

tagSerialPortInfo BuiltInPort(const char* name)
{
    return {name, std::string("/dev/") + name, "", "", "", false};
}

}  // namespace

void PreferencesTest::PortListFallsBackToCom1ToCom8()
{
    CFakePorts none;
    CPreferencesPage page(none.Lister(), nullptr);
    QCOMPARE(Items(*page.PortBox()),
             QStringList({"COM1 (/dev/ttyS0)", "COM2 (/dev/ttyS1)", "COM3 (/dev/ttyS2)",
                          "COM4 (/dev/ttyS3)", "COM5 (/dev/ttyS4)", "COM6 (/dev/ttyS5)",
                          "COM7 (/dev/ttyS6)", "COM8 (/dev/ttyS7)"}));
}

void PreferencesTest::PortListFollowsAdaptersPluggedInAndOut()
{
    AppSettings::SetComPort("COM1");
    CFakePorts system;
    system.ports = {BuiltInPort("ttyS0")};
    CPreferencesPage page(system.Lister(), nullptr);
    QCOMPARE(Items(*page.PortBox()), QStringList({"COM1 (/dev/ttyS0)"}));

    system.ports.push_back(Adapter("ttyUSB0", "A9XK2"));
    page.RefreshPorts();
    QCOMPARE(Items(*page.PortBox()),
             QStringList({QStringLiteral("ttyUSB0 \u2014 FTDI FT232R USB UART (S/N A9XK2)"),
                          QStringLiteral("COM1 (/dev/ttyS0)")}));
    // The choice stays, and the refresh writes nothing.
    QCOMPARE(page.ChosenPortSetting(), QStringLiteral("COM1"));
    page.PortBox()->setCurrentIndex(0);
    QCOMPARE(CSettingsStore::ReadString("COM port"), std::string("ttyUSB0"));

    // Pulled out again: the chosen adapter stays selectable, by name.
    system.ports = {BuiltInPort("ttyS0")};
    page.RefreshPorts();
    QCOMPARE(Items(*page.PortBox()), QStringList({"COM1 (/dev/ttyS0)", "ttyUSB0"}));
    QCOMPARE(page.ChosenPortSetting(), QStringLiteral("ttyUSB0"));
    QCOMPARE(CSettingsStore::ReadString("COM port"), std::string("ttyUSB0"));
}

void PreferencesTest::ATypedDevicePathIsStored()
{
    CFakePorts system;
    system.ports = {BuiltInPort("ttyS0")};
    CPreferencesPage page(system.Lister(), nullptr);
    QVERIFY(page.PortBox()->isEditable());
    page.PortBox()->lineEdit()->setText(QStringLiteral(" /tmp/zovsim "));
    emit page.PortBox()->lineEdit()->editingFinished();
    QCOMPARE(CSettingsStore::ReadString("COM port"), std::string("/tmp/zovsim"));
    // Typing an entry's label stores the entry's setting.
    page.PortBox()->lineEdit()->setText(QStringLiteral("COM1 (/dev/ttyS0)"));
    emit page.PortBox()->lineEdit()->editingFinished();
    QCOMPARE(CSettingsStore::ReadString("COM port"), std::string("COM1"));
}

void PreferencesTest::ZeroTimeoutReadsNoLimit()
{
    CFakePorts none;
    CPreferencesPage page(none.Lister(), nullptr);
    QCOMPARE(page.TimeoutBox()->value(), 0);
    QCOMPARE(page.TimeoutBox()->text(), QStringLiteral("no limit"));
    QVERIFY(page.TimeoutBox()->toolTip().contains(QStringLiteral("0 (\"no limit\")")));
    page.TimeoutBox()->setValue(5000);
    QCOMPARE(page.TimeoutBox()->text(), QStringLiteral("5000 ms"));
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
    CFakePorts system;
    system.ports = {BuiltInPort("ttyS0")};
    CPreferencesPage page(system.Lister(), nullptr);
    // A stored device path that the system does not list stays selectable.
    QCOMPARE(Items(*page.PortBox()), QStringList({"COM1 (/dev/ttyS0)", "/dev/ttyUSB3"}));
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
    CFakePorts none;
    CPreferencesPage page(none.Lister(), nullptr);
    QCOMPARE(page.PortBox()->count(), 8);
    QCOMPARE(page.ChosenPortSetting(), QStringLiteral("COM1"));
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
    CFakePorts none;
    CPreferencesPage page(none.Lister(), nullptr);
    page.PortBox()->setCurrentIndex(3);
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
    CFakePorts none;
    CPreferencesPage page(none.Lister(), nullptr);
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
