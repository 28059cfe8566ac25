#include "link/LinkResult.h"

const char* ZelSpResultText(int result)
{
    switch (result) {
    case kZelOk: return "OK";
    case kZelNoMemory: return "ZELSP: Not enough memory";
    case kZelHardwareError: return "ZELSP: Hardware error";
    case kZelCommError: return "ZELSP: Communication error";
    case kZelTimeout: return "ZELSP: Communication timeout";
    case kZelBadArgument: return "ZELSP: Incorrect argument";
    case kZelEmptyFrame: return "ZELSP: System call error";
    default: return "ZELSP: Unknown error";
    }
}
