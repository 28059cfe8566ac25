#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigItem.h"

namespace {

std::string Head(const std::string& name, int item_class, int fixed, const std::string& help)
{
    return "[" + name + "]\r\nClass = " + std::to_string(item_class) + "\r\nFixed = " + std::to_string(fixed) +
           "\r\nHelp = \"" + help + "\"\r\n";
}

std::string Written(const CConfigItem& item, int form)
{
    std::string out;
    EXPECT_TRUE(item.Write(out, form));
    return out;
}

const uint8_t kTwentyBytes[20] = {0x00, 0x01, 0x22, 0x5C, 0x5B, 0x0D, 0x0A, 0x7F, 0x80, 0xFF,
                                  0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0xA0, 0xB0, 0xC0, 0xD0};

struct WriteRow {
    const char* what;
    std::function<std::unique_ptr<CConfigItem>()> make;
    EConfigItemKind kind;
    int type;
    std::string file_form;
    std::string store_form;  // empty: as the file form
};

}  // namespace

TEST(ConfigItemTest, EveryClassWritesItsRecord)
{
    const std::string store_data("\x00\x01\\\x22\\\x5C\x5B\x0D\x0A\x7F\x80\xFF\x10\x20\x30\x40\x50\x60\xA0\xB0\xC0\xD0", 22);
    const std::vector<WriteRow> rows = {
        {"integer", [] { return std::make_unique<CConfigItemInteger>("N", "h", 0, false, -12); },
         EConfigItemKind::Integer, 0, Head("N", 0, 0, "h") + "Type = 0\r\nValue = -12\r\n", ""},
        {"integer range", [] { return std::make_unique<CConfigItemIntegerRange>("N", "h", 1, true, 11, 1, 10); },
         EConfigItemKind::IntegerRange, 0, Head("N", 1, 1, "h") + "Type = 0\r\nValue = 11\r\nRange = 1..10\r\n", ""},
        {"integer list",
         [] { return std::make_unique<CConfigItemIntegerList>("N", "h", 3, false, 2, std::vector<int32_t>{1, -2, 3}); },
         EConfigItemKind::IntegerList, 0, Head("N", 3, 0, "h") + "Type = 0\r\nValue = 2\r\nRange = 1, -2, 3\r\n", ""},
        {"empty integer list",
         [] { return std::make_unique<CConfigItemIntegerList>("N", "h", 0, false, 2, std::vector<int32_t>{}); },
         EConfigItemKind::IntegerList, 0, Head("N", 0, 0, "h") + "Type = 0\r\nValue = 2\r\nRange =\r\n", ""},
        {"float rounds to two decimals", [] { return std::make_unique<CConfigItemFloat>("N", "h", 0, false, 0.126f); },
         EConfigItemKind::Float, 1, Head("N", 0, 0, "h") + "Type = 1\r\nValue = 0.13\r\n", ""},
        {"float range",
         [] { return std::make_unique<CConfigItemFloatRange>("N", "h", 0, false, -1.5f, -2.0f, 2.25f); },
         EConfigItemKind::FloatRange, 1, Head("N", 0, 0, "h") + "Type = 1\r\nValue = -1.50\r\nRange = -2.00..2.25\r\n",
         ""},
        {"float list",
         [] { return std::make_unique<CConfigItemFloatList>("N", "h", 0, false, 1.0f, std::vector<float>{0.5f, 1.0f}); },
         EConfigItemKind::FloatList, 1, Head("N", 0, 0, "h") + "Type = 1\r\nValue = 1.00\r\nRange = 0.50, 1.00\r\n", ""},
        {"string is escaped", [] { return std::make_unique<CConfigItemString>("N", "a\\\"b", 4, false, "x\\y\"z"); },
         EConfigItemKind::String, 2, Head("N", 4, 0, "a\\\\\\\"b") + "Type = 2\r\nValue = \"x\\\\y\\\"z\"\r\n", ""},
        {"empty string", [] { return std::make_unique<CConfigItemString>("N", "", 0, false, ""); },
         EConfigItemKind::String, 2, Head("N", 0, 0, "") + "Type = 2\r\nValue = \"\"\r\n", ""},
        {"string list",
         [] {
             return std::make_unique<CConfigItemStringList>("N", "h", 0, false, "B",
                                                            std::vector<std::string>{"A", "B", "say \"hi\""});
         },
         EConfigItemKind::StringList, 2,
         Head("N", 0, 0, "h") + "Type = 2\r\nValue = \"B\"\r\nRange = \"A\", \"B\", \"say \\\"hi\\\"\"\r\n", ""},
        {"boolean 5 is true", [] { return std::make_unique<CConfigItemBoolean>("N", "h", 0, false, 5); },
         EConfigItemKind::Boolean, 3, Head("N", 0, 0, "h") + "Type = 3\r\nValue = 1\r\n", ""},
        {"boolean false", [] { return std::make_unique<CConfigItemBoolean>("N", "h", 0, false, 0); },
         EConfigItemKind::Boolean, 3, Head("N", 0, 0, "h") + "Type = 3\r\nValue = 0\r\n", ""},
        {"binary data of 20 bytes",
         [] { return std::make_unique<CConfigItemBinaryData>("N", "h", 3, false, kTwentyBytes, 20); },
         EConfigItemKind::BinaryData, 4,
         Head("N", 3, 0, "h") +
             "Type = 4\r\nValue = \"\r\n00 01 22 5C 5B 0D 0A 7F  80 FF 10 20 30 40 50 60 \r\nA0 B0 C0 D0 \"\r\n",
         Head("N", 3, 0, "h") + "Type = 4\r\nValue = \"" + store_data + "\"\r\n"},
        {"binary data of 0 bytes", [] { return std::make_unique<CConfigItemBinaryData>("N", "h", 3, false, nullptr, 0); },
         EConfigItemKind::BinaryData, 4, Head("N", 3, 0, "h") + "Type = 4\r\nValue = \"\"\r\n", ""},
        {"dcm input is not escaped",
         [] {
             return std::make_unique<CConfigItemDcmInput>("DCM i1:01", "h", 4, false, "Set(\"x\")",
                                                          std::vector<tagInputFunc>{});
         },
         EConfigItemKind::DcmInput, 5, Head("DCM i1:01", 4, 0, "h") + "Type = 5\r\nValue = \"Set(\"x\")\"\r\n", ""},
        {"dcm output",
         [] {
             return std::make_unique<CConfigItemDcmOutput>("DCM o1", "h", 4, false, "Low(0x2000,4)",
                                                           std::vector<tagOutputCond>{{false, "FootswitchIsOn", 0}});
         },
         EConfigItemKind::DcmOutput, 6, Head("DCM o1", 4, 0, "h") + "Type = 6\r\nValue = \"Low(0x2000,4)\"\r\n", ""},
        // Classes outside the editor's pages are written as 0.
        {"class 7", [] { return std::make_unique<CConfigItemInteger>("N", "h", 7, false, 1); },
         EConfigItemKind::Integer, 0, Head("N", 0, 0, "h") + "Type = 0\r\nValue = 1\r\n", ""},
        {"class -1", [] { return std::make_unique<CConfigItemInteger>("N", "h", -1, false, 1); },
         EConfigItemKind::Integer, 0, Head("N", 0, 0, "h") + "Type = 0\r\nValue = 1\r\n", ""},
    };
    for (const WriteRow& row : rows) {
        SCOPED_TRACE(row.what);
        const std::unique_ptr<CConfigItem> item = row.make();
        EXPECT_EQ(ConfigItemKind(*item), row.kind);
        EXPECT_EQ(ConfigItemType(*item), row.type);
        EXPECT_EQ(Written(*item, kConfigFileForm), row.file_form);
        EXPECT_EQ(Written(*item, kConfigStoreForm), row.store_form.empty() ? row.file_form : row.store_form);
    }
}

