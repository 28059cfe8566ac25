#include "config/DcmLists.h"

#include <string_view>

#include "config/NumberText.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

const char kDcmUnknownKeyword[] = "UNKNOWN";
const char kDcmActivateSettings[] = "Set(0x2000,3)";

namespace {

constexpr size_t kNone = std::string_view::npos;
const char kActivateSuffix[] = ";Set(0x2000,3)";

std::string WithoutBlanks(const std::string& text)
{
    std::string stripped;
    stripped.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t') {
            stripped += c;
        }
    }
    return stripped;
}

void Warn(const std::string& text)
{
    ShowMessage(text, PromptIcon::Warning);
}

// The next element after the current one: the text after the first ";", or nothing when there
// is no ";" or the rest starts with one.
std::string_view NextElement(std::string_view rest)
{
    const size_t semicolon = rest.find(';');
    if (semicolon == kNone || semicolon == 0) {
        return std::string_view();
    }
    return rest.substr(semicolon + 1);
}

// One element of the input-function grammar.
struct InputForm {
    std::string_view prefix;
    int mode;  // 0 looks up Set entries, 1 the Modify, Toggle and Step entries
    bool wrap;
    const char* missing_parenthesis;
};

const InputForm kInputForms[] = {
    {"Set(", 0, false, "Error in \"Set\" value; missing \")\" : %s"},
    {"ModifyAndWrap(", 1, true, "Error in \"ModifyAndWrap\" value; missing \")\" : %s"},
    {"Modify(", 1, false, "Error in \"Modify\" value; missing \")\" : %s"},
};

// The table entry an element names, or nullptr when the element is malformed or names none.
const tagInputFuncEntry* MatchInputFunc(std::string_view element, const InputForm& form,
                                        const CInputFuncTable& table, int32_t& value)
{
    if (element.size() <= form.prefix.size() + 4) {
        return nullptr;
    }
    const size_t open = element.find('(');
    const size_t close = element.find(')');
    if (open == kNone || open < 1 || close == kNone || close < 1 || close < open) {
        return nullptr;
    }
    const size_t comma1 = element.find(',', open + 1);
    if (comma1 == kNone || comma1 > close) {
        return nullptr;
    }
    size_t comma2 = element.find(',', comma1 + 1);
    if (comma2 != kNone && comma2 > close) {
        comma2 = kNone;
    }
    const size_t subindex_end = comma2 != kNone ? comma2 : close;
    const uint32_t index = AutoToUint32(element.substr(open + 1, comma1 - open - 1));
    const uint32_t subindex = AutoToUint32(element.substr(comma1 + 1, subindex_end - comma1 - 1));
    value = comma2 != kNone ? AutoToInt32(element.substr(comma2 + 1, close - comma2 - 1)) : 1;
    const tagInputFuncEntry* entry = table.Find(form.mode, index, subindex);
    if (entry != nullptr && !entry->UserValue) {
        entry = table.Find(form.mode, index, subindex, value);
    }
    return entry;
}

void AddInputFunc(std::string_view element, const InputForm& form, const CInputFuncTable& table,
                  std::vector<tagInputFunc>& functions)
{
    int32_t value = 0;
    if (const tagInputFuncEntry* entry = MatchInputFunc(element, form, table, value)) {
        functions.push_back(tagInputFunc{entry->Keyword, value, form.wrap});
        return;
    }
    // The activate-settings command is not a function of its own: the writer adds it again.
    if (element.starts_with("Set(0x2000,3")) {
        return;
    }
    Warn(Format("Unknown input function: \"%s\"", std::string(element).c_str()));
    functions.push_back(tagInputFunc{kDcmUnknownKeyword, 0, false});
}

int32_t ParseOperator(std::string_view text)
{
    if (text == "=") {
        return kOutputCondEqual;
    }
    if (text == "<") {
        return kOutputCondLower;
    }
    if (text == ">") {
        return kOutputCondHigher;
    }
    return -1;
}

