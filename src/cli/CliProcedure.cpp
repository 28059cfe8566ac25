// zovcli procedure list / run: the guided calibrations and tests on a terminal, over the same
// state machines as the window's dialogs. run prints the procedure's texts on stdout as the
// dialog would show them, and reads one line of stdin per button press; its prompts go to
// stderr, so stdout stays the procedure's texts (and a factory script can feed it a
// here-document). The restore sequence runs when the run ends, also on Ctrl-C.

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "handler/SerialCommHandler.h"
#include "platform/Event.h"
#include "procedures/AverageVideoLevelProcedure.h"
#include "procedures/IIDiameterProcedure.h"
#include "procedures/ProcedureCatalog.h"
#include "shell/AppSettings.h"

namespace {

using namespace ProcedureControl;

// The text with "\r\n" line breaks as a terminal shows them.
std::string TerminalText(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i] == '\r' ? '\n' : text[i];
    }
    return out;
}

// Lines from stdin, one at a time; a wait for one ends early when the stop event is set.
class CLineReader {
public:
    explicit CLineReader(CEvent& stop) : stop_(stop) {}

    // False at the end of input, on a read error, or when the stop event was set.
    bool ReadLine(std::string* line)
    {
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                *line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (!line->empty() && line->back() == '\r') line->pop_back();
                return true;
            }
            if (ended_) {
                if (buffer_.empty()) return false;
                *line = buffer_;
                buffer_.clear();
                return true;
            }
            pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {stop_.PollFd(), POLLIN, 0}};
            const int ready = poll(fds, stop_.PollFd() >= 0 ? 2 : 1, 200);
            if (stop_.IsSet()) return false;
            if (ready < 0 && errno != EINTR) return false;
            if (ready <= 0 || (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            char chunk[512];
            const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                ended_ = true;
                continue;
            }
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }

private:
    CEvent& stop_;
    std::string buffer_;
    bool ended_ = false;
};

// What the dialog would show, on the terminal: texts on stdout as they change, the state of
// every control kept for the prompt, questions answered from the options or from stdin.
class CTerminalProcedureView : public IProcedureView {
public:
    enum class Answer { kAsk, kYes, kNo };

    CTerminalProcedureView(CLineReader& reader, CEvent& stop, Answer answer)
        : reader_(reader), stop_(stop), answer_(answer)
    {
    }

    void SetText(const std::string& control, const std::string& text) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        const bool changed = texts_[control] != text;
        texts_[control] = text;
        // Every level the polling thread reads is a line of its own, also when it repeats.
        if (control == AverageVideoLevelControl::kLevelValue) {
            if (IsShown(control)) Print(text);
            return;
        }
        if (!changed || text.empty() || !IsPrinted(control) || !IsShown(control)) return;
        Print(control == kAction ? text + "\r\n" : text);
    }
    void SetTextRed(const std::string&, bool) override {}
    void Show(const std::string& control, bool shown) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        const bool was_shown = IsShown(control);
        shown_[control] = shown;
        // A line that appears shows its text.
        if (shown && !was_shown && IsPrinted(control) && !texts_[control].empty()) Print(texts_[control]);
    }
    void Enable(const std::string& control, bool enabled) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        enabled_[control] = enabled;
    }
    void Check(const std::string&, bool) override {}
    std::string EntryText(const std::string& control) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        return texts_[control];
    }
    bool AskYesNo(const std::string& text) override
    {
        if (answer_ != Answer::kAsk) {
            std::fprintf(stderr, "%s [%s]\n", TerminalText(text).c_str(), answer_ == Answer::kYes ? "yes" : "no");
            return answer_ == Answer::kYes;
        }
        for (;;) {
            std::fprintf(stderr, "%s [y/n] ", TerminalText(text).c_str());
            std::fflush(stderr);
            std::string line;
            if (!reader_.ReadLine(&line)) {
                std::fprintf(stderr, "\n");
                return false;
            }
            if (line == "y" || line == "Y" || line == "yes") return true;
            if (line == "n" || line == "N" || line == "no") return false;
        }
    }
    void ShowMessage(const std::string& text) override
    {
        std::fprintf(stderr, "%s\n", TerminalText(text).c_str());
    }
    void Sleep(uint32_t ms) override { stop_.Wait(ms); }

    // The engineer typed into the entry.
    void Type(const std::string& control, const std::string& text)
    {
        std::lock_guard<std::mutex> guard(lock_);
        texts_[control] = text;
    }
    std::string Text(const std::string& control)
    {
        std::lock_guard<std::mutex> guard(lock_);
        return texts_[control];
    }
    bool Usable(const std::string& control)
    {
        std::lock_guard<std::mutex> guard(lock_);
        return IsShown(control) && (enabled_.count(control) == 0 || enabled_[control]);
    }
    bool Visible(const std::string& control)
    {
        std::lock_guard<std::mutex> guard(lock_);
        return IsShown(control);
    }

