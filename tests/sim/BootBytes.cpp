#include "BootBytes.h"

#include <cstdlib>

#include "TestSupport.h"
#include "platform/Paths.h"

std::string HexImageBytes(const std::string& path, uint32_t* address)
{
    std::string bytes;
    uint32_t upper = 0;
    bool first = true;
    uint32_t next = 0;
    size_t start = 0;
    const std::string text = ReadFileText(path);
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.size() < 11 || line[0] != ':') {
            continue;
        }
        auto byte_at = [&](size_t i) {
            return static_cast<uint32_t>(std::strtoul(line.substr(1 + 2 * i, 2).c_str(), nullptr, 16));
        };
        const uint32_t count = byte_at(0);
        const uint32_t offset = byte_at(1) << 8 | byte_at(2);
        const uint32_t type = byte_at(3);
        if (type == 4) {
            upper = byte_at(4) << 8 | byte_at(5);
        } else if (type == 0) {
            const uint32_t at = (upper << 16) + offset;
            if (first) {
                *address = at;
                next = at;
                first = false;
            }
            if (at != next) {
                break;
            }
            for (uint32_t i = 0; i < count; ++i) {
                bytes += static_cast<char>(byte_at(4 + i));
            }
            next += count;
        }
    }
    return bytes;
}

std::string SupportImage(const std::string& name, uint32_t* address)
{
    uint32_t ignored = 0;
    return HexImageBytes(SupportFile(name), address != nullptr ? address : &ignored);
}

std::string Addr3(uint32_t address)
{
    return std::string{static_cast<char>(address), static_cast<char>(address >> 8),
                       static_cast<char>(address >> 16)};
}

std::string Le16(uint16_t value)
{
    return std::string{static_cast<char>(value), static_cast<char>(value >> 8)};
}

std::string DriverCall(uint32_t entry, const std::vector<uint16_t>& words)
{
    std::string bytes = Addr3(entry);
    for (size_t i = 0; i < 8; ++i) {
        bytes += Le16(i < words.size() ? words[i] : 0);
    }
    return bytes;
}

std::vector<uint16_t> ReplyWords(const std::string& bytes)
{
    std::vector<uint16_t> words;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        words.push_back(static_cast<uint16_t>(static_cast<uint8_t>(bytes[i]) |
                                              static_cast<uint8_t>(bytes[i + 1]) << 8));
    }
    return words;
}

uint8_t XorOf(const std::string& bytes)
{
    uint8_t sum = 0;
    for (unsigned char c : bytes) {
        sum ^= c;
    }
    return sum;
}
