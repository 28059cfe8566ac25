// The text the data viewer shows for a byte buffer: sixteen bytes a line in hexadecimal, then the
// same bytes as characters. Kept apart from the dialog so that the exact layout can be checked
// without a window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The whole text for size bytes at data, in 8-bit (Latin-1) characters. Every full group of 16
// bytes ends with "\r\n"; a final shorter group is padded with three blanks per missing byte and
// has no line end. An empty buffer gives "".
std::string FormatDataViewerText(const uint8_t* data, size_t size);

// The character shown for one byte in the character column: "." for control bytes (below 32),
// 127, 177 to 223 and 255, the byte itself otherwise.
char DataViewerChar(uint8_t byte);
