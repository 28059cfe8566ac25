// The board's frame peer over a real pseudo-terminal: acknowledgements, refusals, duplicates,
// retransmission and sessions, all as raw bytes on the line.
#include <gtest/gtest.h>

#include <chrono>

#include "SimFixture.h"
#include "Subsystem.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string WithChecksum(const std::string& head, const char* checksum)
{
    return head + checksum + "\r";
}

class FrameLinkTest : public SimFixture {};

struct BadFrameRow {
    const char* what;
    std::string sent;
    std::string answer;  // expected bytes; empty: no answer at all
};

TEST_F(FrameLinkTest, BadFramesAreRefusedWithTheNumberAsFarAsItWasRead)
{
    StartBoard();
    const std::string good = RawFrame(0x05, 'D', "r 0x0001 0x2000 0x00");
    std::string bad_sum = good;
    bad_sum[bad_sum.size() - 2] = bad_sum[bad_sum.size() - 2] == '0' ? '1' : '0';
    std::string lower_sum = RawFrame(0x07, 'D', "r 0x0001 0x2000 0x00");
    for (size_t i = lower_sum.size() - 3; i < lower_sum.size() - 1; ++i) {
        lower_sum[i] = static_cast<char>(std::tolower(lower_sum[i]));
    }
    const bool sum_has_letter = lower_sum != RawFrame(0x07, 'D', "r 0x0001 0x2000 0x00");
    const BadFrameRow rows[] = {
        {"too small", "$01D\r", RawFrame(0xFF, 'N', "")},
        {"bad first number digit", WithChecksum("$G1Dx", "00"), RawFrame(0xFF, 'N', "")},
        {"lower-case second digit", WithChecksum("$3aDx", "00"), RawFrame(0x30, 'N', "")},
        {"wrong checksum", bad_sum, RawFrame(0x05, 'N', "")},
        {"unknown type", RawFrame(0x09, 'X', "hello"), RawFrame(0x09, 'N', "")},
        {"longer than 287 bytes", RawFrame(0x0A, 'D', std::string(290, 'x')), ""},
    };
    for (const BadFrameRow& row : rows) {
        line_->Write(row.sent);
        EXPECT_EQ(line_->ReadQuiet(300), row.answer) << row.what;
    }
    if (sum_has_letter) {
        line_->Write(lower_sum);
        EXPECT_EQ(line_->ReadQuiet(300), RawFrame(0x07, 'N', "")) << "lower-case checksum";
    }
    EXPECT_TRUE(board_->ReceivedMessages().empty());
}

TEST_F(FrameLinkTest, NoiseBeforeAFrameIsIgnoredAndAGoodFrameIsAcknowledgedAndAnswered)
{
    StartBoard();
    line_->Write("zz\x07" + RawFrame(0x01, 'D', "r 0x0042 0x2000 0x00"));
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'A', ""));
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'D', "c 0x0042 0x00 0x24"));
}

TEST_F(FrameLinkTest, ARepeatedFrameIsAcknowledgedButHandledOnce)
{
    StartBoard();
    const std::string frame = RawFrame(0x7F, 'D', "w 0x0001 0x2000 0x0e 0x05");
    line_->Write(frame);  // the first frame of a session counts whatever its number
    line_->Write(frame);
    const std::string seen = line_->ReadQuiet(400);
    const std::string ack = RawFrame(0x7F, 'A', "");
    size_t acks = 0;
    for (size_t at = seen.find(ack); at != std::string::npos; at = seen.find(ack, at + 1)) {
        ++acks;
    }
    EXPECT_EQ(acks, 2u) << seen;
    EXPECT_EQ(board_->ReceivedMessages().size(), 1u);
}

TEST_F(FrameLinkTest, AnEmptyDataFrameIsAcknowledgedAndDeliversNothing)
{
    StartBoard();
    line_->Write(RawFrame(0x01, 'D', ""));
    EXPECT_EQ(line_->ReadQuiet(300), RawFrame(0x01, 'A', ""));
    EXPECT_TRUE(board_->ReceivedMessages().empty());
}