TEST(ConfigItemTest, BinaryDataWithAnUnknownFormWritesNoBytes)
{
    const CConfigItemBinaryData item("N", "h", 0, false, kTwentyBytes, 20);
    EXPECT_EQ(Written(item, 2), Head("N", 0, 0, "h") + "Type = 4\r\nValue = \"\"\r\n");
}

TEST(ConfigItemTest, ConstructorsCopyWhatTheyAreGiven)
{
    std::vector<uint8_t> bytes{1, 2, 3};
    const CConfigItemBinaryData binary("N", "h", 0, false, bytes.data(), 3);
    bytes.assign(3, 9);
    ASSERT_EQ(binary.GetLength(), 3);
    EXPECT_EQ(binary.GetData()[2], 3);
    EXPECT_EQ(CConfigItemBinaryData("N", "h", 0, false, bytes.data(), -4).GetLength(), 0);
    EXPECT_EQ(CConfigItemBinaryData("N", "h", 0, false, nullptr, 4).GetData(), nullptr);

    std::vector<int32_t> allowed{4, 5};
    const CConfigItemIntegerList list("N", "h", 0, false, 4, allowed);
    allowed.clear();
    ASSERT_EQ(list.GetSize(), 2u);
    EXPECT_EQ(list.GetAt(1), 5);
    EXPECT_EQ(list.GetAt(2), 0);

    const CConfigItemStringList strings("N", "h", 0, false, "a", {"a", "b"});
    EXPECT_EQ(strings.GetAt(1), "b");
    EXPECT_EQ(strings.GetAt(7), "");

    std::vector<tagInputFunc> functions{{"ContrastSet", 5, false}};
    const CConfigItemDcmInput input("DCM i1:01", "h", 4, false, "Set(0x2821,34,5)", functions);
    functions[0].Value = 6;
    EXPECT_EQ(input.GetFunctions()[0].Value, 5);
    EXPECT_EQ(input.GetTable().Find("ContrastSet")->SubIndex, 34);
}

