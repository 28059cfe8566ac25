#include "shell/OutputBoxText.h"

bool AppendOutputLine(std::string& box, const std::string& line)
{
    box += line;
    box += "\r\n";
    if (box.size() < kOutputBoxLimit) {
        return false;
    }
    const size_t tail = box.size() - kOutputBoxKept;
    const size_t line_break = box.find("\r\n", tail);
    box = "..." + box.substr(line_break == std::string::npos ? tail : line_break);
    return true;
}
