// The text of the output box of the download and flash pages: every line the operation reports,
// each followed by "\r\n". The box keeps only its last part: once the text has reached
// kCutLength characters, everything before the first line end within the last kKeepLength
// characters is dropped and "..." is put in front, so the box starts with "...\r\n" and never
// holds much more than kCutLength characters. One thread (the page's).
#pragma once

#include <cstddef>
#include <string>

class COutputBoxText {
public:
    static constexpr size_t kCutLength = 22001;
    static constexpr size_t kKeepLength = 20000;

    // Appends line and "\r\n". True when the text was cut (the box must be refilled); false
    // when the line was only added to the end.
    bool Append(const std::string& line);

    const std::string& Text() const { return text_; }
    void Clear() { text_.clear(); }

private:
    std::string text_;
};
