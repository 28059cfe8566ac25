#include "platform/Profile.h"

#include <strings.h>

#include "platform/TextFile.h"

namespace {

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::string Unquote(const std::string& value)
{
    if (value.size() >= 2) {
        const char first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first) {
            return value.substr(1, value.size() - 2);
        }
    }
    return value;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

uint32_t ParseProfileInt(const std::string& text)
{
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    uint32_t value = 0;
    if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        for (pos += 2; pos < text.size() && HexDigit(text[pos]) >= 0; ++pos) {
            value = value * 16 + static_cast<uint32_t>(HexDigit(text[pos]));
        }
    } else {
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
            value = value * 10 + static_cast<uint32_t>(text[pos] - '0');
        }
    }
    return negative ? 0u - value : value;
}

}  // namespace

CProfile CProfile::Load(const std::string& path)
{
    std::string content;
    if (ReadWholeFile(path, content) != ReadFileResult::Ok) {
        return CProfile{};
    }
    return FromText(content);
}

CProfile CProfile::FromText(const std::string& text)
{
    CProfile profile;
    profile.loaded_ = true;
    Section* current = nullptr;
    for (const std::string& raw : SplitLines(text)) {
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            const size_t close = line.find(']');
            const std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            profile.sections_.push_back(Section{name, {}});
            current = &profile.sections_.back();
            continue;
        }
        const size_t equals = line.find('=');
        if (current == nullptr || equals == std::string::npos) {
            continue;
        }
        current->entries.push_back(Entry{Trim(line.substr(0, equals)), Unquote(Trim(line.substr(equals + 1)))});
    }
    return profile;
}

const CProfile::Entry* CProfile::Find(const std::string& section, const std::string& key) const
{
    for (const Section& candidate : sections_) {
        if (!SameName(candidate.name, section)) {
            continue;
        }
        for (const Entry& entry : candidate.entries) {
            if (SameName(entry.key, key)) {
                return &entry;
            }
        }
        return nullptr;  // only the first section of that name counts
    }
    return nullptr;
}

std::string CProfile::GetString(const std::string& section, const std::string& key,
                                const std::string& default_value, size_t buffer_chars) const
{
    if (buffer_chars == 0) {
        return {};
    }
    const Entry* entry = Find(section, key);
    std::string value = entry != nullptr ? entry->value : default_value;
    if (value.size() > buffer_chars - 1) {
        value.resize(buffer_chars - 1);
    }
    return value;
}

uint32_t CProfile::GetInt(const std::string& section, const std::string& key, int32_t default_value) const
{
    const Entry* entry = Find(section, key);
    if (entry == nullptr) {
        return static_cast<uint32_t>(default_value);
    }
    return ParseProfileInt(entry->value);
}

bool CProfile::HasKey(const std::string& section, const std::string& key) const
{
    return Find(section, key) != nullptr;
}

std::string GetProfileString(const std::string& path, const std::string& section, const std::string& key,
                             const std::string& default_value, size_t buffer_chars)
{
    return CProfile::Load(path).GetString(section, key, default_value, buffer_chars);
}

uint32_t GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                       int32_t default_value)
{
    return CProfile::Load(path).GetInt(section, key, default_value);
}
