// The line output of a page that shows the boot link's and the flash operations' progress: the
// owner's OutputText. The download and configuration pages append each line to their output box;
// zovcli prints it.
#pragma once

#include <string>

class ITextOutput {
public:
    virtual ~ITextOutput() = default;
    // One line without its line end. Called on the thread that runs the operation; must not wait
    // for a thread that may itself be waiting for that operation to end.
    virtual void OutputText(const std::string& text) = 0;
};
