// zovcli procedure and cal against the simulated board, through the built program: a
// calibration fed by a here-document, a refused command, the end of input, usage mistakes, and
// the calibration backup and restore with their exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "ZovcliRunner.h"
#include "shell/TextSource.h"

namespace {

class ZovcliProcedure : public ::testing::Test {
protected:
    void StartBoard(const std::string& scenario)
    {
        BoardSimOptions options;
        options.scenario_file = folder_.Write("scenario.ini", scenario);
        options.trace_sink = [](const std::string&) {};
        sim_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
    }
    void TearDown() override
    {
        if (sim_) sim_->Stop();
    }

    tagZovcliRun Run(std::vector<std::string> args, const std::string& input = "")
    {
        args.insert(args.begin(), {"--port", sim_->DevicePath(), "--timeout", "8000"});
        return RunZovcliWithInput(args, settings_, folder_.Write("input.txt", input));
    }

    // Whether the board got this request (message ID left out), after the first one at from.
    bool Received(const std::string& request) const
    {
        for (const std::string& message : sim_->ReceivedMessages()) {
            const size_t first = message.find(' ');
            const size_t second = message.find(' ', first + 1);
            if (second != std::string::npos && message.substr(0, first) + message.substr(second) == request) return true;
        }
        return false;
    }

    CTempFolder folder_;
    std::string settings_ = folder_.File("settings.reg");
    std::unique_ptr<CBoardSimulator> sim_;
};

const char kOneFormat[] = "[Subsystem]\nReceptorFieldSizes=380\n";

TEST_F(ZovcliProcedure, ListNamesEveryCalibrationByKey)
{
    const tagZovcliRun run = RunZovcli({"procedure", "list"}, settings_);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("\n", 0) + 1), "ii-focus               II-focus calibration\n");
    for (const char* line : {"camera-head            Camera head centring and horizon\n",
                             "ii-diameter            II-Diameter\n", "dose-abc               Dose/Doserate (ABC signal)\n",
                             "dose-aec               Dose/Doserate (AEC signal)\n"}) {
        EXPECT_NE(run.out.find(line), std::string::npos) << line;
    }
}

TEST_F(ZovcliProcedure, IIFocusFedByAHereDocumentReachesFinished)
{
    StartBoard(kOneFormat);
    // START, ANNOUNCE, STARTCAL, STOPCAL, STORECAL: five presses of the Start button.
    const tagZovcliRun run = Run({"procedure", "run", "ii-focus"}, "\n\n\n\n\n");
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("II-focus calibration\n\n", 0), 0u) << run.out;
    const CTextSource texts(CTextSource::Acquire()->Path());
    std::string finished = texts.GetText("II-Focus", "I_FINISHED");
    finished.erase(std::remove(finished.begin(), finished.end(), '\r'), finished.end());
    EXPECT_NE(run.out.find(finished + "\n" + texts.GetText("II-Focus", "A_FINISHED") + "\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Next II format: 38.0 mm."), std::string::npos);
    EXPECT_NE(run.out.find("Calibrated II-formats: 38.0 mm \n"), std::string::npos);
    EXPECT_EQ(run.out.find("FAILED"), std::string::npos);
    // Prompts stay on stderr.
    EXPECT_EQ(run.out.find("x = Exit"), std::string::npos);
    EXPECT_NE(run.err.find("Enter = Start Calibration"), std::string::npos) << run.err;
    EXPECT_TRUE(Received("w 0x2000 0x12 1"));
}

TEST_F(ZovcliProcedure, ARefusedCommandPrintsTheFailureWithItsDetailsAndExits1)
{
    StartBoard(std::string(kOneFormat) + "[Results]\nResult1=0x2000, 16, 0x08000022, 101\n");
    const tagZovcliRun run = Run({"procedure", "run", "ii-focus"}, "\n\n\n\n\n");
    EXPECT_EQ(run.exit_status, 1) << run.err;
    EXPECT_NE(run.out.find("Calibration FAILED\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Starting sub-calibration 101 failed. (ZEL result: 0x08000022)\n"), std::string::npos)
        << run.out;
}

