#include "script/ScriptOutcome.h"

const char* ScriptOutcomeName(ScriptOutcome outcome)
{
    switch (outcome) {
    case ScriptOutcome::kNone:
        return "none";
    case ScriptOutcome::kRunning:
        return "running";
    case ScriptOutcome::kSucceeded:
        return "succeeded";
    case ScriptOutcome::kFailed:
        return "failed";
    case ScriptOutcome::kStopped:
        return "stopped";
    }
    return "unknown";
}
