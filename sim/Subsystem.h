// The simulated Nemra subsystem behind the link: its Object Dictionary (commands, validation,
// calibration, configuration, self test, log, versions, minimum/maximum, both logical devices'
// parameter buffers, field service values), its log with events, and its DCM side. It takes the
// request texts that arrive in data frames and gives the texts to send back.
//
// Single-threaded: the simulator's loop calls it, holding the simulator's model lock, so that
// tests may inspect it from another thread under the same lock. Times are monotonic ms.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Scenario.h"
#include "SimParams.h"

class CFaultPlan;

// One entry of the subsystem's application log.
struct SimLogEntry {
    uint8_t sequence = 0;
    uint16_t logging_id = 0;
    uint8_t component = 0;
    uint8_t severity = 0;
    uint32_t time_of_day_ms = 0;
    uint16_t day_number = 0;
    std::string text;
};

class CSubsystem {
public:
    // Seconds from 1970-01-01 00:00:00 UTC to the subsystem's epoch (1984-01-01 00:00 UTC+1).
    static constexpr int64_t kEpochOffsetS = 441759600;

    CSubsystem(const CScenario& scenario, CFaultPlan* faults);

    // A message from the tool. Returns the reply text for read and write requests (empty for
    // messages that get no reply: DCM messages, unreadable requests).
    std::string HandleMessage(const std::string& text, uint64_t now_ms);

    // The link to the tool came up (first data frame of a session): the DCM side asks who is
    // there, and the scenario's log entries are scheduled from now.
    std::vector<std::string> OnLinkUp(uint64_t now_ms);
    // Messages the subsystem sends by itself that are due at now_ms (the event "e 1" when new
    // log entries became available).
    std::vector<std::string> TakeUnsolicited(uint64_t now_ms);
    // When TakeUnsolicited next has something; UINT64_MAX when nothing is scheduled.
    uint64_t NextDeadlineMs() const;

    // Adds a log entry now (time stamped in the subsystem's clock) when its severity reaches the
    // log level.
    void AddLog(uint8_t component, uint8_t severity, uint16_t logging_id, const std::string& text,
                uint64_t now_ms);

    // Inspection for tests and the state file.
    const std::vector<std::string>& DcmMessages() const { return dcm_messages_; }
    std::optional<SimValue> Requested(int device, int buffer, const std::string& name) const;
    std::optional<SimValue> Accepted(int device, int buffer, const std::string& name) const;
    const std::vector<std::string>& CalibrationRecords() const { return calibration_active_; }
    // Calibration records read back from the state file (the object and the working set).
    void LoadCalibration(const std::vector<std::string>& records);
    // The board was reset: running tests and calibrations end, nothing stays prepared, the
    // field service values are gone and the link must come up again.
    void OnReset();
    size_t AvailableLogEntries() const { return log_.size(); }
    const std::set<uint32_t>& RunningTests() const { return tests_running_; }
    uint32_t LogLevel() const { return log_level_; }

    // Parameter buffers for the state file: every set value as "device buffer subindex" ->
    // value text, and back.
    std::map<std::string, std::string> SaveBuffers() const;
    void LoadBuffer(int device, int buffer, uint8_t subindex, const std::string& text);

private:
    struct Slot {
        std::optional<SimValue> requested;
        std::optional<SimValue> accepted;
    };
    struct Request {
        bool write = false;
        uint32_t message_id = 0;
        uint16_t index = 0;
        uint8_t subindex = 0;
        std::vector<std::string> data;
    };
    struct Answer {
        uint32_t code = 0;
        std::string values;
    };

    static bool ParseRequest(const std::string& text, Request* request);
    // The scenario's answer for this request in place of the normal handling; null for none.
    const CScenario::ForcedAnswer* ForcedAnswerFor(const Request& request) const;
    Answer Dispatch(const Request& request, uint64_t now_ms);

    Answer Command(const Request& request, uint64_t now_ms);
    Answer CommandWithBuffer(uint8_t subindex, int buffer, uint64_t now_ms);
    Answer Calibration(uint8_t subindex, uint32_t number, uint64_t now_ms);
    Answer Test(uint8_t subindex, uint32_t number, uint64_t now_ms);
    Answer Review(uint8_t subindex, uint64_t now_ms);
    Answer ValidationObject(const Request& request, int device);
    Answer CalibrationObject(const Request& request);
    Answer ConfigurationObject(const Request& request);
    Answer SelfTestObject(const Request& request);
    Answer LogObject(const Request& request);
    Answer VersionObject(const Request& request);
    Answer MinMaxObject(const Request& request, int device);
    Answer BufferObject(const Request& request, int device, int buffer);
    Answer FieldServiceObject(const Request& request, uint64_t now_ms);

    // Validates a buffer for both devices; fills the error bits; on success copies the effective
    // requested values into the accepted ones.
    bool Validate(int buffer, uint64_t now_ms);
    SimValue Effective(int device, int buffer, const SimParam& param) const;
    uint32_t ValidationBits(int device, int buffer) const;
    bool DeviceAvailable(int device) const { return device == 0 || scenario_.image_processing; }

    // Subsystem clock: milliseconds since the subsystem epoch.
    uint64_t SubsystemTimeMs(uint64_t now_ms) const;
    void ScheduleEvent(uint64_t now_ms);
    std::string BuiltInCalibration(int record) const;
    void ChangeCalibration(int record, uint32_t number);
    uint32_t VideoLevel(uint64_t now_ms) const;

    const CScenario scenario_;
    CFaultPlan* faults_;

    Slot slots_[kSimDevices][kSimBuffers][64];
    uint32_t error_bits_[kSimDevices][kSimBuffers] = {};
    bool validated_[kSimBuffers] = {};
    uint32_t validations_ = 0;
    int active_buffer_ = 1;
    std::optional<int> prepared_;
    bool started_ = false;

    std::set<uint32_t> calibrations_running_;
    std::set<uint32_t> tests_running_;
    uint64_t video_test_start_ms_ = 0;
    std::vector<std::string> calibration_active_;   // what the subsystem works with
    std::vector<std::string> calibration_object_;   // what 0x2007 shows (written, not restored)
    std::map<int, std::string> calibration_working_;  // changed by running calibrations

    std::deque<SimLogEntry> log_;
    std::optional<SimLogEntry> current_log_;
    uint8_t log_sequence_ = 0;
    uint32_t log_level_;
    bool event_due_ = false;
    uint64_t event_at_ms_ = 0;
    bool link_up_ = false;
    std::vector<std::pair<uint64_t, ScenarioLogEntry>> scheduled_log_;
    std::vector<std::pair<uint64_t, uint32_t>> scheduled_events_;

    int64_t clock_offset_ms_ = 0;  // subsystem time = host time since its epoch + offset

    uint32_t post_reads_ = 0;

    uint32_t review_images_ = 0;
    uint32_t review_current_ = 0;

    std::vector<std::string> dcm_messages_;
};
