#include "BoardSimulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "BootModel.h"
#include "Scenario.h"
#include "SimFrameLink.h"
#include "StateFile.h"
#include "Subsystem.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/Format.h"
#include "platform/TextFile.h"
#include "platform/Thread.h"

namespace {

// Microseconds one character takes on the line: 10 bit times (start, 7 data + parity or 8 data,
// stop) at the line's speed.
constexpr int64_t kRuntimeCharUs = 10 * 1000000 / 19200;
constexpr int64_t kBootCharUs = 10 * 1000000 / 38400;

class CFd {
public:
    CFd() = default;
    explicit CFd(int fd) : fd_(fd) {}
    ~CFd() { Reset(); }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    void Reset(int fd = -1)
    {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = fd;
    }
    int Get() const { return fd_; }

private:
    int fd_ = -1;
};

}  // namespace

struct CBoardSimulator::Impl {
    Impl(const BoardSimOptions& o, const CScenario& s, const SimBoardLayout& layout)
        : options(o), scenario(s), faults(o.faults), subsystem(scenario, &faults),
          link(LinkHooks(), &faults, o.ack_timeout_ms, o.send_attempts), boot(layout, &faults)
    {
        boot.SetHooks({[this](const std::string& bytes) { QueueWrite(bytes, 0); },
                       [this](const std::string& text) { Trace("boot", text); }});
    }

    CSimFrameLink::Hooks LinkHooks()
    {
        CSimFrameLink::Hooks hooks;
        hooks.write = [this](const std::string& bytes, uint32_t delay_ms) { QueueWrite(bytes, delay_ms); };
        hooks.deliver = [this](const std::string& message) { Deliver(message); };
        hooks.trace = [this](const std::string& text) { Trace("link", text); };
        return hooks;
    }

