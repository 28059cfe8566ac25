// The link as the board sees it: the exact bytes on the wire for sending and receiving, and the
// frame layer's answers to good, bad, repeated and lost frames.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "LinkFixture.h"

namespace {

constexpr uint32_t kPeerWaitMs = 3000;

}  // namespace

TEST_F(LinkTest, DataFrameAndAcknowledgementHaveTheirWireBytes)
{
    CToolReceiver receiver(&port_);
    // Checksums worked out by hand: 24^30^31^44^61^62^63 = 01 and 24^30^31^41 = 64.
    peer_.StartResponder([](const CFramePeer::Frame&) { return std::string("$01A64\r"); });
    EXPECT_EQ(ZelSpSendMessage(&port_, "abc"), kZelOk);
    peer_.StopResponder();
    ASSERT_EQ(peer_.Received().size(), 1u);
    EXPECT_EQ(peer_.Received()[0].raw, "$01Dabc01\r");

    peer_.Send("$01Dabc01\r");
    const CFramePeer::Frame ack = peer_.ReadFrame(kPeerWaitMs);
    EXPECT_EQ(ack.raw, "$01A64\r");
    ASSERT_TRUE(receiver.WaitForMessages(1, kPeerWaitMs));
    EXPECT_EQ(receiver.Messages()[0], "abc");
}

TEST_F(LinkTest, FrameNumbersRunFrom01ToFFThen00AndOn)
{
    CToolReceiver receiver(&port_);
    peer_.StartResponder(CFramePeer::AckEveryDataFrame());
    for (int i = 0; i < 258; ++i) {
        ASSERT_EQ(ZelSpSendMessage(&port_, ("m" + std::to_string(i)).c_str()), kZelOk) << i;
    }
    peer_.StopResponder();
    const auto frames = peer_.Received();
    ASSERT_EQ(frames.size(), 258u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(frames[i].valid) << frames[i].raw;
        EXPECT_EQ(frames[i].number, static_cast<uint8_t>(i + 1)) << i;
        EXPECT_EQ(frames[i].message, "m" + std::to_string(i));
    }
    EXPECT_EQ(frames[254].raw.substr(0, 3), "$FF");
    EXPECT_EQ(frames[255].raw.substr(0, 3), "$00");
    EXPECT_EQ(frames[256].raw.substr(0, 3), "$01");
}

TEST_F(LinkTest, MessageOf279CharactersIsSentAnd280AreRefused)
{
    CToolReceiver receiver(&port_);
    peer_.StartResponder(CFramePeer::AckEveryDataFrame());
    EXPECT_EQ(ZelSpSendMessage(&port_, std::string(279, 'x').c_str()), kZelOk);
    EXPECT_EQ(ZelSpSendMessage(&port_, std::string(280, 'y').c_str()), kZelBadArgument);
    EXPECT_EQ(ZelSpSendMessage(&port_, "after"), kZelOk);
    peer_.StopResponder();
    const auto frames = peer_.Received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].raw.size(), 286u);
    EXPECT_EQ(frames[1].message, "after");
    EXPECT_EQ(frames[1].number, 2);  // the refused message took no number
    EXPECT_EQ(CountTraces("ERROR: Function ZelSpSendMessage, Message too long"), 1);
}

TEST_F(LinkTest, EmptyMessageSendsNothingButUsesAFrameNumber)
{
    CToolReceiver receiver(&port_);
    peer_.StartResponder(CFramePeer::AckEveryDataFrame());
    EXPECT_EQ(ZelSpSendMessage(&port_, ""), kZelTimeout);
    EXPECT_EQ(ZelSpSendMessage(&port_, nullptr), kZelTimeout);
    EXPECT_EQ(ZelSpSendMessage(&port_, "x"), kZelOk);
    peer_.StopResponder();
    const auto frames = peer_.Received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].number, 3);
    EXPECT_EQ(CountTraces("ERROR: Function SendDataFrame, No application data available"), 2);
}

