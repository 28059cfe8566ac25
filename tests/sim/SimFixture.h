// A running simulated board and a raw line to it, for the tests of this folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "BoardSimulator.h"
#include "RawLine.h"

class SimFixture : public ::testing::Test {
protected:
    // Starts the board with the given options (trace lines are kept in trace_).
    void StartBoard(BoardSimOptions options = {})
    {
        options.verbose = true;
        options.trace_sink = [this](const std::string& line) {
            std::lock_guard<std::mutex> lock(trace_lock_);
            trace_ += line + "\n";
        };
        board_ = std::make_unique<CBoardSimulator>(std::move(options));
        std::string error;
        ASSERT_TRUE(board_->Start(&error)) << error;
        line_ = std::make_unique<CRawLine>(board_->DevicePath());
        ASSERT_TRUE(line_->Ok());
    }

    void TearDown() override
    {
        line_.reset();
        if (board_) {
            board_->Stop();
        }
    }

    std::string Trace()
    {
        std::lock_guard<std::mutex> lock(trace_lock_);
        return trace_;
    }

    std::unique_ptr<CBoardSimulator> board_;
    std::unique_ptr<CRawLine> line_;
    std::mutex trace_lock_;
    std::string trace_;
};
