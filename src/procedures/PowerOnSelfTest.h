// The subsystem's power-on self test result as the tests hub reports it: read once, it decides
// whether the four tests may run (only a result of 0 read without failure lets them), and the
// result box names every failed part of the subsystem or says that the test passed.
#pragma once

#include <cstdint>
#include <string>

class CSerialCommHandler;

// The box text when the result cannot be read.
inline constexpr char kPostReadErrorText[] = "Error reading power on self test result.";

// The texts of the bits set in result among 1, 2, 4, 8 and 16, joined in that order (each but the
// last ends with CR LF), then a line with any bits above 16; "Power on self test: \"Passed\""
// only when result is 0.
std::string PowerOnSelfTestText(uint32_t result);

struct tagPowerOnSelfTest {
    bool read_ok = false;
    uint32_t result = 0;  // meaningful only when read_ok

    // The tests may run: the read succeeded and reported no failure.
    bool Passed() const { return read_ok && result == 0; }
    // What the result box says: the bit texts, the passed text, or the read error.
    std::string Text() const { return read_ok ? PowerOnSelfTestText(result) : kPostReadErrorText; }
};

// Reads the result with ZelPstGetPowerOnSelfTestResult. The caller's thread; blocks for one
// request.
tagPowerOnSelfTest ReadPowerOnSelfTest(CSerialCommHandler& handler);
