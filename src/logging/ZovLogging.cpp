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
    if (dropped_at_end_ == 0 && !entries_.empty()) {
        tagQueued& newest = entries_.back();
        if (newest.entry.level == level && newest.entry.text == text) {
            ++newest.count;
            return;
        }
    }
    const bool warning_or_error = level == kZovLogWarning || level == kZovLogError;
    const size_t room = warning_or_error ? kMaxEntries + kReservedForErrors : kMaxEntries;
    if (entries_.size() - dropped_at_end_ >= room) {
        AddDropped(time, level);
        return;
    }
    entries_.push_back(tagQueued{tagZOVTOOLLOGENTRY{time, level, text}, 1, false});
    dropped_at_end_ = 0;
}

void CZovLogging::AddDropped(const SystemTime& time, int32_t level)
{
    for (size_t i = entries_.size() - dropped_at_end_; i < entries_.size(); ++i) {
        if (entries_[i].entry.level == level) {
            ++entries_[i].count;
            return;
        }
    }
    entries_.push_back(tagQueued{tagZOVTOOLLOGENTRY{time, level, {}}, 1, true});
    ++dropped_at_end_;
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
    tagQueued& queued = entries_.front();
    if (time != nullptr) {
        *time = queued.entry.time;
    }
    if (level != nullptr) {
        *level = queued.entry.level;
    }
    if (text != nullptr) {
        const unsigned long long count = queued.count;
        if (queued.dropped) {
            *text = Format("... %llu more entries dropped", count);
        } else if (count > 1) {
            *text = queued.entry.text + Format(" (%llu times)", count);
        } else {
            *text = std::move(queued.entry.text);
        }
    }
    entries_.pop_front();
    if (entries_.size() < dropped_at_end_) {
        dropped_at_end_ = entries_.size();
    }
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
    dropped_at_end_ = 0;
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
