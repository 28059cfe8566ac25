#include "script/ScriptEngine.h"

#include <algorithm>
#include <cstdint>

#include "platform/Format.h"
#include "script/LuaRun.h"

namespace {

// The engine whose script runs on this thread, so that the engine can refuse what would make its
// own thread wait for itself.
thread_local const CScriptEngine* running_engine = nullptr;

}  // namespace

CScriptEngine::~CScriptEngine()
{
    RequestStop();
    thread_.Join();
}

bool CScriptEngine::AddFunction(const std::string& name, ScriptFunction function, void* context,
                                const std::string& help_text, int min_inputs, int max_inputs,
                                int /*reserved*/)
{
    if (!IsRegistrableName(name) || function == nullptr || min_inputs < 0 ||
        max_inputs < min_inputs) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    const bool taken = std::any_of(functions_.begin(), functions_.end(),
                                   [&](const tagScriptFunction& f) { return f.name == name; });
    if (taken) {
        return false;
    }
    functions_.push_back({name, function, context, help_text, min_inputs, max_inputs});
    return true;
}

std::vector<std::string> CScriptEngine::FunctionNames() const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> names;
    names.reserve(functions_.size());
    for (const tagScriptFunction& function : functions_) {
        names.push_back(function.name);
    }
    return names;
}

std::string CScriptEngine::HelpText(const std::string& name) const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (const tagScriptFunction& function : functions_) {
        if (function.name == name) {
            return function.help_text;
        }
    }
    return std::string();
}

int CScriptEngine::CallFunction(const std::string& name, CArgArray& in, CArgArray& out,
                                std::string& result_text) const
{
    out.RemoveAll();
    tagScriptFunction function;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const auto found = std::find_if(functions_.begin(), functions_.end(),
                                        [&](const tagScriptFunction& f) { return f.name == name; });
        if (found == functions_.end()) {
            result_text = Format("There is no function \"%s\".", name.c_str());
            return kCallRefused;
        }
        function = *found;
    }
    const int count = static_cast<int>(std::min<size_t>(in.NumOfArgs(), INT32_MAX));
    if (count < function.min_inputs || count > function.max_inputs) {
        result_text = InputCountRefusal(function, count);
        return kCallRefused;
    }
    return function.function(function.context, in, out, result_text);
}

void CScriptEngine::SetErrorLogFunction(TextFunction function)
{
    std::lock_guard<std::mutex> guard(lock_);
    error_log_ = std::move(function);
}

void CScriptEngine::SetExtendedLogFunction(TextFunction function)
{
    std::lock_guard<std::mutex> guard(lock_);
    extended_log_ = std::move(function);
}

void CScriptEngine::SetOutputFunction(TextFunction function)
{
    std::lock_guard<std::mutex> guard(lock_);
    output_ = std::move(function);
}

void CScriptEngine::SetEndFunction(EndFunction function)
{
    std::lock_guard<std::mutex> guard(lock_);
    end_ = std::move(function);
}

void CScriptEngine::SetCallEndFunction(CallEndFunction function)
{
    std::lock_guard<std::mutex> guard(lock_);
    call_end_ = std::move(function);
}

bool CScriptEngine::Run(const std::string& text, const std::string& chunk_name,
                        const std::vector<std::string>& args)
{
    if (OnEngineThread()) {
        return false;
    }
    std::lock_guard<std::mutex> run_guard(run_lock_);
    if (!idle_.IsSet()) {
        return false;
    }
    // The previous script's thread has ended; release it before the next one starts.
    thread_.Join();
    {
        std::lock_guard<std::mutex> guard(lock_);
        run_functions_ = functions_;
        result_ = tagScriptResult{};
        result_.outcome = ScriptOutcome::kRunning;
    }
    stop_requested_.store(false);
    stop_event_.Reset();
    idle_.Reset();
    const std::string name = chunk_name.empty() ? std::string("script") : chunk_name;
    const bool started =
        thread_.Start([this, text, name, args] { RunOnEngineThread(text, name, args); });
    if (!started) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            result_.outcome = ScriptOutcome::kFailed;
            result_.error_text = "cannot start the script thread";
        }
        Emit(&CScriptEngine::error_log_,
             Format("Script \"%s\" cannot start: the system refused a new thread.", name.c_str()));
        idle_.Set();
    }
    return started;
}

void CScriptEngine::RunOnEngineThread(const std::string& text, const std::string& name,
                                      const std::vector<std::string>& args)
{
    running_engine = this;
    Emit(&CScriptEngine::extended_log_, Format("Script \"%s\" started.", name.c_str()));
    tagScriptResult result;
    {
        CLuaRun run(
            run_functions_, stop_requested_,
            [this](const std::string& output) { Emit(&CScriptEngine::output_, output); },
            [this](const tagScriptCall& call) { EmitCallEnd(call); });
        result = run.Execute(text, name, args);
    }
    ReportEnd(name, result);
    EndFunction end;
    {
        std::lock_guard<std::mutex> guard(lock_);
        result_ = result;
        end = end_;
    }
    if (end) {
        end(result.outcome);
    }
    running_engine = nullptr;
    idle_.Set();
}

void CScriptEngine::ReportEnd(const std::string& name, const tagScriptResult& result)
{
    if (!result.error_text.empty()) {
        Emit(&CScriptEngine::error_log_, result.error_text);
        Emit(&CScriptEngine::extended_log_, Format("Script \"%s\" failed.", name.c_str()));
    } else if (result.outcome == ScriptOutcome::kStopped) {
        Emit(&CScriptEngine::extended_log_, Format("Script \"%s\" stopped.", name.c_str()));
    } else if (result.exit_status != 0) {
        Emit(&CScriptEngine::extended_log_,
             Format("Script \"%s\" ended with exit status %d.", name.c_str(), result.exit_status));
    } else {
        Emit(&CScriptEngine::extended_log_, Format("Script \"%s\" ended.", name.c_str()));
    }
}

void CScriptEngine::EmitCallEnd(const tagScriptCall& call) const
{
    CallEndFunction function;
    {
        std::lock_guard<std::mutex> guard(lock_);
        function = call_end_;
    }
    if (function) {
        function(call);
    }
}

void CScriptEngine::Emit(TextFunction CScriptEngine::*which, const std::string& text) const
{
    TextFunction function;
    {
        std::lock_guard<std::mutex> guard(lock_);
        function = this->*which;
    }
    if (function) {
        function(text);
    }
}

bool CScriptEngine::OnEngineThread() const
{
    return running_engine == this;
}

bool CScriptEngine::IsRunning() const
{
    return !idle_.IsSet();
}

bool CScriptEngine::WaitForEnd(uint32_t timeout_ms)
{
    if (OnEngineThread()) {
        return false;
    }
    return idle_.Wait(timeout_ms);
}

void CScriptEngine::RequestStop()
{
    stop_requested_.store(true);
    stop_event_.Set();
}

bool CScriptEngine::Stop(uint32_t timeout_ms)
{
    RequestStop();
    return WaitForEnd(timeout_ms);
}

bool CScriptEngine::StopRequested() const
{
    return stop_requested_.load();
}

ScriptOutcome CScriptEngine::Outcome() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return result_.outcome;
}

std::string CScriptEngine::ErrorText() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return result_.error_text;
}

int CScriptEngine::ExitStatus() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return result_.exit_status;
}

int CScriptEngine::ErrorLine() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return result_.error_line;
}
