#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Profile.h"

namespace {

const char kBoards[] =
    "; controller boards\r\n"
    "[ControllerBoards]\r\n"
    "CB0 = XC167\r\n"
    "CBinfo0=  XC167 controller board, 256 KB flash  \r\n"
    "\n"
    "[xc167]\n"
    "BootLoader=\"boot loader.hex\"\n"
    "ProcessorIdByte=0xC5\n"
    "Section00=0xC00000\n"
    "SectionSize00=16384\n"
    "SectionEraseChar00=511\n"
    "Negative=-1\n"
    "Junk=12abc\n"
    "Empty=\n"
    "Words=no digits\n"
    "bootloader=second.hex\n"
    "[XC167]\n"
    "BootMonitor=ignored.hex\n";

}  // namespace

TEST(ProfileTest, SectionsAndKeysIgnoreCaseAndTheFirstMatchWins)
{
    const CProfile profile = CProfile::FromText(kBoards);
    EXPECT_EQ(profile.GetString("controllerboards", "cb0", "", 128), "XC167");
    EXPECT_EQ(profile.GetString("XC167", "BOOTLOADER", "", 128), "boot loader.hex");
    // A second section of the same name is never looked at.
    EXPECT_EQ(profile.GetString("XC167", "BootMonitor", "none", 128), "none");
}

TEST(ProfileTest, ValuesAreTrimmedAndBoundedByTheBuffer)
{
    const CProfile profile = CProfile::FromText(kBoards);
    EXPECT_EQ(profile.GetString("ControllerBoards", "CBinfo0", "", 128), "XC167 controller board, 256 KB flash");
    EXPECT_EQ(profile.GetString("ControllerBoards", "CBinfo0", "", 6), "XC167");
    EXPECT_EQ(profile.GetString("ControllerBoards", "CBinfo0", "", 1), "");
    EXPECT_EQ(profile.GetString("ControllerBoards", "CBinfo0", "", 0), "");
    EXPECT_EQ(profile.GetString("XC167", "Empty", "default", 128), "");
    EXPECT_EQ(profile.GetString("XC167", "Missing", "default", 128), "default");
    EXPECT_EQ(profile.GetString("NoSection", "CB0", "", 128), "");
}

TEST(ProfileTest, IntegersReadDecimalAndHexadecimalWithTheirDefault)
{
    const CProfile profile = CProfile::FromText(kBoards);
    const struct {
        const char* key;
        uint32_t value;
    } rows[] = {
        {"ProcessorIdByte", 0xC5}, {"Section00", 0xC00000}, {"SectionSize00", 16384},
        {"SectionEraseChar00", 511}, {"Negative", 0xFFFFFFFF}, {"Junk", 12},
        {"Empty", 0}, {"Words", 0}, {"Missing", 0xFFFFFFFF},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(profile.GetInt("XC167", row.key, -1), row.value) << row.key;
    }
    EXPECT_EQ(profile.GetInt("XC167", "Missing", 7), 7u);
    EXPECT_TRUE(profile.HasKey("XC167", "Empty"));
    EXPECT_FALSE(profile.HasKey("XC167", "Missing"));
}

TEST(ProfileTest, MissingFileReadsAsEmpty)
{
    EXPECT_FALSE(CProfile::Load("/nonexistent/ZOVtool.ini").Loaded());
    EXPECT_EQ(GetProfileString("/nonexistent/ZOVtool.ini", "A", "B", "dflt", 128), "dflt");
    EXPECT_EQ(GetProfileInt("/nonexistent/ZOVtool.ini", "A", "B", -1), 0xFFFFFFFFu);
}

TEST(ProfileTest, OneCallFormsReadTheFileAfreshEachTime)
{
    CTempFolder folder;
    const std::string path = folder.Write("a.ini", "[S]\nK=1\n");
    EXPECT_EQ(GetProfileInt(path, "S", "K", -1), 1u);
    folder.Write("a.ini", "[S]\r\nK=2\r\n");
    EXPECT_EQ(GetProfileInt(path, "S", "K", -1), 2u);
}

TEST(ProfileTest, LinesOutsideSectionsAndWithoutEqualsAreIgnored)
{
    const CProfile profile = CProfile::FromText("K=outside\n[S]\njust text\nK = inside\n[broken\nX=1\n");
    EXPECT_EQ(profile.GetString("S", "K", "", 64), "inside");
    EXPECT_EQ(profile.GetString("broken", "X", "", 64), "1");
}
