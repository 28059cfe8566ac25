#include "config/DcmInputEdit.h"

#include <algorithm>

#include "config/DcmNames.h"
#include "platform/Prompt.h"

const char CDcmInputEdit::kUnknownMessage[] =
    "The list of input functions contains an UNKNOWN input function.\r\n\r\nIf this item is edited, this UNKNOWN "
    "function will be lost. To avoid losing the UNKNOWN function click Cancel in the Dcm Input Editor dialog.";

CDcmInputEdit::CDcmInputEdit(const std::string& name, const std::vector<tagInputFunc>& functions,
                             uint8_t debounce, uint8_t mode, uint8_t priority)
    : table_(CInputFuncTable::Acquire()), mode_(mode), priority_(priority), debounce_(debounce)
{
    for (const tagInputFunc& function : functions) {
        if (function.Keyword == kDcmUnknownKeyword) {
            ++unknown_count_;
        } else {
            functions_.push_back(function);
        }
    }
    SetLine(DcmLineFromItemName(name));
    const char code = name.empty() ? '\0' : name.back();
    transition_shown_ = code != '2';
    transition_ = code == '0' ? Transition::HighToLow : Transition::LowToHigh;
}

void CDcmInputEdit::ShowUnknownMessages() const
{
    for (int i = 0; i < unknown_count_; ++i) {
        ShowMessage(kUnknownMessage, PromptIcon::Warning);
    }
}

void CDcmInputEdit::SetLine(int line)
{
    line_ = std::clamp(line, kMinLine, kMaxLine);
}

void CDcmInputEdit::SetMode(uint8_t mode)
{
    mode_ = mode;
    if (mode == kDcmModeDualAction) {
        transition_shown_ = true;
        transition_ = Transition::LowToHigh;
    } else if (mode == kDcmModeSingleLowToHigh || mode == kDcmModeSingleHighToLow) {
        transition_shown_ = false;
    }
}

void CDcmInputEdit::SetDebounce(int debounce_ms)
{
    debounce_ = static_cast<uint8_t>(std::clamp(debounce_ms, 0, kMaxDebounceMs));
}

bool CDcmInputEdit::RemoveFunction(int position)
{
    if (position < 0 || static_cast<size_t>(position) >= functions_.size()) {
        return false;
    }
    functions_.erase(functions_.begin() + position);
    return true;
}

std::vector<std::string> CDcmInputEdit::Presentations() const
{
    std::vector<std::string> lines;
    for (const tagInputFunc& function : functions_) {
        lines.push_back(InputFuncPresentation(function, *table_));
    }
    return lines;
}

std::string CDcmInputEdit::Name() const
{
    const char* code = !transition_shown_                        ? kDcmSingleAction
                       : transition_ == Transition::HighToLow ? kDcmHighToLow
                                                              : kDcmLowToHigh;
    return DcmInputItemName(line_, code);
}