TEST_F(FrameLinkTest, AnUnacknowledgedFrameIsSentFourTimesHalfASecondApart)
{
    StartBoard();
    const auto sent = Clock::now();
    line_->Write(RawFrame(0x01, 'D', "r 0x0001 0x2000 0x00"));
    ASSERT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'A', ""));
    const std::string reply = RawFrame(0x01, 'D', "c 0x0001 0x00 0x24");
    std::vector<double> times;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(line_->ReadFrame(3000), reply) << "attempt " << i + 1;
        const double at = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        times.push_back(at);
    }
    // What waited behind the frame follows; the frame itself does not come again.
    const std::string after = line_->ReadQuiet(1200);
    EXPECT_EQ(after.find(reply), std::string::npos) << "a fifth attempt went out: " << after;
    for (size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], 400.0) << "gap before attempt " << i + 1;
    }
    // The board gives up and goes on with what waited behind the frame.
    EXPECT_NE(Trace().find("given up"), std::string::npos);
}

TEST_F(FrameLinkTest, ARefusedFrameIsSentAgainAtOnceWithTheSameNumber)
{
    BoardSimOptions options;
    options.ack_timeout_ms = 5000;  // only the refusal can bring the second copy soon
    StartBoard(options);
    line_->Write(RawFrame(0x01, 'D', "r 0x0001 0x2000 0x00"));
    ASSERT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'A', ""));
    const std::string reply = RawFrame(0x01, 'D', "c 0x0001 0x00 0x24");
    ASSERT_EQ(line_->ReadFrame(2000), reply);
    const auto refused = Clock::now();
    line_->Write(RawFrame(0x01, 'N', ""));
    EXPECT_EQ(line_->ReadFrame(2000), reply);
    const double waited = std::chrono::duration<double, std::milli>(Clock::now() - refused).count();
    EXPECT_LT(waited, 2000.0);
    line_->Write(RawFrame(0x01, 'A', ""));
    // Next: the board asks who is there, with the next frame number.
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x02, 'D', "ds whoami"));
}

TEST_F(FrameLinkTest, ANewSessionAcceptsItsFirstFrameWhateverTheNumber)
{
    StartBoard();
    EXPECT_EQ(line_->Request("r 0x0001 0x2000 0x00"), "c 0x0001 0x00 0x24");
    line_.reset();  // the program closes the port ...
    line_ = std::make_unique<CRawLine>(board_->DevicePath());  // ... and a new one opens it
    ASSERT_TRUE(line_->Ok());
    // Frame 01 again: in the old session a repeat, in the new one the first frame.
    EXPECT_EQ(line_->Request("r 0x0002 0x2000 0x00"), "c 0x0002 0x00 0x24");
    EXPECT_EQ(board_->ReceivedMessages().size(), 2u);
}

TEST_F(FrameLinkTest, TheBoardAsksWhoIsThereOnceTheLinkIsUpAndTakesTheAnswers)
{
    StartBoard();
    line_->Write(RawFrame(0x01, 'D', "w 0x0001 0x2000 0x01"));
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'A', ""));
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x01, 'D', "c 0x0001 0x00"));
    line_->Write(RawFrame(0x01, 'A', ""));
    EXPECT_EQ(line_->ReadFrame(2000), RawFrame(0x02, 'D', "ds whoami"));
    line_->Write(RawFrame(0x02, 'A', ""));
    uint8_t number = 2;
    for (const char* answer : {"DR 0x80 0x80", "DI 0x05 0x01", "DUI Exposure"}) {
        line_->Write(RawFrame(number, 'D', answer));
        EXPECT_EQ(line_->ReadFrame(2000), RawFrame(number, 'A', "")) << answer;
        ++number;
    }
    EXPECT_EQ(line_->ReadQuiet(300), "") << "DCM messages get no reply";
    std::vector<std::string> dcm;
    board_->Inspect([&](const CSubsystem& s) { dcm = s.DcmMessages(); });
    EXPECT_EQ(dcm, (std::vector<std::string>{"DR 0x80 0x80", "DI 0x05 0x01", "DUI Exposure"}));
}

}  // namespace
