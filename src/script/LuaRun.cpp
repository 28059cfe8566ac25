#include "script/LuaRun.h"

#include <cctype>
#include <cstdint>

#include <lua.hpp>

#include "platform/Format.h"

namespace {

// Instructions between two looks at the stop flag: often enough that a stop ends a busy loop at
// once, rarely enough that the look costs nothing measurable.
constexpr int kInstructionsPerStopCheck = 1000;

// The error text with which a stop ends a script.
constexpr char kStoppedText[] = "script stopped";

// The error object of os.exit: its address tells the end of the script apart from any value a
// script could raise itself.
char exit_token = 0;

bool IsExitToken(lua_State* state, int index)
{
    return lua_islightuserdata(state, index) && lua_touserdata(state, index) == &exit_token;
}

}  // namespace

CLuaRun::CLuaRun(const std::vector<tagScriptFunction>& functions,
                 const std::atomic<bool>& stop_requested, TextSink output, CallSink calls)
    : functions_(functions),
      stop_requested_(stop_requested),
      output_(std::move(output)),
      calls_(std::move(calls))
{
}

CLuaRun::~CLuaRun()
{
    if (state_ != nullptr) {
        lua_close(state_);
    }
}

tagScriptResult CLuaRun::Execute(const std::string& text, const std::string& chunk_name,
                                 const std::vector<std::string>& args)
{
    tagScriptResult result;
    state_ = luaL_newstate();
    if (state_ == nullptr) {
        result.outcome = ScriptOutcome::kFailed;
        result.error_text = "not enough memory to start the script";
        return result;
    }
    // Every coroutine of the state shares this extra space, so the hook finds the run from any.
    *static_cast<CLuaRun**>(lua_getextraspace(state_)) = this;
    lua_sethook(state_, CountHook, LUA_MASKCOUNT, kInstructionsPerStopCheck);

    tagChunk chunk{&text, &chunk_name, &args};
    source_ = "@" + chunk_name;
    lua_pushcfunction(state_, MessageHandler);
    lua_pushcfunction(state_, ProtectedMain);
    lua_pushlightuserdata(state_, &chunk);
    const int status = lua_pcall(state_, 1, 0, 1);
    if (status == LUA_OK && !exit_asked_) {
        result.outcome = ScriptOutcome::kSucceeded;
        result.exit_status = 0;
    } else {
        result = ResultOfFailure(state_, status);
    }
    lua_close(state_);
    state_ = nullptr;
    return result;
}

tagScriptResult CLuaRun::ResultOfFailure(lua_State* state, int status)
{
    tagScriptResult result;
    if (exit_asked_ || IsExitToken(state, -1)) {
        result.exit_status = exit_status_;
        result.outcome = exit_status_ == 0 ? ScriptOutcome::kSucceeded : ScriptOutcome::kFailed;
        return result;
    }
    result.exit_status = 1;
    if (stop_requested_.load()) {
        result.outcome = ScriptOutcome::kStopped;
        return result;
    }
    result.outcome = ScriptOutcome::kFailed;
    result.error_line = error_line_;
    const char* message = lua_tostring(state, -1);
    if (message != nullptr) {
        result.error_text = message;
    } else {
        result.error_text = status == LUA_ERRMEM ? "not enough memory" : "unknown error";
    }
    return result;
}

// Runs inside the protected call, so that every failure while setting up (memory) or running
// the script comes back as an error instead of ending the process.
int CLuaRun::ProtectedMain(lua_State* state)
{
    const tagChunk& chunk = *static_cast<const tagChunk*>(lua_touserdata(state, 1));
    lua_settop(state, 0);
    CLuaRun& run = RunOf(state);
    luaL_openlibs(state);
    run.InstallGlobals(state);
    run.InstallArgs(state, chunk);
    // "@" makes Lua name the chunk as given in messages ("name:line:"), keeping the end of a long
    // path. Text only: a precompiled chunk could crash the interpreter.
    if (luaL_loadbufferx(state, chunk.text->data(), chunk.text->size(), run.source_.c_str(), "t") !=
        LUA_OK) {
        return lua_error(state);
    }
    const int count = static_cast<int>(chunk.args->size());
    luaL_checkstack(state, count, "too many script arguments");
    for (const std::string& arg : *chunk.args) {
        lua_pushlstring(state, arg.data(), arg.size());
    }
    lua_call(state, count, 0);
    return 0;
}

// Turns what the script raised into its error text; the end of the script by os.exit passes
// unchanged so that it can be recognised.
int CLuaRun::MessageHandler(lua_State* state)
{
    if (IsExitToken(state, 1)) {
        return 1;
    }
    if (lua_type(state, 1) == LUA_TSTRING) {
        CLuaRun& run = RunOf(state);
        run.error_line_ = run.ErrorLineOf(state, lua_tostring(state, 1));
        return 1;
    }
    if (luaL_callmeta(state, 1, "__tostring") && lua_type(state, -1) == LUA_TSTRING) {
        return 1;
    }
    lua_pushfstring(state, "(error object is a %s value)", luaL_typename(state, 1));
    return 1;
}

