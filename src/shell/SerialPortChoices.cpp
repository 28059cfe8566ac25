#include "shell/SerialPortChoices.h"

#include <algorithm>
#include <cctype>

#include "platform/Format.h"

namespace {

constexpr char kTtySPrefix[] = "/dev/ttyS";
constexpr int kFallbackPorts = 8;

// The n of "/dev/ttySn", or -1.
int TtySNumber(const std::string& location)
{
    const std::string prefix = kTtySPrefix;
    if (location.compare(0, prefix.size(), prefix) != 0 || location.size() == prefix.size() ||
        location.size() > prefix.size() + 3) {
        return -1;
    }
    int number = 0;
    for (size_t i = prefix.size(); i < location.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(location[i]))) {
            return -1;
        }
        number = number * 10 + (location[i] - '0');
    }
    return number;
}

// "ttyUSB2" before "ttyUSB10": digit runs compare by value.
bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t end_a = i;
            size_t end_b = j;
            while (end_a < a.size() && std::isdigit(static_cast<unsigned char>(a[end_a]))) {
                ++end_a;
            }
            while (end_b < b.size() && std::isdigit(static_cast<unsigned char>(b[end_b]))) {
                ++end_b;
            }
            const std::string digits_a = a.substr(i, end_a - i);
            const std::string digits_b = b.substr(j, end_b - j);
            if (digits_a.size() != digits_b.size()) {
                return digits_a.size() < digits_b.size();
            }
            if (digits_a != digits_b) {
                return digits_a < digits_b;
            }
            i = end_a;
            j = end_b;
        } else {
            if (a[i] != b[j]) {
                return a[i] < b[j];
            }
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

std::string ComLabel(int com_number)
{
    return Format("COM%d (%s%d)", com_number, kTtySPrefix, com_number - 1);
}

}  // namespace

tagPortChoice PortChoiceOf(const tagSerialPortInfo& port)
{
    const std::string location =
        port.system_location.empty() ? "/dev/" + port.port_name : port.system_location;
    const int tty_s = TtySNumber(location);
    if (tty_s >= 0 && !port.is_usb) {
        return {ComLabel(tty_s + 1), Format("COM%d", tty_s + 1)};
    }
    // A port outside /dev is stored by its path; one in /dev by its name, as engineers type it.
    const std::string setting =
        location.compare(0, 5, "/dev/") == 0 && location.find('/', 5) == std::string::npos
            ? location.substr(5)
            : location;
    std::string detail = port.manufacturer;
    if (!port.description.empty() && port.description != port.manufacturer) {
        detail += detail.empty() ? port.description : " " + port.description;
    }
    if (!port.serial_number.empty()) {
        const std::string serial = "S/N " + port.serial_number;
        detail += detail.empty() ? serial : " (" + serial + ")";
    }
    return {detail.empty() ? setting : setting + " \u2014 " + detail, setting};
}

tagPortChoice PortChoiceOfSetting(const std::string& setting)
{
    if (setting.size() > 3 && setting.compare(0, 3, "COM") == 0 &&
        setting.find_first_not_of("0123456789", 3) == std::string::npos && setting.size() <= 6) {
        const int number = std::stoi(setting.substr(3));
        if (number >= 1) {
            return {ComLabel(number), setting};
        }
    }
    return {setting, setting};
}

std::vector<tagPortChoice> SerialPortChoices(const std::vector<tagSerialPortInfo>& ports)
{
    std::vector<tagPortChoice> choices;
    if (ports.empty()) {
        for (int n = 1; n <= kFallbackPorts; ++n) {
            choices.push_back({ComLabel(n), Format("COM%d", n)});
        }
        return choices;
    }
    std::vector<tagSerialPortInfo> sorted = ports;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const tagSerialPortInfo& a, const tagSerialPortInfo& b) {
                         if (a.is_usb != b.is_usb) {
                             return a.is_usb;
                         }
                         return NaturalLess(a.port_name, b.port_name);
                     });
    for (const tagSerialPortInfo& port : sorted) {
        choices.push_back(PortChoiceOf(port));
    }
    return choices;
}
