// The typed subsystem operations: each one addresses one Object Dictionary entry through
// ZELSP_Read or ZELSP_Write and turns the reply's value text into typed out values.
#include <ctime>

#include "handler/SerialCommHandler.h"
#include "platform/Format.h"
#include "platform/NumberReader.h"

namespace {

constexpr uint32_t kCommandObject = 0x2000;
constexpr uint32_t kCalibrationObject = 0x2007;
constexpr uint32_t kConfigurationObject = 0x2008;
constexpr uint32_t kPostObject = 0x2010;
constexpr uint32_t kLogObject = 0x2011;
constexpr uint32_t kVersionObject = 0x2013;
constexpr uint32_t kFieldServiceObject = 0x2809;

constexpr uint32_t kBufferSystemWide = 0;
constexpr uint32_t kBufferFieldService = 9;
constexpr uint32_t kBufferReview = 10;

bool IsLogicalDevice(uint32_t logical_device)
{
    return logical_device <= 1;
}

// The validation, minimum/maximum and parameter buffer objects of the two logical devices.
uint32_t ValidationObject(uint32_t logical_device)
{
    return logical_device == 0 ? 0x2001 : 0x2801;
}

uint32_t MinMaxObject(uint32_t logical_device)
{
    return logical_device == 0 ? 0x201E : 0x281E;
}

// Buffer 0 System Wide, 1 to 8 Application 1 to 8, 9 Field Service, 10 Review. Device 0's
// Review buffer shares 0x2801 with device 1's validation object; the board defines no other.
uint32_t BufferObject(uint32_t logical_device, uint32_t buffer)
{
    const uint32_t base = logical_device == 0 ? 0x2020 : 0x2820;
    if (buffer == kBufferFieldService) return logical_device == 0 ? 0x201F : 0x281F;
    if (buffer == kBufferReview) return logical_device == 0 ? 0x2801 : 0x2830;
    return base + buffer;
}

// The result text of a reply whose value should have been a number and is none: the board
// accepted the request, but a garbled or unexpected value must not pass for 0.
std::string NoNumberText(const std::string& reply)
{
    return Format("No number in the reply's value: \"%s\"", reply.c_str());
}

// The ZEL result code of a request's result list: @4 when it is a number through and through; a
// garbled code is no code at all (and IsRequestOk refuses it the same way).
uint32_t ResultCodeOf(const CArgArray& out)
{
    return out.NumOfArgs() >= 5 && out.IsNumericArg(4) ? out.GetArgUlong(4) : kNoResultCode;
}

// Version and log-entry texts carry a leading word before the first blank.
std::string TextAfterFirstBlank(const std::string& text)
{
    const size_t blank = text.size() > 1 ? text.find(' ', 1) : std::string::npos;
    return blank == std::string::npos ? text : text.substr(blank + 1);
}

void SetCode(uint32_t* result_code, uint32_t code)
{
    if (result_code) *result_code = code;
}

}  // namespace

std::string SetClockDataText(int64_t unix_seconds)
{
    const int64_t count = unix_seconds - 441759600;
    const uint32_t day_number = static_cast<uint32_t>(count / 86400);
    const uint32_t time_of_day = static_cast<uint32_t>(count % 86400) * 1000;
    return Format("0x%08x%04x", time_of_day, day_number);
}

// ---- Shapes shared by the operations ----

bool CSerialCommHandler::TypedWrite(uint32_t index, uint32_t subindex, const std::vector<std::string>& data,
                                    std::string* value, uint32_t* result_code, uint32_t timeout_ms)
{
    CArgArray in;
    in.Append(index);
    in.Append(subindex);
    for (const std::string& item : data) in.Append(item);
    CArgArray out;
    std::string text;
    const int result = ZELSP_Write(in, out, text, timeout_ms);
    SetLastResultText(text);
    SetCode(result_code, ResultCodeOf(out));
    const bool ok = IsRequestOk(result, out);
    if (ok && value) *value = out.GetArgString(5);
    return ok;
}

