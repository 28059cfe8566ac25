#include "FramePeer.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace {

uint64_t NowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ParseHex(const std::string& text, size_t at, uint8_t* value)
{
    const int high = HexDigit(text[at]);
    const int low = HexDigit(text[at + 1]);
    if (high < 0 || low < 0) {
        return false;
    }
    *value = static_cast<uint8_t>(high * 16 + low);
    return true;
}

}  // namespace

CFramePeer::~CFramePeer()
{
    StopResponder();
}

std::string CFramePeer::Hex(uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string{digits[value >> 4], digits[value & 15]};
}

uint8_t CFramePeer::Checksum(const std::string& bytes)
{
    uint8_t sum = 0;
    for (char c : bytes) {
        sum ^= static_cast<uint8_t>(c);
    }
    return sum;
}

std::string CFramePeer::DataFrame(uint8_t number, const std::string& message)
{
    const std::string head = "$" + Hex(number) + "D" + message;
    return head + Hex(Checksum(head)) + "\r";
}

std::string CFramePeer::AckFrame(uint8_t number, char type)
{
    const std::string head = "$" + Hex(number) + std::string(1, type);
    return head + Hex(Checksum(head)) + "\r";
}

CFramePeer::Frame CFramePeer::Parse(const std::string& raw)
{
    Frame frame;
    frame.raw = raw;
    if (raw.size() < 7 || raw.front() != '$' || raw.back() != '\r') {
        return frame;
    }
    uint8_t checksum = 0;
    if (!ParseHex(raw, 1, &frame.number) || !ParseHex(raw, raw.size() - 3, &checksum)) {
        return frame;
    }
    frame.type = raw[3];
    frame.message = raw.substr(4, raw.size() - 7);
    frame.valid = checksum == Checksum(raw.substr(0, raw.size() - 3));
    return frame;
}

bool CFramePeer::FillBuffer(uint32_t timeout_ms)
{
    const int fd = pty_.MasterFd();
    if (fd < 0) {
        return false;
    }
    char chunk[512];
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n > 0) {
        pending_.append(chunk, static_cast<size_t>(n));
        return true;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
        return false;
    }
    pollfd wait{fd, POLLIN, 0};
    poll(&wait, 1, static_cast<int>(timeout_ms));
    return true;
}

CFramePeer::Frame CFramePeer::ReadFrame(uint32_t timeout_ms)
{
    const uint64_t deadline = NowMs() + timeout_ms;
    for (;;) {
        const size_t start = pending_.find('$');
        if (start != std::string::npos) {
            const size_t stop = pending_.find('\r', start);
            if (stop != std::string::npos) {
                skipped_ += pending_.substr(0, start);
                const std::string raw = pending_.substr(start, stop + 1 - start);
                pending_.erase(0, stop + 1);
                return Parse(raw);
            }
        }
        const uint64_t now = NowMs();
        if (now >= deadline || !FillBuffer(static_cast<uint32_t>(std::min<uint64_t>(deadline - now, 50)))) {
            return Frame{};
        }
    }
}

std::string CFramePeer::ReadRaw(uint32_t timeout_ms)
{
    std::string got = std::move(pending_);
    pending_.clear();
    got += pty_.Drain(timeout_ms);
    return got;
}

CFramePeer::Responder CFramePeer::AckEveryDataFrame()
{
    return [](const Frame& frame) {
        return frame.valid && frame.type == 'D' ? AckFrame(frame.number) : std::string();
    };
}

bool CFramePeer::StartResponder(Responder responder)
{
    if (responder_.joinable()) {
        return false;
    }
    stop_.store(false);
    responder_ = std::thread([this, responder = std::move(responder)] {
        while (!stop_.load()) {
            Frame frame = ReadFrame(50);
            if (frame.raw.empty()) {
                continue;
            }
            const std::string answer = responder(frame);
            {
                std::lock_guard<std::mutex> guard(lock_);
                received_.push_back(std::move(frame));
            }
            changed_.notify_all();
            if (!answer.empty()) {
                Send(answer);
            }
        }
    });
    return true;
}

void CFramePeer::StopResponder()
{
    stop_.store(true);
    if (responder_.joinable()) {
        responder_.join();
    }
}

std::vector<CFramePeer::Frame> CFramePeer::Received() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

bool CFramePeer::WaitForReceived(size_t count, uint32_t timeout_ms) const
{
    std::unique_lock<std::mutex> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(timeout_ms),
                             [&] { return received_.size() >= count; });
}
