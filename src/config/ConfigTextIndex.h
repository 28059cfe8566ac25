// Lookup tables over one configuration buffer that answer the reader's scans at once: where the
// next line end, "=", double quote or ".." is, where quoted text ends, and where a key search
// from a position stops. Each answer is exactly what the plain forward scan would give. The
// reader builds the index only for a buffer whose scans have already cost far more than its
// size (records laid out so that searches from many positions run over the same text: quotes
// that throw the key searches out of step, a whole file on one line); from then on every scan is
// one lookup, so reading stays linear. The tables take 4 bytes per buffer byte each.
//
// Positions are indexes into the buffer; kNone means "none". The buffer must outlive the index
// and be shorter than 2^31 bytes. One thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class CConfigTextIndex {
public:
    static constexpr size_t kNone = std::string_view::npos;

    CConfigTextIndex(const char* buffer, size_t length);

    // The first CR or LF at or after from; the buffer's length when there is none.
    size_t LineEnd(size_t from) const;
    // The first "=", double quote, or ".." at or after from and before end; kNone if none.
    size_t FindEquals(size_t from, size_t end) const { return Before(Next(equals_, from), end); }
    size_t FindQuote(size_t from, size_t end) const { return Before(Next(quotes_, from), end); }
    size_t FindDots(size_t from, size_t end) const;

    // The double quote that ends quoted text starting at from, where a backslash followed by a
    // double quote or a backslash skips both; kNone at the buffer's end.
    size_t QuotedTextEnd(size_t from) const { return Next(quoted_end_, from); }
    // The same where a backslash skips whatever byte follows it.
    size_t EscapedTextEnd(size_t from) const { return Next(escaped_end_, from); }

    enum class SearchEnd { Found, NotFound, MissingQuote };
    // The key search of the reader: from start, the first position where keyword stands (with at
    // least one byte after it) outside quoted text, before the next "[" outside quoted text.
    // Quoted text is skipped together with the byte after its closing quote. MissingQuote when
    // the search runs into quoted text that the buffer ends in. keyword must be one of "[",
    // "Class", "Type", "Help", "Fixed", "Value" and "Range".
    SearchEnd FindKeyword(size_t start, std::string_view keyword, size_t& position) const;

private:
    static constexpr uint32_t kNoPosition = UINT32_MAX;
    static constexpr uint32_t kMissingQuote = UINT32_MAX - 1;

    size_t Next(const std::vector<uint32_t>& table, size_t from) const
    {
        return from < length_ && table[from] != kNoPosition ? table[from] : kNone;
    }
    static size_t Before(size_t position, size_t end) { return position < end ? position : kNone; }
    const std::vector<uint32_t>& KeywordTable(std::string_view keyword) const;
    bool KeywordAt(size_t position, std::string_view keyword) const;

    const char* buffer_;
    size_t length_;
    std::vector<uint32_t> line_ends_;
    std::vector<uint32_t> equals_;
    std::vector<uint32_t> quotes_;
    std::vector<uint32_t> dots_;
    std::vector<uint32_t> quoted_end_;
    std::vector<uint32_t> escaped_end_;
    // One table per keyword, made on its first search.
    mutable std::array<std::vector<uint32_t>, 7> keyword_tables_;
};
