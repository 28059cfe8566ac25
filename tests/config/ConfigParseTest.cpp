#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "config/Config.h"
#include "platform/Prompt.h"

namespace {

using Texts = std::vector<std::string>;

// One record as the writer puts it, with the empty line after it.
std::string Record(const std::string& name, int item_class, int fixed, const std::string& help, int type,
                   const std::string& value, const char* range = nullptr)
{
    std::string text = "[" + name + "]\r\nClass = " + std::to_string(item_class) + "\r\nFixed = " +
                       std::to_string(fixed) + "\r\nHelp = \"" + help + "\"\r\nType = " + std::to_string(type) +
                       "\r\nValue = " + value + "\r\n";
    if (range != nullptr) {
        text += std::string("Range = ") + range + "\r\n";
    }
    return text + "\r\n";
}

// The record with an empty allowed-values list, written as "Range =".
std::string WithEmptyRange(const std::string& record)
{
    return record.substr(0, record.size() - 2) + "Range =\r\n\r\n";
}

class ConfigParseTest : public testing::Test {
protected:
    // Parses text into config_ and returns the result.
    bool Parse(const std::string& text, int form = kConfigStoreForm)
    {
        return config_.Parse(text.data(), text.size(), form);
    }

    std::string Rewritten(int form = kConfigStoreForm)
    {
        std::string out;
        EXPECT_TRUE(config_.Write(form, out));
        return out;
    }

