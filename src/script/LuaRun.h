// One run of one script in a Lua state of its own: the state with the standard libraries, the
// registered functions and the engine's own globals (print, help, ResultText, arg), the count
// hook that ends the script when a stop is requested, and the run's result. The engine creates
// one per Run on its thread; nothing here is shared with another thread except the stop flag.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "script/ScriptFunction.h"
#include "script/ScriptOutcome.h"

struct lua_State;
struct lua_Debug;

class CLuaRun {
public:
    using TextSink = std::function<void(const std::string& text)>;
    using CallSink = std::function<void(const tagScriptCall& call)>;

    // functions must outlive the run; stop_requested is read from the run's thread while another
    // thread may set it; output receives what the script prints, one call per print; calls (may
    // be empty) is told of every registered function that returned, except after a stop.
    CLuaRun(const std::vector<tagScriptFunction>& functions,
            const std::atomic<bool>& stop_requested, TextSink output, CallSink calls = {});
    ~CLuaRun();
    CLuaRun(const CLuaRun&) = delete;
    CLuaRun& operator=(const CLuaRun&) = delete;

    // Runs text as the chunk chunk_name with args (as the global table arg and as the chunk's
    // "..."), to its end, on the calling thread.
    tagScriptResult Execute(const std::string& text, const std::string& chunk_name,
                            const std::vector<std::string>& args);

private:
    struct tagChunk {
        const std::string* text;
        const std::string* name;
        const std::vector<std::string>* args;
    };

    static int ProtectedMain(lua_State* state);
    static int MessageHandler(lua_State* state);
    static int CallRegistered(lua_State* state);
    static int Print(lua_State* state);
    static int Help(lua_State* state);
    static int ResultText(lua_State* state);
    static int Exit(lua_State* state);
    static int RefuseSetHook(lua_State* state);
    static void CountHook(lua_State* state, lua_Debug* debug);
    static CLuaRun& RunOf(lua_State* state);

    void InstallGlobals(lua_State* state);
    void InstallArgs(lua_State* state, const tagChunk& chunk);
    // Raises the end of the script in state when a stop or os.exit asked for it; returns
    // otherwise.
    void EndIfAsked(lua_State* state);
    bool EndAsked() const;
    // Converts the call's Lua values into in, or raises a Lua error naming the bad argument.
    void CollectInputs(lua_State* state, const tagScriptFunction& function, CArgArray& in);
    static int PushOutputs(lua_State* state, const CArgArray& out, int result);
    void Write(const std::string& text) const;
    const tagScriptFunction* FindFunction(const std::string& name) const;
    tagScriptResult ResultOfFailure(lua_State* state, int status);
    // The script's line an error message points at: its "chunk:line:" prefix, else the line of
    // the script's innermost frame on the stack; 0 when neither names one.
    int ErrorLineOf(lua_State* state, const char* message) const;
    // The line of the script's innermost frame (level 1 and up); 0 when none is on the stack.
    int CurrentScriptLine(lua_State* state) const;

    const std::vector<tagScriptFunction>& functions_;
    const std::atomic<bool>& stop_requested_;
    TextSink output_;
    CallSink calls_;
    std::string source_;  // the chunk's source name, "@" and its name
    lua_State* state_ = nullptr;
    int error_line_ = 0;
    std::string last_result_text_;
    bool exit_asked_ = false;
    int exit_status_ = 0;
};
