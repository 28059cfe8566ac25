#include "SimParams.h"

#include <cerrno>
#include <cstdlib>

#include "platform/Format.h"

namespace {

// Logical device 0, "Image Detection". Times in 0.1 ms, doserates in 0.1 nG/s, dose per image
// in 0.1 nGy, field sizes in 0.1 mm.
constexpr SimParam kDevice0[] = {
    {"Involved", 2, 3, SimType::Bool, 0, 0, 1},
    {"RequestedDoserate", 6, 7, SimType::U32, 3000, 50, 300000},
    {"DoseMeasuringFieldAreaCorrection", 10, 11, SimType::U16, 1000, 500, 2000},
    {"DoseRatioTable", 14, 15, SimType::Words16, 0x0400, 0x0000, 0x1000},
    {"SelectedReceptorFieldSize", 16, 17, SimType::U16, 380, 100, 400},
    {"DosePerImage", 20, 21, SimType::U16, 600, 10, 10000},
    {"ApplicationFactor", 22, 23, SimType::U8, 100, 1, 200},
    {"SensorIntervalTime", 28, 29, SimType::U16, 400, 0, 10000},
    {"SensorIntegrationTime", 30, 31, SimType::U16, 399, 0, 10000},
    {"WhiteClipper", 42, 43, SimType::Bool, 1, 0, 1},
    {"StoreImages", 44, 45, SimType::U8, 0, 0, 2},
    {"ProcedureType", 46, 47, SimType::U8, 1, 0, 15},
    {"SubtractMaskImage", 48, 49, SimType::U8, 0, 0, 1},
    {"TraceDelay", 50, 51, SimType::U8, 0, 0, 100},
    {"TraceMethod", 52, 53, SimType::U8, 0, 0, 3},
};

// Logical device 1, "Image Processing".
constexpr SimParam kDevice1[] = {
    {"Involved", 2, 3, SimType::Bool, 0, 0, 1},
    {"HorizontalFlip", 4, 5, SimType::Bool, 0, 0, 1},
    {"VerticalFlip", 6, 7, SimType::Bool, 0, 0, 1},
    {"ImageGainControlMode", 20, 21, SimType::U8, 1, 0, 3},
    {"AutoLockAfterNExposures", 22, 23, SimType::U16, 0, 0, 1000},
    {"MaxAgcGain", 26, 27, SimType::U8, 16, 1, 64},
    {"NoiseReduction", 28, 29, SimType::U8, 2, 0, 7},
    {"EdgeEnhancement", 30, 31, SimType::U8, 2, 0, 7},
    {"LastImageHold", 32, 33, SimType::Bool, 1, 0, 1},
    {"Contrast", 34, 35, SimType::U8, 50, 0, 100},
    {"Brightness", 36, 37, SimType::U8, 50, 0, 100},
    {"RotationAngle", 38, 39, SimType::S16, 0, -180, 180},
    {"Zoom", 40, 41, SimType::U16, 100, 100, 400},
    {"Panning", 42, 43, SimType::Bytes2, 0x80, 0x00, 0xFF},
    {"GreyLevelInvert", 44, 45, SimType::Bool, 0, 0, 1},
};

int Elements(SimType type)
{
    return type == SimType::Words16 ? 16 : type == SimType::Bytes2 ? 2 : 0;
}

SimValue Filled(const SimParam& param, int64_t v)
{
    SimValue value;
    const int n = Elements(param.type);
    if (n == 0) {
        value.number = v;
    }
    for (int i = 0; i < n; ++i) {
        value.words[static_cast<size_t>(i)] = static_cast<uint16_t>(v);
    }
    return value;
}

}  // namespace

const SimParam* SimParamTable(int device, size_t* count)
{
    if (device == 0) {
        *count = std::size(kDevice0);
        return kDevice0;
    }
    if (device == 1) {
        *count = std::size(kDevice1);
        return kDevice1;
    }
    *count = 0;
    return nullptr;
}

const SimParam* FindSimParam(int device, uint8_t subindex, bool* is_accepted)
{
    size_t count = 0;
    const SimParam* table = SimParamTable(device, &count);
    for (size_t i = 0; i < count; ++i) {
        if (table[i].requested == subindex || table[i].accepted == subindex) {
            *is_accepted = table[i].accepted == subindex;
            return &table[i];
        }
    }
    return nullptr;
}

