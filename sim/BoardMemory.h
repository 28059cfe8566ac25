// The memory of a simulated controller board in boot mode: on-chip RAM (where the monitor, the
// flash drivers and the transfer buffer live), the special function registers, and the flash
// sections with their erase characters. Flash changes only through a flash driver: programming
// can move a bit only away from its erased state (a 0 bit of 0xFF-erased flash never becomes 1
// again), so programming unerased flash leaves the old bits and shows up on verify.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct SimFlashSection {
    uint32_t start;
    uint32_t size;
    uint32_t number;  // the number the flash driver knows the section by
    int driver;       // the flash driver that erases and programs it
    uint8_t erase_char;
};

struct SimBoardLayout {
    std::string name;
    uint8_t id_byte = 0xD5;         // answer of the bootstrap loader to the handshake byte
    uint32_t loader_address = 0x00FA00;  // where the bootstrap loader puts the 32 bytes
    uint32_t ram_start = 0x00C000;  // RAM: [ram_start, ram_end)
    uint32_t ram_end = 0x00FE00;
    uint32_t sfr_start = 0x00FE00;  // special function registers: [sfr_start, sfr_end)
    uint32_t sfr_end = 0x010000;
    std::vector<SimFlashSection> sections;
    // Register settings without which the flash of `bus_driver` cannot be reached (the chip
    // select of an external flash); empty: always reachable.
    std::vector<std::pair<uint32_t, uint16_t>> bus_setup;
    int bus_driver = -1;
};

// The built-in layouts: "XC167" and "XC167X". False for any other name.
bool SimBoardLayoutByName(const std::string& name, SimBoardLayout* layout);

// Results (word 8) of the simulated flash drivers.
constexpr uint16_t kDriverOk = 0x0000;
constexpr uint16_t kDriverUnknownFunction = 0x0001;
constexpr uint16_t kDriverBadDestination = 0x0002;  // not in this driver's flash
constexpr uint16_t kDriverUnknownSection = 0x0003;
constexpr uint16_t kDriverBadSource = 0x0004;       // not in RAM
constexpr uint16_t kDriverNoBus = 0x0005;           // flash not reachable: bus not set up

class CBoardMemory {
public:
    explicit CBoardMemory(SimBoardLayout layout);

    const SimBoardLayout& Layout() const { return layout_; }

    // One byte as the monitor reads it: RAM, a register byte, flash (0x00 when its bus is not
    // set up) or 0x00 for an address where nothing answers.
    uint8_t Read(uint32_t address) const;
    // Writes one byte as the monitor does: RAM and registers take it; flash and unused
    // addresses ignore it (flash only changes through a driver).
    void Write(uint32_t address, uint8_t value);
    // A 16-bit write, low byte first. Register writes are recorded (progress LED, bus setup).
    void WriteWord(uint32_t address, uint16_t value);

    // Flash driver functions; each returns the driver result.
    uint16_t Program(int driver, uint32_t source, uint32_t destination, uint32_t count);
    uint16_t Erase(int driver, uint32_t section_number);

    // The section that holds an address; null when none.
    const SimFlashSection* SectionAt(uint32_t address) const;
    // Whether a driver's flash can be reached.
    bool BusReady(int driver) const;

    // Register word writes so far, oldest first (the last 100000).
    const std::vector<std::pair<uint32_t, uint16_t>>& WordWrites() const { return word_writes_; }

    // Flash contents for the state file: runs of not-erased bytes as (address, bytes), and back.
    std::vector<std::pair<uint32_t, std::string>> FlashRuns(size_t max_run) const;
    void LoadFlash(uint32_t address, const std::string& bytes);
    // Everything erased, RAM and registers cleared (a board fresh from the factory).
    void Clear();
    // RAM and registers cleared, flash kept (a reset).
    void Reset();

private:
    uint8_t* FlashByte(uint32_t address);
    const uint8_t* FlashByte(uint32_t address) const;

    SimBoardLayout layout_;
    std::vector<uint8_t> ram_;
    std::map<uint32_t, uint8_t> sfr_;
    std::vector<std::vector<uint8_t>> flash_;  // one vector per section
    std::vector<std::pair<uint32_t, uint16_t>> word_writes_;
};
