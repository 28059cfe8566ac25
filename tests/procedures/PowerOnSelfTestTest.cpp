// The power-on self test result: the box text for each bit pattern, and the read against the
// simulated board, passed, failed and unreadable.
#include "SimBoardFixture.h"
#include "procedures/PowerOnSelfTest.h"

namespace {

TEST(PowerOnSelfTestTextTest, BitTextsInOrder)
{
    const struct {
        uint32_t result;
        const char* text;
    } rows[] = {
        {0, "Power on self test: \"Passed\""},
        {5, "Controller board error\r\nCamera error\r\n"},
        {16, "Image Intensifier error"},
        {31, "Controller board error\r\nInterface board error\r\nCamera error\r\nIris error\r\n"
             "Image Intensifier error"},
        {10, "Interface board error\r\nIris error\r\n"},
        // Bits without a text of their own are failures too, never "Passed".
        {32, "Unknown self test error bits: 0x00000020"},
        {0x80000011, "Controller board error\r\nImage Intensifier error\r\n"
                     "Unknown self test error bits: 0x80000000"},
        {0x42, "Interface board error\r\nUnknown self test error bits: 0x00000040"},
    };
    for (const auto& row : rows) EXPECT_EQ(PowerOnSelfTestText(row.result), row.text) << row.result;
}

class PowerOnSelfTestRead : public SimBoardTest {};

TEST_F(PowerOnSelfTestRead, PassedFailedAndUnreadable)
{
    const struct {
        const char* scenario;
        bool read_ok;
        bool passed;
        const char* text;
    } rows[] = {
        {"[Subsystem]\nPostResult=0\n", true, true, "Power on self test: \"Passed\""},
        {"[Subsystem]\nPostResult=5\n", true, false, "Controller board error\r\nCamera error\r\n"},
        {"[Results]\nResult1=0x2010, 1, 0x06090011\n", false, false, "Error reading power on self test result."},
    };
    for (const auto& row : rows) {
        handler_.reset();
        if (sim_) sim_->Stop();
        StartBoard(row.scenario);
        const tagPowerOnSelfTest post = ReadPowerOnSelfTest(Handler());
        EXPECT_EQ(post.read_ok, row.read_ok) << row.scenario;
        EXPECT_EQ(post.Passed(), row.passed) << row.scenario;
        EXPECT_EQ(post.Text(), row.text) << row.scenario;
        EXPECT_EQ(Requests(), std::vector<std::string>{"r 0x2010 0x01"});
    }
}

}  // namespace
