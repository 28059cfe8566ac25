// The parameters of the subsystem's two logical devices: their typed values (ParamValue), where
// each one sits in the Object Dictionary (ParamEntry) and the shared name tables that map a
// parameter name to its entry and a requested-value subindex back to the name.
//
// The tables are process-wide and reference counted: every user (each command handler, the
// procedure framework, the buffers overview) calls AcquireInstance once and ReleaseInstance once;
// the first acquire creates the table and the last release deletes it. Acquire and release may
// be called from any thread; the lookups are read-only and need no lock.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// Value types of the logical-device parameters, as the subsystem numbers them.
enum ParamType : uint32_t {
    kParamBool = 0,       // bit 0; text form 0 or 1
    kParamUlong = 1,      // unsigned 32-bit
    kParamWordArray = 2,  // 16 unsigned 16-bit numbers; text "0x" + 16 x "%04x"
    kParamUshort = 3,     // unsigned 16-bit
    kParamUchar = 4,      // unsigned 8-bit
    kParamShort = 5,      // signed 16-bit
    kParamByteArray = 6,  // 2 bytes; text "0x" + 2 x "%02x"
};

// One typed parameter value. Only the member of the value's type is meaningful.
struct ParamValue {
    uint32_t type = kParamBool;
    uint32_t number = 0;                // kParamBool (0 or 1), kParamUlong, kParamUshort, kParamUchar
    int16_t signed_number = 0;          // kParamShort
    std::array<uint16_t, 16> words{};   // kParamWordArray
    std::array<uint8_t, 2> bytes{};     // kParamByteArray

    bool operator==(const ParamValue&) const = default;
};

// The text by which a value travels in a write request and in script outputs: a decimal number
// for the number types (sign kept for kParamShort), "0x" and hexadecimal groups for the arrays.
// An unknown type gives "".
std::string ParamValueText(const ParamValue& value);

// Reads a value of the given type from a text: the number types read the number at the text's
// start with automatic base (decimal, 0x hexadecimal, 0 octal) and keep the bits of their width
// (kParamBool bit 0, kParamShort as signed); the array types read the groups after a leading
// "0x", four digits per word or two per byte, a group missing from a short text reading as 0.
// Never fails: text that is no number reads as 0. For values the tool itself builds; a reply
// goes through ParamValueFromReply, an input through ParamValueFromInput.
ParamValue ParamValueFromText(uint32_t type, const std::string& text);

// Reads a value of the given type from a reply's value text, as ParamValueFromText reads it, but
// empty when a number type's text holds no number at its start, or one that needs more than 32
// bits: such a reply is garbled, and reading it as 0 would report a value the board never sent.
std::optional<ParamValue> ParamValueFromReply(uint32_t type, const std::string& text);

// Reads a value of the given type that a script or an engineer gives. "True" and "False" are 1
// and 0, as in every write request. A number type takes a whole number within its range (a
// signed 16-bit one also as its 16-bit pattern, so 0xFFFF is -1); the array types take their
// "0x" groups as ParamValueFromText reads them. Empty when the text is no value of the type:
// read leniently, 70000 would reach the board as 4464 and "abc" as 0.
std::optional<ParamValue> ParamValueFromInput(uint32_t type, const std::string& text);

// What a parameter of the type takes, for the message that refuses an input: "0 or 1", "an
// unsigned 16-bit number", ...
std::string ParamInputDescription(uint32_t type);

// The number that the hexadecimal digits of text at pos to pos + width - 1 spell. Digits
// missing from a short text, and everything from the first non-hex character on, read as
// nothing, so "0x12" read at 2 with width 4 gives 0x12 and a text that is too short gives 0.
uint32_t ReadHexGroup(const std::string& text, size_t pos, size_t width);

// Where one parameter lives. The minimum and maximum subindexes address the device's
// minimum/maximum object and equal the requested and accepted subindexes.
struct ParamEntry {
    uint32_t requested_subindex;
    uint32_t accepted_subindex;
    uint32_t minimum_subindex;
    uint32_t maximum_subindex;
    uint32_t type;
};

// A parameter-name table of one logical device.
class CParamTable {
public:
    virtual ~CParamTable() = default;
    CParamTable(const CParamTable&) = delete;
    CParamTable& operator=(const CParamTable&) = delete;

    // The entry of a parameter name, matched exactly (case-sensitive); null when unknown.
    // The entry lives as long as the table.
    const ParamEntry* GetParam(const std::string& name) const;
    // The name of the parameter whose requested value sits at requested_subindex; null when no
    // parameter sits there. The text lives as long as the program.
    virtual const char* GetParamName(uint16_t requested_subindex) const = 0;

protected:
    CParamTable() = default;
    // Adds one parameter; name and entry must live as long as the table.
    void Add(const char* name, const ParamEntry* entry) { params_.emplace(name, entry); }

    std::map<std::string, const ParamEntry*> params_;
};

// Logical device 0, "Image Detection".
class CDev0ParamTable : public CParamTable {
public:
    // The shared table, created on the first call; each call must be matched by a ReleaseInstance.
    static CDev0ParamTable* AcquireInstance();
    // Gives one reference back; the last one deletes the table.
    static void ReleaseInstance();

    const char* GetParamName(uint16_t requested_subindex) const override;

private:
    CDev0ParamTable();
    std::map<uint16_t, const char*> names_;
};

// Logical device 1, "Image Processing".
class CDev1ParamTable : public CParamTable {
public:
    static CDev1ParamTable* AcquireInstance();
    static void ReleaseInstance();

    const char* GetParamName(uint16_t requested_subindex) const override;

private:
    CDev1ParamTable();
    std::map<uint16_t, const char*> names_;
};
