// A pseudo-terminal for tests: the test holds the master side and plays the peer; the code under
// test opens SlavePath() as its serial port.
#pragma once

#include <cstdint>
#include <string>

class CPtyPair {
public:
    // Creates the pair in raw mode. Aborts the test program when the system has no ptys.
    CPtyPair();
    ~CPtyPair();
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    const std::string& SlavePath() const { return slave_path_; }
    int MasterFd() const { return master_; }

    // Writes all bytes to the master side.
    void Write(const std::string& bytes);
    // Reads from the master until count bytes arrived or timeout_ms passed; returns what came.
    std::string Read(size_t count, uint32_t timeout_ms);
    // Reads until the byte stop (included) arrived or timeout_ms passed.
    std::string ReadUntil(char stop, uint32_t timeout_ms);
    // Reads whatever arrives within timeout_ms.
    std::string Drain(uint32_t timeout_ms);
    // Closes the master side: the slave side sees a hang-up.
    void HangUp();

private:
    int master_ = -1;
    int keep_slave_ = -1;  // keeps the slave side alive until HangUp, so the master never reads EIO
    std::string slave_path_;
};
