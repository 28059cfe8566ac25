#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/DcmLists.h"
#include "config/DcmNames.h"
#include "platform/Prompt.h"

namespace {

class DcmListsTest : public testing::Test {
protected:
    std::shared_ptr<const CInputFuncTable> inputs_ = CInputFuncTable::Acquire();
    std::shared_ptr<const COutputCondTable> outputs_ = COutputCondTable::Acquire();
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_{prompt_};
};

using Functions = std::vector<tagInputFunc>;
using Conditions = std::vector<tagOutputCond>;
using Texts = std::vector<std::string>;

struct InputRow {
    const char* text;
    Functions functions;
    Texts messages;
    const char* written;  // the writer's text for the functions read
};

}  // namespace

TEST_F(DcmListsTest, InputFunctionListsReadAndWriteBack)
{
    const InputRow rows[] = {
        {"Set(0x2821,34,5);Set(0x2000,3)", {{"ContrastSet", 5, false}}, {}, "Set(0x2821,34,5);Set(0x2000,3)"},
        {"Modify(0x2821,36,-1)", {{"BrightnessDown", -1, false}}, {}, "Modify(0x2821,36,-1);Set(0x2000,3)"},
        {"ModifyAndWrap(0x2821,36,1)", {{"BrightnessUp", 1, true}}, {},
         "ModifyAndWrap(0x2821,36,1);Set(0x2000,3)"},
        {"Set(0x2821,20,3)", {{"AgcLock", 3, false}}, {}, "Set(0x2821,20,3);Set(0x2000,3)"},
        {"Set(0x2821,20,9)",
         {{"UNKNOWN", 0, false}},
         {"Unknown input function: \"Set(0x2821,20,9)\""},
         ""},
        {"Set(0x2021,42,0)", {{"WhiteClippingOff", 0, false}}, {}, "Set(0x2021,42,0);Set(0x2000,3)"},
        // Without a value the value is 1.
        {"Set(0x2021,42)", {{"WhiteClippingOn", 1, false}}, {}, "Set(0x2021,42,1);Set(0x2000,3)"},
        {" Set ( 0x2821 , 34 ,\t5 ) ; Set(0x2000, 3)", {{"ContrastSet", 5, false}}, {},
         "Set(0x2821,34,5);Set(0x2000,3)"},
        {"Set(0x2000,4,1)", {{"FootSwitchOn", 1, false}}, {}, "Set(0x2000,4,1)"},
        // Automatic bases: hexadecimal, octal and decimal.
        {"Set(10273,042,0x10)", {{"ContrastSet", 16, false}}, {}, "Set(0x2821,34,16);Set(0x2000,3)"},
        // Entry 23 is a step entry on subindex 29: only a Modify element reaches it.
        {"Modify(0x2821,29,1)", {{"EdgeEnhancementPrevious", 1, false}}, {}, "Modify(0x2821,29,1)"},
        {"Set(0x2821,29,1)", {{"UNKNOWN", 0, false}}, {"Unknown input function: \"Set(0x2821,29,1)\""}, ""},
        // A toggle is always written in the wrapping form.
        {"Modify(0x2021,42,1)", {{"WhiteClippingToggle", 1, false}}, {},
         "ModifyAndWrap(0x2021,42,1);Set(0x2000,3)"},
        {";Set(0x2821,34,5)", {}, {"Error in input function specification: \";Set(0x2821,34,5)\""}, ""},
        {"Set(0x2821,34,5", {}, {"Error in \"Set\" value; missing \")\" : Set(0x2821,34,5"}, ""},
        // A missing ")" takes the next element's: the joined element names nothing, and the
        // next element is read again on its own.
        {"Modify(0x2821,36;Set(0x2821,34,2)",
         {{"UNKNOWN", 0, false}, {"ContrastSet", 2, false}},
         {"Unknown input function: \"Modify(0x2821,36;Set(0x2821,34,2)\""},
         "Set(0x2821,34,2);Set(0x2000,3)"},
        {"ModifyAndWrap(0x2821", {}, {"Error in \"ModifyAndWrap\" value; missing \")\" : ModifyAndWrap(0x2821"}, ""},
        {"Toggle(0x2821,4);Set(0x2821,4,0)",
         {{"HorizontalFlipOff", 0, false}},
         {"Error in input function specification: \"Toggle(0x2821,4);Set(0x2821,4,0)\""},
         "Set(0x2821,4,0);Set(0x2000,3)"},
        // Too short to hold index and subindex, or without a comma.
        {"Set(1,2)", {{"UNKNOWN", 0, false}}, {"Unknown input function: \"Set(1,2)\""}, ""},
        {"Set(0x2821)", {{"UNKNOWN", 0, false}}, {"Unknown input function: \"Set(0x2821)\""}, ""},
        // The activate-settings command alone is not a function.
        {"Set(0x2000,3)", {}, {}, ""},
        {"Set(0x2000,35,7)", {}, {}, ""},
        // A ";" at the end, or two in a row, end the list.
        {"Set(0x2821,34,5);", {{"ContrastSet", 5, false}}, {}, "Set(0x2821,34,5);Set(0x2000,3)"},
        {"Set(0x2821,34,5);;Set(0x2821,36,1)",
         {{"ContrastSet", 5, false}},
         {"Error in input function specification: \";Set(0x2821,36,1)\""},
         "Set(0x2821,34,5);Set(0x2000,3)"},
        {"", {}, {}, ""},
        {"  \t ", {}, {}, ""},
        // Huge numbers saturate and match nothing.
        {"Set(0x99999999999,34,5)", {{"UNKNOWN", 0, false}}, {"Unknown input function: \"Set(0x99999999999,34,5)\""},
         ""},
        {"Set(0x2821,34,99999999999)", {{"ContrastSet", 2147483647, false}}, {},
         "Set(0x2821,34,2147483647);Set(0x2000,3)"},
    };
    for (const InputRow& row : rows) {
        SCOPED_TRACE(row.text);
        prompt_.Clear();
        Functions functions;
        ReadInputFuncList(row.text, *inputs_, functions);
        EXPECT_EQ(functions, row.functions);
        EXPECT_EQ(prompt_.Texts(), row.messages);
        EXPECT_EQ(WriteInputFuncList(functions, *inputs_), row.written);
    }
}

