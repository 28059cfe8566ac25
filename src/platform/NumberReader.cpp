#include "platform/NumberReader.h"

#include <limits>

namespace {

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

bool HasHexPrefix(std::string_view text, size_t i)
{
    return i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
           DigitValue(text[i + 2]) < 16;
}

}  // namespace

tagNumberRead ReadNumber(std::string_view text, int base)
{
    tagNumberRead result;
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (base == 0) {
        base = 10;
        if (i < text.size() && text[i] == '0') {
            base = 8;
            if (HasHexPrefix(text, i)) {
                base = 16;
                i += 2;
            }
        }
    } else if (base == 16 && HasHexPrefix(text, i)) {
        i += 2;
    }
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t magnitude = 0;
    size_t digits = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base) {
            break;
        }
        const uint64_t d = static_cast<uint64_t>(digit);
        const uint64_t b = static_cast<uint64_t>(base);
        magnitude = magnitude > (kMax - d) / b ? kMax : magnitude * b + d;
        ++digits;
    }
    if (digits == 0) {
        return result;
    }
    result.found = true;
    result.negative = negative;
    result.magnitude = magnitude;
    result.end = i;
    return result;
}

std::optional<uint32_t> ReadUnsigned32(std::string_view text)
{
    const tagNumberRead number = ReadNumber(text);
    if (!number.found || number.magnitude > std::numeric_limits<uint32_t>::max()) {
        return std::nullopt;
    }
    const uint32_t magnitude = static_cast<uint32_t>(number.magnitude);
    return number.negative ? 0u - magnitude : magnitude;
}

std::optional<int32_t> ReadSigned32(std::string_view text)
{
    const tagNumberRead number = ReadNumber(text);
    constexpr uint64_t kMaxPositive = std::numeric_limits<int32_t>::max();
    if (!number.found || number.magnitude > kMaxPositive + (number.negative ? 1 : 0)) {
        return std::nullopt;
    }
    return number.negative ? static_cast<int32_t>(-static_cast<int64_t>(number.magnitude))
                           : static_cast<int32_t>(number.magnitude);
}

bool IsWholeNumber(std::string_view text)
{
    const tagNumberRead number = ReadNumber(text);
    if (!number.found) {
        return false;
    }
    for (size_t i = number.end; i < text.size(); ++i) {
        if (!IsSpace(text[i])) {
            return false;
        }
    }
    return true;
}
