// The measured doserate that the engineer types into the Dose/Doserate dialogs (nGy/s): what the
// entry shows when it opens and how its text is read.
#pragma once

#include <string>

// The most a doserate entry takes: ten times it, in 0.1 nG/s, must fit the subsystem's unsigned
// 32-bit doserate.
inline constexpr double kMaxDoserateEntry = 429496729.0;

// The entry's text for a value, as a number field shows it ("400", "412.37").
std::string DoserateEntryText(double value);

// Reads the entry: a decimal number (sign, fraction and exponent allowed, blanks around it),
// from 0 to kMaxDoserateEntry. False with the message for the engineer when the text is not
// such a number; value is then unchanged.
bool ReadDoserateEntry(const std::string& text, double* value, std::string* message);
