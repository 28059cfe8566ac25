// Raw boot-mode exchanges for the tests: the images of the support folder as plain bytes, and
// the monitor commands' byte layouts (little-endian addresses, lengths and words), built here
// from the wire format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The first contiguous run of data in an Intel HEX file (our images have exactly one) and its
// address. Empty when the file cannot be read.
std::string HexImageBytes(const std::string& path, uint32_t* address);
// The image of that name in the support folder beside the test program.
std::string SupportImage(const std::string& name, uint32_t* address = nullptr);

std::string Addr3(uint32_t address);
std::string Le16(uint16_t value);
// Call-flash-driver request: entry address, then the eight words.
std::string DriverCall(uint32_t entry, const std::vector<uint16_t>& words);
// The eight words of a driver reply (16 bytes, low byte first).
std::vector<uint16_t> ReplyWords(const std::string& bytes);
uint8_t XorOf(const std::string& bytes);
