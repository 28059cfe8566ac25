// The text of the read-only output boxes of the flash pages (configuration and download): lines
// are appended with CR LF, and a box that has grown to kOutputBoxLimit characters keeps only its
// last lines, behind "...", so that a long session never slows the page down.
#pragma once

#include <cstddef>
#include <string>

inline constexpr size_t kOutputBoxLimit = 22001;  // the length at which the box is cut
inline constexpr size_t kOutputBoxKept = 20000;   // how much of its end is looked at when cut

// Appends line and "\r\n" to box. When box then holds kOutputBoxLimit characters or more, it
// becomes "..." and the part of its last kOutputBoxKept characters from their first line break
// on (all of them when they hold none). True when the box was cut.
bool AppendOutputLine(std::string& box, const std::string& line);
