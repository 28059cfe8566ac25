// zovcli functions, call, read and write: the script functions one at a time, without a script.

#include <cstdio>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
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

// Checked before the port is touched, so that a typing mistake costs no connection.
bool CheckCall(const std::string& name, size_t input_count)
{
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
    return true;
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
    if (!CheckCall(name, inputs.size())) {
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
    if (status != kExitSucceeded && (result_text == CSerialCommHandler::GetResultText(3) ||
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
