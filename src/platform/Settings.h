// The per-user settings store: named DWORD and string values, kept in one text file in the
// registry-export notation:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_CURRENT_USER\Software\KVT\Nemra\ZOV tool]
//     "COM port"="COM1"
//     "Command Timeout"=dword:00001388
//
// The file is $XDG_CONFIG_HOME/KVT/Nemra/ZOV tool.reg (~/.config when XDG_CONFIG_HOME is not set);
// ZOVTOOL_SETTINGS=FILE or CSettingsStore::SetFile selects another one.
//
// Every read opens the file, reads one value and closes it; every write rewrites the file through
// a temporary file and a rename, so a crash or a full disk never leaves a half-written file. A
// write keeps every other line as it stands, also lines it cannot read, so a damaged file never
// loses what it held. Value names compare without regard to case, as registry names do.
//
// All functions may be called from any thread; writes are serialised within the process and,
// through a lock file, between processes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CSettingsStore {
public:
    // The file in use: the one chosen with SetFile, else $ZOVTOOL_SETTINGS, else the per-user
    // default. Empty only when no home folder can be found.
    static std::string FilePath();
    // Selects the settings file for the rest of the run (an empty path returns to the default).
    static void SetFile(const std::string& path);

    // True when the store can be read: the file is missing (a new user, no values yet) or
    // readable. False when it exists but cannot be read, or no location is known; readers then
    // use their defaults, and callers that need the store at all report the failure.
    static bool IsAvailable();

    // Why the settings file cannot be used as it stands, in one line that names it and says that
    // the defaults are in use: it exists but cannot be read (not a regular file, larger than
    // kMaxInputFileBytes, no permission), or a line of it is no setting. Empty when the file is
    // fine or missing (a new user has none yet). Either way the readers take their defaults for
    // what they cannot read, and a write never replaces a file it could not read.
    static std::string FileProblem();

    // A DWORD value; empty when the file, the value or its DWORD form is missing or damaged.
    static std::optional<uint32_t> ReadDword(const std::string& name);
    // A string value; empty as above, or when it holds more than max_chars characters (a value
    // that does not fit the reader's buffer is not read at all, as with the registry).
    static std::optional<std::string> ReadString(const std::string& name, size_t max_chars = 4095);

    // Store one value, creating the file and its folders when missing. False when the file
    // cannot be written; the old file is then unchanged.
    static bool WriteDword(const std::string& name, uint32_t value);
    static bool WriteString(const std::string& name, const std::string& value);
};