private:
    static bool IsPrinted(const std::string& control)
    {
        return control == kInstruction || control == kAction || control == kStatus || control == kFormats ||
               control == kDoserateInfo || control == AverageVideoLevelControl::kLevelNote;
    }
    // The controls every dialog shows until told otherwise; the others (entries, step buttons,
    // radio buttons) only exist for the procedures that show them.
    bool IsShown(const std::string& control) const
    {
        const auto it = shown_.find(control);
        if (it != shown_.end()) return it->second;
        return control == kStart || control == kInstruction || control == kAction || control == kStatus ||
               control == kFormats || control == kDoserateInfo;
    }
    // An action text ends what one state shows: a blank line follows it.
    void Print(const std::string& text)
    {
        std::printf("%s\n", TerminalText(text).c_str());
        std::fflush(stdout);
    }

    std::mutex lock_;
    CLineReader& reader_;
    CEvent& stop_;
    const Answer answer_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, bool> shown_;
    std::map<std::string, bool> enabled_;
};

// Takes SIGINT, SIGTERM and SIGHUP for the run, so that they end the wait of a step and the run
// goes through its restore sequence instead of the process ending at once.
class CInterruptWatcher {
public:
    CInterruptWatcher()
    {
        sigemptyset(&signals_);
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals_, signal_number);
        // Blocked before any other thread starts, so that every thread inherits it.
        pthread_sigmask(SIG_BLOCK, &signals_, &previous_);
        thread_ = std::thread([this] { Watch(); });
    }
    ~CInterruptWatcher()
    {
        done_ = true;
        thread_.join();
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    CInterruptWatcher(const CInterruptWatcher&) = delete;
    CInterruptWatcher& operator=(const CInterruptWatcher&) = delete;

    CEvent& StopEvent() { return stop_; }
    bool Interrupted() const { return interrupts_ > 0; }
    // The handler whose waits an interrupt ends; null while none is connected.
    void SetHandler(CSerialCommHandler* handler)
    {
        std::lock_guard<std::mutex> guard(lock_);
        handler_ = handler;
    }

private:
    void Watch()
    {
        const timespec pause{0, 100 * 1000 * 1000};
        while (!done_) {
            if (sigtimedwait(&signals_, nullptr, &pause) < 0) continue;
            ++interrupts_;
            stop_.Set();
            std::lock_guard<std::mutex> guard(lock_);
            if (handler_ != nullptr) handler_->StopRequests();
        }
    }

    sigset_t signals_{};
    sigset_t previous_{};
    std::atomic<bool> done_{false};
    std::atomic<int> interrupts_{0};
    CEvent stop_{CEvent::Kind::ManualReset};
    std::mutex lock_;
    CSerialCommHandler* handler_ = nullptr;
    std::thread thread_;
};

struct tagRunOptions {
    std::string key;
    tagProcedureSettings settings;
    CTerminalProcedureView::Answer answer = CTerminalProcedureView::Answer::kAsk;
    // The average video level test's mode radio button to press before the run; empty: as the
    // dialog opens (relative).
    std::string mode;
};

bool ParseRunOptions(const CliOptions& options, const std::vector<std::string>& args, tagRunOptions* run)
{
    if (args.size() < 2) return false;
    run->key = args[1];
    run->settings.prepare = AppSettings::GetPrepareByZovTool();
    if (options.yes) run->answer = CTerminalProcedureView::Answer::kYes;
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--internal" || option == "--external") {
            run->settings.internal_timing = option == "--internal";
        } else if (option == "--prepare" || option == "--no-prepare") {
            run->settings.prepare = option == "--prepare";
        } else if (option == "--yes" || option == "--no") {
            run->answer = option == "--yes" ? CTerminalProcedureView::Answer::kYes : CTerminalProcedureView::Answer::kNo;
        } else if ((option == "--relative" || option == "--absolute") && run->key == "average-video-level") {
            run->mode = option == "--relative" ? AverageVideoLevelControl::kRelative : AverageVideoLevelControl::kAbsolute;
        } else {
            return false;
        }
    }
    return true;
}

// The step button a word presses; null for none.
const tagDiameterStep* DiameterStepOf(const std::string& word)
{
    for (const tagDiameterStep& step : kDiameterSteps) {
        std::string caption = step.caption;
        std::transform(caption.begin(), caption.end(), caption.begin(), [](unsigned char c) { return std::tolower(c); });
        if (word == caption) return &step;
    }
    return nullptr;
}

class CProcedureRun {
public:
    CProcedureRun(CProcedure& procedure, CSerialCommHandler& handler, CTerminalProcedureView& view,
                  CLineReader& reader, CInterruptWatcher& watcher)
        : procedure_(procedure), procedure_handler_(handler), view_(view), reader_(reader), watcher_(watcher)
    {
    }

    // Presses buttons until Exit (a line "x", the end of input, an interrupt, or nothing left
    // to press). Returns the dialog's result.
    int Run()
    {
        while (!watcher_.Interrupted() && HasSomethingToPress()) {
            Prompt();
            std::string line;
            if (!reader_.ReadLine(&line)) break;
            if (line == "x" || line == "X") break;
            Dispatch(line);
        }
        if (watcher_.Interrupted()) {
            std::fprintf(stderr, "Interrupted: leaving the procedure.\n");
            // Exit and the restore sequence need the board again; a second interrupt ends
            // them early.
            procedure_handler_.ResumeRequests();
        }
        return procedure_.PressExit();
    }

private:
    bool StepButtonsShown() { return view_.Visible(kDiameterSteps[0].control); }
    bool EntryShown() { return view_.Visible(kDoserateEntry) && view_.Usable(kStart); }

