// The image-processing presets with which a procedure puts the image chain into a known state
// before the engineer looks at the image: which parameter each procedure family sets, to which
// value, with which failure message, and the result codes a preset write may get back without
// failing the run.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "handler/ParamTable.h"

// The three sets of presets: one column of the table per procedure family.
enum class PresetColumn {
    kFocusAndDose,       // II-Focus, Dose/Doserate ABC and AEC
    kCameraAndDiameter,  // camera head, II-Diameter
    kVideoPath,          // the video path test
};

struct tagPreset {
    uint32_t logical_device;
    const char* name;
    ParamValue value;
    const char* failure_message;
};

// The presets of one column, in the order they are written (and unset).
std::vector<tagPreset> PresetsOf(PresetColumn column);

// True when a failed preset write still counts as done: the subsystem answered a code of the
// 0x060xxxxx family (the parameter does not exist in this configuration). Every other command
// fails on any failure.
bool IsToleratedPresetCode(uint32_t result_code);

// Typed values in one call.
ParamValue BoolValue(bool value);
ParamValue UlongValue(uint32_t value);
ParamValue UshortValue(uint16_t value);
ParamValue UcharValue(uint8_t value);
ParamValue ShortValue(int16_t value);
ParamValue ByteArrayValue(uint8_t first, uint8_t second);
