// How a script run ended, as the engine reports it to the window and to zovcli.
#pragma once

enum class ScriptOutcome {
    kNone,       // no script has run yet
    kRunning,    // a script is running now
    kSucceeded,  // the script ran to its end, or called os.exit with status 0 (or true)
    kFailed,     // a syntax or run-time error ended it, or os.exit with another status
    kStopped,    // it ended because a stop was requested
};

// "none", "running", "succeeded", "failed" or "stopped", for logs and messages.
const char* ScriptOutcomeName(ScriptOutcome outcome);
