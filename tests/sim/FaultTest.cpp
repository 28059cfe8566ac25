// Faults on demand: each runtime fault once, seen as raw bytes on the line, and the repeatable
// choice of strikes by rate and seed.
#include <gtest/gtest.h>

#include <chrono>

#include "SimFixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

class FaultTest : public SimFixture {
protected:
    void StartWithFault(const char* setting, uint32_t reply_delay_ms = 3000)
    {
        BoardSimOptions options;
        std::string error;
        ASSERT_TRUE(options.faults.Parse(setting, &error)) << error;
        options.faults.reply_delay_ms = reply_delay_ms;
        options.faults.result_code = 0x0a0b0c0d;
        StartBoard(options);
    }
    const std::string request_ = RawFrame(0x01, 'D', "r 0x0001 0x2000 0x00");
    const std::string ack_ = RawFrame(0x01, 'A', "");
    const std::string reply_ = RawFrame(0x01, 'D', "c 0x0001 0x00 0x24");
};

TEST_F(FaultTest, CorruptedAcknowledgementKeepsItsShapeButNotItsChecksum)
{
    StartWithFault("corrupt=1x");
    line_->Write(request_);
    const std::string first = line_->ReadFrame(2000);
    ASSERT_EQ(first.size(), ack_.size());
    EXPECT_EQ(first.substr(0, 4), ack_.substr(0, 4));
    EXPECT_NE(first, ack_);
    EXPECT_EQ(line_->ReadFrame(2000), reply_);
}

TEST_F(FaultTest, DroppedAcknowledgement)
{
    StartWithFault("drop=1x");
    line_->Write(request_);
    EXPECT_EQ(line_->ReadFrame(2000), reply_);
}

TEST_F(FaultTest, RefusedFrameIsTakenWhenSentAgain)
{
    StartWithFault("refuse=1x");
    line_->Write(request_);
    EXPECT_EQ(line_->ReadQuiet(300), RawFrame(0x01, 'N', ""));
    EXPECT_TRUE(board_->ReceivedMessages().empty());
    line_->Write(request_);
    EXPECT_EQ(line_->ReadFrame(2000), ack_);
    EXPECT_EQ(line_->ReadFrame(2000), reply_);
}

TEST_F(FaultTest, DuplicatedDataFrame)
{
    StartWithFault("duplicate=1x");
    line_->Write(request_);
    EXPECT_EQ(line_->ReadFrame(2000), ack_);
    EXPECT_EQ(line_->ReadFrame(2000), reply_);
    EXPECT_EQ(line_->ReadFrame(300), reply_) << "the same frame again at once";
}

TEST_F(FaultTest, NoiseBeforeAFrame)
{
    StartWithFault("noise=1x");
    line_->Write(request_);
    const std::string got = line_->Read(ack_.size() + 5, 600);
    const size_t start = got.find('$');
    ASSERT_NE(start, std::string::npos) << got;
    EXPECT_GE(start, 1u);
    EXPECT_LE(start, 4u);
    for (size_t i = 0; i < start; ++i) {
        EXPECT_TRUE(got[i] >= 'a' && got[i] <= 'z') << got;
    }
    EXPECT_EQ(got.substr(start, ack_.size()), ack_);
}

TEST_F(FaultTest, FrameSplitByALongGap)
{
    StartWithFault("split=1x");
    line_->Write(request_);
    const std::string first = line_->Read(ack_.size(), 150);
    ASSERT_LT(first.size(), ack_.size()) << "the whole frame came at once";
    const auto cut = Clock::now();
    const std::string rest = line_->Read(ack_.size() - first.size(), 2000);
    EXPECT_GE(MsSince(cut), 100.0);
    EXPECT_EQ(first + rest, ack_);
}

TEST_F(FaultTest, DelayedReply)
{
    StartWithFault("delay=1x", 800);
    line_->Write(request_);
    EXPECT_EQ(line_->ReadFrame(2000), ack_);
    const auto acked = Clock::now();
    // The question after link-up is not held back; the reply follows it, late.
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'D', "ds whoami"));
    line_->Write(RawFrame(0x01, 'A', ""));
    EXPECT_EQ(line_->ReadFrame(3000), RawFrame(0x02, 'D', "c 0x0001 0x00 0x24"));
    EXPECT_GE(MsSince(acked), 700.0);
}

TEST_F(FaultTest, LostReplyAndChosenResultCode)
{
    StartWithFault("lose=1x");
    line_->Write(request_);
    EXPECT_EQ(line_->ReadFrame(2000), ack_);
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'D', "ds whoami"));
    line_->Write(RawFrame(0x01, 'A', ""));
    EXPECT_EQ(line_->ReadFrame(600), "") << "the reply never comes";
    line_->NextNumber();  // frame 01 was the request above
    EXPECT_EQ(line_->Request("r 0x0002 0x2000 0x00"), "c 0x0002 0x00 0x24");
    line_.reset();
    board_->Stop();
    StartWithFault("result=1x");
    EXPECT_EQ(line_->Request("r 0x0003 0x2000 0x00"), "c 0x0003 0x0a0b0c0d");
    EXPECT_EQ(line_->Request("r 0x0004 0x2000 0x00"), "c 0x0004 0x00 0x24");
}

TEST(FaultPlanTest, StrikesRepeatWithTheSeedAndCountsStrikeExactly)
{
    auto pattern = [](uint32_t seed, const char* setting) {
        FaultSettings settings;
        std::string error;
        EXPECT_TRUE(settings.Parse(setting, &error)) << error;
        settings.seed = seed;
        CFaultPlan plan(settings);
        std::string strikes;
        for (int i = 0; i < 200; ++i) {
            strikes += plan.Strike(SimFault::CorruptFrame) ? '1' : '0';
        }
        return strikes;
    };
    EXPECT_EQ(pattern(7, "corrupt=0.3"), pattern(7, "corrupt=0.3"));
    EXPECT_NE(pattern(7, "corrupt=0.3"), pattern(8, "corrupt=0.3"));
    const std::string third = pattern(7, "corrupt=0.3");
    const auto ones = std::count(third.begin(), third.end(), '1');
    EXPECT_GT(ones, 30);
    EXPECT_LT(ones, 90);
    EXPECT_EQ(pattern(1, "corrupt=2x@3"), "00011" + std::string(195, '0'));
    EXPECT_EQ(pattern(1, "corrupt=0"), std::string(200, '0'));

    struct Row {
        const char* setting;
        bool ok;
    };
    for (const Row& row : {Row{"corrupt=1", true}, Row{"corrupt=1.5", false}, Row{"corrupt=-0.1", false},
                           Row{"corrupt=x", false}, Row{"corrupt=3x@", false}, Row{"corrupt", false},
                           Row{"boot-hang=1x@2", true}, Row{"lose=0.25", true}}) {
        FaultSettings settings;
        std::string error;
        EXPECT_EQ(settings.Parse(row.setting, &error), row.ok) << row.setting;
    }
}

TEST_F(FaultTest, BaudEmulationPacesTheLine)
{
    BoardSimOptions options;
    options.baud_emulation = true;
    StartBoard(options);
    // A 290-character request and its acknowledgement take at least 297 character times of
    // 0.52 ms at 19200 baud before the acknowledgement is complete.
    const std::string message = "w 0x0001 0x2007 0x01 0x" + std::string(256, 'a');
    const auto sent = Clock::now();
    line_->Write(RawFrame(0x01, 'D', message));
    EXPECT_EQ(line_->ReadFrame(5000), ack_);
    EXPECT_GE(MsSince(sent), (message.size() + 7 + 7) * 0.52 * 0.9);
}

}  // namespace
