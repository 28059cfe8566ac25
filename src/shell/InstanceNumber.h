// The instance number: the 16-bit message counter that the main window draws once at start and
// lends to every command handler, so that replies to an earlier run's requests cannot be taken
// for replies to this run's.
#pragma once

#include <cstdint>

// Seeds the random generator with the current time and draws a number from 0 to 65535.
uint16_t DrawInstanceNumber();

// Scales a random value r from 0 to rand_max onto 0 to 65535 (r * 65535 / rand_max).
uint16_t ScaleToInstanceNumber(uint64_t r, uint64_t rand_max);
