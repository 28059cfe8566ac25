#include <gtest/gtest.h>

#include "handler/ParamTable.h"

namespace {

struct TableRow {
    int device;
    const char* name;
    uint32_t requested;
    uint32_t accepted;
    uint32_t type;
};

// A sample of both tables, first and last rows and each value type among them.
const TableRow kRows[] = {
    {0, "Involved", 2, 3, kParamBool},
    {0, "RequestedDoserate", 6, 7, kParamUlong},
    {0, "DoseRatioTable", 14, 15, kParamWordArray},
    {0, "SelectedReceptorFieldSize", 16, 17, kParamUshort},
    {0, "ApplicationFactor", 22, 23, kParamUchar},
    {0, "TraceMethod", 52, 53, kParamUchar},
    {1, "Involved", 2, 3, kParamBool},
    {1, "AutoLockAfterNExposures", 22, 23, kParamUshort},
    {1, "RotationAngle", 38, 39, kParamShort},
    {1, "Zoom", 40, 41, kParamUshort},
    {1, "Panning", 42, 43, kParamByteArray},
    {1, "GreyLevelInvert", 44, 45, kParamBool},
};

class ParamTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dev0_ = CDev0ParamTable::AcquireInstance();
        dev1_ = CDev1ParamTable::AcquireInstance();
    }
    void TearDown() override
    {
        CDev0ParamTable::ReleaseInstance();
        CDev1ParamTable::ReleaseInstance();
    }
    const CParamTable& Table(int device) const
    {
        return device == 0 ? static_cast<const CParamTable&>(*dev0_) : *dev1_;
    }

    CDev0ParamTable* dev0_ = nullptr;
    CDev1ParamTable* dev1_ = nullptr;
};

TEST_F(ParamTableTest, EntriesAndNamesMatchTheTables)
{
    for (const TableRow& row : kRows) {
        SCOPED_TRACE(row.name);
        const ParamEntry* entry = Table(row.device).GetParam(row.name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->requested_subindex, row.requested);
        EXPECT_EQ(entry->accepted_subindex, row.accepted);
        EXPECT_EQ(entry->minimum_subindex, row.requested);
        EXPECT_EQ(entry->maximum_subindex, row.accepted);
        EXPECT_EQ(entry->type, row.type);
        EXPECT_STREQ(Table(row.device).GetParamName(static_cast<uint16_t>(row.requested)), row.name);
    }
}

TEST_F(ParamTableTest, LookupsAreExactAndPerDevice)
{
    EXPECT_EQ(dev0_->GetParam("Zoom"), nullptr);            // only in device 1's table
    EXPECT_EQ(dev1_->GetParam("DosePerImage"), nullptr);    // only in device 0's table
    EXPECT_EQ(dev0_->GetParam("involved"), nullptr);        // case matters
    EXPECT_EQ(dev0_->GetParam(""), nullptr);
    EXPECT_EQ(dev0_->GetParamName(3), nullptr);             // an accepted subindex names nothing
    EXPECT_EQ(dev1_->GetParamName(0), nullptr);
    EXPECT_EQ(dev1_->GetParamName(46), nullptr);
}

TEST(ParamTableSharing, TheLastReleaseDeletesAndTheNextAcquireCreatesAgain)
{
    CDev1ParamTable* first = CDev1ParamTable::AcquireInstance();
    CDev1ParamTable* second = CDev1ParamTable::AcquireInstance();
    EXPECT_EQ(first, second);
    CDev1ParamTable::ReleaseInstance();
    // Still held once: the table is alive and usable.
    EXPECT_NE(first->GetParam("Zoom"), nullptr);
    CDev1ParamTable::ReleaseInstance();
    // An unmatched release does not underflow the count.
    CDev1ParamTable::ReleaseInstance();
    CDev1ParamTable* again = CDev1ParamTable::AcquireInstance();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->GetParam("Zoom"), nullptr);
    CDev1ParamTable::ReleaseInstance();
}

struct ValueRow {
    uint32_t type;
    const char* reply;        // as the subsystem sends it
    const char* text;         // as the tool sends it back
};

const ValueRow kValueRows[] = {
    {kParamBool, "1", "1"},
    {kParamBool, "0x03", "1"},        // bit 0 only
    {kParamBool, "2", "0"},
    {kParamUlong, "0xFFFFFFFF", "4294967295"},
    {kParamUlong, "123456", "123456"},
    {kParamUshort, "0x12345", "9029"},  // low 16 bits
    {kParamUchar, "0x1FF", "255"},      // low 8 bits
    {kParamUchar, "010", "8"},          // octal, as the automatic base reads it
    {kParamShort, "-5", "-5"},
    {kParamShort, "0xFFFB", "-5"},      // 16-bit two's complement
    {kParamShort, "32767", "32767"},
    {kParamUshort, "junk", "0"},
    {kParamByteArray, "0x0a0B", "0x0a0b"},
    {kParamByteArray, "0x7f", "0x7f00"},  // a short reply leaves the missing byte 0
    {kParamWordArray, "0x0001000200030004000500060007000800090010001100120013001400150016",
     "0x0001000200030004000500060007000800090010001100120013001400150016"},
    {kParamWordArray, "0xffff", "0xffff000000000000000000000000000000000000000000000000000000000000"},
};

