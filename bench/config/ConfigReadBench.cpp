// Reading configuration texts whose layout once made the reader quadratic, at 100 KB and at
// 400 KB. Prints, per kind of text, the ratio of the read times (400 KB / 100 KB): a reader
// linear in its input gives about 4, a quadratic one about 16.
//
//  - quotes out of step: every heading carries a double quote in its name and every record one
//    after its keys, so that the key searches of each record see all later headings as quoted
//    text and, lacking a "Fixed" key, ran to the end of the buffer;
//  - one line: the records without line breaks, so that every value read ran to the end of
//    the line, that is of the buffer;
//  - a plain file of ordinary records, for comparison.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "config/Config.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

namespace {

class CSilentPrompt : public IPrompt {
public:
    void ShowMessage(const std::string&, PromptIcon, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool AskOkCancel(const std::string&, const std::string&) override { return false; }
};

std::string QuotesOutOfStep(size_t size)
{
    std::string text;
    for (int n = 0; text.size() < size; ++n) {
        text += Format("[n%d\"]\r\nClass = 0\r\nType = 0\r\nHelp = 0\r\nValue = %d\r\n\"\r\n", n, n);
    }
    return text;
}

std::string OneLine(size_t size)
{
    std::string text;
    for (int n = 0; text.size() < size; ++n) {
        text += Format("[Item %d]Class = 0 Fixed = 0 Help = \"h\" Type = 0 Value = %d ", n, n);
    }
    return text;
}

std::string Plain(size_t size)
{
    std::string text = "Nemra configuration file\r\n\r\n";
    for (int n = 0; text.size() < size; ++n) {
        text += Format("[Item %d]\r\nClass = 1\r\nFixed = 0\r\nHelp = \"An item\"\r\nType = 0\r\nValue = %d\r\n"
                       "Range = 0..100000\r\n\r\n",
                       n, n);
    }
    return text;
}

// The best of a few reads, in seconds, and the number of items read.
double ReadSeconds(const std::string& text, size_t& items)
{
    double best = 1e9;
    for (int run = 0; run < 31; ++run) {
        CConfig config;
        const auto start = std::chrono::steady_clock::now();
        config.Parse(text.data(), text.size(), kConfigFileForm);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
        items = config.GetCount();
    }
    return best;
}

void Compare(const char* kind, std::string (*make)(size_t))
{
    size_t small_items = 0;
    size_t large_items = 0;
    const double small = ReadSeconds(make(100 * 1024), small_items);
    const double large = ReadSeconds(make(400 * 1024), large_items);
    std::printf("%-20s 400 KB / 100 KB read time: %5.1f  (%.2f ms / %.2f ms, items %zu / %zu)\n", kind,
                large / small, large * 1e3, small * 1e3, large_items, small_items);
}

}  // namespace

int main()
{
    CSilentPrompt prompt;
    CScopedPrompt scoped(prompt);
    Compare("quotes out of step", &QuotesOutOfStep);
    Compare("one line", &OneLine);
    Compare("plain file", &Plain);
    return 0;
}
