// The entries of the Preferences page's port list, named the way engineers recognise a port:
// "COM1 (/dev/ttyS0)" for a built-in port, "ttyUSB0 — FTDI FT232R USB UART (S/N A9XK2)" for a USB
// adapter, the adapters first. Each entry carries the value the "COM port" setting stores for it.
#pragma once

#include <string>
#include <vector>

// What the system tells about one serial port (QSerialPortInfo in the window).
struct tagSerialPortInfo {
    std::string port_name;        // "ttyUSB0"
    std::string system_location;  // "/dev/ttyUSB0"
    std::string description;      // "FT232R USB UART"
    std::string manufacturer;     // "FTDI"
    std::string serial_number;    // "A9XK2"
    bool is_usb = false;          // a USB device (it has a vendor identifier)
};

struct tagPortChoice {
    std::string label;    // what the list shows
    std::string setting;  // what "COM port" stores: "COM1" for /dev/ttyS0, else the port name
};

// One entry per port: USB adapters first, then the other ports, each group in natural order
// (ttyUSB2 before ttyUSB10). With no ports at all, COM1 to COM8.
std::vector<tagPortChoice> SerialPortChoices(const std::vector<tagSerialPortInfo>& ports);

// The entry of one port.
tagPortChoice PortChoiceOf(const tagSerialPortInfo& port);

// The entry for a stored setting that no listed port has: a COM name shows its device
// ("COM9 (/dev/ttyS8)"), anything else as it is.
tagPortChoice PortChoiceOfSetting(const std::string& setting);
