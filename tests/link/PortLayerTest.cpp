// The port layer and the link's life: the ring buffer, opening and closing, a port that fails
// underneath, and several threads on one link.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LinkFixture.h"
#include "TestSupport.h"
#include "link/RingBuffer.h"

namespace {

constexpr uint32_t kPeerWaitMs = 3000;

uint64_t ElapsedMs(std::chrono::steady_clock::time_point since)
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - since)
                                     .count());
}

uint64_t ProcessCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
}

}  // namespace

TEST(RingBufferTest, KeepsOrderAcrossTheEndAndStoresNothingWhenFull)
{
    CRingBuffer ring(8);
    uint8_t out[16] = {};
    const uint8_t first[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ring.Write(first, 6), 6u);
    EXPECT_EQ(ring.Read(out, 4), 4u);
    const uint8_t second[8] = {7, 8, 9, 10, 11, 12, 13, 14};
    EXPECT_EQ(ring.Write(second, 8), 6u);  // 2 left + 6 fill the 8 bytes
    EXPECT_EQ(ring.Size(), 8u);
    EXPECT_EQ(ring.Write(second, 1), 0u);
    EXPECT_EQ(ring.Read(out, 16), 8u);
    const std::vector<uint8_t> got(out, out + 8);
    EXPECT_EQ(got, (std::vector<uint8_t>{5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(ring.Size(), 0u);
    EXPECT_EQ(ring.Read(out, 1), 0u);
}

TEST(RingBufferTest, DataEventStaysSignalledWhileBytesRemain)
{
    CRingBuffer ring(kZelPsRingBufferSize);
    uint8_t byte = 0;
    EXPECT_FALSE(ring.GetDataEvent().IsSet());
    const uint8_t bytes[3] = {'a', 'b', 'c'};
    ring.Write(bytes, 3);
    std::string taken;
    while (ring.GetDataEvent().Wait(0)) {
        ASSERT_EQ(ring.Read(&byte, 1), 1u);
        taken += static_cast<char>(byte);
    }
    EXPECT_EQ(taken, "abc");
    EXPECT_FALSE(ring.GetDataEvent().IsSet());
}

TEST_F(LinkTest, OpeningTwiceOrWithoutAPortFails)
{
    EXPECT_EQ(ZelSpInit(&port_), kZelHardwareError);
    EXPECT_EQ(ZelPsInitSerialCommunication(&port_), kZelHardwareError);
    EXPECT_EQ(ZelSpInit(nullptr), kZelHardwareError);
    // The refused second open left no second link behind.
    EXPECT_EQ(ZelSpClose(&port_), kZelOk);
    open_ = false;
    EXPECT_EQ(ZelSpClose(&port_), kZelBadArgument);
}

TEST(LinkOpenTest, PortThatTakesNoLineSettingsIsClosedAndRefused)
{
    CCountingSink sink;
    CScopedNotifySink guard(sink);
    CTempFolder folder;
    CSerialPort port;
    ASSERT_TRUE(port.Open(folder.Write("not-a-port", "")));
    EXPECT_EQ(ZelSpInit(&port), kZelHardwareError);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(ZelSpClose(&port), kZelBadArgument);
    EXPECT_GE(sink.tool_log_posts.load(), 1);
}

TEST_F(LinkTest, AfterCloseEveryFunctionTreatsTheHandleAsUnknown)
{
    ASSERT_EQ(ZelSpClose(&port_), kZelOk);
    open_ = false;
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    size_t length = 0;
    const struct {
        const char* name;
        int result;
        int expected;
    } rows[] = {
        {"send", ZelSpSendMessage(&port_, "x"), kZelBadArgument},
        {"receive", ZelSpReceiveMessage(&port_, buffer, &first), kZelBadArgument},
        {"close", ZelSpClose(&port_), kZelBadArgument},
        {"read frame", ZelPsReadFrame(&port_, buffer, sizeof buffer, &length), kZelHardwareError},
        {"write frame", ZelPsWriteFrame(&port_, "$", 1), kZelHardwareError},
        {"wait for ack", ZelPsWait4Ack(&port_, 1, 10), kZelCommError},
        {"close port layer", ZelPsCloseSerialCommunication(&port_), kZelBadArgument},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.result, row.expected) << row.name;
    }
    ZelPsInformSender(&port_, 1, 1);  // nothing to inform: must simply return
    EXPECT_EQ(CountTraces("ERROR: Function FindHandle, Incorrect handle"), 3);
    EXPECT_EQ(peer_.ReadRaw(100), "");
}

TEST_F(LinkTest, AcknowledgementWaitReportsAckNackAndSilence)
{
    ZelPsInformSender(&port_, 7, 1);
    EXPECT_EQ(ZelPsWait4Ack(&port_, 7, 1000), kZelOk);
    ZelPsInformSender(&port_, 8, 0);
    EXPECT_EQ(ZelPsWait4Ack(&port_, 8, 1000), kZelCommError);
    EXPECT_EQ(ZelPsWait4Ack(&port_, 9, 50), kZelTimeout);
    EXPECT_EQ(CountTraces("DEBUG: Function ZelPsWait4Ack, Ack received"), 1);
    EXPECT_EQ(CountTraces("WARNING: Function ZelPsWait4Ack, Nack received"), 1);
    EXPECT_EQ(CountTraces("DEBUG: Function ZelPsWait4Ack started, "), 3);
}

// The owner's abort ends a reader in its 200 ms of silence and a sender in its acknowledgement
// wait at once, and nothing more goes out until the close.
TEST_F(LinkTest, AbortEndsEveryWaitAtOnceAndRefusesWrites)
{
    std::atomic<int> read_result{-1};
    std::atomic<int> send_result{-1};
    std::thread reader([&] {
        char buffer[kZelSpReceiveBufferSize];
        char first = 0;
        int r = kZelTimeout;
        while (r == kZelTimeout) r = ZelSpReceiveMessage(&port_, buffer, &first);
        read_result.store(r);
    });
    std::thread sender([&] { send_result.store(ZelSpSendMessage(&port_, "r 0x0001 0x2013 0x01")); });
    ASSERT_TRUE(WaitForTrace("DEBUG: Function ZelPsWait4Ack started", kPeerWaitMs));
    const auto started = std::chrono::steady_clock::now();
    ZelSpAbort(&port_);
    reader.join();
    sender.join();
    EXPECT_LT(ElapsedMs(started), 150u);
    EXPECT_EQ(read_result.load(), kZelHardwareError);
    EXPECT_EQ(send_result.load(), kZelTimeout);  // not acknowledged, and not sent again
    peer_.ReadRaw(100);
    EXPECT_EQ(ZelPsWriteFrame(&port_, "$01A64\r", 7), kZelHardwareError);
    EXPECT_EQ(peer_.ReadRaw(100), "");
    EXPECT_EQ(ZelSpClose(&port_), kZelOk);
    open_ = false;
}

TEST_F(LinkTest, CloseWhileAReadWaitsEndsTheReadAtOnce)
{
    std::atomic<int> result{-1};
    std::thread reader([&] {
        char buffer[kZelSpReceiveBufferSize];
        char first = 0;
        int r = kZelTimeout;
        while (r == kZelTimeout) {
            r = ZelSpReceiveMessage(&port_, buffer, &first);
        }
        result.store(r);
    });
    ASSERT_TRUE(WaitForTrace("DEBUG: Function ZelFlReceiveApplicationData", kPeerWaitMs));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ZelSpClose(&port_), kZelOk);
    open_ = false;
    reader.join();
    EXPECT_LT(ElapsedMs(started), 1000u);
    // 2 when the close met the read inside its wait, 5 when it came between two reads.
    EXPECT_TRUE(result.load() == kZelHardwareError || result.load() == kZelBadArgument)
        << result.load();
}

TEST_F(LinkTest, PortThatFailsUnderneathIsTracedOnceAndNothingSpins)
{
    pty_.HangUp();
    ASSERT_TRUE(WaitForTrace("ERROR: Function RS232 ReceiveThread, ", kPeerWaitMs));
    // Several retry periods in the failed state: still one trace, and next to no CPU.
    const uint64_t cpu_before = ProcessCpuMs();
    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelHardwareError);
    }
    EXPECT_LT(ProcessCpuMs() - cpu_before, 300u);
    EXPECT_EQ(CountTraces("ERROR: Function RS232 ReceiveThread, "), 1);
    EXPECT_EQ(CountTraces("Input/output error"), 1);

    EXPECT_EQ(ZelSpSendMessage(&port_, "lost"), kZelTimeout);
    EXPECT_EQ(CountTraces("ERROR: Function ZelPsWriteFrame, Write error"), 1);

    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(ZelSpClose(&port_), kZelOk);
    open_ = false;
    EXPECT_LT(ElapsedMs(started), 1000u);
}

