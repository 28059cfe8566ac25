#include "config/DcmOutputEdit.h"

#include <algorithm>

#include "config/DcmNames.h"
#include "platform/Prompt.h"

const char CDcmOutputEdit::kUnknownMessage[] =
    "The list of output conditions contains an UNKNOWN condition.\r\n\r\nIf this item is edited, this UNKNOWN "
    "condition will be lost. To avoid losing the UNKNOWN condition click Cancel in the Dcm Output Editor dialog.";

CDcmOutputEdit::CDcmOutputEdit(const std::string& name, const std::vector<tagOutputCond>& conditions)
    : table_(COutputCondTable::Acquire())
{
    for (const tagOutputCond& condition : conditions) {
        if (condition.Keyword == kDcmUnknownKeyword) {
            ++unknown_count_;
        } else {
            conditions_.push_back(condition);
        }
    }
    SetLine(DcmLineFromItemName(name));
}

void CDcmOutputEdit::ShowUnknownMessages() const
{
    for (int i = 0; i < unknown_count_; ++i) {
        ShowMessage(kUnknownMessage, PromptIcon::Warning);
    }
}

void CDcmOutputEdit::SetLine(int line)
{
    line_ = std::clamp(line, kMinLine, kMaxLine);
}

bool CDcmOutputEdit::RemoveCondition(int position)
{
    if (position < 0 || static_cast<size_t>(position) >= conditions_.size()) {
        return false;
    }
    conditions_.erase(conditions_.begin() + position);
    return true;
}

std::vector<std::string> CDcmOutputEdit::Presentations() const
{
    std::vector<std::string> lines;
    for (const tagOutputCond& condition : conditions_) {
        lines.push_back(OutputCondPresentation(condition, *table_));
    }
    return lines;
}

std::string CDcmOutputEdit::Name() const
{
    return DcmOutputItemName(line_);
}
