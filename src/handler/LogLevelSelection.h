// The logic of the "Change Log Level" dialog without the window: the eight level lines, the line
// to select when the dialog opens (the subsystem's current level) and the request sent on OK.
// The dialog fills its list box from Lines(), selects Open()'s answer and calls Ok() with the
// selected line. Neither request reports a failure to the engineer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CSerialCommHandler;

class CLogLevelSelection {
public:
    // The number of levels; level n is line n.
    static constexpr int kLevelCount = 8;

    // handler is borrowed and must outlive this object.
    explicit CLogLevelSelection(CSerialCommHandler& handler) : handler_(handler) {}

    // "0: Debug Extended" ... "7: Fatal Error", in list order.
    static const std::vector<std::string>& Lines();

    // Reads the subsystem's level (ZelCmdGetLogLevel). Returns the line to select: that level,
    // or 0 when the read failed or the level lies outside 0 to 7. The caller's thread (blocks
    // until the subsystem answers or the command timeout expires).
    int Open();
    // Sends the level of the selected line (ZelCmdSelectLogLevel). A line outside 0 to 7 sends
    // nothing. Returns whether the subsystem accepted it (the dialog closes either way).
    bool Ok(int selected_line);

private:
    CSerialCommHandler& handler_;
};
