// zovcli functions, call, read and write: the script functions one at a time, without a script.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
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

// The two number inputs that the functions read as signed numbers; every other one is unsigned,
// where "-1" would reach the board as 0xFFFFFFFF.
bool IsSignedInput(const std::string& function, const std::string& input)
{
    return (function == "ZelCmdSelectLogLevel" && input == "LogLevel") ||
           (function == "ZelVerGetComponentVersion" && input == "ComponentIndex");
}

// A text that is no number reads as 0, a number beyond 32 bits as the largest one, and a negative
// number as its 32-bit pattern: each would reach the board as a value the engineer never typed
// (an index 0x0000, buffer 0, buffer 0xFFFFFFFF), so such an input is refused before anything is
// sent.
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
        const bool is_signed = IsSignedInput(function.name, names[i]);
        const int64_t value = in.GetArgInt64(i);
        const int64_t low = is_signed ? int64_t{INT32_MIN} : 0;
        const int64_t high = is_signed ? int64_t{INT32_MAX} : int64_t{UINT32_MAX};
        if (!in.IsNumericArg(i) || value < low || value > high) {
            CliError(Format("%s: %s takes %s 32-bit number (decimal, 0x hexadecimal or 0 octal), not \"%s\"",
                            function.name.c_str(), names[i].c_str(), is_signed ? "a signed" : "an unsigned",
                            inputs[i].c_str()));
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

// ZelDevSetReq takes its value as the script function takes it (ParamValueFromInput): "True"
// and "False", or a number of the parameter's type; 70000 for a 16-bit parameter would reach the
// board as 4464, "abc" as 0.
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
    if (!ParamValueFromInput(type, inputs[3])) {
        CliError(Format("ZelDevSetReq: %s takes %s, not \"%s\"", inputs[2].c_str(),
                        ParamInputDescription(type).c_str(), inputs[3].c_str()));
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

// The raw requests hand the subsystem's verdict back at @4 and succeed whenever the link did.
bool IsRawRequest(const std::string& name)
{
    return name == "ZELSP_Read" || name == "ZELSP_Write" || name == "R" || name == "W" ||
           name == "ZELSP_GetCommandResult";
}

// The ZEL result code the board answered with: @4 of a raw request, else the third word of the
// reply that a typed function hands on as its result text ("c 0x0012 0x06090030 ..."). Empty
// when no reply came back.
std::optional<uint32_t> AnsweredResultCode(const std::string& name, const CArgArray& out,
                                           const std::string& result_text)
{
    if (IsRawRequest(name)) {
        if (out.NumOfArgs() >= 5 && out.IsNumericArg(4)) {
            return out.GetArgUlong(4);
        }
        return std::nullopt;
    }
    CArgArray reply;
    CSerialCommHandler::ParseReply(result_text, reply);
    const std::string first = reply.GetArgString(0);
    if (reply.NumOfArgs() < 3 || (first != "c" && first != "C") || !reply.IsNumericArg(2)) {
        return std::nullopt;
    }
    return reply.GetArgUlong(2);
}

// One line per output, then the result text. The exit status follows @0, and a request that the
// board refused (a ZEL result code other than 0) fails even where @0 says the link worked: a
// script of automation must see a refusal without reading the reply.
int PrintOutputs(const std::string& name, const CArgArray& out, const std::string& result_text)
{
    for (size_t i = 0; i < out.NumOfArgs(); ++i) {
        std::printf("@%zu = %s\n", i, out.GetArgString(i).c_str());
    }
    const std::optional<uint32_t> code = AnsweredResultCode(name, out, result_text);
    const bool refused = code && *code != 0;
    if (refused) {
        std::printf("Result: %s (refused by the board: ZEL result code 0x%08x)\n", result_text.c_str(), *code);
    } else {
        std::printf("Result: %s\n", result_text.c_str());
    }
    std::fflush(stdout);
    const bool succeeded = out.NumOfArgs() > 0 && out.GetArgLong(0) == 1 && !refused;
    return succeeded ? kExitSucceeded : kExitFailed;
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
    const int status = PrintOutputs(name, out, result_text);
    if (session.PortFailed()) {
        CliError(session.PortFailureText());
    } else if (status != kExitSucceeded && session.Handler().LastReplyTimedOut()) {
        CliError(Format("the controller board on %s acknowledged the request but sent no reply within %u ms; "
                        "a command that takes longer needs a longer --timeout",
                        session.PortName().c_str(), session.TimeoutMs()));
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
