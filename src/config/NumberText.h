// Number conversions of the configuration texts. They behave like the C library's conversions
// that the file format was defined with (leading white space skipped, conversion stops at the
// first character that cannot belong to the number, no digits gives 0), with three differences
// that keep bad input harmless: results that do not fit saturate instead of being undefined,
// they never read past the text they are given (which need not end in NUL), and they do not
// depend on the process's locale (a window toolkit may switch LC_NUMERIC to one with a decimal
// comma, which would otherwise change what is written and read).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Signed decimal number: "  -12abc" gives -12.
int32_t DecimalToInt32(std::string_view text);

// Decimal floating-point number ("1.5", "-2e3", ".5"), and nothing else: "0x10" reads as 0 (the
// conversion stops at the "x"), "inf" and "nan" as 0 (no digits). A number beyond the double
// range gives +-DBL_MAX, one too small for it 0.
double DecimalToDouble(std::string_view text);

// The double narrowed to single precision; values beyond the float range become +-FLT_MAX (so
// that a value written back is a decimal number again, never "inf"), NaN becomes 0.
float DoubleToFloat(double value);

// Unsigned number with automatic base ("0x" hexadecimal, leading 0 octal, else decimal).
// A minus sign negates modulo 2^32; a number above 0xFFFFFFFF gives 0xFFFFFFFF.
uint32_t AutoToUint32(std::string_view text);

// Signed number with automatic base.
int32_t AutoToInt32(std::string_view text);

// Hexadecimal number of the per-line byte tables ("0a", "ff").
int32_t HexToInt32(std::string_view text);

// value as printf's "%.2f" in the "C" locale.
std::string FormatFixed2(double value);