void CLuaRun::InstallGlobals(lua_State* state)
{
    for (const tagScriptFunction& function : functions_) {
        lua_pushlightuserdata(state, const_cast<tagScriptFunction*>(&function));
        lua_pushcclosure(state, CallRegistered, 1);
        lua_setglobal(state, function.name.c_str());
    }
    lua_register(state, "print", Print);
    lua_register(state, "help", Help);
    lua_register(state, "ResultText", ResultText);

    // os.exit would end the whole program, the window with it; here it ends the script.
    lua_getglobal(state, "os");
    lua_pushcfunction(state, Exit);
    lua_setfield(state, -2, "exit");
    lua_pop(state, 1);
    // The stop relies on the engine's count hook; a script must not take it away.
    lua_getglobal(state, "debug");
    lua_pushcfunction(state, RefuseSetHook);
    lua_setfield(state, -2, "sethook");
    lua_pop(state, 1);
}

void CLuaRun::InstallArgs(lua_State* state, const tagChunk& chunk)
{
    const std::vector<std::string>& args = *chunk.args;
    lua_createtable(state, static_cast<int>(args.size()), 1);
    lua_pushlstring(state, chunk.name->data(), chunk.name->size());
    lua_rawseti(state, -2, 0);
    for (size_t i = 0; i < args.size(); ++i) {
        lua_pushlstring(state, args[i].data(), args[i].size());
        lua_rawseti(state, -2, static_cast<lua_Integer>(i + 1));
    }
    lua_setglobal(state, "arg");
}

CLuaRun& CLuaRun::RunOf(lua_State* state)
{
    return **static_cast<CLuaRun**>(lua_getextraspace(state));
}

bool CLuaRun::EndAsked() const
{
    return exit_asked_ || stop_requested_.load(std::memory_order_relaxed);
}

void CLuaRun::EndIfAsked(lua_State* state)
{
    if (!EndAsked()) {
        return;
    }
    // From now on every instruction of this coroutine and of the main one raises the end again,
    // so that neither a pcall nor a coroutine.resume in the script can hold it off.
    lua_sethook(state, CountHook, LUA_MASKCOUNT, 1);
    lua_sethook(state_, CountHook, LUA_MASKCOUNT, 1);
    if (exit_asked_) {
        lua_pushlightuserdata(state, &exit_token);
    } else {
        lua_pushstring(state, kStoppedText);
    }
    lua_error(state);
}

void CLuaRun::CountHook(lua_State* state, lua_Debug* /*debug*/)
{
    RunOf(state).EndIfAsked(state);
}

int CLuaRun::CallRegistered(lua_State* state)
{
    CLuaRun& run = RunOf(state);
    run.EndIfAsked(state);
    const auto& function =
        *static_cast<const tagScriptFunction*>(lua_touserdata(state, lua_upvalueindex(1)));
    const int count = lua_gettop(state);
    if (count < function.min_inputs || count > function.max_inputs) {
        return luaL_error(state, "%s", InputCountRefusal(function, count).c_str());
    }
    CArgArray in;
    run.CollectInputs(state, function, in);

    CArgArray out;
    std::string result_text;
    int result = 0;
    bool escaped = false;
    try {
        result = function.function(function.context, in, out, result_text);
    } catch (...) {
        escaped = true;
    }
    if (escaped) {
        return luaL_error(state, "%s failed unexpectedly", function.name.c_str());
    }
    run.last_result_text_ = std::move(result_text);
    // A function that noticed the stop returns early; its outputs mean nothing then.
    run.EndIfAsked(state);
    if (run.calls_) {
        tagScriptCall call{function.name, result, run.last_result_text_, run.CurrentScriptLine(state)};
        const int code_output = ZelResultCodeOutput(function.help_text);
        if (code_output >= 0 && out.NumOfArgs() > static_cast<size_t>(code_output)) {
            call.has_zel_result_code = true;
            call.zel_result_code = out.GetArgUlong(static_cast<size_t>(code_output));
        }
        run.calls_(call);
    }
    lua_settop(state, 0);
    return PushOutputs(state, out, result);
}

