// The state and rules of the "DCM Output Editor": one output line's list of conditions. Like the
// input editor it works on a copy, leaves "UNKNOWN" conditions out with one message for each
// when it opens, and hands its results over only on OK. GUI thread (or any one thread).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "config/DcmLists.h"
#include "config/DcmTables.h"

class CDcmOutputEdit {
public:
    static constexpr int kMinLine = 1;
    static constexpr int kMaxLine = 128;

    static const char kUnknownMessage[];

    // name: "DCM o<line>"; the line is taken from it and kept within 1 to 128.
    CDcmOutputEdit(const std::string& name, const std::vector<tagOutputCond>& conditions);

    int UnknownCount() const { return unknown_count_; }
    void ShowUnknownMessages() const;

    int Line() const { return line_; }
    void SetLine(int line);

    const std::vector<tagOutputCond>& Conditions() const { return conditions_; }
    void AddCondition(const tagOutputCond& condition) { conditions_.push_back(condition); }
    bool RemoveCondition(int position);
    // "Output High on IiFormatHigher(3)".
    std::vector<std::string> Presentations() const;

    // "DCM o%d".
    std::string Name() const;

private:
    std::shared_ptr<const COutputCondTable> table_;
    std::vector<tagOutputCond> conditions_;
    int unknown_count_ = 0;
    int line_ = kMinLine;
};