    CRecordingPrompt prompt_;
    CScopedPrompt scoped_{prompt_};
    CConfig config_;
};

struct ParseRow {
    const char* what;
    std::string input;
    bool ok;
    Texts messages;
    std::string rewritten;  // the store form of what was read
    int form = kConfigStoreForm;
};

const char kInRange[] = "The value for \"N\" is not within the specified range. Check the value!";
const char kNotInList[] = "The value of \"N\" is not within the range of possible values. Check the value!";
const char kUnterminated[] = "Error in configuration: Missing terminating \" character.";
// The largest float with two decimals.
const std::string kFloatMax = "340282346638528859811704183484516925440.00";
const std::string kFloatMaxRange = "-" + kFloatMax + ".." + kFloatMax;

std::vector<ParseRow> ParseRows()
{
    const std::string plain = Record("N", 0, 0, "h", 0, "5");
    return {
        {"nothing to read", "", true, {}, ""},
        {"no section heading", "Nemra configuration file\r\n\r\njust text, no heading\r\n", true, {}, ""},
        {"header and one record", "Nemra configuration file\r\n\r\n" + plain, true, {}, plain},
        {"without a Fixed key the item is not fixed", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue = 5\r\n",
         true, {}, plain},
        {"Fixed 2 is fixed and written as 1", Record("N", 0, 2, "h", 0, "5"), true, {}, Record("N", 0, 1, "h", 0, "5")},
        {"Fixed without = is fixed", "[N]\r\nClass = 0\r\nFixed\r\nHelp = \"h\"\r\nType = 0\r\nValue = 5\r\n", true,
         {}, Record("N", 0, 1, "h", 0, "5")},
        {"Class 7 is written as 0", Record("N", 7, 0, "h", 0, "5"), true, {}, plain},
        {"keys in any order and not at line starts",
         "[N] Value = 5 ; Type = 0 x Help = \"h\" Class = 4\r\n", true, {}, Record("N", 4, 0, "h", 0, "5")},
        {"an empty string value is refused", Record("N", 0, 0, "h", 2, "\"\""), false,
         {"Error parsing configuration: \"Value\" is empty for \"N\"."}, ""},
        {"a string value without quotes is empty", Record("N", 0, 0, "h", 2, "abc"), false,
         {"Error parsing configuration: \"Value\" is empty for \"N\"."}, ""},
        {"an empty DCM value is refused", Record("N", 0, 0, "h", 5, "\"\""), false,
         {"Error parsing configuration: \"Value\" is empty for \"N\"."}, ""},
        {"Type 9 is left out silently and reading goes on", Record("X", 0, 0, "h", 9, "1") + plain, true, {}, plain},
        {"Type -5 is left out silently", Record("X", 0, 0, "h", -5, "1") + plain, true, {}, plain},
        {"Type without = is unknown", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType\r\nValue = 5\r\n" + plain, false,
         {"Unknown Type in configuration."}, ""},
        {"Type -1 is unknown", Record("N", 0, 0, "h", -1, "5"), false, {"Unknown Type in configuration."}, ""},
        {"help with backslash and quote", Record("N", 0, 0, "a\\\\b\\\"c", 0, "5"), true, {},
         Record("N", 0, 0, "a\\\\b\\\"c", 0, "5")},
        {"help without its quotes is empty", "[N]\r\nClass = 0\r\nHelp = h\r\nType = 0\r\nValue = 5\r\n", true, {},
         Record("N", 0, 0, "", 0, "5")},
        {"a backslash at the end of a string stays", Record("N", 0, 0, "h", 2, "\"a\\b\\\\\""), true, {},
         Record("N", 0, 0, "h", 2, "\"a\\\\b\\\\\"")},
        {"integer in range", Record("N", 0, 0, "h", 0, "10", "1..10"), true, {}, Record("N", 0, 0, "h", 0, "10", "1..10")},
        {"integer above its range is kept with a warning", Record("N", 0, 0, "h", 0, "11", "1..10"), true, {kInRange},
         Record("N", 0, 0, "h", 0, "11", "1..10")},
        {"integer below its range", Record("N", 0, 0, "h", 0, "-3", " -2 .. 4x"), true, {kInRange},
         Record("N", 0, 0, "h", 0, "-3", "-2..4")},
        {"bounded range without =", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue = 5\r\nRange 1..10\r\n",
         false, {"Error parsing configuration: \"Range\"  of \"N\" has no \"=\" sign"}, ""},
        {"integer list", Record("N", 0, 0, "h", 0, "2", "1, 2, 3"), true, {}, Record("N", 0, 0, "h", 0, "2", "1, 2, 3")},
        {"integer list with a trailing comma has three elements", Record("N", 0, 0, "h", 0, "3", "1, 2, 3,"), true, {},
         Record("N", 0, 0, "h", 0, "3", "1, 2, 3")},
        {"integer not in its list", Record("N", 0, 0, "h", 0, "4", "1,2,3"), true, {kNotInList},
         Record("N", 0, 0, "h", 0, "4", "1, 2, 3")},
        {"an empty middle element is 0", Record("N", 0, 0, "h", 0, "0", "1,,2"), true, {},
         Record("N", 0, 0, "h", 0, "0", "1, 0, 2")},
        {"an empty list", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue = 0\r\nRange =\r\n", true,
         {kNotInList}, WithEmptyRange(Record("N", 0, 0, "h", 0, "0"))},
        {"a blank after = is one element", Record("N", 0, 0, "h", 0, "0", ""), true, {},
         Record("N", 0, 0, "h", 0, "0", "0")},
        {"list without =", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue = 5\r\nRange 1, 2\r\n", false,
         {"Error in configuration: Range without = sign."}, ""},
        {"float plain", Record("N", 0, 0, "h", 1, "0.126"), true, {}, Record("N", 0, 0, "h", 1, "0.13")},
        {"float without = is -1", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 1\r\nValue 3\r\n", true, {},
         Record("N", 0, 0, "h", 1, "-1.00")},
        {"float in range", Record("N", 0, 0, "h", 1, "2.5", "0.50..2.50"), true, {},
         Record("N", 0, 0, "h", 1, "2.50", "0.50..2.50")},
        {"float out of range", Record("N", 0, 0, "h", 1, "2.51", "0.50..2.50"), true, {kInRange},
         Record("N", 0, 0, "h", 1, "2.51", "0.50..2.50")},
        {"float list accepts 1.0", Record("N", 0, 0, "h", 1, "1.0", "0.50, 1.00"), true, {},
         Record("N", 0, 0, "h", 1, "1.00", "0.50, 1.00")},
        {"float list accepts 1.00005", Record("N", 0, 0, "h", 1, "1.00005", "0.50, 1.00"), true, {},
         Record("N", 0, 0, "h", 1, "1.00", "0.50, 1.00")},
        {"float list refuses 1.01", Record("N", 0, 0, "h", 1, "1.01", "0.50, 1.00"), true, {kNotInList},
         Record("N", 0, 0, "h", 1, "1.01", "0.50, 1.00")},
        {"float list never matches zero", Record("N", 0, 0, "h", 1, "0", "0.00, 1.00"), true, {kNotInList},
         Record("N", 0, 0, "h", 1, "0.00", "0.00, 1.00")},
        {"float list never matches a negative value", Record("N", 0, 0, "h", 1, "-1", "-1.00"), true, {kNotInList},
         Record("N", 0, 0, "h", 1, "-1.00", "-1.00")},
        {"string list", Record("N", 0, 0, "h", 2, "\"b\"", "\"a\", \"b\""), true, {},
         Record("N", 0, 0, "h", 2, "\"b\"", "\"a\", \"b\"")},
        {"string list compares exactly", Record("N", 0, 0, "h", 2, "\"B\"", "\"a\", \"b\""), true, {kNotInList},
         Record("N", 0, 0, "h", 2, "\"B\"", "\"a\", \"b\"")},
        {"string list with escapes and anything between elements",
         Record("N", 0, 0, "h", 2, "\"q\\\"\"", "x \"a\\\\\" ;; \"q\\\"\" tail"), true, {},
         Record("N", 0, 0, "h", 2, "\"q\\\"\"", "\"a\\\\\", \"q\\\"\"")},
        // The search for the next heading then runs into the open quote as well.
        {"string list without closing quote", Record("N", 0, 0, "h", 2, "\"a\"", "\"a\", \"b"), false,
         {"Error in configuration: String without closing \"", kUnterminated}, ""},
        {"string list without =", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 2\r\nValue = \"a\"\r\nRange \"a\"\r\n",
         false, {"Error in configuration: Range without = sign."}, ""},
        {"string list without elements", Record("N", 0, 0, "h", 2, "\"a\"", "none"), true, {kNotInList},
         WithEmptyRange(Record("N", 0, 0, "h", 2, "\"a\""))},
        {"a range line of a boolean is ignored", Record("N", 0, 0, "h", 3, "7", "1..2"), true, {},
         Record("N", 0, 0, "h", 3, "1")},
        {"boolean without = is true", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 3\r\nValue\r\n", true, {},
         Record("N", 0, 0, "h", 3, "1")},
        {"binary data in file form, lower case and loosely spaced",
         "[N]\r\nClass = 3\r\nHelp = \"h\"\r\nType = 4\r\nValue = \"\r\n0a0B x 5c\r\n\r\n22 f\"\r\n", true, {},
         Record("N", 3, 0, "h", 4, "\"\x0a\x0b\\\x5c\\\x22\""), kConfigFileForm},
        // The Fixed search and the search for the next heading both reach the end in quotes.
        {"store-form binary data without its closing quote is empty",
         "[N]\r\nClass = 3\r\nHelp = \"h\"\r\nType = 4\r\nValue = \"ab\\\"cd\\", true, {kUnterminated, kUnterminated},
         Record("N", 3, 0, "h", 4, "\"\"")},
        {"binary data without a quote on its line is empty", Record("N", 3, 0, "h", 4, "\r\n\"00 01\""), true, {},
         Record("N", 3, 0, "h", 4, "\"\"")},
        {"'[' inside quotes does not end the section",
         "[N]\r\nClass = 0\r\nHelp = \"[X]\\\"[Y]\"\r\nType = 0\r\nValue = 5\r\n", true, {},
         Record("N", 0, 0, "[X]\\\"[Y]", 0, "5")},
        {"'[' outside quotes ends the section",
         "[N]\r\nClass = 0\r\nHelp = \"h\"\r\n[Type = 0\r\nValue = 5\r\n", false,
         {"Error parsing configuration: \"Type\" not found for \"N\"."}, ""},
        {"missing ]", "[N\r\nClass = 0\r\n", false,
         {"Error parsing configuration: Matching \"]\" not found for a section heading."}, ""},
        {"missing Class", "[N]\r\nHelp = \"h\"\r\nType = 0\r\nValue = 5\r\n", false,
         {"Error parsing configuration: \"Class\" not found for \"N\""}, ""},
        {"missing Type", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nValue = 5\r\n", false,
         {"Error parsing configuration: \"Type\" not found for \"N\"."}, ""},
        {"missing Help", "[N]\r\nClass = 0\r\nType = 0\r\nValue = 5\r\n", false,
         {"Error parsing configuration: \"Help\" not found for \"N\"."}, ""},
        {"missing Value", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\n", false,
         {"Error parsing configuration: \"Value\" not found for \"N\"."}, ""},
        {"a key in the next section does not count", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\n" + plain, false,
         {"Error parsing configuration: \"Value\" not found for \"N\"."}, ""},
        {"the items before a failure stay", plain + "[M]\r\nClass = 0\r\n", false,
         {"Error parsing configuration: \"Type\" not found for \"M\"."}, plain},
        {"the buffer ends inside quotes", "[N]\r\nClass = 0\r\nHelp = \"abc", false,
         {kUnterminated, "Error parsing configuration: \"Type\" not found for \"N\".", kUnterminated}, ""},
        {"the buffer ends after a backslash inside quotes", "[N]\r\nClass = 0\r\nHelp = \"abc\\", false,
         {kUnterminated, "Error parsing configuration: \"Type\" not found for \"N\".", kUnterminated}, ""},
        {"a key at the very end is too short to match", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue", false,
         {"Error parsing configuration: \"Value\" not found for \"N\"."}, ""},
        {"a trailing [ is not a heading", plain + "[", true, {}, plain},
        {"an empty name", Record("", 0, 0, "h", 0, "5"), true, {}, Record("", 0, 0, "h", 0, "5")},
        {"NUL bytes are ordinary bytes", Record(std::string("A\0B", 3), 0, 0, std::string("x\0y", 3), 2, std::string("\"\0\"", 3)),
         true, {}, Record(std::string("A\0B", 3), 0, 0, std::string("x\0y", 3), 2, std::string("\"\0\"", 3))},
        {"huge numbers saturate", Record("N", 0, 0, "h", 0, "99999999999999999999", "-99999999999..99999999999"), true,
         {}, Record("N", 0, 0, "h", 0, "2147483647", "-2147483648..2147483647")},
        // Floats are decimal: written back as "inf" a huge one would have read as 0 the next time.
        {"huge floats saturate", Record("N", 0, 0, "h", 1, "1e999", "-1e40..1e39"), true, {},
         Record("N", 0, 0, "h", 1, kFloatMax, kFloatMaxRange.c_str())},
        {"a hexadecimal float reads up to its x", Record("N", 0, 0, "h", 1, "0x10"), true, {},
         Record("N", 0, 0, "h", 1, "0.00")},
        {"inf and nan are no decimal numbers", Record("N", 0, 0, "h", 1, "inf", "nan..0x1p4"), true, {},
         Record("N", 0, 0, "h", 1, "0.00", "0.00..0.00")},
        {"a float list takes decimal elements only", Record("N", 0, 0, "h", 1, "2.5", "0x2, 2.5, -1.5e1, infinity"),
         true, {}, Record("N", 0, 0, "h", 1, "2.50", "0.00, 2.50, -15.00, 0.00")},
        {"an integer without digits is 0", Record("N", 0, 0, "h", 0, "abc"), true, {}, Record("N", 0, 0, "h", 0, "0")},
        {"an integer without = is -1", "[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue 5\r\n", true, {},
         Record("N", 0, 0, "h", 0, "-1")},
        {"input functions are read with their messages",
         Record("DCM i1:01", 4, 0, "h", 5, "\"Set(0x2821,20,9);Set(0x2821,34,5)\""), true,
         {"Unknown input function: \"Set(0x2821,20,9)\""},
         Record("DCM i1:01", 4, 0, "h", 5, "\"Set(0x2821,20,9);Set(0x2821,34,5)\"")},
        {"output conditions are read with their messages", Record("DCM o1", 4, 0, "h", 6, "\"Up(1)\""), true,
         {"Error in condition specification: \"Up(1)\""}, Record("DCM o1", 4, 0, "h", 6, "\"Up(1)\"")},
    };
}

}  // namespace

