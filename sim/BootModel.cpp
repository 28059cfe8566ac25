#include "BootModel.h"

#include "FaultPlan.h"
#include "platform/Format.h"

namespace {

constexpr uint8_t kHandshake = 0x00;
constexpr uint8_t kLoaderAck = 0x01;
constexpr uint8_t kMonitorAck = 0x03;
constexpr uint8_t kCommandAck = 0xAA;
constexpr uint8_t kCommandEnd = 0xEA;
constexpr size_t kLoaderSize = 32;

constexpr uint8_t kTest = 0x93;
constexpr uint8_t kWriteWord = 0x82;
constexpr uint8_t kWriteBlock = 0x84;
constexpr uint8_t kReadBlock = 0x85;
constexpr uint8_t kChecksum = 0x33;
constexpr uint8_t kCallDriver = 0x9F;

uint32_t Le(const std::string& bytes, size_t at, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    }
    return value;
}

uint8_t Xor(const std::string& bytes, size_t begin, size_t end)
{
    uint8_t sum = 0;
    for (size_t i = begin; i < end; ++i) {
        sum ^= static_cast<uint8_t>(bytes[i]);
    }
    return sum;
}

}  // namespace

const char* BootStateName(CBootModel::State state)
{
    switch (state) {
    case CBootModel::State::Loader: return "bootstrap loader";
    case CBootModel::State::Monitor: return "boot loader";
    case CBootModel::State::Idle: return "monitor";
    case CBootModel::State::Command: return "monitor command";
    case CBootModel::State::Dead: return "not answering";
    }
    return "?";
}

CBootModel::CBootModel(SimBoardLayout layout, CFaultPlan* faults)
    : memory_(std::move(layout)), faults_(faults)
{
}

void CBootModel::Trace(const std::string& text) const
{
    if (hooks_.trace) {
        hooks_.trace(text);
    }
}

void CBootModel::Send(const std::string& bytes)
{
    if (hooks_.write) {
        hooks_.write(bytes);
    }
}

void CBootModel::Die(const std::string& why)
{
    Trace(why + "; the board stops answering until it is reset");
    state_ = State::Dead;
    received_.clear();
}

void CBootModel::Enter(uint64_t now_ms)
{
    memory_.Reset();
    state_ = State::Loader;
    received_.clear();
    last_byte_ms_ = now_ms;
    uint8_t id = memory_.Layout().id_byte;
    if (faults_ != nullptr && faults_->Strike(SimFault::BootWrongId)) {
        id = faults_->Settings().wrong_id_byte;
        Trace(Format("handshake 0x00: wrong identification byte 0x%02X (fault)", id));
    } else {
        Trace(Format("reset with boot jumper, handshake 0x00 -> identification byte 0x%02X", id));
    }
    Send(id);
}

CBootModel::Verdict CBootModel::OnByte(uint8_t byte, uint64_t now_ms)
{
    const bool quiet = now_ms - last_byte_ms_ >= kResetGapMs;
    last_byte_ms_ = now_ms;
    if (state_ == State::Command && quiet) {
        Trace(Format("monitor gives up command 0x%02X after a pause (%zu of %zu bytes)", code_,
                     received_.size(), expected_));
        state_ = State::Idle;
    }
    if (state_ == State::Idle || quiet) {
        if (byte == kHandshake) {
            Enter(now_ms);
            return Verdict::Stay;
        }
        if (byte == '$') {
            Trace("reset without boot jumper: back to the running subsystem");
            state_ = State::Dead;
            return Verdict::ReturnToRuntime;
        }
    }
    switch (state_) {
    case State::Loader:
        received_ += static_cast<char>(byte);
        if (received_.size() == kLoaderSize) {
            LoaderComplete();
        }
        break;
    case State::Monitor:
        received_ += static_cast<char>(byte);
        if (received_.size() == monitor_length_) {
            MonitorComplete();
        }
        break;
    case State::Idle:
        StartCommand(byte);
        break;
    case State::Command:
        CommandByte(byte);
        break;
    case State::Dead:
        break;
    }
    return Verdict::Stay;
}

