#include <gtest/gtest.h>

#include <string>

#include "shell/OutputBoxText.h"

TEST(OutputBoxText, LinesAreAppendedWithCrLfUntilTheLimit)
{
    std::string box;
    EXPECT_FALSE(AppendOutputLine(box, "Opening COM port."));
    EXPECT_FALSE(AppendOutputLine(box, ""));
    EXPECT_EQ(box, "Opening COM port.\r\n\r\n");
}

TEST(OutputBoxText, AFullBoxKeepsItsLastLinesFromALineBreak)
{
    // 99 characters and CR LF a line: the box reaches 22001 characters with its 201st line.
    const std::string line(99, 'x');
    std::string box;
    int cuts = 0;
    for (int i = 0; i < 220; ++i) {
        cuts += AppendOutputLine(box, line) ? 1 : 0;
        EXPECT_LT(box.size(), kOutputBoxLimit);
    }
    EXPECT_EQ(cuts, 1);
    // At the cut 22001 + 100 - 1 characters were there; the last 20000 start inside a line,
    // so the box goes on from the next line break.
    EXPECT_EQ(box.substr(0, 5), "...\r\n");
    EXPECT_EQ(box.substr(box.size() - 102), "\n" + line + "\r\n");
    EXPECT_EQ((box.size() - 5) % 101, 0u);

    // A single line longer than the box: its own line end is the first break at the cut.
    std::string huge;
    EXPECT_TRUE(AppendOutputLine(huge, std::string(30000, 'y')));
    EXPECT_EQ(huge, "...\r\n");
}
