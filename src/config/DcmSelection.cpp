#include "config/DcmSelection.h"

#include <algorithm>
#include <cctype>

namespace {

bool LessIgnoringCase(const char* a, const char* b)
{
    const std::string_view left(a);
    const std::string_view right(b);
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

template <typename Entry, typename Table>
std::vector<const Entry*> SortedByText(const Table& table)
{
    std::vector<const Entry*> entries;
    for (int i = 0; i < table.GetCount(); ++i) {
        entries.push_back(table.GetEntry(i));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry* a, const Entry* b) { return LessIgnoringCase(a->Text, b->Text); });
    return entries;
}

template <typename Entry>
std::vector<std::string> TextsOf(const std::vector<const Entry*>& entries)
{
    std::vector<std::string> texts;
    for (const Entry* entry : entries) {
        texts.emplace_back(entry->Text);
    }
    return texts;
}

int ValidRow(int row, size_t count)
{
    return row >= 0 && static_cast<size_t>(row) < count ? row : -1;
}

}  // namespace

CFuncSelection::CFuncSelection()
    : table_(CInputFuncTable::Acquire()), entries_(SortedByText<tagInputFuncEntry>(*table_))
{
}

std::vector<std::string> CFuncSelection::Texts() const
{
    return TextsOf(entries_);
}

void CFuncSelection::Select(int row)
{
    selected_ = ValidRow(row, entries_.size());
}

const tagInputFuncEntry* CFuncSelection::SelectedEntry() const
{
    return selected_ < 0 ? nullptr : entries_[static_cast<size_t>(selected_)];
}

bool CFuncSelection::AsksParameter() const
{
    const tagInputFuncEntry* entry = SelectedEntry();
    return entry != nullptr && entry->UserValue;
}

bool CFuncSelection::OffersWrap() const
{
    const tagInputFuncEntry* entry = SelectedEntry();
    return entry != nullptr && entry->Kind == kInputFuncStep;
}

std::optional<tagInputFunc> CFuncSelection::Result() const
{
    const tagInputFuncEntry* entry = SelectedEntry();
    if (entry == nullptr) {
        return std::nullopt;
    }
    tagInputFunc function;
    function.Keyword = entry->Keyword;
    function.Value = AsksParameter() ? parameter_ : 0;
    function.Wrap = OffersWrap() && wrap_;
    return function;
}

CCondSelection::CCondSelection()
    : table_(COutputCondTable::Acquire()), entries_(SortedByText<tagOutputCondEntry>(*table_))
{
}

std::vector<std::string> CCondSelection::Texts() const
{
    return TextsOf(entries_);
}

void CCondSelection::Select(int row)
{
    selected_ = ValidRow(row, entries_.size());
}

const tagOutputCondEntry* CCondSelection::SelectedEntry() const
{
    return selected_ < 0 ? nullptr : entries_[static_cast<size_t>(selected_)];
}

bool CCondSelection::AsksParameter() const
{
    const tagOutputCondEntry* entry = SelectedEntry();
    return entry != nullptr && entry->UserValue;
}

std::optional<tagOutputCond> CCondSelection::Result() const
{
    const tagOutputCondEntry* entry = SelectedEntry();
    if (entry == nullptr) {
        return std::nullopt;
    }
    tagOutputCond condition;
    condition.High = high_;
    condition.Keyword = entry->Keyword;
    condition.Value = entry->UserValue ? parameter_ : entry->Value;
    return condition;
}
