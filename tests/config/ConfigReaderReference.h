// The configuration reader before its scans were made linear, kept as the reference for the
// tests and the fuzz target: CConfig::Parse must read every buffer exactly as this does (same
// result, same items, same messages in the same order).
#pragma once

#include <cstddef>

#include "config/Config.h"

// Appends the items of buffer to config as CConfig::Parse did; the same result.
bool ReferenceParse(const char* buffer, size_t length, int form, CConfig& config);
