// Escaping of the quoted texts of the configuration format (help texts, string values and the
// elements of string lists): a backslash and a double quote are each preceded by a backslash,
// so that a quoted text can hold both and still be found by its closing quote.
#pragma once

#include <string>
#include <string_view>

// Every backslash doubled, then every double quote preceded by a backslash.
std::string EscapeConfigText(std::string_view text);

// The inverse: a backslash before a backslash or a double quote is removed and the character
// after it is taken as it is; any other backslash, also one at the very end, stays.
std::string UnescapeConfigText(std::string_view text);
