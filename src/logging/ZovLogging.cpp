#include "logging/ZovLogging.h"

#include "platform/Format.h"
#include "platform/Notify.h"

CZovLogging& CZovLogging::Instance()
{
    static CZovLogging queue;
    return queue;
}

void CZovLogging::AddEntry(const SystemTime& time, int32_t level, const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock_);
    entries_.push_back(tagZOVTOOLLOGENTRY{time, level, text});
}

bool CZovLogging::GetNextEntry(SystemTime* time, int32_t* level, std::string* text)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (entries_.empty()) {
        if (text != nullptr) {
            text->clear();
        }
        return false;
    }
    tagZOVTOOLLOGENTRY& entry = entries_.front();
    if (time != nullptr) {
        *time = entry.time;
    }
    if (level != nullptr) {
        *level = entry.level;
    }
    if (text != nullptr) {
        *text = std::move(entry.text);
    }
    entries_.pop_front();
    return true;
}

size_t CZovLogging::Count() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return entries_.size();
}

void CZovLogging::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
}

namespace {

const char* OrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

void QueueTrace(int level, const char* fmt, const char* first, const char* second)
    __attribute__((format(printf, 2, 0)));

// The protocol traces serve only the window; without it they cost one check.
void QueueTrace(int level, const char* fmt, const char* first, const char* second)
{
    if (!Notify::HasSink()) {
        return;
    }
    CZovLogging::Instance().AddEntry(UtcNow(), level, Format(fmt, OrEmpty(first), OrEmpty(second)));
    Notify::Post(kNotifyToolLog);
}

}  // namespace

void LogZelWarning(const char* function, const char* text)
{
    QueueTrace(kZovLogWarning, "WARNING: Function %s, %s", function, text);
}

void LogZelError(const char* function, const char* text)
{
    QueueTrace(kZovLogError, "ERROR: Function %s, %s", function, text);
}

void LogZelFrame(const char* prefix, const char* frame)
{
    QueueTrace(kZovLogFrame, "Frame: %s%s", prefix, frame);
}

void LogZelDebug(const char* function, const char* text)
{
    QueueTrace(kZovLogDebug, "DEBUG: Function %s, %s", function, text);
}

void LogScriptText(const std::string& text)
{
    CZovLogging::Instance().AddEntry(UtcNow(), kZovLogScript, text);
    Notify::Post(kNotifyToolLog);
}
