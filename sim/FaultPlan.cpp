#include "FaultPlan.h"

#include <cstdlib>

namespace {

struct FaultName {
    SimFault fault;
    const char* name;
};

constexpr FaultName kNames[] = {
    {SimFault::CorruptFrame, "corrupt"},
    {SimFault::DropFrame, "drop"},
    {SimFault::RefuseFrame, "refuse"},
    {SimFault::DuplicateFrame, "duplicate"},
    {SimFault::LineNoise, "noise"},
    {SimFault::SplitFrame, "split"},
    {SimFault::DelayReply, "delay"},
    {SimFault::LoseReply, "lose"},
    {SimFault::ResultCode, "result"},
    {SimFault::BootWrongId, "boot-id"},
    {SimFault::BootNoLoaderAck, "boot-loader"},
    {SimFault::BootNoMonitorAck, "boot-monitor"},
    {SimFault::BootBadChecksum, "boot-checksum"},
    {SimFault::BootDriverError, "boot-driver"},
    {SimFault::BootStopAnswering, "boot-hang"},
};

bool ParseUnsigned(const std::string& text, uint32_t* value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xFFFFFFFFull || text[0] == '-') {
        return false;
    }
    *value = static_cast<uint32_t>(parsed);
    return true;
}

}  // namespace

const char* SimFaultName(SimFault fault)
{
    for (const FaultName& entry : kNames) {
        if (entry.fault == fault) {
            return entry.name;
        }
    }
    return "?";
}

bool SimFaultFromName(const std::string& name, SimFault* fault)
{
    for (const FaultName& entry : kNames) {
        if (name == entry.name) {
            *fault = entry.fault;
            return true;
        }
    }
    return false;
}

bool FaultSettings::Parse(const std::string& setting, std::string* error)
{
    const size_t equals = setting.find('=');
    SimFault fault{};
    if (equals == std::string::npos || !SimFaultFromName(setting.substr(0, equals), &fault)) {
        *error = "unknown fault in \"" + setting + "\"";
        return false;
    }
    const std::string value = setting.substr(equals + 1);
    FaultSetting chosen;
    const size_t times = value.find('x');
    if (times != std::string::npos) {
        const size_t at = value.find('@', times);
        const std::string count_text = value.substr(0, times);
        const std::string rest = value.substr(times + 1);
        if (!ParseUnsigned(count_text, &chosen.count) ||
            !(rest.empty() || (rest[0] == '@' && ParseUnsigned(rest.substr(1), &chosen.after))) ||
            (at != std::string::npos && at != times + 1)) {
            *error = "bad count in \"" + setting + "\" (expected N x or N x@M)";
            return false;
        }
    } else {
        char* end = nullptr;
        chosen.rate = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(chosen.rate >= 0.0 && chosen.rate <= 1.0)) {
            *error = "bad rate in \"" + setting + "\" (expected 0 to 1)";
            return false;
        }
    }
    (*this)[fault] = chosen;
    return true;
}

CFaultPlan::CFaultPlan(const FaultSettings& settings) : settings_(settings)
{
    for (size_t i = 0; i < kSimFaultCount; ++i) {
        generators_[i].seed(settings.seed * 7919u + static_cast<uint32_t>(i));
    }
}

bool CFaultPlan::Strike(SimFault fault)
{
    const size_t i = static_cast<size_t>(fault);
    const FaultSetting& chosen = settings_.per_fault[i];
    const uint32_t seen = seen_[i]++;
    bool strike = false;
    if (chosen.count > 0) {
        strike = seen >= chosen.after && seen - chosen.after < chosen.count;
    } else if (chosen.rate > 0.0) {
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        strike = uniform(generators_[i]) < chosen.rate;
    }
    if (strike) {
        ++struck_[i];
    }
    return strike;
}

uint32_t CFaultPlan::Draw(SimFault fault)
{
    return static_cast<uint32_t>(generators_[static_cast<size_t>(fault)]());
}
