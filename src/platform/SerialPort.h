// A serial port: a real RS232 port, a USB adapter or a pseudo-terminal, opened exclusively and
// driven without blocking. The protocol layers see only this class; the OS calls stay in
// SerialPort.cpp.
//
// Thread rules: one thread may wait and read while another writes; Open, Configure and Close
// belong to the owner and must not run while another thread uses the port.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

class CEvent;

// Line settings of one link.
struct SerialLineSettings {
    enum class Parity { None, Even, Odd };

    uint32_t baud = 19200;
    int data_bits = 7;
    Parity parity = Parity::Even;
    int stop_bits = 1;
    // Parity checking on: a byte received with a parity error reads as 0x00.
    bool check_parity = true;
    // Level of the DTR and RTS lines (not used for handshaking on either link).
    bool dtr_on = false;
    bool rts_on = false;

    // The runtime link: 19200 baud, 7 data bits, even parity, 1 stop bit, DTR and RTS off.
    static SerialLineSettings RuntimeLink();
    // The boot link: 38400 baud, 8 data bits, no parity, 1 stop bit, DTR and RTS on.
    static SerialLineSettings BootLink();
};

// Outcome of CSerialPort::WaitReadable.
enum class SerialWait {
    Readable,  // bytes are waiting (or the port has news, such as an error, for the next read)
    Stopped,   // the stop event was set
    Timeout,   // nothing arrived in time
    Failed     // the port failed (hang-up, device gone); LastError() tells why
};

class CSerialPort {
public:
    CSerialPort() = default;
    ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // The device path for a port name: "COMn" (any case) is /dev/ttyS(n-1), a name holding a
    // "/" is a path as it stands, any other name is looked for in /dev.
    static std::string DevicePath(const std::string& name);
    // True when the device that name stands for is there (a character device; a symbolic link
    // is followed), whether or not it can be opened now. Any thread.
    static bool DeviceExists(const std::string& name);

    // Opens an existing port for reading and writing, exclusively: while one CSerialPort holds
    // it, a second open of the same device fails with EBUSY. False on failure (LastError()).
    bool Open(const std::string& name);
    // Applies line settings in raw mode. False when the device refuses them (for example when
    // it is not a serial device at all).
    bool Configure(const SerialLineSettings& settings);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    // The name given to Open and the device path it stood for.
    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }

    // Takes up to capacity bytes that are already there, without waiting. Returns the count
    // (0: nothing there) or -1 when the port failed (a hung-up port fails, it never reads as
    // empty over and over).
    long ReadAvailable(uint8_t* dest, size_t capacity);
    // Waits up to total_timeout_ms for count bytes. Returns how many arrived (0 on time-out)
    // or -1 when the port failed before any arrived.
    long Read(uint8_t* dest, size_t count, uint32_t total_timeout_ms);
    // Writes count bytes within timeout_ms. Returns how many were written (fewer on time-out)
    // or -1 when the port failed before any was written.
    long Write(const uint8_t* data, size_t count, uint32_t timeout_ms);

    // Waits up to timeout_ms (kInfinite: no limit) until bytes are there or stop (a manual-reset
    // event, may be null) is set. The stop event wakes the wait at once.
    SerialWait WaitReadable(uint32_t timeout_ms, const CEvent* stop);

    // Discards what the driver holds in both directions.
    bool Purge();
    // Clears a latched error state and lets suspended output continue.
    bool ClearErrors();

    // errno of the last failure on this port, and its text.
    int LastError() const { return last_error_.load(); }
    std::string LastErrorText() const;

private:
    bool Fail(int error);

    int fd_ = -1;
    std::string name_;
    std::string path_;
    std::atomic<int> last_error_{0};
};
