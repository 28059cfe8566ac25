#include "PtyPair.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

uint64_t NowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

CPtyPair::CPtyPair()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        std::perror("posix_openpt");
        std::abort();
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        std::perror("ptsname_r");
        std::abort();
    }
    slave_path_ = name;
    termios tio{};
    tcgetattr(master_, &tio);
    cfmakeraw(&tio);
    tcsetattr(master_, TCSANOW, &tio);
    keep_slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keep_slave_ >= 0) {
        tcgetattr(keep_slave_, &tio);
        cfmakeraw(&tio);
        tcsetattr(keep_slave_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

CPtyPair::~CPtyPair()
{
    HangUp();
}

void CPtyPair::Write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size() && master_ >= 0) {
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd fd{master_, POLLOUT, 0};
            poll(&fd, 1, 100);
        } else {
            return;
        }
    }
}

std::string CPtyPair::Read(size_t count, uint32_t timeout_ms)
{
    std::string got;
    const uint64_t deadline = NowMs() + timeout_ms;
    while (got.size() < count && master_ >= 0) {
        char buffer[512];
        const size_t want = std::min(sizeof buffer, count - got.size());
        const ssize_t n = read(master_, buffer, want);
        if (n > 0) {
            got.append(buffer, static_cast<size_t>(n));
            continue;
        }
        const uint64_t now = NowMs();
        if (now >= deadline) {
            break;
        }
        pollfd fd{master_, POLLIN, 0};
        poll(&fd, 1, static_cast<int>(deadline - now));
    }
    return got;
}

std::string CPtyPair::ReadUntil(char stop, uint32_t timeout_ms)
{
    std::string got;
    const uint64_t deadline = NowMs() + timeout_ms;
    while (master_ >= 0) {
        char c;
        const ssize_t n = read(master_, &c, 1);
        if (n == 1) {
            got += c;
            if (c == stop) {
                break;
            }
            continue;
        }
        const uint64_t now = NowMs();
        if (now >= deadline) {
            break;
        }
        pollfd fd{master_, POLLIN, 0};
        poll(&fd, 1, static_cast<int>(deadline - now));
    }
    return got;
}

std::string CPtyPair::Drain(uint32_t timeout_ms)
{
    return Read(static_cast<size_t>(-1), timeout_ms);
}

void CPtyPair::HangUp()
{
    if (keep_slave_ >= 0) {
        close(keep_slave_);
        keep_slave_ = -1;
    }
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
}