// Bytes the board sends, and what the tool must answer and trace.
TEST_F(LinkTest, BadFramesAreRefusedWithTheNumberAsFarAsReadable)
{
    const std::string hi_head = "$07Dhe";
    const std::string lower_checksum = hi_head + "6a\r";  // 6A in lower case
    ASSERT_EQ(CFramePeer::Hex(CFramePeer::Checksum(hi_head)), "6A");
    const struct {
        const char* name;
        std::string bytes;
        std::string answer;
        const char* trace;
    } rows[] = {
        {"too small", "$01A\r", CFramePeer::AckFrame(0xFF, 'N'), "Received frame too small"},
        {"bad first digit", "$G1Dhi00\r", CFramePeer::AckFrame(0xFF, 'N'), "Invalid FrameNumber"},
        {"lower-case number", "$0aDhi00\r", CFramePeer::AckFrame(0x00, 'N'), "Invalid FrameNumber"},
        {"wrong checksum", "$07Dhi00\r", CFramePeer::AckFrame(0x07, 'N'), "Invalid Checksum"},
        {"lower-case checksum", lower_checksum, CFramePeer::AckFrame(0x07, 'N'), "Invalid Checksum"},
        {"unknown type", "$07X" + CFramePeer::Hex(CFramePeer::Checksum("$07X")) + "\r",
         CFramePeer::AckFrame(0x07, 'N'), "Invalid FrameType"},
    };
    CToolReceiver receiver(&port_);
    for (const auto& row : rows) {
        const int before = CountTraces(row.trace);
        peer_.Send(row.bytes);
        EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, row.answer) << row.name;
        // The refusal of an unknown type goes out before its trace: wait for the trace.
        const std::string trace = std::string("WARNING: Function HandleFrame, ") + row.trace;
        EXPECT_TRUE(WaitForTraces(trace, before + 1, kPeerWaitMs)) << row.name;
        EXPECT_EQ(CountTraces(trace), before + 1) << row.name;
    }
    EXPECT_GE(CountTraces("WARNING: Function ASCIIhex2char, Invalid hex character"), 3);
    // Nothing bad was passed up, and the link still works.
    peer_.SendData(0x10, "good");
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x10));
    ASSERT_TRUE(receiver.WaitForMessages(1, kPeerWaitMs));
    EXPECT_EQ(receiver.Messages(), std::vector<std::string>{"good"});
}

TEST_F(LinkTest, RepeatedFrameIsAcknowledgedAndDropped)
{
    CToolReceiver receiver(&port_);
    // The first frame is taken whatever its number; a repeat only counts from then on.
    peer_.SendData(0x05, "x");
    peer_.SendData(0x05, "x");
    peer_.SendData(0x06, "y");
    for (uint8_t number : {0x05, 0x05, 0x06}) {
        EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(number));
    }
    ASSERT_TRUE(receiver.WaitForMessages(2, kPeerWaitMs));
    EXPECT_EQ(receiver.Messages(), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(CountTraces("WARNING: Function HandleFrame, Same frame received twice"), 1);
}

TEST_F(LinkTest, SevenByteDataFrameIsAcknowledgedAndReportedEmpty)
{
    peer_.SendData(0x01, "");
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    EXPECT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelEmptyFrame);
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x01));
}

TEST_F(LinkTest, NoiseBeforeStartAndDollarInsideAreHandled)
{
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    peer_.Send("\x01zz noise\r" + CFramePeer::DataFrame(0x01, "a$b"));
    ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk);
    EXPECT_STREQ(buffer, "a$b");
    EXPECT_EQ(first, 'a');

    // A half frame followed by a whole one: the second '$' does not restart the frame, so the
    // two make one frame with a bad checksum, refused under the first frame's number.
    peer_.Send("$02Dhal" + CFramePeer::DataFrame(0x03, "whole"));
    peer_.SendData(0x04, "next");
    ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk);
    EXPECT_STREQ(buffer, "next");
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x01));
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x02, 'N'));
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x04));
}

TEST_F(LinkTest, FrameSplitByAGapOver200MsIsLost)
{
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    const std::string frame = CFramePeer::DataFrame(0x01, "hello");
    peer_.Send(frame.substr(0, 6));
    // The reader only returns after 200 ms without a byte, so the gap is real whatever the load.
    EXPECT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelTimeout);
    peer_.Send(frame.substr(6));  // the tail has no '$': dropped as noise
    EXPECT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelTimeout);
    peer_.SendData(0x02, "again");
    ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk);
    EXPECT_STREQ(buffer, "again");
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x02));
    EXPECT_EQ(peer_.ReadRaw(100), "");  // the lost frame got no answer
}

