#include "link/FrameCodec.h"

#include <cstring>

#include "logging/ZovLogging.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

void PutHex(char* at, uint8_t value)
{
    at[0] = kHexDigits[value >> 4];
    at[1] = kHexDigits[value & 0x0F];
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Two hex digits to one byte. The high nibble is stored before the second digit is looked at,
// so a refusal can name as much of a frame number as was readable.
bool ASCIIhex2char(const char* digits, uint8_t* value)
{
    const int high = HexValue(digits[0]);
    if (high < 0) {
        LogZelWarning("ASCIIhex2char", "Invalid hex character");
        return false;
    }
    *value = static_cast<uint8_t>(high << 4);
    const int low = HexValue(digits[1]);
    if (low < 0) {
        LogZelWarning("ASCIIhex2char", "Invalid hex character");
        return false;
    }
    *value = static_cast<uint8_t>(*value | low);
    return true;
}

uint8_t Checksum(const char* bytes, size_t count)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        sum = static_cast<uint8_t>(sum ^ static_cast<uint8_t>(bytes[i]));
    }
    return sum;
}

}  // namespace

CFrameCutter::CFrameCutter(char* buffer, size_t size) : buffer_(buffer), size_(size < 2 ? 2 : size)
{
    buffer_[0] = 0;
}

CFrameCutter::Step CFrameCutter::Put(uint8_t byte)
{
    if (done_) {
        Reset();
    }
    if (stored_ == 0 && byte != static_cast<uint8_t>(kFrameStartId)) {
        return Step::More;  // line noise or the tail of a lost frame
    }
    buffer_[stored_++] = static_cast<char>(byte);
    buffer_[stored_] = 0;
    if (byte == static_cast<uint8_t>(kFrameStopId)) {
        done_ = true;
        return Step::Frame;
    }
    if (stored_ >= size_ - 1) {
        done_ = true;
        return Step::TooLong;
    }
    return Step::More;
}

FrameCheck CheckFrame(const char* frame, size_t length, uint8_t* number)
{
    *number = 0xFF;
    if (length < 7) {
        return FrameCheck::TooSmall;
    }
    if (frame[0] != kFrameStartId) {
        return FrameCheck::BadStart;
    }
    if (frame[length - 1] != kFrameStopId) {
        return FrameCheck::BadStop;
    }
    if (!ASCIIhex2char(frame + 1, number)) {
        return FrameCheck::BadNumber;
    }
    uint8_t checksum = 0;
    if (!ASCIIhex2char(frame + length - 3, &checksum) || checksum != Checksum(frame, length - 3)) {
        return FrameCheck::BadChecksum;
    }
    return FrameCheck::Ok;
}

const char* FrameCheckText(FrameCheck check)
{
    switch (check) {
    case FrameCheck::Ok: return "";
    case FrameCheck::TooSmall: return "Received frame too small";
    case FrameCheck::BadStart: return "Invalid StartId";
    case FrameCheck::BadStop: return "Invalid StopId";
    case FrameCheck::BadNumber: return "Invalid FrameNumber";
    case FrameCheck::BadChecksum: return "Invalid Checksum";
    }
    return "";
}

size_t BuildDataFrame(char* out, size_t out_size, uint8_t number, const char* bytes, size_t count)
{
    const size_t length = count + 7;
    if (length > out_size || (bytes == nullptr && count > 0)) {
        return 0;
    }
    out[0] = kFrameStartId;
    PutHex(out + 1, number);
    out[3] = kFrameTypeData;
    if (count > 0) {
        std::memcpy(out + 4, bytes, count);
    }
    PutHex(out + 4 + count, Checksum(out, 4 + count));
    out[6 + count] = kFrameStopId;
    return length;
}

void BuildAckFrame(char* out, uint8_t number, char type)
{
    out[0] = kFrameStartId;
    PutHex(out + 1, number);
    out[3] = type;
    PutHex(out + 4, Checksum(out, 4));
    out[6] = kFrameStopId;
}
