#include "handler/ParamTable.h"

#include <limits>
#include <memory>

#include "platform/Format.h"
#include "platform/NumberReader.h"

namespace {

// A number as the subsystem writes it: automatic base, 0 for text that is no number. A value
// above 32 bits keeps its low 32 bits.
uint32_t NumberBits(const std::string& text)
{
    const tagNumberRead number = ReadNumber(text);
    const uint32_t low = static_cast<uint32_t>(number.magnitude);
    return number.negative ? 0u - low : low;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

uint32_t ReadHexGroup(const std::string& text, size_t pos, size_t width)
{
    uint32_t value = 0;
    for (size_t i = 0; i < width && pos + i < text.size(); ++i) {
        const int digit = HexDigit(text[pos + i]);
        if (digit < 0) break;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    return value;
}

namespace {

bool IsNumberType(uint32_t type)
{
    return type == kParamBool || type == kParamUlong || type == kParamUshort || type == kParamUchar ||
           type == kParamShort;
}

// The inputs a number type takes: a signed 16-bit parameter also as its 16-bit pattern.
bool InputInRange(uint32_t type, int64_t value)
{
    switch (type) {
    case kParamBool: return value >= 0 && value <= 1;
    case kParamUlong: return value >= 0 && value <= int64_t{UINT32_MAX};
    case kParamUshort: return value >= 0 && value <= int64_t{UINT16_MAX};
    case kParamUchar: return value >= 0 && value <= int64_t{UINT8_MAX};
    case kParamShort: return value >= int64_t{INT16_MIN} && value <= int64_t{UINT16_MAX};
    default: return false;
    }
}

}  // namespace

std::optional<ParamValue> ParamValueFromReply(uint32_t type, const std::string& text)
{
    if (IsNumberType(type) && !ReadUnsigned32(text)) {
        return std::nullopt;
    }
    return ParamValueFromText(type, text);
}

std::optional<ParamValue> ParamValueFromInput(uint32_t type, const std::string& text)
{
    const std::string value = text == "True" ? "1" : text == "False" ? "0" : text;
    if (!IsNumberType(type)) {
        return ParamValueFromText(type, value);
    }
    if (!IsWholeNumber(value)) {
        return std::nullopt;
    }
    const tagNumberRead number = ReadNumber(value);
    if (number.magnitude > uint64_t{UINT32_MAX}) {
        return std::nullopt;
    }
    const int64_t signed_value =
        number.negative ? -static_cast<int64_t>(number.magnitude) : static_cast<int64_t>(number.magnitude);
    if (!InputInRange(type, signed_value)) {
        return std::nullopt;
    }
    return ParamValueFromText(type, value);
}

std::string ParamInputDescription(uint32_t type)
{
    switch (type) {
    case kParamBool: return "0 or 1 (or True or False)";
    case kParamUlong: return "an unsigned 32-bit number";
    case kParamUshort: return "an unsigned 16-bit number";
    case kParamUchar: return "an unsigned 8-bit number";
    case kParamShort: return "a signed 16-bit number";
    case kParamWordArray: return "0x and 16 groups of four hexadecimal digits";
    case kParamByteArray: return "0x and 2 groups of two hexadecimal digits";
    default: return "a value of an unknown type";
    }
}

namespace {

std::mutex g_tables_lock;
std::unique_ptr<CDev0ParamTable> g_dev0;
int g_dev0_users = 0;
std::unique_ptr<CDev1ParamTable> g_dev1;
int g_dev1_users = 0;

}  // namespace

std::string ParamValueText(const ParamValue& value)
{
    switch (value.type) {
    case kParamBool:
        return value.number & 1 ? "1" : "0";
    case kParamUlong:
        return Format("%u", value.number);
    case kParamUshort:
        return Format("%u", value.number & 0xFFFF);
    case kParamUchar:
        return Format("%u", value.number & 0xFF);
    case kParamShort:
        return Format("%d", static_cast<int>(value.signed_number));
    case kParamWordArray: {
        std::string text = "0x";
        for (uint16_t word : value.words) text += Format("%04x", word);
        return text;
    }
    case kParamByteArray:
        return Format("0x%02x%02x", value.bytes[0], value.bytes[1]);
    default:
        return {};
    }
}

ParamValue ParamValueFromText(uint32_t type, const std::string& text)
{
    ParamValue value;
    value.type = type;
    switch (type) {
    case kParamBool:
        value.number = NumberBits(text) & 1;
        break;
    case kParamUlong:
        value.number = NumberBits(text);
        break;
    case kParamUshort:
        value.number = NumberBits(text) & 0xFFFF;
        break;
    case kParamUchar:
        value.number = NumberBits(text) & 0xFF;
        break;
    case kParamShort:
        value.signed_number = static_cast<int16_t>(NumberBits(text) & 0xFFFF);
        break;
    case kParamWordArray:
    case kParamByteArray: {
        // The groups follow a "0x" prefix; without one the text is read from its start.
        const size_t start = text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 2 : 0;
        if (type == kParamWordArray) {
            for (size_t i = 0; i < value.words.size(); ++i)
                value.words[i] = static_cast<uint16_t>(ReadHexGroup(text, start + 4 * i, 4));
        } else {
            for (size_t i = 0; i < value.bytes.size(); ++i)
                value.bytes[i] = static_cast<uint8_t>(ReadHexGroup(text, start + 2 * i, 2));
        }
        break;
    }
    default:
        break;
    }
    return value;
}

const ParamEntry* CParamTable::GetParam(const std::string& name) const
{
    const auto it = params_.find(name);
    return it == params_.end() ? nullptr : it->second;
}

namespace {

// Minimum and maximum sit at the requested and accepted subindexes of the minimum/maximum object.
constexpr ParamEntry Entry(uint32_t requested, uint32_t accepted, uint32_t type)
{
    return ParamEntry{requested, accepted, requested, accepted, type};
}

struct tagTableRow {
    const char* name;
    ParamEntry entry;
};

}  // namespace

// The rows are static so that the entries and names the maps point at live for the whole run.
namespace {

const tagTableRow kDev0Rows[] = {
    {"Involved", Entry(2, 3, kParamBool)},
    {"RequestedDoserate", Entry(6, 7, kParamUlong)},
    {"DoseMeasuringFieldAreaCorrection", Entry(10, 11, kParamUshort)},
    {"DoseRatioTable", Entry(14, 15, kParamWordArray)},
    {"SelectedReceptorFieldSize", Entry(16, 17, kParamUshort)},
    {"DosePerImage", Entry(20, 21, kParamUshort)},
    {"ApplicationFactor", Entry(22, 23, kParamUchar)},
    {"SensorIntervalTime", Entry(28, 29, kParamUshort)},
    {"SensorIntegrationTime", Entry(30, 31, kParamUshort)},
    {"WhiteClipper", Entry(42, 43, kParamBool)},
    {"StoreImages", Entry(44, 45, kParamUchar)},
    {"ProcedureType", Entry(46, 47, kParamUchar)},
    {"SubtractMaskImage", Entry(48, 49, kParamUchar)},
    {"TraceDelay", Entry(50, 51, kParamUchar)},
    {"TraceMethod", Entry(52, 53, kParamUchar)},
};

const tagTableRow kDev1Rows[] = {
    {"Involved", Entry(2, 3, kParamBool)},
    {"HorizontalFlip", Entry(4, 5, kParamBool)},
    {"VerticalFlip", Entry(6, 7, kParamBool)},
    {"ImageGainControlMode", Entry(20, 21, kParamUchar)},
    {"AutoLockAfterNExposures", Entry(22, 23, kParamUshort)},
    {"MaxAgcGain", Entry(26, 27, kParamUchar)},
    {"NoiseReduction", Entry(28, 29, kParamUchar)},
    {"EdgeEnhancement", Entry(30, 31, kParamUchar)},
    {"LastImageHold", Entry(32, 33, kParamBool)},
    {"Contrast", Entry(34, 35, kParamUchar)},
    {"Brightness", Entry(36, 37, kParamUchar)},
    {"RotationAngle", Entry(38, 39, kParamShort)},
    {"Zoom", Entry(40, 41, kParamUshort)},
    {"Panning", Entry(42, 43, kParamByteArray)},
    {"GreyLevelInvert", Entry(44, 45, kParamBool)},
};

}  // namespace

CDev0ParamTable::CDev0ParamTable()
{
    for (const tagTableRow& row : kDev0Rows) {
        Add(row.name, &row.entry);
        names_.emplace(static_cast<uint16_t>(row.entry.requested_subindex), row.name);
    }
}

const char* CDev0ParamTable::GetParamName(uint16_t requested_subindex) const
{
    const auto it = names_.find(requested_subindex);
    return it == names_.end() ? nullptr : it->second;
}

CDev0ParamTable* CDev0ParamTable::AcquireInstance()
{
    std::lock_guard<std::mutex> lock(g_tables_lock);
    if (g_dev0_users++ == 0) g_dev0.reset(new CDev0ParamTable());
    return g_dev0.get();
}

void CDev0ParamTable::ReleaseInstance()
{
    std::lock_guard<std::mutex> lock(g_tables_lock);
    // An unmatched release must not drive the count below zero and delete a table in use.
    if (g_dev0_users == 0) return;
    if (--g_dev0_users == 0) {
        g_dev0.reset();
    }
}

CDev1ParamTable::CDev1ParamTable()
{
    for (const tagTableRow& row : kDev1Rows) {
        Add(row.name, &row.entry);
        names_.emplace(static_cast<uint16_t>(row.entry.requested_subindex), row.name);
    }
}

const char* CDev1ParamTable::GetParamName(uint16_t requested_subindex) const
{
    const auto it = names_.find(requested_subindex);
    return it == names_.end() ? nullptr : it->second;
}

CDev1ParamTable* CDev1ParamTable::AcquireInstance()
{
    std::lock_guard<std::mutex> lock(g_tables_lock);
    if (g_dev1_users++ == 0) g_dev1.reset(new CDev1ParamTable());
    return g_dev1.get();
}

void CDev1ParamTable::ReleaseInstance()
{
    std::lock_guard<std::mutex> lock(g_tables_lock);
    if (g_dev1_users == 0) return;
    if (--g_dev1_users == 0) {
        g_dev1.reset();
    }
}
