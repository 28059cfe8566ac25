#include "config/DcmTables.h"

#include <mutex>

namespace {

// clang-format off
const tagInputFuncEntry kInputFuncs[] = {
    {"IiFormatNext",                false, "II Format, Select Next",          kInputFuncStep,   0x2021, 16,  1, true},
    {"IiFormatPrevious",            false, "II Format, Select Previous",      kInputFuncStep,   0x2021, 16, -1, true},
    {"IiFormatSelect",              true,  "II Format, Set",                  kInputFuncSet,    0x2021, 16,  0, true},
    {"DosePerImageModify",          true,  "Dose per image, Modify",          kInputFuncModify, 0x2021, 20,  0, true},
    {"DosePerImageSet",             true,  "Dose per image, Set",             kInputFuncSet,    0x2021, 20,  0, true},
    {"WhiteClippingOn",             false, "White clipping on",               kInputFuncSet,    0x2021, 42,  1, true},
    {"WhiteClippingOff",            false, "White clipping off",              kInputFuncSet,    0x2021, 42,  0, true},
    {"WhiteClippingToggle",         false, "White clipping toggle",           kInputFuncToggle, 0x2021, 42,  1, true},
    {"HorizontalFlipOn",            false, "Horizontal flip on",              kInputFuncSet,    0x2821,  4,  1, true},
    {"HorizontalFlipOff",           false, "Horizontal flip off",             kInputFuncSet,    0x2821,  4,  0, true},
    {"HorizontalFlipToggle",        false, "Horizontal flip toggle",          kInputFuncToggle, 0x2821,  4,  1, true},
    {"VerticalFlipOn",              false, "Vertical flip on",                kInputFuncSet,    0x2821,  6,  1, true},
    {"VerticalFlipOff",             false, "Vertical flip off",               kInputFuncSet,    0x2821,  6,  0, true},
    {"VerticalFlipToggle",          false, "Vertical flip toggle",            kInputFuncToggle, 0x2821,  6,  1, true},
    {"RotateModify",                true,  "Rotate, Modify",                  kInputFuncModify, 0x2821, 38,  0, true},
    {"RotateSet",                   true,  "Rotate, Set",                     kInputFuncSet,    0x2821, 38,  0, true},
    {"InvertOn",                    false, "Invert image on",                 kInputFuncSet,    0x2821, 44,  1, true},
    {"InvertOff",                   false, "Invert image off",                kInputFuncSet,    0x2821, 44,  0, true},
    {"InvertToggle",                false, "Invert image toggle",             kInputFuncToggle, 0x2821, 44,  1, true},
    {"NoiseReductionNext",          false, "Noise reduction, More",           kInputFuncStep,   0x2821, 28,  1, true},
    {"NoiseReductionPrevious",      false, "Noise reduction, Less",           kInputFuncStep,   0x2821, 28, -1, true},
    {"NoiseReductionSelect",        true,  "Noise reduction, Set",            kInputFuncSet,    0x2821, 28,  0, true},
    {"EdgeEnhancementNext",         false, "Edge enhancement, More",          kInputFuncStep,   0x2821, 30,  1, true},
    // Differs from its neighbours (subindex 29, step 1, no activation). Configurations in the
    // field were written against this entry, so it must not be "corrected" here.
    {"EdgeEnhancementPrevious",     false, "Edge enhancement, Less",          kInputFuncStep,   0x2821, 29,  1, false},
    {"EdgeEnhancementSelect",       true,  "Edge enhancement, Set",           kInputFuncSet,    0x2821, 30,  0, true},
    {"LastImageHoldOn",             false, "Last image hold on",              kInputFuncSet,    0x2821, 32,  1, true},
    {"LastImageHoldOff",            false, "Last image hold off",             kInputFuncSet,    0x2821, 32,  0, true},
    {"LastImageHoldToggle",         false, "Last image hold toggle",          kInputFuncToggle, 0x2821, 32,  1, true},
    {"AgcOn",                       false, "AGC on",                          kInputFuncSet,    0x2821, 20,  1, true},
    {"AgcOff",                      false, "AGC off",                         kInputFuncSet,    0x2821, 20,  2, true},
    {"AgcLock",                     false, "AGC lock",                        kInputFuncSet,    0x2821, 20,  3, true},
    {"FootSwitchOn",                false, "Footswitch on",                   kInputFuncSet,    0x2000,  4,  1, false},
    {"FootSwitchOff",               false, "Footswitch off",                  kInputFuncSet,    0x2000,  5,  1, false},
    {"ClearScreen",                 false, "Clear Screen",                    kInputFuncSet,    0x2000, 34,  1, false},
    {"ParkImage",                   false, "Park Image",                      kInputFuncSet,    0x2000, 36,  1, false},
    {"SensorIntervalTimeModify",    true,  "Sensor Interval Time, Modify",    kInputFuncModify, 0x2021, 28,  0, true},
    {"SensorIntervalTimeSet",       true,  "Sensor Interval Time, Set",       kInputFuncSet,    0x2021, 28,  0, true},
    {"SensorIntegrationTimeModify", true,  "Sensor Integration Time, Modify", kInputFuncModify, 0x2021, 30,  0, true},
    {"SensorIntegrationTimeSet",    true,  "Sensor Integration Time, Set",    kInputFuncSet,    0x2021, 30,  0, true},
    {"BrightnessUp",                false, "Brightness, Up",                  kInputFuncStep,   0x2821, 36,  1, true},
    {"BrightnessDown",              false, "Brightness, Down",                kInputFuncStep,   0x2821, 36, -1, true},
    {"BrightnessSet",               true,  "Brightness, Set",                 kInputFuncSet,    0x2821, 36,  0, true},
    {"ContrastUp",                  false, "Contrast, Up",                    kInputFuncStep,   0x2821, 34,  1, true},
    {"ContrastDown",                false, "Contrast, Down",                  kInputFuncStep,   0x2821, 34, -1, true},
    {"ContrastSet",                 true,  "Contrast, Set",                   kInputFuncSet,    0x2821, 34,  0, true},
};

const tagOutputCondEntry kOutputConds[] = {
    {"IiFormatIs",                  true,  "II format is",                                       0x2021, 16, kOutputCondEqual,  0},
    {"IiFormatHigher",              true,  "II format is higher than",                           0x2021, 16, kOutputCondHigher, 0},
    {"IiFormatLower",               true,  "II format is lower than",                            0x2021, 16, kOutputCondLower,  0},
    {"DosePerImageIs",              true,  "Dose per image is (in 0.1 nGy)",                     0x2021, 20, kOutputCondEqual,  0},
    {"DosePerImageHigher",          true,  "Dose per image is higher than (in 0.1 nGy)",         0x2021, 20, kOutputCondHigher, 0},
    {"DosePerImageLower",           true,  "Dose per image is lower than (in 0.1 nGy)",          0x2021, 20, kOutputCondLower,  0},
    {"WhiteClippingIsOn",           false, "White clipping is on",                               0x2021, 42, kOutputCondEqual,  1},
    {"WhiteClippingIsOff",          false, "White clipping is off",                              0x2021, 42, kOutputCondEqual,  0},
    {"HorizontalFlipIsOn",          false, "Horizontal flip is on",                              0x2821,  4, kOutputCondEqual,  1},
    {"HorizontalFlipIsOff",         false, "Horizontal flip is off",                             0x2821,  4, kOutputCondEqual,  0},
    {"VerticalFlipIsOn",            false, "Vertical flip is on",                                0x2821,  6, kOutputCondEqual,  1},
    {"VerticalFlipIsOff",           false, "Vertical flip is off",                               0x2821,  6, kOutputCondEqual,  0},
    {"RotateIs",                    true,  "Rotation is",                                        0x2821, 38, kOutputCondEqual,  0},
    {"RotateHigher",                true,  "Rotation is higher than",                            0x2821, 38, kOutputCondHigher, 0},
    {"RotateLower",                 true,  "Rotation is lower than",                             0x2821, 38, kOutputCondLower,  0},
    {"InvertIsOn",                  false, "Inverted image is on",                               0x2821, 44, kOutputCondEqual,  1},
    {"InvertIsOff",                 false, "Inverted image is off",                              0x2821, 44, kOutputCondEqual,  0},
    {"NoiseReductionIs",            true,  "Noise reduction level is (0 = off)",                 0x2821, 28, kOutputCondEqual,  0},
    {"NoiseReductionHigher",        true,  "Noise reduction level is higher than",               0x2821, 28, kOutputCondHigher, 0},
    {"NoiseReductionLower",         true,  "Noise reduction level is lower than",                0x2821, 28, kOutputCondLower,  0},
    {"EdgeEnhancementIs",           true,  "Edge enhancement level is (0 = off)",                0x2821, 30, kOutputCondEqual,  0},
    {"EdgeEnhancementHigher",       true,  "Edge enhancement level is higher than",              0x2821, 30, kOutputCondHigher, 0},
    {"EdgeEnhancementLower",        true,  "Edge enhancement level is lower than",               0x2821, 30, kOutputCondLower,  0},
    {"LastImageHoldIsOn",           false, "Last image hold is on",                              0x2821, 32, kOutputCondEqual,  1},
    {"LastImageHoldIsOff",          false, "Last image hold is off",                             0x2821, 32, kOutputCondEqual,  0},
    {"AgcIsOn",                     false, "AGC is on",                                          0x2821, 20, kOutputCondEqual,  1},
    {"AgcIsOff",                    false, "AGC is off",                                         0x2821, 20, kOutputCondEqual,  2},
    // Compares with 2 like AgcIsOff (the input side locks with 3), so a condition made from
    // this entry reads back as AgcIsOff. Kept so that existing files read as they always did.
    {"AgcIsLock",                   false, "AGC is lock",                                        0x2821, 20, kOutputCondEqual,  2},
    {"FootswitchIsOn",              false, "Footswitch is pressed",                              0x2000,  4, kOutputCondNone,   0},
    {"FootswitchIsOff",             false, "Footswitch is released",                             0x2000,  5, kOutputCondNone,   0},
    {"SensorIntervalTimeIs",        true,  "Sensor Interval Time is (in 0.1 ms)",                0x2021, 28, kOutputCondEqual,  0},
    {"SensorIntervalTimeHigher",    true,  "Sensor Interval Time is higher than (in 0.1 ms)",    0x2021, 28, kOutputCondHigher, 0},
    {"SensorIntervalTimeLower",     true,  "Sensor Interval Time is lower than (in 0.1 ms)",     0x2021, 28, kOutputCondLower,  0},
    {"SensorIntegrationTimeIs",     true,  "Sensor Integration Time is (in 0.1 ms)",             0x2021, 30, kOutputCondEqual,  0},
    {"SensorIntegrationTimeHigher", true,  "Sensor Integration Time is higher than (in 0.1 ms)", 0x2021, 30, kOutputCondHigher, 0},
    {"SensorIntegrationTimeLower",  true,  "Sensor Integration Time is lower than (in 0.1 ms)",  0x2021, 30, kOutputCondLower,  0},
};
// clang-format on

constexpr int kInputFuncCount = static_cast<int>(sizeof(kInputFuncs) / sizeof(kInputFuncs[0]));
constexpr int kOutputCondCount = static_cast<int>(sizeof(kOutputConds) / sizeof(kOutputConds[0]));
static_assert(kInputFuncCount == 45);
static_assert(kOutputCondCount == 36);

bool KindFitsMode(int32_t kind, int mode)
{
    return mode == 0 ? kind == kInputFuncSet : kind != kInputFuncSet;
}

template <typename Table>
std::shared_ptr<const Table> AcquireShared()
{
    static std::mutex lock;
    static std::weak_ptr<const Table> shared;
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<const Table> table = shared.lock();
    if (!table) {
        table = std::make_shared<const Table>();
        shared = table;
    }
    return table;
}

}  // namespace

