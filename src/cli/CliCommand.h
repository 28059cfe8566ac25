// zovcli's command table. Each command family lives in its own source file and registers its
// commands with a static CCliRegistration, so adding a family touches no other file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Exit statuses of every command.
constexpr int kExitSucceeded = 0;  // the function or command succeeded
constexpr int kExitFailed = 1;     // it ran and failed (function result 0)
constexpr int kExitCannotRun = 2;  // it could not run: usage, port, file

// The global options, parsed before the command.
struct CliOptions {
    std::optional<std::string> port;      // --port NAME: overrides "COM port" for this run
    std::optional<std::string> settings;  // --settings FILE
    std::optional<uint32_t> timeout_ms;   // --timeout MS: overrides "Command Timeout"
    std::string trace;                    // --trace LEVELS: letters of w, e, f, d, s
    bool yes = false;                     // --yes: answer every question with Yes/OK
};

struct CliCommand {
    const char* name;     // the first word, such as "call" or "config"
    const char* usage;    // the call form after the name, such as "NAME [ARG...]"
    const char* summary;  // one line for --help
    // Runs the command with the words after its name; returns an exit status.
    int (*run)(const CliOptions& options, const std::vector<std::string>& args);
};

class CCliRegistration {
public:
    explicit CCliRegistration(const CliCommand& command);
};

// The registered commands in name order.
std::vector<CliCommand> RegisteredCliCommands();

// Prints "zovcli: " and the text on stderr, one line.
void CliError(const std::string& text);
