// The calibration backup file (".cal"): the subsystem's calibration items as text, one per line.
//
//   Nemra Calibration file.
//   N                      the number of items, in decimal
//   item 1 ... item N      each exactly as the subsystem gave it
//
// Lines end in CR LF on disk. A reader ignores the first line, reads N with automatic base
// ("0x10" is 16, "010" is 8; it stops at the first character that cannot belong to the number;
// a line without a number gives 0) and gives an empty item for each line missing at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr char kCalFileHeader[] = "Nemra Calibration file.";

// The file's bytes for items.
std::string CalFileText(const std::vector<std::string>& items);

// A file as read: the count of line 2 and the lines after it, as many as the file holds.
struct tagCalFile {
    uint32_t count = 0;
    std::vector<std::string> lines;

    // Item index (1-based): its line, or "" where the file ends early.
    std::string Item(uint32_t index) const;
};

// Splits the bytes of a file. Never fails: any bytes give some count and lines.
tagCalFile ParseCalFile(const std::string& content);

// Reads a file whole. False with a message naming the file and the reason when it cannot be
// opened, is a folder or not a regular file (a FIFO or a device would block or never end) or is
// larger than kMaxInputFileBytes.
bool ReadCalFile(const std::string& path, std::string* content, std::string* error);

// Writes content to a temporary file in path's folder and renames it over path, so that a
// failure never leaves a cut-off file where a good one was. False with a message naming the
// file and the reason; an existing file is then unchanged. A symbolic link at path is followed.
bool WriteCalFile(const std::string& path, const std::string& content, std::string* error);