TEST_F(DcmListsTest, TheActivateSettingsCommandIsWrittenOnceAfterTheLastFunctionThatNeedsIt)
{
    const struct {
        Functions functions;
        const char* written;
    } rows[] = {
        {{{"ContrastSet", 5, false}, {"BrightnessSet", 7, false}},
         "Set(0x2821,34,5);Set(0x2821,36,7);Set(0x2000,3)"},
        {{{"FootSwitchOn", 0, false}}, "Set(0x2000,4,1)"},
        {{{"ContrastSet", 5, false}, {"ParkImage", 0, false}}, "Set(0x2821,34,5);Set(0x2000,3);Set(0x2000,36,1)"},
        {{{"EdgeEnhancementPrevious", 0, true}}, "ModifyAndWrap(0x2821,29,1)"},
        // Entries without a user value write their own value, whatever the function holds.
        {{{"IiFormatPrevious", 77, false}}, "Modify(0x2021,16,-1);Set(0x2000,3)"},
        {{{"RotateModify", -90, true}}, "Modify(0x2821,38,-90);Set(0x2000,3)"},
        // An UNKNOWN function leaves no trace, also not an empty element that would end the list.
        {{{"ContrastSet", 5, false}, {"UNKNOWN", 0, false}, {"BrightnessSet", 7, false}},
         "Set(0x2821,34,5);Set(0x2821,36,7);Set(0x2000,3)"},
        {{{"UNKNOWN", 0, false}, {"FootSwitchOff", 1, false}}, "Set(0x2000,5,1)"},
        {{}, ""},
    };
    for (const auto& row : rows) {
        const std::string text = WriteInputFuncList(row.functions, *inputs_);
        EXPECT_EQ(text, row.written);
        Functions again;
        ReadInputFuncList(text, *inputs_, again);
        EXPECT_EQ(WriteInputFuncList(again, *inputs_), text);
    }
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(DcmListsTest, IndexesBelow0x1000ArePaddedWithBlanksThatTheReaderIgnores)
{
    // No table entry has such an index, so build the padded form by hand and check the reader
    // removes the blanks before it looks at the number.
    Functions functions;
    ReadInputFuncList("Set(0x 2821,34,5)", *inputs_, functions);
    EXPECT_EQ(functions, (Functions{{"ContrastSet", 5, false}}));
    EXPECT_EQ(WriteInputFuncList(functions, *inputs_).substr(0, 10), "Set(0x2821");
}

TEST_F(DcmListsTest, ReadingAppendsToTheListItIsGiven)
{
    Functions functions{{"ClearScreen", 1, false}};
    ReadInputFuncList("Set(0x2821,34,5)", *inputs_, functions);
    EXPECT_EQ(functions, (Functions{{"ClearScreen", 1, false}, {"ContrastSet", 5, false}}));
}

namespace {

struct OutputRow {
    const char* text;
    Conditions conditions;
    Texts messages;
    const char* written;
};

}  // namespace

TEST_F(DcmListsTest, OutputConditionListsReadAndWriteBack)
{
    const OutputRow rows[] = {
        {"High(0x2021,16,>,3)", {{true, "IiFormatHigher", 3}}, {}, "High(0x2021,16,>,3)"},
        {"Low(0x2000,4)", {{false, "FootswitchIsOn", 0}}, {}, "Low(0x2000,4)"},
        {"High(0x2021,16,!,3)",
         {{false, "UNKNOWN", 0}},
         {"Unknown output condition: \"High(0x2021,16,!,3)\""},
         ""},
        {"High( 0x2021 , 16 , < , 0x10 ) ; Low(0x2821,4,=,0)",
         {{true, "IiFormatLower", 16}, {false, "HorizontalFlipIsOff", 0}},
         {},
         "High(0x2021,16,<,16);Low(0x2821,4,=,0)"},
        // AgcIsLock compares with 2 and so reads back as AgcIsOff.
        {"High(0x2821,20,=,2)", {{true, "AgcIsOff", 2}}, {}, "High(0x2821,20,=,2)"},
        {"High(0x2821,20,=,3)", {{false, "UNKNOWN", 0}}, {"Unknown output condition: \"High(0x2821,20,=,3)\""},
         ""},
        // Unmatched conditions go to the front, and the writer drops them: written as a bare
        // "Low(" they came back as UNKNOWN on every load.
        {"High(0x2021,16,>,3);Low(0x1234,1);Low(0x2000,5)",
         {{false, "UNKNOWN", 0}, {true, "IiFormatHigher", 3}, {false, "FootswitchIsOff", 0}},
         {"Unknown output condition: \"Low(0x1234,1)\""},
         "High(0x2021,16,>,3);Low(0x2000,5)"},
        {"High(0x2021,16,>)", {{false, "UNKNOWN", 0}}, {"Unknown output condition: \"High(0x2021,16,>)\""}, ""},
        {"High0x2021,16)", {{false, "UNKNOWN", 0}}, {"Unknown output condition: \"High0x2021,16)\""}, ""},
        {"High(0x2021)", {{false, "UNKNOWN", 0}}, {"Unknown output condition: \"High(0x2021)\""}, ""},
        {"High(0x2021,16,>,3", {}, {"Error in \"High\" condition; missing \")\" : High(0x2021,16,>,3"}, ""},
        {"Low(0x2000,4", {}, {"Error in \"Low\" condition; missing \")\" : Low(0x2000,4"}, ""},
        {"Up(0x2000,4);Low(0x2000,4)",
         {{false, "FootswitchIsOn", 0}},
         {"Error in condition specification: \"Up(0x2000,4);Low(0x2000,4)\""},
         "Low(0x2000,4)"},
        {";Low(0x2000,4)", {}, {"Error in condition specification: \";Low(0x2000,4)\""}, ""},
        {"", {}, {}, ""},
    };
    for (const OutputRow& row : rows) {
        SCOPED_TRACE(row.text);
        prompt_.Clear();
        Conditions conditions;
        ReadOutputCondList(row.text, *outputs_, conditions);
        EXPECT_EQ(conditions, row.conditions);
        EXPECT_EQ(prompt_.Texts(), row.messages);
        EXPECT_EQ(WriteOutputCondList(conditions, *outputs_), row.written);
    }
}

TEST_F(DcmListsTest, EntriesWithoutAUserValueTakeTheTableValue)
{
    const Conditions conditions{{true, "WhiteClippingIsOn", 42}, {false, "DosePerImageIs", 120},
                                {true, "AgcIsLock", 0}};
    EXPECT_EQ(WriteOutputCondList(conditions, *outputs_),
              "High(0x2021,42,=,1);Low(0x2021,20,=,120);High(0x2821,20,=,2)");
    Conditions again;
    ReadOutputCondList(WriteOutputCondList(conditions, *outputs_), *outputs_, again);
    EXPECT_EQ(again, (Conditions{{true, "WhiteClippingIsOn", 1}, {false, "DosePerImageIs", 120},
                                 {true, "AgcIsOff", 2}}));
}

TEST_F(DcmListsTest, PresentationTextsNameTheKeywordAndTheUserValue)
{
    EXPECT_EQ(InputFuncPresentation({"ContrastSet", 5, false}, *inputs_), "ContrastSet(5)");
    EXPECT_EQ(InputFuncPresentation({"BrightnessUp", 1, true}, *inputs_), "BrightnessUp with wrapping");
    EXPECT_EQ(InputFuncPresentation({"RotateModify", -3, true}, *inputs_), "RotateModify(-3) with wrapping");
    EXPECT_EQ(InputFuncPresentation({"UNKNOWN", 0, false}, *inputs_), "UNKNOWN");
    EXPECT_EQ(InputFuncListPresentation({{"ContrastSet", 5, false}, {"ParkImage", 1, false}}, *inputs_),
              "ContrastSet(5); ParkImage");

    EXPECT_EQ(OutputCondPresentation({true, "IiFormatHigher", 3}, *outputs_), "Output High on IiFormatHigher(3)");
    EXPECT_EQ(OutputCondPresentation({false, "FootswitchIsOn", 0}, *outputs_), "Output Low on FootswitchIsOn");
    EXPECT_EQ(OutputCondListPresentation({{true, "IiFormatHigher", 3}, {false, "AgcIsOn", 1}}, *outputs_),
              "High on IiFormatHigher(3); Low on AgcIsOn");
}

TEST(DcmNamesTest, ItemNamesCarryLineAndTransition)
{
    EXPECT_EQ(DcmInputItemName(3, kDcmLowToHigh), "DCM i3:01");
    EXPECT_EQ(DcmInputItemName(12, kDcmSingleAction), "DCM i12:02");
    EXPECT_EQ(DcmOutputItemName(2), "DCM o2");
    EXPECT_EQ(DcmLineFromItemName("DCM i12:00"), 12);
    EXPECT_EQ(DcmLineFromItemName("DCM o7"), 7);
    EXPECT_EQ(DcmLineFromItemName("DCM Debounce"), 0);
    EXPECT_EQ(DcmLineFromItemName("Cfg Name"), 0);
    EXPECT_EQ(DcmTransitionFromItemName("DCM i12:00"), "00");
    EXPECT_EQ(DcmTransitionFromItemName("DCM o7"), "");
    EXPECT_TRUE(IsDcmInputItemName("DCM i1:01"));
    EXPECT_FALSE(IsDcmInputItemName("DCM o1"));
    EXPECT_TRUE(IsDcmOutputItemName("DCM o1"));
}

TEST(DcmNamesTest, LineBytesAreTwoHexDigitsPerLine)
{
    const struct {
        const char* text;
        int line;
        int expected;
    } reads[] = {
        {"0a14ff", 1, 10}, {"0a14ff", 2, 20}, {"0a14ff", 3, 255}, {"0a14ff", 4, 0},
        {"0A", 1, 10},     {"0a1", 2, 1},     {"zz", 1, 0},       {"", 1, 0},
        {"0a", 0, 0},      {"0a", -5, 0},
    };
    for (const auto& row : reads) {
        EXPECT_EQ(GetDcmLineByte(row.text, row.line), row.expected) << row.text << " line " << row.line;
    }

    const struct {
        const char* before;
        int line;
        int value;
        const char* after;
    } writes[] = {
        {"", 1, 10, "0a"},
        {"", 3, 255, "0000ff"},
        {"0a14", 1, 1, "0114"},
        {"0a14ff", 2, 3, "0a03ff"},
        {"123", 2, 0x2b, "122b0"},
        // Values outside a byte are clamped so the following lines keep their place.
        {"0a14", 1, 300, "ff14"},
        {"0a14", 1, -1, "0014"},
    };
    for (const auto& row : writes) {
        std::string text = row.before;
        EXPECT_TRUE(SetDcmLineByte(text, row.line, row.value));
        EXPECT_EQ(text, row.after) << row.before << " line " << row.line;
    }
    std::string text = "0a";
    EXPECT_FALSE(SetDcmLineByte(text, 0, 1));
    EXPECT_FALSE(SetDcmLineByte(text, kDcmMaxLine + 1, 1));
    EXPECT_EQ(text, "0a");
}
