#include <gtest/gtest.h>

#include <climits>

#include "script/ArgArray.h"

namespace {

struct tagTextRow {
    const char* text;
    int32_t as_long;
    uint32_t as_ulong;
    bool numeric;
};

}  // namespace

TEST(ArgArrayTest, TextsReadWithTheAutomaticBase)
{
    const tagTextRow rows[] = {
        {"0x0012", 0x12, 0x12, true},
        {"0x00", 0, 0, true},
        {"0XfF", 255, 255, true},
        {"017", 15, 15, true},
        {"12", 12, 12, true},
        {"0", 0, 0, true},
        {"-5", -5, 0xFFFFFFFBu, true},
        {"+7", 7, 7, true},
        {"-0x10", -16, 0xFFFFFFF0u, true},
        {" \t42 ", 42, 42, true},
        {"0xFFFFFFFF", INT32_MAX, 0xFFFFFFFFu, true},
        {"4294967296", INT32_MAX, 0xFFFFFFFFu, true},
        {"-2147483648", INT32_MIN, 0x80000000u, true},
        {"-2147483649", INT32_MIN, 0x7FFFFFFFu, true},
        {"-4294967296", INT32_MIN, 0xFFFFFFFFu, true},
        {"99999999999999999999999", INT32_MAX, 0xFFFFFFFFu, true},
        {"12abc", 0, 0, false},
        {"abc", 0, 0, false},
        {"", 0, 0, false},
        {"0x", 0, 0, false},
        {"08", 0, 0, false},
        {"- 5", 0, 0, false},
        {"+-5", 0, 0, false},
        {"1 2", 0, 0, false},
    };
    for (const tagTextRow& row : rows) {
        CArgArray args;
        args.Append(row.text);
        EXPECT_EQ(args.GetArgLong(0), row.as_long) << row.text;
        EXPECT_EQ(args.GetArgUlong(0), row.as_ulong) << row.text;
        EXPECT_EQ(args.IsNumericArg(0), row.numeric) << row.text;
        EXPECT_EQ(args.GetArgString(0), row.text);
        EXPECT_TRUE(args.IsTextArg(0));
    }
}

TEST(ArgArrayTest, NumbersGiveTheirDecimalDigitsAndReadLikeThoseDigits)
{
    CArgArray args;
    args.Append(int32_t{-5});
    args.Append(uint32_t{0xFFFFFFFF});
    args.Append(5000000000L);
    args.Append(-32768L);
    args.Append(int32_t{INT32_MIN});
    args.Append(LONG_MIN);
    const char* digits[] = {"-5",     "4294967295",  "5000000000",
                            "-32768", "-2147483648", "-9223372036854775808"};
    ASSERT_EQ(args.NumOfArgs(), 6u);
    for (size_t i = 0; i < args.NumOfArgs(); ++i) {
        EXPECT_FALSE(args.IsTextArg(i));
        EXPECT_TRUE(args.IsNumericArg(i));
        EXPECT_EQ(args.GetArgString(i), digits[i]);
        CArgArray text;
        text.Append(args.GetArgString(i));
        EXPECT_EQ(text.GetArgLong(0), args.GetArgLong(i)) << digits[i];
        EXPECT_EQ(text.GetArgUlong(0), args.GetArgUlong(i)) << digits[i];
        EXPECT_EQ(text.GetArgInt64(0), args.GetArgInt64(i)) << digits[i];
    }
    EXPECT_EQ(args.GetArgLong(0), -5);
    EXPECT_EQ(args.GetArgUlong(0), 0xFFFFFFFBu);
    EXPECT_EQ(args.GetArgLong(1), INT32_MAX);
    EXPECT_EQ(args.GetArgUlong(1), 0xFFFFFFFFu);
    EXPECT_EQ(args.GetArgInt64(2), 5000000000);
    EXPECT_EQ(args.GetArgUlong(2), 0xFFFFFFFFu);
    EXPECT_EQ(args.GetArgLong(3), -32768);
    EXPECT_EQ(args.GetArgUlong(5), 0xFFFFFFFFu);
}

TEST(ArgArrayTest, AnIndexOutOfRangeReadsAsZeroAndEmpty)
{
    CArgArray args;
    args.Append(uint32_t{7});
    args.Append("x");
    for (size_t i : {size_t{2}, size_t{100}, SIZE_MAX}) {
        EXPECT_EQ(args.GetArgLong(i), 0);
        EXPECT_EQ(args.GetArgUlong(i), 0u);
        EXPECT_EQ(args.GetArgInt64(i), 0);
        EXPECT_EQ(args.GetArgString(i), "");
        EXPECT_FALSE(args.IsTextArg(i));
        EXPECT_FALSE(args.IsNumericArg(i));
    }
    args.RemoveAll();
    EXPECT_EQ(args.NumOfArgs(), 0u);
    EXPECT_EQ(args.GetArgString(0), "");
}
