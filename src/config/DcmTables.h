// The two fixed tables that give the DCM input functions and output conditions their names.
// Every function and condition is an access to one Object Dictionary object; the tables map
// between the (index, subindex, value) that the subsystem understands and the keyword and
// display text that the engineer sees. Both tables are process-wide, read-only and shared: the
// first Acquire creates a table, and it is destroyed when the last reference is released. Every
// CConfig, DCM item and DCM editor holds a reference while it lives.
//
// Lookups return the first entry in table order that matches, or nullptr. The returned entries
// live as long as the table reference that found them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

// How an input function changes its object.
enum EInputFuncKind : int32_t {
    kInputFuncSet = 0,       // writes the value
    kInputFuncModify = 1,    // adds the user's step
    kInputFuncToggle = 2,    // toggles
    kInputFuncStep = 3,      // steps up or down by the value, with or without wrapping
};

// How an output condition compares its object with the value.
enum EOutputCondOperator : int32_t {
    kOutputCondEqual = 0,
    kOutputCondLower = 1,
    kOutputCondHigher = 2,
    kOutputCondNone = 3,  // the condition only names the object
};

struct tagInputFuncEntry {
    const char* Keyword;
    bool UserValue;     // the engineer supplies the value
    const char* Text;   // display text for the selectors
    int32_t Kind;       // EInputFuncKind
    uint16_t Index;
    uint8_t SubIndex;
    int32_t Value;      // the fixed value or step
    bool Activate;      // must be followed by the activate-settings command
};

struct tagOutputCondEntry {
    const char* Keyword;
    bool UserValue;
    const char* Text;
    uint16_t Index;
    uint8_t SubIndex;
    int32_t Operator;   // EOutputCondOperator
    int32_t Value;      // compared with when the entry takes no user value
};

class CInputFuncTable {
public:
    // A reference to the shared table. Any thread.
    static std::shared_ptr<const CInputFuncTable> Acquire();

    int GetCount() const;
    // The entry at position 0 .. GetCount()-1, else nullptr.
    const tagInputFuncEntry* GetEntry(int position) const;
    // The first entry whose keyword equals keyword exactly.
    const tagInputFuncEntry* Find(const std::string& keyword) const;
    // The first entry with that index and subindex whose kind is Set (mode 0) or any of
    // Modify, Toggle and Step (mode 1). Index and subindex are taken whole, so a number that
    // does not fit the object's 16 or 8 bits matches nothing.
    const tagInputFuncEntry* Find(int mode, uint32_t index, uint32_t subindex) const;
    // As above, with the entry's value equal to value too.
    const tagInputFuncEntry* Find(int mode, uint32_t index, uint32_t subindex, int32_t value) const;

    CInputFuncTable() = default;
    CInputFuncTable(const CInputFuncTable&) = delete;
    CInputFuncTable& operator=(const CInputFuncTable&) = delete;
};

class COutputCondTable {
public:
    static std::shared_ptr<const COutputCondTable> Acquire();

    int GetCount() const;
    const tagOutputCondEntry* GetEntry(int position) const;
    const tagOutputCondEntry* Find(const std::string& keyword) const;
    // The first entry with that operator, index and subindex.
    const tagOutputCondEntry* Find(int32_t op, uint32_t index, uint32_t subindex) const;
    // As above, with the entry's value equal to value too.
    const tagOutputCondEntry* Find(int32_t op, uint32_t index, uint32_t subindex, int32_t value) const;

    COutputCondTable() = default;
    COutputCondTable(const COutputCondTable&) = delete;
    COutputCondTable& operator=(const COutputCondTable&) = delete;
};
