// A guided procedure (calibration or test) as a state machine: every state shows an instruction
// text (what the engineer does at the equipment) and an action text (what the Start button does
// next), both from the strings file; the Start button runs the state's step, a fixed sequence of
// subsystem commands; the first failing command ends the run, which goes back to "START" with a
// red "... FAILED" status line and offers "Show Details...".
//
// CProcedure is the skeleton all procedures share: the state table and its texts, the frame of
// one step, the field-service setup (the Involved flags and the sensor timing), II format
// discovery, the image-processing presets with their tolerated result codes, the restore
// sequence that puts the Field Service buffer back, the failure routine and the exit result.
// Each procedure derives from it, lists its states with their steps and its restore table, and
// writes its steps as lists of commands.
//
// A procedure talks to its window only through IProcedureView, so the same machine runs in the
// Qt dialogs, in zovcli and in the tests. Every press runs on the caller's thread and blocks it
// while the handler waits for the subsystem: the window calls them on a worker and ends a wait
// with CSerialCommHandler::StopRequests. Presses must not overlap (one thread at a time).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "procedures/ImagePresets.h"
#include "procedures/ProcedureView.h"

class CSerialCommHandler;
class CTextSource;

// Results of a procedure dialog.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

inline constexpr char kPleaseWait[] = "Please wait...";
inline constexpr char kCalibratingPleaseWait[] = "Calibrating. Please wait...";
inline constexpr char kCaptionContinue[] = "Continue";
inline constexpr char kCaptionStartCalibration[] = "Start Calibration";
inline constexpr char kCaptionStartTest[] = "Start Test";
inline constexpr char kCalibrationFailed[] = "Calibration FAILED";
inline constexpr char kTestFailed[] = "Test FAILED";
// The Involved messages of the common first command.
inline constexpr char kInvolvedMessageCalibrations[] =
    "Failed to set Fieldservice Buffer \"Involved\" flag for ID device.";
inline constexpr char kInvolvedMessageTests[] = "Failed to set field service buffer \"Involved\" flag.";
inline constexpr char kInvolvedMessageAverageVideoLevel[] = "Failed to set field service buffer LD0\"Involved\" flag.";

// The buffers the procedures use.
inline constexpr uint32_t kFieldServiceBuffer = 9;
inline constexpr uint32_t kProcedureBuffer = 1;  // handed to Prepare, Unprepare, Validate, ActivateSettings

enum class ProcedureKind { kCalibration, kTest };

// What the hub hands to a procedure.
struct tagProcedureSettings {
    bool prepare = false;         // "Prepare by ZOV tool": the tool switches fluoroscopy on and off
    bool internal_timing = true;  // sensor timing: internal (40 ms) or external
};

// One command of the restore sequence's second part: stop what the procedure may have started.
struct tagRestoreStop {
    enum class Kind { kStopCalibration, kStopTest, kUnprepareIfPrepared } kind;
    uint32_t number;  // calibration or test number; unused for Unprepare (buffer 1)
};

// A parameter the restore sequence unsets in the Field Service buffer.
struct tagUnsetParameter {
    uint32_t logical_device;
    const char* name;
};

// What tells the procedures apart, besides their steps.
struct tagProcedureDescription {
    const char* title;    // the dialog's title, such as "II-focus calibration"
    const char* section;  // its section in the strings file
    ProcedureKind kind = ProcedureKind::kCalibration;
    const char* first_start_caption = kCaptionContinue;  // the Start caption in state 1 after opening
    const char* involved_message = kInvolvedMessageCalibrations;
    bool sets_sensor_timing = false;
    // The presets column the procedure writes (only with the image-processing flag); none for
    // procedures without presets, which also do not ask for the flag.
    std::optional<PresetColumn> presets;
    std::vector<tagRestoreStop> restore_stops;
    std::vector<tagUnsetParameter> restore_unsets;  // the presets follow when they were written
};

class CProcedure {
public:
    // handler and view must outlive the procedure; texts null: the shared strings file. No
    // traffic: Open asks the subsystem what the procedure needs to know.
    CProcedure(CSerialCommHandler& handler, IProcedureView& view, const tagProcedureSettings& settings,
               tagProcedureDescription description, std::shared_ptr<const CTextSource> texts = nullptr);
    // Runs the restore sequence unless Close already did (this talks to the subsystem).
    virtual ~CProcedure();
    CProcedure(const CProcedure&) = delete;
    CProcedure& operator=(const CProcedure&) = delete;

    // Opens the dialog: asks for the image-processing flag (procedures with presets), shows the
    // texts of state 1, hides "Show Details...", sets the Start caption, and lets the procedure
    // show its own controls (OnOpen). Once, before any press.
    void Open();
    // The Start button: runs the step of the current state (nothing in a state without one).
    void PressStart();
    // A control of the procedure's own (timing radio buttons, step buttons, ...). False when the
    // procedure has no such control.
    virtual bool PressControl(const std::string& control);
    // "Show Details...": the detail text and the result code in a message box.
    void PressDetails();
    // "E&xit": kIdOk when a calibration has reached its completed point, else kIdCancel; tests
    // always kIdOk. The dialog ends after this; Close follows.
    virtual int PressExit();
    // What the dialog does when it is destroyed: the restore sequence, once (later calls and the
    // destructor do nothing). A procedure with threads of its own stops them first.
    virtual void Close();

