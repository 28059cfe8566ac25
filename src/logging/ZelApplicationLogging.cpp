#include "logging/ZelApplicationLogging.h"

#include "platform/Format.h"

CZelApplicationLogging& CZelApplicationLogging::Instance()
{
    static CZelApplicationLogging instance;
    return instance;
}

void CZelApplicationLogging::AddEntry(const ZelApplicationLogEntry& entry)
{
    std::lock_guard<std::mutex> lock(lock_);
    entries_.push_back(entry);
}

int CZelApplicationLogging::GetNextEntry(ZelApplicationLogEntry& entry)
{
    std::lock_guard<std::mutex> lock(lock_);
    if (entries_.empty()) {
        entry = ZelApplicationLogEntry{};
        return 0;
    }
    entry = std::move(entries_.front());
    entries_.pop_front();
    return 1;
}

size_t CZelApplicationLogging::Count() const
{
    std::lock_guard<std::mutex> lock(lock_);
    return entries_.size();
}

namespace {

int64_t SubsystemTimeToUnix(uint16_t day_number, uint32_t time_of_day_ms)
{
    return kSubsystemEpochUnixSeconds + static_cast<int64_t>(day_number) * 86400 + time_of_day_ms / 1000;
}

}  // namespace

SystemTime SubsystemTimeToLocal(uint16_t day_number, uint32_t time_of_day_ms)
{
    return LocalFromUnix(SubsystemTimeToUnix(day_number, time_of_day_ms),
                         static_cast<uint16_t>(time_of_day_ms % 1000));
}

SystemTime SubsystemTimeToUtc(uint16_t day_number, uint32_t time_of_day_ms)
{
    return UtcFromUnix(SubsystemTimeToUnix(day_number, time_of_day_ms),
                       static_cast<uint16_t>(time_of_day_ms % 1000));
}

std::string ApplicationLogLine(const std::string& date_text,
                               const CZelApplicationLogging::ZelApplicationLogEntry& entry)
{
    const SystemTime& t = entry.time_stamp;
    // The numbers are printed as the signed numbers the line has always shown.
    return Format("%s %02d:%02d:%02d.%03d - Component %d - Level %d - %s", date_text.c_str(), t.hour,
                  t.minute, t.second, t.milliseconds, static_cast<int>(entry.component_id),
                  static_cast<int>(entry.severity), entry.text.c_str());
}