bool CSerialCommHandler::TypedRead(uint32_t index, uint32_t subindex, std::string* value, uint32_t* result_code,
                                   uint32_t timeout_ms)
{
    CArgArray in;
    in.Append(index);
    in.Append(subindex);
    CArgArray out;
    std::string text;
    const int result = ZELSP_Read(in, out, text, timeout_ms);
    SetLastResultText(text);
    SetCode(result_code, ResultCodeOf(out));
    const bool ok = IsRequestOk(result, out);
    if (ok && value) *value = out.GetArgString(5);
    return ok;
}

bool CSerialCommHandler::TypedWriteNumber(uint32_t subindex, uint32_t number, uint32_t* result_code,
                                          uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, subindex, {Format("%u", number)}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ReadNumber(uint32_t index, uint32_t subindex, uint32_t* number, uint32_t* result_code,
                                    uint32_t timeout_ms)
{
    std::string value;
    if (!TypedRead(index, subindex, &value, result_code, timeout_ms)) return false;
    const std::optional<uint32_t> read = ReadUnsigned32(value);
    if (!read) {
        SetLastResultText(NoNumberText(GetLastResultText()));
        return false;
    }
    if (number) *number = *read;
    return true;
}

bool CSerialCommHandler::ReadTextAfterBlank(uint32_t index, uint32_t subindex, std::string* text,
                                            uint32_t* result_code, uint32_t timeout_ms)
{
    std::string value;
    if (!TypedRead(index, subindex, &value, result_code, timeout_ms)) return false;
    if (text) *text = TextAfterFirstBlank(value);
    return true;
}

bool CSerialCommHandler::ReadHexGroups(uint32_t subindex, std::array<uint32_t, 16>* numbers,
                                       uint32_t* result_code, uint32_t timeout_ms)
{
    std::string value;
    if (!TypedRead(kConfigurationObject, subindex, &value, result_code, timeout_ms)) return false;
    if (numbers) {
        for (size_t i = 0; i < numbers->size(); ++i) (*numbers)[i] = ReadHexGroup(value, 2 + 4 * i, 4);
    }
    return true;
}

bool CSerialCommHandler::ZelCmdStartApplication(uint32_t* result_code)
{
    return ZelCmdStartApplication(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdStartApplication(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 1, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdNextLogEntry(uint32_t* result_code)
{
    return ZelCmdNextLogEntry(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdNextLogEntry(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 15, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdRestoreCalibration(uint32_t* result_code)
{
    return ZelCmdRestoreCalibration(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdRestoreCalibration(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 24, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdResetLog(uint32_t* result_code)
{
    return ZelCmdResetLog(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdResetLog(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 26, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdValidateReviewSettings(uint32_t* result_code)
{
    return ZelCmdValidateReviewSettings(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdValidateReviewSettings(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 27, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdActivateReviewSettings(uint32_t* result_code)
{
    return ZelCmdActivateReviewSettings(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdActivateReviewSettings(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 28, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdReviewPrevious(uint32_t* result_code)
{
    return ZelCmdReviewPrevious(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdReviewPrevious(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 29, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdReviewNext(uint32_t* result_code)
{
    return ZelCmdReviewNext(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdReviewNext(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 30, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdGrabLIH(uint32_t* result_code)
{
    return ZelCmdGrabLIH(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdGrabLIH(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 31, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdDeleteImage(uint32_t* result_code)
{
    return ZelCmdDeleteImage(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdDeleteImage(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 32, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdDeleteAllImages(uint32_t* result_code)
{
    return ZelCmdDeleteAllImages(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdDeleteAllImages(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 33, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdClearScreen(uint32_t* result_code)
{
    return ZelCmdClearScreen(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdClearScreen(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 34, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdImageExport(uint32_t* result_code)
{
    return ZelCmdImageExport(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdImageExport(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 35, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdParkImage(uint32_t* result_code)
{
    return ZelCmdParkImage(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdParkImage(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 36, {}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdValidate(uint32_t buffer, uint32_t* result_code)
{
    return ZelCmdValidate(buffer, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdValidate(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(2, buffer, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdActivateSettings(uint32_t buffer, uint32_t* result_code)
{
    return ZelCmdActivateSettings(buffer, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdActivateSettings(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(3, buffer, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdPrepare(uint32_t buffer, uint32_t* result_code)
{
    return ZelCmdPrepare(buffer, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdPrepare(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(4, buffer, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdUnprepare(uint32_t buffer, uint32_t* result_code)
{
    return ZelCmdUnprepare(buffer, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdUnprepare(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(5, buffer, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdSwitch(uint32_t buffer, uint32_t* result_code)
{
    return ZelCmdSwitch(buffer, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdSwitch(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(8, buffer, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdSelectLogLevel(uint32_t level, uint32_t* result_code)
{
    return ZelCmdSelectLogLevel(level, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdSelectLogLevel(uint32_t level, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(14, level, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdStartCalibration(uint32_t calibration, uint32_t* result_code)
{
    return ZelCmdStartCalibration(calibration, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdStartCalibration(uint32_t calibration, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(16, calibration, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdStopCalibration(uint32_t calibration, uint32_t* result_code)
{
    return ZelCmdStopCalibration(calibration, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdStopCalibration(uint32_t calibration, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(17, calibration, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdStoreCalibration(uint32_t calibration, uint32_t* result_code)
{
    return ZelCmdStoreCalibration(calibration, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdStoreCalibration(uint32_t calibration, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(18, calibration, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdStartTest(uint32_t test, uint32_t* result_code)
{
    return ZelCmdStartTest(test, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdStartTest(uint32_t test, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(22, test, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdStopTest(uint32_t test, uint32_t* result_code)
{
    return ZelCmdStopTest(test, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdStopTest(uint32_t test, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWriteNumber(23, test, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code)
{
    return ZelCmdGetHighestPossibleIndex(highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kCommandObject, 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdGetLogLevel(uint32_t* level, uint32_t* result_code)
{
    return ZelCmdGetLogLevel(level, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdGetLogLevel(uint32_t* level, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kCommandObject, 14, level, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelVerGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code)
{
    return ZelVerGetHighestPossibleIndex(highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelVerGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kVersionObject, 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCalGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code)
{
    return ZelCalGetHighestPossibleIndex(highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCalGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kCalibrationObject, 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCfgGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code)
{
    return ZelCfgGetHighestPossibleIndex(highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCfgGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kConfigurationObject, 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCfgGetIItype(uint32_t* ii_type, uint32_t* result_code)
{
    return ZelCfgGetIItype(ii_type, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCfgGetIItype(uint32_t* ii_type, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kConfigurationObject, 2, ii_type, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCfgGetNrOfReceptorFieldSizes(uint32_t* count, uint32_t* result_code)
{
    return ZelCfgGetNrOfReceptorFieldSizes(count, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCfgGetNrOfReceptorFieldSizes(uint32_t* count, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kConfigurationObject, 3, count, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelPstGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code)
{
    return ZelPstGetHighestPossibleIndex(highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelPstGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kPostObject, 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelPstGetPowerOnSelfTestResult(uint32_t* post_result, uint32_t* result_code)
{
    return ZelPstGetPowerOnSelfTestResult(post_result, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelPstGetPowerOnSelfTestResult(uint32_t* post_result, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kPostObject, 1, post_result, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelLogGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code)
{
    return ZelLogGetHighestPossibleIndex(highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelLogGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kLogObject, 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelLogGetNrOfAvailableLogEntries(uint32_t* count, uint32_t* result_code)
{
    return ZelLogGetNrOfAvailableLogEntries(count, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelLogGetNrOfAvailableLogEntries(uint32_t* count, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kLogObject, 1, count, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelLogGetLogEntryDataSize(uint32_t* size, uint32_t* result_code)
{
    return ZelLogGetLogEntryDataSize(size, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelLogGetLogEntryDataSize(uint32_t* size, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kLogObject, 2, size, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelFSGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code)
{
    return ZelFSGetHighestPossibleIndex(highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelFSGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kFieldServiceObject, 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelFsGetAverageVideoLevelRelative(uint32_t* level, uint32_t* result_code)
{
    return ZelFsGetAverageVideoLevelRelative(level, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelFsGetAverageVideoLevelRelative(uint32_t* level, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kFieldServiceObject, 1, level, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelFsGetVideoNoiseValue(uint32_t* noise, uint32_t* result_code)
{
    return ZelFsGetVideoNoiseValue(noise, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelFsGetVideoNoiseValue(uint32_t* noise, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kFieldServiceObject, 2, noise, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelFsGetAverageVideoLevelAbsolute(uint32_t* level, uint32_t* result_code)
{
    return ZelFsGetAverageVideoLevelAbsolute(level, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelFsGetAverageVideoLevelAbsolute(uint32_t* level, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kFieldServiceObject, 3, level, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelFsGetAverageVideoLevelAbsoluteProcessed(uint32_t* level, uint32_t* result_code)
{
    return ZelFsGetAverageVideoLevelAbsoluteProcessed(level, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelFsGetAverageVideoLevelAbsoluteProcessed(uint32_t* level, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadNumber(kFieldServiceObject, 4, level, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdUnset(uint32_t buffer, uint32_t subindex, uint32_t logical_device, uint32_t* result_code)
{
    return ZelCmdUnset(buffer, subindex, logical_device, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdUnset(uint32_t buffer, uint32_t subindex, uint32_t logical_device, uint32_t* result_code, uint32_t timeout_ms)
{
    // Only the System Wide and Field Service buffers hold values that can be unset.
    if (buffer != kBufferSystemWide && buffer != kBufferFieldService) return false;
    const uint32_t code = buffer == kBufferSystemWide ? 0x00 : 0xFF;
    return TypedWrite(kCommandObject, 7, {Format("0x%02x%02x%02x", code, subindex, logical_device)}, nullptr,
                      result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCmdCanSwitch(uint32_t from_buffer, uint32_t to_buffer, uint32_t* possible, uint32_t* result_code)
{
    return ZelCmdCanSwitch(from_buffer, to_buffer, possible, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdCanSwitch(uint32_t from_buffer, uint32_t to_buffer, uint32_t* possible, uint32_t* result_code, uint32_t timeout_ms)
{
    // The subsystem refuses an impossible switch, so success is the answer.
    if (!TypedWrite(kCommandObject, 9, {Format("0x%02x%02x", from_buffer, to_buffer)}, nullptr, result_code,
                    timeout_ms))
        return false;
    if (possible) *possible = 1;
    return true;
}

bool CSerialCommHandler::ZelCmdSetClock(uint32_t* result_code)
{
    return ZelCmdSetClock(result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCmdSetClock(uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCommandObject, 13, {SetClockDataText(static_cast<int64_t>(std::time(nullptr)))}, nullptr,
                      result_code, timeout_ms);
}

bool CSerialCommHandler::ZelVerGetComponentVersion(uint32_t component, std::string* version, uint32_t* result_code)
{
    return ZelVerGetComponentVersion(component, version, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelVerGetComponentVersion(uint32_t component, std::string* version, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadTextAfterBlank(kVersionObject, component, version, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCalGetCalibrationData(uint32_t index, std::string* data, uint32_t* result_code)
{
    return ZelCalGetCalibrationData(index, data, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCalGetCalibrationData(uint32_t index, std::string* data, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedRead(kCalibrationObject, index, data, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCalSetCalibrationData(uint32_t index, const std::string& data, uint32_t* result_code)
{
    return ZelCalSetCalibrationData(index, data, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCalSetCalibrationData(uint32_t index, const std::string& data, uint32_t* result_code, uint32_t timeout_ms)
{
    return TypedWrite(kCalibrationObject, index, {data}, nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCfgGetReceptorFieldSizes(std::array<uint32_t, 16>* sizes, uint32_t* result_code)
{
    return ZelCfgGetReceptorFieldSizes(sizes, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCfgGetReceptorFieldSizes(std::array<uint32_t, 16>* sizes, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadHexGroups(4, sizes, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelCfgGetSidOffset(std::array<uint32_t, 16>* offsets, uint32_t* result_code)
{
    return ZelCfgGetSidOffset(offsets, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelCfgGetSidOffset(std::array<uint32_t, 16>* offsets, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadHexGroups(12, offsets, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelLogGetLogEntryData(std::string* text, uint32_t* result_code)
{
    return ZelLogGetLogEntryData(text, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelLogGetLogEntryData(std::string* text, uint32_t* result_code, uint32_t timeout_ms)
{
    return ReadTextAfterBlank(kLogObject, 3, text, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelLogGetLogEntryInfo(LogEntryInfo* info, uint32_t* result_code)
{
    return ZelLogGetLogEntryInfo(info, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelLogGetLogEntryInfo(LogEntryInfo* info, uint32_t* result_code, uint32_t timeout_ms)
{
    std::string value;
    if (!TypedRead(kLogObject, 4, &value, result_code, timeout_ms)) return false;
    if (info) {
        // "0x", then sequence number, logging ID, reserved, component, severity, and the time of
        // day (4 bytes) and day number (2 bytes) least significant byte first.
        auto byte_at = [&value](size_t pos) { return ReadHexGroup(value, pos, 2); };
        info->sequence_number = static_cast<uint8_t>(byte_at(2));
        info->logging_id = static_cast<uint16_t>(ReadHexGroup(value, 4, 4));
        info->reserved = static_cast<uint8_t>(byte_at(8));
        info->component_id = static_cast<uint8_t>(byte_at(10));
        info->severity = static_cast<uint8_t>(byte_at(12));
        info->time_of_day = byte_at(14) | byte_at(16) << 8 | byte_at(18) << 16 | byte_at(20) << 24;
        info->day_number = static_cast<uint16_t>(byte_at(22) | byte_at(24) << 8);
    }
    return true;
}

bool CSerialCommHandler::ZelValGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code)
{
    return ZelValGetHighestPossibleIndex(logical_device, highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelValGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    if (!IsLogicalDevice(logical_device)) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    return ReadNumber(ValidationObject(logical_device), 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelValGetValidationResultSize(uint32_t logical_device, uint32_t* size, uint32_t* result_code)
{
    return ZelValGetValidationResultSize(logical_device, size, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelValGetValidationResultSize(uint32_t logical_device, uint32_t* size, uint32_t* result_code, uint32_t timeout_ms)
{
    if (!IsLogicalDevice(logical_device)) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    return ReadNumber(ValidationObject(logical_device), 1, size, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelValGetErrorBits(uint32_t logical_device, uint32_t buffer, uint32_t size, std::vector<uint8_t>* bytes, uint32_t* result_code)
{
    return ZelValGetErrorBits(logical_device, buffer, size, bytes, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelValGetErrorBits(uint32_t logical_device, uint32_t buffer, uint32_t size, std::vector<uint8_t>* bytes, uint32_t* result_code, uint32_t timeout_ms)
{
    if (!IsLogicalDevice(logical_device) || buffer > kBufferReview) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    std::string value;
    if (!TypedRead(ValidationObject(logical_device), 2 * buffer, &value, result_code, timeout_ms)) return false;
    // "0x" and two digits per byte, exactly; anything else is not the array that was asked for.
    if (value.size() != 2 * static_cast<uint64_t>(size) + 2) return false;
    std::vector<uint8_t> result(size);
    for (size_t i = 0; i < result.size(); ++i) result[i] = static_cast<uint8_t>(ReadHexGroup(value, 2 + 2 * i, 2));
    if (bytes) *bytes = std::move(result);
    return true;
}

bool CSerialCommHandler::ZelDevGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code)
{
    return ZelDevGetHighestPossibleIndex(logical_device, highest, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelDevGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms)
{
    if (!IsLogicalDevice(logical_device)) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    return ReadNumber(BufferObject(logical_device, 1), 0, highest, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelDevSetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, const ParamValue* value, uint32_t* result_code)
{
    return ZelDevSetReq(logical_device, buffer, name, value, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelDevSetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, const ParamValue* value, uint32_t* result_code, uint32_t timeout_ms)
{
    const ParamEntry* entry = buffer <= kBufferReview ? LookUpParam(logical_device, name) : nullptr;
    if (!entry || !value || value->type != entry->type) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    return TypedWrite(BufferObject(logical_device, buffer), entry->requested_subindex, {ParamValueText(*value)},
                      nullptr, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelDevGetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value, uint32_t* result_code)
{
    return ZelDevGetReq(logical_device, buffer, name, value, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelDevGetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value, uint32_t* result_code, uint32_t timeout_ms)
{
    if (buffer > kBufferReview) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    return DevGet(logical_device, IsLogicalDevice(logical_device) ? BufferObject(logical_device, buffer) : 0, false, name,
                  value, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelDevGetAcc(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value, uint32_t* result_code)
{
    return ZelDevGetAcc(logical_device, buffer, name, value, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelDevGetAcc(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value, uint32_t* result_code, uint32_t timeout_ms)
{
    if (buffer > kBufferReview) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    return DevGet(logical_device, IsLogicalDevice(logical_device) ? BufferObject(logical_device, buffer) : 0, true, name,
                  value, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelDevGetMin(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code)
{
    return ZelDevGetMin(logical_device, name, value, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelDevGetMin(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code, uint32_t timeout_ms)
{
    return DevGet(logical_device, IsLogicalDevice(logical_device) ? MinMaxObject(logical_device) : 0, false, name,
                  value, result_code, timeout_ms);
}

bool CSerialCommHandler::ZelDevGetMax(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code)
{
    return ZelDevGetMax(logical_device, name, value, result_code, command_timeout_);
}

bool CSerialCommHandler::ZelDevGetMax(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code, uint32_t timeout_ms)
{
    return DevGet(logical_device, IsLogicalDevice(logical_device) ? MinMaxObject(logical_device) : 0, true, name,
                  value, result_code, timeout_ms);
}

// ---- Logical-device parameters ----

const CParamTable* CSerialCommHandler::ParamTable(uint32_t logical_device) const
{
    if (logical_device == 0) return dev0_table_;
    if (logical_device == 1) return dev1_table_;
    return nullptr;
}

const ParamEntry* CSerialCommHandler::LookUpParam(uint32_t logical_device, const std::string& name) const
{
    const CParamTable* table = ParamTable(logical_device);
    return table ? table->GetParam(name) : nullptr;
}

// Minimum and maximum sit at the requested and accepted subindexes of the minimum/maximum
// object, so one lookup serves both pairs.
bool CSerialCommHandler::DevGet(uint32_t logical_device, uint32_t index, bool accepted, const std::string& name,
                                ParamValue* value, uint32_t* result_code, uint32_t timeout_ms)
{
    const ParamEntry* entry = LookUpParam(logical_device, name);
    if (!entry) {
        SetCode(result_code, kNoResultCode);
        return false;
    }
    std::string text;
    if (!TypedRead(index, accepted ? entry->accepted_subindex : entry->requested_subindex, &text, result_code,
                   timeout_ms))
        return false;
    const std::optional<ParamValue> read = ParamValueFromReply(entry->type, text);
    if (!read) {
        SetLastResultText(NoNumberText(GetLastResultText()));
        return false;
    }
    if (value) *value = *read;
    return true;
}
