#include "procedures/PowerOnSelfTest.h"

#include "handler/SerialCommHandler.h"
#include "platform/Format.h"

namespace {

struct tagPostBit {
    uint32_t bit;
    const char* text;
};

constexpr tagPostBit kPostBits[] = {
    {1, "Controller board error\r\n"},
    {2, "Interface board error\r\n"},
    {4, "Camera error\r\n"},
    {8, "Iris error\r\n"},
    {16, "Image Intensifier error"},
};

constexpr uint32_t kKnownBits = 0x1F;

}  // namespace

std::string PowerOnSelfTestText(uint32_t result)
{
    std::string text;
    for (const tagPostBit& bit : kPostBits) {
        if ((result & bit.bit) != 0) text += bit.text;
    }
    // A bit that no text names is still a failure: the box must not call it passed.
    if ((result & ~kKnownBits) != 0) {
        if (!text.empty() && text.back() != '\n') text += "\r\n";
        text += Format("Unknown self test error bits: 0x%08x", result & ~kKnownBits);
    }
    return text.empty() ? "Power on self test: \"Passed\"" : text;
}

tagPowerOnSelfTest ReadPowerOnSelfTest(CSerialCommHandler& handler)
{
    tagPowerOnSelfTest post;
    uint32_t code = kNoResultCode;
    post.read_ok = handler.ZelPstGetPowerOnSelfTestResult(&post.result, &code);
    if (!post.read_ok) post.result = 0;
    return post;
}
