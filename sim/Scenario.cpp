#include "Scenario.h"

#include <cstdlib>

#include "SimParams.h"
#include "platform/Format.h"
#include "platform/Profile.h"
#include "platform/TextFile.h"

namespace {

constexpr size_t kLong = 1024;

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> SplitList(const std::string& text, char separator, size_t limit)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() + 1 < limit) {
        const size_t at = text.find(separator, start);
        if (at == std::string::npos) {
            break;
        }
        parts.push_back(Trim(text.substr(start, at - start)));
        start = at + 1;
    }
    parts.push_back(Trim(text.substr(start)));
    return parts;
}

bool ParseNumberList(const std::string& text, std::vector<uint16_t>* values)
{
    values->clear();
    for (const std::string& part : SplitList(text, ',', 1000)) {
        uint64_t v = 0;
        if (!ParseSimNumber(part, &v) || v > 0xFFFF) {
            return false;
        }
        values->push_back(static_cast<uint16_t>(v));
    }
    return true;
}

class CReader {
public:
    CReader(const CProfile& profile, std::string* error) : profile_(profile), error_(error) {}

    bool Number(const char* section, const std::string& key, uint32_t* value)
    {
        if (!profile_.HasKey(section, key)) {
            return true;
        }
        uint64_t v = 0;
        const std::string text = profile_.GetString(section, key, "", kLong);
        if (!ParseSimNumber(text, &v) || v > 0xFFFFFFFFull) {
            return Fail(section, key, "is not a number");
        }
        *value = static_cast<uint32_t>(v);
        return true;
    }

    bool Text(const char* section, const std::string& key, std::string* value)
    {
        if (profile_.HasKey(section, key)) {
            *value = profile_.GetString(section, key, "", kLong);
        }
        return true;
    }

    bool Fail(const char* section, const std::string& key, const char* what)
    {
        *error_ = Format("[%s] %s %s", section, key.c_str(), what);
        return false;
    }

    const CProfile& profile_;
    std::string* error_;
};

}  // namespace

CScenario::CScenario()
{
    versions[1] = "Cb: Application 3.2.1";
    versions[2] = "Cb: Boot 1.4.0";
    versions[3] = "Cb: FPGA 2.0";
    versions[4] = "Ib: Application 1.7.3";
    versions[5] = "Ib: Boot 1.1.0";
    versions[6] = "Ib: FPGA Type: 2 Rev: 7";
    versions[7] = "Camera: 1.12";
    versions[8] = "Iris: 0.9";
}

