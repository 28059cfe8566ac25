#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "PtyPair.h"
#include "TestSupport.h"
#include "platform/Clock.h"
#include "platform/Event.h"
#include "platform/SerialPort.h"

TEST(SerialPortTest, NamesMapToDevicePaths)
{
    const struct {
        const char* name;
        const char* path;
    } rows[] = {
        {"COM1", "/dev/ttyS0"},        {"com3", "/dev/ttyS2"},       {"COM12", "/dev/ttyS11"},
        {"ttyUSB0", "/dev/ttyUSB0"},   {"/dev/pts/4", "/dev/pts/4"}, {"/tmp/zovsim", "/tmp/zovsim"},
        {"COM0", "/dev/COM0"},         {"COMX", "/dev/COMX"},        {"./link", "./link"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CSerialPort::DevicePath(row.name), row.path) << row.name;
    }
}

TEST(SerialPortTest, OpenOfAMissingDeviceFails)
{
    CSerialPort port;
    EXPECT_FALSE(port.Open("/dev/zov-no-such-port"));
    EXPECT_EQ(port.LastError(), ENOENT);
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortTest, SecondOpenOfTheSamePortFailsUntilTheFirstCloses)
{
    CPtyPair pty;
    CSerialPort first, second;
    ASSERT_TRUE(first.Open(pty.SlavePath()));
    EXPECT_FALSE(second.Open(pty.SlavePath()));
    EXPECT_EQ(second.LastError(), EBUSY);
    first.Close();
    EXPECT_TRUE(second.Open(pty.SlavePath()));
}

TEST(SerialPortTest, ConfiguresBothLinksOnAPseudoTerminal)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    EXPECT_TRUE(port.Configure(SerialLineSettings::RuntimeLink())) << port.LastErrorText();
    EXPECT_TRUE(port.Configure(SerialLineSettings::BootLink())) << port.LastErrorText();
    SerialLineSettings odd;
    odd.baud = 12345;
    EXPECT_FALSE(port.Configure(odd));
}

TEST(SerialPortTest, ConfigureRefusesAFileThatIsNoSerialDevice)
{
    CTempFolder folder;
    const std::string path = folder.Write("not-a-port", "x");
    CSerialPort port;
    ASSERT_TRUE(port.Open(path));
    EXPECT_FALSE(port.Configure(SerialLineSettings::RuntimeLink()));
    EXPECT_EQ(port.LastError(), ENOTTY);
}

TEST(SerialPortTest, BytesArriveInOrderBothWays)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    ASSERT_TRUE(port.Configure(SerialLineSettings::BootLink()));

    std::string sent;
    for (int i = 0; i < 3000; ++i) {
        sent += static_cast<char>(i * 7);
    }
    std::thread peer([&] { pty.Write(sent); });
    std::string got(sent.size(), '\0');
    const long n = port.Read(reinterpret_cast<uint8_t*>(got.data()), got.size(), 5000);
    peer.join();
    ASSERT_EQ(n, static_cast<long>(sent.size()));
    EXPECT_EQ(got, sent);

    const std::string reply = "$01D\r\x00\xff";
    EXPECT_EQ(port.Write(reinterpret_cast<const uint8_t*>(reply.data()), reply.size(), 100),
              static_cast<long>(reply.size()));
    EXPECT_EQ(pty.Read(reply.size(), 1000), reply);
}

TEST(SerialPortTest, ReadAvailableNeverWaits)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    ASSERT_TRUE(port.Configure(SerialLineSettings::RuntimeLink()));
    uint8_t buffer[16];
    const uint64_t start = MonotonicMs();
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 0);
    EXPECT_LT(MonotonicMs() - start, 500u);
    pty.Write("abc");
    ASSERT_EQ(port.WaitReadable(1000, nullptr), SerialWait::Readable);
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 3);
}

TEST(SerialPortTest, ReadReturnsWhatCameWithinTheTotalTime)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    ASSERT_TRUE(port.Configure(SerialLineSettings::BootLink()));
    pty.Write("12");
    uint8_t buffer[5];
    const uint64_t start = MonotonicMs();
    EXPECT_EQ(port.Read(buffer, sizeof buffer, 150), 2);
    const uint64_t took = MonotonicMs() - start;
    EXPECT_GE(took, 140u);
    EXPECT_LT(took, 1000u);
    EXPECT_EQ(port.Read(buffer, sizeof buffer, 50), 0);
}

TEST(SerialPortTest, StopEventWakesAWaitAtOnce)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    ASSERT_TRUE(port.Configure(SerialLineSettings::RuntimeLink()));
    CEvent stop(CEvent::Kind::ManualReset);
    uint64_t woken_after = 0;
    std::thread waiter([&] {
        const uint64_t start = MonotonicMs();
        EXPECT_EQ(port.WaitReadable(kInfinite, &stop), SerialWait::Stopped);
        woken_after = MonotonicMs() - start;
    });
    SleepMs(50);
    const uint64_t set_at = MonotonicMs();
    stop.Set();
    waiter.join();
    EXPECT_LT(MonotonicMs() - set_at, 500u);
    EXPECT_GE(woken_after, 45u);
}

TEST(SerialPortTest, WaitTimesOutWithNothingOnTheLine)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    CEvent stop(CEvent::Kind::ManualReset);
    EXPECT_EQ(port.WaitReadable(30, &stop), SerialWait::Timeout);
}

TEST(SerialPortTest, HangUpIsReportedAsAFailureNotAsSilence)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    ASSERT_TRUE(port.Configure(SerialLineSettings::RuntimeLink()));
    pty.HangUp();

    // A loop that waits and reads, as a receive thread does, must see the failure within a few
    // rounds instead of spinning on empty reads.
    bool failed = false;
    for (int round = 0; round < 5 && !failed; ++round) {
        const SerialWait wait = port.WaitReadable(200, nullptr);
        if (wait == SerialWait::Failed) {
            failed = true;
        } else if (wait == SerialWait::Readable) {
            uint8_t buffer[8];
            failed = port.ReadAvailable(buffer, sizeof buffer) < 0;
        }
    }
    EXPECT_TRUE(failed);
    EXPECT_NE(port.LastError(), 0);
    EXPECT_FALSE(port.LastErrorText().empty());
    const uint8_t byte = 0x24;
    EXPECT_LT(port.Write(&byte, 1, 50), 1);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPortTest, PurgeDiscardsWaitingInput)
{
    CPtyPair pty;
    CSerialPort port;
    ASSERT_TRUE(port.Open(pty.SlavePath()));
    ASSERT_TRUE(port.Configure(SerialLineSettings::BootLink()));
    pty.Write("old bytes");
    ASSERT_EQ(port.WaitReadable(1000, nullptr), SerialWait::Readable);
    SleepMs(20);
    EXPECT_TRUE(port.Purge());
    EXPECT_TRUE(port.ClearErrors());
    uint8_t buffer[16];
    EXPECT_EQ(port.ReadAvailable(buffer, sizeof buffer), 0);
}

TEST(SerialPortTest, OperationsOnAClosedPortFail)
{
    CSerialPort port;
    uint8_t byte = 0;
    EXPECT_EQ(port.ReadAvailable(&byte, 1), -1);
    EXPECT_EQ(port.Write(&byte, 1, 10), -1);
    EXPECT_EQ(port.WaitReadable(10, nullptr), SerialWait::Failed);
    EXPECT_FALSE(port.Purge());
    EXPECT_FALSE(port.Configure(SerialLineSettings::RuntimeLink()));
}
