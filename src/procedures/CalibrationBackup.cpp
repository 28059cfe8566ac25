#include "procedures/CalibrationBackup.h"

#include "handler/SerialCommHandler.h"

namespace {

constexpr uint32_t kHighestAddressableItem = 255;

// What a request text can carry: printable characters other than the frame's start character.
bool IsSendable(const std::string& item)
{
    for (const char c : item) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '$') return false;
    }
    return true;
}

}  // namespace

bool RetrieveCalibrationData(CSerialCommHandler& handler, std::vector<std::string>* items,
                             const CalibrationProgress& progress)
{
    items->clear();
    uint32_t code = kNoResultCode;
    uint32_t count = 0;
    if (!handler.ZelCmdStartApplication(&code) || !handler.ZelCalGetHighestPossibleIndex(&count, &code) ||
        count > kHighestAddressableItem) {
        return false;
    }
    for (uint32_t index = 1; index <= count; ++index) {
        items->emplace_back();
        if (!handler.ZelCalGetCalibrationData(index, &items->back(), &code)) return false;
        if (progress) progress(index, count);
    }
    return true;
}

bool RestoreCalibrationData(CSerialCommHandler& handler, const tagCalFile& file, const CalibrationProgress& progress)
{
    uint32_t code = kNoResultCode;
    for (uint32_t index = 1; index <= file.count; ++index) {
        const std::string item = file.Item(index);
        if (index > kHighestAddressableItem || !IsSendable(item) ||
            !handler.ZelCalSetCalibrationData(index, item, &code)) {
            return false;
        }
        if (progress) progress(index, file.count);
    }
    return handler.ZelCmdRestoreCalibration(&code);
}