bool CScenario::Load(const std::string& path, std::string* error)
{
    std::string content;
    if (ReadWholeFile(path, content) != ReadFileResult::Ok) {
        *error = "cannot read the scenario file " + path;
        return false;
    }
    const CProfile profile = CProfile::FromText(content);
    CReader read(profile, error);

    if (!read.Number("Subsystem", "IIType", &ii_type) ||
        !read.Number("Subsystem", "PostResult", &post_result) ||
        !read.Number("Subsystem", "PostClearsAfterReads", &post_clears_after_reads)) {
        return false;
    }
    for (const auto& [key, target] :
         {std::pair<const char*, std::vector<uint16_t>*>{"ReceptorFieldSizes", &field_sizes},
          {"SidOffsets", &sid_offsets},
          {"InvolvedApplications", &involved_applications}}) {
        if (profile.HasKey("Subsystem", key) &&
            !ParseNumberList(profile.GetString("Subsystem", key, "", kLong), target)) {
            return read.Fail("Subsystem", key, "is not a list of numbers");
        }
    }
    if (field_sizes.size() > 16 || sid_offsets.size() > 16) {
        return read.Fail("Subsystem", "ReceptorFieldSizes", "holds more than 16 values");
    }
    for (uint16_t buffer : involved_applications) {
        if (buffer < 1 || buffer > 8) {
            return read.Fail("Subsystem", "InvolvedApplications", "holds a buffer outside 1 to 8");
        }
    }
    if (profile.HasKey("Subsystem", "FieldSizeCount")) {
        uint32_t count = 0;
        if (!read.Number("Subsystem", "FieldSizeCount", &count)) {
            return false;
        }
        field_size_count = count;
    }
    uint32_t flag = image_processing ? 1 : 0;
    if (!read.Number("Subsystem", "ImageProcessing", &flag)) {
        return false;
    }
    image_processing = flag != 0;

    for (int n = 1; n <= 64; ++n) {
        const std::string key = Format("Component%d", n);
        if (profile.HasKey("Versions", key)) {
            versions[n] = profile.GetString("Versions", key, "", kLong);
        }
    }
    uint32_t highest = 0;
    if (profile.HasKey("Versions", "Highest")) {
        if (!read.Number("Versions", "Highest", &highest)) {
            return false;
        }
        for (auto it = versions.begin(); it != versions.end();) {
            it = it->first > static_cast<int>(highest) ? versions.erase(it) : std::next(it);
        }
        for (int n = 1; n <= static_cast<int>(highest); ++n) {
            versions.try_emplace(n, Format("Component %d", n));
        }
    }

    if (!read.Number("Log", "Level", &log_level)) {
        return false;
    }
    for (int n = 1; n <= 1000; ++n) {
        const std::string key = Format("Entry%d", n);
        if (!profile.HasKey("Log", key)) {
            break;
        }
        // delay_ms, component, severity, logging id, text (the text may hold commas)
        const std::vector<std::string> parts =
            SplitList(profile.GetString("Log", key, "", kLong), ',', 5);
        uint64_t delay = 0, component = 0, severity = 0, id = 0;
        if (parts.size() != 5 || !ParseSimNumber(parts[0], &delay) ||
            !ParseSimNumber(parts[1], &component) || component > 0xFF ||
            !ParseSimNumber(parts[2], &severity) || severity > 7 ||
            !ParseSimNumber(parts[3], &id) || id > 0xFFFF) {
            return read.Fail("Log", key, "is not \"delay_ms, component, severity, id, text\"");
        }
        log_entries.push_back({static_cast<uint32_t>(delay), static_cast<uint16_t>(id),
                               static_cast<uint8_t>(component), static_cast<uint8_t>(severity),
                               parts[4]});
    }

    for (int n = 1; n <= 1000; ++n) {
        const std::string key = Format("Event%d", n);
        if (!profile.HasKey("Events", key)) {
            break;
        }
        // delay_ms, event number
        const std::vector<std::string> parts =
            SplitList(profile.GetString("Events", key, "", kLong), ',', 2);
        uint64_t delay = 0, number = 0;
        if (parts.size() != 2 || !ParseSimNumber(parts[0], &delay) || delay > 0xFFFFFFFFull ||
            !ParseSimNumber(parts[1], &number) || number > 0xFFFFFFFFull) {
            return read.Fail("Events", key, "is not \"delay_ms, event number\"");
        }
        events.emplace_back(static_cast<uint32_t>(delay), static_cast<uint32_t>(number));
    }

    read.Text("Validation", "Mode", &validation_mode);
    if (validation_mode != "normal" && validation_mode != "fail" && validation_mode != "pass") {
        return read.Fail("Validation", "Mode", "is not normal, fail or pass");
    }
    if (!read.Number("Validation", "FailFirst", &validation_fail_first) ||
        !read.Number("Validation", "MinDoserate", &min_doserate)) {
        return false;
    }
    for (uint16_t size : field_sizes) {
        uint32_t threshold = 0;
        const std::string key = Format("MinDoserate%u", size);
        if (profile.HasKey("Validation", key)) {
            if (!read.Number("Validation", key, &threshold)) {
                return false;
            }
            min_doserate_by_size[size] = threshold;
        }
    }

    if (!read.Number("VideoLevel", "Start", &video_start) ||
        !read.Number("VideoLevel", "Target", &video_target) ||
        !read.Number("VideoLevel", "TimeConstantMs", &video_time_constant_ms) ||
        !read.Number("VideoLevel", "Noise", &video_noise) ||
        !read.Number("VideoLevel", "BinsAtTarget", &video_bins_at_target) ||
        !read.Number("VideoLevel", "OffsetBins", &video_offset_bins) ||
        !read.Number("VideoLevel", "Wave", &video_wave) ||
        !read.Number("VideoLevel", "WavePeriodMs", &video_wave_period_ms)) {
        return false;
    }

    for (int n = 1; n <= 1000; ++n) {
        const std::string key = Format("Result%d", n);
        if (!profile.HasKey("Results", key)) {
            break;
        }
        // "index, subindex, code" or "index, subindex, code, data"; code "none" never answers
        const std::vector<std::string> parts =
            SplitList(profile.GetString("Results", key, "", kLong), ',', 4);
        uint64_t index = 0, sub = 0, code = 0, data = 0;
        const bool silent = parts.size() >= 3 && parts[2] == "none";
        if (parts.size() < 3 || !ParseSimNumber(parts[0], &index) || index > 0xFFFF ||
            !ParseSimNumber(parts[1], &sub) || sub > 0xFF ||
            (!silent && (!ParseSimNumber(parts[2], &code) || code > 0xFFFFFFFFull)) ||
            (parts.size() == 4 && !ParseSimNumber(parts[3], &data))) {
            return read.Fail("Results", key, "is not \"index, subindex, code[, data]\"");
        }
        if (parts.size() == 3 && !silent) {
            forced_results[static_cast<uint32_t>(index << 8 | sub)] = static_cast<uint32_t>(code);
            continue;
        }
        ForcedAnswer answer;
        answer.index = static_cast<uint16_t>(index);
        answer.subindex = static_cast<uint8_t>(sub);
        if (parts.size() == 4) answer.data = data;
        if (!silent) answer.code = static_cast<uint32_t>(code);
        forced_answers.push_back(answer);
    }

    if (!read.Number("Calibration", "Records", &calibration_records)) {
        return false;
    }
    if (calibration_records > 255) {
        return read.Fail("Calibration", "Records", "is above 255");
    }
    for (int n = 1; n <= static_cast<int>(calibration_records); ++n) {
        const std::string key = Format("Record%d", n);
        if (profile.HasKey("Calibration", key)) {
            calibration_texts[n] = profile.GetString("Calibration", key, "", kLong);
        }
    }

    for (int n = 1; n <= 100; ++n) {
        const std::string key = Format("Fault%d", n);
        if (!profile.HasKey("Faults", key)) {
            break;
        }
        fault_settings.push_back(profile.GetString("Faults", key, "", kLong));
    }
    return true;
}