    const tagProcedureDescription& Description() const { return description_; }
    // The current state, 1-based, and its name.
    uint32_t State() const { return state_; }
    std::string StateName() const;
    uint32_t StateCount() const { return static_cast<uint32_t>(states_.size()); }
    bool IsFinished() const { return state_ == states_.size(); }
    bool Completed() const { return completed_; }
    bool ImageProcessing() const { return image_processing_; }
    bool InternalTiming() const { return internal_timing_; }
    const std::string& InstructionText() const { return instruction_; }
    const std::string& ActionText() const { return action_; }
    const std::string& DetailText() const { return detail_; }
    uint32_t ResultCode() const { return result_code_; }
    // What "Show Details..." shows: "%s (ZEL result: 0x%08x)" of the detail text and the code.
    std::string DetailsMessage() const;

protected:
    // One row of the state table: the state's name and the step its Start button runs (none in
    // FINISHED). State 1 is "START", the last is "FINISHED".
    struct tagState {
        const char* name;
        std::function<void()> step;
    };
    void DefineStates(std::vector<tagState> states);
    // The number of a state by name; 0 when the table has none.
    uint32_t StateNumber(const char* name) const;

    // ---- The frame of a step ----
    struct tagFrame {
        const char* action = kPleaseWait;
        bool reset_status = true;       // hide "Show Details..." and clear the status line
        bool clear_instruction = true;  // clear the instruction and the detail text
    };
    // Begins a step: the frame, the result code 0, the Start button disabled.
    void BeginStep(const tagFrame& frame);
    void BeginStep() { BeginStep(tagFrame{}); }
    // Begins a step that shows no frame: the result code is kept and nothing is cleared.
    void BeginStepWithoutFrame();
    // Ends a step: on success the next state with its texts and the Start caption (hidden in
    // FINISHED), otherwise the failure routine; then the Start button is enabled again unless
    // keep_start_disabled.
    void EndStep(const char* next_state, bool keep_start_disabled = false);
    // Ends a step that stays in its state (step buttons): only the failure routine on failure.
    void EndStepInPlace();
    // True while no command of the step has failed.
    bool Ok() const { return step_ok_; }
    // Fails the step without a command (an answered question); the detail text is kept.
    void FailStep() { step_ok_ = false; }

    // ---- Commands: each runs only while the step is Ok; a failure records message ----
    bool Run(const std::string& message, const std::function<bool(uint32_t* result_code)>& command);
    // Runs command whatever happened before and ignores its result (the code is still kept).
    void RunIgnoringResult(const std::function<bool(uint32_t* result_code)>& command);
    bool SetRequested(uint32_t logical_device, const char* name, const ParamValue& value, const std::string& message);
    bool Prepare();                 // "Prepare failed."
    bool Unprepare();               // "Unprepare failed."
    bool ActivateSettings();        // "ActivateSettings failed."
    bool PrepareOrActivate();       // Prepare with the Prepare flag, else ActivateSettings
    bool StartCalibration(uint32_t number, const std::string& message);
    bool StopCalibration(uint32_t number, const std::string& message);
    bool StoreCalibration(uint32_t number, const std::string& message);
    bool StartTest(uint32_t number, const std::string& message);
    bool StopTest(uint32_t number, const std::string& message);

    // ---- Shared sequences ----
    // The restore sequence: start application, the stops, the unsets (the presets only with
    // the image-processing flag). Every result is ignored.
    void RunRestoreSequence();
    // The Involved flags of both devices, then the sensor timing where the procedure sets it.
    void FieldServiceSetup();
    // Asks for the II formats; fills FormatCount and Formats. Fails the step when the number is
    // 0 or above 16.
    bool DiscoverFormats();
    // The greatest of the discovered formats (0.1 mm).
    uint32_t LargestFormat() const;
    // Writes "SelectedReceptorFieldSize" with the II format selection message.
    bool SelectFormat(uint32_t size);
    // The presets of the procedure's column, only with the image-processing flag.
    void RunPresets();

    uint32_t FormatCount() const { return format_count_; }
    const std::array<uint32_t, 16>& Formats() const { return formats_; }

    // ---- Texts and controls ----
    // The instruction text of a state, from its looked-up text (the procedures whose texts take
    // values fill them in here).
    virtual std::string InstructionFor(const std::string& state, const std::string& looked_up) const;
    // Reloads both texts of the current state.
    void LoadStateTexts();
    void SetInstruction(const std::string& text);
    void SetAction(const std::string& text);
    void SetDetail(const std::string& text) { detail_ = text; }
    void SetStatus(const std::string& text);
    void SetStartCaption(const std::string& caption);
    void SetState(uint32_t state);
    void SetCompleted() { completed_ = true; }
    void SetInternalTiming(bool internal) { internal_timing_ = internal; }
    bool PrepareFlag() const { return settings_.prepare; }
    // Extras of the procedure: shown when the dialog opens, and run by the failure routine.
    virtual void OnOpen() {}
    virtual void OnFailure() {}

    CSerialCommHandler& handler_;
    IProcedureView& view_;

private:
    void FailureRoutine();
    void UnsetParameter(uint32_t logical_device, const char* name);

    const tagProcedureSettings settings_;
    const tagProcedureDescription description_;
    std::shared_ptr<const CTextSource> texts_;
    std::vector<tagState> states_;
    // Held for the procedure's lifetime, as every user of the shared tables does.
    struct CParamTablesRef;
    std::unique_ptr<CParamTablesRef> tables_;

    uint32_t state_ = 1;
    std::string instruction_;
    std::string action_;
    std::string detail_ = "<none>";
    uint32_t result_code_ = 0xFFFFFFFF;
    bool image_processing_ = false;
    bool internal_timing_ = true;
    bool completed_ = false;
    bool step_ok_ = true;
    bool closed_ = false;

    uint32_t format_count_ = 0;
    std::array<uint32_t, 16> formats_{};
};

// "%d.%01d" of a receptor field size in 0.1 mm: 2300 gives "230.0".
std::string FormatSizeText(uint32_t size);
