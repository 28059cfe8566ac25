// The frame rules without a port: the checks that a frame cut from the line can never fail
// (start and stop are guaranteed there) and the cutter's treatment of awkward streams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FramePeer.h"
#include "link/FrameCodec.h"

TEST(FrameCodecTest, ChecksRunInOrderAndNameTheNumberAsFarAsReadable)
{
    const struct {
        std::string frame;
        FrameCheck check;
        uint8_t number;
    } rows[] = {
        {"$01A6", FrameCheck::TooSmall, 0xFF},
        {"x01A64\r", FrameCheck::BadStart, 0xFF},
        {"$01A64\n", FrameCheck::BadStop, 0xFF},
        {"$g1A64\r", FrameCheck::BadNumber, 0xFF},
        {"$3xA64\r", FrameCheck::BadNumber, 0x30},
        {"$01A65\r", FrameCheck::BadChecksum, 0x01},
        {"$01A6z\r", FrameCheck::BadChecksum, 0x01},
        {"$01A64\r", FrameCheck::Ok, 0x01},
        {CFramePeer::DataFrame(0xAB, "payload"), FrameCheck::Ok, 0xAB},
    };
    for (const auto& row : rows) {
        uint8_t number = 0;
        EXPECT_EQ(CheckFrame(row.frame.data(), row.frame.size(), &number), row.check) << row.frame;
        EXPECT_EQ(number, row.number) << row.frame;
    }
}

TEST(FrameCodecTest, BuiltFramesMatchTheIndependentPeer)
{
    char out[288];
    for (const std::string message : {"", "r 0x0001 0x1000 0x00", "$\r inside"}) {
        const size_t length = BuildDataFrame(out, sizeof out, 0x5C, message.data(), message.size());
        EXPECT_EQ(std::string(out, length), CFramePeer::DataFrame(0x5C, message));
    }
    EXPECT_EQ(BuildDataFrame(out, sizeof out, 1, std::string(282, 'x').data(), 282), 0u);
    BuildAckFrame(out, 0x01, 'A');
    EXPECT_EQ(std::string(out, 7), "$01A64\r");
}

TEST(FrameCodecTest, CutterDropsNoiseKeepsInnerDollarsAndStopsAtTheLimit)
{
    char buffer[12];
    CFrameCutter cutter(buffer, sizeof buffer);
    std::vector<std::string> frames;
    int too_long = 0;
    const std::string stream = "noise$a$b\r\r$0123456789ABCDEF$x\r";
    for (char c : stream) {
        const auto step = cutter.Put(static_cast<uint8_t>(c));
        if (step == CFrameCutter::Step::Frame) {
            frames.emplace_back(buffer, cutter.Length());
        } else if (step == CFrameCutter::Step::TooLong) {
            ++too_long;
            EXPECT_EQ(cutter.Length(), sizeof buffer - 1);
            EXPECT_EQ(std::string(buffer), "$0123456789");
        }
    }
    // After the overlong frame its tail up to the next '$' is noise.
    EXPECT_EQ(frames, (std::vector<std::string>{"$a$b\r", "$x\r"}));
    EXPECT_EQ(too_long, 1);
}