TEST_F(ZovcliProcedure, TheEndOfInputLeavesAndTheRestoreSequenceRuns)
{
    StartBoard(kOneFormat);
    const tagZovcliRun run = Run({"procedure", "run", "camera-head", "--external"}, "\n");
    EXPECT_EQ(run.exit_status, 1) << run.err;
    EXPECT_TRUE(Received("w 0x201f 0x1c 0"));
    EXPECT_TRUE(Received("w 0x201f 0x1e 0"));
    const std::vector<std::string> messages = sim_->ReceivedMessages();
    ASSERT_FALSE(messages.empty());
    // The last thing the board heard is the restore sequence's last unset.
    EXPECT_NE(messages.back().find("0x2000 0x07 0xff2c01"), std::string::npos) << messages.back();
}

TEST_F(ZovcliProcedure, TheDoserateEntryTakesALineAndTheQuestionAnOption)
{
    StartBoard(kOneFormat);
    const tagZovcliRun run = Run({"procedure", "run", "dose-abc", "--no"}, "\n\n250\n");
    EXPECT_EQ(run.exit_status, 1) << run.err;
    EXPECT_NE(run.err.find("Doserate not close to 400 nG/s. Do you still want to continue? [no]"), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("Calibration FAILED"), std::string::npos);
}

TEST_F(ZovcliProcedure, UsageMistakesExit2WithoutTouchingTheBoard)
{
    StartBoard(kOneFormat);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"procedure"}, {"procedure", "run"}, {"procedure", "run", "no-such"},
          {"procedure", "run", "ii-focus", "--sideways"}, {"cal"}, {"cal", "backup"}, {"cal", "copy", "x.cal"}}) {
        const tagZovcliRun run = Run(args);
        EXPECT_EQ(run.exit_status, 2) << args.back();
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_TRUE(sim_->ReceivedMessages().empty());
}

TEST_F(ZovcliProcedure, CalBackupThenRestore)
{
    StartBoard("[Calibration]\nRecords=2\nRecord1=0x0101abcd\nRecord2=0x0201\n");
    const std::string path = folder_.File("unit 7.cal");
    tagZovcliRun run = Run({"cal", "backup", path});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out, "Calibration data saved.\n");
    EXPECT_EQ(ReadFileText(path), "Nemra Calibration file.\r\n2\r\n0x0101abcd\r\n0x0201\r\n");
    run = Run({"cal", "restore", path});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out, "Calibration data restored.\n");
    EXPECT_TRUE(Received("w 0x2007 0x01 0x0101abcd"));
    EXPECT_TRUE(Received("w 0x2000 0x18"));
}

TEST_F(ZovcliProcedure, CalFailuresSayWhatAndExitWithTheirStatus)
{
    StartBoard("[Calibration]\nRecords=2\n[Results]\nResult1=0x2007, 2, 0x06070010\n");
    tagZovcliRun run = Run({"cal", "backup", folder_.File("no/such/folder.cal")});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_NE(run.err.find("could not be created"), std::string::npos) << run.err;
    run = Run({"cal", "restore", folder_.File("missing.cal")});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_NE(run.err.find("missing.cal\" could not be opened: no such file or directory."), std::string::npos)
        << run.err;
    EXPECT_TRUE(sim_->ReceivedMessages().empty());

    const std::string good = folder_.Write("good.cal", "old content");
    run = Run({"cal", "backup", good});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.err.find("Calibration data could not be retrieved."), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileText(good), "old content");
    run = Run({"cal", "restore", folder_.Write("two.cal", "Nemra Calibration file.\n2\n0x01\n0x02\n")});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.err.find("Failed to restore calibration."), std::string::npos) << run.err;
    EXPECT_FALSE(Received("w 0x2000 0x18"));
}

}  // namespace
