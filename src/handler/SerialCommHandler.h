// The command handler: the tool's one client of the controller board's message protocol. It opens
// the configured COM port, brings up the link, runs the threads that receive and dispatch the
// subsystem's messages (replies, events, DCM messages), turns Object Dictionary requests into text
// messages, waits for the matching reply and hands it back as a list of values. The typed
// subsystem operations (ZelCmd*, ZelDev*, ...) are thin layers over ZELSP_Read and ZELSP_Write.
//
// Threads: one owner thread (the GUI, a worker or the script engine) issues requests; requests
// through one handler are strictly sequential (the request lock), so several threads may call
// the request operations, one after the other. Inside, per open link, run the port layer's
// receive thread and the handler's receive, event and DCM threads; all four stop and are joined
// by CloseComPort and the destructor.
//
// Lifecycle: by default the handler opens its link in the constructor, as zovcli and the tests
// use it. Constructed with LinkOpening::ByOwner it opens nothing until its owner calls
// OpenComPort (the window's CHandlerLink, which does so on a worker thread of its own and reports
// the link's state to the status bar itself). A port that fails underneath (hang-up, I/O error,
// device removed) is noticed by the receive thread: the failure is told once in the tool log,
// every waiting request ends with link status 3, later requests fail at once with 3, and
// PortFailed(), PortFailedEvent() and the port-failure function tell the owner.
//
// Results: the request operations return 1 (succeeded) or 0 (failed) and fill a result list
// (@0 function result, @1 link status, @2 "c", @3 message ID, @4 ZEL result code, @5 values) and a
// result text. The typed operations return true only when the link status is 0 and the subsystem
// accepted the request (ZEL result code 0); they write the ZEL result code through result_code
// (0xFFFFFFFF when no code came back, also when a ZelDev* or ZelVal* operation refuses its
// inputs without traffic; ZelCmdUnset's refusal leaves it untouched) and write their out values
// only on success. Every pointer argument may be null. Nothing throws.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "handler/ParamTable.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "script/ArgArray.h"

class CScriptEngine;
class CSerialPort;

// The ZEL result code when no code came back.
constexpr uint32_t kNoResultCode = 0xFFFFFFFF;

// The data of ZelCmdSetClock for a moment given as seconds since 1970-01-01 00:00:00 UTC:
// "0x%08x%04x" of the milliseconds since midnight and the day number, both counted from the
// subsystem's epoch.
std::string SetClockDataText(int64_t unix_seconds);

// The information of the subsystem's current log entry.
struct LogEntryInfo {
    uint8_t sequence_number = 0;
    uint16_t logging_id = 0;
    uint8_t reserved = 0;
    uint8_t component_id = 0;
    uint8_t severity = 0;
    uint32_t time_of_day = 0;  // milliseconds after midnight
    uint16_t day_number = 0;   // days since the subsystem's epoch

    bool operator==(const LogEntryInfo&) const = default;
};

// A request sent and not yet collected.
struct tagPendingCommand {
    uint16_t message_id = 0;
    // Empty until has_reply; the whole reply message.
    std::string reply;
    bool has_reply = false;
    CEvent reply_event{CEvent::Kind::ManualReset};
};

// When the handler opens its link.
enum class LinkOpening {
    AtConstruction,  // in the constructor; OpenComPort and CloseComPort post the connection state
    ByOwner,         // only when the owner calls OpenComPort; the owner reports the state
};

class CSerialCommHandler {
public:
    // Called on the receive thread, once per open link, when the port fails underneath; reason
    // names the port and the system's reason ("COM1: Input/output error").
    using PortFailureFunction = std::function<void(const std::string& reason)>;

    // Reads "Command Timeout" and, with an engine, registers the script functions. With
    // LinkOpening::AtConstruction it then opens the link (see OpenComPort): reads "COM port"
    // from the settings, tries the port 5 times 500 ms apart, shows "COM port could not be
    // opened..." when it cannot, sends ZelCmdStartApplication and, with handle_events,
    // ZelCmdResetLog (box "Resetting log failed." on failure); with LinkOpening::ByOwner it
    // opens nothing, sends nothing and never blocks. message_number is the shared instance
    // number; it must outlive the handler. With handle_events the handler acts on the
    // subsystem's event messages. engine may be null; it is stored for the script function
    // registration, and its stop event ends any wait for a reply (a stopped script gets link
    // status 3 at once, until the engine runs its next script). The owner's thread.
    CSerialCommHandler(uint16_t* message_number, bool handle_events, CScriptEngine* engine,
                       LinkOpening opening = LinkOpening::AtConstruction);
    // Closes the link (stops and joins the threads) and frees every pending request. Requests
    // that still wait on other threads are woken and end with link status 3 first.
    virtual ~CSerialCommHandler();
    CSerialCommHandler(const CSerialCommHandler&) = delete;
    CSerialCommHandler& operator=(const CSerialCommHandler&) = delete;

