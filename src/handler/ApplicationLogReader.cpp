// Reading the subsystem's application log into the tool's queue: run by the event thread when
// the subsystem announces new entries (event 1).
#include "handler/SerialCommHandler.h"
#include "logging/ZelApplicationLogging.h"
#include "platform/Notify.h"

void CSerialCommHandler::ReadApplicationLog()
{
    // The stop event ends the loop too: a subsystem that keeps reporting entries it cannot
    // deliver must not keep the event thread from stopping.
    while (!stop_event_.IsSet()) {
        uint32_t result_code = kNoResultCode;
        if (ZelCmdNextLogEntry(&result_code)) {
            std::string text;
            LogEntryInfo info;
            const bool have_text = ZelLogGetLogEntryData(&text, &result_code);
            const bool have_info = ZelLogGetLogEntryInfo(&info, &result_code);
            if (have_text && have_info) {
                CZelApplicationLogging::ZelApplicationLogEntry entry;
                entry.text = text;
                entry.sequence_number = info.sequence_number;
                entry.logging_id = info.logging_id;
                entry.component_id = info.component_id;
                entry.severity = info.severity;
                entry.time_stamp = SubsystemTimeToLocal(info.day_number, info.time_of_day);
                CZelApplicationLogging::Instance().AddEntry(entry);
                Notify::Post(kNotifySubsystemEvent, 1);
            }
        }
        uint32_t available = 0;
        if (!ZelLogGetNrOfAvailableLogEntries(&available, &result_code) || available == 0) return;
    }
}
