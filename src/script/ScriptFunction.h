// A function that scripts can call: the shape every registered function has, and what the engine
// keeps about it (its name, help text and the number of inputs it accepts).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/ArgArray.h"

// A registered function. It receives the context given at registration, the script's inputs and
// an empty output list, fills the output list with @0 (the function result as a number: 1
// succeeded, 0 failed) and then its values, sets result_text (the script reads it through
// ResultText()), and returns 1 when it succeeded and 0 when it failed. It runs on the engine's
// thread and must not throw; an exception that escapes anyway ends the script with an error.
using ScriptFunction = int (*)(void* context, CArgArray& in, CArgArray& out,
                               std::string& result_text);

struct tagScriptFunction {
    std::string name;
    ScriptFunction function = nullptr;
    void* context = nullptr;
    // Lines separated by "\r\n": description, an empty line, the call form, "OUT:" and the outputs.
    std::string help_text;
    int min_inputs = 0;
    int max_inputs = 0;
};

// One finished call of a registered function by a script, as the engine reports it.
struct tagScriptCall {
    std::string name;
    int result = 0;           // what the function returned: 1 succeeded, 0 failed
    std::string result_text;  // as ResultText() gives it afterwards
    int line = 0;             // the script's line of the call; 0 when unknown
    // The subsystem's verdict, for functions whose help text names an output "ZEL result code":
    // a call can succeed on the link and still be refused (R of an unknown object).
    bool has_zel_result_code = false;
    uint32_t zel_result_code = 0;
};

// The output number that a help text names "ZEL result code" ("    @4 = ZEL result code"), or -1.
int ZelResultCodeOutput(const std::string& help_text);

// The engine's own globals that every script has besides the registered functions (ResultText,
// help), each with a help text of the same shape: name and help_text are set, the rest is not
// used.
const std::vector<tagScriptFunction>& EngineGlobalFunctions();

// The call form of a help text: the line after its first empty line, such as
// "ZELSP_Read(IN: Index, SubIndex)". When the help text has none, the name followed by "()".
std::string CallFormOf(const tagScriptFunction& function);

// The refusal of a call with input_count inputs outside the function's range, naming the
// function and its call form, e.g. "ZELSP_Read takes 2 inputs, 1 given; call it as
// ZELSP_Read(IN: Index, SubIndex)".
std::string InputCountRefusal(const tagScriptFunction& function, int input_count);

// The help text with LF line ends, for printing.
std::string PrintableHelp(const std::string& help_text);

// True when name can be registered: a Lua identifier that is no Lua keyword and does not hide a
// global that every script relies on (print, string, help, ...).
bool IsRegistrableName(const std::string& name);
