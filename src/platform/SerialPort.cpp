#include "platform/SerialPort.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include "platform/Clock.h"
#include "platform/Event.h"

SerialLineSettings SerialLineSettings::RuntimeLink()
{
    return SerialLineSettings{};
}

SerialLineSettings SerialLineSettings::BootLink()
{
    SerialLineSettings settings;
    settings.baud = 38400;
    settings.data_bits = 8;
    settings.parity = Parity::None;
    settings.check_parity = false;
    settings.dtr_on = true;
    settings.rts_on = true;
    return settings;
}

namespace {

bool IsComName(const std::string& name, unsigned* number)
{
    if (name.size() < 4 || std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(name[2])) != 'M') {
        return false;
    }
    unsigned value = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i])) || value > 10000) {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(name[i] - '0');
    }
    if (value == 0) {
        return false;
    }
    *number = value;
    return true;
}

bool SpeedFor(uint32_t baud, speed_t* speed)
{
    static const struct {
        uint32_t baud;
        speed_t speed;
    } table[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},   {9600, B9600},
                 {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
                 {230400, B230400}, {460800, B460800}, {921600, B921600}};
    for (const auto& row : table) {
        if (row.baud == baud) {
            *speed = row.speed;
            return true;
        }
    }
    return false;
}

tcflag_t CharacterSize(int data_bits)
{
    switch (data_bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

// Modem lines do not exist on pseudo-terminals; refusing them there is not a failure.
bool IgnorableModemError(int error)
{
    return error == EINVAL || error == ENOTTY;
}

int RemainingMs(uint64_t deadline)
{
    const uint64_t now = MonotonicMs();
    return now >= deadline ? 0 : static_cast<int>(deadline - now);
}

}  // namespace

CSerialPort::~CSerialPort()
{
    Close();
}

std::string CSerialPort::DevicePath(const std::string& name)
{
    unsigned number = 0;
    if (IsComName(name, &number)) {
        return "/dev/ttyS" + std::to_string(number - 1);
    }
    if (name.find('/') != std::string::npos) {
        return name;
    }
    return "/dev/" + name;
}

bool CSerialPort::DeviceExists(const std::string& name)
{
    struct stat status {};
    return stat(DevicePath(name).c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

// A pseudo-terminal (the simulated board) always keeps 8 data bits without parity. The C
// library compares what it asked for with what the terminal reports and calls a difference in
// those bits EINVAL; it does so only when the settings did not change the line otherwise, so
// configuring a pty a second time with the same 7E1 settings "fails". The settings that a pty
// does keep (speed, input and local flags) tell whether the call in fact took effect.
static bool AppliedOnPseudoTerminal(int fd, const termios& wanted)
{
    struct stat status {};
    // 136 to 143: the character device majors of the UNIX 98 pty slaves.
    if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode) || major(status.st_rdev) < 136 ||
        major(status.st_rdev) > 143) {
        return false;
    }
    termios now{};
    if (tcgetattr(fd, &now) != 0) {
        return false;
    }
    return cfgetospeed(&now) == cfgetospeed(&wanted) && cfgetispeed(&now) == cfgetispeed(&wanted) &&
           now.c_iflag == wanted.c_iflag && now.c_lflag == wanted.c_lflag;
}

bool CSerialPort::Fail(int error)
{
    last_error_.store(error);
    return false;
}

bool CSerialPort::Open(const std::string& name)
{
    Close();
    name_ = name;
    path_ = DevicePath(name);
    const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return Fail(errno);
    }
    // TIOCEXCL keeps other programs out; it does not stop root, so an advisory lock that every
    // program of this tool takes as well makes the port exclusive for root too.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        return Fail(error);
    }
    if (isatty(fd)) {
        ioctl(fd, TIOCEXCL);
    }
    fd_ = fd;
    last_error_.store(0);
    return true;
}

bool CSerialPort::Configure(const SerialLineSettings& settings)
{
    if (fd_ < 0) {
        return Fail(EBADF);
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
        return Fail(errno);
    }
    speed_t speed = B0;
    if (!SpeedFor(settings.baud, &speed)) {
        return Fail(EINVAL);
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CharacterSize(settings.data_bits) | CREAD | CLOCAL;
    if (settings.stop_bits == 2) {
        tio.c_cflag |= CSTOPB;
    }
    if (settings.parity != SerialLineSettings::Parity::None) {
        tio.c_cflag |= PARENB;
        if (settings.parity == SerialLineSettings::Parity::Odd) {
            tio.c_cflag |= PARODD;
        }
    }
    tio.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP | IXON | IXOFF | IXANY | IGNBRK | BRKINT);
    if (settings.check_parity && settings.parity != SerialLineSettings::Parity::None) {
        // Without IGNPAR and PARMRK a byte with a parity or framing error reads as 0x00.
        tio.c_iflag |= INPCK;
    }
    tio.c_cc[VMIN] = 1;  // an empty non-blocking read is EAGAIN; 0 bytes then means hang-up
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    if (tcsetattr(fd_, TCSANOW, &tio) != 0) {
        const int error = errno;
        if (error != EINVAL || !AppliedOnPseudoTerminal(fd_, tio)) {
            return Fail(error);
        }
    }
    const int lines = TIOCM_DTR | TIOCM_RTS;
    const int on = (settings.dtr_on ? TIOCM_DTR : 0) | (settings.rts_on ? TIOCM_RTS : 0);
    const int off = lines & ~on;
    if (on != 0 && ioctl(fd_, TIOCMBIS, &on) != 0 && !IgnorableModemError(errno)) {
        return Fail(errno);
    }
    if (off != 0 && ioctl(fd_, TIOCMBIC, &off) != 0 && !IgnorableModemError(errno)) {
        return Fail(errno);
    }
    return true;
}

