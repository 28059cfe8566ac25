// The boot link to the controller board: takes the COM port while the board waits in its
// processor's bootstrap loader, performs the handshake, sends the first-stage boot loader and the
// boot monitor, sets the special function registers, and then offers the monitor's commands
// (write and read memory blocks, write a word) and the flash driver calls (program, erase, flash
// information) to the program download and the configuration storage.
//
// Every progress and failure line goes to the owner's OutputText; the failures the engineer must
// see are also shown through platform/Prompt.h. After a successful Boot the main window gets the
// connection notification (connected, port name); when the handler is destroyed it gets
// (not connected, "").
//
// One thread at a time uses a handler (the download worker, or the configuration page's thread);
// every operation blocks until done. The monitor commands mean something only after a successful
// Boot since the board was last reset; the handler does not check that.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

class ITextOutput;

class CBootCommHandler {
public:
    // owner receives every line and must outlive the handler.
    explicit CBootCommHandler(ITextOutput& owner);
    // Closes the port and tells the main window that the board is no longer connected.
    ~CBootCommHandler();
    CBootCommHandler(const CBootCommHandler&) = delete;
    CBootCommHandler& operator=(const CBootCommHandler&) = delete;

    // Monitor command codes and the monitor's answers.
    static constexpr uint8_t kCmdTest = 0x93;
    static constexpr uint8_t kCmdWriteWord = 0x82;
    static constexpr uint8_t kCmdWriteBlock = 0x84;
    static constexpr uint8_t kCmdReadBlock = 0x85;
    static constexpr uint8_t kCmdBlockChecksum = 0x33;
    static constexpr uint8_t kCmdCallDriver = 0x9F;
    static constexpr uint8_t kAcknowledge = 0xAA;
    static constexpr uint8_t kEnd = 0xEA;

    // Attempts of every monitor command, and the pause before the next one (milliseconds).
    static constexpr int kMonitorAttempts = 4;
    static constexpr uint32_t kRecoverPauseMs = 1000;
    // Time-outs of the boot link: a read waits this long in total, a write may take this long.
    static constexpr uint32_t kReadTimeoutMs = 2000;
    static constexpr uint32_t kWriteTimeoutMs = 100;
    // The largest block the 16-bit length field can describe.
    static constexpr uint32_t kMaxBlockLength = 0xFFFF;

    // Uses this port instead of the "COM port" setting (zovcli's --port); empty: the setting.
    void SetPortOverride(std::optional<std::string> port) { port_override_ = std::move(port); }

    // Reads the board setting and runs the whole boot sequence; on success notifies the main
    // window. Call after the engineer has put the board into boot mode.
    bool Boot();

    // The monitor commands, each up to kMonitorAttempts attempts with Recover between them.
    // return_byte: the last byte the monitor sent in the failing exchange (0: none arrived).
    // length is at most kMaxBlockLength.
    bool WriteBlock(uint32_t address, uint32_t length, const uint8_t* data, uint8_t& return_byte);
    bool ReadBlock(uint32_t address, uint32_t length, uint8_t* buffer, uint8_t& return_byte);
    bool WriteWord(uint32_t address, uint16_t value, uint8_t& return_byte);

    // Copies size bytes from target RAM (source) into flash (destination) with flash driver
    // driver, loading that driver first when another (or none) is in the board's RAM.
    // driver_result: word 8 of the last driver call (0: the driver succeeded).
    bool ProgramFlash(uint16_t size, uint32_t source, uint32_t destination, int32_t driver, uint16_t& driver_result,
                      uint8_t& return_byte);
    // Erases one section with flash driver driver. A driver error on section number 0 does not
    // count as a failure; the result is still handed out.
    bool EraseSection(int32_t section_number, int32_t driver, uint16_t& driver_result, uint8_t& return_byte);

