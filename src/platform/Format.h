// printf-style formatting into std::string. The system's texts are printf formats and must come
// out byte for byte, so everything that builds such a text goes through these two functions.
#pragma once

#include <cstdarg>
#include <string>

// Returns the text that printf would print for fmt and the arguments. Never fails: a format that
// the C library refuses yields the empty string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// As Format, with an argument list.
std::string VFormat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));
