// Faults that the simulated board produces on demand, so that a test or a rehearsal can see how
// the tool copes with a bad line or a misbehaving board. Every fault is chosen either by a rate
// (each opportunity strikes with that probability) or by a count (the first `count` opportunities
// after `after` untouched ones strike). Rates draw from a generator seeded per fault, so a run
// with the same seed and the same traffic strikes at the same places.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>

enum class SimFault : int {
    CorruptFrame,      // an outgoing frame gets a wrong checksum
    DropFrame,         // an outgoing frame is not sent at all
    RefuseFrame,       // a good incoming data frame is refused with 'N' and dropped
    DuplicateFrame,    // an outgoing data frame is sent twice
    LineNoise,         // a few noise bytes go out before a frame
    SplitFrame,        // an outgoing frame is sent in two parts with a long gap between
    DelayReply,        // a reply goes out only after the reply delay
    LoseReply,         // a reply is never sent (the request is still acknowledged)
    ResultCode,        // a request is answered with the chosen result code
    BootWrongId,       // the bootstrap loader answers a wrong identification byte
    BootNoLoaderAck,   // no 0x01 after the boot loader
    BootNoMonitorAck,  // no 0x03 after the boot monitor
    BootBadChecksum,   // the block checksum of the last transfer is wrong
    BootDriverError,   // a flash driver call returns the chosen driver error code
    BootStopAnswering, // the board stops answering in the middle of a monitor command
    kCount
};

constexpr size_t kSimFaultCount = static_cast<size_t>(SimFault::kCount);

// The name of a fault as used on the command line and in scenario files ("corrupt", "drop", ...).
const char* SimFaultName(SimFault fault);
// The fault of a name; false when the name is unknown.
bool SimFaultFromName(const std::string& name, SimFault* fault);

struct FaultSetting {
    double rate = 0.0;   // 0..1: probability per opportunity (used when count is 0)
    uint32_t count = 0;  // strike this many opportunities ...
    uint32_t after = 0;  // ... after letting this many pass
};

struct FaultSettings {
    std::array<FaultSetting, kSimFaultCount> per_fault{};
    uint32_t seed = 1;
    uint32_t reply_delay_ms = 3000;        // DelayReply
    uint32_t split_gap_ms = 300;           // SplitFrame: longer than the tool's 200 ms byte gap
    uint32_t result_code = 0x08000000;     // ResultCode
    uint16_t driver_error = 0x0010;        // BootDriverError
    uint8_t wrong_id_byte = 0x55;          // BootWrongId

    FaultSetting& operator[](SimFault fault) { return per_fault[static_cast<size_t>(fault)]; }
    const FaultSetting& operator[](SimFault fault) const { return per_fault[static_cast<size_t>(fault)]; }

    // Parses one "name=rate" (a number with a point, 0 to 1), "name=Nx" (count) or
    // "name=Nx@M" (count after M passes) setting. False with an error text when it is malformed.
    bool Parse(const std::string& setting, std::string* error);
};

// Decides, opportunity by opportunity, whether a fault strikes. Used from the simulator's own
// thread only.
class CFaultPlan {
public:
    explicit CFaultPlan(const FaultSettings& settings);

    // Consumes one opportunity of the fault and tells whether it strikes.
    bool Strike(SimFault fault);
    // How often the fault struck so far.
    uint32_t Struck(SimFault fault) const { return struck_[static_cast<size_t>(fault)]; }
    // A pseudo-random number from the fault's own generator (for noise bytes and the like).
    uint32_t Draw(SimFault fault);

    const FaultSettings& Settings() const { return settings_; }

private:
    FaultSettings settings_;
    std::array<std::mt19937, kSimFaultCount> generators_;
    std::array<uint32_t, kSimFaultCount> seen_{};
    std::array<uint32_t, kSimFaultCount> struck_{};
};
