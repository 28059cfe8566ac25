#include "boot/BootCommHandler.h"

#include "boot/BoardDescription.h"
#include "boot/HexBinFile.h"
#include "boot/TextOutput.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

// Writes that accept nothing this many times in a row (each waiting the write time-out) mean
// that the board no longer takes bytes; the write then fails instead of trying for ever.
constexpr int kMaxWriteStalls = 20;

// Bootstrap, boot monitor and monitor test get this many runs.
constexpr int kBootStepRuns = 2;

// Answers of the boot loader and of the boot monitor once they run.
constexpr uint8_t kBootLoaderReady = 0x01;
constexpr uint8_t kBootMonitorReady = 0x03;

// Flash driver functions (parameter word 1).
constexpr uint16_t kDriverProgram = 0;
constexpr uint16_t kDriverErase = 1;
constexpr uint16_t kDriverFlashInfo = 6;

void PutAddress(uint8_t* out, uint32_t address)
{
    out[0] = static_cast<uint8_t>(address & 0xFF);
    out[1] = static_cast<uint8_t>((address >> 8) & 0xFF);
    out[2] = static_cast<uint8_t>((address >> 16) & 0xFF);
}

void PutWord(uint8_t* out, uint16_t value)
{
    out[0] = static_cast<uint8_t>(value & 0xFF);
    out[1] = static_cast<uint8_t>(value >> 8);
}

uint8_t Xor(const uint8_t* data, size_t count)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        sum ^= data[i];
    }
    return sum;
}

}  // namespace

CBootCommHandler::CBootCommHandler(ITextOutput& owner) : owner_(owner) {}

CBootCommHandler::~CBootCommHandler()
{
    port_.Close();
    Notify::Post(kNotifyConnection, 0, "");
}

void CBootCommHandler::Output(const std::string& text)
{
    owner_.OutputText(text);
}

// ---- serial primitives ----

void CBootCommHandler::NotePortFailure()
{
    if (!port_failed_) {
        port_failed_ = true;
        Output(Format("The serial port %s failed: %s.", port_name_.c_str(), port_.LastErrorText().c_str()));
    }
}

bool CBootCommHandler::Write(const uint8_t* data, size_t count)
{
    if (port_failed_) {
        return false;
    }
    size_t done = 0;
    int stalls = 0;
    while (done < count) {
        const long written = port_.Write(data + done, count - done, kWriteTimeoutMs);
        if (written < 0 || (written == 0 && ++stalls >= kMaxWriteStalls)) {
            Output("Write to serial link failed.");
            if (written < 0) {
                NotePortFailure();
            }
            return false;
        }
        if (written > 0) {
            stalls = 0;
        }
        done += static_cast<size_t>(written);
        bytes_written_ += static_cast<uint64_t>(written);
    }
    return true;
}

CBootCommHandler::ReadResult CBootCommHandler::Read(uint8_t* buffer, size_t count, size_t& got)
{
    got = 0;
    if (port_failed_) {
        return ReadResult::Error;
    }
    const long read = port_.Read(buffer, count, kReadTimeoutMs);
    if (read < 0) {
        Output("Reading from serial link failed.");
        NotePortFailure();
        return ReadResult::Error;
    }
    // Part of the bytes, then the port failed: the bytes count, and so does the failure.
    if (static_cast<size_t>(read) < count && port_.LastError() != 0) {
        NotePortFailure();
    }
    if (read == 0) {
        return port_failed_ ? ReadResult::Error : ReadResult::Timeout;
    }
    got = static_cast<size_t>(read);
    bytes_read_ += got;
    return ReadResult::Data;
}

bool CBootCommHandler::Expect(uint8_t expected, uint8_t& return_byte)
{
    return_byte = 0;
    size_t got = 0;
    return Read(&return_byte, 1, got) == ReadResult::Data && return_byte == expected;
}

void CBootCommHandler::Recover()
{
    if (port_failed_) {
        return;
    }
    SleepMs(kRecoverPauseMs);
    port_.ClearErrors();
    port_.Purge();
}

// ---- boot sequence ----