    // Closes an open link first, then opens the port named by "COM port" and brings the link up.
    // True when the link is up: the port opened and the board acknowledged the start-up
    // exchange (a board that takes nothing is not called connected; FailureText says so, while
    // the port stays open and requests go out as before). The owner's thread (one thread for OpenComPort, ReopenComPort
    // and CloseComPort), while no request runs.
    bool OpenComPort();
    // As OpenComPort, with one attempt to open the port and no box when it fails: for an owner
    // that brings a failed link back by itself.
    bool ReopenComPort();
    // Stops the threads, closes the link and the port. Returns at once even when the board is
    // silent: every wait on the link is ended first. No effect when not open. The owner's
    // thread.
    void CloseComPort();
    // Ends the wait of the request that runs now and makes every later request fail at once,
    // both with link status 3 ("ZELSP: Communication error"), until ResumeRequests; the link
    // stays up. This is how an engineer leaves a procedure step that waits on a silent board
    // without a command timeout. Any thread.
    void StopRequests();
    void ResumeRequests();
    // True while the port is open (and has not failed underneath).
    bool IsConnected() const;
    // The port name the link was opened with ("" before the first OpenComPort). Owner's thread.
    std::string PortName() const;

    // Cuts short an OpenComPort or ReopenComPort running on another thread (its pauses between
    // attempts, its start-up exchange; no box is shown any more) and ends every wait of a
    // request at once; requests fail with link status 3 until ClearAbort. The link itself stays
    // open until CloseComPort. Any thread.
    void AbortConnection();
    // Lets requests and the next OpenComPort run again after AbortConnection. The owner's
    // thread, while no open runs.
    void ClearAbort();
    bool IsAborted() const;

    // The port failure of the open link: set by the receive thread when the port fails
    // underneath, cleared when the link is opened again. The event is manual-reset; wait on it,
    // never set or reset it. Any thread.
    bool PortFailed() const;
    CEvent& PortFailedEvent() { return port_failed_event_; }
    // Why the link is down: the port failure ("COM1: Input/output error"), else why the last
    // open failed ("COM1: No such file or directory"); "" when neither happened. Any thread.
    std::string FailureText() const;
    // The system's error number behind FailureText (0 when none is known). Any thread.
    int FailureError() const;
    // Installs the function told of a port failure (may be empty). Set it before opening.
    void SetPortFailureFunction(PortFailureFunction function);

    // The command timeout in milliseconds (kInfinite when "Command Timeout" is missing or 0).
    uint32_t CommandTimeout() const { return command_timeout_; }
    bool HandlesEvents() const { return handle_events_; }
    CScriptEngine* ScriptEngine() const { return engine_; }

    // ---- Raw requests. in: index, subindex (then data values for writes). ----
    // Blocking read/write; timeout_ms defaults to the command timeout. Returns 1 or 0. A write
    // whose data values hold a carriage return, a "$", another control character or an 8-bit
    // byte is refused without sending: link status 5, "ZELSP: Incorrect argument".
    int ZELSP_Read(const CArgArray& in, CArgArray& out, std::string& result_text);
    int ZELSP_Read(const CArgArray& in, CArgArray& out, std::string& result_text, uint32_t timeout_ms);
    int ZELSP_Write(const CArgArray& in, CArgArray& out, std::string& result_text);
    int ZELSP_Write(const CArgArray& in, CArgArray& out, std::string& result_text, uint32_t timeout_ms);
    // Send only; the request stays pending until ZELSP_GetCommandResult collects it. out gets
    // @0 (1 when sent) and @1 (link status); result text "OK" or the link's error text.
    int ZELSP_ReadNoWait(const CArgArray& in, CArgArray& out, std::string& result_text);
    int ZELSP_WriteNoWait(const CArgArray& in, CArgArray& out, std::string& result_text);
    // The reply of the oldest answered pending request, else the first to be answered within
    // the command timeout ("Command timeout", link status 3, when none is).
    int ZELSP_GetCommandResult(CArgArray& out, std::string& result_text);

