// The state and rules of the "DCM Input Editor": one input line's definition for one transition
// (its list of input functions) with the line's three bytes of the "DCM Debounce", "DCM Mode"
// and "DCM PrioIO" tables. The editor works on copies; the caller takes the results only when
// the engineer presses OK, so Cancel changes nothing.
//
// Functions with the keyword "UNKNOWN" cannot be shown or written; the editor leaves them out
// and says so once for each when it opens, so that the engineer can still cancel and keep them.
// GUI thread (or any one thread).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/DcmLists.h"
#include "config/DcmTables.h"

class CDcmInputEdit {
public:
    static constexpr int kMinLine = 1;
    static constexpr int kMaxLine = 128;
    static constexpr int kMaxDebounceMs = 255;

    static const char kUnknownMessage[];

    enum class Transition { HighToLow, LowToHigh };

    // name: "DCM i<line>:<code>"; the line is taken from it (kept within 1 to 128) and its last
    // character selects the transition: "0" High to Low, "1" Low to High, "2" a single-action
    // line (no transition to choose); anything else offers the transition with Low to High.
    // mode and priority are the line's table bytes; values outside 1 to 3 select no button and
    // come back unchanged unless the engineer picks one.
    CDcmInputEdit(const std::string& name, const std::vector<tagInputFunc>& functions, uint8_t debounce,
                  uint8_t mode, uint8_t priority);

    // How many "UNKNOWN" functions were left out, and one message box for each.
    int UnknownCount() const { return unknown_count_; }
    void ShowUnknownMessages() const;

    int Line() const { return line_; }
    // Kept within 1 to 128.
    void SetLine(int line);

    // False for a single-action line: the transition controls are hidden.
    bool TransitionShown() const { return transition_shown_; }
    Transition GetTransition() const { return transition_; }
    void SetTransition(Transition transition) { transition_ = transition; }

    uint8_t Mode() const { return mode_; }
    // The mode buttons: dual action offers the transition and selects Low to High; a single
    // action hides it.
    void SetMode(uint8_t mode);

    uint8_t Priority() const { return priority_; }
    void SetPriority(uint8_t priority) { priority_ = priority; }

    uint8_t Debounce() const { return debounce_; }
    void SetDebounce(int debounce_ms);

    const std::vector<tagInputFunc>& Functions() const { return functions_; }
    void AddFunction(const tagInputFunc& function) { functions_.push_back(function); }
    // Removes the function at position; false when there is none.
    bool RemoveFunction(int position);
    // How the list shows each function ("ContrastSet(5)", "BrightnessUp with wrapping").
    std::vector<std::string> Presentations() const;

    // "DCM i%d:%s" with "02" for a single-action line, else "00" or "01" by the transition.
    std::string Name() const;

private:
    std::shared_ptr<const CInputFuncTable> table_;
    std::vector<tagInputFunc> functions_;
    int unknown_count_ = 0;
    int line_ = kMinLine;
    bool transition_shown_ = true;
    Transition transition_ = Transition::LowToHigh;
    uint8_t mode_;
    uint8_t priority_;
    uint8_t debounce_;
};
