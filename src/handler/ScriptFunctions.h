// The script function library: the 70 functions through which scripts read and write the
// subsystem's Object Dictionary and call every typed subsystem operation of the command handler.
// The handler registers them with its script engine when it is created with one, so that the
// Scripting view's scripts (and zovcli's call and script commands) talk to the board through
// that handler.
//
// Every function fills its output list the same way: @0 is the function result (1 succeeded,
// 0 failed), then its values; the result text is the request's own result text (raw requests)
// or the handler's last result text (typed operations): "OK", the subsystem's reply, or the
// link's error text.
#pragma once

#include <string>
#include <vector>

#include "script/ScriptFunction.h"

class CScriptEngine;
class CSerialCommHandler;

// What a script function is registered with: its name, the function, its help text and the
// number of inputs it takes. The help text is built from its parts: the description, an empty
// line, the call form ("Name(IN: A, B)", "Name()" without inputs), "OUT:" and one line
// "    @n = meaning" per output, @0 first.
struct tagScriptFunctionRow {
    std::string name;
    ScriptFunction function = nullptr;
    std::string help_text;
    int min_inputs = 0;
    int max_inputs = 0;
};

// The 70 functions in registration order. The same list on every call; any thread.
const std::vector<tagScriptFunctionRow>& ScriptFunctionRows();

// Registers every function of ScriptFunctionRows with engine, in that order, with handler as
// their context, then routes the engine's error and extended log into the tool log (script
// level, UTC time stamp, tool log notification). handler must outlive every script the engine
// runs with these functions. Returns the number of functions registered: 70, fewer when the
// engine already holds some of the names (a second handler on the same engine keeps the first
// one's functions). The owner's thread, while no script runs.
int RegisterScriptFunctions(CScriptEngine& engine, CSerialCommHandler& handler);

// The script log callback: adds text to the tool log at script level, stamped with the current
// UTC time, and tells the main window (notification +1) so that the log window shows it. Any
// thread.
void ScriptLogText(const std::string& text);