TEST_F(LinkTest, TwoSendersAtOnceGetOneAcknowledgementEachInNumberOrder)
{
    constexpr int kPerSender = 60;
    CToolReceiver receiver(&port_);
    peer_.StartResponder(CFramePeer::AckEveryDataFrame());
    std::atomic<int> failures{0};
    auto send_all = [&](char tag) {
        for (int i = 0; i < kPerSender; ++i) {
            const std::string message = tag + std::to_string(i);
            if (ZelSpSendMessage(&port_, message.c_str()) != kZelOk) {
                ++failures;
            }
        }
    };
    std::thread a(send_all, 'A');
    std::thread b(send_all, 'B');
    a.join();
    b.join();
    peer_.StopResponder();
    EXPECT_EQ(failures.load(), 0);

    const auto frames = peer_.Received();
    ASSERT_EQ(frames.size(), static_cast<size_t>(2 * kPerSender));
    std::map<char, int> next{{'A', 0}, {'B', 0}};
    for (size_t i = 0; i < frames.size(); ++i) {
        const auto& frame = frames[i];
        ASSERT_TRUE(frame.valid) << frame.raw;
        EXPECT_EQ(frame.type, 'D');
        // One frame per message (no repeat), numbered in the order they went out.
        EXPECT_EQ(frame.number, static_cast<uint8_t>(i + 1)) << frame.raw;
        const char tag = frame.message[0];
        EXPECT_EQ(frame.message, tag + std::to_string(next[tag]++)) << frame.raw;
    }
    EXPECT_EQ(next['A'], kPerSender);
    EXPECT_EQ(next['B'], kPerSender);
    EXPECT_EQ(CountTraces("incorrect framenumber"), 0);
}

