#include "config/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

#include "platform/NumberReader.h"

namespace {

constexpr uint64_t kMagnitudeCap = uint64_t{1} << 33;  // anything above 32 bits is "too big"

// The parts of a C-style integer conversion: sign and magnitude (capped, so it cannot wrap).
struct ParsedInteger {
    bool negative = false;
    uint64_t magnitude = 0;
};

ParsedInteger ParseInteger(std::string_view text, int base)
{
    const tagNumberRead number = ReadNumber(text, base);
    ParsedInteger result;
    result.negative = number.found && number.negative;
    result.magnitude = number.magnitude > kMagnitudeCap ? kMagnitudeCap : number.magnitude;
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

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The length of the decimal number at text[begin]: sign, digits with at most one point (at least
// one digit), then an exponent only when digits follow its "e". 0 when there is none.
size_t DecimalNumberLength(std::string_view text, size_t begin)
{
    size_t i = begin;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    size_t digits = 0;
    for (; i < text.size() && IsDecimalDigit(text[i]); ++i) {
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && IsDecimalDigit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        if (exponent < text.size() && IsDecimalDigit(text[exponent])) {
            while (exponent < text.size() && IsDecimalDigit(text[exponent])) {
                ++exponent;
            }
            i = exponent;
        }
    }
    return i - begin;
}

}  // namespace

double DecimalToDouble(std::string_view text)
{
    size_t begin = 0;
    while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\t' || text[begin] == '\n' ||
                                   text[begin] == '\v' || text[begin] == '\f' || text[begin] == '\r')) {
        ++begin;
    }
    // Only the decimal number itself goes to the C library, which would also take "0x10",
    // "inf" and "nan".
    const size_t length = DecimalNumberLength(text, begin);
    if (length == 0) {
        return 0.0;
    }
    const std::string number(text.substr(begin, length));
    const double value = strtod_l(number.c_str(), nullptr, ClassicLocale());
    constexpr double kMax = std::numeric_limits<double>::max();
    return std::isinf(value) ? (value > 0 ? kMax : -kMax) : value;
}

float DoubleToFloat(double value)
{
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isnan(value)) {
        return 0.0f;
    }
    if (value > kMax) {
        return std::numeric_limits<float>::max();
    }
    if (value < -kMax) {
        return -std::numeric_limits<float>::max();
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
