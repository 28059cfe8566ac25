// A scripted controller board in boot mode for the boot tests: it answers the bootstrap
// handshake, takes the boot loader and the boot monitor, and then serves the monitor commands
// and the flash driver functions on the master side of a pseudo-terminal, with a 16 MB memory
// whose flash sections start filled with a pattern (so untouched sections can be recognised).
// Faults are injected by count. It is written from the wire formats alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PtyPair.h"

struct FakeSection {
    uint32_t start;
    uint32_t size;
    uint16_t number;
    uint8_t erase_char;
};

struct FakeDriver {
    uint32_t address;            // where the driver image is loaded and entered
    std::vector<uint8_t> image;  // what must be there for a call to work
};

struct FakeBoardSetup {
    uint8_t id_byte = 0xC5;
    size_t loader_size = 32;
    size_t monitor_size = 64;
    std::vector<FakeSection> sections;
    std::vector<FakeDriver> drivers;
    uint8_t flash_pattern = 0x5A;  // content of every section before the test
};

class CFakeBootBoard {
public:
    explicit CFakeBootBoard(FakeBoardSetup setup);
    ~CFakeBootBoard();

    const std::string& DevicePath() const { return pty_.SlavePath(); }

    // Faults, each striking the next count opportunities.
    std::atomic<int> wrong_id{0};
    std::atomic<int> bad_block_checksum{0};  // GetBlockChecksum answers a wrong XOR
    std::atomic<int> lose_read_byte{0};      // a read-block reply misses its last byte
    std::atomic<int> driver_error{0};        // a driver call answers result 0x0010
    std::atomic<int> corrupt_program{0};     // a program call stores its first byte inverted
    std::atomic<int> erase_error_section{-1};  // erasing this section number answers 0x0010
    // A program call answers result 0x0033 and ends its reply with 0x00 instead of 0xEA.
    std::atomic<int> program_bad_end{0};
    // Set to stop the board from answering at all (a board without power).
    std::atomic<bool> silent{false};

    // The reset switch with the boot jumper placed: back to the bootstrap loader, memory kept.
    void Reset();

    // Inspection (after the tool is done with the port).
    std::vector<uint8_t> Memory(uint32_t address, size_t size) const;
    void SetMemory(uint32_t address, const std::vector<uint8_t>& bytes);
    std::vector<uint16_t> ErasedSections() const;
    std::vector<std::pair<uint32_t, uint16_t>> WordWrites() const;
    int DriverLoads() const;
    int BlockReads() const;
    std::vector<uint8_t> Loader() const;
    std::vector<uint8_t> Monitor() const;

private:
    void Run();
    bool Get(uint8_t* out, size_t count);
    void Put(const std::vector<uint8_t>& bytes);
    void Serve(uint8_t command);
    void CallDriver(uint16_t (&words)[8]);
    const FakeSection* SectionOf(uint32_t address) const;

    FakeBoardSetup setup_;
    CPtyPair pty_;
    mutable std::mutex lock_;
    std::vector<uint8_t> memory_;
    std::vector<uint16_t> erased_;
    std::vector<std::pair<uint32_t, uint16_t>> word_writes_;
    std::vector<uint8_t> loader_;
    std::vector<uint8_t> monitor_;
    int driver_loads_ = 0;
    int block_reads_ = 0;
    uint8_t last_xor_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> reset_{false};
    std::thread thread_;
};
