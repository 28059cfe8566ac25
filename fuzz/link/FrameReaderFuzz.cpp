// Feeds arbitrary line bytes through the frame reader's rules: the cutter that takes frames out
// of the byte stream and the checks that decide whether a frame is accepted. Whatever arrives,
// cut frames stay inside the receive buffer, start with '$' and end with CR, and an accepted
// data frame is exactly what the sender's builder makes of its number and message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "link/FrameCodec.h"
#include "link/FrameLayer.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void CheckCutFrame(const char* frame, size_t length)
{
    Require(length >= 1 && length <= kZelFlFrameBufferSize - 1);
    Require(frame[0] == kFrameStartId && frame[length - 1] == kFrameStopId && frame[length] == 0);
    uint8_t number = 0;
    const FrameCheck check = CheckFrame(frame, length, &number);
    // The cutter guarantees start and stop, so only the inner checks can fail.
    Require(check != FrameCheck::BadStart && check != FrameCheck::BadStop);
    if (check != FrameCheck::Ok || frame[3] != kFrameTypeData) {
        return;
    }
    char rebuilt[kZelFlFrameBufferSize];
    const size_t rebuilt_length =
        BuildDataFrame(rebuilt, sizeof rebuilt, number, frame + 4, length - kZelFlFrameOverhead);
    Require(rebuilt_length == length && std::memcmp(rebuilt, frame, length) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char buffer[kZelFlFrameBufferSize];
    CFrameCutter cutter(buffer, sizeof buffer);
    for (size_t i = 0; i < size; ++i) {
        const CFrameCutter::Step step = cutter.Put(data[i]);
        if (step == CFrameCutter::Step::Frame) {
            CheckCutFrame(buffer, cutter.Length());
        } else if (step == CFrameCutter::Step::TooLong) {
            Require(cutter.Length() == sizeof buffer - 1 && buffer[0] == kFrameStartId);
        }
    }
    return 0;
}
