// The choice of one table entry in the DCM selectors: "Function Selector" offers the input
// functions, "Condition Selector" the output conditions. Both list the entries by their display
// texts in alphabetical order, ask for a parameter only when the entry takes a user value, and
// make the new list entry from the choice. The window's selector dialogs are a thin shell over
// these classes. GUI thread (or any one thread).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/DcmLists.h"
#include "config/DcmTables.h"

class CFuncSelection {
public:
    CFuncSelection();

    // The entries in the order the list shows them: by display text, case ignored.
    const std::vector<const tagInputFuncEntry*>& Entries() const { return entries_; }
    std::vector<std::string> Texts() const;

    // Selects the entry at row of Entries(); -1 (or any row outside) selects none.
    void Select(int row);
    int Selected() const { return selected_; }
    const tagInputFuncEntry* SelectedEntry() const;

    // "Parameter:" is asked for entries that take a user value, "Wrap" for the step entries.
    bool AsksParameter() const;
    bool OffersWrap() const;

    void SetParameter(int32_t parameter) { parameter_ = parameter; }
    void SetWrap(bool wrap) { wrap_ = wrap; }

    // The function to append: the entry's keyword, the parameter (0 when the entry takes none)
    // and the wrap flag (off for entries that do not offer it). None while nothing is selected.
    std::optional<tagInputFunc> Result() const;

private:
    std::shared_ptr<const CInputFuncTable> table_;
    std::vector<const tagInputFuncEntry*> entries_;
    int selected_ = -1;
    int32_t parameter_ = 0;
    bool wrap_ = false;
};

class CCondSelection {
public:
    CCondSelection();

    const std::vector<const tagOutputCondEntry*>& Entries() const { return entries_; }
    std::vector<std::string> Texts() const;

    void Select(int row);
    int Selected() const { return selected_; }
    const tagOutputCondEntry* SelectedEntry() const;

    bool AsksParameter() const;

    // "High on:" (the default) or "Low on:".
    void SetHigh(bool high) { high_ = high; }
    bool High() const { return high_; }
    void SetParameter(int32_t parameter) { parameter_ = parameter; }

    // The condition to append: the transition, the entry's keyword and the parameter, or the
    // entry's own value when it takes none (what reading the written text gives back). None
    // while nothing is selected.
    std::optional<tagOutputCond> Result() const;

private:
    std::shared_ptr<const COutputCondTable> table_;
    std::vector<const tagOutputCondEntry*> entries_;
    int selected_ = -1;
    bool high_ = true;
    int32_t parameter_ = 0;
};
