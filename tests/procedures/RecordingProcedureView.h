// A procedure view for the tests: it keeps what the procedure shows (texts, visibility, enabled
// and checked state of every control), records each change in order, answers questions from a
// queue, takes entry texts from the test and records message boxes and pauses instead of
// showing or sleeping. Thread-safe.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "procedures/ProcedureView.h"

class CRecordingProcedureView : public IProcedureView {
public:
    void SetText(const std::string& control, const std::string& text) override;
    void SetTextRed(const std::string& control, bool red) override;
    void Show(const std::string& control, bool shown) override;
    void Enable(const std::string& control, bool enabled) override;
    void Check(const std::string& control, bool checked) override;
    std::string EntryText(const std::string& control) override;
    bool AskYesNo(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void Sleep(uint32_t ms) override;

    // What a control shows now ("" when it never got a text).
    std::string Text(const std::string& control) const;
    bool Red(const std::string& control) const;
    // Controls are visible and enabled until told otherwise.
    bool Shown(const std::string& control) const;
    bool Enabled(const std::string& control) const;
    bool Checked(const std::string& control) const;
    // Every text a control got, in order.
    std::vector<std::string> TextsOf(const std::string& control) const;

    // What the engineer types into an entry.
    void Type(const std::string& control, const std::string& text);
    // Answers to the next questions; No once the queue is empty.
    void QueueAnswers(std::initializer_list<bool> answers);
    std::vector<std::string> Questions() const;
    std::vector<std::string> Messages() const;
    std::vector<uint32_t> Sleeps() const;

private:
    mutable std::mutex lock_;
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::vector<std::string>> history_;
    std::map<std::string, bool> red_, shown_, enabled_, checked_;
    std::map<std::string, std::string> typed_;
    std::deque<bool> answers_;
    std::vector<std::string> questions_, messages_;
    std::vector<uint32_t> sleeps_;
};