std::shared_ptr<const CInputFuncTable> CInputFuncTable::Acquire()
{
    return AcquireShared<CInputFuncTable>();
}

int CInputFuncTable::GetCount() const
{
    return kInputFuncCount;
}

const tagInputFuncEntry* CInputFuncTable::GetEntry(int position) const
{
    return position >= 0 && position < kInputFuncCount ? &kInputFuncs[position] : nullptr;
}

const tagInputFuncEntry* CInputFuncTable::Find(const std::string& keyword) const
{
    for (const tagInputFuncEntry& entry : kInputFuncs) {
        if (keyword == entry.Keyword) {
            return &entry;
        }
    }
    return nullptr;
}

const tagInputFuncEntry* CInputFuncTable::Find(int mode, uint32_t index, uint32_t subindex) const
{
    for (const tagInputFuncEntry& entry : kInputFuncs) {
        if (entry.Index == index && entry.SubIndex == subindex && KindFitsMode(entry.Kind, mode)) {
            return &entry;
        }
    }
    return nullptr;
}

const tagInputFuncEntry* CInputFuncTable::Find(int mode, uint32_t index, uint32_t subindex,
                                               int32_t value) const
{
    for (const tagInputFuncEntry& entry : kInputFuncs) {
        if (entry.Index == index && entry.SubIndex == subindex && KindFitsMode(entry.Kind, mode) &&
            entry.Value == value) {
            return &entry;
        }
    }
    return nullptr;
}