void CBootModel::LoaderComplete()
{
    // The loader: "ZBL1", the monitor's address (3 bytes) and length (2 bytes), code, and an
    // XOR check byte over the first 31 bytes.
    const std::string& l = received_;
    for (size_t i = 0; i < kLoaderSize; ++i) {
        memory_.Write(memory_.Layout().loader_address + static_cast<uint32_t>(i),
                      static_cast<uint8_t>(l[i]));
    }
    if (l.compare(0, 4, "ZBL1") != 0 || Xor(l, 0, kLoaderSize - 1) != static_cast<uint8_t>(l[31])) {
        Die("received 32 bytes that are no boot loader");
        return;
    }
    monitor_address_ = Le(l, 4, 3);
    monitor_length_ = Le(l, 7, 2);
    if (monitor_length_ < 9) {
        Die("the boot loader names no monitor");
        return;
    }
    if (faults_ != nullptr && faults_->Strike(SimFault::BootNoLoaderAck)) {
        Die("boot loader received, 0x01 withheld (fault)");
        return;
    }
    Trace(Format("boot loader received; 0x01; waiting for a %u-byte monitor at 0x%06X",
                 monitor_length_, monitor_address_));
    received_.clear();
    state_ = State::Monitor;
    Send(kLoaderAck);
}

void CBootModel::MonitorComplete()
{
    const std::string& m = received_;
    for (size_t i = 0; i < m.size(); ++i) {
        memory_.Write(monitor_address_ + static_cast<uint32_t>(i), static_cast<uint8_t>(m[i]));
    }
    if (m.compare(0, 4, "ZBM1") != 0 || Le(m, 6, 2) != monitor_length_ ||
        Xor(m, 0, m.size() - 1) != static_cast<uint8_t>(m.back())) {
        Die("the boot loader received no valid monitor");
        return;
    }
    if (faults_ != nullptr && faults_->Strike(SimFault::BootNoMonitorAck)) {
        Die("monitor received, 0x03 withheld (fault)");
        return;
    }
    Trace(Format("monitor %u.%u started; 0x03", static_cast<uint8_t>(m[4]), static_cast<uint8_t>(m[5])));
    received_.clear();
    state_ = State::Idle;
    Send(kMonitorAck);
}

void CBootModel::StartCommand(uint8_t code)
{
    switch (code) {
    case kTest:
    case kChecksum:
        expected_ = 0;
        break;
    case kWriteWord:
    case kWriteBlock:
    case kReadBlock:
        expected_ = 5;
        break;
    case kCallDriver:
        expected_ = 19;
        break;
    default:
        Trace(Format("monitor ignores unknown command byte 0x%02X", code));
        return;
    }
    code_ = code;
    received_.clear();
    Send(kCommandAck);
    if (faults_ != nullptr && faults_->Strike(SimFault::BootStopAnswering)) {
        Die(Format("command 0x%02X acknowledged, then nothing more (fault)", code));
        return;
    }
    state_ = State::Command;
    if (expected_ == 0) {
        Execute();
    }
}

void CBootModel::CommandByte(uint8_t byte)
{
    received_ += static_cast<char>(byte);
    if (code_ == kWriteBlock && received_.size() == 5) {
        expected_ = 5 + Le(received_, 3, 2);
    }
    if (received_.size() >= expected_) {
        Execute();
    }
}

