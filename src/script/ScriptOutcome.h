// How a script run ended, as the engine reports it to the window and to zovcli.
#pragma once

#include <string>

enum class ScriptOutcome {
    kNone,       // no script has run yet
    kRunning,    // a script is running now
    kSucceeded,  // the script ran to its end, or called os.exit with status 0 (or true)
    kFailed,     // a syntax or run-time error ended it, or os.exit with another status
    kStopped,    // it ended because a stop was requested
};

// The whole result of one run.
struct tagScriptResult {
    ScriptOutcome outcome = ScriptOutcome::kNone;
    // The error as "chunk:line: message" when the outcome is kFailed by an error; empty otherwise.
    std::string error_text;
    // 0 when the script succeeded, the status given to os.exit, else 1.
    int exit_status = 1;
    // The script's line the error points at (the call that raised it); 0 when none is known.
    int error_line = 0;
};

// "none", "running", "succeeded", "failed" or "stopped", for logs and messages.
const char* ScriptOutcomeName(ScriptOutcome outcome);
