// Whole-file reads and crash-safe whole-file writes, for the files the tool reads in one piece
// (settings, ini files, configurations, calibration backups, scripts) and the small files it keeps.
#pragma once

#include <string>
#include <vector>

#include "platform/InputFile.h"

// Reads the file's bytes into content. Missing: no such file; Failed: it exists but cannot be
// read, is not a regular file (a folder, a device, a FIFO: the call never blocks on one) or is
// larger than kMaxInputFileBytes; content is then empty and nothing was allocated for it. When
// error_text is not null it gets one line naming the file and the reason on failure ("cannot
// read /dev/zero: it is not a regular file"). Any thread.
ReadFileResult ReadWholeFile(const std::string& path, std::string& content, std::string* error_text = nullptr);

// Splits text into lines at LF, dropping a CR before the LF; a last line without LF counts.
std::vector<std::string> SplitLines(const std::string& text);

// Creates a new, empty file of its own beside path (path plus a unique suffix) for writing, with
// the mode of the file at path when there is one and otherwise the mode of any new file (0666
// narrowed by the umask). Returns the descriptor and sets *temp_path, or -1 with errno set.
int CreateFileBeside(const std::string& path, std::string* temp_path);

// Writes content to a temporary file beside path, flushes it to the disk and renames it over
// path, so that readers see the old or the new file, never a part. Keeps the old file's mode; a
// new file gets the mode any program's new file gets. False when anything fails; the old file is
// then unchanged and the temporary file removed.
bool WriteFileAtomically(const std::string& path, const std::string& content);

// Checks, without changing anything that exists, that WriteFileAtomically(path, ...) can work: an
// existing path must be a regular file (a folder or a device is refused), and its folder must
// let a file be created in it (a temporary probe is made and removed again). False with one line
// in error_text, such as "cannot write /tmp: it is a folder". For callers that must know before
// they start a long or irreversible operation.
bool CheckFileWritable(const std::string& path, std::string* error_text);
