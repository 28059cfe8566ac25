// Filling the values into the instruction texts that are format strings (the II format being
// calibrated, the two exposure values). The format comes from the strings file, which anyone may
// edit, so it is never handed to printf as it stands: only the conversions the text is meant to
// hold take a value, "%%" prints one percent sign, and everything else stays as written.
#pragma once

#include <string>

// Replaces the first "%s" conversion (flags, width and precision allowed, as in "%-8s") with
// value; later string conversions and any other conversion are kept as written.
std::string FormatWithText(const std::string& format, const std::string& value);

// Replaces the first two floating-point conversions (%f, %F, %e, %E, %g, %G, %a, %A, with flags,
// width and precision, also with the "l" length that printf ignores for doubles) with first and
// second, as printf would print them; other conversions are kept as written.
std::string FormatWithTwoDoubles(const std::string& format, double first, double second);
