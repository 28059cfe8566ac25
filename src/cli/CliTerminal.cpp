#include "cli/CliTerminal.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/CliSession.h"
#include "platform/Format.h"
#include "platform/SerialPort.h"
#include "shell/AppSettings.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

bool Ask(const std::string& text, const char* hint, const char* yes)
{
    std::fprintf(stderr, "%s\n%s ", text.c_str(), hint);
    std::fflush(stderr);
    std::string answer;
    while (true) {
        if (g_interrupted) {
            std::fprintf(stderr, "\n");
            return false;
        }
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&fd, 1, 100);
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n <= 0) {
            return false;  // end of input: no one to answer
        }
        if (c == '\n') {
            break;
        }
        answer += c;
    }
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) {
        answer.pop_back();
    }
    if (*yes == '\0') {
        return answer.empty() || answer == "o" || answer == "ok" || answer == "OK";
    }
    return answer == yes || answer == "yes" || answer == "Y";
}

}  // namespace

struct CInterruptGuard::Saved {
    struct sigaction action {};
};

CInterruptGuard::CInterruptGuard() : previous_(std::make_unique<Saved>())
{
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_->action);
}

CInterruptGuard::~CInterruptGuard()
{
    sigaction(SIGINT, &previous_->action, nullptr);
}

bool CliInterrupted()
{
    return g_interrupted != 0;
}

CTerminalPrompt::CTerminalPrompt(bool yes) : console_(yes), ask_(!yes && isatty(STDIN_FILENO) != 0) {}

void CTerminalPrompt::ShowMessage(const std::string& text, PromptIcon icon, const std::string& title)
{
    console_.ShowMessage(text, icon, title);
}

bool CTerminalPrompt::AskYesNo(const std::string& text, const std::string& title)
{
    return ask_ ? Ask(text, "[y/N]", "y") : console_.AskYesNo(text, title);
}

bool CTerminalPrompt::AskOkCancel(const std::string& text, const std::string& title)
{
    return ask_ ? Ask(text, "Press Enter for OK, or type c and Enter to cancel:", "")
                : console_.AskOkCancel(text, title);
}

void CConsoleLines::OutputText(const std::string& text)
{
    EndBar();
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void CConsoleLines::SetProgress(uint32_t per_mille)
{
    if (per_mille == 0 && !bar_shown_) {
        return;
    }
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(per_mille * kWidth / 1000);
    std::fprintf(stderr, "\r[%s%s] %3u.%u %%", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, '.').c_str(), per_mille / 10, per_mille % 10);
    std::fflush(stderr);
    bar_shown_ = true;
    if (per_mille >= 1000) {
        EndBar();
    }
}

void CConsoleLines::EndBar()
{
    if (bar_shown_) {
        std::fprintf(stderr, "\n");
        bar_shown_ = false;
    }
}

bool CheckReadable(const std::string& path, const char* what)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    struct stat status {};
    if (fd >= 0) {
        if (fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
            error = EISDIR;
        }
        close(fd);
    }
    if (error == 0) {
        return true;
    }
    std::string reason = std::strerror(error);
    if (!reason.empty()) {
        reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    }
    CliError(Format("cannot read %s %s: %s", what, path.c_str(), reason.c_str()));
    return false;
}

bool CheckBootPort(const CliOptions& options)
{
    return CheckPortUsable(options.port ? *options.port : AppSettings::GetComPort(),
                           SerialLineSettings::BootLink());
}