    // DCM messages to the subsystem (no reply awaited). line 1 to 128, state_transition 0 to 2;
    // a UI command text must be frame-safe as a write's data values are.
    // Return 1 when sent; set the last result text.
    int DCM_LineInput(uint32_t line, uint32_t state_transition);
    int DCM_UICommand(const std::string& text);

    // True only if function_result is 1, out has at least five values, @1 is 0 and @4 is 0.
    static bool IsRequestOk(int function_result, const CArgArray& out);
    // The text of a link result code ("OK", "ZELSP: Communication timeout", ...).
    static std::string GetResultText(uint32_t link_status);
    // Splits a reply text: up to three blank-separated tokens, then the rest as one value.
    static void ParseReply(const std::string& reply, CArgArray& out);
    // The result text of the last typed operation or DCM message. Any thread.
    std::string GetLastResultText() const;
    // True when the last blocking request was acknowledged by the board but no reply came within
    // its time-out: its link status 4 then means "no reply", not "no link". Any thread.
    bool LastReplyTimedOut() const { return last_reply_timed_out_.load(); }

    // ---- Command object 0x2000 ----
    bool ZelCmdGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code);
    bool ZelCmdGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdStartApplication(uint32_t* result_code);
    bool ZelCmdStartApplication(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdValidate(uint32_t buffer, uint32_t* result_code);
    bool ZelCmdValidate(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdActivateSettings(uint32_t buffer, uint32_t* result_code);
    bool ZelCmdActivateSettings(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdPrepare(uint32_t buffer, uint32_t* result_code);
    bool ZelCmdPrepare(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdUnprepare(uint32_t buffer, uint32_t* result_code);
    bool ZelCmdUnprepare(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms);
    // Only buffers 0 (System Wide) and 9 (Field Service); others fail without traffic.
    bool ZelCmdUnset(uint32_t buffer, uint32_t subindex, uint32_t logical_device, uint32_t* result_code);
    bool ZelCmdUnset(uint32_t buffer, uint32_t subindex, uint32_t logical_device, uint32_t* result_code,
                     uint32_t timeout_ms);
    bool ZelCmdSwitch(uint32_t buffer, uint32_t* result_code);
    bool ZelCmdSwitch(uint32_t buffer, uint32_t* result_code, uint32_t timeout_ms);
    // possible = 1 exactly when the subsystem accepts the switch (the operation succeeds).
    bool ZelCmdCanSwitch(uint32_t from_buffer, uint32_t to_buffer, uint32_t* possible, uint32_t* result_code);
    bool ZelCmdCanSwitch(uint32_t from_buffer, uint32_t to_buffer, uint32_t* possible, uint32_t* result_code,
                         uint32_t timeout_ms);
    // Sets the board clock to the PC's current time.
    bool ZelCmdSetClock(uint32_t* result_code);
    bool ZelCmdSetClock(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdSelectLogLevel(uint32_t level, uint32_t* result_code);
    bool ZelCmdSelectLogLevel(uint32_t level, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdGetLogLevel(uint32_t* level, uint32_t* result_code);
    bool ZelCmdGetLogLevel(uint32_t* level, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdNextLogEntry(uint32_t* result_code);
    bool ZelCmdNextLogEntry(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdStartCalibration(uint32_t calibration, uint32_t* result_code);
    bool ZelCmdStartCalibration(uint32_t calibration, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdStopCalibration(uint32_t calibration, uint32_t* result_code);
    bool ZelCmdStopCalibration(uint32_t calibration, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdStoreCalibration(uint32_t calibration, uint32_t* result_code);
    bool ZelCmdStoreCalibration(uint32_t calibration, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdStartTest(uint32_t test, uint32_t* result_code);
    bool ZelCmdStartTest(uint32_t test, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdStopTest(uint32_t test, uint32_t* result_code);
    bool ZelCmdStopTest(uint32_t test, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdRestoreCalibration(uint32_t* result_code);
    bool ZelCmdRestoreCalibration(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdResetLog(uint32_t* result_code);
    bool ZelCmdResetLog(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdValidateReviewSettings(uint32_t* result_code);
    bool ZelCmdValidateReviewSettings(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdActivateReviewSettings(uint32_t* result_code);
    bool ZelCmdActivateReviewSettings(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdReviewPrevious(uint32_t* result_code);
    bool ZelCmdReviewPrevious(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdReviewNext(uint32_t* result_code);
    bool ZelCmdReviewNext(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdGrabLIH(uint32_t* result_code);
    bool ZelCmdGrabLIH(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdDeleteImage(uint32_t* result_code);
    bool ZelCmdDeleteImage(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdDeleteAllImages(uint32_t* result_code);
    bool ZelCmdDeleteAllImages(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdClearScreen(uint32_t* result_code);
    bool ZelCmdClearScreen(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdImageExport(uint32_t* result_code);
    bool ZelCmdImageExport(uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCmdParkImage(uint32_t* result_code);
    bool ZelCmdParkImage(uint32_t* result_code, uint32_t timeout_ms);

    // ---- Version object 0x2013 ----
    bool ZelVerGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code);
    bool ZelVerGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms);
    // version: the reply values after their first blank (all of them when there is none).
    bool ZelVerGetComponentVersion(uint32_t component, std::string* version, uint32_t* result_code);
    bool ZelVerGetComponentVersion(uint32_t component, std::string* version, uint32_t* result_code,
                                   uint32_t timeout_ms);

    // ---- Calibration object 0x2007 ----
    bool ZelCalGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code);
    bool ZelCalGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms);
    // data: the reply values as one text (a hexadecimal data string).
    bool ZelCalGetCalibrationData(uint32_t index, std::string* data, uint32_t* result_code);
    bool ZelCalGetCalibrationData(uint32_t index, std::string* data, uint32_t* result_code,
                                  uint32_t timeout_ms);
    bool ZelCalSetCalibrationData(uint32_t index, const std::string& data, uint32_t* result_code);
    bool ZelCalSetCalibrationData(uint32_t index, const std::string& data, uint32_t* result_code,
                                  uint32_t timeout_ms);

    // ---- Configuration object 0x2008 ----
    bool ZelCfgGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code);
    bool ZelCfgGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms);
    // 1 = 38 cm, 2 = 31 cm, 3 = 23 cm.
    bool ZelCfgGetIItype(uint32_t* ii_type, uint32_t* result_code);
    bool ZelCfgGetIItype(uint32_t* ii_type, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelCfgGetNrOfReceptorFieldSizes(uint32_t* count, uint32_t* result_code);
    bool ZelCfgGetNrOfReceptorFieldSizes(uint32_t* count, uint32_t* result_code, uint32_t timeout_ms);
    // 16 numbers (0.1 mm); numbers missing from a short reply are 0.
    bool ZelCfgGetReceptorFieldSizes(std::array<uint32_t, 16>* sizes, uint32_t* result_code);
    bool ZelCfgGetReceptorFieldSizes(std::array<uint32_t, 16>* sizes, uint32_t* result_code,
                                     uint32_t timeout_ms);
    bool ZelCfgGetSidOffset(std::array<uint32_t, 16>* offsets, uint32_t* result_code);
    bool ZelCfgGetSidOffset(std::array<uint32_t, 16>* offsets, uint32_t* result_code, uint32_t timeout_ms);

    // ---- Power-on self test object 0x2010 ----
    bool ZelPstGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code);
    bool ZelPstGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelPstGetPowerOnSelfTestResult(uint32_t* post_result, uint32_t* result_code);
    bool ZelPstGetPowerOnSelfTestResult(uint32_t* post_result, uint32_t* result_code, uint32_t timeout_ms);

    // ---- Log object 0x2011 ----
    bool ZelLogGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code);
    bool ZelLogGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelLogGetNrOfAvailableLogEntries(uint32_t* count, uint32_t* result_code);
    bool ZelLogGetNrOfAvailableLogEntries(uint32_t* count, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelLogGetLogEntryDataSize(uint32_t* size, uint32_t* result_code);
    bool ZelLogGetLogEntryDataSize(uint32_t* size, uint32_t* result_code, uint32_t timeout_ms);
    // text: the reply values after their first blank (all of them when there is none).
    bool ZelLogGetLogEntryData(std::string* text, uint32_t* result_code);
    bool ZelLogGetLogEntryData(std::string* text, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelLogGetLogEntryInfo(LogEntryInfo* info, uint32_t* result_code);
    bool ZelLogGetLogEntryInfo(LogEntryInfo* info, uint32_t* result_code, uint32_t timeout_ms);

    // ---- Field service object 0x2809 ----
    bool ZelFSGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code);
    bool ZelFSGetHighestPossibleIndex(uint32_t* highest, uint32_t* result_code, uint32_t timeout_ms);
    // In 0.1 %.
    bool ZelFsGetAverageVideoLevelRelative(uint32_t* level, uint32_t* result_code);
    bool ZelFsGetAverageVideoLevelRelative(uint32_t* level, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelFsGetVideoNoiseValue(uint32_t* noise, uint32_t* result_code);
    bool ZelFsGetVideoNoiseValue(uint32_t* noise, uint32_t* result_code, uint32_t timeout_ms);
    // In bins.
    bool ZelFsGetAverageVideoLevelAbsolute(uint32_t* level, uint32_t* result_code);
    bool ZelFsGetAverageVideoLevelAbsolute(uint32_t* level, uint32_t* result_code, uint32_t timeout_ms);
    bool ZelFsGetAverageVideoLevelAbsoluteProcessed(uint32_t* level, uint32_t* result_code);
    bool ZelFsGetAverageVideoLevelAbsoluteProcessed(uint32_t* level, uint32_t* result_code,
                                                    uint32_t timeout_ms);

    // ---- Validation objects 0x2001 / 0x2801 (logical device 0 / 1) ----
    bool ZelValGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code);
    bool ZelValGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code,
                                       uint32_t timeout_ms);
    bool ZelValGetValidationResultSize(uint32_t logical_device, uint32_t* size, uint32_t* result_code);
    bool ZelValGetValidationResultSize(uint32_t logical_device, uint32_t* size, uint32_t* result_code,
                                       uint32_t timeout_ms);
    // bytes gets exactly size bytes on success; a reply of any other length fails.
    bool ZelValGetErrorBits(uint32_t logical_device, uint32_t buffer, uint32_t size, std::vector<uint8_t>* bytes,
                            uint32_t* result_code);
    bool ZelValGetErrorBits(uint32_t logical_device, uint32_t buffer, uint32_t size, std::vector<uint8_t>* bytes,
                            uint32_t* result_code, uint32_t timeout_ms);

    // ---- Logical-device parameters. logical_device 0 or 1, buffer 0 to 10; a refused input
    // (device, buffer, unknown name, wrong value type) fails without traffic and sets
    // result_code to 0xFFFFFFFF. ----
    bool ZelDevGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code);
    bool ZelDevGetHighestPossibleIndex(uint32_t logical_device, uint32_t* highest, uint32_t* result_code,
                                       uint32_t timeout_ms);
    bool ZelDevSetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, const ParamValue* value,
                      uint32_t* result_code);
    bool ZelDevSetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, const ParamValue* value,
                      uint32_t* result_code, uint32_t timeout_ms);
    bool ZelDevGetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value,
                      uint32_t* result_code);
    bool ZelDevGetReq(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value,
                      uint32_t* result_code, uint32_t timeout_ms);
    bool ZelDevGetAcc(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value,
                      uint32_t* result_code);
    bool ZelDevGetAcc(uint32_t logical_device, uint32_t buffer, const std::string& name, ParamValue* value,
                      uint32_t* result_code, uint32_t timeout_ms);
    bool ZelDevGetMin(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code);
    bool ZelDevGetMin(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code,
                      uint32_t timeout_ms);
    bool ZelDevGetMax(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code);
    bool ZelDevGetMax(uint32_t logical_device, const std::string& name, ParamValue* value, uint32_t* result_code,
                      uint32_t timeout_ms);

    // The parameter table of a logical device (0 or 1); null for any other.
    const CParamTable* ParamTable(uint32_t logical_device) const;

    // Reads every available subsystem log entry into the application log queue (event 1).
    // Runs on the event thread; callable from others for tests and tools.
    void ReadApplicationLog();

private:
    enum class RequestKind { Read, Write };

    // Request machinery.
    int Request(RequestKind kind, const CArgArray& in, CArgArray& out, std::string& result_text,
                uint32_t timeout_ms, bool wait);
    std::string BuildRequestText(RequestKind kind, uint16_t message_id, const CArgArray& in) const;
    // False when a data value of a write (input @2 on) holds a carriage return, a "$", another
    // control character or an 8-bit byte: it would break the frame it travels in.
    static bool WriteValuesAreFrameSafe(const CArgArray& in);
    uint16_t TakeMessageId();
    int SendText(const std::string& text);
    tagPendingCommand* AddPendingCommand(uint16_t message_id);
    void RemovePendingCommand(const tagPendingCommand* record);
    int DcmSend(const std::string& text, bool arguments_ok);

    // Typed-operation helpers: one request, result code, IsRequestOk; value = @5 on success.
    bool TypedRead(uint32_t index, uint32_t subindex, std::string* value, uint32_t* result_code,
                   uint32_t timeout_ms);
    bool TypedWrite(uint32_t index, uint32_t subindex, const std::vector<std::string>& data,
                    std::string* value, uint32_t* result_code, uint32_t timeout_ms);
    bool TypedWriteNumber(uint32_t subindex, uint32_t number, uint32_t* result_code, uint32_t timeout_ms);
    bool ReadNumber(uint32_t index, uint32_t subindex, uint32_t* number, uint32_t* result_code,
                    uint32_t timeout_ms);
    bool ReadTextAfterBlank(uint32_t index, uint32_t subindex, std::string* text, uint32_t* result_code,
                            uint32_t timeout_ms);
    bool ReadHexGroups(uint32_t subindex, std::array<uint32_t, 16>* numbers, uint32_t* result_code,
                       uint32_t timeout_ms);
    // The parameter entry and its buffer object for a ZelDev* operation; null when refused.
    const ParamEntry* LookUpParam(uint32_t logical_device, const std::string& name) const;
    bool DevGet(uint32_t logical_device, uint32_t index, bool accepted, const std::string& name,
                ParamValue* value, uint32_t* result_code, uint32_t timeout_ms);
    void SetLastResultText(const std::string& text);

    // Threads.
    void ReceiveThread();
    void EventThread();
    void DcmThread();
    void HandleMessage(const std::string& message, char first);
    void StartUpCommands();
    bool OpenLink(int attempts, bool tell_engineer);
    bool OpenPortWithRetries(CSerialPort& port, const std::string& name, int attempts);
    void ReportPortFailure();
    void SetFailure(const std::string& text, int error);
    void PostConnection(uintptr_t connected, const std::string& text) const;

    uint16_t* message_number_;
    const LinkOpening opening_;
    // Guards setting and resetting port_ against AbortConnection on another thread; the
    // request path reads port_ only while port_open_ is true, which orders it after the set.
    std::mutex port_handle_lock_;
    std::unique_ptr<CSerialPort> port_;
    std::string port_name_;
    CThread receive_thread_;
    CThread event_thread_;
    CThread dcm_thread_;
    CEvent stop_event_{CEvent::Kind::ManualReset};
    // Ends the receive thread, set only once the event and DCM threads have ended: a send of
    // theirs still waits for its acknowledgement, which only the receive thread takes in.
    CEvent receive_stop_event_{CEvent::Kind::ManualReset};
    CEvent requests_stopped_{CEvent::Kind::ManualReset};
    uint32_t command_timeout_ = 0xFFFFFFFF;
    mutable std::mutex last_result_lock_;
    std::string last_result_text_;
    const bool handle_events_;
    CScriptEngine* engine_;

    std::mutex pending_lock_;
    std::deque<std::unique_ptr<tagPendingCommand>> pending_commands_;
    std::mutex request_lock_;
    // True while the port is open; read without the request lock by IsConnected and
    // ZELSP_GetCommandResult.
    std::atomic<bool> port_open_{false};
    // Set when the board acknowledged a request since the link was opened.
    std::atomic<bool> acknowledged_{false};
    std::atomic<bool> last_reply_timed_out_{false};
    // Used when the owner lends no shared message number.
    uint16_t own_message_number_ = 0;

    std::mutex event_lock_;
    std::deque<uint32_t> event_queue_;
    CEvent event_queued_{CEvent::Kind::AutoReset};
    std::mutex dcm_lock_;
    std::deque<std::string> dcm_queue_;
    CEvent dcm_queued_{CEvent::Kind::AutoReset};

    // Set by AbortConnection until ClearAbort.
    CEvent abort_event_{CEvent::Kind::ManualReset};
    CEvent port_failed_event_{CEvent::Kind::ManualReset};
    mutable std::mutex failure_lock_;
    std::string failure_text_;                   // guarded by failure_lock_
    int failure_error_ = 0;                      // guarded by failure_lock_
    PortFailureFunction port_failure_function_;  // guarded by failure_lock_

    CDev0ParamTable* dev0_table_;
    CDev1ParamTable* dev1_table_;
};
