// The tests hub's logic: the four tests behind their buttons, available only after a power-on
// self test read that passed; the self test result box; the sensor timing the tests use
// (internal each time a hub is made) and the Prepare flag from the settings.
//
// The reads run wherever the caller runs them (the window uses a worker, so they never block it);
// the state changes (Apply...) belong to the hub owner's thread.
#pragma once

#include <array>
#include <string>

#include "platform/Prompt.h"
#include "procedures/PowerOnSelfTest.h"
#include "procedures/Procedure.h"

class CSerialCommHandler;

inline constexpr size_t kTestCount = 4;

struct tagTestButton {
    const char* key;      // the procedure's catalog key
    const char* caption;  // the hub's button
};

// Video path, average video level, doserate link, cosmetic check.
const std::array<tagTestButton, kTestCount>& TestButtons();

// What the result button shows: the text and the box's icon.
struct tagPostBox {
    std::string text;
    PromptIcon icon = PromptIcon::Information;
};

class CTestHub {
public:
    // Reads "Prepare by ZOV tool"; the timing starts internal; the tests wait for the first
    // self test read.
    CTestHub();

    // What the hub does once its handler has connected: ZelCmdStartApplication (its result is
    // not used), then the self test read. Blocks the calling thread for two requests.
    static tagPowerOnSelfTest StartUp(CSerialCommHandler& handler);
    // The start-up read decides: the tests are available only when it succeeded with 0; else
    // they are disabled and "POWER ON SELF TEST ERROR" is shown.
    void ApplyStartUp(const tagPowerOnSelfTest& post);
    // The result button's read (ReadPowerOnSelfTest) decides the box, and a read that succeeded
    // with 0 makes the tests available again (the error was cleared in the subsystem); nothing
    // else changes.
    tagPostBox ApplyResultButton(const tagPowerOnSelfTest& post);

    bool TestsEnabled() const { return tests_enabled_; }
    bool SelfTestErrorShown() const { return self_test_error_; }

    // "Internal (25 fps)" / "External".
    void SetInternalTiming(bool internal) { internal_timing_ = internal; }
    bool InternalTiming() const { return internal_timing_; }
    bool PrepareFlag() const { return prepare_; }
    // What a test dialog is made with (the doserate link test does not prepare whatever it says).
    tagProcedureSettings ProcedureSettings() const { return {prepare_, internal_timing_}; }

private:
    const bool prepare_;
    bool internal_timing_ = true;
    bool tests_enabled_ = false;
    bool self_test_error_ = false;
};
