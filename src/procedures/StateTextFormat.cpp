#include "procedures/StateTextFormat.h"

#include <cstring>
#include <functional>
#include <vector>

#include "platform/Format.h"

namespace {

// One conversion of a format text: where it starts, its length and its conversion letter, or
// a plain "%%".
struct tagConversion {
    size_t length = 0;
    char letter = 0;
    bool has_length_l = false;
    bool valid = false;
};

// Reads the conversion that starts with the '%' at text[at]: flags, width and precision as
// digits only (a '*' would take an argument that is not there), an optional "l", the letter.
tagConversion ReadConversion(const std::string& text, size_t at)
{
    tagConversion conversion;
    size_t i = at + 1;
    while (i < text.size() && std::strchr("-+ #0", text[i]) != nullptr) ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    }
    if (i < text.size() && text[i] == 'l') {
        conversion.has_length_l = true;
        ++i;
    }
    if (i >= text.size()) return conversion;
    conversion.letter = text[i];
    conversion.length = i + 1 - at;
    conversion.valid = true;
    return conversion;
}

// Walks the format: "%%" becomes "%", a conversion that take() accepts is replaced by what it
// returns, every other character and conversion is copied.
std::string Substitute(const std::string& format,
                       const std::function<bool(const std::string& directive, const tagConversion&, std::string*)>& take)
{
    std::string out;
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        const tagConversion conversion = ReadConversion(format, i);
        if (!conversion.valid) {
            out.append(format, i, std::string::npos);
            break;
        }
        const std::string directive = format.substr(i, conversion.length);
        std::string replaced;
        if (take(directive, conversion, &replaced)) {
            out += replaced;
        } else {
            out += directive;
        }
        i += conversion.length;
    }
    return out;
}

}  // namespace

std::string FormatWithText(const std::string& format, const std::string& value)
{
    bool used = false;
    return Substitute(format, [&](const std::string& directive, const tagConversion& conversion, std::string* out) {
        if (used || conversion.letter != 's' || conversion.has_length_l) return false;
        used = true;
        *out = Format(directive.c_str(), value.c_str());
        return true;
    });
}

std::string FormatWithTwoDoubles(const std::string& format, double first, double second)
{
    const double values[] = {first, second};
    size_t next = 0;
    return Substitute(format, [&](const std::string& directive, const tagConversion& conversion, std::string* out) {
        if (next >= 2 || std::strchr("fFeEgGaA", conversion.letter) == nullptr) return false;
        *out = Format(directive.c_str(), values[next++]);
        return true;
    });
}