    void Trace(const char* who, const std::string& text) const
    {
        if (!options.verbose) {
            return;
        }
        const uint64_t ms = MonotonicMs() - start_ms;
        const std::string line =
            Format("[%6llu.%03llu] %s: %s", static_cast<unsigned long long>(ms / 1000),
                   static_cast<unsigned long long>(ms % 1000), who, text.c_str());
        if (options.trace_sink) {
            options.trace_sink(line);
        } else {
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }

    // ---- line output ------------------------------------------------------------------------
    struct Chunk {
        std::string bytes;
        uint64_t due_ms;
    };

    void QueueWrite(const std::string& bytes, uint32_t delay_ms)
    {
        const uint64_t now = MonotonicMs();
        const uint64_t after = output.empty() ? now : std::max(now, output.back().due_ms);
        output.push_back({bytes, after + delay_ms});
        FlushDue();
    }

    void FlushDue()
    {
        while (!output.empty() && output.front().due_ms <= MonotonicMs()) {
            line_out += output.front().bytes;
            output.pop_front();
        }
        DrainLine();
    }

    // Hands queued bytes to the device as fast as the other side takes them (or at the line's
    // pace). A slow reader only delays the bytes; they are lost only while nobody has the line
    // open, or when more than kMaxPending bytes pile up.
    void DrainLine()
    {
        if (line_out.size() > kMaxPending) {
            Trace("line", Format("%zu bytes lost: the other side does not read", line_out.size()));
            line_out.clear();
        }
        size_t done = 0;
        while (done < line_out.size()) {
            const size_t count = options.baud_emulation ? 1 : line_out.size() - done;
            if (options.baud_emulation) {
                PaceOutput();
            }
            const ssize_t n = write(master.Get(), line_out.data() + done, count);
            if (n > 0) {
                done += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                break;  // EAGAIN: the loop waits until the device takes more
            }
        }
        line_out.erase(0, done);
    }

    void PaceOutput()
    {
        using namespace std::chrono;
        const auto now = steady_clock::now();
        out_slot = std::max(out_slot, now);
        std::this_thread::sleep_until(out_slot);
        out_slot += microseconds(CharUs());
    }

    void PaceInput()
    {
        using namespace std::chrono;
        const auto now = steady_clock::now();
        in_slot = std::max(in_slot, now - microseconds(CharUs())) + microseconds(CharUs());
        std::this_thread::sleep_until(in_slot);
    }

    int64_t CharUs() const { return boot_mode ? kBootCharUs : kRuntimeCharUs; }

    // ---- runtime messages -------------------------------------------------------------------
    void Deliver(const std::string& message)
    {
        const uint64_t now = MonotonicMs();
        {
            std::lock_guard<std::mutex> lock(received_lock);
            received.push_back(message);
            if (received.size() > 10000) {
                received.erase(received.begin());
            }
        }
        const std::string reply = subsystem.HandleMessage(message, now);
        Trace("subsystem", Format("\"%s\" -> \"%s\"", message.c_str(), reply.c_str()));
        if (!reply.empty()) {
            if (faults.Strike(SimFault::LoseReply)) {
                Trace("subsystem", "reply never sent (fault)");
            } else if (faults.Strike(SimFault::DelayReply)) {
                Trace("subsystem", Format("reply delayed by %u ms (fault)", faults.Settings().reply_delay_ms));
                delayed.push_back({reply, now + faults.Settings().reply_delay_ms});
            } else {
                link.Send(reply, now);
            }
        }
        if (!session_up) {
            session_up = true;
            for (const std::string& text : subsystem.OnLinkUp(now)) {
                link.Send(text, now);
            }
        }
    }

    void Pump()
    {
        const uint64_t now = MonotonicMs();
        for (auto it = delayed.begin(); it != delayed.end();) {
            if (it->due_ms <= now) {
                link.Send(it->bytes, now);
                it = delayed.erase(it);
            } else {
                ++it;
            }
        }
        for (const std::string& text : subsystem.TakeUnsolicited(now)) {
            if (session_up) {
                link.Send(text, now);
            }
        }
        link.Poll(now);
        FlushDue();
    }

    uint64_t NextDeadline() const
    {
        uint64_t next = std::min(link.NextDeadlineMs(), subsystem.NextDeadlineMs());
        for (const Chunk& chunk : delayed) {
            next = std::min(next, chunk.due_ms);
        }
        if (!output.empty()) {
            next = std::min(next, output.front().due_ms);
        }
        return next;
    }

    // A new program opened the line, or the last one closed it: the link starts afresh.
    void ResetSession(const char* why)
    {
        Trace("line", why);
        link.Reset();
        session_up = false;
        delayed.clear();
        output.clear();
    }

    // Nobody has the line open: what waits for it is lost, as on a cable without a listener.
    void LineClosed()
    {
        ResetSession("the line was closed");
        line_out.clear();
        tcflush(keep_slave.Get(), TCIFLUSH);
    }

    void OnByte(uint8_t byte)
    {
        if (options.baud_emulation) {
            PaceInput();
        }
        const uint64_t now = MonotonicMs();
        if (boot_mode) {
            if (boot.OnByte(byte, now) == CBootModel::Verdict::Stay) {
                return;
            }
            // Reset without the jumper: the subsystem starts again and the '$' opens its
            // first frame.
            boot_mode = false;
            subsystem.OnReset();
            ResetSession("running subsystem after a reset");
            link.OnByte(byte, now);
            return;
        }
        if (byte == 0x00 && !link.InFrame(now)) {
            ResetSession("boot mode after a reset with the boot jumper");
            subsystem.OnReset();
            boot_mode = true;
            boot.Enter(now);
            return;
        }
        link.OnByte(byte, now);
    }

    // ---- state file -------------------------------------------------------------------------
    bool LoadState(std::string* error)
    {
        if (options.state_file.empty()) {
            return true;
        }
        std::string text;
        const ReadFileResult read = ReadWholeFile(options.state_file, text);
        if (read == ReadFileResult::Missing) {
            return true;  // a new board: everything erased, defaults everywhere
        }
        if (read != ReadFileResult::Ok) {
            *error = "cannot read the state file " + options.state_file;
            return false;
        }
        if (!ApplyStateText(text, subsystem, boot.Memory(), &other_boards, error)) {
            *error = options.state_file + ": " + *error;
            return false;
        }
        saved_state = BuildStateText(subsystem, boot.Memory(), other_boards);
        return true;
    }

    void SaveStateIfChanged()
    {
        if (options.state_file.empty()) {
            return;
        }
        const std::string text = BuildStateText(subsystem, boot.Memory(), other_boards);
        if (text == saved_state) {
            return;
        }
        if (WriteFileAtomically(options.state_file, text)) {
            saved_state = text;
        } else {
            Trace("board", "cannot write the state file " + options.state_file);
        }
    }

    // Opens and closes of the line since the last look; none when the inotify watch is missing.
    std::vector<uint32_t> TakeLineEvents()
    {
        std::vector<uint32_t> events;
        if (inotify.Get() < 0) {
            return events;
        }
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = read(inotify.Get(), buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                events.push_back(event->mask);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return events;
    }

    static bool HasOpen(const std::vector<uint32_t>& events)
    {
        return std::any_of(events.begin(), events.end(), [](uint32_t mask) { return (mask & IN_OPEN) != 0; });
    }

    void ApplyLineEvents(const std::vector<uint32_t>& events)
    {
        for (uint32_t mask : events) {
            if (mask & IN_OPEN) {
                ++openers;
                ResetSession("a program opened the line");
                // What the board sent while nobody listened is gone, as on a real cable.
                line_out.clear();
                tcflush(keep_slave.Get(), TCIFLUSH);
            }
            if (mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                openers = openers > 0 ? openers - 1 : 0;
                if (openers == 0) {
                    LineClosed();
                }
            }
        }
    }

    // The bytes waiting on the line. A program may close the line, a new one open it and send
    // its first frame between the poll and the read, so that one read holds the new session's
    // start: the opens seen by then come first, and the old session's tail, if any, goes to the
    // new one (where a stray acknowledgement is ignored). Closes alone come after the bytes,
    // which belonged to the program that closed.
    void ReadLine()
    {
        uint8_t buffer[512];
        const ssize_t n = read(master.Get(), buffer, sizeof buffer);
        const std::vector<uint32_t> late = TakeLineEvents();
        const bool reopened = HasOpen(late);
        if (reopened) {
            ApplyLineEvents(late);
        }
        for (ssize_t i = 0; i < n; ++i) {
            OnByte(buffer[i]);
        }
        if (!reopened) {
            ApplyLineEvents(late);
        }
    }

    void Run()
    {
        uint64_t next_save = MonotonicMs() + kSaveIntervalMs;
        while (!stop.IsSet()) {
            int timeout = 1000;
            {
                std::lock_guard<std::mutex> lock(model_lock);
                Pump();
                if (MonotonicMs() >= next_save) {
                    SaveStateIfChanged();
                    next_save = MonotonicMs() + kSaveIntervalMs;
                }
                const uint64_t next = NextDeadline();
                const uint64_t now = MonotonicMs();
                if (next != UINT64_MAX) {
                    timeout = static_cast<int>(std::min<uint64_t>(1000, next > now ? next - now : 0));
                }
            }
            const short master_events = static_cast<short>(POLLIN | (line_out.empty() ? 0 : POLLOUT));
            pollfd fds[3] = {{master.Get(), master_events, 0}, {stop.PollFd(), POLLIN, 0},
                             {inotify.Get(), POLLIN, 0}};
            const int ready = poll(fds, inotify.Get() >= 0 ? 3 : 2, timeout);
            if (ready < 0 && errno != EINTR) {
                break;
            }
            std::lock_guard<std::mutex> lock(model_lock);
            // Looked at whatever the poll said: a line opened since then must not get what the
            // board meant for the program before.
            ApplyLineEvents(TakeLineEvents());
            if (fds[0].revents & POLLOUT) {
                DrainLine();
            }
            if (fds[0].revents & POLLIN) {
                ReadLine();
            }
        }
        std::lock_guard<std::mutex> lock(model_lock);
        SaveStateIfChanged();
    }

    // The state file is brought up to date this often while the board runs, and at the end.
    static constexpr uint64_t kSaveIntervalMs = 2000;
    static constexpr size_t kMaxPending = 1 << 20;

    BoardSimOptions options;
    CScenario scenario;
    CFaultPlan faults;
    CSubsystem subsystem;
    CSimFrameLink link;
    CBootModel boot;
    std::string other_boards;
    std::string saved_state;

    mutable std::mutex model_lock;
    mutable std::mutex received_lock;
    std::vector<std::string> received;

    CFd master;
    CFd keep_slave;
    CFd inotify;
    CEvent stop{CEvent::Kind::ManualReset};
    CThread thread;

    std::deque<Chunk> output;
    std::string line_out;
    std::vector<Chunk> delayed;
    bool session_up = false;
    bool boot_mode = false;
    int openers = 0;
    uint64_t start_ms = MonotonicMs();
    std::chrono::steady_clock::time_point out_slot{};
    std::chrono::steady_clock::time_point in_slot{};
};

CBoardSimulator::CBoardSimulator(BoardSimOptions options) : options_(std::move(options)) {}

CBoardSimulator::~CBoardSimulator()
{
    Stop();
}

std::string CBoardSimulator::DevicePath() const
{
    return options_.link_path.empty() ? device_ : options_.link_path;
}

bool CBoardSimulator::Start(std::string* error)
{
    std::string ignored;
    std::string& err = error != nullptr ? *error : ignored;
    if (running_) {
        err = "the board is already running";
        return false;
    }
    CScenario scenario;
    if (!options_.scenario_file.empty() && !scenario.Load(options_.scenario_file, &err)) {
        return false;
    }
    BoardSimOptions options = options_;
    for (const std::string& setting : scenario.fault_settings) {
        if (!options.faults.Parse(setting, &err)) {
            err = "scenario: " + err;
            return false;
        }
    }
    SimBoardLayout layout;
    if (!SimBoardLayoutByName(options_.board, &layout)) {
        err = "unknown board " + options_.board + " (XC167 or XC167X)";
        return false;
    }
    impl_.reset();
    auto impl = std::make_unique<Impl>(options, scenario, layout);
    if (!impl->LoadState(&err)) {
        return false;
    }

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        err = Format("cannot create a pseudo-terminal: %s", std::strerror(errno));
        return false;
    }
    impl->master.Reset(master);
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        err = Format("cannot set up the pseudo-terminal: %s", std::strerror(errno));
        return false;
    }
    // The board keeps its own handle on the device, so that the line survives while no program
    // has it open; raw mode keeps the line discipline from echoing or editing anything.
    impl->keep_slave.Reset(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (impl->keep_slave.Get() < 0) {
        err = Format("cannot open %s: %s", name, std::strerror(errno));
        return false;
    }
    for (int fd : {master, impl->keep_slave.Get()}) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    impl->inotify.Reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (impl->inotify.Get() >= 0 &&
        inotify_add_watch(impl->inotify.Get(), name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        impl->inotify.Reset();  // the board still works; it only cannot tell a new session
    }

    if (!options_.link_path.empty()) {
        struct stat st {};
        if (lstat(options_.link_path.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                err = options_.link_path + " exists and is not a symbolic link; not replaced";
                return false;
            }
            unlink(options_.link_path.c_str());
        }
        if (symlink(name, options_.link_path.c_str()) != 0) {
            err = Format("cannot make the link %s: %s", options_.link_path.c_str(), std::strerror(errno));
            return false;
        }
    }
    device_ = name;
    impl_ = std::move(impl);
    Impl* raw = impl_.get();
    raw->Trace("board", Format("runtime subsystem on %s", name));
    if (!raw->thread.Start([raw] { raw->Run(); })) {
        err = "cannot start the board's thread";
        if (!options_.link_path.empty()) {
            unlink(options_.link_path.c_str());
        }
        impl_.reset();
        return false;
    }
    running_ = true;
    return true;
}

void CBoardSimulator::Stop()
{
    if (!running_) {
        return;
    }
    impl_->stop.Set();
    impl_->thread.Join();
    // The line goes with the board, as when the program ends: the tool's port sees a hang-up.
    // The models stay for Inspect.
    impl_->master.Reset();
    impl_->keep_slave.Reset();
    impl_->inotify.Reset();
    if (!options_.link_path.empty()) {
        char target[256] = {};
        const ssize_t n = readlink(options_.link_path.c_str(), target, sizeof target - 1);
        if (n > 0 && device_ == std::string(target, static_cast<size_t>(n))) {
            unlink(options_.link_path.c_str());
        }
    }
    running_ = false;
}

void CBoardSimulator::Inspect(const std::function<void(const CSubsystem& subsystem)>& look) const
{
    if (!impl_) {
        return;
    }
    std::lock_guard<std::mutex> lock(impl_->model_lock);
    look(impl_->subsystem);
}

void CBoardSimulator::InspectBoot(
    const std::function<void(const CBootModel& boot, bool boot_mode)>& look) const
{
    if (!impl_) {
        return;
    }
    std::lock_guard<std::mutex> lock(impl_->model_lock);
    look(impl_->boot, impl_->boot_mode);
}

std::vector<std::string> CBoardSimulator::ReceivedMessages() const
{
    if (!impl_) {
        return {};
    }
    std::lock_guard<std::mutex> lock(impl_->received_lock);
    return impl_->received;
}

uint32_t CBoardSimulator::FaultsStruck(SimFault fault) const
{
    if (!impl_) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(impl_->model_lock);
    return impl_->faults.Struck(fault);
}
