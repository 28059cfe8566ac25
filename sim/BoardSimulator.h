// zov-boardsim's board: a simulated controller board on a pseudo-terminal. The tool opens
// DevicePath() (or the symbolic link link_path) as its COM port and finds there the running
// subsystem (framed messages at 19200 baud 7E1) or, after a 0x00 byte outside a frame, the
// processor's bootstrap loader and the boot monitor (38400 baud 8N1). The same class serves the
// zov-boardsim program, the tool's built-in simulation and the tests.
//
// Thread rules: Start, Stop and the destructor belong to the owner's thread. The board runs on
// one thread of its own, started by Start and joined by Stop. Inspect may be called from any
// thread while the board runs; it sees the model between two bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FaultPlan.h"

class CBootModel;
class CSubsystem;

struct BoardSimOptions {
    std::string link_path;      // symbolic link made to the device; empty: none
    std::string scenario_file;  // ini file with the subsystem's values; empty: defaults
    std::string state_file;     // flash, calibration and buffers kept between runs; empty: none
    bool verbose = false;       // readable trace of every frame and boot exchange
    bool baud_emulation = false;  // pace bytes at the line's real speed
    FaultSettings faults;
    std::string board = "XC167";  // board model in boot mode ("XC167" or "XC167X")
    uint32_t ack_timeout_ms = 500;  // wait for the tool's acknowledgement of a board frame
    int send_attempts = 4;          // sends of one frame before the board gives up
    // Where trace lines go (called on the board's thread); empty: standard error.
    std::function<void(const std::string& line)> trace_sink;
};

class CBoardSimulator {
public:
    explicit CBoardSimulator(BoardSimOptions options);
    ~CBoardSimulator();  // stops
    CBoardSimulator(const CBoardSimulator&) = delete;
    CBoardSimulator& operator=(const CBoardSimulator&) = delete;

    // Loads the scenario and the state, creates the pseudo-terminal (and the symbolic link when
    // link_path is set; an existing symbolic link there is replaced, any other file is not
    // touched) and starts the board's thread. False with an error text when any step fails;
    // nothing is left running then.
    bool Start(std::string* error);
    // The path the tool opens as its COM port: link_path when set, else the device itself.
    std::string DevicePath() const;
    // The pseudo-terminal device (/dev/pts/N); empty before Start.
    std::string DeviceName() const { return device_; }
    // Stops and joins the board's thread, writes the state file, closes the pseudo-terminal (the
    // tool's port sees a hang-up, as when zov-boardsim ends) and removes the symbolic link. The
    // models stay for Inspect. Does nothing when not running.
    void Stop();
    bool Running() const { return running_; }

    // Runs look with the board's models under the model lock (tests and diagnostics).
    void Inspect(const std::function<void(const CSubsystem& subsystem)>& look) const;
    // The same for the boot side; boot_mode tells whether the board is in boot mode now.
    void InspectBoot(const std::function<void(const CBootModel& boot, bool boot_mode)>& look) const;
    // Every message received in data frames so far, oldest first (at most the last 10000).
    std::vector<std::string> ReceivedMessages() const;
    // How often each fault struck.
    uint32_t FaultsStruck(SimFault fault) const;

private:
    struct Impl;
    BoardSimOptions options_;
    std::unique_ptr<Impl> impl_;
    std::string device_;
    bool running_ = false;
};
