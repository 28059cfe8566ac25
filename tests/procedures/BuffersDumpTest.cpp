// The buffers overview: the texts of its headers, lines and values, and the whole dump against the
// simulated board (its order, the buffers it leaves out, the Review rule, and a stop before the
// next parameter).
#include <algorithm>

#include "SimBoardFixture.h"
#include "procedures/BuffersDump.h"

namespace {

ParamValue Value(uint32_t type, uint32_t number)
{
    ParamValue value;
    value.type = type;
    value.number = number;
    return value;
}

TEST(BuffersDumpTextTest, ValuesByType)
{
    ParamValue words = Value(kParamWordArray, 0);
    for (size_t i = 0; i < words.words.size(); ++i) words.words[i] = static_cast<uint16_t>(i == 15 ? 65535 : i);
    ParamValue bytes = Value(kParamByteArray, 0);
    bytes.bytes = {0xFF, 0x01};
    ParamValue negative = Value(kParamShort, 0);
    negative.signed_number = -180;
    const struct {
        ParamValue value;
        const char* text;
    } rows[] = {
        {Value(kParamBool, 1), "TRUE"},
        {Value(kParamBool, 0), "FALSE"},
        {Value(kParamUlong, 4294967295u), "4294967295"},
        {Value(kParamUshort, 65535), "65535"},
        {Value(kParamUchar, 255), "255"},
        {negative, "-180"},
        {bytes, "-1 1"},
        {words, "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 65535 "},
        {Value(7, 1), ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(BuffersDumpText::Value(row.value), row.text) << "type " << row.value.type;
    }
}

TEST(BuffersDumpTextTest, LinesPadTheNameAndAlignTheValues)
{
    const std::string hundred = "100";
    EXPECT_EQ(BuffersDumpText::Line("Zoom", "100", &hundred),
              "Zoom" + std::string(29, ' ') + "| " + std::string(7, ' ') + "100" + " | " + std::string(7, ' ') +
                  "100\r\n");
    EXPECT_EQ(BuffersDumpText::Line("Involved", "TRUE", nullptr),
              "Involved" + std::string(25, ' ') + "|       TRUE | \r\n");
    // Nothing is cut: a name of 33 characters and more, and a long value.
    const std::string long_name = "DoseMeasuringFieldAreaCorrectionX";
    const std::string long_value = "0 1 2 3 4 5 6 7 8 9 ";
    EXPECT_EQ(BuffersDumpText::Line(long_name, long_value, &long_value),
              long_name + "| " + long_value + " | " + long_value + "\r\n");
}

TEST(BuffersDumpTextTest, HeadersNameDeviceBufferAndColumns)
{
    const std::string rule(58, '=');
    const std::string thin(58, '-');
    EXPECT_EQ(BuffersDumpText::Header(0, 9, false),
              rule + "\r\nLogical Device: Image Detection      Buffer: Field Service\r\n" + rule +
                  "\r\nParameter Name                   |  Requested |   \r\n" + thin + "\r\n");
    EXPECT_EQ(BuffersDumpText::Header(1, 10, true),
              rule + "\r\nLogical Device: Image Processing     Buffer:        Review\r\n" + rule +
                  "\r\nParameter Name                   |  Requested |   Accepted\r\n" + thin + "\r\n");
    const struct {
        uint32_t buffer;
        const char* name;
    } buffers[] = {{0, "  System Wide"}, {1, "Application 1"}, {8, "Application 8"}, {9, "Field Service"},
                   {10, "       Review"}, {11, ""}};
    for (const auto& row : buffers) EXPECT_EQ(BuffersDumpText::BufferName(row.buffer), row.name);
    EXPECT_EQ(BuffersDumpText::DeviceName(2), "");
}

class BuffersDumpTest : public SimBoardTest {
protected:
    // The "Logical Device: ..." lines of a dump, in order.
    static std::vector<std::string> Titles(const std::string& text)
    {
        std::vector<std::string> titles;
        for (const std::string& line : CrLfLines(text)) {
            if (line.rfind("Logical Device: ", 0) == 0) titles.push_back(line.substr(16));
        }
        return titles;
    }
    static bool HasLine(const std::string& text, const std::string& line)
    {
        const std::vector<std::string> lines = CrLfLines(text);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(BuffersDumpTest, DumpsInOrderAndSkipsUninvolvedApplications)
{
    // Application 1 is involved on both devices; Panning of device 1's Application 1 holds the
    // bytes 0xFF and 0x01 as requested and accepted value.
    StartBoard("[Subsystem]\nInvolvedApplications=1\n", "[Buffers]\n1.1.42=0xff01\n1.1.43=0xff01\n");
    const ParamValue on = Value(kParamBool, 1);
    uint32_t code = 0;
    ASSERT_TRUE(Handler().ZelDevSetReq(0, 9, "Involved", &on, &code));
    ClearRequests();

    std::string added;
    CBuffersDump dump(Handler(), [&added](const std::string& piece) { added += piece; });
    ASSERT_TRUE(dump.Start());
    ASSERT_TRUE(dump.WaitForEnd(60000));
    const std::string text = dump.Text();
    EXPECT_EQ(added, text) << "every addition is reported";
    EXPECT_FALSE(dump.WasStopped());

    EXPECT_EQ(Titles(text), (std::vector<std::string>{
                                "Image Detection      Buffer: Field Service",
                                "Image Detection      Buffer:   System Wide",
                                "Image Detection      Buffer: Application 1",
                                "Image Processing     Buffer: Field Service",
                                "Image Processing     Buffer:   System Wide",
                                "Image Processing     Buffer: Application 1",
                                "Image Processing     Buffer:        Review",
                            }));
    // The Field Service buffer shows only what is set there, without an accepted column.
    EXPECT_TRUE(HasLine(text, "Involved" + std::string(25, ' ') + "|       TRUE | "));
    EXPECT_TRUE(HasLine(text, "Zoom" + std::string(29, ' ') + "|        100 |        100"));
    EXPECT_TRUE(HasLine(text, "Panning" + std::string(26, ' ') + "|       -1 1 |       -1 1"));
    // Every buffer ends with an empty line; the Field Service buffer of device 1 has no values.
    EXPECT_NE(text.find("----------------------------------------------------------\r\n\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
    // Application 2 was asked about and left out.
    const std::vector<std::string> requests = Requests();
    EXPECT_NE(std::find(requests.begin(), requests.end(), "r 0x2022 0x03"), requests.end());
    EXPECT_EQ(std::find(requests.begin(), requests.end(), "r 0x2022 0x02"), requests.end());
    EXPECT_EQ(requests.front(), "w 0x2000 0x01");
}

TEST_F(BuffersDumpTest, ReviewBufferOnlyWithAnFpgaOfTypeTwo)
{
    const struct {
        const char* version;
        bool review;
    } rows[] = {
        {"Ib: FPGA Type: 2 Rev: 7", true},
        {"Ib: FPGA Type: 2", true},
        {"Ib: FPGA Type: 1 Rev: 3", false},
        {"ib: FPGA Type: 2", false},
        {"Ib: FPGA Type:", false},
    };
    for (const auto& row : rows) {
        handler_.reset();
        if (sim_) sim_->Stop();
        StartBoard(std::string("[Versions]\nComponent6=") + row.version + "\n");
        CBuffersDump dump(Handler(), {});
        dump.Run();
        const std::vector<std::string> titles = Titles(dump.Text());
        ASSERT_FALSE(titles.empty());
        EXPECT_EQ(titles.back() == "Image Processing     Buffer:        Review", row.review) << row.version;
        EXPECT_EQ(titles.size(), row.review ? 5u : 4u) << row.version;
    }
}

TEST_F(BuffersDumpTest, StopEndsTheDumpBeforeTheNextParameter)
{
    StartBoard();
    CBuffersDump* self = nullptr;
    CBuffersDump dump(Handler(), [&](const std::string&) {
        // The third parameter line asks for the stop; nothing may be read after it.
        if (self->ParameterLines() == 3) self->RequestStop();
    });
    self = &dump;
    ASSERT_TRUE(dump.Start());
    ASSERT_TRUE(dump.WaitForEnd(60000));
    EXPECT_TRUE(dump.WasStopped());
    EXPECT_EQ(dump.ParameterLines(), 3u);
    // The Field Service buffer holds nothing; the System Wide buffer's third parameter sits at
    // subindex 10, and the dump ends right after its line.
    const std::vector<std::string> requests = Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), "r 0x2020 0x0a");
    const std::string text = dump.Text();
    EXPECT_EQ(CrLfLines(text).back(), "DoseMeasuringFieldAreaCorrection |       1000 | ");
}

TEST_F(BuffersDumpTest, FailedStartApplicationIsSaidAndTheDumpGoesOn)
{
    StartBoard("[Results]\nResult1=0x2000, 1, 0x08000022\n");
    CBuffersDump dump(Handler(), {});
    dump.Run();
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"Start Application failed."});
    EXPECT_GT(dump.ParameterLines(), 10u);
}

}  // namespace
