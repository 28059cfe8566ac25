// zovcli download, hex info and flash read: the boot link's functions from the command line.
// Lines go to stdout (for flash read, whose stdout carries the data, to stderr), the progress bar
// to stderr; Ctrl-C, SIGTERM and SIGHUP abort a download between two steps.

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "boot/BootCommHandler.h"
#include "boot/HexBinFile.h"
#include "boot/SwDownload.h"
#include "cli/CliCommand.h"
#include "cli/CliInterrupt.h"
#include "cli/CliSession.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "platform/SerialPort.h"
#include "platform/TextFile.h"
#include "shell/AppSettings.h"

namespace {

// Questions on the terminal when stdin is one; otherwise (or with --yes) the console prompt's
// fixed answer. Ctrl-C while a question waits answers it with Cancel.
// before_text, when set, runs before every text (it ends a progress bar's line).
class CTerminalPrompt : public IPrompt {
public:
    explicit CTerminalPrompt(bool yes, std::function<void()> before_text = nullptr)
        : console_(yes), ask_(!yes && isatty(STDIN_FILENO) != 0), before_text_(std::move(before_text))
    {
    }

    void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) override
    {
        BeforeText();
        console_.ShowMessage(text, icon, title);
    }
    bool AskYesNo(const std::string& text, const std::string& title) override
    {
        BeforeText();
        return ask_ ? Ask(text, "[y/N]", "y") : console_.AskYesNo(text, title);
    }
    bool AskOkCancel(const std::string& text, const std::string& title) override
    {
        BeforeText();
        return ask_ ? Ask(text, "Press Enter for OK, or type c and Enter to cancel:", "") : console_.AskOkCancel(text, title);
    }

private:
    static bool Ask(const std::string& text, const char* hint, const char* yes)
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

    void BeforeText()
    {
        if (before_text_) {
            before_text_();
        }
    }

    CConsolePrompt console_;
    bool ask_;
    std::function<void()> before_text_;
};

// The download's page on the terminal. The worker thread writes lines and progress, the main
// thread ends the bar's line before it prints a message of its own; the lock keeps the two apart.
class CConsolePage : public ISwDownloadPage {
public:
    void OutputText(const std::string& text) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        EndBarLocked();
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }
    void SetProgress(uint32_t per_mille) override
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
    void SetRunning(bool) override {}

    // Ends the progress bar's line, so that the next text starts on a line of its own.
    void EndBar()
    {
        std::lock_guard<std::mutex> guard(lock_);
        EndBarLocked();
    }

private:
    void EndBarLocked()
    {
        if (bar_shown_) {
            std::fprintf(stderr, "\n");
            std::fflush(stderr);
            bar_shown_ = false;
        }
    }
    std::mutex lock_;
    bool bar_shown_ = false;
};

