// What a script run shows, in order: the text it prints, and a note for each registered function
// that failed, so that a failed call is seen and not only its bare outputs. The engine thread adds
// to the queue; the window's thread takes the pieces and shows them (the notes in red).
//
// A note follows the printed line that carries the call's outputs: it is held back until the
// next printed line ends, the next call returns or the run ends, so that print(R(0x9999, 1))
// shows the values and below them why the call failed.
//
// A loop whose calls all fail the same way (a board that went away under it) would add one note
// per pass: a note equal to the one before, with nothing printed between them, is counted
// instead, and one line says how often it came again once something else is shown.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/SystemTime.h"
#include "script/ScriptFunction.h"

class CScriptOutputQueue {
public:
    enum class PieceKind {
        kOutput,      // printed text, with its line ends
        kFailedCall,  // a note on a failed call, one line with its line end
        kSeparator,   // the line that starts a run, with its line end
    };
    struct tagPiece {
        PieceKind kind;
        std::string text;
    };

    // Each adder returns true when the queue was empty before (the caller then asks the
    // window's thread to take it once). Any thread.
    bool AddSeparator(const SystemTime& time, const std::string& script_name);
    bool AddOutput(const std::string& text);
    bool AddCall(const tagScriptCall& call);
    // The run has ended: held notes follow now.
    bool EndRun();

    // Takes every piece ready to be shown, oldest first; held notes stay. Any thread.
    std::vector<tagPiece> Take();

    // True for a call that failed (result 0) or that the subsystem refused (a ZEL result code
    // other than 0 although the link worked).
    static bool IsFailure(const tagScriptCall& call);
    // "line 3: R failed: <result text>", or for a refusal "line 3: R was refused by the subsystem
    // (ZEL result code 0x06020000): <result text>" (without the line part when the line is
    // unknown, without the text part when it is empty), with its line end.
    static std::string FailedCallNote(const tagScriptCall& call);
    // "----- 14:03:22 check.lua -----" with its line end.
    static std::string SeparatorLine(const SystemTime& time, const std::string& script_name);
    // "  (the same again 41 times)" with its line end.
    static std::string RepeatLine(uint64_t repeats);

private:
    bool Push(PieceKind kind, std::string text);
    void ReleaseHeld();
    // Shows the count of folded notes, if any, and starts folding afresh.
    void EndRepeats();

    std::mutex lock_;
    std::vector<tagPiece> ready_;  // guarded by lock_
    std::vector<tagPiece> held_;   // guarded by lock_: notes waiting for their printed line
    std::string last_note_;        // guarded by lock_: the note that repeats are compared with
    uint64_t repeats_ = 0;         // guarded by lock_: how often last_note_ came again
};
