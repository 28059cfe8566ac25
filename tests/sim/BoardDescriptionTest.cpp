// The board description in the support folder must describe the boards the simulator models,
// or the tool and the board would disagree about where things are.
#include <gtest/gtest.h>

#include "BoardMemory.h"
#include "BootBytes.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Profile.h"

namespace {

TEST(BoardDescriptionTest, TheIniFileMatchesTheSimulatedBoards)
{
    const CProfile ini = CProfile::Load(SupportFile("ZOVtool.ini"));
    ASSERT_TRUE(ini.Loaded());
    std::vector<std::string> boards;
    for (int i = 0;; ++i) {
        const std::string id = ini.GetString("ControllerBoards", Format("CB%d", i), "", 128);
        if (id.empty() || ini.GetString("ControllerBoards", Format("CBinfo%d", i), "", 128).empty()) {
            break;
        }
        boards.push_back(id);
    }
    ASSERT_EQ(boards, (std::vector<std::string>{"XC167", "XC167X"}));

    for (const std::string& board : boards) {
        SCOPED_TRACE(board);
        SimBoardLayout layout;
        ASSERT_TRUE(SimBoardLayoutByName(board, &layout));
        auto num = [&](const std::string& key) { return ini.GetInt(board, key, -1); };
        EXPECT_EQ(num("ProcessorIdByte") & 0xFF, layout.id_byte);

        size_t n = 0;
        for (;; ++n) {
            const uint32_t start = num(Format("Section%02zu", n));
            if (start == 0xFFFFFFFF) {
                break;
            }
            ASSERT_LT(n, layout.sections.size());
            const SimFlashSection& s = layout.sections[n];
            EXPECT_EQ(start, s.start) << n;
            EXPECT_EQ(num(Format("SectionSize%02zu", n)), s.size) << n;
            EXPECT_EQ(num(Format("SectionNumber%02zu", n)), s.number) << n;
            EXPECT_EQ(num(Format("SectionDriver%02zu", n)), static_cast<uint32_t>(s.driver)) << n;
            EXPECT_EQ(num(Format("SectionEraseChar%02zu", n)) & 0xFF, s.erase_char) << n;
            const uint32_t transfer = num(Format("FlashTransferSize%02d", s.driver));
            EXPECT_NE(transfer, 0xFFFFFFFF) << n;
            EXPECT_EQ(transfer % 2, 0u) << n;
            const uint32_t buffer = num("FlashTransferAddress");
            EXPECT_GE(buffer, layout.ram_start);
            EXPECT_LE(buffer + transfer, 0x00E000u) << "transfer buffer runs into the driver";
        }
        EXPECT_EQ(n, layout.sections.size());

        CBoardMemory memory(layout);
        EXPECT_NE(memory.SectionAt(num("ChecksumAddressCode")), nullptr);
        EXPECT_NE(memory.SectionAt(num("ConfigStartAddress")), nullptr);
        EXPECT_EQ(memory.SectionAt(num("ConfigStartAddress")), memory.SectionAt(num("ConfigEndAddress")));
        const uint32_t led = num("ProgressIndicatorAddress");
        EXPECT_TRUE(led >= layout.sfr_start && led < layout.sfr_end);

        // The chip select the external flash needs is among the registers the monitor sets.
        for (const auto& [address, value] : layout.bus_setup) {
            bool found = false;
            for (int i = 0; num(Format("SFRaddress%02d", i)) != 0xFFFFFFFF; ++i) {
                found = found || (num(Format("SFRaddress%02d", i)) == address &&
                                  (num(Format("SFRdata%02d", i)) & 0xFFFF) == value);
            }
            EXPECT_TRUE(found) << Format("0x%06X", address);
        }

        // Images: the loader names the monitor as it is; drivers lie in RAM, fit the block bound.
        uint32_t loader_at = 0, monitor_at = 0;
        const std::string loader = SupportImage(ini.GetString(board, "BootLoader", "", 128), &loader_at);
        const std::string monitor = SupportImage(ini.GetString(board, "BootMonitor", "", 128), &monitor_at);
        ASSERT_EQ(loader.size(), 32u);
        EXPECT_EQ(loader_at, layout.loader_address);
        EXPECT_EQ(static_cast<uint8_t>(loader[4]) | static_cast<uint8_t>(loader[5]) << 8 |
                      static_cast<uint8_t>(loader[6]) << 16,
                  monitor_at);
        EXPECT_EQ(static_cast<uint8_t>(loader[7]) | static_cast<uint8_t>(loader[8]) << 8, monitor.size());
        const uint32_t bound = num("FlashTransferSize00");
        EXPECT_LE(monitor.size(), bound);
        for (int d = 0;; ++d) {
            const std::string name = ini.GetString(board, Format("FlashDriver%02d", d), "", 128);
            if (name.empty()) {
                break;
            }
            uint32_t at = 0;
            const std::string driver = SupportImage(name, &at);
            EXPECT_EQ(driver.substr(0, 4), "ZFD1") << name;
            EXPECT_EQ(static_cast<uint8_t>(driver[4]), d) << name;
            EXPECT_LE(driver.size(), bound) << name;
            EXPECT_TRUE(at >= layout.ram_start && at + driver.size() <= 0x00F600) << name;
        }
    }
}

}  // namespace