TEST_F(LinkTest, LongestFrameIsTakenAndOneByteMoreIsDroppedUnanswered)
{
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    const std::string longest(280, 'L');
    ASSERT_EQ(CFramePeer::DataFrame(0x01, longest).size(), 287u);
    peer_.SendData(0x01, longest);
    ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk);
    EXPECT_EQ(std::string(buffer), longest);
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x01));

    peer_.SendData(0x02, longest + "M");
    peer_.SendData(0x03, "short");
    ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk);
    EXPECT_STREQ(buffer, "short");
    EXPECT_EQ(peer_.ReadFrame(kPeerWaitMs).raw, CFramePeer::AckFrame(0x03));
    EXPECT_EQ(CountTraces("WARNING: Function ZelPsReadFrame, Frame Length error"), 1);
}

TEST_F(LinkTest, RefusedFrameIsSentAgainWithTheSameNumber)
{
    CToolReceiver receiver(&port_);
    int answered = 0;
    peer_.StartResponder([&answered](const CFramePeer::Frame& frame) {
        return CFramePeer::AckFrame(frame.number, ++answered < 3 ? 'N' : 'A');
    });
    EXPECT_EQ(ZelSpSendMessage(&port_, "retry me"), kZelOk);
    peer_.StopResponder();
    const auto frames = peer_.Received();
    ASSERT_EQ(frames.size(), 3u);
    for (const auto& frame : frames) {
        EXPECT_EQ(frame.raw, CFramePeer::DataFrame(0x01, "retry me"));
    }
    EXPECT_EQ(CountTraces("WARNING: Function HandleFrame, Nack received"), 2);
    EXPECT_EQ(CountTraces("WARNING: Function ZelPsWait4Ack, Nack received"), 2);
}

TEST_F(LinkTest, UnansweredFrameIsSentFourTimesThenTimesOut)
{
    CToolReceiver receiver(&port_);
    peer_.StartResponder([](const CFramePeer::Frame&) { return std::string(); });
    EXPECT_EQ(ZelSpSendMessage(&port_, "anyone?"), kZelTimeout);
    peer_.StopResponder();
    const auto frames = peer_.Received();
    ASSERT_EQ(frames.size(), 4u);
    for (const auto& frame : frames) {
        EXPECT_EQ(frame.raw, CFramePeer::DataFrame(0x01, "anyone?"));
    }
}

TEST_F(LinkTest, AcknowledgementForAnotherFrameKeepsTheSenderWaiting)
{
    CToolReceiver receiver(&port_);
    int result = -1;
    std::thread sender([&] { result = ZelSpSendMessage(&port_, "one"); });
    const CFramePeer::Frame frame = peer_.ReadFrame(kPeerWaitMs);
    peer_.SendAck(0x02);
    EXPECT_TRUE(WaitForTrace("WARNING: Function ZelPsWait4Ack, frame with incorrect framenumber received",
                             kPeerWaitMs));
    peer_.SendAck(frame.number);
    sender.join();
    EXPECT_EQ(result, kZelOk);
    EXPECT_EQ(frame.raw, CFramePeer::DataFrame(0x01, "one"));
    EXPECT_EQ(peer_.ReadRaw(100), "");  // answered within the first attempt: no repeat
}

TEST_F(LinkTest, AcknowledgementWhileNobodyWaitsIsPassedOnAndReadingGoesOn)
{
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    peer_.SendAck(0x09);
    peer_.SendData(0x01, "data");
    ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk);
    EXPECT_STREQ(buffer, "data");
    // The stale acknowledgement is still there for the next sender, which meets it as a wrong
    // number and keeps waiting; nobody answers, so the attempt times out.
    EXPECT_EQ(ZelPsWait4Ack(&port_, 0x01, 300), kZelTimeout);
    EXPECT_EQ(CountTraces("frame with incorrect framenumber received"), 1);
    EXPECT_EQ(CountTraces("DEBUG: Function ZelPsInformSender: , Frame: 9, Ack: 1\n"), 1);
}

TEST_F(LinkTest, TracesAreQueuedWithNotificationsAndFramesAtFrameLevel)
{
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    peer_.SendData(0x01, "t");
    ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk);
    const std::string frame = CFramePeer::DataFrame(0x01, "t");
    EXPECT_EQ(CountTraces("Frame: ZelPsReadFrame: " + frame), 1);
    EXPECT_EQ(CountTraces("Frame: ZelPsWriteFrame: " + CFramePeer::AckFrame(0x01)), 1);
    EXPECT_EQ(CountTraces("DEBUG: Function ZelSpReceiveMessage, "), 1);
    EXPECT_EQ(CountTraces("DEBUG: Function HandleFrame, "), 1);
    EXPECT_EQ(sink_.tool_log_posts.load(), static_cast<int>(Traces().size()));
}
