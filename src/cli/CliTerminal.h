// What zovcli's boot-mode commands (download, flash read, config store and retrieve) share on
// the terminal: Ctrl-C that asks for an abort instead of killing a flash step, the boot-mode
// question asked on the terminal (or answered by --yes), progress lines on stdout with a bar on
// stderr, and the checks of the file and the port before the engineer is asked to reset the
// board.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cli/CliCommand.h"
#include "platform/Prompt.h"

// Catches Ctrl-C for the guard's lifetime; CliInterrupted() tells whether it came.
class CInterruptGuard {
public:
    CInterruptGuard();
    ~CInterruptGuard();
    CInterruptGuard(const CInterruptGuard&) = delete;
    CInterruptGuard& operator=(const CInterruptGuard&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> previous_;
};

// True once Ctrl-C came while a guard lives. Any thread.
bool CliInterrupted();

// Questions on the terminal when stdin is one; otherwise (or with --yes) the console prompt's
// fixed answer. Ctrl-C while a question waits answers it with Cancel.
class CTerminalPrompt : public IPrompt {
public:
    explicit CTerminalPrompt(bool yes);
    void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    bool AskOkCancel(const std::string& text, const std::string& title) override;

private:
    CConsolePrompt console_;
    bool ask_;
};

// A page on the terminal: each line on stdout, the progress as a bar on stderr that a line or
// the end (1000) closes. One thread at a time.
class CConsoleLines {
public:
    void OutputText(const std::string& text);
    void SetProgress(uint32_t per_mille);

private:
    void EndBar();
    bool bar_shown_ = false;
};

// Prints why the file at path cannot be read and returns false; true when it can. what names
// the file for the engineer ("the image").
bool CheckReadable(const std::string& path, const char* what);

// Before the engineer is asked to reset the board into boot mode: the port must be one that
// opens, or the question and the reset are for nothing and the boot link's own line ("Another
// program may be using it") misleads when the name is wrong.
bool CheckBootPort(const CliOptions& options);
