// zovcli: the ZOV tool without windows, for automation, for the factory and for tests.

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "cli/CliCommand.h"
#include "platform/Settings.h"

namespace {

std::map<std::string, CliCommand>& Registry()
{
    static std::map<std::string, CliCommand> commands;
    return commands;
}

void PrintHelp()
{
    std::printf(
        "usage: zovcli [OPTIONS] COMMAND [ARGS...]\n"
        "\n"
        "The ZOV tool's functions without windows. Talks to the controller board on the COM\n"
        "port of the settings, or the one given with --port (a name such as COM1 or ttyUSB0, or\n"
        "a device path such as /tmp/zovsim from zov-boardsim).\n"
        "\n"
        "options:\n"
        "  --port NAME       serial port for this run (the saved setting is not changed)\n"
        "  --settings FILE   settings file to use instead of ~/.config/KVT/Nemra/ZOV tool.reg\n"
        "  --timeout MS      command time-out for this run (default: the setting, else 5000)\n"
        "  --trace LEVELS    print tool-log lines of these levels on stderr: w(arnings),\n"
        "                    e(rrors), f(rames), d(ebug), s(cript); for example --trace wefs\n"
        "  --yes             answer every question with Yes/OK (without it a question fails)\n"
        "  --help            this text\n"
        "\n"
        "commands:\n");
    // A call form too long for the column gets its summary on a line of its own, so that no
    // line runs past the width of a terminal.
    constexpr int kFormWidth = 34;
    for (const CliCommand& command : RegisteredCliCommands()) {
        std::string form = std::string(command.name) + " " + command.usage;
        if (form.size() > static_cast<size_t>(kFormWidth)) {
            std::printf("  %s\n  %-*s %s\n", form.c_str(), kFormWidth, "", command.summary);
        } else {
            std::printf("  %-*s %s\n", kFormWidth, form.c_str(), command.summary);
        }
    }
    std::printf(
        "\n"
        "exit status:\n"
        "  0  succeeded: the function succeeded and the board accepted its request\n"
        "  1  failed: a function's result is 0; the board refused a request (a ZEL result code\n"
        "     other than 0, shown in the Result line); no reply came within the time-out; a\n"
        "     download or flash read failed, or was aborted with Ctrl-C, SIGTERM or SIGHUP\n"
        "  2  could not run: a usage mistake; a port that cannot be used; a file that cannot be\n"
        "     read (missing, not a regular file, larger than 256 MB) or written; for settings, a\n"
        "     settings file that cannot be read\n"
        "  zovcli script ends with the status the script gives os.exit, else 0 at its end and 1\n"
        "  after an error or a stop. A run ended by a signal it does not catch reports 128 plus\n"
        "  the signal's number (Ctrl-C while call waits for the board: 130).\n");
}

bool ParseTimeout(const char* text, uint32_t& value)
{
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || parsed > 0xFFFFFFFEul) {
        return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

}  // namespace

CCliRegistration::CCliRegistration(const CliCommand& command)
{
    Registry()[command.name] = command;
}

std::vector<CliCommand> RegisteredCliCommands()
{
    std::vector<CliCommand> commands;
    for (const auto& [name, command] : Registry()) {
        commands.push_back(command);
    }
    return commands;
}

void CliError(const std::string& text)
{
    std::fprintf(stderr, "zovcli: %s\n", text.c_str());
}

int main(int argc, char** argv)
{
    // A reader that stops early (zovcli read ... | head -1) must not kill the run in the middle:
    // its handler would not close the link, and the run's private settings copy would stay in
    // the temporary folder. Output to a closed pipe is simply lost instead.
    std::signal(SIGPIPE, SIG_IGN);
    CliOptions options;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        const std::string option = argv[i];
        const bool has_value = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            PrintHelp();
            return kExitSucceeded;
        } else if (option == "--yes") {
            options.yes = true;
        } else if (option == "--port" && has_value) {
            options.port = argv[++i];
        } else if (option == "--settings" && has_value) {
            options.settings = argv[++i];
        } else if (option == "--trace" && has_value) {
            options.trace = argv[++i];
            if (options.trace.find_first_not_of("wefds") != std::string::npos) {
                CliError("--trace takes letters of w, e, f, d and s, not \"" + options.trace + "\"");
                return kExitCannotRun;
            }
        } else if (option == "--timeout" && has_value) {
            uint32_t value = 0;
            if (!ParseTimeout(argv[++i], value)) {
                CliError(std::string("--timeout takes milliseconds, not \"") + argv[i] + "\"");
                return kExitCannotRun;
            }
            options.timeout_ms = value;
        } else {
            CliError("unknown option or missing value: " + option + " (see zovcli --help)");
            return kExitCannotRun;
        }
    }
    if (i >= argc) {
        PrintHelp();
        return kExitCannotRun;
    }
    if (options.settings) {
        CSettingsStore::SetFile(*options.settings);
    }
    // Said once per run: every setting the file does not give takes its default from here on.
    const std::string settings_problem = CSettingsStore::FileProblem();
    if (!settings_problem.empty()) {
        CliError(settings_problem);
    }
    const auto found = Registry().find(argv[i]);
    if (found == Registry().end()) {
        CliError(std::string("unknown command \"") + argv[i] + "\" (see zovcli --help)");
        return kExitCannotRun;
    }
    const std::vector<std::string> args(argv + i + 1, argv + argc);
    return found->second.run(options, args);
}
