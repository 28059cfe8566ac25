// zovcli functions, call, read and write: the script functions one at a time, without a script.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <set>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "handler/ParamTable.h"
#include "handler/ScriptFunctions.h"
#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "script/ScriptEngine.h"

namespace {

int ListFunctions(const CliOptions&, const std::vector<std::string>& args)
{
    if (!args.empty()) {
        CliError("usage: zovcli functions");
        return kExitCannotRun;
    }
    bool first = true;
    for (const tagScriptFunctionRow& row : ScriptFunctionRows()) {
        std::string help = PrintableHelp(row.help_text);
        if (help.empty() || help.back() != '\n') {
            help += '\n';
        }
        std::printf("%s%s", first ? "" : "\n", help.c_str());
        first = false;
    }
    return kExitSucceeded;
}

const tagScriptFunctionRow* FindFunctionRow(const std::string& name)
{
    for (const tagScriptFunctionRow& row : ScriptFunctionRows()) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

// The input names of a call form: "Index", "SubIndex", "Data1", "...", "DataN" for
// "ZELSP_Write(IN: Index, SubIndex, Data1, ..., DataN)".
std::vector<std::string> InputNames(const std::string& call_form)
{
    std::vector<std::string> names;
    const size_t open = call_form.find("(IN: ");
    const size_t close = call_form.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return names;
    }
    const std::string list = call_form.substr(open + 5, close - open - 5);
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        const size_t first = list.find_first_not_of(' ', start);
        if (first != std::string::npos && first < comma) {
            names.push_back(list.substr(first, list.find_last_not_of(' ', comma - 1) - first + 1));
        }
        start = comma + 1;
    }
    return names;
}

// The functions read every input as a number except these, which they take as text (data
// values of a write, parameter names and values, calibration data, DCM command texts).
bool IsTextInput(const std::string& name)
{
    static const std::set<std::string> kTextInputs = {"Data", "Data1", "...", "DataN",
                                                      "ParamName", "ParamValue", "TextString"};
    return kTextInputs.count(name) != 0;
}

// A text that is no number reads as 0, and a number beyond 32 bits as the largest one: either
// would reach the board as a value the engineer never typed (an index 0x0000, buffer 0), so
// such an input is refused before anything is sent.
bool CheckNumericInputs(const tagScriptFunction& function, const std::vector<std::string>& inputs)
{
    const std::vector<std::string> names = InputNames(CallFormOf(function));
    CArgArray in;
    for (const std::string& input : inputs) {
        in.Append(input);
    }
    for (size_t i = 0; i < inputs.size() && i < names.size(); ++i) {
        if (IsTextInput(names[i])) {
            continue;
        }
        const int64_t value = in.GetArgInt64(i);
        if (!in.IsNumericArg(i) || value < INT32_MIN || value > int64_t{UINT32_MAX}) {
            CliError(Format("%s: %s takes a 32-bit number (decimal, 0x hexadecimal or 0 octal), not \"%s\"",
                            function.name.c_str(), names[i].c_str(), inputs[i].c_str()));
            return false;
        }
    }
    return true;
}

// The type of the parameter name on logical device 0 or 1; false when there is none (the
// function itself refuses those without a request).
bool FindParamType(uint32_t device, const std::string& name, uint32_t& type)
{
    const ParamEntry* entry = nullptr;
    if (device == 0) {
        entry = CDev0ParamTable::AcquireInstance()->GetParam(name);
        if (entry != nullptr) {
            type = entry->type;
        }
        CDev0ParamTable::ReleaseInstance();
    } else if (device == 1) {
        entry = CDev1ParamTable::AcquireInstance()->GetParam(name);
        if (entry != nullptr) {
            type = entry->type;
        }
        CDev1ParamTable::ReleaseInstance();
    }
    return entry != nullptr;
}

// ZelDevSetReq keeps only the bits of the parameter's type: 70000 for a 16-bit parameter would
// reach the board as 4464, "abc" as 0. A number parameter's value must read as a number of
// its type (a signed 16-bit one also as its 16-bit pattern, such as 0xFFFF for -1).
bool CheckParamValue(const std::vector<std::string>& inputs)
{
    CArgArray in;
    for (const std::string& input : inputs) {
        in.Append(input);
    }
    uint32_t type = 0;
    if (inputs.size() != 4 || !FindParamType(in.GetArgUlong(0), inputs[2], type)) {
        return true;
    }
    int64_t low = 0;
    int64_t high = 0;
    const char* what = "";
    switch (type) {
    case kParamBool: high = 1; what = "0 or 1"; break;
    case kParamUlong: high = UINT32_MAX; what = "an unsigned 32-bit number"; break;
    case kParamUshort: high = UINT16_MAX; what = "an unsigned 16-bit number"; break;
    case kParamUchar: high = UINT8_MAX; what = "an unsigned 8-bit number"; break;
    case kParamShort: low = INT16_MIN; high = UINT16_MAX; what = "a signed 16-bit number"; break;
    default: return true;  // the arrays take their "0x" groups as text
    }
    const int64_t value = in.GetArgInt64(3);
    if (!in.IsNumericArg(3) || value < low || value > high) {
        CliError(Format("ZelDevSetReq: %s takes %s, not \"%s\"", inputs[2].c_str(), what, inputs[3].c_str()));
        return false;
    }
    return true;
}

