// zov-boardsim: a simulated controller board on a pseudo-terminal, for rehearsing with the tool
// and for testing it without an X-ray system.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BoardSimulator.h"

namespace {

const char kHelp[] =
    "Usage: zov-boardsim [--link PATH] [options]\n"
    "\n"
    "Simulates the controller board of the Nemra subsystem on a pseudo-terminal. Start the\n"
    "tool with PATH (or the printed device) as its \"COM port\". The board answers as the\n"
    "running subsystem (frames at 19200 baud 7E1); a 0x00 byte outside a frame resets it into\n"
    "boot mode (bootstrap loader and boot monitor, 38400 baud 8N1), and a frame start '$'\n"
    "there resets it back into the running subsystem. When ready it prints one line\n"
    "\"ready PATH\" on standard output, then serves until SIGINT or SIGTERM.\n"
    "\n"
    "Options:\n"
    "  --link PATH         make PATH a symbolic link to the device (removed on exit)\n"
    "  --scenario FILE     subsystem values from an ini file (see sim/README.md)\n"
    "  --state FILE        keep flash, calibration data and parameter buffers in FILE\n"
    "                      between runs (written atomically)\n"
    "  --board NAME        board model in boot mode: XC167 (default) or XC167X\n"
    "  --baud-emulation    pace every byte at the line's real speed (10 bit times per\n"
    "                      character at 19200 baud in runtime mode, 38400 in boot mode)\n"
    "  -v, --verbose       readable trace of every frame and boot exchange on stderr\n"
    "  --fault NAME=RATE   make a fault strike with probability RATE (0 to 1) ...\n"
    "  --fault NAME=Nx     ... or N times, or N times after M untouched chances (Nx@M)\n"
    "  --seed N            seed of the fault generators (default 1: runs repeat)\n"
    "  --reply-delay MS    delay of the \"delay\" fault (default 3000)\n"
    "  --result-code CODE  result code of the \"result\" fault (default 0x08000000)\n"
    "  --driver-error CODE flash driver result of the \"boot-driver\" fault (default 0x0010)\n"
    "  --help              this text\n"
    "\n"
    "Faults: corrupt (wrong checksum), drop (frame not sent), refuse (good frame answered\n"
    "'N'), duplicate (data frame sent twice), noise (bytes before a frame), split (frame cut\n"
    "by a 300 ms gap), delay (reply late), lose (reply never sent), result (chosen result\n"
    "code); boot-id (wrong identification byte), boot-loader (no 0x01), boot-monitor (no\n"
    "0x03), boot-checksum (wrong block checksum), boot-driver (driver error code),\n"
    "boot-hang (the board stops answering in a monitor command until it is reset).\n";

bool ParseNumber(const char* text, unsigned long long limit, unsigned long long* value)
{
    char* end = nullptr;
    errno = 0;
    *value = std::strtoull(text, &end, 0);
    return errno == 0 && end != text && *end == '\0' && *value <= limit && text[0] != '-';
}

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "zov-boardsim: %s\nTry zov-boardsim --help.\n", problem.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    BoardSimOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char** out) {
            if (i + 1 >= argc) {
                return false;
            }
            *out = argv[++i];
            return true;
        };
        const char* v = nullptr;
        unsigned long long number = 0;
        std::string error;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--baud-emulation") {
            options.baud_emulation = true;
        } else if (arg == "--link" && value(&v)) {
            options.link_path = v;
        } else if (arg == "--scenario" && value(&v)) {
            options.scenario_file = v;
        } else if (arg == "--state" && value(&v)) {
            options.state_file = v;
        } else if (arg == "--board" && value(&v)) {
            options.board = v;
        } else if (arg == "--fault" && value(&v)) {
            if (!options.faults.Parse(v, &error)) {
                return Usage(error);
            }
        } else if (arg == "--seed" && value(&v)) {
            if (!ParseNumber(v, 0xFFFFFFFFull, &number)) {
                return Usage("bad seed");
            }
            options.faults.seed = static_cast<uint32_t>(number);
        } else if (arg == "--reply-delay" && value(&v)) {
            if (!ParseNumber(v, 600000, &number)) {
                return Usage("bad reply delay");
            }
            options.faults.reply_delay_ms = static_cast<uint32_t>(number);
        } else if (arg == "--result-code" && value(&v)) {
            if (!ParseNumber(v, 0xFFFFFFFFull, &number)) {
                return Usage("bad result code");
            }
            options.faults.result_code = static_cast<uint32_t>(number);
        } else if (arg == "--driver-error" && value(&v)) {
            if (!ParseNumber(v, 0xFFFF, &number)) {
                return Usage("bad driver error code");
            }
            options.faults.driver_error = static_cast<uint16_t>(number);
        } else {
            return Usage("unknown or incomplete option " + arg);
        }
    }

    // The board's thread inherits this mask, so the two signals reach only sigwait below.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    CBoardSimulator board(options);
    std::string error;
    if (!board.Start(&error)) {
        std::fprintf(stderr, "zov-boardsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("ready %s\n", board.DevicePath().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    board.Stop();
    return 0;
}