const tagOutputCondEntry* MatchOutputCond(std::string_view element, const COutputCondTable& table,
                                          int32_t& value)
{
    const size_t open = element.find('(');
    const size_t close = element.find(')');
    if (open == kNone || open < 1 || close == kNone || close < open) {
        return nullptr;
    }
    const size_t comma1 = element.find(',', open + 1);
    if (comma1 == kNone || comma1 > close) {
        return nullptr;
    }
    const uint32_t index = AutoToUint32(element.substr(open + 1, comma1 - open - 1));
    const size_t comma2 = element.find(',', comma1 + 1);
    uint32_t subindex = 0;
    int32_t op = kOutputCondNone;
    value = 0;
    if (comma2 == kNone || comma2 > close) {
        subindex = AutoToUint32(element.substr(comma1 + 1, close - comma1 - 1));
    } else {
        subindex = AutoToUint32(element.substr(comma1 + 1, comma2 - comma1 - 1));
        const size_t comma3 = element.find(',', comma2 + 1);
        if (comma3 == kNone || comma3 > close) {
            return nullptr;
        }
        op = ParseOperator(element.substr(comma2 + 1, comma3 - comma2 - 1));
        if (op < 0) {
            return nullptr;
        }
        value = AutoToInt32(element.substr(comma3 + 1, close - comma3 - 1));
    }
    const tagOutputCondEntry* entry = table.Find(op, index, subindex);
    if (entry != nullptr && !entry->UserValue) {
        entry = table.Find(op, index, subindex, value);
    }
    return entry;
}

// The element of one function, without the activate-settings suffix.
std::string InputFuncElement(const tagInputFunc& function, const tagInputFuncEntry& entry)
{
    const char* form = "Set(0x%4x,%d,%d)";
    if (entry.Kind == kInputFuncModify || (entry.Kind == kInputFuncStep && !function.Wrap)) {
        form = "Modify(0x%4x,%d,%d)";
    } else if (entry.Kind == kInputFuncToggle || entry.Kind == kInputFuncStep) {
        form = "ModifyAndWrap(0x%4x,%d,%d)";
    }
    const int32_t value = entry.UserValue ? function.Value : entry.Value;
    return Format(form, static_cast<unsigned>(entry.Index), static_cast<int>(entry.SubIndex),
                  static_cast<int>(value));
}

}  // namespace

void ReadInputFuncList(const std::string& text, const CInputFuncTable& table,
                       std::vector<tagInputFunc>& functions)
{
    const std::string stripped = WithoutBlanks(text);
    std::string_view rest = stripped;
    while (!rest.empty()) {
        const InputForm* form = nullptr;
        for (const InputForm& candidate : kInputForms) {
            if (rest.starts_with(candidate.prefix)) {
                form = &candidate;
                break;
            }
        }
        if (form == nullptr) {
            Warn(Format("Error in input function specification: \"%s\"", std::string(rest).c_str()));
        } else if (const size_t close = rest.find(')'); close == kNone) {
            Warn(Format(form->missing_parenthesis, std::string(rest).c_str()));
        } else {
            AddInputFunc(rest.substr(0, close + 1), *form, table, functions);
        }
        rest = NextElement(rest);
    }
}

std::string WriteInputFuncList(const std::vector<tagInputFunc>& functions, const CInputFuncTable& table)
{
    // Each activating function is followed by the activate-settings command, and only the last
    // of these commands is kept, so the subsystem applies the settings once, after the last
    // function that needs it.
    std::vector<const tagInputFuncEntry*> entries;
    entries.reserve(functions.size());
    size_t last_activating = functions.size();
    for (size_t i = 0; i < functions.size(); ++i) {
        entries.push_back(table.Find(functions[i].Keyword));
        if (entries.back() != nullptr && entries.back()->Activate) {
            last_activating = i;
        }
    }
    std::string text;
    for (size_t i = 0; i < functions.size(); ++i) {
        if (entries[i] == nullptr) {
            // No element at all, not even its ";": an empty element would end the list for
            // the reader and lose every function after it.
            continue;
        }
        if (!text.empty()) {
            text += ';';
        }
        text += InputFuncElement(functions[i], *entries[i]);
        if (i == last_activating) {
            text += kActivateSuffix;
        }
    }
    return text;
}

