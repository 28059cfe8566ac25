// Reader for ini files (board description, strings file) with the semantics the tool's files
// were written for: "[section]" headers and "key=value" lines; section and key names compare
// without regard to case; the first matching section and the first matching key in it win;
// blanks around names and values are trimmed, and one pair of quotes around a value is removed;
// lines may end in LF or CR LF; a line starting with ';' is a comment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CProfile {
public:
    // An empty profile (every lookup gives its default).
    CProfile() = default;

    // Reads the file. A missing or unreadable file gives an empty profile; Loaded() tells.
    static CProfile Load(const std::string& path);
    // Parses ini text held in memory.
    static CProfile FromText(const std::string& text);

    bool Loaded() const { return loaded_; }

    // The value of key in section, or default_value when either is missing. At most
    // buffer_chars - 1 characters are returned (a buffer of 0 returns the empty string).
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& default_value, size_t buffer_chars) const;

    // The value as an integer: an optional sign, then decimal digits, or "0x" and hexadecimal
    // digits; parsing stops at the first other character (a value with no digits is 0). A
    // missing key gives default_value. The result is the 32-bit pattern, so "-1" reads as
    // 0xFFFFFFFF, exactly like a missing key read with the default -1.
    uint32_t GetInt(const std::string& section, const std::string& key, int32_t default_value) const;

    // Whether section holds key at all.
    bool HasKey(const std::string& section, const std::string& key) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };
    const Entry* Find(const std::string& section, const std::string& key) const;

    bool loaded_ = false;
    std::vector<Section> sections_;
};

// One-call forms that read the file afresh each time, as the tool's readers expect.
std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& default_value,
                             size_t buffer_chars);
uint32_t GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                       int32_t default_value);