bool CBootCommHandler::OpenPort()
{
    port_.Close();
    port_failed_ = false;
    port_name_ = port_override_ ? *port_override_ : AppSettings::GetComPort();
    if (!port_.Open(port_name_)) {
        return false;
    }
    if (!port_.Configure(SerialLineSettings::BootLink())) {
        port_.Close();
    }
    return port_.IsOpen();
}

bool CBootCommHandler::Boot()
{
    std::string board;
    if (ReadSelectedBoard(board)) {
        board_ = board;
    }
    // A boot follows a reset, which leaves no driver in the board's RAM.
    loaded_driver_ = -1;
    driver_entry_ = 0;

    const auto run = [this](const char* line, const char* failed, auto step) {
        Output(line);
        for (int attempt = 1; attempt <= kBootStepRuns; ++attempt) {
            if (step()) {
                return true;
            }
            Recover();
        }
        Output(failed);
        return false;
    };

    bool ok = false;
    Output("Opening COM port.");
    if (!OpenPort()) {
        Output("Opening COM port FAILED. Another program may be using it.");
    } else if (run("Bootstrapping controller board.", "Bootstrapping controller board FAILED.",
                   [this] { return Bootstrap(); }) &&
               run("Loading boot monitor.", "Loading boot monitor FAILED.", [this] { return LoadBootMonitor(); }) &&
               run("Testing communication with monitor.", "Testing communication with monitor FAILED.", [this] {
                   uint8_t ignored = 0;
                   return TestMonitor(ignored);
               })) {
        Output("Setting special function registers.");
        uint8_t return_byte = 0;
        ok = SetSfrs(return_byte);
        if (!ok) {
            Output("Setting special function registers FAILED.");
            Output(Format("    Monitor returned: 0x%02x.", return_byte));
        }
    }
    Output(ok ? "Booting controller board finished." : "Booting controller board FAILED.");
    if (ok) {
        Notify::Post(kNotifyConnection, 1, port_name_);
    }
    return ok;
}

bool CBootCommHandler::ReadImage(const std::string& name, std::vector<uint8_t>& data, uint32_t& address, bool& empty)
{
    empty = false;
    CHexBinFile image(ImagePath(name));
    if (!image.Load(CBoardDescription::Load().FlashTransferSize(board_, 0))) {
        return false;
    }
    const tagDataBlock* position = image.GetFirstBlock();
    if (position == nullptr) {
        empty = true;
        return true;
    }
    uint32_t size = 0;
    const uint8_t* bytes = image.GetNextBlock(position, address, size);
    data.assign(bytes, bytes + size);
    return true;
}

bool CBootCommHandler::Bootstrap()
{
    const CBoardDescription description = CBoardDescription::Load();
    const std::string loader = description.BootLoader(board_);
    if (loader.empty()) {
        Output("No bootstrap filename found in .ini file.");
        ShowMessage("No bootstrap filename found in .ini file.");
        return false;
    }
    const uint8_t expected = description.ProcessorIdByte(board_);
    port_.ClearErrors();
    port_.Purge();
    if (!WriteByte(0x00)) {
        return false;
    }
    uint8_t answer = 0;
    size_t got = 0;
    if (Read(&answer, 1, got) != ReadResult::Data) {
        Output("No response on initial handshake byte.");
        return false;
    }
    if (answer != expected) {
        const std::string text = Format("Invalid response during initial handskake on serial link. Received 0x%02x "
                                        "instead of 0x%02x. Check selected processor in Preferences.",
                                        answer, expected);
        Output(text);
        ShowMessage(text);
        return false;
    }
    std::vector<uint8_t> code;
    uint32_t address = 0;
    bool empty = false;
    if (!ReadImage(loader, code, address, empty)) {
        return false;
    }
    if (empty) {
        Output("Boot loader code has incorrect lenghth.");
        ShowMessage("Boot loader code has incorrect lenghth.");
        return false;
    }
    if (!Write(code.data(), code.size())) {
        Output("Boot loader could not be written");
        ShowMessage("Boot loader could not be written");
        return false;
    }
    uint8_t ready = 0;
    return Expect(kBootLoaderReady, ready);
}

