// The parameters of the simulated subsystem's two logical devices: names, Object Dictionary
// subindexes, value types, power-on defaults and the ranges that validation checks.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// Value types on the subsystem interface.
enum class SimType : int { Bool = 0, U32 = 1, Words16 = 2, U16 = 3, U8 = 4, S16 = 5, Bytes2 = 6 };

// A parameter value: a number for the scalar types, 16 words or 2 bytes for the array types
// (2 bytes are kept in words[0..1]).
struct SimValue {
    int64_t number = 0;
    std::array<uint16_t, 16> words{};

    bool operator==(const SimValue& other) const = default;
};

struct SimParam {
    const char* name;
    uint8_t requested;  // subindex of the requested value (also of the minimum)
    uint8_t accepted;   // subindex of the accepted value (also of the maximum)
    SimType type;
    int64_t def;        // scalar default; array types: every element
    int64_t min;
    int64_t max;
};

constexpr int kSimDevices = 2;
constexpr int kSimBuffers = 11;      // 0 System Wide, 1-8 Applications, 9 Field Service, 10 Review
constexpr int kFieldServiceBuffer = 9;
constexpr int kReviewBuffer = 10;

// The parameter table of a logical device (0 or 1) and its length.
const SimParam* SimParamTable(int device, size_t* count);
// The parameter whose requested or accepted subindex is `subindex`; null when none.
const SimParam* FindSimParam(int device, uint8_t subindex, bool* is_accepted);
// The highest subindex of a device's buffer objects.
uint8_t SimHighestSubindex(int device);

// Object index of a buffer of a device; 0 when buffer is out of range.
uint16_t SimBufferIndex(int device, int buffer);
// The device and buffer of a buffer object index; false when the index is no buffer object.
// 0x2801 (shared with the validation object of device 1) reports device 0, buffer 10.
bool SimBufferOfIndex(uint16_t index, int* device, int* buffer);

// Text form of a value on the wire: numbers as "0x%x" (signed 16-bit in decimal), arrays as
// "0x" and the hex groups.
std::string SimValueText(SimType type, const SimValue& value);
// Parses a written value of the type; false when the text does not fit the type.
bool ParseSimValue(SimType type, const std::string& text, SimValue* value);
// The default, minimum and maximum of a parameter as values.
SimValue SimDefault(const SimParam& param);
SimValue SimMinimum(const SimParam& param);
SimValue SimMaximum(const SimParam& param);
// Whether a value lies within the parameter's range (arrays: element by element).
bool SimInRange(const SimParam& param, const SimValue& value);

// Parses an unsigned number with automatic base ("0x" hex, leading 0 octal, else decimal); the
// whole text must be the number. False on anything else or on overflow of 64 bits.
bool ParseSimNumber(const std::string& text, uint64_t* value);
// The same for a signed number.
bool ParseSimSigned(const std::string& text, int64_t* value);
