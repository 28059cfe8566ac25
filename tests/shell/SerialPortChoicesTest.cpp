#include <gtest/gtest.h>

#include "shell/SerialPortChoices.h"

namespace {

tagSerialPortInfo Usb(const char* name, const char* manufacturer, const char* description,
                      const char* serial)
{
    return {name, std::string("/dev/") + name, description, manufacturer, serial, true};
}

tagSerialPortInfo BuiltIn(const char* name)
{
    return {name, std::string("/dev/") + name, "", "", "", false};
}

TEST(SerialPortChoicesTest, EachPortIsNamedAsEngineersKnowIt)
{
    const struct {
        tagSerialPortInfo port;
        const char* label;
        const char* setting;
    } rows[] = {
        {BuiltIn("ttyS0"), "COM1 (/dev/ttyS0)", "COM1"},
        {BuiltIn("ttyS11"), "COM12 (/dev/ttyS11)", "COM12"},
        {Usb("ttyUSB0", "FTDI", "FT232R USB UART", "A9XK2"),
         "ttyUSB0 \u2014 FTDI FT232R USB UART (S/N A9XK2)", "ttyUSB0"},
        {Usb("ttyUSB1", "Prolific", "Prolific", ""), "ttyUSB1 \u2014 Prolific", "ttyUSB1"},
        {Usb("ttyACM0", "", "", "0042"), "ttyACM0 \u2014 S/N 0042", "ttyACM0"},
        {Usb("ttyUSB2", "", "", ""), "ttyUSB2", "ttyUSB2"},
        // A USB adapter whose driver calls it ttyS keeps its name: it is no COM port.
        {{"ttyS4", "/dev/ttyS4", "USB serial", "", "", true}, "ttyS4 \u2014 USB serial", "ttyS4"},
        // Outside /dev (a link of the simulated board) the path is the setting.
        {{"zovsim", "/tmp/zov/zovsim", "", "", "", false}, "/tmp/zov/zovsim", "/tmp/zov/zovsim"},
        {{"ttyS0x", "/dev/ttyS0x", "", "", "", false}, "ttyS0x", "ttyS0x"},
    };
    for (const auto& row : rows) {
        const tagPortChoice choice = PortChoiceOf(row.port);
        EXPECT_EQ(choice.label, row.label) << row.port.port_name;
        EXPECT_EQ(choice.setting, row.setting) << row.port.port_name;
    }
}

TEST(SerialPortChoicesTest, UsbAdaptersComeFirstInNaturalOrder)
{
    const std::vector<tagSerialPortInfo> ports = {
        BuiltIn("ttyS1"), Usb("ttyUSB10", "FTDI", "", ""), BuiltIn("ttyS0"),
        Usb("ttyUSB2", "FTDI", "", ""), BuiltIn("ttyS10"), Usb("ttyACM0", "", "", "")};
    std::vector<std::string> settings;
    for (const tagPortChoice& choice : SerialPortChoices(ports)) {
        settings.push_back(choice.setting);
    }
    EXPECT_EQ(settings, (std::vector<std::string>{"ttyACM0", "ttyUSB2", "ttyUSB10", "COM1",
                                                  "COM2", "COM11"}));
}

TEST(SerialPortChoicesTest, WithoutPortsTheListOffersCom1ToCom8)
{
    const std::vector<tagPortChoice> choices = SerialPortChoices({});
    ASSERT_EQ(choices.size(), 8u);
    EXPECT_EQ(choices[0].label, "COM1 (/dev/ttyS0)");
    EXPECT_EQ(choices[0].setting, "COM1");
    EXPECT_EQ(choices[7].setting, "COM8");
}

TEST(SerialPortChoicesTest, AStoredSettingWithoutAPortKeepsAReadableEntry)
{
    const struct {
        const char* setting;
        const char* label;
    } rows[] = {{"COM9", "COM9 (/dev/ttyS8)"}, {"COM0", "COM0"}, {"ttyUSB7", "ttyUSB7"},
                {"/tmp/zovsim", "/tmp/zovsim"}, {"COMX", "COMX"}, {"COM1234567", "COM1234567"}};
    for (const auto& row : rows) {
        const tagPortChoice choice = PortChoiceOfSetting(row.setting);
        EXPECT_EQ(choice.label, row.label);
        EXPECT_EQ(choice.setting, row.setting);
    }
}

}  // namespace
