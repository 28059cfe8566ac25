// Boot mode over the pseudo-terminal: the bootstrap handshake, loader and monitor, every monitor
// command, and the flash model behind the flash drivers, as raw bytes.
#include <gtest/gtest.h>

#include "BootBytes.h"
#include "BootModel.h"
#include "SimFixture.h"

namespace {

constexpr char kAA = static_cast<char>(0xAA);
constexpr char kEA = static_cast<char>(0xEA);
constexpr uint32_t kTransfer = 0x00C000;
constexpr uint32_t kDriverEntry = 0x00E000;

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

class BootTest : public SimFixture {
protected:
    // Sends bytes and returns what the board answers, reading until count bytes came (or until
    // the line stays quiet for quiet_ms when fewer come).
    std::string Exchange(const std::string& bytes, size_t count, uint32_t timeout_ms = 2000)
    {
        line_->Write(bytes);
        return line_->Read(count, timeout_ms);
    }

    // Handshake, loader and monitor, checking each answer.
    void BootToMonitor(uint8_t id = 0xD5)
    {
        ASSERT_EQ(Exchange(Bytes({0x00}), 1), Bytes({id}));
        ASSERT_EQ(Exchange(SupportImage("BootLoader.hex"), 1), Bytes({0x01}));
        ASSERT_EQ(Exchange(SupportImage("BootMonitor.hex"), 1), Bytes({0x03}));
    }

