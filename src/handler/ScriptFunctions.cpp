#include "handler/ScriptFunctions.h"

#include <array>
#include <cstdint>

#include "handler/SerialCommHandler.h"
#include "logging/ZovLogging.h"
#include "platform/Format.h"
#include "script/ScriptEngine.h"

namespace {

using Handler = CSerialCommHandler;

Handler& HandlerOf(void* context)
{
    return *static_cast<Handler*>(context);
}

// The end of every typed function: @0 first, the values after it, and the handler's own word
// on the request as the result text.
int Begin(CArgArray& out, bool ok)
{
    out.RemoveAll();
    out.Append(static_cast<int32_t>(ok ? 1 : 0));
    return ok ? 1 : 0;
}

int End(Handler& handler, bool ok, std::string& result_text)
{
    result_text = handler.GetLastResultText();
    return ok ? 1 : 0;
}

// ---- Inputs the handler refuses without a request. It then leaves its last result text as the
// previous request left it (often "OK"), so these functions check first and tell the script why.

constexpr uint32_t kHighestBuffer = 10;  // Review

std::string DeviceProblem(uint32_t device)
{
    return device <= 1 ? std::string() : Format("Unknown logical device %u (0 or 1)", device);
}

std::string BufferProblem(uint32_t buffer)
{
    return buffer <= kHighestBuffer ? std::string()
                                    : Format("Unknown buffer %u (0 to %u)", buffer, kHighestBuffer);
}

std::string ParamProblem(const Handler& handler, uint32_t device, const std::string& name)
{
    const std::string problem = DeviceProblem(device);
    if (!problem.empty()) {
        return problem;
    }
    const CParamTable* table = handler.ParamTable(device);
    if (table == nullptr || table->GetParam(name) == nullptr) {
        return Format("Unknown parameter \"%s\" on logical device %u", name.c_str(), device);
    }
    return {};
}

// @0 = 0 and the reason; the caller appends what the function always appends.
int Refuse(CArgArray& out, std::string& result_text, const std::string& why)
{
    Begin(out, false);
    result_text = why;
    return 0;
}

// ---- Raw requests: the handler fills the list and the result text itself. ----

int Read(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    out.RemoveAll();
    return HandlerOf(context).ZELSP_Read(in, out, result_text) ? 1 : 0;
}

int Write(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    out.RemoveAll();
    return HandlerOf(context).ZELSP_Write(in, out, result_text) ? 1 : 0;
}

int ReadNoWait(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    out.RemoveAll();
    return HandlerOf(context).ZELSP_ReadNoWait(in, out, result_text) ? 1 : 0;
}

int WriteNoWait(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    out.RemoveAll();
    return HandlerOf(context).ZELSP_WriteNoWait(in, out, result_text) ? 1 : 0;
}

int GetCommandResult(void* context, CArgArray&, CArgArray& out, std::string& result_text)
{
    out.RemoveAll();
    return HandlerOf(context).ZELSP_GetCommandResult(out, result_text) ? 1 : 0;
}

// ---- Typed functions, by shape. Each template stands for a family that differs only in the
// operation it calls; the operation is bound at compile time. ----

// No inputs, no values: @0 only.
template <bool (Handler::*Op)(uint32_t*)>
int Command(void* context, CArgArray&, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    uint32_t code = kNoResultCode;
    const bool ok = (handler.*Op)(&code);
    Begin(out, ok);
    return End(handler, ok, result_text);
}

// One number in (buffer, calibration, test), no values.
template <bool (Handler::*Op)(uint32_t, uint32_t*)>
int NumberCommand(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    uint32_t code = kNoResultCode;
    const bool ok = (handler.*Op)(in.GetArgUlong(0), &code);
    Begin(out, ok);
    return End(handler, ok, result_text);
}

// No inputs, one number out; the number is there (0) also after a failure.
template <bool (Handler::*Op)(uint32_t*, uint32_t*)>
int NumberRead(void* context, CArgArray&, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    uint32_t value = 0;
    uint32_t code = kNoResultCode;
    const bool ok = (handler.*Op)(&value, &code);
    Begin(out, ok);
    out.Append(value);
    return End(handler, ok, result_text);
}

// The logical device in, one number out.
template <bool (Handler::*Op)(uint32_t, uint32_t*, uint32_t*)>
int DeviceNumberRead(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    const std::string problem = DeviceProblem(in.GetArgUlong(0));
    if (!problem.empty()) {
        Refuse(out, result_text, problem);
        out.Append(static_cast<uint32_t>(0));
        return 0;
    }
    uint32_t value = 0;
    uint32_t code = kNoResultCode;
    const bool ok = (handler.*Op)(in.GetArgUlong(0), &value, &code);
    Begin(out, ok);
    out.Append(value);
    return End(handler, ok, result_text);
}

// The log level is the one number a script may give as a signed value.
int SelectLogLevel(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    uint32_t code = kNoResultCode;
    const bool ok =
        handler.ZelCmdSelectLogLevel(static_cast<uint32_t>(in.GetArgLong(0)), &code);
    Begin(out, ok);
    return End(handler, ok, result_text);
}

int Unset(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    const uint32_t buffer = in.GetArgUlong(0);
    if (buffer != 0 && buffer != 9) {
        return Refuse(out, result_text,
                      Format("Buffer %u cannot be unset (only 0, System Wide, and 9, Field Service)",
                             buffer));
    }
    uint32_t code = kNoResultCode;
    const bool ok =
        handler.ZelCmdUnset(in.GetArgUlong(0), in.GetArgUlong(1), in.GetArgUlong(2), &code);
    Begin(out, ok);
    return End(handler, ok, result_text);
}

// The subsystem refuses an impossible switch, so "possible" is simply whether it accepted.
int CanSwitch(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    uint32_t possible = 0;
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelCmdCanSwitch(in.GetArgUlong(0), in.GetArgUlong(1), &possible, &code);
    Begin(out, ok);
    out.Append(static_cast<int32_t>(ok ? 1 : 0));
    return End(handler, ok, result_text);
}

int ComponentVersion(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    std::string version;
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelVerGetComponentVersion(static_cast<uint32_t>(in.GetArgLong(0)),
                                                      &version, &code);
    Begin(out, ok);
    out.Append(version);
    return End(handler, ok, result_text);
}

int GetCalibrationData(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    std::string data;
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelCalGetCalibrationData(in.GetArgUlong(0), &data, &code);
    Begin(out, ok);
    out.Append(data);
    return End(handler, ok, result_text);
}

int SetCalibrationData(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelCalSetCalibrationData(in.GetArgUlong(0), in.GetArgString(1), &code);
    Begin(out, ok);
    return End(handler, ok, result_text);
}

// The board sends 16 numbers; scripts see the first 8, the ones a subsystem actually uses.
// After a failure they read as 0 rather than as whatever the list held.
template <bool (Handler::*Op)(std::array<uint32_t, 16>*, uint32_t*)>
int EightNumbers(void* context, CArgArray&, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    std::array<uint32_t, 16> numbers{};
    uint32_t code = kNoResultCode;
    const bool ok = (handler.*Op)(&numbers, &code);
    Begin(out, ok);
    for (size_t i = 0; i < 8; ++i) {
        out.Append(numbers[i]);
    }
    return End(handler, ok, result_text);
}

int LogEntryData(void* context, CArgArray&, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    std::string text;
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelLogGetLogEntryData(&text, &code);
    Begin(out, ok);
    out.Append(text);
    return End(handler, ok, result_text);
}

int LogEntryInformation(void* context, CArgArray&, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    LogEntryInfo info;
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelLogGetLogEntryInfo(&info, &code);
    Begin(out, ok);
    out.Append(static_cast<uint32_t>(info.sequence_number));
    out.Append(static_cast<uint32_t>(info.logging_id));
    out.Append(static_cast<uint32_t>(info.reserved));
    out.Append(static_cast<uint32_t>(info.component_id));
    out.Append(static_cast<uint32_t>(info.severity));
    out.Append(info.time_of_day);
    out.Append(static_cast<uint32_t>(info.day_number));
    return End(handler, ok, result_text);
}

// A reply carries at most 280 characters, "0x" and two digits per byte among them, so no
// subsystem can answer for more bytes than this. A larger ArraySize is a script's mistake; it
// must not make the tool reserve (and hand back) gigabytes.
constexpr uint32_t kMaxErrorBitsBytes = 139;

int ErrorBits(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    const uint32_t size = in.GetArgUlong(2);
    if (size > kMaxErrorBitsBytes) {
        return Refuse(out, result_text,
                      Format("ArraySize %u is more than a reply can hold (%u)", size, kMaxErrorBitsBytes));
    }
    std::string problem = DeviceProblem(in.GetArgUlong(0));
    if (problem.empty()) {
        problem = BufferProblem(in.GetArgUlong(1));
    }
    if (!problem.empty()) {
        Refuse(out, result_text, problem);
        for (uint32_t i = 0; i < size; ++i) {
            out.Append(static_cast<int32_t>(0));
        }
        return 0;
    }
    std::vector<uint8_t> bytes(size, 0);
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelValGetErrorBits(in.GetArgUlong(0), in.GetArgUlong(1), size, &bytes, &code);
    Begin(out, ok);
    bytes.resize(size, 0);  // the operation may have written fewer on failure
    for (uint8_t byte : bytes) {
        out.Append(static_cast<int32_t>(byte));
    }
    return End(handler, ok, result_text);
}

// ---- Logical-device parameters ----

int SetRequested(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    const uint32_t device = in.GetArgUlong(0);
    const uint32_t buffer = in.GetArgUlong(1);
    const std::string name = in.GetArgString(2);
    std::string problem = ParamProblem(handler, device, name);
    if (problem.empty()) {
        problem = BufferProblem(buffer);
    }
    if (!problem.empty()) {
        Refuse(out, result_text, problem);
        out.Append(kNoResultCode);
        return 0;
    }
    // The value arrives as text or number; it takes the parameter's own type, so the handler's
    // type check always passes for a script. zovcli's call checks its input the same way.
    const ParamEntry* entry = handler.ParamTable(device)->GetParam(name);
    const std::string text = in.GetArgString(3);
    const std::optional<ParamValue> read = ParamValueFromInput(entry->type, text);
    if (!read) {
        Refuse(out, result_text,
               Format("%s takes %s, not \"%s\"", name.c_str(), ParamInputDescription(entry->type).c_str(),
                      text.c_str()));
        out.Append(kNoResultCode);
        return 0;
    }
    const ParamValue value = *read;
    uint32_t code = kNoResultCode;
    const bool ok = handler.ZelDevSetReq(device, buffer, name, &value, &code);
    Begin(out, ok);
    out.Append(code);
    return End(handler, ok, result_text);
}

// A parameter value as a script sees it: the number types as numbers (the signed one with its
// sign), the array types in their "0x..." text form.
void AppendParamValue(const ParamValue& value, CArgArray& out)
{
    switch (value.type) {
    case kParamBool:
    case kParamUlong:
    case kParamUshort:
    case kParamUchar:
        out.Append(value.number);
        break;
    case kParamShort:
        out.Append(static_cast<long>(value.signed_number));
        break;
    default:
        out.Append(ParamValueText(value));
        break;
    }
}

template <bool (Handler::*Op)(uint32_t, uint32_t, const std::string&, ParamValue*, uint32_t*)>
int BufferParamRead(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    std::string problem = ParamProblem(handler, in.GetArgUlong(0), in.GetArgString(2));
    if (problem.empty()) {
        problem = BufferProblem(in.GetArgUlong(1));
    }
    if (!problem.empty()) {
        return Refuse(out, result_text, problem);
    }
    ParamValue value;
    uint32_t code = kNoResultCode;
    const bool ok = (handler.*Op)(in.GetArgUlong(0), in.GetArgUlong(1), in.GetArgString(2), &value, &code);
    Begin(out, ok);
    if (ok) {
        AppendParamValue(value, out);
    }
    return End(handler, ok, result_text);
}

template <bool (Handler::*Op)(uint32_t, const std::string&, ParamValue*, uint32_t*)>
int LimitParamRead(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    const std::string problem = ParamProblem(handler, in.GetArgUlong(0), in.GetArgString(1));
    if (!problem.empty()) {
        return Refuse(out, result_text, problem);
    }
    ParamValue value;
    uint32_t code = kNoResultCode;
    const bool ok = (handler.*Op)(in.GetArgUlong(0), in.GetArgString(1), &value, &code);
    Begin(out, ok);
    if (ok) {
        AppendParamValue(value, out);
    }
    return End(handler, ok, result_text);
}

// ---- DCM messages ----

int LineInput(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    const bool ok = handler.DCM_LineInput(in.GetArgUlong(0), in.GetArgUlong(1)) != 0;
    Begin(out, ok);
    return End(handler, ok, result_text);
}

int UICommand(void* context, CArgArray& in, CArgArray& out, std::string& result_text)
{
    Handler& handler = HandlerOf(context);
    const bool ok = handler.DCM_UICommand(in.GetArgString(0)) != 0;
    Begin(out, ok);
    return End(handler, ok, result_text);
}

// ---- The table ----

constexpr int kMaxWriteInputs = 99;

struct tagFunctionRow {
    const char* name;
    ScriptFunction function;
    const char* description;  // may hold "\r\n" for a second description line
    const char* inputs;       // the call form's inputs; "" for none
    int min_inputs;
    int max_inputs;
    std::vector<const char*> outputs;  // after @0
};

const std::vector<const char*> kRequestOutputs = {
    "Result of ZELSP communication", "Request response", "Message ID", "ZEL result code", "Values"};
const std::vector<const char*> kWriteOutputs = {
    "Result of ZELSP communication", "Request response", "Message ID", "ZEL result code",
    "Values (if the reply has any)"};
const char kReadDescription[] = "Read data from the Nemra Object Dictionary.";
const char kWriteDescription[] = "Write data to the Nemra Object Dictionary.";
const char kWriteInputs[] = "Index, SubIndex, Data1, ..., DataN";

const std::vector<tagFunctionRow>& Rows()
{
    using H = Handler;
    static const std::vector<tagFunctionRow> rows = {
        {"ZELSP_Read", Read, kReadDescription, "Index, SubIndex", 2, 2, kRequestOutputs},
        {"ZELSP_Write", Write, kWriteDescription, kWriteInputs, 2, kMaxWriteInputs, kWriteOutputs},
        {"R", Read, "Read data from the Nemra Object Dictionary.\r\n(Shorthand for ZELSP_Read.)",
         "Index, SubIndex", 2, 2, kRequestOutputs},
        {"W", Write, "Write data to the Nemra Object Dictionary.\r\n(Shorthand for ZELSP_Write.)",
         kWriteInputs, 2, kMaxWriteInputs, kWriteOutputs},
        {"ZELSP_ReadNoWait", ReadNoWait,
         "Send Read request to Nemra subsystem without waiting for data.", "Index, SubIndex", 2, 2,
         {"Result of ZELSP communication"}},
        {"ZELSP_WriteNoWait", WriteNoWait,
         "Send Write request to Nemra subsystem without waiting for data.", kWriteInputs, 2,
         kMaxWriteInputs, {"Result of ZELSP communication"}},
        {"ZELSP_GetCommandResult", GetCommandResult,
         "Returns the response of the oldest ZELSP_ReadNoWait or ZELSP_WriteNoWait call.", "", 0, 0,
         kRequestOutputs},

        {"ZelCmdGetHighestPossibleIndex", NumberRead<&H::ZelCmdGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the command object.", "", 0, 0,
         {"Highest subindex"}},
        {"ZelCmdStartApplication", Command<&H::ZelCmdStartApplication>,
         "Wait for subsystem to become operational.", "", 0, 0, {}},
        {"ZelCmdValidate", NumberCommand<&H::ZelCmdValidate>, "Validate the specified buffer.",
         "BufferNumber", 1, 1, {}},
        {"ZelCmdActivateSettings", NumberCommand<&H::ZelCmdActivateSettings>,
         "Activate the settings of the specified buffer.", "BufferNumber", 1, 1, {}},
        {"ZelCmdPrepare", NumberCommand<&H::ZelCmdPrepare>,
         "Prepare the subsystem with parameters of the specified buffer.", "BufferNumber", 1, 1, {}},
        {"ZelCmdUnprepare", NumberCommand<&H::ZelCmdUnprepare>, "Unprepare the subsystem..",
         "BufferNumber", 1, 1, {}},
        {"ZelCmdUnset", Unset, "Unset a parameters of the FieldService or SystemWide buffer.",
         "BufferNumber, SubIndex, LogicalDevice", 3, 3, {}},
        {"ZelCmdSwitch", NumberCommand<&H::ZelCmdSwitch>,
         "Switch the subsystem from the prepared buffer to the specified buffer.", "BufferNumber", 1,
         1, {}},
        {"ZelCmdCanSwitch", CanSwitch,
         "Verify whether a switch from one buffer to another is possible.",
         "FromBufferNumber, ToBufferNumber", 2, 2, {"Switch: 1 = possible, 0 = not possible"}},
        {"ZelCmdSetClock", Command<&H::ZelCmdSetClock>,
         "Set the clock of the controllerboard to the current time of the host PC.", "", 0, 0, {}},
        {"ZelCmdSelectLogLevel", SelectLogLevel, "Select the level of logging.", "LogLevel", 1, 1,
         {}},
        {"ZelCmdGetLogLevel", NumberRead<&H::ZelCmdGetLogLevel>,
         "Retrieves the currently selected log level.", "", 0, 0, {"Log level"}},
        {"ZelCmdNextLogEntry", Command<&H::ZelCmdNextLogEntry>,
         "Make the next log entry available on the logging object.", "", 0, 0, {}},
        {"ZelCmdStartCalibration", NumberCommand<&H::ZelCmdStartCalibration>,
         "Start the specified (sub)calibration.", "CalibrationNumber", 1, 1, {}},
        {"ZelCmdStopCalibration", NumberCommand<&H::ZelCmdStopCalibration>,
         "Stop the specified (sub)calibration.", "CalibrationNumber", 1, 1, {}},
        {"ZelCmdStoreCalibration", NumberCommand<&H::ZelCmdStoreCalibration>,
         "Store the specified (sub)calibration result.", "CalibrationNumber", 1, 1, {}},
        {"ZelCmdStartTest", NumberCommand<&H::ZelCmdStartTest>, "Start the specified test.",
         "TestNumber", 1, 1, {}},
        {"ZelCmdStopTest", NumberCommand<&H::ZelCmdStopTest>, "Stop the specified test.",
         "TestNumber", 1, 1, {}},
        {"ZelCmdRestoreCalibration", Command<&H::ZelCmdRestoreCalibration>,
         "Restore the calibration from the calibration object.", "", 0, 0, {}},
        {"ZelCmdResetLog", Command<&H::ZelCmdResetLog>,
         "Clear the log entries available on the logging object.", "", 0, 0, {}},
        {"ZelCmdValidateReviewSettings", Command<&H::ZelCmdValidateReviewSettings>,
         "Validate the parameters in the review buffer.", "", 0, 0, {}},
        {"ZelCmdActivateReviewSettings", Command<&H::ZelCmdActivateReviewSettings>,
         "Update the postprocessing parameters for the image currently displayed.", "", 0, 0, {}},
        {"ZelCmdReviewPrevious", Command<&H::ZelCmdReviewPrevious>,
         "Review the previous (older) image in memory.", "", 0, 0, {}},
        {"ZelCmdReviewNext", Command<&H::ZelCmdReviewNext>, "Review the next (newer) image in memory.",
         "", 0, 0, {}},
        {"ZelCmdGrabLIH", Command<&H::ZelCmdGrabLIH>, "Store last image hold in memory.", "", 0, 0,
         {}},
        {"ZelCmdDeleteImage", Command<&H::ZelCmdDeleteImage>,
         "Delete the currently displayed image from memory.", "", 0, 0, {}},
        {"ZelCmdDeleteAllImages", Command<&H::ZelCmdDeleteAllImages>, "Delete all images from memory.",
         "", 0, 0, {}},
        {"ZelCmdClearScreen", Command<&H::ZelCmdClearScreen>, "Clear the monitor(s).", "", 0, 0, {}},
        {"ZelCmdImageExport", Command<&H::ZelCmdImageExport>, "Export the currently displayed image.",
         "", 0, 0, {}},
        {"ZelCmdParkImage", Command<&H::ZelCmdParkImage>,
         "Copy the displayed image to the reference monitor.", "", 0, 0, {}},

        {"ZelVerGetHighestPossibleIndex", NumberRead<&H::ZelVerGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the version object.", "", 0, 0,
         {"Highest subindex"}},
        {"ZelVerGetComponentVersion", ComponentVersion,
         "Returns the version of the specified component.", "ComponentIndex", 1, 1, {"Version text"}},
        {"ZelCalGetHighestPossibleIndex", NumberRead<&H::ZelCalGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the calibration object.", "", 0, 0,
         {"Highest subindex"}},
        {"ZelCalGetCalibrationData", GetCalibrationData,
         "Returns the calibration data on the specified index.", "Index", 1, 1,
         {"Calibration data text"}},
        {"ZelCalSetCalibrationData", SetCalibrationData,
         "Sets the calibration data on the specified index.", "Index, Data", 2, 2, {}},
        {"ZelCfgGetHighestPossibleIndex", NumberRead<&H::ZelCfgGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the configuration object.", "", 0, 0,
         {"Highest subindex"}},
        {"ZelCfgGetIItype", NumberRead<&H::ZelCfgGetIItype>,
         "Returns the type of II used by the subsystem.", "", 0, 0,
         {"II type (1 = 38 cm, 2 = 31 cm, 3 = 23 cm)"}},
        {"ZelCfgGetNrOfReceptorFieldSizes", NumberRead<&H::ZelCfgGetNrOfReceptorFieldSizes>,
         "Returns the number of availbale field sizes.", "", 0, 0, {"Number of field sizes"}},
        {"ZelCfgGetReceptorFieldSizes", EightNumbers<&H::ZelCfgGetReceptorFieldSizes>,
         "Returns the available field sizes.", "", 0, 0,
         {"Field size 1", "Field size 2", "Field size 3", "Field size 4", "Field size 5",
          "Field size 6", "Field size 7", "Field size 8"}},
        {"ZelCfgGetSidOffset", EightNumbers<&H::ZelCfgGetSidOffset>,
         "Returns the offsets used to calculate SID from SED.", "", 0, 0,
         {"Offset 1", "Offset 2", "Offset 3", "Offset 4", "Offset 5", "Offset 6", "Offset 7",
          "Offset 8"}},
        {"ZelPstGetHighestPossibleIndex", NumberRead<&H::ZelPstGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the POST object.", "", 0, 0, {"Highest subindex"}},
        {"ZelPstGetPowerOnSelfTestResult", NumberRead<&H::ZelPstGetPowerOnSelfTestResult>,
         "Returns the POST result.", "", 0, 0, {"POST result"}},
        {"ZelLogGetHighestPossibleIndex", NumberRead<&H::ZelLogGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the Log object.", "", 0, 0, {"Highest subindex"}},
        {"ZelLogGetNrOfAvailableLogEntries", NumberRead<&H::ZelLogGetNrOfAvailableLogEntries>,
         "Returns the number of available log entries.", "", 0, 0, {"Number of entries"}},
        {"ZelLogGetLogEntryDataSize", NumberRead<&H::ZelLogGetLogEntryDataSize>,
         "Returns the size of the log entry.", "", 0, 0, {"Entry size"}},
        {"ZelLogGetLogEntryData", LogEntryData, "Returns the log entry string.", "", 0, 0,
         {"Entry text"}},
        {"ZelLogGetLogEntryInfo", LogEntryInformation, "Returns the log entry info.", "", 0, 0,
         {"Sequence number", "Logging ID", "Reserved byte", "Component ID", "Severity",
          "Time of day", "Day number"}},
        {"ZelDevGetHighestPossibleIndex", DeviceNumberRead<&H::ZelDevGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the a logical device parameter buffer.",
         "LogicalDevice", 1, 1, {"Highest subindex"}},
        {"ZelDevSetReq", SetRequested, "Set requested parameter on logical device.",
         "LogicalDevice, BufferNumber, ParamName, ParamValue", 4, 4, {"ZEL result code"}},
        {"ZelDevGetReq", BufferParamRead<&H::ZelDevGetReq>, "Get requested parameter on logical device.",
         "LogicalDevice, BufferNumber, ParamName", 3, 3, {"Requested value (only on success)"}},
        {"ZelDevGetAcc", BufferParamRead<&H::ZelDevGetAcc>,
         "Get accepted parameter on logical device 0.", "LogicalDevice, BufferNumber, ParamName", 3,
         3, {"Accepted value (only on success)"}},
        {"ZelDevGetMin", LimitParamRead<&H::ZelDevGetMin>,
         "Get minimum value for a parameter on a logical device.", "LogicalDevice, ParamName", 2, 2,
         {"Minimum value (only on success)"}},
        {"ZelDevGetMax", LimitParamRead<&H::ZelDevGetMax>,
         "Get maximum value for a parameter on a logical device.", "LogicalDevice, ParamName", 2, 2,
         {"Maximum value (only on success)"}},
        {"ZelValGetHighestPossibleIndex", DeviceNumberRead<&H::ZelValGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the Validation object.", "LogicalDevice", 1, 1,
         {"Highest subindex"}},
        {"ZelValGetValidationResultSize", DeviceNumberRead<&H::ZelValGetValidationResultSize>,
         "Returns the size of the validation bits array.", "LogicalDevice", 1, 1, {"Array size"}},
        {"ZelValGetErrorBits", ErrorBits, "Returns the validation bits.",
         "LogicalDevice, BufferNumber, ArraySize", 3, 3,
         {"... one value per byte (ArraySize values)"}},
        {"ZelFSGetHighestPossibleIndex", NumberRead<&H::ZelFSGetHighestPossibleIndex>,
         "Returns the highest possible subindex of the field service object.", "", 0, 0,
         {"Highest subindex"}},
        {"ZelFsGetAverageVideoLevelRelative", NumberRead<&H::ZelFsGetAverageVideoLevelRelative>,
         "Returns the relative average video level from the field service object.", "", 0, 0,
         {"Average video level in 0.1 %"}},
        {"ZelFsGetVideoNoiseValue", NumberRead<&H::ZelFsGetVideoNoiseValue>,
         "Returns the video noise from the field service object.", "", 0, 0, {"Video noise value"}},
        {"ZelFsGetAverageVideoLevelAbsolute", NumberRead<&H::ZelFsGetAverageVideoLevelAbsolute>,
         "Returns the average video level in bins from the field service object.", "", 0, 0,
         {"Average video level in bins"}},
        {"ZelFsGetAverageVideoLevelAbsoluteProcessed",
         NumberRead<&H::ZelFsGetAverageVideoLevelAbsoluteProcessed>,
         "Returns the average video level in bins of the processed image from the field service "
         "object.",
         "", 0, 0, {"Average video level in bins, processed image"}},
        {"DCM_LineInput", LineInput, "Sends a DCM line input message to Nemra.",
         "Line, StateTransition", 2, 2, {}},
        {"DCM_UICommand", UICommand, "Sends a DCM UI command message to Nemra.", "TextString", 1, 1,
         {}},
    };
    return rows;
}

std::string HelpText(const tagFunctionRow& row)
{
    std::string text = row.description;
    text += "\r\n\r\n";
    text += row.name;
    text += row.inputs[0] == '\0' ? std::string("()") : Format("(IN: %s)", row.inputs);
    text += "\r\nOUT:\r\n    @0 = Function result: 0=failed, 1=succeeded";
    for (size_t i = 0; i < row.outputs.size(); ++i) {
        text += Format("\r\n    @%zu = %s", i + 1, row.outputs[i]);
    }
    return text;
}

}  // namespace

const std::vector<tagScriptFunctionRow>& ScriptFunctionRows()
{
    static const std::vector<tagScriptFunctionRow> rows = [] {
        std::vector<tagScriptFunctionRow> list;
        for (const tagFunctionRow& row : Rows()) {
            list.push_back({row.name, row.function, HelpText(row), row.min_inputs, row.max_inputs});
        }
        return list;
    }();
    return rows;
}

int RegisterScriptFunctions(CScriptEngine& engine, CSerialCommHandler& handler)
{
    int registered = 0;
    for (const tagScriptFunctionRow& row : ScriptFunctionRows()) {
        if (engine.AddFunction(row.name, row.function, &handler, row.help_text, row.min_inputs,
                               row.max_inputs, 0)) {
            ++registered;
        }
    }
    engine.SetErrorLogFunction(ScriptLogText);
    engine.SetExtendedLogFunction(ScriptLogText);
    return registered;
}

void ScriptLogText(const std::string& text)
{
    LogScriptText(text);
}
