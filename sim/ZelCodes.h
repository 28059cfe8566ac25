// Result codes that the simulated subsystem answers. The subsystem reports its verdicts in the
// style of Object Dictionary abort codes: 0 accepts; codes 0x06xxxxxx concern the address or the
// value, 0x08xxxxxx the subsystem's state.
#pragma once

#include <cstdint>

constexpr uint32_t kZelOk = 0;
constexpr uint32_t kZelWriteOnly = 0x06010001;      // read of a command that can only be written
constexpr uint32_t kZelReadOnly = 0x06010002;       // write of an information or accepted value
constexpr uint32_t kZelNoObject = 0x06020000;       // unknown object index
constexpr uint32_t kZelBadData = 0x06070010;        // data missing, malformed or of the wrong type
constexpr uint32_t kZelNoSubindex = 0x06090011;     // unknown subindex
constexpr uint32_t kZelValueRange = 0x06090030;     // value outside what the entry takes
constexpr uint32_t kZelGeneral = 0x08000000;        // general refusal
constexpr uint32_t kZelValidation = 0x08000020;     // validation of the buffer failed
constexpr uint32_t kZelState = 0x08000022;          // not possible in the present state
constexpr uint32_t kZelNoData = 0x08000024;         // nothing there (no log entry, value not set)