TEST_F(ConfigParseTest, SectionsAreReadWithEveryCheckAndMessage)
{
    for (const ParseRow& row : ParseRows()) {
        SCOPED_TRACE(row.what);
        prompt_.Clear();
        config_.RemoveAll();
        EXPECT_EQ(Parse(row.input, row.form), row.ok);
        EXPECT_EQ(prompt_.Texts(), row.messages);
        EXPECT_EQ(Rewritten(), row.rewritten);
    }
}

TEST_F(ConfigParseTest, TheItemsKeepWhatTheFileSaid)
{
    ASSERT_TRUE(Parse(Record("N", 7, 2, "h", 0, "11", "1..10") + Record("B", 1, 0, "h", 3, "7") +
                      Record("DCM i1:01", 4, 0, "h", 5, "\"Set(0x2821,34,5);Set(0x2821,20,9)\"")));
    ASSERT_EQ(config_.GetCount(), 3u);
    const auto* range = dynamic_cast<const CConfigItemIntegerRange*>(config_.GetAt(0));
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->GetClass(), 7);
    EXPECT_TRUE(range->GetFixed());
    EXPECT_EQ(range->GetValue(), 11);
    EXPECT_EQ(range->GetLow(), 1);
    EXPECT_EQ(range->GetHigh(), 10);
    const auto* boolean = dynamic_cast<const CConfigItemBoolean*>(config_.GetAt(1));
    ASSERT_NE(boolean, nullptr);
    EXPECT_TRUE(boolean->IsTrue());
    const auto* input = dynamic_cast<const CConfigItemDcmInput*>(config_.GetAt(2));
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->GetText(), "Set(0x2821,34,5);Set(0x2821,20,9)");
    EXPECT_EQ(input->GetFunctions(),
              (std::vector<tagInputFunc>{{"ContrastSet", 5, false}, {kDcmUnknownKeyword, 0, false}}));
    EXPECT_EQ(config_.GetAt(3), nullptr);
}

