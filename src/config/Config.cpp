#include "config/Config.h"

#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "config/ConfigEscape.h"
#include "config/ConfigTextIndex.h"
#include "config/NumberText.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

const char kConfigFileHeader[] = "Nemra configuration file\r\n\r\n";

namespace {

constexpr size_t kNone = std::string_view::npos;

std::optional<size_t> g_budget_for_testing;

void Fail(const std::string& text)
{
    ShowMessage(text, PromptIcon::Error);
}

void Warn(const std::string& text)
{
    ShowMessage(text, PromptIcon::Warning);
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Splits a list at every ","; every piece counts except an empty last one, so a trailing comma
// adds nothing while "1,,2" holds an empty (zero) middle element.
template <typename Convert>
void SplitList(std::string_view text, Convert convert)
{
    size_t start = 0;
    for (size_t comma = text.find(','); comma != kNone; comma = text.find(',', start)) {
        convert(text.substr(start, comma - start));
        start = comma + 1;
    }
    if (start < text.size()) {
        convert(text.substr(start));
    }
}

// Reads one buffer. Every position is an index below length_, and every scan is bounded by it.
//
// The scans walk the buffer directly, which is quickest for any ordinary file. A buffer laid out
// so that the scans of many records run over the same text (quotes that throw the key searches
// out of step, a whole file on one line) would make that quadratic; so the reader counts the
// bytes its scans cover, and once they pass a few times the buffer's size it builds the
// buffer's index and from then on answers every scan by a lookup, and reads what stands at one
// position only once. Both ways give the same answers.
class CConfigReader {
public:
    CConfigReader(const char* buffer, size_t length, int form, const CInputFuncTable& inputs,
                  const COutputCondTable& outputs, std::vector<std::unique_ptr<CConfigItem>>& items)
        : buffer_(buffer),
          length_(length),
          form_(form),
          inputs_(inputs),
          outputs_(outputs),
          items_(items),
          budget_(ScanBudget(length))
    {
        if (budget_ == 0) {
            index_ = std::make_unique<CConfigTextIndex>(buffer_, length_);
        }
    }

    bool Read()
    {
        bool result = true;
        size_t position = 0;
        while (position != kNone && position < length_ && result) {
            if (buffer_[position] == '[') {
                result = ReadSection(position);
                ++position;
            }
            position = FindKeyword(position, "[");
        }
        return result;
    }

private:
    // The keyword's position at or after start, outside quoted text and before the next "["
    // that is not quoted; kNone when there is none.
    size_t FindKeyword(size_t start, std::string_view keyword)
    {
        if (index_) {
            size_t found = kNone;
            if (index_->FindKeyword(start, keyword, found) == CConfigTextIndex::SearchEnd::MissingQuote) {
                Warn("Error in configuration: Missing terminating \" character.");
            }
            return found;
        }
        const size_t found = ScanForKeyword(start, keyword);
        return found;
    }

    // The plain search; the bytes it passes count against the budget.
    size_t ScanForKeyword(size_t start, std::string_view keyword)
    {
        size_t position = start;
        const auto spent = [&](size_t reached) { Spend(std::min(reached, length_) - std::min(start, length_)); };
        while (position < length_) {
            const char c = buffer_[position];
            if (c == keyword[0] && length_ - position > keyword.size()) {
                if (std::memcmp(buffer_ + position, keyword.data(), keyword.size()) == 0) {
                    spent(position);
                    return position;
                }
                ++position;
            } else if (c == '[') {
                spent(position);
                return kNone;
            } else if (c == '"') {
                const size_t closing = SkipQuoted(position + 1);
                if (closing == kNone) {
                    spent(length_);
                    Warn("Error in configuration: Missing terminating \" character.");
                    return kNone;
                }
                position = closing + 2;  // the byte after the closing quote goes with it
            } else {
                ++position;
            }
        }
        spent(length_);
        return kNone;
    }

    // Counts bytes covered by plain scans; past the budget the index takes over.
    void Spend(size_t bytes)
    {
        work_ += bytes;
        if (!index_ && work_ > budget_) {
            index_ = std::make_unique<CConfigTextIndex>(buffer_, length_);
        }
    }

    // The closing quote of quoted text starting at start, kNone at the buffer's end.
    size_t SkipQuoted(size_t start) const
    {
        size_t i = start;
        while (i < length_) {
            if (buffer_[i] == '\\') {
                const bool pair = i + 1 < length_ && (buffer_[i + 1] == '"' || buffer_[i + 1] == '\\');
                i += pair ? 2 : 1;
            } else if (buffer_[i] == '"') {
                return i;
            } else {
                ++i;
            }
        }
        return kNone;
    }

    size_t LineEnd(size_t from)
    {
        if (index_) {
            return index_->LineEnd(from);
        }
        size_t i = from;
        while (i < length_ && !IsLineEnd(buffer_[i])) {
            ++i;
        }
        Spend(i - std::min(from, i));
        return i;
    }

    // The first "=" or double quote in [from, end), kNone if none.
    size_t FindEquals(size_t from, size_t end)
    {
        return index_ ? index_->FindEquals(from, end) : ScanIn(from, end, '=');
    }

    size_t FindQuote(size_t from, size_t end)
    {
        return index_ ? index_->FindQuote(from, end) : ScanIn(from, end, '"');
    }

    size_t ScanIn(size_t from, size_t end, char c)
    {
        const size_t found = FindIn(from, end, c);
        if (from < end) {
            Spend((found == kNone ? end : found) - from);
        }
        return found;
    }

    // The first c in [from, end), kNone if none.
    size_t FindIn(size_t from, size_t end, char c) const
    {
        if (from >= end) {
            return kNone;
        }
        const void* found = std::memchr(buffer_ + from, c, end - from);
        return found == nullptr ? kNone : static_cast<size_t>(static_cast<const char*>(found) - buffer_);
    }

    std::string_view Text(size_t from, size_t end) const
    {
        return from < end ? std::string_view(buffer_ + from, end - from) : std::string_view();
    }

    // The text after the "=" of the key's line, as [from, end); false when the line has no "=".
    bool ValueText(size_t key, size_t& from, size_t& end)
    {
        end = LineEnd(key);
        const size_t equals = FindEquals(key, end);
        if (equals == kNone) {
            return false;
        }
        from = equals + 1;
        return true;
    }

    // [from, end) converted as a decimal integer or floating-point number. Once the index is
    // in use, the text at one position is converted only once.
    int32_t Int32At(size_t from, size_t end)
    {
        if (!index_) {
            Spend(end - std::min(from, end));
            return DecimalToInt32(Text(from, end));
        }
        const auto [kept, added] = integers_.try_emplace(Key(from, end), 0);
        if (added) {
            kept->second = DecimalToInt32(Text(from, end));
        }
        return kept->second;
    }

    double DoubleAt(size_t from, size_t end)
    {
        if (!index_) {
            Spend(end - std::min(from, end));
            return DecimalToDouble(Text(from, end));
        }
        const auto [kept, added] = doubles_.try_emplace(Key(from, end), 0.0);
        if (added) {
            kept->second = DecimalToDouble(Text(from, end));
        }
        return kept->second;
    }

    static uint64_t Key(size_t from, size_t end)
    {
        return (static_cast<uint64_t>(from) << 32) | static_cast<uint32_t>(end);
    }

    int32_t ReadInteger(size_t key)
    {
        size_t from = 0;
        size_t end = 0;
        return ValueText(key, from, end) ? Int32At(from, end) : -1;
    }

    float ReadFloat(size_t key)
    {
        size_t from = 0;
        size_t end = 0;
        return ValueText(key, from, end) ? DoubleToFloat(DoubleAt(from, end)) : -1.0f;
    }

    // The opening quote after the "=" of the key's line, kNone when either is missing.
    size_t OpeningQuote(size_t key, size_t line_end)
    {
        const size_t equals = FindEquals(key, line_end);
        return equals == kNone ? kNone : FindQuote(equals + 1, line_end);
    }

    std::string ReadQuoted(size_t key)
    {
        const size_t end = LineEnd(key);
        const size_t open = OpeningQuote(key, end);
        if (open == kNone) {
            return std::string();
        }
        if (index_) {
            const size_t close = index_->EscapedTextEnd(open + 1);
            return close < end ? UnescapeConfigText(Text(open + 1, close)) : std::string();
        }
        for (size_t i = open + 1; i < end;) {
            if (buffer_[i] == '\\') {
                i += 2;
            } else if (buffer_[i] == '"') {
                Spend(i - open);
                return UnescapeConfigText(Text(open + 1, i));
            } else {
                ++i;
            }
        }
        Spend(end - open);
        return std::string();
    }

    std::vector<uint8_t> ReadBinary(size_t key)
    {
        std::vector<uint8_t> data;
        const size_t open = OpeningQuote(key, LineEnd(key));
        if (open == kNone) {
            return data;
        }
        if (form_ == kConfigFileForm) {
            data = ReadHexData(open + 1);
        } else if (form_ == kConfigStoreForm) {
            ReadEscapedData(open + 1, data);
        }
        return data;
    }

    static int HexDigit(char c)
    {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        return -1;
    }

    // Pairs of hexadecimal digits up to the next quote; anything else between them (blanks,
    // line breaks) is skipped.
    std::vector<uint8_t> ReadHexData(size_t start)
    {
        if (!index_) {
            std::vector<uint8_t> data;
            Spend(ScanHexData(start, data) - std::min(start, length_));
            return data;
        }
        const auto [kept, added] = hex_data_.try_emplace(start);
        if (added) {
            ScanHexData(start, kept->second);
        }
        return kept->second;
    }

    // Returns where the data ends.
    size_t ScanHexData(size_t start, std::vector<uint8_t>& data) const
    {
        size_t end = index_ ? index_->FindQuote(start, length_) : FindIn(start, length_, '"');
        if (end == kNone) {
            end = length_;
        }
        for (size_t i = start; i < end;) {
            const int high = HexDigit(buffer_[i]);
            const int low = i + 1 < end ? HexDigit(buffer_[i + 1]) : -1;
            if (high >= 0 && low >= 0) {
                data.push_back(static_cast<uint8_t>(high * 16 + low));
                i += 2;
            } else {
                ++i;
            }
        }
        return std::max(start, end);
    }

    // Raw bytes up to the closing quote, each backslash taking the byte after it as it is.
    // Without a closing quote there is no data.
    void ReadEscapedData(size_t start, std::vector<uint8_t>& data)
    {
        size_t close = kNone;
        if (index_) {
            close = index_->EscapedTextEnd(start);
        }
        for (size_t i = start; !index_ && i < length_;) {
            if (buffer_[i] == '\\') {
                i += 2;
            } else if (buffer_[i] == '"') {
                close = i;
                break;
            } else {
                ++i;
            }
        }
        if (!index_) {
            Spend((close == kNone ? length_ : close) - std::min(start, length_));
        }
        if (close == kNone) {
            return;
        }
        for (size_t i = start; i < close; ++i) {
            if (buffer_[i] == '\\') {
                ++i;  // the closing-quote scan guarantees i < close here
            }
            data.push_back(static_cast<uint8_t>(buffer_[i]));
        }
    }

    // A "Range" key and the end of its line. Its "=" is looked for from the key's index 5 and
    // its ".." from index 6, as the format has always done.
    struct RangeLine {
        size_t start;
        size_t end;
    };

    size_t RangeEquals(const RangeLine& range)
    {
        if (index_) {
            return index_->FindEquals(range.start + 5, range.end);
        }
        const size_t found = Text(range.start, range.end).find('=', 5);
        return found == kNone ? kNone : range.start + found;
    }

    size_t RangeDots(const RangeLine& range)
    {
        if (index_) {
            return index_->FindDots(range.start + 6, range.end);
        }
        const size_t found = Text(range.start, range.end).find("..", 6);
        return found == kNone ? kNone : range.start + found;
    }

    // The values after the "=" of a list range; false (after its message) without "=".
    bool RangeValues(const RangeLine& range, size_t& equals)
    {
        Spend(range.end - range.start);  // the searches and the list's pieces below
        equals = RangeEquals(range);
        if (equals == kNone) {
            Fail("Error in configuration: Range without = sign.");
            return false;
        }
        return true;
    }

    // Once the index is in use, the list after one "=" is read once and shared.
    template <typename Element, typename Reader>
    bool ReadList(const RangeLine& range, std::unordered_map<uint64_t, std::vector<Element>>& kept_lists,
                  std::vector<Element>& list, Reader read_list)
    {
        size_t equals = kNone;
        if (!RangeValues(range, equals)) {
            return false;
        }
        const std::string_view values = Text(equals + 1, range.end);
        if (!index_) {
            return read_list(values, list);
        }
        const uint64_t key = Key(equals, range.end);
        if (const auto kept = kept_lists.find(key); kept != kept_lists.end()) {
            list = kept->second;
            return true;
        }
        if (!read_list(values, list)) {
            return false;
        }
        kept_lists.emplace(key, list);
        return true;
    }

    bool ReadIntegerList(const RangeLine& range, std::vector<int32_t>& list)
    {
        return ReadList(range, integer_lists_, list, [](std::string_view values, std::vector<int32_t>& read) {
            SplitList(values, [&](std::string_view piece) { read.push_back(DecimalToInt32(piece)); });
            return true;
        });
    }

    bool ReadFloatList(const RangeLine& range, std::vector<float>& list)
    {
        return ReadList(range, float_lists_, list, [](std::string_view values, std::vector<float>& read) {
            SplitList(values, [&](std::string_view piece) { read.push_back(DoubleToFloat(DecimalToDouble(piece))); });
            return true;
        });
    }

    // A quote preceded by an odd number of backslashes belongs to the text.
    static size_t ClosingQuote(std::string_view text, size_t start)
    {
        for (size_t quote = text.find('"', start); quote != kNone; quote = text.find('"', quote + 1)) {
            size_t backslashes = 0;
            while (quote - backslashes > start && text[quote - backslashes - 1] == '\\') {
                ++backslashes;
            }
            if (backslashes % 2 == 0) {
                return quote;
            }
        }
        return kNone;
    }

    bool ReadStringList(const RangeLine& range, std::vector<std::string>& list)
    {
        return ReadList(range, string_lists_, list, [](std::string_view values, std::vector<std::string>& read) {
            for (size_t open = values.find('"'); open != kNone;) {
                const size_t close = ClosingQuote(values, open + 1);
                if (close == kNone) {
                    Fail("Error in configuration: String without closing \"");
                    return false;
                }
                read.push_back(UnescapeConfigText(values.substr(open + 1, close - open - 1)));
                open = values.find('"', close + 1);
            }
            return true;
        });
    }

    // A range line "Range = low..high" for Types 0 and 1; false without "..".
    bool IsBoundedRange(const RangeLine& range)
    {
        Spend(range.end - range.start);
        return RangeDots(range) != kNone;
    }

    // Where low and high of a bounded range stand: low in [low_from, low_end), high from
    // high_from to the end of the line; false (after its message) when it has no "=".
    bool SplitBoundedRange(const RangeLine& range, const std::string& name, size_t& low_from, size_t& low_end,
                           size_t& high_from)
    {
        const size_t dots = RangeDots(range);
        const size_t equals = RangeEquals(range);
        if (equals == kNone) {
            Fail(Format("Error parsing configuration: \"Range\"  of \"%s\" has no \"=\" sign", name.c_str()));
            return false;
        }
        low_from = equals < dots ? equals + 1 : dots;
        low_end = dots;
        high_from = dots + 2;
        return true;
    }

    static void WarnOutOfRange(const std::string& name)
    {
        Warn(Format("The value for \"%s\" is not within the specified range. Check the value!", name.c_str()));
    }

    static void WarnNotInList(const std::string& name)
    {
        Warn(Format("The value of \"%s\" is not within the range of possible values. Check the value!",
                    name.c_str()));
    }

    struct Head {
        std::string name;
        std::string help;
        int32_t item_class = 0;
        bool fixed = false;
    };

    bool MakeInteger(const Head& head, size_t value_key, const std::optional<RangeLine>& range)
    {
        const int32_t value = ReadInteger(value_key);
        if (!range) {
            Add<CConfigItemInteger>(head, value);
            return true;
        }
        if (IsBoundedRange(*range)) {
            size_t low_from = 0;
            size_t low_end = 0;
            size_t high_from = 0;
            if (!SplitBoundedRange(*range, head.name, low_from, low_end, high_from)) {
                return false;
            }
            const int32_t low = Int32At(low_from, low_end);
            const int32_t high = Int32At(high_from, range->end);
            if (!(low <= value && value <= high)) {
                WarnOutOfRange(head.name);
            }
            Add<CConfigItemIntegerRange>(head, value, low, high);
            return true;
        }
        std::vector<int32_t> list;
        if (!ReadIntegerList(*range, list)) {
            return false;
        }
        bool found = false;
        for (const int32_t element : list) {
            found = found || element == value;
        }
        if (!found) {
            WarnNotInList(head.name);
        }
        Add<CConfigItemIntegerList>(head, value, list);
        return true;
    }

    bool MakeFloat(const Head& head, size_t value_key, const std::optional<RangeLine>& range)
    {
        const float value = ReadFloat(value_key);
        if (!range) {
            Add<CConfigItemFloat>(head, value);
            return true;
        }
        if (IsBoundedRange(*range)) {
            size_t low_from = 0;
            size_t low_end = 0;
            size_t high_from = 0;
            if (!SplitBoundedRange(*range, head.name, low_from, low_end, high_from)) {
                return false;
            }
            const float low = DoubleToFloat(DoubleAt(low_from, low_end));
            const float high = DoubleToFloat(DoubleAt(high_from, range->end));
            if (value < low || value > high) {
                WarnOutOfRange(head.name);
            }
            Add<CConfigItemFloatRange>(head, value, low, high);
            return true;
        }
        std::vector<float> list;
        if (!ReadFloatList(*range, list)) {
            return false;
        }
        // Written with two decimals, so a value only has to come close to an element. For a
        // value of zero or below no element can match.
        const double above = static_cast<double>(value) * 1.0001;
        const double below = static_cast<double>(value) * 0.9999;
        bool found = false;
        for (const float element : list) {
            found = found || (element < above && element > below);
        }
        if (!found) {
            WarnNotInList(head.name);
        }
        Add<CConfigItemFloatList>(head, value, list);
        return true;
    }

    bool MakeString(const Head& head, const std::string& value, const std::optional<RangeLine>& range)
    {
        if (!range) {
            Add<CConfigItemString>(head, value);
            return true;
        }
        std::vector<std::string> list;
        if (!ReadStringList(*range, list)) {
            return false;
        }
        bool found = false;
        for (const std::string& element : list) {
            found = found || element == value;
        }
        if (!found) {
            WarnNotInList(head.name);
        }
        Add<CConfigItemStringList>(head, value, list);
        return true;
    }

    template <typename Item, typename... Args>
    void Add(const Head& head, Args&&... args)
    {
        items_.push_back(std::make_unique<Item>(head.name, head.help, head.item_class, head.fixed,
                                                std::forward<Args>(args)...));
    }

    // Parses the section whose "[" is at heading. False when it fails.
    bool ReadSection(size_t heading)
    {
        const size_t close = FindIn(heading + 1, length_, ']');
        if (close == kNone) {
            Fail("Error parsing configuration: Matching \"]\" not found for a section heading.");
            return false;
        }
        Head head;
        head.name = std::string(Text(heading + 1, close));
        const char* name = head.name.c_str();
        const size_t body = close + 1;

        const size_t class_key = FindKeyword(body, "Class");
        if (class_key == kNone) {
            Fail(Format("Error parsing configuration: \"Class\" not found for \"%s\"", name));
            return false;
        }
        head.item_class = ReadInteger(class_key);
        const size_t type_key = FindKeyword(body, "Type");
        if (type_key == kNone) {
            Fail(Format("Error parsing configuration: \"Type\" not found for \"%s\".", name));
            return false;
        }
        const int32_t type = ReadInteger(type_key);
        const size_t help_key = FindKeyword(body, "Help");
        if (help_key == kNone) {
            Fail(Format("Error parsing configuration: \"Help\" not found for \"%s\".", name));
            return false;
        }
        head.help = ReadQuoted(help_key);
        const size_t fixed_key = FindKeyword(body, "Fixed");
        head.fixed = fixed_key != kNone && ReadInteger(fixed_key) != 0;
        const size_t value_key = FindKeyword(body, "Value");
        if (value_key == kNone) {
            Fail(Format("Error parsing configuration: \"Value\" not found for \"%s\".", name));
            return false;
        }

        if (type == -1) {
            Fail("Unknown Type in configuration.");
            return false;
        }
        if (type < -1 || type > 6) {
            return true;  // a kind this version does not know: left out without a word
        }
        std::string text;
        if (type == 2 || type == 5 || type == 6) {
            text = ReadQuoted(value_key);
            if (text.empty()) {
                Fail(Format("Error parsing configuration: \"Value\" is empty for \"%s\".", name));
                return false;
            }
        }
        std::optional<RangeLine> range_text;
        if (type <= 2) {
            const size_t range_key = FindKeyword(body, "Range");
            if (range_key != kNone) {
                range_text = RangeLine{range_key, LineEnd(range_key)};
            }
        }

        switch (type) {
        case 0:
            return MakeInteger(head, value_key, range_text);
        case 1:
            return MakeFloat(head, value_key, range_text);
        case 2:
            return MakeString(head, text, range_text);
        case 3:
            Add<CConfigItemBoolean>(head, ReadInteger(value_key) != 0 ? 1 : 0);
            return true;
        case 4: {
            const std::vector<uint8_t> data = ReadBinary(value_key);
            Add<CConfigItemBinaryData>(head, data.data(), static_cast<int32_t>(data.size()));
            return true;
        }
        case 5: {
            std::vector<tagInputFunc> functions;
            ReadInputFuncList(text, inputs_, functions);
            Add<CConfigItemDcmInput>(head, text, functions);
            return true;
        }
        default: {
            std::vector<tagOutputCond> conditions;
            ReadOutputCondList(text, outputs_, conditions);
            Add<CConfigItemDcmOutput>(head, text, conditions);
            return true;
        }
        }
    }

    const char* buffer_;
    size_t length_;
    int form_;
    const CInputFuncTable& inputs_;
    const COutputCondTable& outputs_;
    std::vector<std::unique_ptr<CConfigItem>>& items_;

    // How many bytes the plain scans may cover, per buffer byte and in all, before the index is
    // built. An ordinary file's scans cover each byte a few times.
    static constexpr size_t kScanBudgetPerByte = 16;
    static constexpr size_t kScanBudgetBase = 65536;
    static size_t ScanBudget(size_t length)
    {
        const std::optional<size_t> forced = g_budget_for_testing;
        return forced ? *forced : kScanBudgetPerByte * length + kScanBudgetBase;
    }
    const size_t budget_;
    size_t work_ = 0;
    std::unique_ptr<CConfigTextIndex> index_;
    // What was read at one position, once the index is in use.
    std::unordered_map<uint64_t, int32_t> integers_;
    std::unordered_map<uint64_t, double> doubles_;
    std::unordered_map<size_t, std::vector<uint8_t>> hex_data_;
    std::unordered_map<uint64_t, std::vector<int32_t>> integer_lists_;
    std::unordered_map<uint64_t, std::vector<float>> float_lists_;
    std::unordered_map<uint64_t, std::vector<std::string>> string_lists_;
};

}  // namespace

void SetConfigScanBudgetForTesting(std::optional<size_t> budget)
{
    g_budget_for_testing = budget;
}

CConfig::CConfig() : input_table_(CInputFuncTable::Acquire()), output_table_(COutputCondTable::Acquire()) {}

CConfig::~CConfig() = default;

bool CConfig::Parse(const char* buffer, size_t length, int form)
{
    if (buffer == nullptr) {
        return length == 0;
    }
    // Item lengths are 32-bit; a buffer this large is not a configuration.
    if (length > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        return false;
    }
    CConfigReader reader(buffer, length, form, *input_table_, *output_table_, items_);
    return reader.Read();
}

bool CConfig::Write(int form, std::string& buffer) const
{
    buffer.clear();
    buffer.reserve(1024);
    if (form == kConfigFileForm) {
        buffer += kConfigFileHeader;
    }
    for (const auto& item : items_) {
        if (!item->Write(buffer, form)) {
            return false;
        }
        buffer += "\r\n";
    }
    return true;
}

void CConfig::Add(std::unique_ptr<CConfigItem> item)
{
    if (item) {
        items_.push_back(std::move(item));
    }
}

void CConfig::RemoveAll()
{
    items_.clear();
}

const CConfigItem* CConfig::GetAt(size_t index) const
{
    return index < items_.size() ? items_[index].get() : nullptr;
}
