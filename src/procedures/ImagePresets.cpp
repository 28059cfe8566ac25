#include "procedures/ImagePresets.h"

namespace {

// One row of the table: the value in each column, or none where that family leaves the
// parameter alone. A row whose message depends on the value gives one message per column.
struct tagPresetRow {
    uint32_t logical_device;
    const char* name;
    std::optional<ParamValue> focus_and_dose;
    std::optional<ParamValue> camera_and_diameter;
    std::optional<ParamValue> video_path;
    const char* message_focus_and_dose;
    const char* message_camera_and_diameter;
    const char* message_video_path;
};

const char kGainFixed[] = "Failed to set Image Gain Control Mode to \"Fixed\".";
const char kGainAgc[] = "Failed to set Image Gain Control Mode to \"AGC\".";
const char kNoiseOff[] = "Failed to set Noise Reduction off.";
const char kNoiseHigh[] = "Failed to set Noise Reduction to high.";
const char kHoldOff[] = "Failed to set Last Image Hold off.";
const char kHoldOn[] = "Failed to set Last Image Hold on.";

const std::vector<tagPresetRow>& PresetRows()
{
    static const std::vector<tagPresetRow> rows = {
        {0, "StoreImages", UcharValue(0), UcharValue(0), UcharValue(0),
         "Setting store images off failed.", "Setting store images off failed.",
         "Setting store images off failed."},
        {0, "ProcedureType", UcharValue(0), UcharValue(0), UcharValue(0),
         "Setting procedure type failed.", "Setting procedure type failed.", "Setting procedure type failed."},
        {1, "HorizontalFlip", std::nullopt, std::nullopt, BoolValue(false), nullptr, nullptr,
         "Failed to set Horizontal Flip off."},
        {1, "VerticalFlip", std::nullopt, std::nullopt, BoolValue(false), nullptr, nullptr,
         "Failed to set Vertical Flip off."},
        {1, "ImageGainControlMode", UcharValue(2), UcharValue(1), UcharValue(2), kGainFixed, kGainAgc,
         kGainFixed},
        {1, "AutoLockAfterNExposures", std::nullopt, UshortValue(0), std::nullopt, nullptr,
         "Failed to set Auto Lock After N Exposures to 0.", nullptr},
        {1, "NoiseReduction", UcharValue(0), UcharValue(2), UcharValue(0), kNoiseOff, kNoiseHigh, kNoiseOff},
        {1, "EdgeEnhancement", UcharValue(0), UcharValue(0), UcharValue(0), "Failed to set Edge Enhancement off.",
         "Failed to set Edge Enhancement off.", "Failed to set Edge Enhancement off."},
        {1, "LastImageHold", BoolValue(false), BoolValue(true), BoolValue(false), kHoldOff, kHoldOn, kHoldOff},
        {1, "Contrast", std::nullopt, std::nullopt, UcharValue(8), nullptr, nullptr, "Failed to set Contrast to 8."},
        {1, "Brightness", std::nullopt, std::nullopt, UcharValue(8), nullptr, nullptr,
         "Failed to set Brightness to 8."},
        {1, "RotationAngle", std::nullopt, std::nullopt, ShortValue(0), nullptr, nullptr,
         "Failed to set RotationAngle to 0."},
        {1, "Zoom", UshortValue(100), UshortValue(100), UshortValue(100), "Failed to set Zoom to 100 %.",
         "Failed to set Zoom to 100 %.", "Failed to set Zoom to 100 %."},
        {1, "Panning", ByteArrayValue(0, 0), ByteArrayValue(0, 0), ByteArrayValue(0, 0),
         "Failed to set Panning to 0,0.", "Failed to set Panning to 0,0.", "Failed to set Panning to 0,0."},
        {1, "GreyLevelInvert", BoolValue(false), BoolValue(false), BoolValue(false),
         "Failed to set GreyLevelInvert off.", "Failed to set GreyLevelInvert off.",
         "Failed to set GreyLevelInvert off."},
    };
    return rows;
}

}  // namespace

std::vector<tagPreset> PresetsOf(PresetColumn column)
{
    std::vector<tagPreset> presets;
    for (const tagPresetRow& row : PresetRows()) {
        const std::optional<ParamValue>* value = nullptr;
        const char* message = nullptr;
        switch (column) {
        case PresetColumn::kFocusAndDose:
            value = &row.focus_and_dose;
            message = row.message_focus_and_dose;
            break;
        case PresetColumn::kCameraAndDiameter:
            value = &row.camera_and_diameter;
            message = row.message_camera_and_diameter;
            break;
        case PresetColumn::kVideoPath:
            value = &row.video_path;
            message = row.message_video_path;
            break;
        }
        if (value != nullptr && value->has_value()) {
            presets.push_back({row.logical_device, row.name, **value, message});
        }
    }
    return presets;
}

bool IsToleratedPresetCode(uint32_t result_code)
{
    return (result_code & 0xFFF00000u) == 0x06000000u;
}

ParamValue BoolValue(bool value)
{
    ParamValue v;
    v.type = kParamBool;
    v.number = value ? 1 : 0;
    return v;
}

ParamValue UlongValue(uint32_t value)
{
    ParamValue v;
    v.type = kParamUlong;
    v.number = value;
    return v;
}

ParamValue UshortValue(uint16_t value)
{
    ParamValue v;
    v.type = kParamUshort;
    v.number = value;
    return v;
}

ParamValue UcharValue(uint8_t value)
{
    ParamValue v;
    v.type = kParamUchar;
    v.number = value;
    return v;
}

ParamValue ShortValue(int16_t value)
{
    ParamValue v;
    v.type = kParamShort;
    v.signed_number = value;
    return v;
}

ParamValue ByteArrayValue(uint8_t first, uint8_t second)
{
    ParamValue v;
    v.type = kParamByteArray;
    v.bytes = {first, second};
    return v;
}