bool CBootCommHandler::LoadBootMonitor()
{
    const std::string monitor = CBoardDescription::Load().BootMonitor(board_);
    if (monitor.empty()) {
        Output("No boot monitor filename found in .ini file.");
        ShowMessage("No boot monitor filename found in .ini file.");
        return false;
    }
    std::vector<uint8_t> code;
    uint32_t address = 0;
    bool empty = false;
    if (!ReadImage(monitor, code, address, empty)) {
        return false;
    }
    if (empty) {
        Output("No boot monitor found.");
        ShowMessage("No boot monitor found.");
        return false;
    }
    uint8_t ready = 0;
    if (!Write(code.data(), code.size()) || !Expect(kBootMonitorReady, ready)) {
        Output("Error loading boot monitor.");
        ShowMessage("Error loading boot monitor.");
        return false;
    }
    return true;
}

bool CBootCommHandler::TestMonitor(uint8_t& return_byte)
{
    return_byte = 0;
    return WriteByte(kCmdTest) && Expect(kAcknowledge, return_byte) && Expect(kEnd, return_byte);
}

bool CBootCommHandler::SetSfrs(uint8_t& return_byte)
{
    return_byte = 0;
    for (int n = 0;; ++n) {
        uint32_t address = 0;
        uint16_t data = 0;
        // Each register is read afresh, as the description may be edited between boots.
        if (!CBoardDescription::Load().Sfr(board_, n, address, data)) {
            return true;
        }
        if (!WriteWord(address, data, return_byte)) {
            return false;
        }
    }
}

// ---- monitor commands ----

bool CBootCommHandler::SendHeader(uint8_t command, uint32_t address, uint32_t length, uint8_t& return_byte)
{
    if (!WriteByte(command) || !Expect(kAcknowledge, return_byte)) {
        return false;
    }
    uint8_t header[5];
    PutAddress(header, address);
    PutWord(header + 3, static_cast<uint16_t>(length));
    return Write(header, sizeof header);
}

bool CBootCommHandler::WriteWordAttempt(uint32_t address, uint16_t value, uint8_t& return_byte)
{
    if (!WriteByte(kCmdWriteWord) || !Expect(kAcknowledge, return_byte)) {
        return false;
    }
    uint8_t request[5];
    PutAddress(request, address);
    PutWord(request + 3, value);
    return Write(request, sizeof request) && Expect(kEnd, return_byte);
}

bool CBootCommHandler::GetBlockChecksum(uint8_t& checksum, uint8_t& return_byte)
{
    return_byte = 0;
    checksum = 0;
    if (!WriteByte(kCmdBlockChecksum) || !Expect(kAcknowledge, return_byte)) {
        return false;
    }
    size_t got = 0;
    if (Read(&checksum, 1, got) != ReadResult::Data) {
        return_byte = 0;
        return false;
    }
    return_byte = checksum;
    return Expect(kEnd, return_byte);
}

bool CBootCommHandler::WriteBlockAttempt(uint32_t address, uint32_t length, const uint8_t* data, uint8_t& return_byte)
{
    if (!SendHeader(kCmdWriteBlock, address, length, return_byte) || !Write(data, length) ||
        !Expect(kEnd, return_byte)) {
        return false;
    }
    uint8_t checksum = 0;
    return GetBlockChecksum(checksum, return_byte) && checksum == Xor(data, length);
}

bool CBootCommHandler::ReadBlockAttempt(uint32_t address, uint32_t length, uint8_t* buffer, uint8_t& return_byte)
{
    if (!SendHeader(kCmdReadBlock, address, length, return_byte)) {
        return false;
    }
    // The whole block must arrive within one read time-out.
    size_t got = 0;
    if (length > 0) {
        const ReadResult result = Read(buffer, length, got);
        if (got > 0) {
            return_byte = buffer[got - 1];
        }
        if (result != ReadResult::Data || got != length) {
            return false;
        }
    }
    if (!Expect(kEnd, return_byte)) {
        return false;
    }
    uint8_t checksum = 0;
    return GetBlockChecksum(checksum, return_byte) && checksum == Xor(buffer, length);
}

