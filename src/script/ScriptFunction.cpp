#include "script/ScriptFunction.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "platform/Format.h"
#include "platform/TextFile.h"

namespace {

// Lua's reserved words, and the globals of the standard libraries and of the engine. A function
// registered under one of these would silently replace something scripts depend on.
constexpr std::array<std::string_view, 22> kKeywords = {
    "and",      "break",  "do",   "else", "elseif", "end",  "false", "for",
    "function", "goto",   "if",   "in",   "local",  "nil",  "not",   "or",
    "repeat",   "return", "then", "true", "until",  "while"};

constexpr std::array<std::string_view, 38> kReservedGlobals = {
    "_G",        "_VERSION", "arg",          "assert",   "collectgarbage",
    "coroutine", "debug",    "dofile",       "error",    "getmetatable",
    "io",        "ipairs",   "load",         "loadfile", "math",
    "next",      "os",       "package",      "pairs",    "pcall",
    "print",     "rawequal", "rawget",       "rawlen",   "rawset",
    "require",   "select",   "setmetatable", "string",   "table",
    "tonumber",  "tostring", "type",         "utf8",     "warn",
    "xpcall",    "help",     "ResultText"};

template <size_t N>
bool Contains(const std::array<std::string_view, N>& words, const std::string& name)
{
    return std::find(words.begin(), words.end(), name) != words.end();
}

bool IsIdentifier(const std::string& name)
{
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               (c >= '0' && c <= '9');
    });
}

std::string CountText(int count)
{
    return count == 1 ? "1 input" : Format("%d inputs", count);
}

std::string RangeText(int min_inputs, int max_inputs)
{
    if (max_inputs == 0) {
        return "no inputs";
    }
    if (min_inputs == max_inputs) {
        return CountText(max_inputs);
    }
    return Format("%d to %d inputs", min_inputs, max_inputs);
}

}  // namespace

std::string CallFormOf(const tagScriptFunction& function)
{
    const std::vector<std::string> lines = SplitLines(function.help_text);
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].empty() && !lines[i + 1].empty()) {
            return lines[i + 1];
        }
    }
    return function.name + "()";
}

std::string InputCountRefusal(const tagScriptFunction& function, int input_count)
{
    return Format("%s takes %s, %d given; call it as %s", function.name.c_str(),
                  RangeText(function.min_inputs, function.max_inputs).c_str(), input_count,
                  CallFormOf(function).c_str());
}

std::string PrintableHelp(const std::string& help_text)
{
    std::string text;
    for (const std::string& line : SplitLines(help_text)) {
        text += line;
        text += '\n';
    }
    return text;
}

bool IsRegistrableName(const std::string& name)
{
    return IsIdentifier(name) && !Contains(kKeywords, name) && !Contains(kReservedGlobals, name);
}

const std::vector<tagScriptFunction>& EngineGlobalFunctions()
{
    static const std::vector<tagScriptFunction> globals = [] {
        std::vector<tagScriptFunction> list(2);
        list[0].name = "ResultText";
        list[0].help_text =
            "Returns the result text of the last function the script called: \"OK\", the "
            "subsystem's reply or the error.\r\n\r\nResultText()\r\nOUT:\r\n    the result text "
            "(\"\" before the first call)";
        list[1].name = "help";
        list[1].help_text =
            "Prints the call form of every function, or the help text of one.\r\n\r\n"
            "help(IN: [Name])\r\nOUT:\r\n    nothing; the text goes to the output";
        return list;
    }();
    return globals;
}

int ZelResultCodeOutput(const std::string& help_text)
{
    static const std::string kMeaning = " = ZEL result code";
    size_t at = help_text.find(kMeaning);
    while (at != std::string::npos) {
        // The output number before the meaning: "@" and digits.
        size_t start = at;
        while (start > 0 && std::isdigit(static_cast<unsigned char>(help_text[start - 1]))) {
            --start;
        }
        if (start < at && start > 0 && help_text[start - 1] == '@' && at - start <= 2) {
            return std::stoi(help_text.substr(start, at - start));
        }
        at = help_text.find(kMeaning, at + 1);
    }
    return -1;
}
