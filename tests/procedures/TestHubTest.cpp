// The tests hub's logic against the simulated board: the start-up exchange, the self test results
// 0, 5 and a failed read at start and from the result button, and what the hub hands the tests.
#include "ProcedureFixture.h"
#include "procedures/TestHub.h"
#include "shell/AppSettings.h"

namespace {

TEST_F(ProcedureTest, HubStartUpDecidesWhetherTheTestsRun)
{
    const struct {
        const char* scenario;
        bool enabled;
    } rows[] = {
        {"[Subsystem]\nPostResult=0\n", true},
        {"[Subsystem]\nPostResult=5\n", false},
        {"[Results]\nResult1=0x2010, 1, 0x06090011\n", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scenario);
        handler_.reset();
        if (sim_) sim_->Stop();
        StartBoard(row.scenario);
        CTestHub hub;
        EXPECT_FALSE(hub.TestsEnabled()) << "nothing runs before the self test was read";
        EXPECT_FALSE(hub.SelfTestErrorShown());
        hub.ApplyStartUp(CTestHub::StartUp(Handler()));
        EXPECT_EQ(RequestsSinceMark(), (std::vector<std::string>{"w 0x2000 0x01", "r 0x2010 0x01"}));
        EXPECT_EQ(hub.TestsEnabled(), row.enabled);
        EXPECT_EQ(hub.SelfTestErrorShown(), !row.enabled);
    }
}

TEST_F(ProcedureTest, ResultButtonShowsTheBitsAndReenablesOnceCleared)
{
    // The error is repaired after the start-up read and one press.
    StartBoard("[Subsystem]\nPostResult=5\nPostClearsAfterReads=2\n");
    CTestHub hub;
    hub.ApplyStartUp(CTestHub::StartUp(Handler()));
    ASSERT_FALSE(hub.TestsEnabled());

    tagPostBox box = hub.ApplyResultButton(ReadPowerOnSelfTest(Handler()));
    EXPECT_EQ(box.text, "Controller board error\r\nCamera error\r\n");
    EXPECT_EQ(box.icon, PromptIcon::Information);
    EXPECT_FALSE(hub.TestsEnabled());
    EXPECT_TRUE(hub.SelfTestErrorShown());

    box = hub.ApplyResultButton(ReadPowerOnSelfTest(Handler()));
    EXPECT_EQ(box.text, "Power on self test: \"Passed\"");
    EXPECT_TRUE(hub.TestsEnabled());
    EXPECT_FALSE(hub.SelfTestErrorShown());

    // A read that fails says so and changes nothing.
    sim_->Stop();
    box = hub.ApplyResultButton(tagPowerOnSelfTest{});
    EXPECT_EQ(box.text, "Error reading power on self test result.");
    EXPECT_EQ(box.icon, PromptIcon::Error);
    EXPECT_TRUE(hub.TestsEnabled());
}

TEST(TestHubTest, ButtonsPrepareFlagAndTiming)
{
    CScopedSettingsFile settings;
    const std::array<const char*, kTestCount> captions = {"   Video Path...", "   Average Video Level...",
                                                          "   Doserate Link...", "   Cosmetic Check..."};
    for (size_t i = 0; i < kTestCount; ++i) EXPECT_STREQ(TestButtons()[i].caption, captions[i]);
    for (const bool prepare : {false, true}) {
        AppSettings::SetPrepareByZovTool(prepare);
        CTestHub hub;
        EXPECT_EQ(hub.PrepareFlag(), prepare);
        EXPECT_TRUE(hub.InternalTiming());
        hub.SetInternalTiming(false);
        EXPECT_EQ(hub.ProcedureSettings().prepare, prepare);
        EXPECT_FALSE(hub.ProcedureSettings().internal_timing);
    }
}

}  // namespace
