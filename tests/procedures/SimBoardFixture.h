// The fixture of the procedure tests against the simulated board: a private settings file, the
// board on a pseudo-terminal with a scenario and a state file of our choosing, a recording prompt
// and notification sink, and a connected command handler.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "handler/SerialCommHandler.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"

class SimBoardTest : public ::testing::Test {
protected:
    ~SimBoardTest() override;

    // Starts the board with the scenario and state texts (empty: defaults) and connects the
    // handler, with events handled as a hub's handler does.
    void StartBoard(const std::string& scenario = "", const std::string& state = "");
    CSerialCommHandler& Handler() { return *handler_; }

    // The read and write requests the board received since the handler connected, without their
    // message IDs ("r 0x2020 0x02"), in order.
    std::vector<std::string> Requests() const;
    // Forgets the requests so far.
    void ClearRequests();

    CScopedSettingsFile settings_;
    CTempFolder folder_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    uint16_t message_number_ = 0x0300;
    std::unique_ptr<CBoardSimulator> sim_;
    std::unique_ptr<CSerialCommHandler> handler_;
    size_t requests_seen_ = 0;
};

// text split at its "\r\n" line ends (a last piece without one is a line too).
std::vector<std::string> CrLfLines(const std::string& text);
