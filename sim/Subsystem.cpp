#include "Subsystem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <sstream>

#include "FaultPlan.h"
#include "ZelCodes.h"
#include "platform/Format.h"

namespace {

constexpr uint16_t kCommandObject = 0x2000;
constexpr uint16_t kValidation0 = 0x2001;
constexpr uint16_t kValidation1 = 0x2801;
constexpr uint16_t kCalibrationObject = 0x2007;
constexpr uint16_t kConfigurationObject = 0x2008;
constexpr uint16_t kSelfTestObject = 0x2010;
constexpr uint16_t kLogObject = 0x2011;
constexpr uint16_t kVersionObject = 0x2013;
constexpr uint16_t kMinMax0 = 0x201E;
constexpr uint16_t kMinMax1 = 0x281E;
constexpr uint16_t kFieldServiceObject = 0x2809;

constexpr uint8_t kHighestCommand = 36;
// The validation result is one bit per parameter, bit = requested subindex / 2, in 4 bytes.
constexpr uint32_t kValidationBytes = 4;
// Components that write the subsystem's own log entries.
constexpr uint8_t kComponentControl = 1;
constexpr uint8_t kComponentCalibration = 2;
constexpr uint8_t kComponentTest = 3;

// Calibrations the subsystem knows: main calibrations and the sub-calibrations that need them.
struct CalibrationKind {
    uint32_t number;
    uint32_t parent;  // 0 for a main calibration
    int record;       // calibration record it changes (1-based)
};
constexpr CalibrationKind kCalibrations[] = {
    {1, 0, 1},   {101, 1, 1}, {4, 0, 2},   {400, 4, 2}, {401, 4, 2}, {402, 4, 2},
    {403, 4, 2}, {404, 4, 2}, {405, 4, 2}, {406, 4, 2}, {6, 0, 3},   {602, 6, 3},
    {603, 6, 3},
};
constexpr uint32_t kTests[] = {2, 11, 16, 20, 40, 41};

const CalibrationKind* FindCalibration(uint32_t number)
{
    for (const CalibrationKind& kind : kCalibrations) {
        if (kind.number == number) {
            return &kind;
        }
    }
    return nullptr;
}

std::string Number(uint64_t value)
{
    return Format("0x%llx", static_cast<unsigned long long>(value));
}

// A text value with its byte count in front, as the version and log texts are sent.
std::string Sized(const std::string& text)
{
    return Format("0x%02zx ", text.size()) + text;
}

int64_t HostMsSinceEpoch()
{
    using namespace std::chrono;
    const int64_t unix_ms =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return unix_ms - CSubsystem::kEpochOffsetS * 1000;
}

}  // namespace

CSubsystem::CSubsystem(const CScenario& scenario, CFaultPlan* faults)
    : scenario_(scenario), faults_(faults), log_level_(scenario.log_level)
{
    for (int d = 0; d < kSimDevices; ++d) {
        size_t count = 0;
        const SimParam* table = SimParamTable(d, &count);
        for (int b = 0; b < kSimBuffers; ++b) {
            if (b == kFieldServiceBuffer) {
                continue;  // field service values exist only while set
            }
            for (size_t i = 0; i < count; ++i) {
                SimValue value = SimDefault(table[i]);
                if (d == 0 && std::string(table[i].name) == "SelectedReceptorFieldSize" &&
                    !scenario.field_sizes.empty()) {
                    value.number = *std::max_element(scenario.field_sizes.begin(),
                                                     scenario.field_sizes.end());
                }
                slots_[d][b][table[i].requested] = {value, value};
            }
        }
        const SimParam* involved = std::find_if(table, table + count, [](const SimParam& param) {
            return std::string(param.name) == "Involved";
        });
        for (uint16_t buffer : scenario.involved_applications) {
            const SimValue on{1, {}};
            slots_[d][buffer][involved->requested] = {on, on};
        }
    }
    for (uint32_t n = 1; n <= scenario.calibration_records; ++n) {
        const auto it = scenario.calibration_texts.find(static_cast<int>(n));
        calibration_active_.push_back(it != scenario.calibration_texts.end()
                                          ? it->second
                                          : BuiltInCalibration(static_cast<int>(n)));
    }
    calibration_object_ = calibration_active_;
}

