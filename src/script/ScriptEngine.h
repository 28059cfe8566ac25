// The script engine: runs Lua 5.4 scripts that call the subsystem functions registered with it.
// The command handler registers its functions and routes the two log callbacks into the tool
// log; the script window and zovcli hand it script texts, show what the scripts print and stop
// them. Each script runs on the engine's own thread in a fresh Lua state with the standard
// libraries, so a script never blocks the window, and nothing one script defines is left over
// for the next.
//
// What a script sees:
// - every registered function as a global of its name. Its inputs may be integers, strings and
//   booleans: an integer (or a float with an integral value) arrives as a number, a string as
//   given, true as 1 and false as 0; a float without an integral value, nil, a table or a
//   function is refused with a Lua error naming the argument. A call with too few or too many
//   inputs is refused with a Lua error that names the function and its call form, and the
//   function is not run. The function's output list comes back as multiple values, @0 first:
//   an output appended as a number is a Lua integer, one appended as a text a Lua string
//   (local ok, link, resp, id, code, values = R(0x2013, 1)).
// - ResultText(): the result text of the last registered function the script called ("" before
//   the first call).
// - help(): prints the call form of every function, one a line, in registration order;
//   help("Name") prints that function's help text.
// - print(...): as in standalone Lua (tab-separated, one line), into the output function.
// - arg: the table of script arguments, arg[0] being the chunk name; the chunk also receives the
//   arguments as "...".
// - os.exit([status]) ends the script, not the program: true, nil or 0 is success, false is
//   status 1, an integer is that status. debug.sethook raises an error (the stop needs the hook).
//   io.write and io.read still use the process's stdout and stdin.
//
// Errors (syntax and run time) end the script and go to the error log function as
// "name:line: message". Stopping: the engine checks its stop flag every 1000 Lua instructions
// and at each entry to and return from a registered function, and ends the script there; a
// pcall in the script cannot catch the stop for more than one instruction. A registered
// function that waits (for a reply, a time-out) learns of a stop through StopRequested() or by
// waiting on StopEvent() together with its own events, and should then return at once (its
// outputs are dropped). A script blocked in a C library call (io.read, os.execute) ends only
// when that call returns.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "script/ArgArray.h"
#include "script/ScriptFunction.h"
#include "script/ScriptOutcome.h"

class CScriptEngine {
public:
    // Receives one text: a log line (without line end) or printed output (with its line ends).
    using TextFunction = std::function<void(const std::string& text)>;
    // Told how the script ended.
    using EndFunction = std::function<void(ScriptOutcome outcome)>;
    // Told of every registered function a script called, once it has returned.
    using CallEndFunction = std::function<void(const tagScriptCall& call)>;

    CScriptEngine() = default;
    // Requests a stop and waits for the running script, if any, to end; the engine thread is
    // joined. The contexts of the registered functions must still be alive. Not from the engine
    // thread.
    ~CScriptEngine();
    CScriptEngine(const CScriptEngine&) = delete;
    CScriptEngine& operator=(const CScriptEngine&) = delete;

    // Registers function under name for the scripts started from now on. context is handed to
    // every call (the engine does not own it); help_text has "\r\n" lines with the call form
    // after the first empty line; a call must give min_inputs to max_inputs inputs. reserved
    // is not used (pass 0). False, and nothing registered, when the name is taken or hides a keyword or a
    // standard global (print, string, help, ResultText, ...), is no identifier, function is null
    // or the input range is empty or negative. Any thread.
    bool AddFunction(const std::string& name, ScriptFunction function, void* context,
                     const std::string& help_text, int min_inputs, int max_inputs, int reserved);
    // The registered names in registration order. Any thread.
    std::vector<std::string> FunctionNames() const;
    // The help text registered for name, as given; "" for an unknown name. Any thread.
    std::string HelpText(const std::string& name) const;

