#include "RawLine.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

uint64_t NowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::string RawFrame(uint8_t number, char type, const std::string& payload)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string frame = "$";
    frame += kHex[number >> 4];
    frame += kHex[number & 15];
    frame += type;
    frame += payload;
    unsigned sum = 0;
    for (unsigned char c : frame) {
        sum ^= c;
    }
    frame += kHex[(sum >> 4) & 15];
    frame += kHex[sum & 15];
    frame += '\r';
    return frame;
}

CRawLine::CRawLine(const std::string& path)
{
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ >= 0) {
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
}

CRawLine::~CRawLine()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

void CRawLine::Write(const std::string& bytes)
{
    size_t done = 0;
    while (fd_ >= 0 && done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            return;
        }
    }
}

std::string CRawLine::Read(size_t count, uint32_t timeout_ms)
{
    std::string got;
    const uint64_t deadline = NowMs() + timeout_ms;
    while (got.size() < count) {
        char c[256];
        const ssize_t n = read(fd_, c, std::min(sizeof c, count - got.size()));
        if (n > 0) {
            got.append(c, static_cast<size_t>(n));
            continue;
        }
        const uint64_t now = NowMs();
        if (now >= deadline) {
            break;
        }
        pollfd p{fd_, POLLIN, 0};
        poll(&p, 1, static_cast<int>(deadline - now));
    }
    return got;
}

std::string CRawLine::ReadFrame(uint32_t timeout_ms)
{
    std::string frame;
    const uint64_t deadline = NowMs() + timeout_ms;
    while (true) {
        char c;
        if (read(fd_, &c, 1) == 1) {
            if (frame.empty() && c != '$') {
                continue;
            }
            frame += c;
            if (c == '\r') {
                return frame;
            }
            continue;
        }
        const uint64_t now = NowMs();
        if (now >= deadline) {
            return "";
        }
        pollfd p{fd_, POLLIN, 0};
        poll(&p, 1, static_cast<int>(deadline - now));
    }
}

std::string CRawLine::ReadQuiet(uint32_t quiet_ms)
{
    std::string got;
    while (true) {
        const std::string more = Read(4096, quiet_ms);
        if (more.empty()) {
            return got;
        }
        got += more;
    }
}

std::string CRawLine::Request(const std::string& message, uint32_t timeout_ms)
{
    const uint8_t number = NextNumber();
    Write(RawFrame(number, 'D', message));
    const std::string ack = RawFrame(number, 'A', "");
    bool acked = false;
    const uint64_t deadline = NowMs() + timeout_ms;
    while (NowMs() < deadline) {
        const std::string frame = ReadFrame(static_cast<uint32_t>(deadline - NowMs()));
        if (frame.size() < 7) {
            return "";
        }
        if (frame == ack) {
            acked = true;
            continue;
        }
        if (frame[3] != 'D') {
            continue;
        }
        const uint8_t theirs = static_cast<uint8_t>(std::stoi(frame.substr(1, 2), nullptr, 16));
        Write(RawFrame(theirs, 'A', ""));
        const std::string text = frame.substr(4, frame.size() - 7);
        if (acked && (text[0] == 'c' || text[0] == 'C')) {
            return text;
        }
    }
    return "";
}
