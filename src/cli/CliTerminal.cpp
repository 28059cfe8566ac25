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
#include "platform/InputFile.h"
#include "platform/SerialPort.h"
#include "shell/AppSettings.h"

namespace {

bool Ask(const std::string& text, const char* hint, const char* yes)
{
    std::fprintf(stderr, "%s\n%s ", text.c_str(), hint);
    std::fflush(stderr);
    std::string answer;
    while (true) {
        if (CliInterruptRequested()) {
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

CTerminalPrompt::CTerminalPrompt(bool yes, std::function<void()> before_text)
    : console_(yes), ask_(!yes && isatty(STDIN_FILENO) != 0), before_text_(std::move(before_text))
{
}

void CTerminalPrompt::BeforeText()
{
    if (before_text_) {
        before_text_();
    }
}

void CTerminalPrompt::ShowMessage(const std::string& text, PromptIcon icon, const std::string& title)
{
    BeforeText();
    console_.ShowMessage(text, icon, title);
}

bool CTerminalPrompt::AskYesNo(const std::string& text, const std::string& title)
{
    BeforeText();
    return ask_ ? Ask(text, "[y/N]", "y") : console_.AskYesNo(text, title);
}

bool CTerminalPrompt::AskOkCancel(const std::string& text, const std::string& title)
{
    BeforeText();
    return ask_ ? Ask(text, "Press Enter for OK, or type c and Enter to cancel:", "")
                : console_.AskOkCancel(text, title);
}

void CConsoleLines::OutputText(const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock_);
    EndBarLocked();
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void CConsoleLines::SetProgress(uint32_t per_mille)
{
    std::lock_guard<std::mutex> guard(lock_);
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
        EndBarLocked();
    }
}

void CConsoleLines::EndBar()
{
    std::lock_guard<std::mutex> guard(lock_);
    EndBarLocked();
}

void CConsoleLines::EndBarLocked()
{
    if (bar_shown_) {
        std::fprintf(stderr, "\n");
        std::fflush(stderr);
        bar_shown_ = false;
    }
}

bool CheckReadable(const std::string& path)
{
    std::string error_text;
    if (CheckInputFile(path, &error_text) == ReadFileResult::Ok) {
        return true;
    }
    CliError(error_text);
    return false;
}

bool CheckBootPort(const CliOptions& options)
{
    return CheckPortUsable(options.port ? *options.port : AppSettings::GetComPort(),
                           SerialLineSettings::BootLink());
}
