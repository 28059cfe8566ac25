// The configuration reader as it was before its scans were made linear: every key search walks
// its section afresh. Kept only as the reference that the tests and the fuzz target compare the
// reader with; what a file reads as must not change.
#include "ConfigReaderReference.h"

#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

#include "config/ConfigEscape.h"
#include "config/NumberText.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

namespace {

constexpr size_t kNone = std::string_view::npos;

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
class CReferenceReader {
public:
    CReferenceReader(const char* buffer, size_t length, int form, const CInputFuncTable& inputs,
                  const COutputCondTable& outputs, std::vector<std::unique_ptr<CConfigItem>>& items)
        : buffer_(buffer), length_(length), form_(form), inputs_(inputs), outputs_(outputs), items_(items)
    {
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
    size_t FindKeyword(size_t start, std::string_view keyword) const
    {
        size_t position = start;
        while (position < length_) {
            const char c = buffer_[position];
            if (c == keyword[0] && length_ - position > keyword.size()) {
                if (std::memcmp(buffer_ + position, keyword.data(), keyword.size()) == 0) {
                    return position;
                }
                ++position;
            } else if (c == '[') {
                return kNone;
            } else if (c == '"') {
                const size_t closing = SkipQuoted(position + 1);
                if (closing == kNone) {
                    Warn("Error in configuration: Missing terminating \" character.");
                    return kNone;
                }
                position = closing + 2;  // the byte after the closing quote goes with it
            } else {
                ++position;
            }
        }
        return kNone;
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

    size_t LineEnd(size_t from) const
    {
        size_t i = from;
        while (i < length_ && !IsLineEnd(buffer_[i])) {
            ++i;
        }
        return i;
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

    // The text after the "=" of the key's line; false when the line has no "=".
    bool ValueText(size_t key, std::string_view& text) const
    {
        const size_t end = LineEnd(key);
        const size_t equals = FindIn(key, end, '=');
        if (equals == kNone) {
            return false;
        }
        text = Text(equals + 1, end);
        return true;
    }

    int32_t ReadInteger(size_t key) const
    {
        std::string_view text;
        return ValueText(key, text) ? DecimalToInt32(text) : -1;
    }

    float ReadFloat(size_t key) const
    {
        std::string_view text;
        return ValueText(key, text) ? DoubleToFloat(DecimalToDouble(text)) : -1.0f;
    }

    // The opening quote after the "=" of the key's line, kNone when either is missing.
    size_t OpeningQuote(size_t key, size_t line_end) const
    {
        const size_t equals = FindIn(key, line_end, '=');
        return equals == kNone ? kNone : FindIn(equals + 1, line_end, '"');
    }

    std::string ReadQuoted(size_t key) const
    {
        const size_t end = LineEnd(key);
        const size_t open = OpeningQuote(key, end);
        if (open == kNone) {
            return std::string();
        }
        for (size_t i = open + 1; i < end;) {
            if (buffer_[i] == '\\') {
                i += 2;
            } else if (buffer_[i] == '"') {
                return UnescapeConfigText(Text(open + 1, i));
            } else {
                ++i;
            }
        }
        return std::string();
    }

    std::vector<uint8_t> ReadBinary(size_t key) const
    {
        std::vector<uint8_t> data;
        const size_t open = OpeningQuote(key, LineEnd(key));
        if (open == kNone) {
            return data;
        }
        if (form_ == kConfigFileForm) {
            ReadHexData(open + 1, data);
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
    void ReadHexData(size_t start, std::vector<uint8_t>& data) const
    {
        size_t end = FindIn(start, length_, '"');
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
    }

    // Raw bytes up to the closing quote, each backslash taking the byte after it as it is.
    // Without a closing quote there is no data.
    void ReadEscapedData(size_t start, std::vector<uint8_t>& data) const
    {
        size_t close = kNone;
        for (size_t i = start; i < length_;) {
            if (buffer_[i] == '\\') {
                i += 2;
            } else if (buffer_[i] == '"') {
                close = i;
                break;
            } else {
                ++i;
            }
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

    static bool ReadIntegerList(std::string_view range, std::vector<int32_t>& list)
    {
        const size_t equals = range.find('=', 5);
        if (equals == kNone) {
            Fail("Error in configuration: Range without = sign.");
            return false;
        }
        SplitList(range.substr(equals + 1), [&](std::string_view piece) { list.push_back(DecimalToInt32(piece)); });
        return true;
    }

    static bool ReadFloatList(std::string_view range, std::vector<float>& list)
    {
        const size_t equals = range.find('=', 5);
        if (equals == kNone) {
            Fail("Error in configuration: Range without = sign.");
            return false;
        }
        SplitList(range.substr(equals + 1),
                  [&](std::string_view piece) { list.push_back(DoubleToFloat(DecimalToDouble(piece))); });
        return true;
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

    static bool ReadStringList(std::string_view range, std::vector<std::string>& list)
    {
        const size_t equals = range.find('=', 5);
        if (equals == kNone) {
            Fail("Error in configuration: Range without = sign.");
            return false;
        }
        for (size_t open = range.find('"', equals + 1); open != kNone;) {
            const size_t close = ClosingQuote(range, open + 1);
            if (close == kNone) {
                Fail("Error in configuration: String without closing \"");
                return false;
            }
            list.push_back(UnescapeConfigText(range.substr(open + 1, close - open - 1)));
            open = range.find('"', close + 1);
        }
        return true;
    }

    // A range line "Range = low..high" for Types 0 and 1; false without "..".
    static bool IsBoundedRange(std::string_view range)
    {
        return range.find("..", 6) != kNone;
    }

    // Low and high of a bounded range; false (after its message) when it has no "=".
    static bool SplitBoundedRange(std::string_view range, const std::string& name, std::string_view& low,
                                  std::string_view& high)
    {
        const size_t dots = range.find("..", 6);
        const size_t equals = range.find('=', 5);
        if (equals == kNone) {
            Fail(Format("Error parsing configuration: \"Range\"  of \"%s\" has no \"=\" sign", name.c_str()));
            return false;
        }
        low = equals < dots ? range.substr(equals + 1, dots - equals - 1) : std::string_view();
        high = range.substr(dots + 2);
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

    bool MakeInteger(const Head& head, size_t value_key, const std::optional<std::string_view>& range)
    {
        const int32_t value = ReadInteger(value_key);
        if (!range) {
            Add<CConfigItemInteger>(head, value);
            return true;
        }
        if (IsBoundedRange(*range)) {
            std::string_view low_text;
            std::string_view high_text;
            if (!SplitBoundedRange(*range, head.name, low_text, high_text)) {
                return false;
            }
            const int32_t low = DecimalToInt32(low_text);
            const int32_t high = DecimalToInt32(high_text);
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

    bool MakeFloat(const Head& head, size_t value_key, const std::optional<std::string_view>& range)
    {
        const float value = ReadFloat(value_key);
        if (!range) {
            Add<CConfigItemFloat>(head, value);
            return true;
        }
        if (IsBoundedRange(*range)) {
            std::string_view low_text;
            std::string_view high_text;
            if (!SplitBoundedRange(*range, head.name, low_text, high_text)) {
                return false;
            }
            const float low = DoubleToFloat(DecimalToDouble(low_text));
            const float high = DoubleToFloat(DecimalToDouble(high_text));
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

    bool MakeString(const Head& head, const std::string& value, const std::optional<std::string_view>& range)
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
        std::optional<std::string_view> range_text;
        if (type <= 2) {
            const size_t range_key = FindKeyword(body, "Range");
            if (range_key != kNone) {
                range_text = Text(range_key, LineEnd(range_key));
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
};

}  // namespace

bool ReferenceParse(const char* buffer, size_t length, int form, CConfig& config)
{
    if (buffer == nullptr) {
        return length == 0;
    }
    if (length > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        return false;
    }
    std::vector<std::unique_ptr<CConfigItem>> items;
    CReferenceReader reader(buffer, length, form, config.GetInputTable(), config.GetOutputTable(), items);
    const bool result = reader.Read();
    for (auto& item : items) {
        config.Add(std::move(item));
    }
    return result;
}
