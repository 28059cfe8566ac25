#include "script/ArgArray.h"

#include <limits>

#include "platform/NumberReader.h"

namespace {

// A number as a sign and a magnitude: both 32-bit readings are taken from this form, so that a
// number and its text always read alike.
struct tagMagnitude {
    bool negative = false;
    uint64_t magnitude = 0;
};

tagMagnitude MagnitudeOf(int64_t value)
{
    tagMagnitude result;
    result.negative = value < 0;
    // Negating in unsigned arithmetic keeps INT64_MIN exact.
    result.magnitude =
        result.negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    return result;
}

// Reads text as a whole number with the automatic base. A magnitude too large for 64 bits
// saturates; the 32-bit readings saturate long before that.
bool ParseMagnitude(const std::string& text, tagMagnitude& result)
{
    if (!IsWholeNumber(text)) {
        return false;
    }
    const tagNumberRead number = ReadNumber(text);
    result.negative = number.negative;
    result.magnitude = number.magnitude;
    return true;
}

int32_t ClampToLong(const tagMagnitude& value)
{
    constexpr uint64_t kMaxPositive = std::numeric_limits<int32_t>::max();
    constexpr uint64_t kMaxNegative = kMaxPositive + 1;
    if (value.negative) {
        if (value.magnitude >= kMaxNegative) {
            return std::numeric_limits<int32_t>::min();
        }
        return -static_cast<int32_t>(value.magnitude);
    }
    return value.magnitude > kMaxPositive ? std::numeric_limits<int32_t>::max()
                                          : static_cast<int32_t>(value.magnitude);
}

uint32_t WrapToUlong(const tagMagnitude& value)
{
    constexpr uint64_t kMax = std::numeric_limits<uint32_t>::max();
    if (value.magnitude > kMax) {
        return static_cast<uint32_t>(kMax);
    }
    const uint32_t magnitude = static_cast<uint32_t>(value.magnitude);
    return value.negative ? 0u - magnitude : magnitude;
}

}  // namespace

void CArgArray::Append(int32_t value)
{
    AppendNumber(value);
}

void CArgArray::Append(uint32_t value)
{
    AppendNumber(value);
}

void CArgArray::Append(long value)
{
    AppendNumber(value);
}

void CArgArray::Append(const std::string& text)
{
    tagEntry entry;
    entry.is_text = true;
    entry.text = text;
    entries_.push_back(std::move(entry));
}

void CArgArray::Append(const char* text)
{
    Append(std::string(text != nullptr ? text : ""));
}

void CArgArray::AppendNumber(int64_t value)
{
    tagEntry entry;
    entry.number = value;
    entries_.push_back(std::move(entry));
}

const CArgArray::tagEntry* CArgArray::EntryAt(size_t i) const
{
    return i < entries_.size() ? &entries_[i] : nullptr;
}

namespace {

template <typename Entry> bool ReadEntry(const Entry* entry, tagMagnitude& value)
{
    if (entry == nullptr) {
        return false;
    }
    if (!entry->is_text) {
        value = MagnitudeOf(entry->number);
        return true;
    }
    return ParseMagnitude(entry->text, value);
}

}  // namespace

int32_t CArgArray::GetArgLong(size_t i) const
{
    tagMagnitude value;
    return ReadEntry(EntryAt(i), value) ? ClampToLong(value) : 0;
}

uint32_t CArgArray::GetArgUlong(size_t i) const
{
    tagMagnitude value;
    return ReadEntry(EntryAt(i), value) ? WrapToUlong(value) : 0;
}

int64_t CArgArray::GetArgInt64(size_t i) const
{
    const tagEntry* entry = EntryAt(i);
    if (entry != nullptr && !entry->is_text) {
        return entry->number;
    }
    tagMagnitude value;
    if (!ReadEntry(entry, value)) {
        return 0;
    }
    constexpr uint64_t kMaxPositive = std::numeric_limits<int64_t>::max();
    if (value.negative) {
        return value.magnitude > kMaxPositive ? std::numeric_limits<int64_t>::min()
                                              : -static_cast<int64_t>(value.magnitude);
    }
    return value.magnitude > kMaxPositive ? std::numeric_limits<int64_t>::max()
                                          : static_cast<int64_t>(value.magnitude);
}

std::string CArgArray::GetArgString(size_t i) const
{
    const tagEntry* entry = EntryAt(i);
    if (entry == nullptr) {
        return std::string();
    }
    return entry->is_text ? entry->text : std::to_string(entry->number);
}

bool CArgArray::IsTextArg(size_t i) const
{
    const tagEntry* entry = EntryAt(i);
    return entry != nullptr && entry->is_text;
}

bool CArgArray::IsNumericArg(size_t i) const
{
    tagMagnitude value;
    return ReadEntry(EntryAt(i), value);
}
