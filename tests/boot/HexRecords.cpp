#include "HexRecords.h"

#include "platform/Format.h"

std::string HexRecord(uint8_t type, uint16_t offset, const std::vector<uint8_t>& data)
{
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    std::string line = Format(":%02X%04X%02X", static_cast<unsigned>(data.size()), offset, type);
    for (uint8_t byte : data) {
        line += Format("%02X", byte);
        sum += byte;
    }
    line += Format("%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line;
}

std::string HexImage(const std::vector<HexChunk>& chunks, size_t record_size)
{
    std::string text;
    int upper = -1;
    for (const HexChunk& chunk : chunks) {
        for (size_t pos = 0; pos < chunk.bytes.size(); pos += record_size) {
            const uint32_t address = chunk.address + static_cast<uint32_t>(pos);
            size_t count = std::min(record_size, chunk.bytes.size() - pos);
            // a record never crosses a 64 KB boundary
            count = std::min<size_t>(count, 0x10000 - (address & 0xFFFF));
            if (static_cast<int>(address >> 16) != upper) {
                upper = static_cast<int>(address >> 16);
                text += ExtendedLinear(static_cast<uint16_t>(upper)) + "\r\n";
            }
            text += DataRecord(static_cast<uint16_t>(address & 0xFFFF),
                               std::vector<uint8_t>(chunk.bytes.begin() + pos, chunk.bytes.begin() + pos + count)) +
                    "\r\n";
            pos -= record_size - count;  // continue right after what this record held
        }
    }
    return text + kEndOfFile + "\r\n";
}
