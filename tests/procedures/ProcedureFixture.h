// The fixture of the procedure tests: the simulated board in-process (with a scenario), a
// command handler on it with a private settings file, a recording procedure view, and the
// requests the board received, without their message IDs, to compare whole wire sequences.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BoardSimulator.h"
#include "RecordingProcedureView.h"
#include "TestSupport.h"
#include "handler/SerialCommHandler.h"
#include "platform/Prompt.h"
#include "procedures/Procedure.h"

class ProcedureTest : public ::testing::Test {
protected:
    ProcedureTest();
    ~ProcedureTest() override;

    // Starts the board with a scenario (ini text; empty: a healthy 38 cm system with three II
    // formats) and connects the handler.
    void StartBoard(const std::string& scenario = "");
    CSerialCommHandler& Handler() { return *handler_; }
    CBoardSimulator& Board() { return *sim_; }

    // The requests ("r ..." and "w ...", without message IDs) since the last Mark.
    std::vector<std::string> RequestsSinceMark() const;
    void Mark();

    // A procedure of type T on the handler and the view; opened unless told not to.
    template <typename T>
    std::unique_ptr<T> Make(const tagProcedureSettings& settings = {}, bool open = true)
    {
        auto procedure = std::make_unique<T>(*handler_, view_, settings);
        if (open) procedure->Open();
        return procedure;
    }

    // Presses Start until the procedure reaches the named state (at most 60 presses); false
    // when a press leaves the state unchanged or the run fails.
    bool PressUntil(CProcedure& procedure, const std::string& state);

    CScopedSettingsFile settings_;
    CTempFolder folder_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    CRecordingProcedureView view_;
    uint16_t message_number_ = 0x0300;
    std::unique_ptr<CBoardSimulator> sim_;
    std::unique_ptr<CSerialCommHandler> handler_;
    size_t mark_ = 0;
};

// Wire texts, for readable expectations.
// A write of a Field Service parameter: "w 0x201f 0x02 1".
std::string SetText(uint32_t logical_device, const std::string& name, const std::string& value);
// The unset of a Field Service parameter: "w 0x2000 0x07 0xff0200".
std::string UnsetText(uint32_t logical_device, const std::string& name);
// A command with a number: "w 0x2000 0x10 101"; without a number: "w 0x2000 0x01".
std::string CommandText(uint32_t subindex, int number = -1);
// Command subindexes by name.
enum : uint32_t {
    kStartApplication = 1,
    kValidate = 2,
    kActivate = 3,
    kPrepare = 4,
    kUnprepare = 5,
    kStartCalibration = 16,
    kStopCalibration = 17,
    kStoreCalibration = 18,
    kStartTest = 22,
    kStopTest = 23,
};

// The calibration the simulated subsystem works with (what it took over last).
std::vector<std::string> BoardCalibration(const CBoardSimulator& board);

// Appends b to a.
void Append(std::vector<std::string>& a, const std::vector<std::string>& b);
