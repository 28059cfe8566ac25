// What the Software Download page shows without its window: the output box's cut to its last
// part, and the page's controls and settings.

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "boot/OutputBoxText.h"
#include "boot/SwDownloadPageState.h"
#include "shell/AppSettings.h"

namespace {

// Line n of a test: 98 characters, so that it takes 100 with its line end.
std::string Line(int n)
{
    std::string line = std::to_string(n) + ":";
    line.resize(98, static_cast<char>('a' + n % 26));
    return line;
}

}  // namespace

TEST(OutputBoxTextTest, CutsAtTheFirstLineEndWithinTheLast20000Characters)
{
    COutputBoxText box;
    std::string all;
    for (int n = 0; n < 220; ++n) {
        EXPECT_FALSE(box.Append(Line(n)));
        all += Line(n) + "\r\n";
    }
    EXPECT_EQ(box.Text(), all);  // 22000 characters: not yet
    ASSERT_TRUE(box.Append(Line(220)));
    all += Line(220) + "\r\n";
    // 22100 characters: the cut looks from 2100, the start of line 21, and keeps from that
    // line's end, so line 22 is the first whole line after "...".
    EXPECT_EQ(box.Text(), "..." + all.substr(2198));
    EXPECT_EQ(box.Text().substr(0, 5 + 98), "...\r\n" + Line(22));
    EXPECT_FALSE(box.Append("DONE"));
    EXPECT_TRUE(box.Text().ends_with(Line(220) + "\r\nDONE\r\n"));
}

TEST(OutputBoxTextTest, NeverGrowsBeyondTheCut)
{
    COutputBoxText box;
    size_t cuts = 0;
    for (int n = 0; n < 3000; ++n) {
        const std::string line(static_cast<size_t>(n * 37 % 150), 'x');
        if (box.Append(line)) {
            ++cuts;
            EXPECT_TRUE(box.Text().starts_with("...\r\n"));
        }
        ASSERT_LT(box.Text().size(), COutputBoxText::kCutLength);
        ASSERT_TRUE(box.Text().ends_with(line + "\r\n"));
    }
    EXPECT_GT(cuts, 10u);
    // One line longer than the whole box leaves only the marker and a line end.
    EXPECT_TRUE(box.Append(std::string(25000, 'y')));
    EXPECT_EQ(box.Text(), "...\r\n");
}

TEST(SwDownloadPageStateTest, SettingsAreReadAtTheStartAndWrittenAtTheEnd)
{
    CScopedSettingsFile settings;
    {
        CSwDownloadPageState state;
        EXPECT_EQ(state.FileName(), "");
        EXPECT_FALSE(state.Verify());
        EXPECT_FALSE(state.ButtonEnabled());
        state.SetFileName("/data/firmware v2.hex");
        state.SetVerify(true);
        // Nothing is written while the page lives.
        EXPECT_EQ(AppSettings::GetDownloadFilename(), "");
    }
    EXPECT_EQ(AppSettings::GetDownloadFilename(), "/data/firmware v2.hex");
    EXPECT_TRUE(AppSettings::GetVerifyAfterProgram());
    CSwDownloadPageState again;
    EXPECT_EQ(again.FileName(), "/data/firmware v2.hex");
    EXPECT_TRUE(again.Verify());
    EXPECT_TRUE(again.ButtonEnabled());
}

struct ControlRow {
    const char* name;
    bool running;
    bool aborting;
    const char* caption;
    bool button;
    bool browse;
};

TEST(SwDownloadPageStateTest, ControlsFollowTheNameAndTheState)
{
    CScopedSettingsFile settings;
    const ControlRow rows[] = {
        {"", false, false, "&Download", false, true},
        {"image.hex", false, false, "&Download", true, true},
        // Running: the button aborts, even when the name field has been emptied meanwhile.
        {"", true, false, "Abort", true, false},
        {"image.hex", true, false, "Abort", true, false},
        // Abort pressed: nothing more to press until the download has stopped.
        {"image.hex", true, true, "Abort", false, false},
    };
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(std::string(row.name) + (row.running ? " running" : " idle") + (row.aborting ? " aborting" : ""));
        CSwDownloadPageState state;
        state.SetFileName(row.name);
        state.SetRunning(row.running);
        if (row.aborting) {
            state.SetAborting();
        }
        EXPECT_EQ(std::string(state.ButtonCaption()), row.caption);
        EXPECT_EQ(state.ButtonEnabled(), row.button);
        EXPECT_EQ(state.BrowseEnabled(), row.browse);
    }
    // Abort has no meaning while idle, and the idle state ends an abort.
    CSwDownloadPageState state;
    state.SetAborting();
    EXPECT_FALSE(state.Aborting());
    state.SetRunning(true);
    state.SetAborting();
    EXPECT_TRUE(state.Aborting());
    state.SetRunning(false);
    EXPECT_FALSE(state.Aborting());
}