void CSerialPort::Close()
{
    if (fd_ >= 0) {
        if (isatty(fd_)) {
            ioctl(fd_, TIOCNXCL);
        }
        close(fd_);  // also releases the advisory lock
        fd_ = -1;
    }
}

long CSerialPort::ReadAvailable(uint8_t* dest, size_t capacity)
{
    if (fd_ < 0) {
        Fail(EBADF);
        return -1;
    }
    if (capacity == 0) {
        return 0;
    }
    for (;;) {
        const ssize_t n = read(fd_, dest, capacity);
        if (n > 0) {
            return static_cast<long>(n);
        }
        if (n == 0) {
            Fail(EIO);  // end of file on a terminal: the line was hung up
            return -1;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        Fail(errno);
        return -1;
    }
}

SerialWait CSerialPort::WaitReadable(uint32_t timeout_ms, const CEvent* stop)
{
    if (fd_ < 0) {
        Fail(EBADF);
        return SerialWait::Failed;
    }
    pollfd fds[2] = {{fd_, POLLIN, 0}, {stop != nullptr ? stop->PollFd() : -1, POLLIN, 0}};
    const nfds_t count = fds[1].fd >= 0 ? 2 : 1;
    const uint64_t deadline = timeout_ms == kInfinite ? 0 : MonotonicMs() + timeout_ms;
    for (;;) {
        const int wait_ms = timeout_ms == kInfinite ? -1 : RemainingMs(deadline);
        const int ready = poll(fds, count, wait_ms);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            Fail(errno);
            return SerialWait::Failed;
        }
        if (count == 2 && (fds[1].revents & POLLIN)) {
            return SerialWait::Stopped;
        }
        if (ready == 0) {
            return SerialWait::Timeout;
        }
        if (fds[0].revents & POLLIN) {
            return SerialWait::Readable;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            Fail(fds[0].revents & POLLNVAL ? EBADF : EIO);
            return SerialWait::Failed;
        }
    }
}

long CSerialPort::Read(uint8_t* dest, size_t count, uint32_t total_timeout_ms)
{
    const uint64_t deadline = MonotonicMs() + total_timeout_ms;
    size_t got = 0;
    while (got < count) {
        const long n = ReadAvailable(dest + got, count - got);
        if (n < 0) {
            return got > 0 ? static_cast<long>(got) : -1;
        }
        got += static_cast<size_t>(n);
        if (got == count) {
            break;
        }
        const int left = RemainingMs(deadline);
        if (left == 0) {
            break;
        }
        const SerialWait wait = WaitReadable(static_cast<uint32_t>(left), nullptr);
        if (wait == SerialWait::Timeout) {
            break;
        }
        if (wait == SerialWait::Failed) {
            return got > 0 ? static_cast<long>(got) : -1;
        }
    }
    return static_cast<long>(got);
}

long CSerialPort::Write(const uint8_t* data, size_t count, uint32_t timeout_ms)
{
    if (fd_ < 0) {
        Fail(EBADF);
        return -1;
    }
    const uint64_t deadline = MonotonicMs() + timeout_ms;
    size_t sent = 0;
    while (sent < count) {
        const ssize_t n = write(fd_, data + sent, count - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            Fail(errno);
            return sent > 0 ? static_cast<long>(sent) : -1;
        }
        const int left = RemainingMs(deadline);
        if (left == 0) {
            break;
        }
        pollfd fd{fd_, POLLOUT, 0};
        const int ready = poll(&fd, 1, left);
        if (ready < 0 && errno != EINTR) {
            Fail(errno);
            return sent > 0 ? static_cast<long>(sent) : -1;
        }
        if (ready > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fd.revents & POLLOUT)) {
            Fail(EIO);
            return sent > 0 ? static_cast<long>(sent) : -1;
        }
    }
    return static_cast<long>(sent);
}

bool CSerialPort::Purge()
{
    if (fd_ < 0) {
        return Fail(EBADF);
    }
    if (tcflush(fd_, TCIOFLUSH) != 0) {
        return Fail(errno);
    }
    return true;
}

bool CSerialPort::ClearErrors()
{
    if (fd_ < 0) {
        return Fail(EBADF);
    }
    // Errors do not latch on this platform; only suspended output needs restarting.
    tcflow(fd_, TCOON);
    return true;
}

std::string CSerialPort::LastErrorText() const
{
    const int error = last_error_.load();
    char buffer[256];
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text;
}