bool CBootCommHandler::WriteWord(uint32_t address, uint16_t value, uint8_t& return_byte)
{
    for (int attempt = 1; attempt <= kMonitorAttempts; ++attempt) {
        return_byte = 0;
        if (WriteWordAttempt(address, value, return_byte)) {
            return true;
        }
        Recover();
    }
    Output("Writing word FAILED.");
    return false;
}

bool CBootCommHandler::WriteBlock(uint32_t address, uint32_t length, const uint8_t* data, uint8_t& return_byte)
{
    return_byte = 0;
    if (length <= kMaxBlockLength && (data != nullptr || length == 0)) {
        for (int attempt = 1; attempt <= kMonitorAttempts; ++attempt) {
            return_byte = 0;
            if (WriteBlockAttempt(address, length, data, return_byte)) {
                return true;
            }
            Recover();
        }
    }
    Output("Writing block FAILED.");
    return false;
}

bool CBootCommHandler::ReadBlock(uint32_t address, uint32_t length, uint8_t* buffer, uint8_t& return_byte)
{
    return_byte = 0;
    if (length <= kMaxBlockLength && (buffer != nullptr || length == 0)) {
        for (int attempt = 1; attempt <= kMonitorAttempts; ++attempt) {
            return_byte = 0;
            if (ReadBlockAttempt(address, length, buffer, return_byte)) {
                return true;
            }
            Recover();
        }
    }
    Output("Reading block FAILED.");
    return false;
}

// ---- flash driver ----

bool CBootCommHandler::CallFlashDriverAttempt(std::array<uint16_t, 8>& words, int allowed_timeouts,
                                              uint8_t& return_byte, bool& answered)
{
    answered = false;
    if (driver_entry_ == 0) {
        return false;
    }
    if (!WriteByte(kCmdCallDriver) || !Expect(kAcknowledge, return_byte)) {
        return false;
    }
    uint8_t request[19];
    PutAddress(request, driver_entry_);
    for (size_t i = 0; i < words.size(); ++i) {
        PutWord(request + 3 + 2 * i, words[i]);
    }
    if (!Write(request, sizeof request)) {
        return false;
    }
    uint8_t reply[16];
    size_t have = 0;
    int timeouts = 0;
    while (have < sizeof reply && timeouts < allowed_timeouts) {
        size_t got = 0;
        const ReadResult result = Read(reply + have, sizeof reply - have, got);
        if (result == ReadResult::Error) {
            break;
        }
        if (result == ReadResult::Timeout) {
            ++timeouts;
        }
        have += got;
    }
    if (have > 0) {
        return_byte = reply[have - 1];
    }
    if (have < sizeof reply) {
        return false;
    }
    for (size_t i = 0; i < words.size(); ++i) {
        words[i] = static_cast<uint16_t>(reply[2 * i] | (reply[2 * i + 1] << 8));
    }
    answered = true;
    return Expect(kEnd, return_byte);
}

bool CBootCommHandler::CallFlashDriver(std::array<uint16_t, 8>& words, int allowed_timeouts, uint8_t& return_byte)
{
    driver_answered_ = false;
    std::optional<std::array<uint16_t, 8>> answer;
    for (int attempt = 1; attempt <= kMonitorAttempts; ++attempt) {
        return_byte = 0;
        std::array<uint16_t, 8> trial = words;
        bool answered = false;
        if (CallFlashDriverAttempt(trial, allowed_timeouts, return_byte, answered)) {
            words = trial;
            driver_answered_ = true;
            return true;
        }
        if (answered) {
            answer = trial;
        }
        Recover();
    }
    // The driver's last reply, not the words that were sent, is what the failure reports.
    if (answer) {
        words = *answer;
        driver_answered_ = true;
    }
    Output("Flash driver action FAILED.");
    return false;
}

std::string CBootCommHandler::DriverResultLine(uint16_t driver_result) const
{
    return driver_answered_ ? Format("    Flash driver returned: 0x%04x.", driver_result)
                            : std::string("    Flash driver returned no answer.");
}

