// Whole-file reads and crash-safe whole-file writes, for the small files the tool keeps
// (settings, state, ini files).
#pragma once

#include <string>
#include <vector>

enum class ReadFileResult { Ok, Missing, Failed };

// Reads the file's bytes into content. Missing: no such file; Failed: it exists but cannot be
// read (content is then empty).
ReadFileResult ReadWholeFile(const std::string& path, std::string& content);

// Splits text into lines at LF, dropping a CR before the LF; a last line without LF counts.
std::vector<std::string> SplitLines(const std::string& text);

// Writes content to a temporary file beside path, flushes it to the disk and renames it over
// path, so that readers see the old or the new file, never a part. Keeps the old file's mode.
// False when anything fails; the old file is then unchanged and the temporary file removed.
bool WriteFileAtomically(const std::string& path, const std::string& content);
