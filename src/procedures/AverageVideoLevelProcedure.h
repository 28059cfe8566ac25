// The average video level test: subsystem test 11 (level relative to the target, in 0.1 %) or
// 16 (absolute level, in bins) runs while a polling thread reads the level every 100 ms and shows
// it, so the engineer can adjust the video chain against a live number; the next press stops the
// polling and the test. The mode is chosen with two radio buttons before the run and cannot change
// while it runs.
//
// Threads: the presses run on one thread at a time (as every procedure's); the polling thread
// calls the view's SetText for the level and the level function. Close and the destructor stop
// and join every polling thread before the procedure's state goes.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "procedures/Procedure.h"

namespace AverageVideoLevelControl {
inline constexpr char kRelative[] = "relative";        // radio "Relative to target (%)"
inline constexpr char kAbsolute[] = "absolute";        // radio "Absolute (bins)"
inline constexpr char kLevelLabel[] = "level-label";  // "Average Video Level:"
inline constexpr char kLevelValue[] = "level-value";  // the level; "???" until the first read
inline constexpr char kLevelNote[] = "level-note";    // "Note: Level includes the video offset."
}  // namespace AverageVideoLevelControl

inline constexpr char kLevelLabelText[] = "Average Video Level:";
inline constexpr char kLevelNoteText[] = "Note: Level includes the video offset.";

class CAverageVideoLevelProcedure : public CProcedure {
public:
    // Called on the polling thread with every level read: the value as the subsystem sent it
    // (0.1 % of the target when relative, else bins).
    using LevelFunction = std::function<void(uint32_t value, bool relative)>;

    static constexpr uint32_t kRelativeTest = 11;
    static constexpr uint32_t kAbsoluteTest = 16;
    static constexpr uint32_t kPollIntervalMs = 100;
    // How long the DOTEST step waits for the polling thread before it goes on without it, and
    // how long closing waits before it waits for the thread's current read to end.
    static constexpr uint32_t kStopWaitMs = 20000;
    static constexpr uint32_t kCloseWaitMs = 2000;

    static const tagProcedureDescription& Describe();
    // "%0.1f %%" of value / 10.0 in relative mode ("50.3 %"), "%d bins" in absolute mode.
    static std::string LevelText(uint32_t value, bool relative);

    CAverageVideoLevelProcedure(CSerialCommHandler& handler, IProcedureView& view,
                                const tagProcedureSettings& settings, std::shared_ptr<const CTextSource> texts = nullptr);
    ~CAverageVideoLevelProcedure() override;

    // The mode radio buttons; ignored while the test runs.
    bool PressControl(const std::string& control) override;
    // Stops the polling, then runs the restore sequence.
    void Close() override;

    // Receives every level read from now on; set it before the START step.
    void SetLevelFunction(LevelFunction function);
    bool Relative() const { return relative_; }
    // True while a polling thread runs for the current run.
    bool Polling() const;

protected:
    void OnOpen() override;
    void OnFailure() override;

private:
    struct tagPoller {
        CEvent stop{CEvent::Kind::ManualReset};
        bool relative = true;
        CThread thread;
    };

    void StepStart();
    void StepDoTest();
    void StartPolling();
    // Signals the polling thread and waits up to wait_ms for it; one that does not end in time
    // is kept aside until Close joins it.
    void StopPolling(uint32_t wait_ms);
    void StopAllPolling();
    void Poll(tagPoller& poller);
    void ShowMode(bool enabled);
    void ShowLevel(bool shown);

    std::atomic<bool> relative_{true};
    bool mode_radios_enabled_ = true;
    uint32_t test_ = kRelativeTest;
    LevelFunction level_function_;
    std::unique_ptr<tagPoller> poller_;
    std::vector<std::unique_ptr<tagPoller>> lingering_;
};