void CBootModel::Execute()
{
    const std::string& r = received_;
    state_ = State::Idle;
    switch (code_) {
    case kTest:
        Trace("monitor test: AA EA");
        break;
    case kWriteWord: {
        const uint32_t address = Le(r, 0, 3);
        const uint16_t value = static_cast<uint16_t>(Le(r, 3, 2));
        memory_.WriteWord(address, value);
        Trace(Format("write word 0x%04X to 0x%06X", value, address));
        break;
    }
    case kWriteBlock: {
        const uint32_t address = Le(r, 0, 3);
        const uint32_t length = Le(r, 3, 2);
        for (uint32_t i = 0; i < length; ++i) {
            memory_.Write(address + i, static_cast<uint8_t>(r[5 + i]));
        }
        checksum_ = Xor(r, 5, r.size());
        Trace(Format("write block 0x%06X, %u bytes, checksum 0x%02X", address, length, checksum_));
        break;
    }
    case kReadBlock: {
        const uint32_t address = Le(r, 0, 3);
        const uint32_t length = Le(r, 3, 2);
        std::string data;
        for (uint32_t i = 0; i < length; ++i) {
            data += static_cast<char>(memory_.Read(address + i));
        }
        checksum_ = Xor(data, 0, data.size());
        Trace(Format("read block 0x%06X, %u bytes, checksum 0x%02X", address, length, checksum_));
        Send(data);
        break;
    }
    case kChecksum: {
        uint8_t sum = checksum_;
        if (faults_ != nullptr && faults_->Strike(SimFault::BootBadChecksum)) {
            sum = static_cast<uint8_t>(~sum);
            Trace(Format("block checksum: 0x%02X instead of 0x%02X (fault)", sum, checksum_));
        } else {
            Trace(Format("block checksum 0x%02X", sum));
        }
        Send(sum);
        break;
    }
    case kCallDriver:
        CallDriver();
        if (state_ == State::Dead) {
            return;
        }
        break;
    default:
        break;
    }
    received_.clear();
    Send(kCommandEnd);
}

void CBootModel::CallDriver()
{
    const std::string& r = received_;
    const uint32_t entry = Le(r, 0, 3);
    uint16_t words[9] = {};
    for (int i = 1; i <= 8; ++i) {
        words[i] = static_cast<uint16_t>(Le(r, 3 + 2 * static_cast<size_t>(i - 1), 2));
    }
    // A driver image: "ZFD1", its number, a spare byte, manufacturer code, device ID, length
    // (2 bytes each), code, and an XOR check byte over everything before it.
    std::string image;
    for (uint32_t i = 0; i < 14; ++i) {
        image += static_cast<char>(memory_.Read(entry + i));
    }
    const uint32_t length = Le(image, 10, 2);
    if (image.compare(0, 4, "ZFD1") != 0 || length < 15) {
        Die(Format("flash driver call to 0x%06X, where no driver is loaded", entry));
        return;
    }
    for (uint32_t i = 14; i < length; ++i) {
        image += static_cast<char>(memory_.Read(entry + i));
    }
    if (Xor(image, 0, length - 1) != static_cast<uint8_t>(image[length - 1])) {
        Die(Format("flash driver call to 0x%06X into a damaged driver", entry));
        return;
    }
    const int driver = static_cast<uint8_t>(image[4]);
    uint16_t result = kDriverOk;
    switch (words[1]) {
    case 0: {
        const uint32_t count = words[2];
        const uint32_t source = words[3] | static_cast<uint32_t>(words[4]) << 16;
        const uint32_t destination = words[6] | static_cast<uint32_t>(words[7]) << 16;
        result = memory_.Program(driver, source, destination, count);
        Trace(Format("driver %d: program %u bytes from 0x%06X to 0x%06X -> 0x%04X", driver, count,
                     source, destination, result));
        break;
    }
    case 1:
        result = memory_.Erase(driver, words[7]);
        Trace(Format("driver %d: erase section 0x%02X -> 0x%04X", driver, words[7], result));
        break;
    case 6:
        words[2] = static_cast<uint16_t>(words[7] == 0 ? Le(image, 6, 2) : Le(image, 8, 2));
        Trace(Format("driver %d: flash %s 0x%04X", driver,
                     words[7] == 0 ? "manufacturer code" : "device ID", words[2]));
        break;
    default:
        result = kDriverUnknownFunction;
        Trace(Format("driver %d: unknown function %u", driver, words[1]));
        break;
    }
    if (faults_ != nullptr && faults_->Strike(SimFault::BootDriverError)) {
        result = faults_->Settings().driver_error;
        Trace(Format("driver result 0x%04X (fault)", result));
    }
    words[8] = result;
    std::string reply;
    for (int i = 1; i <= 8; ++i) {
        reply += static_cast<char>(words[i] & 0xFF);
        reply += static_cast<char>(words[i] >> 8);
    }
    Send(reply);
}
