#include "logging/ZovLogModule.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "logging/ZovLogging.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Notify.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"

const char kZovLogFileName[] = "ZOVtool.log";

namespace {

const uint32_t kLevelBits[5] = {kLogWarnings, kLogErrors, kLogFrames, kLogDebug, kLogScript};

bool WriteAll(int fd, const char* data, size_t count)
{
    while (count > 0) {
        const ssize_t n = write(fd, data, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

CZovLogModule::CZovLogModule(std::string folder)
{
    if (folder.empty()) {
        folder = TempDir();
    }
    path_ = folder + "/" + kZovLogFileName;
}

CZovLogModule::~CZovLogModule()
{
    CloseLogFile();
}

bool CZovLogModule::Start(uint32_t logging_flags)
{
    SetLoggingFlags(logging_flags);
    return CreateLogFile();
}

void CZovLogModule::SetLoggingFlags(uint32_t logging_flags)
{
    for (int i = 0; i < 5; ++i) {
        flags_[i] = (logging_flags & kLevelBits[i]) != 0;
    }
}

void CZovLogModule::SetLoggingFlags(bool warning, bool error, bool frame, bool debug, bool script)
{
    flags_[0] = warning;
    flags_[1] = error;
    flags_[2] = frame;
    flags_[3] = debug;
    flags_[4] = script;
}

uint32_t CZovLogModule::LoggingFlags() const
{
    uint32_t bits = 0;
    for (int i = 0; i < 5; ++i) {
        if (flags_[i]) {
            bits |= kLevelBits[i];
        }
    }
    return bits;
}

std::string CZovLogModule::FormatLine(const SystemTime& time, const std::string& text)
{
    return Format("%02d:%02d:%02d.%03d %s", time.hour, time.minute, time.second, time.milliseconds,
                  text.c_str());
}

bool CZovLogModule::AddLogEntry(const SystemTime& time, int level, const std::string& text)
{
    if (level < kZovLogWarning || level > kZovLogScript || !flags_[level - 1]) {
        return false;
    }
    const std::string line = FormatLine(time, text);
    if (fd_ >= 0) {
        const std::string record = line + "\r\n";
        WriteAll(fd_, record.data(), record.size());
    }
    if (display_ != nullptr) {
        display_->AppendLine(line);
    }
    return true;
}

size_t CZovLogModule::DrainQueue(uint32_t budget_ms)
{
    // The clock is looked at every few entries only; one entry costs microseconds.
    constexpr size_t kEntriesPerLook = 32;
    const uint64_t started = MonotonicMs();
    size_t taken = 0;
    SystemTime time;
    int32_t level = 0;
    std::string text;
    while (CZovLogging::Instance().GetNextEntry(&time, &level, &text)) {
        AddLogEntry(time, level, text);
        ++taken;
        if (budget_ms != 0xFFFFFFFF && taken % kEntriesPerLook == 0 && MonotonicMs() - started >= budget_ms) {
            break;
        }
    }
    return taken;
}

bool CZovLogModule::CreateLogFile()
{
    CloseLogFile();
    // Opened without truncation first: a second running tool holds the lock, and its file must
    // not be emptied under it.
    const int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && ftruncate(fd, 0) == 0) {
        fd_ = fd;
        return true;
    }
    if (fd >= 0) {
        close(fd);
    }
    ShowMessage("Unable to create a file for script logging.", PromptIcon::Error);
    return false;
}

void CZovLogModule::CloseLogFile()
{
    if (fd_ >= 0) {
        close(fd_);  // also releases the lock
        fd_ = -1;
    }
}

bool CZovLogModule::SaveLog(const std::string& target_path)
{
    if (fd_ < 0) {
        return false;
    }
    // The copy is written beside the target and renamed over it only when it is complete, so
    // that a full disk or a failed read never leaves a cut copy or destroys the old file.
    std::string temporary = target_path + ".XXXXXX";
    const int out = mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        ShowMessage("Failed to create ouput file", PromptIcon::Error);
        return false;
    }
    bool ok = fchmod(out, 0644) == 0 && CopyLogFileTo(out) && fsync(out) == 0;
    if (close(out) != 0) {
        ok = false;
    }
    if (ok && rename(temporary.c_str(), target_path.c_str()) != 0) {
        ok = false;
    }
    if (!ok) {
        unlink(temporary.c_str());
        ShowMessage("Failed to create ouput file", PromptIcon::Error);
    }
    return ok;
}

bool CZovLogModule::CopyLogFileTo(int out) const
{
    char block[1024];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = pread(fd_, block, sizeof block, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        if (!WriteAll(out, block, static_cast<size_t>(n))) {
            return false;
        }
        offset += n;
    }
}

bool CZovLogModule::ClearLog()
{
    const bool open = CreateLogFile();
    if (display_ != nullptr) {
        display_->Clear();
    }
    return open;
}