void ReadOutputCondList(const std::string& text, const COutputCondTable& table,
                        std::vector<tagOutputCond>& conditions)
{
    const std::string stripped = WithoutBlanks(text);
    std::vector<tagOutputCond> found;
    size_t unknown = 0;
    std::string_view rest = stripped;
    while (!rest.empty()) {
        const bool high = rest.starts_with("High");
        if (!high && !rest.starts_with("Low")) {
            Warn(Format("Error in condition specification: \"%s\"", std::string(rest).c_str()));
        } else if (const size_t close = rest.find(')'); close == kNone) {
            Warn(Format(high ? "Error in \"High\" condition; missing \")\" : %s"
                             : "Error in \"Low\" condition; missing \")\" : %s",
                        std::string(rest).c_str()));
        } else {
            const std::string_view element = rest.substr(0, close + 1);
            int32_t value = 0;
            if (const tagOutputCondEntry* entry = MatchOutputCond(element, table, value)) {
                found.push_back(tagOutputCond{high, entry->Keyword, entry->UserValue ? value : entry->Value});
            } else {
                Warn(Format("Unknown output condition: \"%s\"", std::string(element).c_str()));
                ++unknown;
            }
        }
        rest = NextElement(rest);
    }
    // Every unmatched condition goes to the front of the list, so they come first, followed
    // by what the list held and then the matched conditions in text order.
    conditions.insert(conditions.begin(), unknown, tagOutputCond{false, kDcmUnknownKeyword, 0});
    conditions.insert(conditions.end(), found.begin(), found.end());
}

std::string WriteOutputCondList(const std::vector<tagOutputCond>& conditions, const COutputCondTable& table)
{
    std::string text;
    for (const tagOutputCond& condition : conditions) {
        // A condition without a table entry (an UNKNOWN one) is dropped, as the input-function
        // writer drops its UNKNOWN functions: written as a bare "Low(" it came back as UNKNOWN on
        // every load and never went away.
        const tagOutputCondEntry* entry = table.Find(condition.Keyword);
        if (entry == nullptr) {
            continue;
        }
        if (!text.empty()) {
            text += ';';
        }
        text += condition.High ? "High(" : "Low(";
        const int32_t value = entry->UserValue ? condition.Value : entry->Value;
        const unsigned index = entry->Index;
        const int subindex = entry->SubIndex;
        switch (entry->Operator) {
        case kOutputCondEqual:
            text += Format("0x%x,%d,=,%d", index, subindex, static_cast<int>(value));
            break;
        case kOutputCondLower:
            text += Format("0x%x,%d,<,%d", index, subindex, static_cast<int>(value));
            break;
        case kOutputCondHigher:
            text += Format("0x%x,%d,>,%d", index, subindex, static_cast<int>(value));
            break;
        default:
            text += Format("0x%x,%d", index, subindex);
            break;
        }
        text += ')';
    }
    return text;
}

std::string InputFuncPresentation(const tagInputFunc& function, const CInputFuncTable& table)
{
    std::string text = function.Keyword;
    const tagInputFuncEntry* entry = table.Find(function.Keyword);
    if (entry != nullptr && entry->UserValue) {
        text += Format("(%d)", static_cast<int>(function.Value));
    }
    if (function.Wrap) {
        text += " with wrapping";
    }
    return text;
}

std::string OutputCondPresentation(const tagOutputCond& condition, const COutputCondTable& table)
{
    std::string text = condition.High ? "Output High on " : "Output Low on ";
    text += condition.Keyword;
    const tagOutputCondEntry* entry = table.Find(condition.Keyword);
    if (entry != nullptr && entry->UserValue) {
        text += Format("(%d)", static_cast<int>(condition.Value));
    }
    return text;
}

std::string InputFuncListPresentation(const std::vector<tagInputFunc>& functions, const CInputFuncTable& table)
{
    std::string text;
    for (size_t i = 0; i < functions.size(); ++i) {
        if (i > 0) {
            text += "; ";
        }
        text += InputFuncPresentation(functions[i], table);
    }
    return text;
}

std::string OutputCondListPresentation(const std::vector<tagOutputCond>& conditions,
                                       const COutputCondTable& table)
{
    std::string text;
    for (size_t i = 0; i < conditions.size(); ++i) {
        if (i > 0) {
            text += "; ";
        }
        const tagOutputCond& condition = conditions[i];
        text += condition.High ? "High on " : "Low on ";
        text += condition.Keyword;
        const tagOutputCondEntry* entry = table.Find(condition.Keyword);
        if (entry != nullptr && entry->UserValue) {
            text += Format("(%d)", static_cast<int>(condition.Value));
        }
    }
    return text;
}
