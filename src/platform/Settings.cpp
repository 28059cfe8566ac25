#include "platform/Settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/Format.h"
#include "platform/TextFile.h"

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00";
const char kKeyLine[] = "[HKEY_CURRENT_USER\\Software\\KVT\\Nemra\\ZOV tool]";

std::mutex g_write_lock;     // one read-modify-write at a time within the process
std::mutex g_override_lock;
std::string g_override;  // guarded by g_override_lock

struct ValueLine {
    std::string name;
    bool is_dword = false;
    bool is_string = false;
    uint32_t dword = 0;
    std::string text;
};

// Reads a quoted .reg string starting at line[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const std::string& line, size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"') {
        return false;
    }
    out.clear();
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= line.size()) {
                return false;
            }
            out += line[pos];
        } else {
            out += c;
        }
    }
    return false;
}

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

bool ParseDword(const std::string& digits, uint32_t& value)
{
    if (digits.empty() || digits.size() > 8) {
        return false;
    }
    uint32_t result = 0;
    for (char c : digits) {
        int nibble;
        if (c >= '0' && c <= '9') {
            nibble = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            nibble = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            nibble = c - 'A' + 10;
        } else {
            return false;
        }
        result = (result << 4) | static_cast<uint32_t>(nibble);
    }
    value = result;
    return true;
}

// Splits one line into a value; false for anything that is not a well-formed value line.
bool ParseValueLine(std::string line, ValueLine& value)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
        line.pop_back();
    }
    size_t pos = 0;
    if (!ReadQuoted(line, pos, value.name) || pos >= line.size() || line[pos] != '=') {
        return false;
    }
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
        if (!ReadQuoted(line, pos, value.text) || pos != line.size()) {
            return false;
        }
        value.is_string = true;
        return true;
    }
    static const std::string kDword = "dword:";
    if (line.compare(pos, kDword.size(), kDword) == 0 &&
        ParseDword(line.substr(pos + kDword.size()), value.dword)) {
        value.is_dword = true;
        return true;
    }
    return false;
}

std::string DefaultPath()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (xdg != nullptr && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            return {};
        }
        base = std::string(home) + "/.config";
    }
    return base + "/KVT/Nemra/ZOV tool.reg";
}

// The lines of the file; nullopt when it exists but cannot be read, or no path is known.
std::optional<std::vector<std::string>> LoadLines(const std::string& path)
{
    if (path.empty()) {
        return std::nullopt;
    }
    std::string content;
    const ReadFileResult result = ReadWholeFile(path, content);
    if (result == ReadFileResult::Missing) {
        return std::vector<std::string>{};
    }
    if (result != ReadFileResult::Ok) {
        return std::nullopt;
    }
    return SplitLines(content);
}

std::optional<ValueLine> FindValue(const std::string& name)
{
    const auto lines = LoadLines(CSettingsStore::FilePath());
    if (!lines) {
        return std::nullopt;
    }
    for (const std::string& line : *lines) {
        ValueLine value;
        if (ParseValueLine(line, value) && strcasecmp(value.name.c_str(), name.c_str()) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

bool MakeFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

// Replaces (or adds) the line of one value and writes the file back in one piece.
bool WriteValueLine(const std::string& name, const std::string& new_line)
{
    std::lock_guard<std::mutex> guard(g_write_lock);
    const std::string path = CSettingsStore::FilePath();
    if (path.empty() || !MakeFolders(path)) {
        return false;
    }
    const std::string lock_path = path + ".lock";
    const int lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_fd < 0) {
        return false;
    }
    flock(lock_fd, LOCK_EX);
    bool ok = false;
    if (auto lines = LoadLines(path)) {
        if (lines->empty()) {
            *lines = {kHeader, "", kKeyLine};
        }
        bool replaced = false;
        for (std::string& line : *lines) {
            ValueLine value;
            if (ParseValueLine(line, value) && strcasecmp(value.name.c_str(), name.c_str()) == 0) {
                line = new_line;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            lines->push_back(new_line);
        }
        std::string content;
        for (const std::string& line : *lines) {
            content += line + "\r\n";
        }
        ok = WriteFileAtomically(path, content);
    }
    flock(lock_fd, LOCK_UN);
    close(lock_fd);
    return ok;
}

}  // namespace

std::string CSettingsStore::FilePath()
{
    {
        std::lock_guard<std::mutex> guard(g_override_lock);
        if (!g_override.empty()) {
            return g_override;
        }
    }
    const char* env = std::getenv("ZOVTOOL_SETTINGS");
    if (env != nullptr && env[0] != '\0') {
        return env;
    }
    return DefaultPath();
}

void CSettingsStore::SetFile(const std::string& path)
{
    std::lock_guard<std::mutex> guard(g_override_lock);
    g_override = path;
}

namespace {

// A line that the store can read: blank, the header, a key, a comment or a value.
bool IsSettingsLine(const std::string& line)
{
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == ';' || line[first] == '[') {
        return true;
    }
    ValueLine value;
    return line == kHeader || ParseValueLine(line, value);
}

}  // namespace

std::string CSettingsStore::FileProblem()
{
    const std::string path = FilePath();
    if (path.empty()) {
        return "settings: no home folder is known, so there is no settings file; the defaults are in use";
    }
    std::string content;
    std::string error_text;
    const ReadFileResult result = ReadWholeFile(path, content, &error_text);
    if (result == ReadFileResult::Missing) {
        return {};
    }
    if (result != ReadFileResult::Ok) {
        return "settings: " + error_text + "; the defaults are in use";
    }
    const std::vector<std::string> lines = SplitLines(content);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!IsSettingsLine(lines[i])) {
            return Format("settings: line %zu of %s is no setting; the defaults are in use for what it does not hold",
                          i + 1, path.c_str());
        }
    }
    return {};
}

bool CSettingsStore::IsAvailable()
{
    return LoadLines(FilePath()).has_value();
}

std::optional<uint32_t> CSettingsStore::ReadDword(const std::string& name)
{
    const auto value = FindValue(name);
    if (!value || !value->is_dword) {
        return std::nullopt;
    }
    return value->dword;
}

std::optional<std::string> CSettingsStore::ReadString(const std::string& name, size_t max_chars)
{
    const auto value = FindValue(name);
    if (!value || !value->is_string || value->text.size() > max_chars) {
        return std::nullopt;
    }
    return value->text;
}

bool CSettingsStore::WriteDword(const std::string& name, uint32_t value)
{
    return WriteValueLine(name, Quote(name) + Format("=dword:%08x", value));
}

bool CSettingsStore::WriteString(const std::string& name, const std::string& value)
{
    if (value.find_first_of("\r\n") != std::string::npos) {
        return false;  // one value, one line
    }
    return WriteValueLine(name, Quote(name) + "=" + Quote(value));
}
