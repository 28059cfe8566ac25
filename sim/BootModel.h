// The controller board in boot mode: the processor's bootstrap loader (identification byte, 32
// bytes of first-stage loader), the loader that takes the boot monitor, and the monitor with its
// commands (test, write word, write block, read block, block checksum, call flash driver) over
// the board's memory. It is written from the exchanges alone and shares no code with the tool.
//
// Resets are read from the line: a 0x00 byte where the monitor waits for a command, or after
// a quiet spell of kResetGapMs in any other state, is the handshake after a reset with the boot
// jumper placed; a '$' in the same places is the first byte of a frame after a reset without it,
// and sends the board back to the running subsystem. Within a command, a quiet spell of
// kResetGapMs makes the monitor give up the command.
//
// Single-threaded: the simulator's loop feeds bytes. Times are monotonic milliseconds.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "BoardMemory.h"

class CFaultPlan;

class CBootModel {
public:
    static constexpr uint32_t kResetGapMs = 500;

    struct Hooks {
        std::function<void(const std::string& bytes)> write;
        std::function<void(const std::string& text)> trace;
    };

    enum class State { Loader, Monitor, Idle, Command, Dead };
    enum class Verdict { Stay, ReturnToRuntime };

    CBootModel(SimBoardLayout layout, CFaultPlan* faults);
    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // The board was reset with its jumper and received the handshake byte 0x00.
    void Enter(uint64_t now_ms);
    // One received byte. ReturnToRuntime: the byte was a '$' after a reset; the caller hands it
    // to the runtime side.
    Verdict OnByte(uint8_t byte, uint64_t now_ms);

    State CurrentState() const { return state_; }
    const CBoardMemory& Memory() const { return memory_; }
    CBoardMemory& Memory() { return memory_; }
    uint8_t LastChecksum() const { return checksum_; }

private:
    void Send(const std::string& bytes);
    void Send(uint8_t byte) { Send(std::string(1, static_cast<char>(byte))); }
    void Trace(const std::string& text) const;
    void LoaderComplete();
    void MonitorComplete();
    void StartCommand(uint8_t code);
    void CommandByte(uint8_t byte);
    void Execute();
    void CallDriver();
    void Die(const std::string& why);

    CBoardMemory memory_;
    CFaultPlan* faults_;
    Hooks hooks_;

    State state_ = State::Dead;
    uint64_t last_byte_ms_ = 0;
    std::string received_;   // loader, monitor or command bytes so far
    uint32_t monitor_address_ = 0;
    uint32_t monitor_length_ = 0;
    uint8_t code_ = 0;
    size_t expected_ = 0;    // request bytes of the current command
    uint8_t checksum_ = 0;   // XOR of the data bytes of the last block transfer
};

const char* BootStateName(CBootModel::State state);