uint8_t SimHighestSubindex(int device)
{
    return device == 0 ? 53 : 45;
}

uint16_t SimBufferIndex(int device, int buffer)
{
    if (buffer < 0 || buffer >= kSimBuffers || device < 0 || device >= kSimDevices) {
        return 0;
    }
    const uint16_t base = device == 0 ? 0x2000 : 0x2800;
    if (buffer == kFieldServiceBuffer) {
        return static_cast<uint16_t>(base + 0x1F);
    }
    if (buffer == kReviewBuffer) {
        return device == 0 ? 0x2801 : 0x2830;
    }
    return static_cast<uint16_t>(base + 0x20 + buffer);
}

bool SimBufferOfIndex(uint16_t index, int* device, int* buffer)
{
    for (int d = 0; d < kSimDevices; ++d) {
        for (int b = 0; b < kSimBuffers; ++b) {
            if (SimBufferIndex(d, b) == index) {
                *device = d;
                *buffer = b;
                return true;
            }
        }
    }
    return false;
}

std::string SimValueText(SimType type, const SimValue& value)
{
    switch (type) {
    case SimType::Words16: {
        std::string text = "0x";
        for (uint16_t w : value.words) {
            text += Format("%04x", w);
        }
        return text;
    }
    case SimType::Bytes2:
        return Format("0x%02x%02x", value.words[0] & 0xFF, value.words[1] & 0xFF);
    case SimType::S16:
        return Format("%lld", static_cast<long long>(value.number));
    default:
        return Format("0x%llx", static_cast<unsigned long long>(value.number));
    }
}

bool ParseSimNumber(const std::string& text, uint64_t* value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseSimSigned(const std::string& text, int64_t* value)
{
    if (text.empty() || text[0] == ' ') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') {
        return false;
    }
    *value = parsed;
    return true;
}

namespace {

bool ParseGroups(const std::string& text, int count, int digits, SimValue* value)
{
    if (text.size() != static_cast<size_t>(2 + count * digits) || text[0] != '0' ||
        (text[1] != 'x' && text[1] != 'X')) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        unsigned v = 0;
        for (int k = 0; k < digits; ++k) {
            const char c = text[static_cast<size_t>(2 + i * digits + k)];
            int d = -1;
            if (c >= '0' && c <= '9') {
                d = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                d = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                d = c - 'A' + 10;
            }
            if (d < 0) {
                return false;
            }
            v = v * 16 + static_cast<unsigned>(d);
        }
        value->words[static_cast<size_t>(i)] = static_cast<uint16_t>(v);
    }
    return true;
}

}  // namespace

bool ParseSimValue(SimType type, const std::string& text, SimValue* value)
{
    SimValue parsed;
    switch (type) {
    case SimType::Words16:
        if (!ParseGroups(text, 16, 4, &parsed)) {
            return false;
        }
        break;
    case SimType::Bytes2:
        if (!ParseGroups(text, 2, 2, &parsed)) {
            return false;
        }
        break;
    case SimType::S16: {
        int64_t v = 0;
        if (!ParseSimSigned(text, &v) || v < -32768 || v > 32767) {
            return false;
        }
        parsed.number = v;
        break;
    }
    default: {
        uint64_t v = 0;
        const uint64_t limit = type == SimType::Bool ? 1
                               : type == SimType::U8 ? 0xFF
                               : type == SimType::U16 ? 0xFFFF
                                                      : 0xFFFFFFFFull;
        if (!ParseSimNumber(text, &v) || v > limit) {
            return false;
        }
        parsed.number = static_cast<int64_t>(v);
        break;
    }
    }
    *value = parsed;
    return true;
}

SimValue SimDefault(const SimParam& param)
{
    return Filled(param, param.def);
}

SimValue SimMinimum(const SimParam& param)
{
    return Filled(param, param.min);
}

SimValue SimMaximum(const SimParam& param)
{
    return Filled(param, param.max);
}

bool SimInRange(const SimParam& param, const SimValue& value)
{
    const int n = Elements(param.type);
    if (n == 0) {
        return value.number >= param.min && value.number <= param.max;
    }
    for (int i = 0; i < n; ++i) {
        const int64_t v = value.words[static_cast<size_t>(i)];
        if (v < param.min || v > param.max) {
            return false;
        }
    }
    return true;
}
