// The byte-level rules of the link's frames, apart from any port: cutting frames out of a byte
// stream, checking a received frame, and building data and acknowledgement frames. The port
// layer and the frame layer are built on these, and the fuzz target drives them directly.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr char kFrameStartId = '$';
constexpr char kFrameStopId = '\r';
constexpr char kFrameTypeData = 'D';
constexpr char kFrameTypeAck = 'A';
constexpr char kFrameTypeNack = 'N';

// Cuts one frame at a time out of a byte stream into a caller's buffer: bytes before '$' are
// dropped, every byte after it is kept (a second '$' too) up to and including the carriage
// return. A frame that fills size - 1 bytes without one is too long.
class CFrameCutter {
public:
    enum class Step { More, Frame, TooLong };

    // buffer holds size bytes (size >= 2); not owned. The buffer is 0-terminated after every
    // stored byte.
    CFrameCutter(char* buffer, size_t size);

    // Takes the next byte. After Frame or TooLong the cutter starts over with the next byte.
    Step Put(uint8_t byte);
    // Bytes of the current or just completed frame.
    size_t Length() const { return stored_; }
    // Forgets a partial frame.
    void Reset() { stored_ = 0; done_ = false; }

private:
    char* buffer_;
    size_t size_;
    size_t stored_ = 0;
    bool done_ = false;
};

// The outcome of the checks of a received frame, in the order they are made.
enum class FrameCheck { Ok, TooSmall, BadStart, BadStop, BadNumber, BadChecksum };

// Checks frame[0 .. length). *number gets the frame number as far as it was readable: 0xFF when
// not even its first digit was, the first digit times 16 when only the second was bad. Only
// '0'-'9' and 'A'-'F' are hex digits; each bad one is traced ("ASCIIhex2char").
FrameCheck CheckFrame(const char* frame, size_t length, uint8_t* number);

// The warning text of a failed check ("Received frame too small", ...); "" for Ok.
const char* FrameCheckText(FrameCheck check);

// Builds a data frame of count message bytes into out (count + 7 bytes). Returns the frame's
// length, or 0 when out_size is too small.
size_t BuildDataFrame(char* out, size_t out_size, uint8_t number, const char* bytes, size_t count);

// Builds the 7-byte acknowledgement ('A') or refusal ('N') of frame number into out.
void BuildAckFrame(char* out, uint8_t number, char type);
