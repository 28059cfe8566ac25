// What zovcli's boot-mode commands (download, flash read, config store and retrieve) share on
// the terminal: Ctrl-C, SIGTERM and SIGHUP that ask for an abort instead of killing a flash step
// (cli/CliInterrupt.h), the boot-mode
// question asked on the terminal (or answered by --yes), progress lines on stdout with a bar on
// stderr, and the checks of the file and the port before the engineer is asked to reset the
// board.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliInterrupt.h"
#include "platform/Prompt.h"

// Questions on the terminal when stdin is one; otherwise (or with --yes) the console prompt's
// fixed answer. Ctrl-C (or SIGTERM, SIGHUP) while a question waits answers it with Cancel.
// before_text, when set, runs before every text (it ends a progress bar's line).
class CTerminalPrompt : public IPrompt {
public:
    explicit CTerminalPrompt(bool yes, std::function<void()> before_text = nullptr);
    void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    bool AskOkCancel(const std::string& text, const std::string& title) override;

private:
    void BeforeText();

    CConsolePrompt console_;
    bool ask_;
    std::function<void()> before_text_;
};

// A page on the terminal: each line on stdout, the progress as a bar on stderr that a line or
// the end (1000) closes. A worker may write lines and progress while the main thread ends the
// bar's line before it prints a message of its own; the lock keeps the two apart.
class CConsoleLines {
public:
    void OutputText(const std::string& text);
    void SetProgress(uint32_t per_mille);
    // Ends the progress bar's line, so that the next text starts on a line of its own.
    void EndBar();

private:
    void EndBarLocked();

    std::mutex lock_;
    bool bar_shown_ = false;  // guarded by lock_
};

// Prints why the file at path cannot be read and returns false; true when it can: a regular
// file the tool may read (a FIFO or a device is refused at once, without blocking).
bool CheckReadable(const std::string& path);

// Before the engineer is asked to reset the board into boot mode: the port must be one that
// opens, or the question and the reset are for nothing and the boot link's own line ("Another
// program may be using it") misleads when the name is wrong.
bool CheckBootPort(const CliOptions& options);