TEST(ConfigItemTest, DcmItemsHoldTheSharedTablesWhileTheyLive)
{
    std::weak_ptr<const CInputFuncTable> inputs_watch;
    std::weak_ptr<const COutputCondTable> outputs_watch;
    {
        const CConfigItemDcmInput input("DCM i1:01", "h", 4, false, "x", {});
        const CConfigItemDcmOutput output("DCM o1", "h", 4, false, "x", {});
        inputs_watch = CInputFuncTable::Acquire();
        outputs_watch = COutputCondTable::Acquire();
        EXPECT_FALSE(inputs_watch.expired());
        EXPECT_FALSE(outputs_watch.expired());
    }
    EXPECT_TRUE(inputs_watch.expired());
    EXPECT_TRUE(outputs_watch.expired());
}

TEST(ConfigItemTest, ValueTextsAreWhatTheGridShows)
{
    const std::vector<std::pair<std::unique_ptr<CConfigItem>, std::string>> rows = [] {
        std::vector<std::pair<std::unique_ptr<CConfigItem>, std::string>> list;
        list.emplace_back(std::make_unique<CConfigItemIntegerRange>("N", "h", 0, false, -4, -5, 5), "-4");
        list.emplace_back(std::make_unique<CConfigItemFloatList>("N", "h", 0, false, 0.506f, std::vector<float>{}),
                          "0.51");
        list.emplace_back(std::make_unique<CConfigItemStringList>("N", "h", 0, false, "a\"b", std::vector<std::string>{}),
                          "a\"b");
        list.emplace_back(std::make_unique<CConfigItemBoolean>("N", "h", 0, false, -1), "TRUE");
        list.emplace_back(std::make_unique<CConfigItemBoolean>("N", "h", 0, false, 0), "FALSE");
        list.emplace_back(std::make_unique<CConfigItemBinaryData>("N", "h", 0, false, kTwentyBytes, 20), "");
        list.emplace_back(std::make_unique<CConfigItemDcmInput>(
                              "DCM i1:01", "h", 4, false, "",
                              std::vector<tagInputFunc>{{"ContrastSet", 5, false}, {"BrightnessUp", 1, true}}),
                          "ContrastSet(5); BrightnessUp with wrapping");
        list.emplace_back(std::make_unique<CConfigItemDcmOutput>(
                              "DCM o1", "h", 4, false, "",
                              std::vector<tagOutputCond>{{true, "IiFormatIs", 2}, {false, "AgcIsOn", 1}}),
                          "High on IiFormatIs(2); Low on AgcIsOn");
        return list;
    }();
    for (const auto& [item, text] : rows) {
        EXPECT_EQ(ConfigItemValueText(*item), text) << ConfigItemKindName(ConfigItemKind(*item));
    }

    EXPECT_EQ(ConfigItemAllowedTexts(CConfigItemIntegerList("N", "h", 0, false, 1, {1, -20})),
              (std::vector<std::string>{"1", "-20"}));
    EXPECT_EQ(ConfigItemAllowedTexts(CConfigItemFloatList("N", "h", 0, false, 1, {0.5f, 1.125f})),
              (std::vector<std::string>{"0.50", "1.12"}));
    EXPECT_EQ(ConfigItemAllowedTexts(CConfigItemStringList("N", "h", 0, false, "a", {"a", "b"})),
              (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(ConfigItemAllowedTexts(CConfigItemIntegerRange("N", "h", 0, false, 1, 0, 2)).empty());
}
