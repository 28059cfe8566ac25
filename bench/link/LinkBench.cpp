// What the tool costs on its link: acknowledged exchanges through the whole stack (message API,
// frame layer, port layer, receive thread) over a pseudo-terminal, against a minimal board that
// answers at once with no baud limit. Reported as exchanges per second and as the tool's time
// per exchange in proportion to the time the same bytes need on the real line (19200 baud, 7E1:
// 10 bit times per character). The board is built here from the wire format alone.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "link/MessageApi.h"
#include "logging/ZovLogging.h"
#include "platform/Notify.h"
#include "platform/SerialPort.h"

namespace {

constexpr double kWireBitsPerChar = 10.0;  // start, 7 data, parity, stop
constexpr double kWireBaud = 19200.0;

// A typical request of the command handler and a typical reply of the subsystem.
const char kRequest[] = "r 0x0001 0x1000 0x00";
const char kReply[] = "a 0x0001 0x00000000 0x00001388";

std::string Hex(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string{digits[(value >> 4) & 15], digits[value & 15]};
}

std::string Frame(unsigned number, char type, const std::string& message)
{
    std::string frame = "$" + Hex(number) + type + message;
    unsigned sum = 0;
    for (char c : frame) {
        sum ^= static_cast<unsigned char>(c);
    }
    return frame + Hex(sum) + "\r";
}

// The board: acknowledges every data frame and, when asked, answers it with a reply.
class CMinimalBoard {
public:
    explicit CMinimalBoard(bool reply) : reply_(reply)
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
            std::abort();
        }
        char name[128];
        ptsname_r(master_, name, sizeof name);
        slave_path_ = name;
        termios tio{};
        tcgetattr(master_, &tio);
        cfmakeraw(&tio);
        tcsetattr(master_, TCSANOW, &tio);
        thread_ = std::thread([this] { Run(); });
    }
    ~CMinimalBoard()
    {
        stop_.store(true);
        thread_.join();
        close(master_);
    }
    const std::string& SlavePath() const { return slave_path_; }

private:
    void Run()
    {
        std::string pending;
        unsigned number = 0;
        char chunk[512];
        while (!stop_.load()) {
            pollfd fd{master_, POLLIN, 0};
            if (poll(&fd, 1, 20) <= 0 || !(fd.revents & POLLIN)) {
                continue;
            }
            const ssize_t n = read(master_, chunk, sizeof chunk);
            if (n <= 0) {
                continue;
            }
            pending.append(chunk, static_cast<size_t>(n));
            std::string answer;
            for (size_t end; (end = pending.find('\r')) != std::string::npos;) {
                const size_t start = pending.rfind('$', end);
                if (start != std::string::npos && end - start >= 6 && pending[start + 3] == 'D') {
                    answer += Frame(std::stoul(pending.substr(start + 1, 2), nullptr, 16), 'A', "");
                    if (reply_) {
                        number = (number + 1) & 0xFF;
                        answer += Frame(number, 'D', kReply);
                    }
                }
                pending.erase(0, end + 1);
            }
            for (size_t done = 0; done < answer.size();) {
                const ssize_t w = write(master_, answer.data() + done, answer.size() - done);
                if (w > 0) {
                    done += static_cast<size_t>(w);
                }
            }
        }
    }

    bool reply_;
    int master_ = -1;
    std::string slave_path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The tool's receiving thread, as the command handler runs it; counts the replies.
class CReceiver {
public:
    explicit CReceiver(ZelPortHandle port) : port_(port)
    {
        thread_ = std::thread([this] {
            char buffer[kZelSpReceiveBufferSize];
            char first = 0;
            while (!stop_.load()) {
                if (ZelSpReceiveMessage(port_, buffer, &first) == kZelOk) {
                    std::lock_guard<std::mutex> guard(lock_);
                    ++replies_;
                    changed_.notify_one();
                }
            }
        });
    }
    ~CReceiver()
    {
        stop_.store(true);
        thread_.join();
    }
    void WaitForReplies(uint64_t count)
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return replies_ >= count; });
    }

private:
    ZelPortHandle port_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::condition_variable changed_;
    uint64_t replies_ = 0;
    std::thread thread_;
};

// A main window that takes the notifications and throws the entries away.
class CDiscardingSink : public INotifySink {
public:
    void Post(int, uintptr_t, const std::string&) override {}
};

void RunExchanges(benchmark::State& state, bool reply, bool traced)
{
    CZovLogging::Instance().Clear();
    CDiscardingSink sink;
    if (traced) {
        Notify::InstallSink(&sink);
    }
    CMinimalBoard board(reply);
    CSerialPort port;
    if (!port.Open(board.SlavePath()) || ZelSpInit(&port) != kZelOk) {
        state.SkipWithError("cannot open the link");
        return;
    }
    uint64_t exchanges = 0;
    int failures = 0;
    {
        CReceiver receiver(&port);
        const auto started = std::chrono::steady_clock::now();
        for (auto _ : state) {
            if (ZelSpSendMessage(&port, kRequest) != kZelOk) {
                ++failures;
            }
            ++exchanges;
            if (reply) {
                receiver.WaitForReplies(exchanges);
            }
            if (traced && (exchanges & 63) == 0) {
                CZovLogging::Instance().Clear();  // stands for the window draining its queue
            }
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const double chars = (sizeof kRequest - 1 + 7) + 7 + (reply ? (sizeof kReply - 1 + 7) + 7 : 0);
        const double wire_s = chars * kWireBitsPerChar / kWireBaud;
        const double tool_s = seconds / static_cast<double>(exchanges);
        state.counters["exchanges_per_s"] = static_cast<double>(exchanges) / seconds;
        state.counters["wire_ms"] = wire_s * 1000.0;
        state.counters["tool_us"] = tool_s * 1e6;
        state.counters["tool_pct_of_wire"] = 100.0 * tool_s / wire_s;
        state.counters["failures"] = failures;
    }
    ZelSpClose(&port);
    if (traced) {
        Notify::RemoveSink(&sink);
    }
    CZovLogging::Instance().Clear();
}

// A request with its acknowledgement, the subsystem's reply and the tool's acknowledgement.
void BM_RequestAndReply(benchmark::State& state)
{
    RunExchanges(state, true, false);
}

// The same with the main window present: every trace is formatted and queued.
void BM_RequestAndReplyTraced(benchmark::State& state)
{
    RunExchanges(state, true, true);
}

// One message and its acknowledgement.
void BM_AcknowledgedMessage(benchmark::State& state)
{
    RunExchanges(state, false, false);
}

}  // namespace

BENCHMARK(BM_AcknowledgedMessage)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RequestAndReply)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RequestAndReplyTraced)->UseRealTime()->MinTime(2.0);

BENCHMARK_MAIN();
