// What the simulated board has running, for the window tests, in a file of its own: the board's
// model and the procedures share names that cannot meet in one source file.
#pragma once

#include <cstdint>
#include <set>

class CBoardSimulator;

// The subsystem tests the board runs now.
std::set<uint32_t> RunningBoardTests(const CBoardSimulator& board);