TEST(ParamValueText, RepliesReadAsTheTypeAndPrintInItsTextForm)
{
    for (const ValueRow& row : kValueRows) {
        SCOPED_TRACE(std::string(row.reply) + " type " + std::to_string(row.type));
        const ParamValue value = ParamValueFromText(row.type, row.reply);
        EXPECT_EQ(value.type, row.type);
        EXPECT_EQ(ParamValueText(value), row.text);
        // The text form reads back as the same value.
        EXPECT_EQ(ParamValueFromText(row.type, ParamValueText(value)), value);
    }
}

// What a script or an engineer gives for a parameter must be a value of its type; read leniently,
// "True" for a flag would have been 0 and 70000 for a 16-bit parameter 4464.
TEST(ParamValueText, InputsMustBeValuesOfTheirType)
{
    const struct {
        uint32_t type;
        const char* input;
        const char* sent;  // nullptr: refused
    } rows[] = {
        {kParamBool, "True", "1"},      {kParamBool, "False", "0"},       {kParamBool, "1", "1"},
        {kParamBool, "true", nullptr},  {kParamBool, "2", nullptr},       {kParamUshort, "65535", "65535"},
        {kParamUshort, "70000", nullptr}, {kParamUchar, "0x1F", "31"},    {kParamUchar, "256", nullptr},
        {kParamUlong, "-1", nullptr},   {kParamUlong, "4294967295", "4294967295"},
        {kParamUlong, "4294967296", nullptr}, {kParamShort, "-32768", "-32768"}, {kParamShort, "0xFFFF", "-1"},
        {kParamShort, "-32769", nullptr}, {kParamUshort, "12abc", nullptr}, {kParamUshort, "", nullptr},
        {kParamByteArray, "0x1020", "0x1020"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.input) + " type " + std::to_string(row.type));
        const std::optional<ParamValue> value = ParamValueFromInput(row.type, row.input);
        ASSERT_EQ(value.has_value(), row.sent != nullptr);
        if (value) {
            EXPECT_EQ(ParamValueText(*value), row.sent);
        }
    }
}

// A reply value of a number type must hold a number; the arrays keep their lenient groups.
TEST(ParamValueText, RepliesWithoutANumberAreNoValue)
{
    EXPECT_FALSE(ParamValueFromReply(kParamUshort, "junk"));
    EXPECT_FALSE(ParamValueFromReply(kParamBool, ""));
    EXPECT_FALSE(ParamValueFromReply(kParamUlong, "0x100000000"));
    EXPECT_EQ(ParamValueText(*ParamValueFromReply(kParamUshort, "0x0190 trailing")), "400");
    EXPECT_EQ(ParamValueText(*ParamValueFromReply(kParamShort, "-90")), "-90");
    EXPECT_EQ(ParamValueText(*ParamValueFromReply(kParamByteArray, "0x7f")), "0x7f00");
}

TEST(ParamValueText, ArrayElementsLandInOrder)
{
    const ParamValue words = ParamValueFromText(kParamWordArray, "0x00010203abcd");
    EXPECT_EQ(words.words[0], 0x0001);
    EXPECT_EQ(words.words[1], 0x0203);
    EXPECT_EQ(words.words[2], 0xabcd);
    EXPECT_EQ(words.words[3], 0);
    const ParamValue bytes = ParamValueFromText(kParamByteArray, "0x80ff");
    EXPECT_EQ(bytes.bytes[0], 0x80);
    EXPECT_EQ(bytes.bytes[1], 0xff);
    ParamValue unknown;
    unknown.type = 7;
    EXPECT_EQ(ParamValueText(unknown), "");
}

TEST(ReadHexGroup, ReadsWhatIsThereAndStopsAtTheEnd)
{
    EXPECT_EQ(ReadHexGroup("0x12345678", 2, 4), 0x1234u);
    EXPECT_EQ(ReadHexGroup("0x12345678", 6, 4), 0x5678u);
    EXPECT_EQ(ReadHexGroup("0x123", 2, 4), 0x123u);
    EXPECT_EQ(ReadHexGroup("0x12", 10, 4), 0u);
    EXPECT_EQ(ReadHexGroup("0x1g34", 2, 4), 0x1u);
}

}  // namespace
