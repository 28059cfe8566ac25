// The window side of a guided procedure, as the procedure sees it: texts and captions of named
// controls, showing, hiding, enabling and checking them, the text the engineer typed into an
// entry, a yes/no question, a message box, and the pauses before timed sub-calibrations. The Qt
// procedure dialogs, zovcli's terminal and the tests each implement it, so one state machine
// serves all three.
//
// Threads: a procedure calls its view from the thread that runs its step (the window runs steps
// on a worker so that it never freezes) and, in a procedure with a polling thread, from that
// thread too. Every implementation must take calls on any thread; those that wait for the
// engineer (AskYesNo, ShowMessage) and Sleep block the calling thread only.
#pragma once

#include <cstdint>
#include <string>

// The controls every procedure dialog has, and those that several share. A procedure with
// controls of its own names them in its header.
namespace ProcedureControl {
inline constexpr char kStart[] = "start";              // the Start button; its text is the caption
inline constexpr char kExit[] = "exit";                // "E&xit"
inline constexpr char kDetails[] = "details";          // "Show Details..."
inline constexpr char kInstruction[] = "instruction";  // the text in the "Instructions" group
inline constexpr char kAction[] = "action";            // the text in the "Action" group
inline constexpr char kStatus[] = "status";            // the status line (large font, red on failure)
inline constexpr char kInternal[] = "internal";        // timing radio button "Internal"
inline constexpr char kExternal[] = "external";        // timing radio button "External"
inline constexpr char kFormats[] = "formats";          // the calibrated II formats line
inline constexpr char kDoserateInfo[] = "doserate-info";    // II-Focus: the requested doserate line
inline constexpr char kDoserateEntry[] = "doserate-entry";  // the measured doserate, with label and unit
}  // namespace ProcedureControl

class IProcedureView {
public:
    virtual ~IProcedureView() = default;

    // The text of a control changed: a button's caption, a line's or a group's text. Line
    // breaks are "\r\n".
    virtual void SetText(const std::string& control, const std::string& text) = 0;
    // The text colour of a control: red (a failed run's status line) or the normal colour.
    virtual void SetTextRed(const std::string& control, bool red) = 0;
    virtual void Show(const std::string& control, bool shown) = 0;
    virtual void Enable(const std::string& control, bool enabled) = 0;
    // Checks or unchecks a radio button.
    virtual void Check(const std::string& control, bool checked) = 0;
    // What the engineer typed into an entry (the doserate entry); "" for an unknown control.
    virtual std::string EntryText(const std::string& control) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // A plain message box (OK button, no icon), shown until the engineer has read it.
    virtual void ShowMessage(const std::string& text) = 0;
    // The pause before a timed sub-calibration. The window ends it early when the engineer
    // leaves; tests make it cost nothing.
    virtual void Sleep(uint32_t ms) = 0;
};
