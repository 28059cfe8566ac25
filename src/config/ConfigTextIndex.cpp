#include "config/ConfigTextIndex.h"

#include <cstring>

namespace {

constexpr std::string_view kKeywords[] = {"[", "Class", "Type", "Help", "Fixed", "Value", "Range"};

// table[i]: the first position at or after i where is_target holds, from the last position back.
template <typename Target>
std::vector<uint32_t> NextTable(size_t length, uint32_t none, Target is_target)
{
    std::vector<uint32_t> table(length);
    uint32_t next = none;
    for (size_t i = length; i-- > 0;) {
        if (is_target(i)) {
            next = static_cast<uint32_t>(i);
        }
        table[i] = next;
    }
    return table;
}

}  // namespace

CConfigTextIndex::CConfigTextIndex(const char* buffer, size_t length) : buffer_(buffer), length_(length)
{
    line_ends_ = NextTable(length, kNoPosition, [&](size_t i) { return buffer[i] == '\r' || buffer[i] == '\n'; });
    equals_ = NextTable(length, kNoPosition, [&](size_t i) { return buffer[i] == '='; });
    quotes_ = NextTable(length, kNoPosition, [&](size_t i) { return buffer[i] == '"'; });
    dots_ = NextTable(length, kNoPosition,
                      [&](size_t i) { return buffer[i] == '.' && i + 1 < length && buffer[i + 1] == '.'; });

    // Both scans of quoted text move forward by one or two bytes and stop at a quote, so the
    // answer from i is i itself or the answer from where the scan goes next.
    const auto after = [this](const std::vector<uint32_t>& table, size_t next) {
        return next < length_ ? table[next] : kNoPosition;
    };
    quoted_end_.assign(length, kNoPosition);
    escaped_end_.assign(length, kNoPosition);
    for (size_t i = length; i-- > 0;) {
        const char c = buffer[i];
        if (c == '"') {
            quoted_end_[i] = static_cast<uint32_t>(i);
            escaped_end_[i] = static_cast<uint32_t>(i);
        } else if (c == '\\') {
            const bool pair = i + 1 < length && (buffer[i + 1] == '"' || buffer[i + 1] == '\\');
            quoted_end_[i] = after(quoted_end_, pair ? i + 2 : i + 1);
            escaped_end_[i] = after(escaped_end_, i + 2);
        } else {
            quoted_end_[i] = after(quoted_end_, i + 1);
            escaped_end_[i] = after(escaped_end_, i + 1);
        }
    }
}

size_t CConfigTextIndex::LineEnd(size_t from) const
{
    const size_t end = Next(line_ends_, from);
    return end == kNone ? length_ : end;
}

size_t CConfigTextIndex::FindDots(size_t from, size_t end) const
{
    const size_t dots = Next(dots_, from);
    return dots != kNone && dots + 2 <= end ? dots : kNone;
}

bool CConfigTextIndex::KeywordAt(size_t position, std::string_view keyword) const
{
    return buffer_[position] == keyword[0] && length_ - position > keyword.size() &&
           std::memcmp(buffer_ + position, keyword.data(), keyword.size()) == 0;
}

// The search from i stops at i when the keyword stands there, and ends at a "[" (no keyword but
// "[" starts with "[" or a quote, and "[" ends the search either way). Otherwise it goes on from
// the next byte, or from two bytes after the quoted text that starts at i; so the answer at i is
// the answer there, worked out from the end of the buffer back.
const std::vector<uint32_t>& CConfigTextIndex::KeywordTable(std::string_view keyword) const
{
    size_t slot = 0;
    while (slot + 1 < std::size(kKeywords) && kKeywords[slot] != keyword) {
        ++slot;
    }
    std::vector<uint32_t>& table = keyword_tables_[slot];
    if (table.size() == length_) {
        return table;
    }
    table.assign(length_, kNoPosition);
    const auto answer_from = [&](size_t next) { return next < length_ ? table[next] : kNoPosition; };
    for (size_t i = length_; i-- > 0;) {
        const char c = buffer_[i];
        if (KeywordAt(i, keyword)) {
            table[i] = static_cast<uint32_t>(i);
        } else if (c == '[') {
            table[i] = kNoPosition;
        } else if (c == '"') {
            const size_t closing = QuotedTextEnd(i + 1);
            table[i] = closing == kNone ? kMissingQuote : answer_from(closing + 2);
        } else {
            table[i] = answer_from(i + 1);
        }
    }
    return table;
}

CConfigTextIndex::SearchEnd CConfigTextIndex::FindKeyword(size_t start, std::string_view keyword,
                                                          size_t& position) const
{
    position = kNone;
    if (start >= length_) {
        return SearchEnd::NotFound;
    }
    const uint32_t answer = KeywordTable(keyword)[start];
    if (answer == kMissingQuote) {
        return SearchEnd::MissingQuote;
    }
    if (answer == kNoPosition) {
        return SearchEnd::NotFound;
    }
    position = answer;
    return SearchEnd::Found;
}
