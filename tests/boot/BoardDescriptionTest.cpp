#include <gtest/gtest.h>

#include "TestSupport.h"
#include "boot/BoardDescription.h"
#include "boot/TextOutput.h"
#include "platform/Profile.h"

namespace {

class CLines : public ITextOutput {
public:
    void OutputText(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

CBoardDescription Description(const std::string& text)
{
    return CBoardDescription(CProfile::FromText(text));
}

TEST(BoardDescriptionTest, BoardListEndsAtTheFirstEmptyText)
{
    const CBoardDescription description = Description(
        "[ControllerBoards]\nCB0=XC167\nCBinfo0=First board\nCB1=XC164\nCBinfo1=\nCB2=Other\nCBinfo2=Third\n");
    const std::vector<tagBoardEntry> boards = description.BoardList();
    ASSERT_EQ(boards.size(), 1u);
    EXPECT_EQ(boards[0].identifier, "XC167");
    EXPECT_EQ(boards[0].info, "First board");
    EXPECT_TRUE(Description("").BoardList().empty());
}

TEST(BoardDescriptionTest, SectionListRules)
{
    std::string text = "[B]\nFlashTransferSize00=256\nFlashTransferSize01=128\n";
    // Sections 0..10 complete (index 10 is written "10"), section 11 names driver 2 which has no
    // transfer size: the list ends there although section 12 is complete.
    for (int n = 0; n <= 12; ++n) {
        char index[8];
        std::snprintf(index, sizeof index, "%02d", n);
        text += std::string("Section") + index + "=" + std::to_string(0x10000 * (n + 1)) + "\n";
        text += std::string("SectionNumber") + index + "=" + std::to_string(n) + "\n";
        text += std::string("SectionSize") + index + "=0x10000\n";
        text += std::string("SectionDriver") + index + "=" + (n == 11 ? "2" : std::to_string(n % 2)) + "\n";
        text += std::string("SectionEraseChar") + index + "=" + (n == 0 ? "511" : "0") + "\n";
    }
    CLines lines;
    const std::vector<tagSectionInfo> sections = Description(text).ReadSectionList("b", &lines);
    ASSERT_EQ(sections.size(), 11u);
    EXPECT_EQ(sections[0].erase_char, 0xFF);
    EXPECT_EQ(sections[10].start, 0x10000u * 11);
    EXPECT_EQ(sections[1].transfer_size, 128u);
    EXPECT_EQ(sections[2].transfer_size, 256u);
    EXPECT_EQ(sections[0].erase, 0);
    ASSERT_EQ(lines.lines.size(), 11u);
    EXPECT_EQ(lines.lines[1], "Section 1: start = 0x020000, length = 0x010000");

    // Index 100 is written "Section100".
    const CProfile big = CProfile::FromText("[B]\nSection100=5\n");
    EXPECT_EQ(Description("[B]\nSection100=5\n").Int("B", "Section100"), 5u);
    EXPECT_TRUE(big.HasKey("B", "Section100"));
}

TEST(BoardDescriptionTest, DownloadLayout)
{
    const std::string base =
        "[B]\nSection00=0x10000\nSectionNumber00=0\nSectionSize00=0x10000\nSectionDriver00=0\n"
        "SectionEraseChar00=0xFF\nFlashTransferSize00=256\n";
    tagDownloadLayout layout;
    EXPECT_FALSE(Description(base).ReadDownloadLayout("B", layout, nullptr));  // no transfer address

    const std::string full = base +
                             "FlashTransferAddress=0xE000\nProgressIndicatorAddress=0xFFC2\n"
                             "ProgressIndicatorData0=0x10001\nChecksumAddressCode=0x1FFFE\n"
                             "ChecksumRangeCodeStart00=0x30000\nChecksumRangeCodeEnd00=0x3FFFF\n"
                             "ChecksumRangeCodeStart01=0x10000\nChecksumRangeCodeEnd01=0x1FFFD\n"
                             "ChecksumRangeCodeStart02=0x30000\nChecksumRangeCodeEnd02=0x30001\n"
                             "ChecksumRangeCodeStart03=0x50000\n"
                             "ChecksumRangeCodeStart04=0x60000\nChecksumRangeCodeEnd04=0x60001\n";
    ASSERT_TRUE(Description(full).ReadDownloadLayout("B", layout, nullptr));
    EXPECT_EQ(layout.transfer_address, 0xE000u);
    EXPECT_EQ(layout.progress_address, 0xFFC2u);
    EXPECT_EQ(layout.progress_data0, 0x0001);
    EXPECT_EQ(layout.progress_data1, 0xFFFF);  // missing
    EXPECT_TRUE(layout.checksum_wanted);
    // Sorted by start, equal starts in reading order, ending at the incomplete pair.
    ASSERT_EQ(layout.checksum_ranges.size(), 3u);
    EXPECT_EQ(layout.checksum_ranges[0].start, 0x10000u);
    EXPECT_EQ(layout.checksum_ranges[0].length, 0xFFFEu);
    EXPECT_EQ(layout.checksum_ranges[1].length, 0x10000u);
    EXPECT_EQ(layout.checksum_ranges[2].length, 2u);

    ASSERT_TRUE(Description(base + "FlashTransferAddress=0xE000\n").ReadDownloadLayout("B", layout, nullptr));
    EXPECT_FALSE(layout.checksum_wanted);
    EXPECT_EQ(layout.progress_address, kMissingValue);
}

TEST(BoardDescriptionTest, ConfigLayoutNeedsBothAddresses)
{
    const std::string base = "[B]\nFlashTransferAddress=0xE000\nConfigStartAddress=0x38000\n";
    tagConfigLayout layout;
    EXPECT_FALSE(Description(base).ReadConfigLayout("B", layout, nullptr));
    ASSERT_TRUE(Description(base + "ConfigEndAddress=0x380FF\n").ReadConfigLayout("B", layout, nullptr));
    EXPECT_EQ(layout.config_end, 0x380FFu);
    EXPECT_TRUE(layout.sections.empty());
}

TEST(BoardDescriptionTest, BootDataDefaults)
{
    const CBoardDescription description = Description("[B]\nSFRaddress00=1\nSFRdata00=2\nSFRaddress01=3\n");
    EXPECT_EQ(description.ProcessorIdByte("B"), 0xFF);
    EXPECT_EQ(description.BootLoader("B"), "");
    EXPECT_EQ(description.FlashTransferSize("B", 0), kMissingValue);
    uint32_t address = 0;
    uint16_t data = 0;
    EXPECT_TRUE(description.Sfr("B", 0, address, data));
    EXPECT_FALSE(description.Sfr("B", 1, address, data));
}

TEST(BoardDescriptionTest, SectionLookup)
{
    std::vector<tagSectionInfo> sections(3);
    sections[0].start = 0x10000;
    sections[0].size = 0x100;
    sections[1].start = 0x10080;  // overlaps the first: the first in list order wins
    sections[1].size = 0x100;
    sections[2].start = 0xFFFFFF00;
    sections[2].size = 0x100;  // reaches the end of the 32-bit space
    EXPECT_EQ(FindSection(sections, 0x0FFFF), nullptr);
    EXPECT_EQ(FindSection(sections, 0x10000), &sections[0]);
    EXPECT_EQ(FindSection(sections, 0x100FF), &sections[0]);
    EXPECT_EQ(FindSection(sections, 0x10100), &sections[1]);
    EXPECT_EQ(FindSection(sections, 0x10180), nullptr);
    EXPECT_EQ(FindSection(sections, 0xFFFFFFFF), &sections[2]);
}

}  // namespace
