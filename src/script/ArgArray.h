// The argument and result lists of script functions. A script passes its inputs to a registered
// function in one list, and the function hands its outputs back in another (@0, the function
// result, first). Each entry is a number or a text, and either reads as the other: a number's
// text is its decimal digits, and a text reads as a number with the automatic base of the C
// library (0x0012 is hexadecimal, 017 octal, 12 decimal), so that a value typed as text and the
// same value given as a number put the same data on the wire.
//
// "Long" and "Ulong" are the 32-bit signed and unsigned numbers of the subsystem's interface.
//
// A list belongs to one thread at a time; it does no locking of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CArgArray {
public:
    CArgArray() = default;

    // Appends a number (a function result, a flag, a code, a value) or a text.
    void Append(int32_t value);
    void Append(uint32_t value);
    void Append(long value);
    void Append(const std::string& text);
    void Append(const char* text);

    // The number of entries.
    size_t NumOfArgs() const { return entries_.size(); }
    // Removes every entry.
    void RemoveAll() { entries_.clear(); }

    // Entry i as a signed 32-bit number. A number outside the range, or a text whose value is,
    // is clamped to INT32_MIN or INT32_MAX. 0 for a text that does not read as a number
    // (IsNumericArg false) and for an index at or past NumOfArgs().
    int32_t GetArgLong(size_t i) const;
    // Entry i as an unsigned 32-bit number. A negative number -n (n up to 2^32) gives 2^32 - n,
    // as strtoul gives for the text "-n"; a magnitude above 0xFFFFFFFF gives 0xFFFFFFFF. 0 for a
    // text that does not read as a number and for an index at or past NumOfArgs().
    uint32_t GetArgUlong(size_t i) const;
    // Entry i as a 64-bit number: a number exactly as appended, a text read as above and clamped
    // to the 64-bit range. 0 for a text that does not read as a number and for an index at or
    // past NumOfArgs(). The engine hands numbers to scripts in this form.
    int64_t GetArgInt64(size_t i) const;
    // Entry i as a text: a text as given, a number as its decimal digits ("-5", "8192"). The
    // empty text for an index at or past NumOfArgs().
    std::string GetArgString(size_t i) const;

    // True when entry i was appended as a text (the engine gives it to a script as a string).
    bool IsTextArg(size_t i) const;
    // True when entry i is a number, or a text that reads wholly as one: optional blanks, an
    // optional sign, then 0x and hexadecimal digits, 0 and octal digits, or decimal digits, then
    // optional blanks. "12abc", "0x", "08" and "" do not. False for an index out of range.
    bool IsNumericArg(size_t i) const;

private:
    struct tagEntry {
        bool is_text = false;
        int64_t number = 0;
        std::string text;
    };

    void AppendNumber(int64_t value);
    // Entry i, or null when i is at or past NumOfArgs().
    const tagEntry* EntryAt(size_t i) const;

    std::vector<tagEntry> entries_;
};