TEST_F(LinkTest, SendingAndReceivingRunTogether)
{
    constexpr int kCount = 40;
    CToolReceiver receiver(&port_);
    // The board acknowledges every message and answers it with a message of its own, as the
    // subsystem answers requests.
    std::atomic<int> number{0};
    peer_.StartResponder([&number](const CFramePeer::Frame& frame) {
        if (frame.type != 'D') {
            return std::string();
        }
        return CFramePeer::AckFrame(frame.number) +
               CFramePeer::DataFrame(static_cast<uint8_t>(++number), "re " + frame.message);
    });
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(ZelSpSendMessage(&port_, ("q" + std::to_string(i)).c_str()), kZelOk);
    }
    ASSERT_TRUE(receiver.WaitForMessages(kCount, kPeerWaitMs));
    // The tool acknowledges each answer: the peer sees kCount data frames and kCount acks.
    ASSERT_TRUE(peer_.WaitForReceived(2 * kCount, kPeerWaitMs));
    peer_.StopResponder();
    const auto messages = receiver.Messages();
    for (int i = 0; i < kCount; ++i) {
        EXPECT_EQ(messages[static_cast<size_t>(i)], "re q" + std::to_string(i));
    }
    std::map<char, int> types;
    for (const auto& frame : peer_.Received()) {
        EXPECT_TRUE(frame.valid) << frame.raw;
        ++types[frame.type];
    }
    EXPECT_EQ(types['D'], kCount);
    EXPECT_EQ(types['A'], kCount);
    EXPECT_EQ(receiver.Failures(), std::vector<int>{});
}

TEST_F(LinkTest, BytesBeyondAFullRingBufferAreDroppedAndTheFirstFramesSurvive)
{
    // 40 frames of 127 bytes while nobody reads: the first 32 fill 4064 of the 4096 bytes.
    std::string burst;
    std::vector<std::string> messages;
    for (int i = 1; i <= 40; ++i) {
        messages.push_back("msg" + std::to_string(i));
        messages.back().resize(120, '.');
        burst += CFramePeer::DataFrame(static_cast<uint8_t>(i), messages.back());
    }
    ASSERT_EQ(burst.size(), 40u * 127u);
    peer_.Send(burst);
    ASSERT_TRUE(WaitForTrace("ERROR: Function RS232 ReceiveThread, Buffer Full", kPeerWaitMs));

    char buffer[kZelSpReceiveBufferSize];
    char first = 0;
    for (size_t i = 0; i < 32; ++i) {
        ASSERT_EQ(ZelSpReceiveMessage(&port_, buffer, &first), kZelOk) << i;
        EXPECT_EQ(buffer, messages[i]);
    }
}

TEST_F(LinkTest, WriteThatCannotFinishOnAStalledLineFails)
{
    // The board stops reading: the line's queues fill and a write no longer gets through.
    const std::string frame = CFramePeer::DataFrame(0x01, std::string(280, 'S'));
    int result = kZelOk;
    for (int i = 0; i < 5000 && result == kZelOk; ++i) {
        result = ZelPsWriteFrame(&port_, frame.data(), frame.size());
    }
    EXPECT_EQ(result, kZelHardwareError);
    EXPECT_EQ(CountTraces("ERROR: Function ZelPsWriteFrame, Write overlapped failed"), 1);
}
