#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/NumberReader.h"

namespace {

struct NumberRow {
    const char* text;
    std::optional<uint32_t> unsigned_value;
    std::optional<int32_t> signed_value;
    bool whole;
};

}  // namespace

// "Read as a number": the automatic base, stopping at the first character that cannot belong to
// the number; a text with no number at all is no reading, never 0.
TEST(NumberReaderTest, ReadsTheNumberAtTheStartOfAText)
{
    const NumberRow rows[] = {
        {"0x5 extra", 5u, 5, false},
        {"0x0012", 0x12u, 0x12, true},
        {"  42  ", 42u, 42, true},
        {"12abc", 12u, 12, false},
        {"017", 15u, 15, true},
        {"089", 0u, 0, false},
        {"0x", 0u, 0, false},
        {"0xg", 0u, 0, false},
        {"-1", 0xFFFFFFFFu, -1, true},
        {"+7", 7u, 7, true},
        {"0xFFFFFFFF", 0xFFFFFFFFu, std::nullopt, true},
        {"0x100000000", std::nullopt, std::nullopt, true},
        {"99999999999999999999999", std::nullopt, std::nullopt, true},
        {"-2147483648", 0x80000000u, INT32_MIN, true},
        {"extra", std::nullopt, std::nullopt, false},
        {"", std::nullopt, std::nullopt, false},
        {"- 5", std::nullopt, std::nullopt, false},
        {"x12", std::nullopt, std::nullopt, false},
    };
    for (const NumberRow& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ReadUnsigned32(row.text), row.unsigned_value);
        EXPECT_EQ(ReadSigned32(row.text), row.signed_value);
        EXPECT_EQ(IsWholeNumber(row.text), row.whole);
    }
}

TEST(NumberReaderTest, NeverReadsPastTheGivenText)
{
    const std::string text = "0x12345";
    EXPECT_EQ(ReadUnsigned32(std::string_view(text).substr(0, 4)), 0x12u);
    const tagNumberRead number = ReadNumber(std::string_view(text).substr(0, 4));
    EXPECT_EQ(number.end, 4u);
    EXPECT_EQ(ReadNumber("10", 16).magnitude, 16u);
    EXPECT_EQ(ReadNumber("0x10", 10).magnitude, 0u);
}