    bool HasSomethingToPress() { return view_.Usable(kStart) || StepButtonsShown(); }

    void Prompt()
    {
        std::string prompt;
        if (EntryShown()) {
            prompt += "the measured doserate in nGy/s (now " + view_.Text(kDoserateEntry) + "), ";
        }
        if (view_.Usable(kStart)) prompt += "Enter = " + view_.Text(kStart) + ", ";
        if (StepButtonsShown()) prompt += "---/--/-/+/++/+++/default = trim, ";
        prompt += "x = Exit > ";
        std::fprintf(stderr, "%s", prompt.c_str());
        std::fflush(stderr);
    }

    void Dispatch(const std::string& line)
    {
        if (const tagDiameterStep* step = DiameterStepOf(line); step != nullptr && StepButtonsShown()) {
            Press([&] { procedure_.PressControl(step->control); });
        } else if (line.empty() && view_.Usable(kStart)) {
            Press([&] { procedure_.PressStart(); });
        } else if (!line.empty() && EntryShown()) {
            // What the engineer types goes into the entry, as in the dialog, and the Start
            // button takes it (or says why it does not).
            view_.Type(kDoserateEntry, line);
            Press([&] { procedure_.PressStart(); });
        } else {
            std::fprintf(stderr, "\"%s\" presses nothing here.\n", line.c_str());
        }
    }

    template <typename F>
    void Press(F press)
    {
        press();
        // A failed run shows "Show Details..." in the dialog; here the details follow at once.
        if (view_.Visible(kDetails) && !view_.Text(kStatus).empty()) {
            std::printf("%s\n", TerminalText(procedure_.DetailsMessage()).c_str());
            std::fflush(stdout);
        }
    }

    CProcedure& procedure_;
    CSerialCommHandler& procedure_handler_;
    CTerminalProcedureView& view_;
    CLineReader& reader_;
    CInterruptWatcher& watcher_;
};

int ListProcedures()
{
    for (const tagProcedureEntry& entry : ProcedureCatalog()) std::printf("%-22s %s\n", entry.key, entry.title);
    return kExitSucceeded;
}

void OnSubsystemEvent(uintptr_t kind)
{
    if (kind == 2) std::fprintf(stderr, "ERROR: Not ready for acquisition. (Some device failure)\n");
    if (kind == 3) std::fprintf(stderr, "ERROR: Runtime failure during calibration or test.\n");
}

int RunProcedure(const CliOptions& options, const tagRunOptions& run, const tagProcedureEntry& entry)
{
    CInterruptWatcher watcher;
    CCliSession session(options);
    session.Sink().SetSubsystemEventFunction(OnSubsystemEvent);
    // As the hubs' handlers: events handled, the subsystem's log cleared at the start.
    if (!session.Connect(true, nullptr)) return kExitCannotRun;
    watcher.SetHandler(&session.Handler());

    CLineReader reader(watcher.StopEvent());
    CTerminalProcedureView view(reader, watcher.StopEvent(), run.answer);
    std::printf("%s\n\n", entry.title);
    std::fflush(stdout);
    std::unique_ptr<CProcedure> procedure = entry.create(session.Handler(), view, run.settings);
    procedure->Open();
    if (!run.mode.empty()) procedure->PressControl(run.mode);
    CProcedureRun presses(*procedure, session.Handler(), view, reader, watcher);
    const int result = presses.Run();
    const bool finished = procedure->IsFinished();
    procedure->Close();
    watcher.SetHandler(nullptr);
    procedure.reset();
    session.Disconnect();
    const bool succeeded = entry.kind == ProcedureKind::kTest ? finished : result == kIdOk;
    return succeeded ? kExitSucceeded : kExitFailed;
}

int RunProcedureCommand(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() == 1 && args[0] == "list") return ListProcedures();
    tagRunOptions run;
    if (args.empty() || args[0] != "run" || !ParseRunOptions(options, args, &run)) {
        CliError("usage: zovcli procedure list | procedure run KEY [--internal|--external] [--prepare|--no-prepare] "
                 "[--yes|--no] [--relative|--absolute (average-video-level)]");
        return kExitCannotRun;
    }
    const tagProcedureEntry* entry = FindProcedure(run.key);
    if (entry == nullptr) {
        CliError("no procedure \"" + run.key + "\" (zovcli procedure list shows them)");
        return kExitCannotRun;
    }
    return RunProcedure(options, run, *entry);
}

const CCliRegistration kProcedure({"procedure",
                                   "list | run KEY [--internal|--external] [--[no-]prepare] [--yes|--no] "
                                   "[--absolute]",
                                   "list the guided procedures, or run one: a stdin line per button",
                                   RunProcedureCommand});

}  // namespace