    // The steps of Boot and of the driver calls; public for the callers that need one alone
    // (zovcli, tests).
    bool OpenPort();
    bool Bootstrap();
    bool LoadBootMonitor();
    bool TestMonitor(uint8_t& return_byte);
    bool SetSfrs(uint8_t& return_byte);
    bool LoadFlashDriver(int32_t driver, uint16_t& driver_result, uint8_t& return_byte);
    bool GetFlashInfo(uint16_t& manufacturer, uint16_t& device, uint16_t& driver_result, uint8_t& return_byte);
    bool GetBlockChecksum(uint8_t& checksum, uint8_t& return_byte);
    // words: the eight parameter words in, the eight result words out. allowed_timeouts: how
    // many empty 2000 ms reads the reply may take (1 for program and flash information, 2 for
    // erase). When the call fails but one of its attempts got the driver's reply (its end byte
    // was missing, say), words holds that reply, so the driver's own word 8 is what is shown.
    bool CallFlashDriver(std::array<uint16_t, 8>& words, int allowed_timeouts, uint8_t& return_byte);
    // The line that reports a driver result after a failed driver operation: "    Flash driver
    // returned: 0x%04x." with driver_result when the last driver call of the operation got the
    // driver's reply, "    Flash driver returned no answer." when none came back (words 8 would
    // only be the word that was sent).
    std::string DriverResultLine(uint16_t driver_result) const;
    // Pauses, clears the port's error state and discards both directions. Nothing once the
    // port has failed underneath.
    void Recover();
    // True once the open port failed underneath (hang-up, I/O error, device removed): a failed
    // port never recovers, so every later exchange fails at once, without retry pauses. The
    // first failure is told in one line naming the port and the system's reason.
    bool PortFailed() const { return port_failed_; }

    bool IsPortOpen() const { return port_.IsOpen(); }
    const std::string& PortName() const { return port_name_; }
    const std::string& Board() const { return board_; }
    uint32_t DriverEntryAddress() const { return driver_entry_; }
    int32_t LoadedDriver() const { return loaded_driver_; }

    // Bytes written to and read from the port since construction (for wire-time figures).
    uint64_t BytesWritten() const { return bytes_written_; }
    uint64_t BytesRead() const { return bytes_read_; }

private:
    enum class ReadResult { Data, Timeout, Error };

    bool Write(const uint8_t* data, size_t count);
    bool WriteByte(uint8_t byte) { return Write(&byte, 1); }
    ReadResult Read(uint8_t* buffer, size_t count, size_t& got);
    bool Expect(uint8_t expected, uint8_t& return_byte);
    // The first block of an image named by the description, read with the driver-0 transfer
    // size as bound. Load failures have been shown; empty is set when the image holds no block.
    bool ReadImage(const std::string& name, std::vector<uint8_t>& data, uint32_t& address, bool& empty);

    bool WriteWordAttempt(uint32_t address, uint16_t value, uint8_t& return_byte);
    bool WriteBlockAttempt(uint32_t address, uint32_t length, const uint8_t* data, uint8_t& return_byte);
    bool ReadBlockAttempt(uint32_t address, uint32_t length, uint8_t* buffer, uint8_t& return_byte);
    bool CallFlashDriverAttempt(std::array<uint16_t, 8>& words, int allowed_timeouts, uint8_t& return_byte,
                                bool& answered);
    bool SendHeader(uint8_t command, uint32_t address, uint32_t length, uint8_t& return_byte);

    void Output(const std::string& text);
    void NotePortFailure();

    ITextOutput& owner_;
    CSerialPort port_;
    std::optional<std::string> port_override_;
    std::string port_name_;
    std::string board_;
    uint32_t driver_entry_ = 0;
    int32_t loaded_driver_ = -1;
    bool driver_answered_ = false;  // the last driver call got the driver's reply
    uint64_t bytes_written_ = 0;
    uint64_t bytes_read_ = 0;
    bool port_failed_ = false;
};
