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
#include "cli/CliTerminal.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "platform/SerialPort.h"
#include "platform/TextFile.h"
#include "shell/AppSettings.h"

namespace {

// Lines of the boot link on stderr (flash read keeps stdout for the data).
class CStderrOutput : public ITextOutput {
public:
    void OutputText(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

// The download's page on the terminal.
class CConsoleDownloadPage : public ISwDownloadPage {
public:
    void OutputText(const std::string& text) override { console_.OutputText(text); }
    void SetProgress(uint32_t per_mille) override { console_.SetProgress(per_mille); }
    void SetRunning(bool) override {}
    // Ends the progress bar's line before a message of the main thread.
    void EndBar() { console_.EndBar(); }

private:
    CConsoleLines console_;
};

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
    CConsoleDownloadPage page;
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
