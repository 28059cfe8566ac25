// The DCM input-function and output-condition lists: the entries a DCM item holds, and the text
// form in which the configuration stores them, with its readers and writers and the texts under
// which the editors present the entries.
//
// Input-function text:   Set(0x2821,34,5);ModifyAndWrap(0x2821,36,1);Set(0x2000,3)
// Output-condition text: High(0x2021,16,>,3);Low(0x2000,4)
//
// The readers report every element they cannot use in a message box (through the process's
// prompt) and go on with the next element: reading never fails as a whole. Elements they cannot
// match become "UNKNOWN" entries, which the writers drop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/DcmTables.h"

// The keyword of an entry that names no table entry.
extern const char kDcmUnknownKeyword[];

// The element that makes the subsystem apply new settings (object 0x2000, subindex 3).
extern const char kDcmActivateSettings[];

struct tagInputFunc {
    std::string Keyword;  // an input-function keyword, or "UNKNOWN"
    int32_t Value = 0;    // the user's value for entries that take one, else the entry's value
    bool Wrap = false;    // read from a "ModifyAndWrap(" element

    bool operator==(const tagInputFunc&) const = default;
};

struct tagOutputCond {
    bool High = false;    // the output goes high (else low) when the condition holds
    std::string Keyword;  // an output-condition keyword, or "UNKNOWN"
    int32_t Value = 0;    // the user's value for entries that take one, else the entry's value

    bool operator==(const tagOutputCond&) const = default;
};

// Appends the functions of text to functions. Tabs and blanks anywhere are ignored.
void ReadInputFuncList(const std::string& text, const CInputFuncTable& table,
                       std::vector<tagInputFunc>& functions);

// The text of functions, with the activate-settings command once, at the end, when any
// function needs it. Functions whose keyword is not in the table contribute nothing.
std::string WriteInputFuncList(const std::vector<tagInputFunc>& functions, const CInputFuncTable& table);

// Appends the conditions of text to conditions; conditions it cannot match are put in front, as
// "UNKNOWN" low conditions with value 0.
void ReadOutputCondList(const std::string& text, const COutputCondTable& table,
                        std::vector<tagOutputCond>& conditions);

// The text of conditions. A condition whose keyword is not in the table is written as a bare
// "Low(" or "High(".
std::string WriteOutputCondList(const std::vector<tagOutputCond>& conditions, const COutputCondTable& table);

// "ContrastSet(5)", "BrightnessUp with wrapping": how the editors list one function.
std::string InputFuncPresentation(const tagInputFunc& function, const CInputFuncTable& table);

// "Output High on IiFormatHigher(3)": how the DCM output editor lists one condition.
std::string OutputCondPresentation(const tagOutputCond& condition, const COutputCondTable& table);

// The value cell of a DcmInput row: the presentations joined by "; ".
std::string InputFuncListPresentation(const std::vector<tagInputFunc>& functions, const CInputFuncTable& table);

// The value cell of a DcmOutput row: "High on " or "Low on ", the keyword and "(%d)" for entries
// with a user value, joined by "; ".
std::string OutputCondListPresentation(const std::vector<tagOutputCond>& conditions,
                                       const COutputCondTable& table);
