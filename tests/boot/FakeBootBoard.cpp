#include "FakeBootBoard.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr uint8_t kAck = 0xAA;
constexpr uint8_t kEnd = 0xEA;

uint32_t Address(const uint8_t* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16);
}

bool TakeFault(std::atomic<int>& fault)
{
    int left = fault.load();
    while (left > 0) {
        if (fault.compare_exchange_weak(left, left - 1)) {
            return true;
        }
    }
    return false;
}

}  // namespace

CFakeBootBoard::CFakeBootBoard(FakeBoardSetup setup) : setup_(std::move(setup)), memory_(1u << 24, 0)
{
    for (const FakeSection& section : setup_.sections) {
        std::fill_n(memory_.begin() + section.start, section.size, setup_.flash_pattern);
    }
    thread_ = std::thread([this] { Run(); });
}

CFakeBootBoard::~CFakeBootBoard()
{
    stop_ = true;
    thread_.join();
}

bool CFakeBootBoard::Get(uint8_t* out, size_t count)
{
    size_t have = 0;
    while (have < count) {
        if (stop_ || reset_) {
            return false;
        }
        pollfd fd{pty_.MasterFd(), POLLIN, 0};
        if (poll(&fd, 1, 20) <= 0) {
            continue;
        }
        const ssize_t n = read(pty_.MasterFd(), out + have, count - have);
        if (n > 0) {
            have += static_cast<size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            usleep(1000);  // EIO while the tool has the slave closed
        }
    }
    return true;
}

void CFakeBootBoard::Put(const std::vector<uint8_t>& bytes)
{
    if (!silent) {
        pty_.Write(std::string(bytes.begin(), bytes.end()));
    }
}

void CFakeBootBoard::Run()
{
    // Boot mode: the handshake byte, the boot loader, the boot monitor, then monitor commands.
    // A 0x00 at any point before the monitor runs restarts the bootstrap.
    enum class Phase { Handshake, Loader, Monitor, Commands } phase = Phase::Handshake;
    while (!stop_) {
        if (reset_.exchange(false)) {
            phase = Phase::Handshake;
        }
        uint8_t byte = 0;
        if (phase == Phase::Handshake) {
            if (!Get(&byte, 1)) {
                continue;
            }
            if (byte == 0x00) {
                if (TakeFault(wrong_id)) {
                    Put({0x55});  // another processor: it stays in its own bootstrap loader
                } else {
                    Put({setup_.id_byte});
                    phase = Phase::Loader;
                }
            }
        } else if (phase == Phase::Loader) {
            std::vector<uint8_t> code(setup_.loader_size);
            if (!Get(code.data(), code.size())) {
                continue;
            }
            {
                std::lock_guard<std::mutex> guard(lock_);
                loader_ = code;
            }
            Put({0x01});
            phase = Phase::Monitor;
        } else if (phase == Phase::Monitor) {
            std::vector<uint8_t> code(setup_.monitor_size);
            if (!Get(code.data(), code.size())) {
                continue;
            }
            {
                std::lock_guard<std::mutex> guard(lock_);
                monitor_ = code;
            }
            Put({0x03});
            phase = Phase::Commands;
        } else if (Get(&byte, 1)) {
            Serve(byte);
        }
    }
}

