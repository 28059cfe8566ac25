#include "link/MessageApi.h"

#include <cstring>

#include "logging/ZovLogging.h"

int ZelSpInit(ZelPortHandle port)
{
    LogZelDebug("ZelSpInit", "");
    return ZelFlInitFrameLayer(port);
}

int ZelSpClose(ZelPortHandle port)
{
    LogZelDebug("ZelSpClose", "");
    return ZelFlCloseFrameLayer(port);
}

void ZelSpAbort(ZelPortHandle port)
{
    LogZelDebug("ZelSpAbort", "");
    ZelFlAbort(port);
}

int ZelSpSendMessage(ZelPortHandle port, const char* message)
{
    LogZelDebug("ZelSpSendMessage", "");
    // Bounded: a message without a terminator is refused as too long, never read past.
    const size_t length = message != nullptr ? strnlen(message, kZelSpMaxSendLength + 1) : 0;
    if (length > kZelSpMaxSendLength) {
        LogZelError("ZelSpSendMessage", "Message too long");
        return kZelBadArgument;
    }
    return ZelFlSendApplicationData(port, message, length);
}

int ZelSpReceiveMessage(ZelPortHandle port, char* buffer, char* out_first)
{
    LogZelDebug("ZelSpReceiveMessage", "");
    size_t count = 0;
    const int result = ZelFlReceiveApplicationData(port, buffer, &count);
    if (result != kZelOk) {
        return result;
    }
    buffer[count] = 0;
    if (out_first != nullptr) {
        *out_first = buffer[0];
    }
    return kZelOk;
}
