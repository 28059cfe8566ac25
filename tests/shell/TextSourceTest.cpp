#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Paths.h"
#include "shell/InstanceNumber.h"
#include "shell/TextSource.h"

TEST(TextSourceTest, JoinsNumberedKeysAndTurnsNewLineKeysIntoLineBreaks)
{
    CTempFolder folder;
    const std::string path = folder.Write("strings.ini",
                                          "[II-Focus]\r\n"
                                          "I_START_00=First line\r\n"
                                          "I_START_01=<new-line>\r\n"
                                          "I_START_02=Second line with %s\r\n"
                                          "I_START_04=after the gap\r\n"
                                          "A_START_00=Press Start.\r\n");
    CTextSource source(path);
    EXPECT_EQ(source.GetText("II-Focus", "I_START"), "First line\r\nSecond line with %s");
    EXPECT_EQ(source.GetText("II-Focus", "A_START"), "Press Start.");
    EXPECT_EQ(source.GetText("II-Focus", "I_OTHER"), "");
    EXPECT_EQ(source.GetText("Missing", "I_START"), "");
}

TEST(TextSourceTest, AnEmptyValueEndsTheTextAndLinesAreCutAt510Characters)
{
    CTempFolder folder;
    const std::string long_line(600, 'x');
    const std::string path = folder.Write("strings.ini",
                                          "[S]\nT_00=" + long_line + "\nT_01=\nT_02=never\n"
                                          "[N]\nT_00=a\nT_01=b\nT_02=c\nT_03=d\nT_04=e\nT_05=f\nT_06=g\n"
                                          "T_07=h\nT_08=i\nT_09=j\nT_10=k\nT_11=\n");
    CTextSource source(path);
    EXPECT_EQ(source.GetText("S", "T"), std::string(510, 'x'));
    EXPECT_EQ(source.GetText("N", "T"), "abcdefghijk");
}

TEST(TextSourceTest, TheSharedSourceLivesWhileAReferenceIsHeld)
{
    std::weak_ptr<CTextSource> watch;
    {
        auto first = CTextSource::Acquire();
        auto second = CTextSource::Acquire();
        EXPECT_EQ(first.get(), second.get());
        EXPECT_EQ(first->Path(), SupportFile("ZOVtoolStrings.ini"));
        watch = first;
    }
    EXPECT_TRUE(watch.expired());
}

TEST(InstanceNumberTest, ScalingKeepsTheFullSixteenBitRange)
{
    EXPECT_EQ(ScaleToInstanceNumber(0, 32767), 0);
    EXPECT_EQ(ScaleToInstanceNumber(32767, 32767), 65535);
    EXPECT_EQ(ScaleToInstanceNumber(16384, 32767), 32768);
    EXPECT_EQ(ScaleToInstanceNumber(2147483647, 2147483647), 65535);
    EXPECT_EQ(ScaleToInstanceNumber(1073741824, 2147483647), 32767);
}

TEST(InstanceNumberTest, DrawnNumbersSpreadOverTheRange)
{
    // The generator is seeded from the clock; values from one draw per second would take too
    // long, so the scaling is checked on the raw generator instead.
    (void)DrawInstanceNumber();
    bool high = false;
    for (int i = 0; i < 200 && !high; ++i) {
        high = ScaleToInstanceNumber(static_cast<uint64_t>(std::rand()), RAND_MAX) > 40000;
    }
    EXPECT_TRUE(high);
}
