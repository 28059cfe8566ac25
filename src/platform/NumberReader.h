// The tool's one reader of numbers in texts from outside the program: the subsystem's replies
// (message IDs, event numbers, result codes, values), the numbers an engineer types, and the
// number fields of the tool's files.
//
// A number is read the way the C library's strtoul reads it with the automatic base: white space
// first is skipped, then an optional sign, then "0x" or "0X" and hexadecimal digits, or "0" and
// octal digits, or decimal digits; reading stops at the first character that cannot belong to
// the number, so "0x5 extra" reads 5, "12abc" 12 and "089" 0 (the 8 cannot belong to an octal
// number). Unlike strtoul it says whether a number was there at all, never reads past the text it
// is given (which need not end in NUL), never depends on the process's locale, and saturates a
// magnitude too large for 64 bits instead of leaving it to errno.
//
// Plain functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

struct tagNumberRead {
    bool found = false;     // at least one digit was read
    bool negative = false;  // a minus sign came before the digits
    uint64_t magnitude = 0;  // the digits' value; UINT64_MAX when it does not fit 64 bits
    size_t end = 0;          // position after the number's last character (0 when none was found)
};

// Reads the number at the start of text. base: 0 for the automatic base, or 8, 10 or 16 (with 16,
// a "0x" prefix is taken as strtoul takes it).
tagNumberRead ReadNumber(std::string_view text, int base = 0);

// The number at the start of text as an unsigned 32-bit value, a negative one as strtoul gives it
// (-n is 2^32 - n). Empty when the text holds no number there or its magnitude needs more than
// 32 bits: a value that cannot be what a 32-bit field holds is no reading of it.
std::optional<uint32_t> ReadUnsigned32(std::string_view text);

// The number at the start of text as a signed 32-bit value. Empty when the text holds no number
// there or the value lies outside the signed 32-bit range.
std::optional<int32_t> ReadSigned32(std::string_view text);

// True when text is one number and nothing else (white space around it allowed): "0x12", " 7 ".
// "12abc", "0x", "08" and "" are not.
bool IsWholeNumber(std::string_view text);
