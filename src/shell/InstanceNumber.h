// The instance number: the 16-bit message counter that the main window (and each zovcli run)
// draws once at start and lends to every command handler, so that replies to an earlier run's
// requests cannot be taken for replies to this run's.
#pragma once

#include <cstdint>

// A number from 0 to 65535 from the system's random source. Runs started within the same second
// draw different numbers (a number drawn from the clock repeated for every run in that second,
// and a late reply of one run could then be taken for the next run's). Any thread.
uint16_t DrawInstanceNumber();
