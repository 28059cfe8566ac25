// The state file: what one run of the board leaves behind, the next run finds again.
#include <gtest/gtest.h>

#include "BootBytes.h"
#include "SimFixture.h"
#include "TestSupport.h"

namespace {

class StateTest : public SimFixture {
protected:
    // Resets the board into boot mode; frames the board was still sending are skipped.
    void EnterBoot()
    {
        line_->Write(std::string(1, '\0'));
        std::string got;
        while (got.find('\xD5') == std::string::npos) {
            const std::string more = line_->Read(1, 2000);
            ASSERT_FALSE(more.empty()) << "no identification byte after " << got;
            got += more;
        }
    }
};

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

TEST_F(StateTest, FlashCalibrationAndBuffersSurviveARestart)
{
    CTempFolder folder;
    BoardSimOptions options;
    options.state_file = folder.File("board.state");
    StartBoard(options);
    EXPECT_EQ(line_->Request("w 0x0001 0x2022 0x06 4321"), "c 0x0001 0x00");
    EXPECT_EQ(line_->Request("w 0x0002 0x2007 0x03 0x00112233"), "c 0x0002 0x00");
    EXPECT_EQ(line_->Request("w 0x0003 0x2000 0x18"), "c 0x0003 0x00");
    // Into boot mode, load the internal driver and program two bytes.
    EnterBoot();
    line_->Write(SupportImage("BootLoader.hex"));
    ASSERT_EQ(line_->Read(1, 2000), Bytes({0x01}));
    line_->Write(SupportImage("BootMonitor.hex"));
    ASSERT_EQ(line_->Read(1, 2000), Bytes({0x03}));
    const std::string driver = SupportImage("FlashDriverInternal.hex");
    line_->Write(Bytes({0x84}) + Addr3(0x00E000) + Le16(static_cast<uint16_t>(driver.size())) + driver);
    ASSERT_EQ(line_->Read(2, 2000), Bytes({0xAA, 0xEA}));
    line_->Write(Bytes({0x84}) + Addr3(0x00C000) + Le16(2) + Bytes({0x5A, 0xA5}));
    ASSERT_EQ(line_->Read(2, 2000), Bytes({0xAA, 0xEA}));
    line_->Write(Bytes({0x9F}) + DriverCall(0x00E000, {0, 2, 0xC000, 0x0000, 0, 0x0100, 0x00C1, 0}));
    ASSERT_EQ(line_->Read(18, 2000).size(), 18u);
    TearDown();
    const std::string state = ReadFileText(options.state_file);
    EXPECT_NE(state.find("[Flash XC167]\nC10100=5AA5FFFF"), std::string::npos) << state.substr(0, 400);
    EXPECT_NE(state.find("Record3=0x00112233"), std::string::npos);

    StartBoard(options);
    EXPECT_EQ(line_->Request("r 0x0004 0x2022 0x06"), "c 0x0004 0x00 0x10e1");
    EXPECT_EQ(line_->Request("r 0x0005 0x2007 0x03"), "c 0x0005 0x00 0x00112233");
    EnterBoot();
    line_->Write(SupportImage("BootLoader.hex"));
    ASSERT_EQ(line_->Read(1, 2000), Bytes({0x01}));
    line_->Write(SupportImage("BootMonitor.hex"));
    ASSERT_EQ(line_->Read(1, 2000), Bytes({0x03}));
    line_->Write(Bytes({0x85}) + Addr3(0xC10100) + Le16(3));
    EXPECT_EQ(line_->Read(5, 2000), Bytes({0xAA, 0x5A, 0xA5, 0xFF, 0xEA}));
    // Another board model keeps the first board's flash in the file untouched.
    TearDown();
    options.board = "XC167X";
    StartBoard(options);
    EXPECT_EQ(line_->Request("w 0x0006 0x2022 0x06 1234"), "c 0x0006 0x00");
    TearDown();
    EXPECT_NE(ReadFileText(options.state_file).find("[Flash XC167]\nC10100=5AA5FFFF"), std::string::npos);
    EXPECT_NE(ReadFileText(options.state_file).find("[Flash XC167X]"), std::string::npos);
    board_.reset();
}

TEST(StateFileTest, AMalformedStateFileStopsTheStart)
{
    CTempFolder folder;
    for (const char* text : {"[Buffers]\nnonsense\n", "[Buffers]\n0.x.6=1\n", "[Flash XC167]\nC00000=ABC\n"}) {
        BoardSimOptions options;
        options.state_file = folder.Write("bad.state", text);
        CBoardSimulator board(options);
        std::string error;
        EXPECT_FALSE(board.Start(&error)) << text;
        EXPECT_NE(error.find("bad.state"), std::string::npos) << error;
    }
}

}  // namespace
