#include "boot/OutputBoxText.h"

bool COutputBoxText::Append(const std::string& line)
{
    text_ += line;
    text_ += "\r\n";
    if (text_.size() < kCutLength) {
        return false;
    }
    const size_t line_end = text_.find("\r\n", text_.size() - kKeepLength);
    // The text ends in a line end, so one is always found; a single line longer than the whole
    // box is kept from its line end, which leaves "..." and that line end.
    text_ = "..." + text_.substr(line_end);
    return true;
}
