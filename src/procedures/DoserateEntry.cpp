#include "procedures/DoserateEntry.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/Format.h"

std::string DoserateEntryText(double value)
{
    return Format("%.15g", value);
}

namespace {

// Digits, one optional point, an optional exponent: the decimal forms only, so that "0x10",
// "inf" and "nan" are no doserates.
bool IsDecimalNumber(const std::string& text)
{
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        size_t exponent_digits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return i == text.size();
}

std::string Trimmed(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

}  // namespace

bool ReadDoserateEntry(const std::string& text, double* value, std::string* message)
{
    const std::string number = Trimmed(text);
    if (!IsDecimalNumber(number)) {
        *message = "Please enter a number.";
        return false;
    }
    const double parsed = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(parsed) || parsed < 0.0 || parsed > kMaxDoserateEntry) {
        *message = Format("Please enter a number between 0 and %.0f.", kMaxDoserateEntry);
        return false;
    }
    *value = parsed;
    return true;
}
