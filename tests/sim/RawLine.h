// The tool's end of the line, reduced to raw bytes: the tests write frames and boot bytes
// exactly as they should appear on the wire and read back what the simulated board sends.
// Frames are built here independently of the board's own code.
#pragma once

#include <cstdint>
#include <string>

// '$', number as two upper-case hex digits, type, payload, XOR checksum, CR.
std::string RawFrame(uint8_t number, char type, const std::string& payload);

class CRawLine {
public:
    // Opens the device in raw mode; Ok() tells whether that worked.
    explicit CRawLine(const std::string& path);
    ~CRawLine();
    CRawLine(const CRawLine&) = delete;
    CRawLine& operator=(const CRawLine&) = delete;

    bool Ok() const { return fd_ >= 0; }
    void Write(const std::string& bytes);
    // Bytes that arrive within timeout_ms, stopping early once count bytes are there.
    std::string Read(size_t count, uint32_t timeout_ms);
    // The next frame ("$" to CR, bytes before "$" dropped); empty on time-out.
    std::string ReadFrame(uint32_t timeout_ms);
    // Everything that arrives until the line has been quiet for quiet_ms.
    std::string ReadQuiet(uint32_t quiet_ms);

    // Sends message in the next data frame, expects its acknowledgement, then reads the board's
    // next data frame, acknowledges it and returns its message. Frames the board sends on its
    // own ("ds whoami", events) are acknowledged and skipped. Empty on any failure.
    std::string Request(const std::string& message, uint32_t timeout_ms = 3000);
    uint8_t NextNumber() { return ++number_; }

private:
    int fd_ = -1;
    uint8_t number_ = 0;
};