    std::string WriteBlock(uint32_t address, const std::string& data)
    {
        return Exchange(Bytes({0x84}) + Addr3(address) + Le16(static_cast<uint16_t>(data.size())) + data, 2);
    }
    std::string ReadBlock(uint32_t address, uint16_t length)
    {
        return Exchange(Bytes({0x85}) + Addr3(address) + Le16(length), length + 2u);
    }
    std::string Checksum() { return Exchange(Bytes({0x33}), 3); }
    std::string WriteWord(uint32_t address, uint16_t value)
    {
        return Exchange(Bytes({0x82}) + Addr3(address) + Le16(value), 2);
    }
    // Calls the driver at the entry; returns the eight result words (empty when the reply did
    // not come complete with AA before and EA after).
    std::vector<uint16_t> CallDriver(const std::vector<uint16_t>& words, uint32_t entry = kDriverEntry)
    {
        const std::string reply = Exchange(Bytes({0x9F}) + DriverCall(entry, words), 18, 1500);
        if (reply.size() != 18 || reply[0] != kAA || reply[17] != kEA) {
            return {};
        }
        return ReplyWords(reply.substr(1, 16));
    }
    void LoadDriver(const std::string& name)
    {
        uint32_t address = 0;
        const std::string image = SupportImage(name, &address);
        ASSERT_EQ(address, kDriverEntry);
        ASSERT_EQ(WriteBlock(address, image), Bytes({0xAA, 0xEA}));
    }
    uint16_t Program(uint32_t destination, const std::string& data)
    {
        EXPECT_EQ(WriteBlock(kTransfer, data), Bytes({0xAA, 0xEA}));
        const std::vector<uint16_t> reply =
            CallDriver({0, static_cast<uint16_t>(data.size()), static_cast<uint16_t>(kTransfer),
                        static_cast<uint16_t>(kTransfer >> 16), 0, static_cast<uint16_t>(destination),
                        static_cast<uint16_t>(destination >> 16), 0});
        return reply.size() == 8 ? reply[7] : 0xFFFF;
    }
    uint16_t Erase(uint16_t section)
    {
        const std::vector<uint16_t> reply = CallDriver({1, 0, 0, 0, 0, 0, section, 0});
        return reply.size() == 8 ? reply[7] : 0xFFFF;
    }
};

TEST_F(BootTest, HandshakeLoaderMonitorAndTest)
{
    StartBoard();
    BootToMonitor();
    EXPECT_EQ(Exchange(Bytes({0x93}), 2), Bytes({0xAA, 0xEA}));
    bool boot_mode = false;
    board_->InspectBoot([&](const CBootModel& boot, bool mode) {
        boot_mode = mode;
        EXPECT_EQ(boot.CurrentState(), CBootModel::State::Idle);
    });
    EXPECT_TRUE(boot_mode);
}

TEST_F(BootTest, DamagedImagesGetNoAnswerUntilTheBoardIsResetAgain)
{
    StartBoard();
    struct Row {
        const char* what;
        bool damage_loader;
        bool damage_monitor;
    };
    for (const Row& row : {Row{"loader", true, false}, Row{"monitor", false, true}}) {
        std::string loader = SupportImage("BootLoader.hex");
        std::string monitor = SupportImage("BootMonitor.hex");
        (row.damage_loader ? loader : monitor)[12] ^= 0x20;
        ASSERT_EQ(Exchange(Bytes({0x00}), 1), Bytes({0xD5})) << row.what;
        if (row.damage_loader) {
            EXPECT_EQ(Exchange(loader, 1, 600), "") << row.what;
        } else {
            ASSERT_EQ(Exchange(loader, 1), Bytes({0x01})) << row.what;
            EXPECT_EQ(Exchange(monitor, 1, 600), "") << row.what;
        }
        EXPECT_EQ(Exchange(Bytes({0x93}), 1, 600), "") << row.what << ": a dead board answers nothing";
        // After a quiet spell the handshake byte is a fresh reset, as the tool's retry sends it.
        line_->Read(1, static_cast<uint32_t>(CBootModel::kResetGapMs) + 100);
        BootToMonitor();
        EXPECT_EQ(Exchange(Bytes({0x93}), 2), Bytes({0xAA, 0xEA})) << row.what;
        line_->Read(1, static_cast<uint32_t>(CBootModel::kResetGapMs) + 100);
    }
}

TEST_F(BootTest, MonitorCommandsMoveBytesLittleEndianAndReportTheBlockChecksum)
{
    StartBoard();
    BootToMonitor();
    const std::string data = Bytes({0x11, 0x22, 0x33, 0x44, 0x55, 0xAA, 0xEA, 0x00, 0x24});
    struct Row {
        const char* what;
        std::string sent;
        std::string answer;
    };
    const Row rows[] = {
        {"write block", Bytes({0x84}) + Addr3(0x00D000) + Le16(9) + data, Bytes({0xAA, 0xEA})},
        {"checksum of the write", Bytes({0x33}), Bytes({0xAA, XorOf(data), 0xEA})},
        {"read it back", Bytes({0x85, 0x00, 0xD0, 0x00, 0x09, 0x00}), Bytes({0xAA}) + data + kEA},
        {"checksum of the read", Bytes({0x33}), Bytes({0xAA, XorOf(data), 0xEA})},
        {"write word", Bytes({0x82, 0x02, 0xD0, 0x00, 0x34, 0x12}), Bytes({0xAA, 0xEA})},
        {"the word is little-endian", Bytes({0x85, 0x00, 0xD0, 0x00, 0x04, 0x00}),
         Bytes({0xAA, 0x11, 0x22, 0x34, 0x12, 0xEA})},
        {"flash reads as erased", Bytes({0x85, 0xFE, 0x1F, 0xC0, 0x02, 0x00}), Bytes({0xAA, 0xFF, 0xFF, 0xEA})},
        {"nothing answers at an unused address", Bytes({0x85, 0x00, 0x00, 0x20, 0x02, 0x00}),
         Bytes({0xAA, 0x00, 0x00, 0xEA})},
        {"unknown command byte is ignored", Bytes({0x77}), ""},
        {"test", Bytes({0x93}), Bytes({0xAA, 0xEA})},
    };
    for (const Row& row : rows) {
        line_->Write(row.sent);
        EXPECT_EQ(line_->Read(row.answer.size() + 1, row.answer.empty() ? 300 : 1000), row.answer) << row.what;
    }
}

TEST_F(BootTest, ACommandCutShortIsGivenUpAfterAQuietSpell)
{
    StartBoard();
    BootToMonitor();
    EXPECT_EQ(Exchange(Bytes({0x84, 0x00, 0xD0, 0x00, 0x10, 0x00, 0x01}), 2, 300), Bytes({0xAA}));
    line_->Read(1, static_cast<uint32_t>(CBootModel::kResetGapMs) + 100);
    EXPECT_EQ(Exchange(Bytes({0x93}), 2), Bytes({0xAA, 0xEA}));
}

TEST_F(BootTest, FlashDriversWorkOnlyOnceLoadedAndProgrammingOnlyClearsBits)
{
    StartBoard();
    BootToMonitor();
    // No driver in RAM yet: the call jumps into nothing and the board hangs.
    EXPECT_TRUE(CallDriver({6, 0, 0, 0, 0, 0, 0, 0}).empty());
    line_->Read(1, static_cast<uint32_t>(CBootModel::kResetGapMs) + 100);
    BootToMonitor();
    LoadDriver("FlashDriverInternal.hex");

    struct Row {
        const char* what;
        std::vector<uint16_t> words;
        uint16_t word2;
        uint16_t result;
    };
    const Row info[] = {
        {"manufacturer code", {6, 0, 0, 0, 0, 0, 0, 0}, 0x00C1, 0},
        {"device ID", {6, 0, 0, 0, 0, 0, 1, 0}, 0x0167, 0},
        {"unknown function", {9, 0, 0, 0, 0, 0, 0, 0}, 0, 0x0001},
        {"erase of an unknown section", {1, 0, 0, 0, 0, 0, 0x42, 0}, 0, 0x0003},
    };
    for (const Row& row : info) {
        const std::vector<uint16_t> reply = CallDriver(row.words);
        ASSERT_EQ(reply.size(), 8u) << row.what;
        EXPECT_EQ(reply[1], row.word2) << row.what;
        EXPECT_EQ(reply[7], row.result) << row.what;
    }

    const uint32_t at = 0xC08000;
    EXPECT_EQ(Program(at, Bytes({0x0F, 0xF0, 0x55, 0xAA})), 0);
    EXPECT_EQ(ReadBlock(at, 4), Bytes({0xAA, 0x0F, 0xF0, 0x55, 0xAA, 0xEA}));
    // Programming over programmed flash keeps every 0 bit: the result is the AND of both.
    EXPECT_EQ(Program(at, Bytes({0xF0, 0xFF, 0x0F, 0xAA})), 0);
    EXPECT_EQ(ReadBlock(at, 4), Bytes({0xAA, 0x00, 0xF0, 0x05, 0xAA, 0xEA}));
    EXPECT_EQ(Erase(4), 0);
    EXPECT_EQ(ReadBlock(at, 4), Bytes({0xAA, 0xFF, 0xFF, 0xFF, 0xFF, 0xEA}));
    // The rest of the flash was not touched by the erase of section 4.
    EXPECT_EQ(Program(0xC06000, Bytes({0x12, 0x34})), 0);
    EXPECT_EQ(Erase(4), 0);
    EXPECT_EQ(ReadBlock(0xC06000, 2), Bytes({0xAA, 0x12, 0x34, 0xEA}));

    struct Bad {
        const char* what;
        uint32_t source;
        uint32_t destination;
        uint16_t result;
    };
    for (const Bad& bad : {Bad{"destination outside flash", kTransfer, 0x200000, 0x0002},
                           Bad{"source outside RAM", 0x300000, 0xC08000, 0x0004}}) {
        const std::vector<uint16_t> reply =
            CallDriver({0, 2, static_cast<uint16_t>(bad.source), static_cast<uint16_t>(bad.source >> 16), 0,
                        static_cast<uint16_t>(bad.destination), static_cast<uint16_t>(bad.destination >> 16), 0});
        ASSERT_EQ(reply.size(), 8u) << bad.what;
        EXPECT_EQ(reply[7], bad.result) << bad.what;
    }
}

TEST_F(BootTest, ExternalFlashNeedsItsBusSetupAndItsOwnDriver)
{
    BoardSimOptions options;
    options.board = "XC167X";
    StartBoard(options);
    BootToMonitor();
    LoadDriver("FlashDriverExternal.hex");
    EXPECT_EQ(Program(0x400000, Bytes({0x01, 0x02})), 0x0005) << "chip select not yet set";
    EXPECT_EQ(WriteWord(0x00FE18, 0x4008), Bytes({0xAA, 0xEA}));
    EXPECT_EQ(WriteWord(0x00FF14, 0x048F), Bytes({0xAA, 0xEA}));
    EXPECT_EQ(Program(0x400000, Bytes({0x01, 0x02})), 0);
    EXPECT_EQ(ReadBlock(0x400000, 2), Bytes({0xAA, 0x01, 0x02, 0xEA}));
    EXPECT_EQ(Program(0xC00000, Bytes({0x01, 0x02})), 0x0002) << "internal flash is driver 0's";
    // The configuration sector erases to 0x00: programming there can only set bits.
    EXPECT_EQ(Erase(0x18), 0);
    EXPECT_EQ(ReadBlock(0x480000, 2), Bytes({0xAA, 0x00, 0x00, 0xEA}));
    EXPECT_EQ(Program(0x480000, Bytes({0x0F, 0x30})), 0);
    EXPECT_EQ(Program(0x480000, Bytes({0xF0, 0x03})), 0);
    EXPECT_EQ(ReadBlock(0x480000, 2), Bytes({0xAA, 0xFF, 0x33, 0xEA}));
}

TEST_F(BootTest, AFrameStartTakesTheBoardBackToTheRunningSubsystem)
{
    StartBoard();
    BootToMonitor();
    // Where the monitor waits for a command, '$' can only be a reset without the jumper.
    EXPECT_EQ(line_->Request("r 0x0001 0x2013 0x00"), "c 0x0001 0x00 0x8");
    bool boot_mode = true;
    board_->InspectBoot([&](const CBootModel&, bool mode) { boot_mode = mode; });
    EXPECT_FALSE(boot_mode);
}

TEST_F(BootTest, BootFaultsOnDemand)
{
    BoardSimOptions options;
    std::string error;
    for (const char* fault : {"boot-id=1x", "boot-loader=1x", "boot-checksum=1x", "boot-driver=1x@1"}) {
        ASSERT_TRUE(options.faults.Parse(fault, &error)) << error;
    }
    StartBoard(options);
    EXPECT_EQ(Exchange(Bytes({0x00}), 1), Bytes({0x55})) << "wrong identification byte";
    line_->Read(1, static_cast<uint32_t>(CBootModel::kResetGapMs) + 100);
    ASSERT_EQ(Exchange(Bytes({0x00}), 1), Bytes({0xD5}));
    EXPECT_EQ(Exchange(SupportImage("BootLoader.hex"), 1, 600), "") << "0x01 withheld";
    line_->Read(1, static_cast<uint32_t>(CBootModel::kResetGapMs) + 100);
    BootToMonitor();
    const std::string data = Bytes({1, 2, 4, 8});
    EXPECT_EQ(WriteBlock(0x00D000, data), Bytes({0xAA, 0xEA}));
    EXPECT_EQ(Checksum(), Bytes({0xAA, static_cast<uint8_t>(~XorOf(data)), 0xEA})) << "wrong checksum once";
    EXPECT_EQ(Checksum(), Bytes({0xAA, XorOf(data), 0xEA}));
    LoadDriver("FlashDriverInternal.hex");
    EXPECT_EQ(Erase(5), 0);
    EXPECT_EQ(Erase(5), 0x0010) << "driver error on the second call";
    EXPECT_EQ(board_->FaultsStruck(SimFault::BootDriverError), 1u);
}

TEST_F(BootTest, ABoardThatStopsAnsweringInTheMiddleOfADownload)
{
    BoardSimOptions options;
    std::string error;
    ASSERT_TRUE(options.faults.Parse("boot-hang=1x@2", &error)) << error;
    StartBoard(options);
    BootToMonitor();
    EXPECT_EQ(WriteBlock(0x00D000, Bytes({1, 2})), Bytes({0xAA, 0xEA}));
    EXPECT_EQ(WriteBlock(0x00D000, Bytes({1, 2})), Bytes({0xAA, 0xEA}));
    EXPECT_EQ(WriteBlock(0x00D000, Bytes({1, 2})), Bytes({0xAA})) << "acknowledged, then silence";
    EXPECT_EQ(Exchange(Bytes({0x93}), 2, 300), "");
}

}  // namespace