bool CBootCommHandler::GetFlashInfo(uint16_t& manufacturer, uint16_t& device, uint16_t& driver_result,
                                    uint8_t& return_byte)
{
    std::array<uint16_t, 8> words{kDriverFlashInfo, 0, 0, 0, 0, 0, 0, 0};
    if (!CallFlashDriver(words, 1, return_byte)) {
        driver_result = words[7];
        return false;
    }
    manufacturer = words[1];
    words = {kDriverFlashInfo, 0, 0, 0, 0, 0, 1, 0};
    const bool ok = CallFlashDriver(words, 1, return_byte);
    driver_result = words[7];
    if (ok) {
        device = words[1];
    }
    return ok;
}

bool CBootCommHandler::LoadFlashDriver(int32_t driver, uint16_t& driver_result, uint8_t& return_byte)
{
    driver_answered_ = false;
    driver_result = 0;
    return_byte = 0;
    Output("Loading flash driver.");
    const std::string name = CBoardDescription::Load().FlashDriver(board_, driver);
    bool ok = false;
    std::vector<uint8_t> code;
    uint32_t address = 0;
    bool empty = false;
    if (name.empty()) {
        Output("No flash driver filename found in .ini file.");
        ShowMessage("No flash driver filename found in .ini file.");
    } else if (!ReadImage(name, code, address, empty)) {
        // the image reader has shown why
    } else if (empty) {
        Output("No flash driver found.");
        ShowMessage("No flash driver found.");
    } else if (!WriteBlock(address, static_cast<uint32_t>(code.size()), code.data(), return_byte)) {
        Output("Writing flash driver block failed.");
        ShowMessage("Writing flash driver block failed.");
        Output(Format("    Monitor returned: 0x%02x.", return_byte));
    } else {
        driver_entry_ = address;
        loaded_driver_ = driver;
        Output("Getting flash info.");
        uint16_t manufacturer = 0;
        uint16_t device = 0;
        ok = GetFlashInfo(manufacturer, device, driver_result, return_byte);
        if (ok) {
            Output(Format("Flash manufacturer code: 0x%04x; device ID: 0x%04x.", manufacturer, device));
        } else {
            Output("Getting flash info FAILED.");
            Output(Format("    Monitor returned: 0x%02x.", return_byte));
            Output(DriverResultLine(driver_result));
        }
    }
    if (!ok) {
        Output("Loading flash driver FAILED.");
    }
    return ok;
}

bool CBootCommHandler::ProgramFlash(uint16_t size, uint32_t source, uint32_t destination, int32_t driver,
                                    uint16_t& driver_result, uint8_t& return_byte)
{
    driver_answered_ = false;
    driver_result = 0;
    return_byte = 0;
    if (loaded_driver_ != driver && !LoadFlashDriver(driver, driver_result, return_byte)) {
        return false;
    }
    std::array<uint16_t, 8> words{kDriverProgram,
                                  size,
                                  static_cast<uint16_t>(source & 0xFFFF),
                                  static_cast<uint16_t>(source >> 16),
                                  0,
                                  static_cast<uint16_t>(destination & 0xFFFF),
                                  static_cast<uint16_t>(destination >> 16),
                                  0};
    const bool called = CallFlashDriver(words, 1, return_byte);
    driver_result = words[7];
    return called && driver_result == 0;
}

bool CBootCommHandler::EraseSection(int32_t section_number, int32_t driver, uint16_t& driver_result,
                                    uint8_t& return_byte)
{
    driver_answered_ = false;
    driver_result = 0;
    return_byte = 0;
    if (loaded_driver_ != driver && !LoadFlashDriver(driver, driver_result, return_byte)) {
        return false;
    }
    std::array<uint16_t, 8> words{kDriverErase, 0, 0, 0, 0, 0, static_cast<uint16_t>(section_number), 0};
    const bool called = CallFlashDriver(words, 2, return_byte);
    driver_result = words[7];
    return called && (driver_result == 0 || section_number == 0);
}
