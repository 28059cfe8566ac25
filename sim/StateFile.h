// The state file of the simulated board: what survives a restart of zov-boardsim, as a real
// board keeps it through a power cycle: the flash contents (per board model), the calibration
// data and the parameter buffers. It is a small ini-style text file, written atomically.
#pragma once

#include <string>

class CSubsystem;
class CBoardMemory;

// The state as text. `other_boards` (sections of other board models read earlier) is kept.
std::string BuildStateText(const CSubsystem& subsystem, const CBoardMemory& memory,
                           const std::string& other_boards);

// Applies a state text. Sections of other board models go to other_boards. False with an
// error text (naming the line) when the text is malformed; the models may then be changed in
// part.
bool ApplyStateText(const std::string& text, CSubsystem& subsystem, CBoardMemory& memory,
                    std::string* other_boards, std::string* error);