void CLuaRun::CollectInputs(lua_State* state, const tagScriptFunction& function, CArgArray& in)
{
    const int count = lua_gettop(state);
    for (int i = 1; i <= count; ++i) {
        switch (lua_type(state, i)) {
        case LUA_TNUMBER: {
            int is_integer = 0;
            const lua_Integer value = lua_tointegerx(state, i, &is_integer);
            if (!is_integer) {
                luaL_error(state,
                           "bad argument #%d to '%s' (number has no integer representation; "
                           "pass it as a string)",
                           i, function.name.c_str());
            }
            // Every number of the subsystem's interface is 32 bits wide, read signed or
            // unsigned; a larger one would be cut or saturated into a value the script never
            // gave (0x100002013 reaching the board as 0xffffffff).
            if (value < lua_Integer{INT32_MIN} || value > lua_Integer{UINT32_MAX}) {
                luaL_error(state, "bad argument #%d to '%s' (%I does not fit 32 bits)", i,
                           function.name.c_str(), value);
            }
            in.Append(static_cast<long>(value));
            break;
        }
        case LUA_TSTRING: {
            size_t length = 0;
            const char* text = lua_tolstring(state, i, &length);
            in.Append(std::string(text, length));
            break;
        }
        case LUA_TBOOLEAN:
            in.Append(static_cast<int32_t>(lua_toboolean(state, i) ? 1 : 0));
            break;
        default:
            luaL_error(state, "bad argument #%d to '%s' (number or string expected, got %s)", i,
                       function.name.c_str(), luaL_typename(state, i));
        }
    }
}

int CLuaRun::PushOutputs(lua_State* state, const CArgArray& out, int result)
{
    if (out.NumOfArgs() == 0) {
        // A script always finds the function result first, even when the function left it out.
        lua_pushinteger(state, result);
        return 1;
    }
    const int count = static_cast<int>(out.NumOfArgs());
    luaL_checkstack(state, count, "too many outputs");
    for (size_t i = 0; i < out.NumOfArgs(); ++i) {
        if (out.IsTextArg(i)) {
            const std::string text = out.GetArgString(i);
            lua_pushlstring(state, text.data(), text.size());
        } else {
            lua_pushinteger(state, out.GetArgInt64(i));
        }
    }
    return count;
}

void CLuaRun::Write(const std::string& text) const
{
    if (output_ && !text.empty()) {
        output_(text);
    }
}

int CLuaRun::Print(lua_State* state)
{
    const int count = lua_gettop(state);
    std::string line;
    for (int i = 1; i <= count; ++i) {
        size_t length = 0;
        const char* text = luaL_tolstring(state, i, &length);
        if (i > 1) {
            line += '\t';
        }
        line.append(text, length);
        lua_pop(state, 1);
    }
    line += '\n';
    RunOf(state).Write(line);
    return 0;
}

int CLuaRun::Help(lua_State* state)
{
    CLuaRun& run = RunOf(state);
    if (lua_isnoneornil(state, 1)) {
        std::string list;
        for (const tagScriptFunction& function : run.functions_) {
            list += CallFormOf(function) + "\n";
        }
        run.Write(list);
        return 0;
    }
    const std::string name = luaL_checkstring(state, 1);
    const tagScriptFunction* function = run.FindFunction(name);
    if (function == nullptr) {
        run.Write(Format("There is no function \"%s\"; help() lists them all.\n", name.c_str()));
    } else if (function->help_text.empty()) {
        run.Write(CallFormOf(*function) + "\n");
    } else {
        run.Write(PrintableHelp(function->help_text));
    }
    return 0;
}

int CLuaRun::ResultText(lua_State* state)
{
    const std::string& text = RunOf(state).last_result_text_;
    lua_pushlstring(state, text.data(), text.size());
    return 1;
}

int CLuaRun::Exit(lua_State* state)
{
    CLuaRun& run = RunOf(state);
    if (lua_isboolean(state, 1)) {
        run.exit_status_ = lua_toboolean(state, 1) ? 0 : 1;
    } else {
        run.exit_status_ = static_cast<int>(luaL_optinteger(state, 1, 0));
    }
    run.exit_asked_ = true;
    run.EndIfAsked(state);
    return 0;
}

int CLuaRun::RefuseSetHook(lua_State* state)
{
    return luaL_error(state,
                      "debug.sethook is not available: the engine needs the hook to stop scripts");
}

int CLuaRun::CurrentScriptLine(lua_State* state) const
{
    lua_Debug frame{};
    for (int level = 1; lua_getstack(state, level, &frame) != 0; ++level) {
        if (lua_getinfo(state, "Sl", &frame) != 0 && frame.currentline > 0 &&
            source_ == frame.source) {
            return frame.currentline;
        }
    }
    return 0;
}

int CLuaRun::ErrorLineOf(lua_State* state, const char* message) const
{
    // Lua puts "name:line:" before the message when it knows where the script was.
    const std::string prefix = source_.substr(1) + ":";
    const std::string text = message != nullptr ? message : "";
    if (text.compare(0, prefix.size(), prefix) == 0) {
        size_t end = prefix.size();
        int line = 0;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])) &&
               line < 100000000) {
            line = line * 10 + (text[end] - '0');
            ++end;
        }
        if (end > prefix.size() && end < text.size() && text[end] == ':') {
            return line;
        }
    }
    return CurrentScriptLine(state);
}

const tagScriptFunction* CLuaRun::FindFunction(const std::string& name) const
{
    for (const tagScriptFunction& function : functions_) {
        if (function.name == name) {
            return &function;
        }
    }
    return nullptr;
}