    // Calls the registered function name directly on the calling thread, without a script, as
    // zovcli's "call" does: in goes to it as given, out and result_text are what it fills.
    // Returns its result (1 succeeded, 0 failed), or kCallRefused when no function has that name
    // or in has too few or too many entries; out is then empty and result_text says why, as a
    // script would be told. The owner's thread; a script may run at the same time only when the
    // function allows calls from two threads.
    int CallFunction(const std::string& name, CArgArray& in, CArgArray& out,
                     std::string& result_text) const;
    static constexpr int kCallRefused = -1;

    // The callbacks are called on the engine thread, outside the engine's locks; an empty one is
    // not called. They may be replaced at any time from any thread.
    // The error log: script errors, one text each ("name:line: message").
    void SetErrorLogFunction(TextFunction function);
    // The extended log: the start and the end of every script ("Script \"name\" started.").
    void SetExtendedLogFunction(TextFunction function);
    // The script's output (print, help). Without one, output is dropped.
    void SetOutputFunction(TextFunction function);
    // Called when a script has ended, just before IsRunning() turns false; it must not wait for
    // the engine (a Run or a WaitForEnd from it is refused).
    void SetEndFunction(EndFunction function);
    // Called after each registered function a script called has returned (not after a stop),
    // with its result, result text and the script's line: the script window shows failed calls.
    void SetCallEndFunction(CallEndFunction function);

    // Starts text on the engine thread and returns at once. chunk_name names the script in
    // error messages ("" gives "script"); args become arg[1..n] and "...". False when a script
    // is running (also when called from one) or the thread could not be started (the error log
    // is told). Not from two threads at once.
    bool Run(const std::string& text, const std::string& chunk_name = "script",
             const std::vector<std::string>& args = {});
    // True from a successful Run until the script has ended. Any thread.
    bool IsRunning() const;
    // Waits up to timeout_ms (kInfinite: no limit) for the running script to end; true when no
    // script runs on return. False at once on the engine thread. Any other thread.
    bool WaitForEnd(uint32_t timeout_ms);

    // Asks the running script to end and returns at once; no effect when none runs. Any thread,
    // also from a registered function or a callback.
    void RequestStop();
    // RequestStop, then WaitForEnd(timeout_ms). Not from the engine thread.
    bool Stop(uint32_t timeout_ms);
    // True once a stop was requested for the running (or last) script. Any thread.
    bool StopRequested() const;
    // A manual-reset event, set from the stop request until the next Run. Registered functions
    // may wait on it (WaitForAnyEvent with their own events); they must not set or reset it.
    CEvent& StopEvent() { return stop_event_; }

    // How the last script ended (kRunning while it runs, kNone before the first). Any thread.
    ScriptOutcome Outcome() const;
    // The error that ended the last script ("name:line: message"), "" when none did.
    std::string ErrorText() const;
    // 0 when the last script succeeded, its os.exit status when it gave one, else 1.
    int ExitStatus() const;
    // The script's line that the error of the last script points at; 0 when none.
    int ErrorLine() const;

private:
    void RunOnEngineThread(const std::string& text, const std::string& name,
                           const std::vector<std::string>& args);
    void ReportEnd(const std::string& name, const tagScriptResult& result);
    void Emit(TextFunction CScriptEngine::*which, const std::string& text) const;
    void EmitCallEnd(const tagScriptCall& call) const;
    bool OnEngineThread() const;

    mutable std::mutex lock_;  // guards the members up to result_
    std::vector<tagScriptFunction> functions_;
    TextFunction error_log_;
    TextFunction extended_log_;
    TextFunction output_;
    EndFunction end_;
    CallEndFunction call_end_;
    tagScriptResult result_;

    std::mutex run_lock_;  // makes Run calls sequential
    // The functions the running script sees: written by Run while no script runs, read by the
    // engine thread while one does.
    std::vector<tagScriptFunction> run_functions_;
    std::atomic<bool> stop_requested_{false};
    CEvent stop_event_{CEvent::Kind::ManualReset};
    CEvent idle_{CEvent::Kind::ManualReset, true};
    CThread thread_;
};
