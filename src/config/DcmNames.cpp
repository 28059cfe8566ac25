#include "config/DcmNames.h"

#include <algorithm>

#include "config/NumberText.h"
#include "platform/Format.h"

const char kDcmHighToLow[] = "00";
const char kDcmLowToHigh[] = "01";
const char kDcmSingleAction[] = "02";

const char kDcmDebounceName[] = "DCM Debounce";
const char kDcmDebounceHelp[] = "Debounce times for DCM input lines.";
const char kDcmModeName[] = "DCM Mode";
const char kDcmModeHelp[] = "DCM input line transitions that cause messages to the subsystem.";
const char kDcmPrioIoName[] = "DCM PrioIO";
const char kDcmPrioIoHelp[] = "DCM input line priorities.";

namespace {

const char kInputPrefix[] = "DCM i";
const char kOutputPrefix[] = "DCM o";
constexpr size_t kPrefixLength = 5;

}  // namespace

std::string DcmInputItemName(int line, const std::string& transition)
{
    return Format("DCM i%d:", line) + transition;
}

std::string DcmOutputItemName(int line)
{
    return Format("DCM o%d", line);
}

bool IsDcmInputItemName(const std::string& name)
{
    return name.starts_with(kInputPrefix);
}

bool IsDcmOutputItemName(const std::string& name)
{
    return name.starts_with(kOutputPrefix);
}

int DcmLineFromItemName(const std::string& name)
{
    if (!IsDcmInputItemName(name) && !IsDcmOutputItemName(name)) {
        return 0;
    }
    const std::string_view rest = std::string_view(name).substr(kPrefixLength);
    return DecimalToInt32(rest.substr(0, rest.find(':')));
}

std::string DcmTransitionFromItemName(const std::string& name)
{
    const size_t colon = name.find(':');
    return IsDcmInputItemName(name) && colon != std::string::npos ? name.substr(colon + 1) : std::string();
}

int GetDcmLineByte(const std::string& text, int line)
{
    if (line < 1 || line > kDcmMaxLine) {
        return 0;
    }
    const size_t position = 2 * static_cast<size_t>(line - 1);
    if (position >= text.size()) {
        return 0;
    }
    return HexToInt32(std::string_view(text).substr(position, 2));
}

bool SetDcmLineByte(std::string& text, int line, int value)
{
    if (line < 1 || line > kDcmMaxLine) {
        return false;
    }
    const size_t position = 2 * static_cast<size_t>(line - 1);
    while (text.size() < position + 2) {
        text += "00";
    }
    // A value beyond a byte would take more than its two digits and shift every later line.
    const int byte = std::clamp(value, 0, 255);
    text.replace(position, 2, Format("%02x", static_cast<unsigned>(byte)));
    return true;
}