// Lines of the boot link on stderr (flash read keeps stdout for the data).
class CStderrOutput : public ITextOutput {
public:
    void OutputText(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

// Prints why the file at path cannot be read and returns false; true when it can: a regular
// file the tool may read (a FIFO or a device is refused at once).
bool CheckReadable(const std::string& path)
{
    std::string error_text;
    if (CheckInputFile(path, &error_text) == ReadFileResult::Ok) {
        return true;
    }
    CliError(error_text);
    return false;
}

// Before the engineer is asked to reset the board into boot mode: the port must be one that
// opens, or the question and the reset are for nothing and the boot link's own line ("Another
// program may be using it") misleads when the name is wrong.
bool CheckBootPort(const CliOptions& options)
{
    return CheckPortUsable(options.port ? *options.port : AppSettings::GetComPort(),
                           SerialLineSettings::BootLink());
}

bool ParseNumber(const std::string& text, uint32_t& value)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || text[0] == '-' || *end != '\0' || errno != 0 || parsed > 0xFFFFFFFFull) {
        return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

int RunDownload(const CliOptions& options, const std::vector<std::string>& args)
{
    std::string file;
    bool verify = false;
    for (const std::string& arg : args) {
        if (arg == "--verify") {
            verify = true;
        } else if (file.empty() && arg.rfind("--", 0) != 0) {
            file = arg;
        } else {
            file.clear();
            break;
        }
    }
    if (file.empty()) {
        CliError("usage: zovcli download FILE.hex [--verify]");
        return kExitCannotRun;
    }
    if (!CheckReadable(file) || !CheckBootPort(options)) {
        return kExitCannotRun;
    }
    CConsolePage page;
    CTerminalPrompt prompt(options.yes, [&page] { page.EndBar(); });
    CScopedPrompt scoped(prompt);
    CCliInterruptGuard interrupt;
    CSwDownload download(page);
    if (options.port) {
        download.BootHandler().SetPortOverride(*options.port);
    }
    if (!download.StartDownload(file, verify)) {
        CliError("the download could not be started");
        return kExitCannotRun;
    }
    while (!download.WaitForEnd(100)) {
        if (CliInterruptRequested()) {
            download.AbortDownload();
            break;
        }
    }
    return download.Result() == 0 ? kExitSucceeded : kExitFailed;
}

int RunHex(const CliOptions& options, const std::vector<std::string>& args)
{
    uint32_t bound = CHexBinFile::kNoBound;
    std::string file;
    bool usage_ok = !args.empty() && args[0] == "info";
    for (size_t i = 1; usage_ok && i < args.size(); ++i) {
        if (args[i] == "--bound" && i + 1 < args.size()) {
            usage_ok = ParseNumber(args[++i], bound);
        } else if (file.empty() && args[i].rfind("--", 0) != 0) {
            file = args[i];
        } else {
            usage_ok = false;
        }
    }
    if (!usage_ok || file.empty()) {
        CliError("usage: zovcli hex info FILE.hex [--bound N]");
        return kExitCannotRun;
    }
    if (!CheckReadable(file)) {
        return kExitCannotRun;
    }
    CConsolePrompt prompt(options.yes);
    CScopedPrompt scoped(prompt);
    CHexBinFile image(file);
    if (!image.Load(bound)) {
        return kExitFailed;
    }
    uint64_t total = 0;
    size_t count = 0;
    const tagDataBlock* position = image.GetFirstBlock();
    while (position != nullptr) {
        uint32_t address = 0;
        uint32_t size = 0;
        image.GetNextBlock(position, address, size);
        std::printf("0x%06x 0x%06x\n", address, size);
        total += size;
        ++count;
    }
    std::printf("%zu blocks, %llu bytes\n", count, static_cast<unsigned long long>(total));
    return kExitSucceeded;
}

void HexDump(uint32_t address, const std::vector<uint8_t>& data)
{
    for (size_t row = 0; row < data.size(); row += 16) {
        std::string hex;
        std::string text;
        for (size_t i = row; i < row + 16; ++i) {
            if (i < data.size()) {
                hex += Format("%02x ", data[i]);
                text += data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '.';
            } else {
                hex += "   ";
            }
        }
        std::printf("%06x: %s|%s|\n", static_cast<unsigned>(address + row), hex.c_str(), text.c_str());
    }
}

int RunFlash(const CliOptions& options, const std::vector<std::string>& args)
{
    uint32_t address = 0;
    uint32_t length = 0;
    std::string out;
    bool usage_ok = args.size() >= 3 && args[0] == "read" && ParseNumber(args[1], address) &&
                    ParseNumber(args[2], length) && length > 0 && address <= 0xFFFFFF && uint64_t{address} + length <= 0x1000000;
    for (size_t i = 3; usage_ok && i < args.size(); ++i) {
        if (args[i] == "--out" && i + 1 < args.size() && out.empty()) {
            out = args[++i];
        } else {
            usage_ok = false;
        }
    }
    if (!usage_ok) {
        CliError("usage: zovcli flash read ADDRESS LENGTH [--out FILE] (LENGTH at least 1, within the 24-bit address space)");
        return kExitCannotRun;
    }
    // A file that cannot be written is told before the board is reset into boot mode, not after
    // the whole read.
    std::string error_text;
    if (!out.empty() && !CheckFileWritable(out, &error_text)) {
        CliError(error_text);
        return kExitCannotRun;
    }
    if (!CheckBootPort(options)) {
        return kExitCannotRun;
    }
    CTerminalPrompt prompt(options.yes);
    CScopedPrompt scoped(prompt);
    CCliInterruptGuard interrupt;
    CStderrOutput lines;
    CBootCommHandler boot(lines);
    if (options.port) {
        boot.SetPortOverride(*options.port);
    }
    if (!AskOkCancel(CSwDownload::kBootModePrompt) || !boot.Boot()) {
        return kExitFailed;
    }
    // Steps small enough to arrive well within the link's read time-out.
    constexpr uint32_t kStep = 1024;
    std::vector<uint8_t> data(length);
    for (uint32_t done = 0; done < length; done += kStep) {
        if (CliInterruptRequested()) {
            CliError("the flash read was aborted");
            return kExitFailed;
        }
        const uint32_t n = std::min(kStep, length - done);
        uint8_t return_byte = 0;
        if (!boot.ReadBlock(address + done, n, data.data() + done, return_byte)) {
            lines.OutputText(Format("Reading block failed: address = 0x%06x, size = 0x%06x.", address + done, n));
            lines.OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            return kExitFailed;
        }
    }
    if (out.empty()) {
        HexDump(address, data);
    } else if (!WriteFileAtomically(out, std::string(data.begin(), data.end()))) {
        CliError("cannot write " + out);
        return kExitCannotRun;
    }
    return kExitSucceeded;
}

const CCliRegistration kDownload({"download", "FILE.hex [--verify]",
                                  "write firmware into flash in boot mode (Ctrl-C aborts)", RunDownload});
const CCliRegistration kHex({"hex", "info FILE.hex [--bound N]", "list an Intel HEX image's blocks after joining",
                             RunHex});
const CCliRegistration kFlash({"flash", "read ADDRESS LENGTH [--out FILE]",
                               "read board memory in boot mode: a hex dump, or raw into FILE", RunFlash});

}  // namespace
