#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

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

// Runs started in the same second used to draw the same number (the generator was seeded from
// the clock), so their message IDs repeated. Draws in quick succession must differ, whatever the
// state of the C library's generator.
TEST(InstanceNumberTest, DrawsInTheSameSecondDiffer)
{
    std::set<uint16_t> drawn;
    for (int i = 0; i < 32; ++i) {
        std::srand(1);
        drawn.insert(DrawInstanceNumber());
    }
    EXPECT_GE(drawn.size(), 30u);
}