std::shared_ptr<const COutputCondTable> COutputCondTable::Acquire()
{
    return AcquireShared<COutputCondTable>();
}

int COutputCondTable::GetCount() const
{
    return kOutputCondCount;
}

const tagOutputCondEntry* COutputCondTable::GetEntry(int position) const
{
    return position >= 0 && position < kOutputCondCount ? &kOutputConds[position] : nullptr;
}

const tagOutputCondEntry* COutputCondTable::Find(const std::string& keyword) const
{
    for (const tagOutputCondEntry& entry : kOutputConds) {
        if (keyword == entry.Keyword) {
            return &entry;
        }
    }
    return nullptr;
}

const tagOutputCondEntry* COutputCondTable::Find(int32_t op, uint32_t index, uint32_t subindex) const
{
    for (const tagOutputCondEntry& entry : kOutputConds) {
        if (entry.Operator == op && entry.Index == index && entry.SubIndex == subindex) {
            return &entry;
        }
    }
    return nullptr;
}

const tagOutputCondEntry* COutputCondTable::Find(int32_t op, uint32_t index, uint32_t subindex,
                                                 int32_t value) const
{
    for (const tagOutputCondEntry& entry : kOutputConds) {
        if (entry.Operator == op && entry.Index == index && entry.SubIndex == subindex &&
            entry.Value == value) {
            return &entry;
        }
    }
    return nullptr;
}