std::string CSubsystem::BuiltInCalibration(int record) const
{
    // 16 bytes per record: the record number, a version byte and a plausible data pattern.
    std::string text = "0x";
    for (int i = 0; i < 16; ++i) {
        const int byte = i == 0 ? record : i == 1 ? 1 : (record * 37 + i * 11) & 0xFF;
        text += Format("%02x", byte);
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Requests

bool CSubsystem::ParseRequest(const std::string& text, Request* request)
{
    std::istringstream in(text);
    std::string kind, id, index, subindex;
    if (!(in >> kind >> id >> index >> subindex)) {
        return false;
    }
    if (kind != "r" && kind != "R" && kind != "w" && kind != "W") {
        return false;
    }
    uint64_t id_value = 0, index_value = 0, sub_value = 0;
    if (!ParseSimNumber(id, &id_value) || id_value > 0xFFFF ||
        !ParseSimNumber(index, &index_value) || index_value > 0xFFFF ||
        !ParseSimNumber(subindex, &sub_value) || sub_value > 0xFF) {
        return false;
    }
    request->write = kind == "w" || kind == "W";
    request->message_id = static_cast<uint32_t>(id_value);
    request->index = static_cast<uint16_t>(index_value);
    request->subindex = static_cast<uint8_t>(sub_value);
    std::string word;
    while (in >> word) {
        request->data.push_back(word);
    }
    return true;
}

std::string CSubsystem::HandleMessage(const std::string& text, uint64_t now_ms)
{
    if (text.empty()) {
        return "";
    }
    const char kind = text[0];
    if (kind == 'D' || kind == 'd') {
        dcm_messages_.push_back(text);
        return "";
    }
    Request request;
    if (!ParseRequest(text, &request)) {
        // Without a readable message ID nobody could match a reply.
        return "";
    }
    Answer answer;
    const CScenario::ForcedAnswer* chosen = ForcedAnswerFor(request);
    const auto forced = scenario_.forced_results.find(static_cast<uint32_t>(request.index) << 8 |
                                                      request.subindex);
    if (chosen != nullptr) {
        if (!chosen->code.has_value()) {
            return "";  // a board that takes the request and never answers
        }
        answer.code = *chosen->code;
    } else if (forced != scenario_.forced_results.end()) {
        answer.code = forced->second;
    } else if (faults_ != nullptr && faults_->Strike(SimFault::ResultCode)) {
        answer.code = faults_->Settings().result_code;
    } else {
        answer = Dispatch(request, now_ms);
    }
    std::string reply = Format(answer.code <= 0xFF ? "c 0x%04x 0x%02x" : "c 0x%04x 0x%08x",
                               request.message_id, answer.code);
    if (answer.code == kZelOk && !answer.values.empty()) {
        reply += " " + answer.values;
    }
    return reply;
}

const CScenario::ForcedAnswer* CSubsystem::ForcedAnswerFor(const Request& request) const
{
    for (const CScenario::ForcedAnswer& answer : scenario_.forced_answers) {
        if (answer.index != request.index || answer.subindex != request.subindex) {
            continue;
        }
        uint64_t data = 0;
        if (answer.data.has_value() &&
            (request.data.empty() || !ParseSimNumber(request.data[0], &data) || data != *answer.data)) {
            continue;
        }
        return &answer;
    }
    return nullptr;
}

CSubsystem::Answer CSubsystem::Dispatch(const Request& request, uint64_t now_ms)
{
    switch (request.index) {
    case kCommandObject:
        return Command(request, now_ms);
    case kValidation0:
        return ValidationObject(request, 0);
    case kCalibrationObject:
        return CalibrationObject(request);
    case kConfigurationObject:
        return ConfigurationObject(request);
    case kSelfTestObject:
        return SelfTestObject(request);
    case kLogObject:
        return LogObject(request);
    case kVersionObject:
        return VersionObject(request);
    case kMinMax0:
        return MinMaxObject(request, 0);
    case kFieldServiceObject:
        return FieldServiceObject(request, now_ms);
    default:
        break;
    }
    if (request.index == kMinMax1) {
        return MinMaxObject(request, 1);
    }
    if (request.index == kValidation1 && !request.write &&
        (request.subindex <= 1 ||
         (request.subindex % 2 == 0 && request.subindex <= 2 * (kSimBuffers - 1)))) {
        // 0x2801 is both the validation object of device 1 and device 0's review buffer:
        // reads of the validation subindexes see the validation object, all else the buffer.
        return ValidationObject(request, 1);
    }
    int device = 0, buffer = 0;
    if (SimBufferOfIndex(request.index, &device, &buffer)) {
        return BufferObject(request, device, buffer);
    }
    return {kZelNoObject, ""};
}

// ---------------------------------------------------------------------------------------------
// Command object

CSubsystem::Answer CSubsystem::Command(const Request& request, uint64_t now_ms)
{
    const uint8_t sub = request.subindex;
    if (!request.write) {
        if (sub == 0) {
            return {kZelOk, Number(kHighestCommand)};
        }
        if (sub == 14) {
            return {kZelOk, Number(log_level_)};
        }
        return {sub <= kHighestCommand ? kZelWriteOnly : kZelNoSubindex, ""};
    }
    if (sub == 0) {
        return {kZelReadOnly, ""};
    }
    // Commands that take one number, and those that take none.
    static const std::set<uint8_t> kWithNumber = {2, 3, 4, 5, 8, 14, 16, 17, 18, 22, 23};
    static const std::set<uint8_t> kWithoutData = {1,  15, 24, 26, 27, 28, 29,
                                                   30, 31, 32, 33, 34, 35, 36};
    uint64_t number = 0;
    if (kWithNumber.count(sub) != 0) {
        if (request.data.size() != 1 || !ParseSimNumber(request.data[0], &number) ||
            number > 0xFFFFFFFFull) {
            return {kZelBadData, ""};
        }
    } else if (kWithoutData.count(sub) != 0) {
        if (!request.data.empty()) {
            return {kZelBadData, ""};
        }
    }
    switch (sub) {
    case 1:
        if (!started_) {
            started_ = true;
            AddLog(kComponentControl, 2, 0x0100, "Application started", now_ms);
        }
        return {kZelOk, ""};
    case 2:
    case 3:
    case 4:
    case 5:
    case 8:
        if (number >= kSimBuffers) {
            return {kZelValueRange, ""};
        }
        return CommandWithBuffer(sub, static_cast<int>(number), now_ms);
    case 7: {
        // "0xBBSSDD": buffer code (0x00 System Wide, 0xFF Field Service), subindex, device.
        uint64_t packed = 0;
        if (request.data.size() != 1 || request.data[0].size() != 8 ||
            !ParseSimNumber(request.data[0], &packed)) {
            return {kZelBadData, ""};
        }
        const uint32_t code = static_cast<uint32_t>(packed >> 16) & 0xFF;
        const uint8_t subindex = static_cast<uint8_t>(packed >> 8);
        const int device = static_cast<int>(packed & 0xFF);
        if ((code != 0x00 && code != 0xFF) || device >= kSimDevices || !DeviceAvailable(device)) {
            return {kZelValueRange, ""};
        }
        bool is_accepted = false;
        const SimParam* param = FindSimParam(device, subindex, &is_accepted);
        if (param == nullptr || is_accepted) {
            return {kZelNoSubindex, ""};
        }
        const int buffer = code == 0xFF ? kFieldServiceBuffer : 0;
        Slot& slot = slots_[device][buffer][param->requested];
        if (buffer == kFieldServiceBuffer) {
            slot = {};
        } else {
            slot.requested = SimDefault(*param);
        }
        return {kZelOk, ""};
    }
    case 9: {
        // "0xFFTT": from and to buffer.
        uint64_t packed = 0;
        if (request.data.size() != 1 || request.data[0].size() != 6 ||
            !ParseSimNumber(request.data[0], &packed)) {
            return {kZelBadData, ""};
        }
        const int from = static_cast<int>(packed >> 8);
        const int to = static_cast<int>(packed & 0xFF);
        if (from < 1 || from > 8 || to < 1 || to > 8) {
            return {kZelValueRange, ""};
        }
        return {from == active_buffer_ && validated_[to] ? kZelOk : kZelState, ""};
    }
    case 13: {
        // "0x" + time of day (8 digits, ms) + day number (4 digits).
        const std::string& text = request.data.size() == 1 ? request.data[0] : std::string();
        uint64_t tod = 0, day = 0;
        if (text.size() != 14 || text.compare(0, 2, "0x") != 0 ||
            !ParseSimNumber("0x" + text.substr(2, 8), &tod) ||
            !ParseSimNumber("0x" + text.substr(10, 4), &day) || tod >= 86400000ull) {
            return {kZelBadData, ""};
        }
        const int64_t wanted = static_cast<int64_t>(day) * 86400000 + static_cast<int64_t>(tod);
        clock_offset_ms_ = wanted - HostMsSinceEpoch();
        return {kZelOk, ""};
    }
    case 14:
        if (number > 7) {
            return {kZelValueRange, ""};
        }
        log_level_ = static_cast<uint32_t>(number);
        return {kZelOk, ""};
    case 15:
        if (log_.empty()) {
            return {kZelNoData, ""};
        }
        current_log_ = log_.front();
        log_.pop_front();
        return {kZelOk, ""};
    case 16:
    case 17:
    case 18:
        return Calibration(sub, static_cast<uint32_t>(number), now_ms);
    case 22:
    case 23:
        return Test(sub, static_cast<uint32_t>(number), now_ms);
    case 24:
        calibration_active_ = calibration_object_;
        AddLog(kComponentCalibration, 3, 0x0240, "Calibration data restored", now_ms);
        return {kZelOk, ""};
    case 26:
        log_.clear();
        current_log_.reset();
        return {kZelOk, ""};
    default:
        if (sub >= 27 && sub <= 36) {
            return Review(sub, now_ms);
        }
        return {kZelNoSubindex, ""};
    }
}

CSubsystem::Answer CSubsystem::CommandWithBuffer(uint8_t subindex, int buffer, uint64_t now_ms)
{
    switch (subindex) {
    case 2:  // validate
        return {Validate(buffer, now_ms) ? kZelOk : kZelValidation, ""};
    case 3:  // activate
        if (!Validate(buffer, now_ms)) {
            return {kZelValidation, ""};
        }
        active_buffer_ = buffer;
        return {kZelOk, ""};
    case 4:  // prepare
        if (prepared_.has_value() && *prepared_ != buffer) {
            return {kZelState, ""};
        }
        if (!Validate(buffer, now_ms)) {
            return {kZelValidation, ""};
        }
        prepared_ = buffer;
        return {kZelOk, ""};
    case 5:  // unprepare
        if (!prepared_.has_value() || *prepared_ != buffer) {
            return {kZelState, ""};
        }
        prepared_.reset();
        return {kZelOk, ""};
    case 8:  // switch
        if (buffer < 1 || buffer > 8) {
            return {kZelValueRange, ""};
        }
        if (!validated_[buffer]) {
            return {kZelState, ""};
        }
        active_buffer_ = buffer;
        return {kZelOk, ""};
    default:
        return {kZelNoSubindex, ""};
    }
}

CSubsystem::Answer CSubsystem::Calibration(uint8_t subindex, uint32_t number, uint64_t now_ms)
{
    const CalibrationKind* kind = FindCalibration(number);
    if (kind == nullptr) {
        return {kZelValueRange, ""};
    }
    const bool running = calibrations_running_.count(number) != 0;
    switch (subindex) {
    case 16:  // start
        if (kind->parent != 0 && calibrations_running_.count(kind->parent) == 0) {
            return {kZelState, ""};
        }
        if (kind->parent == 0) {
            calibration_working_[kind->record] =
                calibration_active_.size() >= static_cast<size_t>(kind->record)
                    ? calibration_active_[static_cast<size_t>(kind->record - 1)]
                    : std::string();
        }
        calibrations_running_.insert(number);
        AddLog(kComponentCalibration, 2, static_cast<uint16_t>(0x0200 + number % 256),
               Format("Calibration %u started", number), now_ms);
        return {kZelOk, ""};
    case 17:  // stop
        if (!running) {
            return {kZelState, ""};
        }
        calibrations_running_.erase(number);
        if (kind->parent != 0) {
            ChangeCalibration(kind->record, number);
        } else {
            // A main calibration stopped without storing leaves the calibration as it was.
            for (const CalibrationKind& sub : kCalibrations) {
                if (sub.parent == number) {
                    calibrations_running_.erase(sub.number);
                }
            }
            calibration_working_.erase(kind->record);
        }
        AddLog(kComponentCalibration, 2, static_cast<uint16_t>(0x0210 + number % 256),
               Format("Calibration %u stopped", number), now_ms);
        return {kZelOk, ""};
    case 18:  // store
        if (kind->parent != 0 || !running) {
            return {kZelState, ""};
        }
        if (calibration_working_.count(kind->record) != 0 &&
            calibration_active_.size() >= static_cast<size_t>(kind->record)) {
            calibration_active_[static_cast<size_t>(kind->record - 1)] =
                calibration_working_[kind->record];
            calibration_object_ = calibration_active_;
        }
        AddLog(kComponentCalibration, 3, static_cast<uint16_t>(0x0220 + number % 256),
               Format("Calibration %u stored", number), now_ms);
        return {kZelOk, ""};
    default:
        return {kZelNoSubindex, ""};
    }
}

void CSubsystem::ChangeCalibration(int record, uint32_t number)
{
    auto it = calibration_working_.find(record);
    if (it == calibration_working_.end() || it->second.size() < 6) {
        return;
    }
    // A finished sub-calibration leaves its mark in the record: the byte after the version byte
    // counts runs, the next one holds the low byte of the sub-calibration's number.
    std::string& text = it->second;
    auto byte_at = [&](size_t i) { return std::strtoul(text.substr(2 + 2 * i, 2).c_str(), nullptr, 16); };
    const unsigned long runs = (byte_at(2) + 1) & 0xFF;
    text.replace(6, 2, Format("%02lx", runs));
    if (text.size() >= 10) {
        text.replace(8, 2, Format("%02x", number & 0xFF));
    }
}

CSubsystem::Answer CSubsystem::Test(uint8_t subindex, uint32_t number, uint64_t now_ms)
{
    if (std::find(std::begin(kTests), std::end(kTests), number) == std::end(kTests)) {
        return {kZelValueRange, ""};
    }
    if (subindex == 22) {
        if (tests_running_.count(number) != 0) {
            return {kZelState, ""};
        }
        tests_running_.insert(number);
        if (number == 11 || number == 16) {
            video_test_start_ms_ = now_ms;
        }
        AddLog(kComponentTest, 2, static_cast<uint16_t>(0x0300 + number), Format("Test %u started", number),
               now_ms);
        return {kZelOk, ""};
    }
    if (tests_running_.erase(number) == 0) {
        return {kZelState, ""};
    }
    AddLog(kComponentTest, 2, static_cast<uint16_t>(0x0380 + number), Format("Test %u stopped", number),
           now_ms);
    return {kZelOk, ""};
}

CSubsystem::Answer CSubsystem::Review(uint8_t subindex, uint64_t now_ms)
{
    switch (subindex) {
    case 27:  // validate review settings
        return {Validate(kReviewBuffer, now_ms) ? kZelOk : kZelValidation, ""};
    case 28:  // activate review settings
        if (!Validate(kReviewBuffer, now_ms)) {
            return {kZelValidation, ""};
        }
        return {kZelOk, ""};
    case 29:  // previous
        if (review_images_ == 0 || review_current_ == 0) {
            return {kZelState, ""};
        }
        --review_current_;
        return {kZelOk, ""};
    case 30:  // next
        if (review_images_ == 0 || review_current_ + 1 >= review_images_) {
            return {kZelState, ""};
        }
        ++review_current_;
        return {kZelOk, ""};
    case 31:  // grab last image hold
        if (review_images_ >= 32) {
            return {kZelState, ""};
        }
        review_current_ = review_images_++;
        return {kZelOk, ""};
    case 32:  // delete image
        if (review_images_ == 0) {
            return {kZelNoData, ""};
        }
        --review_images_;
        if (review_current_ >= review_images_ && review_current_ > 0) {
            --review_current_;
        }
        return {kZelOk, ""};
    case 33:  // delete all images
        review_images_ = 0;
        review_current_ = 0;
        return {kZelOk, ""};
    case 34:  // clear screen
        return {kZelOk, ""};
    case 35:  // export
    case 36:  // park
        return {review_images_ == 0 ? kZelNoData : kZelOk, ""};
    default:
        return {kZelNoSubindex, ""};
    }
}

// ---------------------------------------------------------------------------------------------
// Validation

SimValue CSubsystem::Effective(int device, int buffer, const SimParam& param) const
{
    const Slot& fs = slots_[device][kFieldServiceBuffer][param.requested];
    if (fs.requested.has_value()) {
        return *fs.requested;
    }
    const int base = buffer == kFieldServiceBuffer ? 0 : buffer;
    const Slot& slot = slots_[device][base][param.requested];
    return slot.requested.value_or(SimDefault(param));
}

uint32_t CSubsystem::ValidationBits(int device, int buffer) const
{
    size_t count = 0;
    const SimParam* table = SimParamTable(device, &count);
    uint32_t bits = 0;
    auto value_of = [&](const char* name) -> int64_t {
        for (size_t i = 0; i < count; ++i) {
            if (std::string(table[i].name) == name) {
                return Effective(device, buffer, table[i]).number;
            }
        }
        return 0;
    };
    for (size_t i = 0; i < count; ++i) {
        const SimParam& param = table[i];
        const SimValue value = Effective(device, buffer, param);
        bool bad = !SimInRange(param, value);
        const std::string name = param.name;
        if (device == 0 && name == "SelectedReceptorFieldSize") {
            bad = bad || std::find(scenario_.field_sizes.begin(), scenario_.field_sizes.end(),
                                   value.number) == scenario_.field_sizes.end();
        }
        if (device == 0 && name == "SensorIntegrationTime") {
            const int64_t interval = value_of("SensorIntervalTime");
            bad = bad || (interval != 0 && value.number >= interval) ||
                  (interval == 0 && value.number != 0);
        }
        if (device == 0 && name == "RequestedDoserate") {
            uint32_t threshold = scenario_.min_doserate;
            const auto it = scenario_.min_doserate_by_size.find(
                static_cast<uint16_t>(value_of("SelectedReceptorFieldSize")));
            if (it != scenario_.min_doserate_by_size.end()) {
                threshold = it->second;
            }
            bad = bad || value.number < static_cast<int64_t>(threshold);
        }
        if (bad) {
            bits |= 1u << (param.requested / 2);
        }
    }
    return bits;
}

bool CSubsystem::Validate(int buffer, uint64_t now_ms)
{
    ++validations_;
    bool ok = true;
    for (int d = 0; d < kSimDevices; ++d) {
        error_bits_[d][buffer] = DeviceAvailable(d) ? ValidationBits(d, buffer) : 0;
        ok = ok && error_bits_[d][buffer] == 0;
    }
    if (scenario_.validation_mode == "pass") {
        ok = true;
        error_bits_[0][buffer] = error_bits_[1][buffer] = 0;
    }
    if (scenario_.validation_mode == "fail" || validations_ <= scenario_.validation_fail_first) {
        ok = false;
        error_bits_[0][buffer] |= 1u;  // bit 0: the buffer as a whole was refused
    }
    validated_[buffer] = ok;
    if (!ok) {
        AddLog(kComponentControl, 4, 0x0110, Format("Validation of buffer %d failed", buffer),
               now_ms);
        return false;
    }
    for (int d = 0; d < kSimDevices; ++d) {
        size_t count = 0;
        const SimParam* table = SimParamTable(d, &count);
        for (size_t i = 0; i < count; ++i) {
            const SimValue value = Effective(d, buffer, table[i]);
            slots_[d][buffer][table[i].requested].accepted = value;
            Slot& fs = slots_[d][kFieldServiceBuffer][table[i].requested];
            if (fs.requested.has_value()) {
                fs.accepted = fs.requested;
            }
        }
    }
    return true;
}

CSubsystem::Answer CSubsystem::ValidationObject(const Request& request, int device)
{
    if (request.write) {
        return {kZelReadOnly, ""};
    }
    if (!DeviceAvailable(device)) {
        return {kZelNoObject, ""};
    }
    const uint8_t sub = request.subindex;
    if (sub == 0) {
        return {kZelOk, Number(2 * (kSimBuffers - 1))};
    }
    if (sub == 1) {
        return {kZelOk, Number(kValidationBytes)};
    }
    if (sub % 2 != 0 || sub > 2 * (kSimBuffers - 1)) {
        return {kZelNoSubindex, ""};
    }
    const uint32_t bits = error_bits_[device][sub / 2];
    std::string text = "0x";
    for (uint32_t i = 0; i < kValidationBytes; ++i) {
        text += Format("%02x", (bits >> (8 * i)) & 0xFF);
    }
    return {kZelOk, text};
}

// ---------------------------------------------------------------------------------------------
// Information objects

CSubsystem::Answer CSubsystem::CalibrationObject(const Request& request)
{
    const uint8_t sub = request.subindex;
    const size_t n = calibration_object_.size();
    if (sub == 0) {
        return request.write ? Answer{kZelReadOnly, ""} : Answer{kZelOk, Number(n)};
    }
    if (sub > n) {
        return {kZelNoSubindex, ""};
    }
    std::string& record = calibration_object_[sub - 1];
    if (!request.write) {
        return {kZelOk, record};
    }
    // A record is "0x" and an even number of hex digits, at most 128 bytes.
    const std::string text = request.data.size() == 1 ? request.data[0] : std::string();
    bool ok = text.size() >= 4 && text.size() % 2 == 0 && text.size() <= 2 + 256 &&
              text.compare(0, 2, "0x") == 0;
    for (size_t i = 2; ok && i < text.size(); ++i) {
        ok = std::isxdigit(static_cast<unsigned char>(text[i])) != 0;
    }
    if (!ok) {
        return {kZelBadData, ""};
    }
    record = text;
    return {kZelOk, ""};
}

CSubsystem::Answer CSubsystem::ConfigurationObject(const Request& request)
{
    if (request.write) {
        return {kZelReadOnly, ""};
    }
    auto groups = [](const std::vector<uint16_t>& values) {
        std::string text = "0x";
        for (size_t i = 0; i < 16; ++i) {
            text += Format("%04x", i < values.size() ? values[i] : 0);
        }
        return text;
    };
    switch (request.subindex) {
    case 0:
        return {kZelOk, Number(12)};
    case 2:
        return {kZelOk, Number(scenario_.ii_type)};
    case 3:
        return {kZelOk, Number(scenario_.field_size_count.value_or(
                            static_cast<uint32_t>(scenario_.field_sizes.size())))};
    case 4:
        return {kZelOk, groups(scenario_.field_sizes)};
    case 12:
        return {kZelOk, groups(scenario_.sid_offsets)};
    default:
        return {kZelNoSubindex, ""};
    }
}

CSubsystem::Answer CSubsystem::SelfTestObject(const Request& request)
{
    if (request.write) {
        return {kZelReadOnly, ""};
    }
    if (request.subindex == 0) {
        return {kZelOk, Number(1)};
    }
    if (request.subindex == 1) {
        ++post_reads_;
        const bool cleared = scenario_.post_clears_after_reads != 0 &&
                             post_reads_ > scenario_.post_clears_after_reads;
        return {kZelOk, Format("0x%08x", cleared ? 0u : scenario_.post_result)};
    }
    return {kZelNoSubindex, ""};
}

CSubsystem::Answer CSubsystem::LogObject(const Request& request)
{
    if (request.write) {
        return {kZelReadOnly, ""};
    }
    const uint8_t sub = request.subindex;
    if (sub == 0) {
        return {kZelOk, Number(4)};
    }
    if (sub == 1) {
        return {kZelOk, Number(log_.size())};
    }
    if (sub > 4) {
        return {kZelNoSubindex, ""};
    }
    if (!current_log_.has_value()) {
        return {kZelNoData, ""};
    }
    const SimLogEntry& e = *current_log_;
    if (sub == 2) {
        return {kZelOk, Number(e.text.size())};
    }
    if (sub == 3) {
        return {kZelOk, Sized(e.text)};
    }
    // Sequence, logging ID, reserved, component, severity, then time of day and day number
    // least significant byte first.
    std::string info = Format("0x%02x%04x%02x%02x%02x", e.sequence, e.logging_id, 0, e.component,
                              e.severity);
    for (int i = 0; i < 4; ++i) {
        info += Format("%02x", (e.time_of_day_ms >> (8 * i)) & 0xFF);
    }
    info += Format("%02x%02x", e.day_number & 0xFF, e.day_number >> 8);
    return {kZelOk, info};
}

CSubsystem::Answer CSubsystem::VersionObject(const Request& request)
{
    if (request.write) {
        return {kZelReadOnly, ""};
    }
    const int highest = scenario_.versions.empty() ? 0 : scenario_.versions.rbegin()->first;
    if (request.subindex == 0) {
        return {kZelOk, Number(static_cast<uint64_t>(highest))};
    }
    const auto it = scenario_.versions.find(request.subindex);
    if (it == scenario_.versions.end()) {
        return {kZelNoSubindex, ""};
    }
    return {kZelOk, Sized(it->second)};
}

CSubsystem::Answer CSubsystem::MinMaxObject(const Request& request, int device)
{
    if (request.write) {
        return {kZelReadOnly, ""};
    }
    if (!DeviceAvailable(device)) {
        return {kZelNoObject, ""};
    }
    if (request.subindex == 0) {
        return {kZelOk, Number(SimHighestSubindex(device))};
    }
    bool is_max = false;
    const SimParam* param = FindSimParam(device, request.subindex, &is_max);
    if (param == nullptr) {
        return {kZelNoSubindex, ""};
    }
    SimValue value = is_max ? SimMaximum(*param) : SimMinimum(*param);
    if (device == 0 && std::string(param->name) == "SelectedReceptorFieldSize" &&
        !scenario_.field_sizes.empty()) {
        const auto [lo, hi] =
            std::minmax_element(scenario_.field_sizes.begin(), scenario_.field_sizes.end());
        value.number = is_max ? *hi : *lo;
    }
    return {kZelOk, SimValueText(param->type, value)};
}

CSubsystem::Answer CSubsystem::BufferObject(const Request& request, int device, int buffer)
{
    if (!DeviceAvailable(device)) {
        // Without image processing only "Involved" exists on device 1.
        if (request.subindex > 2) {
            return {kZelNoSubindex, ""};
        }
    }
    if (request.subindex == 0) {
        if (request.write) {
            return {kZelReadOnly, ""};
        }
        return {kZelOk, Number(DeviceAvailable(device) ? SimHighestSubindex(device) : 2)};
    }
    bool is_accepted = false;
    const SimParam* param = FindSimParam(device, request.subindex, &is_accepted);
    if (param == nullptr) {
        return {kZelNoSubindex, ""};
    }
    Slot& slot = slots_[device][buffer][param->requested];
    if (request.write) {
        if (is_accepted) {
            return {kZelReadOnly, ""};
        }
        SimValue value;
        if (request.data.size() != 1 || !ParseSimValue(param->type, request.data[0], &value)) {
            return {kZelBadData, ""};
        }
        slot.requested = value;
        if (buffer == kFieldServiceBuffer) {
            slot.accepted.reset();
        }
        validated_[buffer] = false;
        return {kZelOk, ""};
    }
    const std::optional<SimValue>& value = is_accepted ? slot.accepted : slot.requested;
    if (!value.has_value()) {
        return {kZelNoData, ""};
    }
    return {kZelOk, SimValueText(param->type, *value)};
}

uint32_t CSubsystem::VideoLevel(uint64_t now_ms) const
{
    if (tests_running_.count(11) == 0 && tests_running_.count(16) == 0) {
        return scenario_.video_start;
    }
    const double t = static_cast<double>(now_ms - video_test_start_ms_);
    const double tau = std::max<double>(1.0, scenario_.video_time_constant_ms);
    const double start = scenario_.video_start;
    const double target = scenario_.video_target;
    double level = target + (start - target) * std::exp(-t / tau);
    level += scenario_.video_noise * std::sin(t / 170.0);
    if (scenario_.video_wave != 0) {
        const double period = std::max<double>(1.0, scenario_.video_wave_period_ms);
        level += scenario_.video_wave * std::sin(2.0 * M_PI * t / period);
    }
    return static_cast<uint32_t>(std::max(0.0, std::lround(level) * 1.0));
}

CSubsystem::Answer CSubsystem::FieldServiceObject(const Request& request, uint64_t now_ms)
{
    if (request.write) {
        return {kZelReadOnly, ""};
    }
    const uint32_t relative = VideoLevel(now_ms);
    const uint32_t bins = scenario_.video_bins_at_target * relative / 1000 + scenario_.video_offset_bins;
    switch (request.subindex) {
    case 0:
        return {kZelOk, Number(4)};
    case 1:
        return {kZelOk, Number(relative)};
    case 2:
        return {kZelOk, Number(12 + (now_ms / 100) % 3)};
    case 3:
        return {kZelOk, Number(bins)};
    case 4:
        // The processed image has the video offset removed.
        return {kZelOk, Number(bins - std::min(bins, scenario_.video_offset_bins))};
    default:
        return {kZelNoSubindex, ""};
    }
}

// ---------------------------------------------------------------------------------------------
// Log, events, link

uint64_t CSubsystem::SubsystemTimeMs(uint64_t) const
{
    const int64_t t = HostMsSinceEpoch() + clock_offset_ms_;
    return t < 0 ? 0 : static_cast<uint64_t>(t);
}

void CSubsystem::AddLog(uint8_t component, uint8_t severity, uint16_t logging_id,
                        const std::string& text, uint64_t now_ms)
{
    if (severity < log_level_) {
        return;
    }
    const uint64_t t = SubsystemTimeMs(now_ms);
    SimLogEntry entry;
    entry.sequence = ++log_sequence_;
    entry.logging_id = logging_id;
    entry.component = component;
    entry.severity = severity;
    entry.day_number = static_cast<uint16_t>(t / 86400000);
    entry.time_of_day_ms = static_cast<uint32_t>(t % 86400000);
    entry.text = text;
    // The log holds the newest 64 entries; older unread ones are overwritten.
    if (log_.size() >= 64) {
        log_.pop_front();
    }
    log_.push_back(entry);
    ScheduleEvent(now_ms);
}

void CSubsystem::ScheduleEvent(uint64_t now_ms)
{
    if (!event_due_) {
        event_due_ = true;
        event_at_ms_ = now_ms;
    }
}

std::vector<std::string> CSubsystem::OnLinkUp(uint64_t now_ms)
{
    link_up_ = true;
    scheduled_log_.clear();
    for (const ScenarioLogEntry& entry : scenario_.log_entries) {
        scheduled_log_.emplace_back(now_ms + entry.delay_ms, entry);
    }
    scheduled_events_.clear();
    for (const auto& [delay_ms, number] : scenario_.events) {
        scheduled_events_.emplace_back(now_ms + delay_ms, number);
    }
    return {"ds whoami"};
}

std::vector<std::string> CSubsystem::TakeUnsolicited(uint64_t now_ms)
{
    for (auto it = scheduled_log_.begin(); it != scheduled_log_.end();) {
        if (it->first <= now_ms) {
            const ScenarioLogEntry& e = it->second;
            AddLog(e.component, e.severity, e.logging_id, e.text, now_ms);
            it = scheduled_log_.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<std::string> out;
    for (auto it = scheduled_events_.begin(); it != scheduled_events_.end();) {
        if (it->first <= now_ms) {
            out.push_back(Format("e %u", it->second));
            it = scheduled_events_.erase(it);
        } else {
            ++it;
        }
    }
    if (event_due_ && event_at_ms_ <= now_ms) {
        event_due_ = false;
        // Nobody is told while no program listens; the entries wait in the log.
        if (link_up_ && !log_.empty()) {
            out.push_back("e 1");
        }
    }
    return out;
}

uint64_t CSubsystem::NextDeadlineMs() const
{
    uint64_t next = event_due_ ? event_at_ms_ : UINT64_MAX;
    for (const auto& [at, entry] : scheduled_log_) {
        next = std::min(next, at);
    }
    for (const auto& [at, number] : scheduled_events_) {
        next = std::min(next, at);
    }
    return next;
}

// ---------------------------------------------------------------------------------------------
// Inspection and state

std::optional<SimValue> CSubsystem::Requested(int device, int buffer, const std::string& name) const
{
    size_t count = 0;
    const SimParam* table = SimParamTable(device, &count);
    for (size_t i = 0; i < count && buffer >= 0 && buffer < kSimBuffers; ++i) {
        if (name == table[i].name) {
            return slots_[device][buffer][table[i].requested].requested;
        }
    }
    return std::nullopt;
}

std::optional<SimValue> CSubsystem::Accepted(int device, int buffer, const std::string& name) const
{
    size_t count = 0;
    const SimParam* table = SimParamTable(device, &count);
    for (size_t i = 0; i < count && buffer >= 0 && buffer < kSimBuffers; ++i) {
        if (name == table[i].name) {
            return slots_[device][buffer][table[i].requested].accepted;
        }
    }
    return std::nullopt;
}

std::map<std::string, std::string> CSubsystem::SaveBuffers() const
{
    std::map<std::string, std::string> out;
    for (int d = 0; d < kSimDevices; ++d) {
        size_t count = 0;
        const SimParam* table = SimParamTable(d, &count);
        for (int b = 0; b < kSimBuffers; ++b) {
            for (size_t i = 0; i < count; ++i) {
                const Slot& slot = slots_[d][b][table[i].requested];
                if (slot.requested.has_value()) {
                    out[Format("%d.%d.%u", d, b, table[i].requested)] =
                        SimValueText(table[i].type, *slot.requested);
                }
                if (slot.accepted.has_value()) {
                    out[Format("%d.%d.%u", d, b, table[i].accepted)] =
                        SimValueText(table[i].type, *slot.accepted);
                }
            }
        }
    }
    return out;
}

void CSubsystem::LoadCalibration(const std::vector<std::string>& records)
{
    calibration_active_ = records;
    calibration_object_ = records;
}

void CSubsystem::OnReset()
{
    tests_running_.clear();
    calibrations_running_.clear();
    calibration_working_.clear();
    calibration_object_ = calibration_active_;
    prepared_.reset();
    started_ = false;
    link_up_ = false;
    scheduled_log_.clear();
    scheduled_events_.clear();
    current_log_.reset();
    for (int d = 0; d < kSimDevices; ++d) {
        for (Slot& slot : slots_[d][kFieldServiceBuffer]) {
            slot = {};
        }
    }
}

void CSubsystem::LoadBuffer(int device, int buffer, uint8_t subindex, const std::string& text)
{
    if (device < 0 || device >= kSimDevices || buffer < 0 || buffer >= kSimBuffers) {
        return;
    }
    bool is_accepted = false;
    const SimParam* param = FindSimParam(device, subindex, &is_accepted);
    SimValue value;
    if (param == nullptr || !ParseSimValue(param->type, text, &value)) {
        return;
    }
    Slot& slot = slots_[device][buffer][param->requested];
    (is_accepted ? slot.accepted : slot.requested) = value;
}