TEST_F(ConfigParseTest, ParsingAppendsToWhatIsThere)
{
    const std::string one = Record("A", 0, 0, "h", 0, "1");
    const std::string two = Record("B", 0, 0, "h", 0, "2");
    ASSERT_TRUE(Parse(one));
    ASSERT_TRUE(Parse(two));
    EXPECT_EQ(Rewritten(), one + two);
}

TEST_F(ConfigParseTest, BinaryDataOfTwentyBytesSurvivesBothForms)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 20; ++i) {
        bytes.push_back(static_cast<uint8_t>(i * 13 + 0x22 * (i % 3 == 0) + '\\' * (i % 5 == 1)));
    }
    config_.Add(std::make_unique<CConfigItemBinaryData>("N", "h", 3, false, bytes.data(), 20));
    for (const int form : {kConfigFileForm, kConfigStoreForm}) {
        const std::string written = Rewritten(form);
        CConfig again;
        ASSERT_TRUE(again.Parse(written.data(), written.size(), form));
        ASSERT_EQ(again.GetCount(), 1u);
        const auto* item = dynamic_cast<const CConfigItemBinaryData*>(again.GetAt(0));
        ASSERT_NE(item, nullptr);
        ASSERT_EQ(item->GetLength(), 20);
        EXPECT_EQ(std::vector<uint8_t>(item->GetData(), item->GetData() + 20), bytes) << "form " << form;
    }
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(ConfigParseTest, SampleFilesRoundTripByteForByte)
{
    const std::string folder = TestDataDir() + "/config/";
    const std::string ascii = ReadFileText(folder + "all_items_ascii.cfg");
    const std::string store = ReadFileText(folder + "all_items.store");
    ASSERT_FALSE(ascii.empty());
    ASSERT_FALSE(store.empty());

    ASSERT_TRUE(Parse(ascii, kConfigFileForm));
    EXPECT_EQ(config_.GetCount(), 18u);
    EXPECT_EQ(Rewritten(kConfigFileForm), ascii);
    EXPECT_EQ(Rewritten(kConfigStoreForm), store);

    CConfig from_store;
    ASSERT_TRUE(from_store.Parse(store.data(), store.size(), kConfigStoreForm));
    std::string written;
    ASSERT_TRUE(from_store.Write(kConfigStoreForm, written));
    EXPECT_EQ(written, store);
    ASSERT_TRUE(from_store.Write(kConfigFileForm, written));
    EXPECT_EQ(written, ascii);
    EXPECT_TRUE(prompt_.Texts().empty());

    // Every class of item is in the sample.
    std::vector<bool> seen(12, false);
    for (const auto& item : config_) {
        const int kind = static_cast<int>(ConfigItemKind(*item));
        ASSERT_GE(kind, 0);
        seen[static_cast<size_t>(kind)] = true;
    }
    EXPECT_EQ(seen, std::vector<bool>(12, true));
}

