// Builders of Intel HEX record lines for the boot tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One record line with a correct checksum: ":" count offset type data checksum.
std::string HexRecord(uint8_t type, uint16_t offset, const std::vector<uint8_t>& data);
inline std::string DataRecord(uint16_t offset, const std::vector<uint8_t>& data)
{
    return HexRecord(0, offset, data);
}
inline std::string ExtendedLinear(uint16_t upper)
{
    return HexRecord(4, 0, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
}
inline std::string ExtendedSegment(uint16_t base)
{
    return HexRecord(2, 0, {static_cast<uint8_t>(base >> 8), static_cast<uint8_t>(base)});
}
constexpr char kEndOfFile[] = ":00000001FF";

// An image of blocks given as (address, bytes), written with extended linear address records,
// at most 16 bytes a record, ending with an end-of-file record.
struct HexChunk {
    uint32_t address;
    std::vector<uint8_t> bytes;
};
std::string HexImage(const std::vector<HexChunk>& chunks, size_t record_size = 16);
