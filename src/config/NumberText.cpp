#include "config/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace {

constexpr uint64_t kMagnitudeCap = uint64_t{1} << 33;  // anything above 32 bits is "too big"

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

// The parts of a C-style integer conversion: sign and magnitude (capped, so it cannot wrap).
struct ParsedInteger {
    bool negative = false;
    uint64_t magnitude = 0;
};

ParsedInteger ParseInteger(std::string_view text, int base)
{
    ParsedInteger result;
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    if (base == 0) {
        base = 10;
        if (i < text.size() && text[i] == '0') {
            base = 8;
            if (i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
                DigitValue(text[i + 2]) < 16) {
                base = 16;
                i += 2;
            }
        }
    } else if (base == 16 && i + 2 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X') && DigitValue(text[i + 2]) < 16) {
        i += 2;
    }
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base) {
            break;
        }
        result.magnitude = result.magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (result.magnitude > kMagnitudeCap) {
            result.magnitude = kMagnitudeCap;
        }
    }
    return result;
}

int32_t ToInt32(const ParsedInteger& parsed)
{
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
    if (parsed.negative) {
        if (parsed.magnitude > kMax + 1) {
            return std::numeric_limits<int32_t>::min();
        }
        return static_cast<int32_t>(-static_cast<int64_t>(parsed.magnitude));
    }
    return parsed.magnitude > kMax ? std::numeric_limits<int32_t>::max()
                                   : static_cast<int32_t>(parsed.magnitude);
}

locale_t ClassicLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

int32_t DecimalToInt32(std::string_view text)
{
    return ToInt32(ParseInteger(text, 10));
}

namespace {

// strtod never reads past the first byte that cannot belong to a number ("1.5e-3", "0x1p4",
// "inf", "nan(abc)"), so only the blanks and the run of such bytes after them need copying.
bool MayBelongToNumber(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '+' ||
           c == '-' || c == '_' || c == '(' || c == ')';
}

}  // namespace

double DecimalToDouble(std::string_view text)
{
    size_t end = 0;
    while (end < text.size() && IsSpace(text[end])) {
        ++end;
    }
    while (end < text.size() && MayBelongToNumber(text[end])) {
        ++end;
    }
    const std::string copy(text.substr(0, end));  // strtod needs the terminating NUL
    return strtod_l(copy.c_str(), nullptr, ClassicLocale());
}

float DoubleToFloat(double value)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isnan(value)) {
        return std::numeric_limits<float>::quiet_NaN();
    }
    if (value > kMax) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -kMax) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

uint32_t AutoToUint32(std::string_view text)
{
    const ParsedInteger parsed = ParseInteger(text, 0);
    if (parsed.magnitude > 0xFFFFFFFFu) {
        return 0xFFFFFFFFu;
    }
    const uint32_t magnitude = static_cast<uint32_t>(parsed.magnitude);
    return parsed.negative ? 0u - magnitude : magnitude;
}

int32_t AutoToInt32(std::string_view text)
{
    return ToInt32(ParseInteger(text, 0));
}

int32_t HexToInt32(std::string_view text)
{
    return ToInt32(ParseInteger(text, 16));
}

std::string FormatFixed2(double value)
{
    char buffer[400];  // room for the largest double with two decimals
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::fixed, 2);
    if (result.ec != std::errc()) {
        return std::string();
    }
    return std::string(buffer, result.ptr);
}