void CFakeBootBoard::Serve(uint8_t command)
{
    uint8_t header[5];
    switch (command) {
    case 0x93:
        Put({kAck, kEnd});
        return;
    case 0x82:
        Put({kAck});
        if (!Get(header, 5)) {
            return;
        }
        {
            std::lock_guard<std::mutex> guard(lock_);
            const uint32_t address = Address(header);
            word_writes_.emplace_back(address, static_cast<uint16_t>(header[3] | (header[4] << 8)));
            memory_[address] = header[3];
            memory_[(address + 1) & 0xFFFFFF] = header[4];
        }
        Put({kEnd});
        return;
    case 0x84: {
        Put({kAck});
        if (!Get(header, 5)) {
            return;
        }
        const uint32_t address = Address(header);
        const size_t length = header[3] | (header[4] << 8);
        std::vector<uint8_t> data(length);
        if (!Get(data.data(), length)) {
            return;
        }
        uint8_t sum = 0;
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (size_t i = 0; i < length; ++i) {
                memory_[(address + i) & 0xFFFFFF] = data[i];
                sum ^= data[i];
            }
            for (const FakeDriver& driver : setup_.drivers) {
                if (driver.address == address && data == driver.image) {
                    ++driver_loads_;
                }
            }
        }
        last_xor_ = sum;
        Put({kEnd});
        return;
    }
    case 0x85: {
        Put({kAck});
        if (!Get(header, 5)) {
            return;
        }
        const uint32_t address = Address(header);
        const size_t length = header[3] | (header[4] << 8);
        std::vector<uint8_t> data(length);
        uint8_t sum = 0;
        {
            std::lock_guard<std::mutex> guard(lock_);
            ++block_reads_;
            for (size_t i = 0; i < length; ++i) {
                data[i] = memory_[(address + i) & 0xFFFFFF];
                sum ^= data[i];
            }
        }
        last_xor_ = sum;
        if (TakeFault(lose_read_byte) && !data.empty()) {
            data.pop_back();
            Put(data);
            return;  // the rest of the exchange is lost with the byte
        }
        data.push_back(kEnd);
        Put(data);
        return;
    }
    case 0x33:
        Put({kAck, static_cast<uint8_t>(TakeFault(bad_block_checksum) ? ~last_xor_ : last_xor_), kEnd});
        return;
    case 0x9F: {
        Put({kAck});
        uint8_t request[19];
        if (!Get(request, sizeof request)) {
            return;
        }
        uint16_t words[8];
        for (int i = 0; i < 8; ++i) {
            words[i] = static_cast<uint16_t>(request[3 + 2 * i] | (request[4 + 2 * i] << 8));
        }
        const uint32_t entry = Address(request);
        bool known = false;
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (const FakeDriver& driver : setup_.drivers) {
                known = known || (driver.address == entry &&
                                  std::equal(driver.image.begin(), driver.image.end(), memory_.begin() + entry));
            }
        }
        if (!known) {
            return;  // a call into nothing: the board hangs and never answers
        }
        const bool bad_end = words[0] == 0 && TakeFault(program_bad_end);
        CallDriver(words);
        if (bad_end) {
            words[7] = 0x0033;
        }
        std::vector<uint8_t> reply;
        for (uint16_t word : words) {
            reply.push_back(static_cast<uint8_t>(word & 0xFF));
            reply.push_back(static_cast<uint8_t>(word >> 8));
        }
        reply.push_back(bad_end ? 0x00 : kEnd);
        Put(reply);
        return;
    }
    default:
        return;  // unknown codes are ignored, as a monitor waiting for its next command does
    }
}

const FakeSection* CFakeBootBoard::SectionOf(uint32_t address) const
{
    for (const FakeSection& section : setup_.sections) {
        if (address >= section.start && address - section.start < section.size) {
            return &section;
        }
    }
    return nullptr;
}

void CFakeBootBoard::Reset()
{
    // Returns once the board thread has taken the reset, so that nothing the tool sends next
    // is read as a monitor command.
    reset_ = true;
    for (int i = 0; i < 10000 && reset_; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CFakeBootBoard::CallDriver(uint16_t (&words)[8])
{
    std::lock_guard<std::mutex> guard(lock_);
    uint16_t result = 0;
    switch (words[0]) {
    case 0: {
        const uint32_t source = words[2] | (uint32_t{words[3]} << 16);
        const uint32_t destination = words[5] | (uint32_t{words[6]} << 16);
        const bool corrupt = TakeFault(corrupt_program);
        for (uint32_t i = 0; i < words[1]; ++i) {
            uint8_t value = memory_[(source + i) & 0xFFFFFF];
            if (corrupt && i == 0) {
                value = static_cast<uint8_t>(~value);
            }
            // Programming only moves bits away from their erased value: unerased flash shows
            // what was there. RAM outside the sections takes the value as it is.
            const uint32_t at = (destination + i) & 0xFFFFFF;
            const FakeSection* section = SectionOf(at);
            if (section == nullptr) {
                memory_[at] = value;
            } else {
                const uint8_t erased = section->erase_char;
                memory_[at] = static_cast<uint8_t>(erased ^ ((memory_[at] ^ erased) | (value ^ erased)));
            }
        }
        break;
    }
    case 1: {
        result = 0x0001;  // unknown section
        for (const FakeSection& section : setup_.sections) {
            if (section.number == words[6]) {
                std::fill_n(memory_.begin() + section.start, section.size, section.erase_char);
                erased_.push_back(section.number);
                result = section.number == erase_error_section ? 0x0010 : 0;
            }
        }
        break;
    }
    case 6:
        words[1] = words[6] == 0 ? 0x00C2 : 0x22DA;
        break;
    default:
        result = 0x00FF;
        break;
    }
    if (TakeFault(driver_error)) {
        result = 0x0010;
    }
    words[7] = result;
}

std::vector<uint8_t> CFakeBootBoard::Memory(uint32_t address, size_t size) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return std::vector<uint8_t>(memory_.begin() + address, memory_.begin() + address + size);
}

void CFakeBootBoard::SetMemory(uint32_t address, const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> guard(lock_);
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
}

std::vector<uint16_t> CFakeBootBoard::ErasedSections() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return erased_;
}

std::vector<std::pair<uint32_t, uint16_t>> CFakeBootBoard::WordWrites() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return word_writes_;
}

int CFakeBootBoard::DriverLoads() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return driver_loads_;
}

int CFakeBootBoard::BlockReads() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return block_reads_;
}

std::vector<uint8_t> CFakeBootBoard::Loader() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return loader_;
}

std::vector<uint8_t> CFakeBootBoard::Monitor() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return monitor_;
}
