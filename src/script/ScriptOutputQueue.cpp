#include "script/ScriptOutputQueue.h"

#include "platform/Format.h"

bool CScriptOutputQueue::Push(PieceKind kind, std::string text)
{
    const bool was_empty = ready_.empty();
    // Consecutive printed text goes into one piece, so that a busy script does not pile up
    // thousands of pieces between two looks of the window.
    if (kind == PieceKind::kOutput && !ready_.empty() && ready_.back().kind == PieceKind::kOutput) {
        ready_.back().text += text;
    } else {
        ready_.push_back({kind, std::move(text)});
    }
    return was_empty;
}

void CScriptOutputQueue::ReleaseHeld()
{
    for (tagPiece& piece : held_) {
        ready_.push_back(std::move(piece));
    }
    held_.clear();
}

void CScriptOutputQueue::EndRepeats()
{
    if (repeats_ > 0) {
        Push(PieceKind::kFailedCall, RepeatLine(repeats_));
    }
    repeats_ = 0;
    last_note_.clear();
}

bool CScriptOutputQueue::AddSeparator(const SystemTime& time, const std::string& script_name)
{
    std::lock_guard<std::mutex> guard(lock_);
    const bool was_empty = ready_.empty();
    ReleaseHeld();
    EndRepeats();
    Push(PieceKind::kSeparator, SeparatorLine(time, script_name));
    return was_empty;
}

bool CScriptOutputQueue::AddOutput(const std::string& text)
{
    if (text.empty()) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    const bool was_empty = ready_.empty();
    EndRepeats();
    Push(PieceKind::kOutput, text);
    if (text.back() == '\n') {
        ReleaseHeld();
    }
    return was_empty;
}

bool CScriptOutputQueue::AddCall(const tagScriptCall& call)
{
    std::lock_guard<std::mutex> guard(lock_);
    const bool was_empty = ready_.empty();
    ReleaseHeld();
    if (IsFailure(call)) {
        std::string note = FailedCallNote(call);
        if (note == last_note_) {
            ++repeats_;
        } else {
            EndRepeats();
            last_note_ = note;
            held_.push_back({PieceKind::kFailedCall, std::move(note)});
        }
    }
    return was_empty && !ready_.empty();
}

bool CScriptOutputQueue::EndRun()
{
    std::lock_guard<std::mutex> guard(lock_);
    const bool was_empty = ready_.empty();
    ReleaseHeld();
    EndRepeats();
    return was_empty && !ready_.empty();
}

std::vector<CScriptOutputQueue::tagPiece> CScriptOutputQueue::Take()
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<tagPiece> pieces;
    pieces.swap(ready_);
    return pieces;
}

bool CScriptOutputQueue::IsFailure(const tagScriptCall& call)
{
    return call.result == 0 || (call.has_zel_result_code && call.zel_result_code != 0);
}

std::string CScriptOutputQueue::FailedCallNote(const tagScriptCall& call)
{
    std::string note = call.line > 0 ? Format("line %d: ", call.line) : std::string();
    if (call.result != 0) {
        note += Format("%s was refused by the subsystem (ZEL result code 0x%08X)",
                       call.name.c_str(), call.zel_result_code);
    } else {
        note += call.name + " failed";
    }
    if (!call.result_text.empty()) {
        note += ": " + call.result_text;
    }
    // The result text may be a reply with its own line end; the note is one line.
    while (!note.empty() && (note.back() == '\r' || note.back() == '\n')) {
        note.pop_back();
    }
    return note + "\n";
}

std::string CScriptOutputQueue::SeparatorLine(const SystemTime& time, const std::string& script_name)
{
    return Format("----- %02d:%02d:%02d %s -----\n", time.hour, time.minute, time.second,
                  script_name.c_str());
}

std::string CScriptOutputQueue::RepeatLine(uint64_t repeats)
{
    return Format("  (the same again %llu %s)\n", static_cast<unsigned long long>(repeats),
                  repeats == 1 ? "time" : "times");
}