// Checked before the port is touched, so that a typing mistake costs no connection.
bool CheckCall(const std::string& name, const std::vector<std::string>& inputs)
{
    const size_t input_count = inputs.size();
    const tagScriptFunctionRow* row = FindFunctionRow(name);
    if (row == nullptr) {
        CliError("unknown function \"" + name + "\" (zovcli functions lists them)");
        return false;
    }
    if (static_cast<int>(input_count) < row->min_inputs ||
        static_cast<int>(input_count) > row->max_inputs) {
        tagScriptFunction function;
        function.name = row->name;
        function.help_text = row->help_text;
        function.min_inputs = row->min_inputs;
        function.max_inputs = row->max_inputs;
        CliError(InputCountRefusal(function, static_cast<int>(input_count)));
        return false;
    }
    tagScriptFunction function;
    function.name = row->name;
    function.help_text = row->help_text;
    return CheckNumericInputs(function, inputs) && (name != "ZelDevSetReq" || CheckParamValue(inputs));
}

// One line per output, then the result text. The exit status follows @0.
int PrintOutputs(const CArgArray& out, const std::string& result_text)
{
    for (size_t i = 0; i < out.NumOfArgs(); ++i) {
        std::printf("@%zu = %s\n", i, out.GetArgString(i).c_str());
    }
    std::printf("Result: %s\n", result_text.c_str());
    std::fflush(stdout);
    return out.NumOfArgs() > 0 && out.GetArgLong(0) == 1 ? kExitSucceeded : kExitFailed;
}

int CallFunction(const CliOptions& options, const std::string& name,
                 const std::vector<std::string>& inputs)
{
    if (!CheckCall(name, inputs)) {
        return kExitCannotRun;
    }
    CCliSession session(options);
    CScriptEngine engine;
    if (!session.Connect(false, &engine)) {
        return kExitCannotRun;
    }
    CArgArray in;
    for (const std::string& input : inputs) {
        in.Append(input);
    }
    CArgArray out;
    std::string result_text;
    if (engine.CallFunction(name, in, out, result_text) == CScriptEngine::kCallRefused) {
        CliError(result_text);
        return kExitCannotRun;
    }
    const int status = PrintOutputs(out, result_text);
    if (session.PortFailed()) {
        CliError(session.PortFailureText());
    } else if (status != kExitSucceeded && (result_text == CSerialCommHandler::GetResultText(3) ||
                                     result_text == CSerialCommHandler::GetResultText(4))) {
        CliError("no answer from the controller board on " + session.PortName() +
                 " — is it powered and connected, and in its runtime (not boot) mode?");
    }
    return status;
}

int RunCall(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.empty()) {
        CliError("usage: zovcli call NAME [ARG...]");
        return kExitCannotRun;
    }
    return CallFunction(options, args[0], std::vector<std::string>(args.begin() + 1, args.end()));
}

int RunRead(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        CliError("usage: zovcli read INDEX SUBINDEX");
        return kExitCannotRun;
    }
    return CallFunction(options, "ZELSP_Read", args);
}

int RunWrite(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() < 2) {
        CliError("usage: zovcli write INDEX SUBINDEX [DATA...]");
        return kExitCannotRun;
    }
    return CallFunction(options, "ZELSP_Write", args);
}

const CCliRegistration kFunctions({"functions", "", "every script function with its help text",
                                   ListFunctions});
const CCliRegistration kCall({"call", "NAME [ARG...]",
                              "call one script function; each ARG is passed as text", RunCall});
const CCliRegistration kRead({"read", "INDEX SUBINDEX", "same as: call ZELSP_Read INDEX SUBINDEX",
                              RunRead});
const CCliRegistration kWrite({"write", "INDEX SUBINDEX [DATA...]",
                               "same as: call ZELSP_Write INDEX SUBINDEX DATA...", RunWrite});

}  // namespace
