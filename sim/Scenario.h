// What the simulated subsystem is like: its image intensifier, field sizes, versions, self-test
// result, the log entries it produces, how its validation behaves and how the video level moves
// during a test. Defaults describe a healthy 38 cm system; a scenario file (ini) changes any of
// them. sim/README.md lists every section and key.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FaultPlan.h"

struct ScenarioLogEntry {
    uint32_t delay_ms = 0;     // after the link came up
    uint16_t logging_id = 0;
    uint8_t component = 0;
    uint8_t severity = 3;
    std::string text;
};

struct CScenario {
    // Configuration object.
    uint32_t ii_type = 1;  // 1 = 38 cm, 2 = 31 cm, 3 = 23 cm
    std::vector<uint16_t> field_sizes{380, 310, 230};  // 0.1 mm, as many as the system has
    std::vector<uint16_t> sid_offsets{120, 118, 115};
    // The number of field sizes reported, when it is not the length of field_sizes (a broken
    // configuration: 0, or more than the 16 the object holds).
    std::optional<uint32_t> field_size_count;
    // Power-on self test. After post_clears_after_reads reads (0: never) the result reads 0, as
    // when the fault was repaired and the subsystem tested itself again.
    uint32_t post_result = 0;
    uint32_t post_clears_after_reads = 0;
    // Application buffers (1 to 8) whose "Involved" flag is TRUE at power-on on both devices.
    std::vector<uint16_t> involved_applications;
    // Version texts by component number (1 to highest).
    std::map<int, std::string> versions;
    // Logical device 1 (image processing) present.
    bool image_processing = true;
    // Log entries produced after the link came up, and the initial log level.
    std::vector<ScenarioLogEntry> log_entries;
    // Other events sent after the link came up (2 and 3 report subsystem failures): (delay_ms,
    // event number).
    std::vector<std::pair<uint32_t, uint32_t>> events;
    uint32_t log_level = 3;
    // Validation: "normal" checks ranges; "fail" refuses every validation; "pass" accepts all.
    std::string validation_mode = "normal";
    uint32_t validation_fail_first = 0;  // refuse the first N validations in any mode
    // Requested doserate (0.1 nG/s) below which validation fails, for every format unless a
    // format has its own threshold (keyed by field size in 0.1 mm).
    uint32_t min_doserate = 0;
    std::map<uint16_t, uint32_t> min_doserate_by_size;
    // Average video level while test 11 or 16 runs: starts at `start`, settles at `target`
    // (0.1 % of the target level) with the time constant, plus a wobble of +-noise.
    uint32_t video_start = 620;
    uint32_t video_target = 1000;
    uint32_t video_time_constant_ms = 1500;
    uint32_t video_noise = 6;
    // A slow swing of +-wave around the settled level with the period, as while the engineer
    // adjusts the iris (0: none).
    uint32_t video_wave = 0;
    uint32_t video_wave_period_ms = 20000;
    uint32_t video_bins_at_target = 512;  // absolute level in bins at 100 %
    uint32_t video_offset_bins = 16;
    // Result codes answered for given addresses instead of the normal handling, keyed by
    // (index << 8) | subindex.
    std::map<uint32_t, uint32_t> forced_results;
    // Answers for one command with a given first data value (a calibration or test number, a
    // parameter value), or no answer at all: how a failure in one chosen step is rehearsed.
    // Looked at before forced_results, first match wins.
    struct ForcedAnswer {
        uint16_t index = 0;
        uint8_t subindex = 0;
        std::optional<uint64_t> data;  // none: any data
        std::optional<uint32_t> code;  // none: the board never answers
    };
    std::vector<ForcedAnswer> forced_answers;
    // Calibration object: number of records and their initial texts (1-based, empty: built in).
    uint32_t calibration_records = 8;
    std::map<int, std::string> calibration_texts;
    // Faults from the scenario (the command line adds to them).
    std::vector<std::string> fault_settings;

    CScenario();

    // Reads a scenario file over the defaults. False with an error text when the file cannot
    // be read or a value is malformed.
    bool Load(const std::string& path, std::string* error);
};
