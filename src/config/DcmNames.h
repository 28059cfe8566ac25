// Names of the DCM items and the three per-line byte tables.
//
// A DcmInput item is named "DCM i<line>:<transition>" (lines from 1; transition "00" High to
// Low, "01" Low to High, "02" single action), a DcmOutput item "DCM o<line>". Three String
// items of Class 4 hold one byte per input line, line n in the two lower-case hexadecimal
// digits at character 2(n-1) of their value.
#pragma once

#include <cstdint>
#include <string>

// Transition codes of the DcmInput names.
extern const char kDcmHighToLow[];     // "00"
extern const char kDcmLowToHigh[];     // "01"
extern const char kDcmSingleAction[];  // "02"

// The item names and help texts of the byte tables.
extern const char kDcmDebounceName[];
extern const char kDcmDebounceHelp[];
extern const char kDcmModeName[];
extern const char kDcmModeHelp[];
extern const char kDcmPrioIoName[];
extern const char kDcmPrioIoHelp[];

// Values of the "DCM Mode" byte.
constexpr int kDcmModeDualAction = 1;
constexpr int kDcmModeSingleLowToHigh = 2;
constexpr int kDcmModeSingleHighToLow = 3;

// The highest line number the byte tables hold; larger numbers read as 0 and are not written.
constexpr int kDcmMaxLine = 65535;

// "DCM i3:01".
std::string DcmInputItemName(int line, const std::string& transition);
// "DCM o2".
std::string DcmOutputItemName(int line);

bool IsDcmInputItemName(const std::string& name);
bool IsDcmOutputItemName(const std::string& name);

// The line number in a DCM item name: the decimal number after "DCM i" or "DCM o" (up to the
// ":" of an input name); 0 when the name has none.
int DcmLineFromItemName(const std::string& name);

// The transition code of a DcmInput name: the text after its ":" ("00", "01", "02"), or empty.
std::string DcmTransitionFromItemName(const std::string& name);

// The byte of line (from 1) in a byte-table text; 0 for a line beyond the text's end.
int GetDcmLineByte(const std::string& text, int line);

// Writes value (clamped to 0..255) as the byte of line into text, padding the text with "00"
// first as needed. False, and text unchanged, for a line outside 1..kDcmMaxLine.
bool SetDcmLineByte(std::string& text, int line, int value);