TEST_F(ConfigParseTest, EveryTruncationOfTheSampleIsReadSafely)
{
    const std::string folder = TestDataDir() + "/config/";
    for (const char* name : {"all_items_ascii.cfg", "all_items.store"}) {
        const std::string whole = ReadFileText(folder + name);
        ASSERT_FALSE(whole.empty());
        const int form = std::string(name).ends_with(".cfg") ? kConfigFileForm : kConfigStoreForm;
        for (size_t length = 0; length < whole.size(); ++length) {
            // A copy of exactly that length, so that the sanitizers see any read past it.
            const std::vector<char> part(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            CConfig config;
            config.Parse(part.data(), part.size(), form);
            EXPECT_LE(config.GetCount(), 18u);
        }
    }
}

TEST_F(ConfigParseTest, TenMegabytesOfOpeningBracketsFailAtOnce)
{
    const std::string brackets(10 * 1024 * 1024, '[');
    EXPECT_FALSE(Parse(brackets));
    EXPECT_EQ(prompt_.Texts(), Texts{"Error parsing configuration: Matching \"]\" not found for a section heading."});
    EXPECT_EQ(config_.GetCount(), 0u);
}

TEST_F(ConfigParseTest, EmptyListsSurviveASaveAndLoad)
{
    config_.Add(std::make_unique<CConfigItemIntegerList>("I", "h", 0, false, 1, std::vector<int32_t>{}));
    config_.Add(std::make_unique<CConfigItemFloatList>("F", "h", 0, false, 1.0f, std::vector<float>{}));
    config_.Add(std::make_unique<CConfigItemStringList>("S", "h", 0, false, "x", std::vector<std::string>{}));
    const std::string written = Rewritten();
    CConfig again;
    ASSERT_TRUE(again.Parse(written.data(), written.size(), kConfigStoreForm));
    ASSERT_EQ(again.GetCount(), 3u);
    EXPECT_EQ(ConfigItemKind(*again.GetAt(0)), EConfigItemKind::IntegerList);
    EXPECT_EQ(ConfigItemKind(*again.GetAt(1)), EConfigItemKind::FloatList);
    EXPECT_EQ(ConfigItemKind(*again.GetAt(2)), EConfigItemKind::StringList);
    std::string twice;
    ASSERT_TRUE(again.Write(kConfigStoreForm, twice));
    EXPECT_EQ(twice, written);
}

TEST_F(ConfigParseTest, ADcmTextWithAQuoteIsCutThereOnReading)
{
    config_.Add(std::make_unique<CConfigItemDcmInput>("DCM i1:01", "h", 4, false, "Set(0x2821,34,5)\"x",
                                                      std::vector<tagInputFunc>{}));
    const std::string written = Rewritten();
    CConfig again;
    ASSERT_TRUE(again.Parse(written.data(), written.size(), kConfigStoreForm));
    ASSERT_EQ(again.GetCount(), 1u);
    EXPECT_EQ(dynamic_cast<const CConfigItemDcmInput*>(again.GetAt(0))->GetText(), "Set(0x2821,34,5)");
}

TEST_F(ConfigParseTest, TheWriterWritesTheHeaderOnlyInFileForm)
{
    config_.Add(std::make_unique<CConfigItemInteger>("N", "h", 0, false, 5));
    EXPECT_EQ(Rewritten(kConfigFileForm), std::string(kConfigFileHeader) + Record("N", 0, 0, "h", 0, "5"));
    EXPECT_EQ(Rewritten(kConfigStoreForm), Record("N", 0, 0, "h", 0, "5"));
    EXPECT_EQ(std::string(kConfigFileHeader).size(), 28u);
    config_.RemoveAll();
    EXPECT_EQ(Rewritten(kConfigFileForm), kConfigFileHeader);
}
