#include "handler/LogLevelSelection.h"

#include "handler/SerialCommHandler.h"

const std::vector<std::string>& CLogLevelSelection::Lines()
{
    static const std::vector<std::string> lines = {
        "0: Debug Extended", "1: Debug Normal", "2: Service Extended", "3: Service Normal",
        "4: Minimal",        "5: Warning",      "6: Error",            "7: Fatal Error",
    };
    return lines;
}

int CLogLevelSelection::Open()
{
    uint32_t level = 0;
    uint32_t result_code = kNoResultCode;
    if (!handler_.ZelCmdGetLogLevel(&level, &result_code)) return 0;
    return level < static_cast<uint32_t>(kLevelCount) ? static_cast<int>(level) : 0;
}

bool CLogLevelSelection::Ok(int selected_line)
{
    if (selected_line < 0 || selected_line >= kLevelCount) return false;
    uint32_t result_code = kNoResultCode;
    return handler_.ZelCmdSelectLogLevel(static_cast<uint32_t>(selected_line), &result_code);
}
