#include <gtest/gtest.h>

#include <set>
#include <string>

#include "config/DcmTables.h"

TEST(DcmTablesTest, TheTablesHoldTheirEntriesInOrderWithUniqueKeywords)
{
    const auto inputs = CInputFuncTable::Acquire();
    const auto outputs = COutputCondTable::Acquire();
    ASSERT_EQ(inputs->GetCount(), 45);
    ASSERT_EQ(outputs->GetCount(), 36);
    EXPECT_STREQ(inputs->GetEntry(0)->Keyword, "IiFormatNext");
    EXPECT_STREQ(inputs->GetEntry(44)->Keyword, "ContrastSet");
    EXPECT_STREQ(outputs->GetEntry(0)->Keyword, "IiFormatIs");
    EXPECT_STREQ(outputs->GetEntry(35)->Keyword, "SensorIntegrationTimeLower");
    EXPECT_EQ(inputs->GetEntry(-1), nullptr);
    EXPECT_EQ(inputs->GetEntry(45), nullptr);
    EXPECT_EQ(outputs->GetEntry(36), nullptr);

    std::set<std::string> keywords;
    for (int i = 0; i < inputs->GetCount(); ++i) {
        EXPECT_TRUE(keywords.insert(inputs->GetEntry(i)->Keyword).second) << inputs->GetEntry(i)->Keyword;
        EXPECT_EQ(inputs->Find(inputs->GetEntry(i)->Keyword), inputs->GetEntry(i));
    }
    keywords.clear();
    for (int i = 0; i < outputs->GetCount(); ++i) {
        EXPECT_TRUE(keywords.insert(outputs->GetEntry(i)->Keyword).second) << outputs->GetEntry(i)->Keyword;
        EXPECT_EQ(outputs->Find(outputs->GetEntry(i)->Keyword), outputs->GetEntry(i));
    }
    EXPECT_EQ(inputs->Find("UNKNOWN"), nullptr);
    EXPECT_EQ(inputs->Find("contrastset"), nullptr);
}

TEST(DcmTablesTest, TheIrregularEntriesStandAsTheFieldFilesExpect)
{
    const auto inputs = CInputFuncTable::Acquire();
    const tagInputFuncEntry* previous = inputs->GetEntry(23);
    EXPECT_STREQ(previous->Keyword, "EdgeEnhancementPrevious");
    EXPECT_STREQ(previous->Text, "Edge enhancement, Less");
    EXPECT_EQ(previous->Kind, kInputFuncStep);
    EXPECT_EQ(previous->Index, 0x2821);
    EXPECT_EQ(previous->SubIndex, 29);
    EXPECT_EQ(previous->Value, 1);
    EXPECT_FALSE(previous->Activate);

    const auto outputs = COutputCondTable::Acquire();
    EXPECT_STREQ(outputs->GetEntry(26)->Keyword, "AgcIsOff");
    EXPECT_STREQ(outputs->GetEntry(27)->Keyword, "AgcIsLock");
    EXPECT_EQ(outputs->GetEntry(26)->Value, 2);
    EXPECT_EQ(outputs->GetEntry(27)->Value, 2);
    EXPECT_EQ(inputs->Find("AgcLock")->Value, 3);
    // Looking up AgcIsLock's own object and value finds AgcIsOff first.
    EXPECT_EQ(outputs->Find(kOutputCondEqual, 0x2821, 20, 2), outputs->GetEntry(26));
}

TEST(DcmTablesTest, LookupsReturnTheFirstMatchInTableOrder)
{
    const auto inputs = CInputFuncTable::Acquire();
    struct Row {
        int mode;
        uint32_t index;
        uint32_t subindex;
        bool with_value;
        int32_t value;
        const char* expected;  // nullptr: no entry
    };
    const Row rows[] = {
        {0, 0x2021, 42, false, 0, "WhiteClippingOn"},
        {0, 0x2021, 42, true, 0, "WhiteClippingOff"},
        {1, 0x2021, 42, false, 0, "WhiteClippingToggle"},
        {1, 0x2021, 16, false, 0, "IiFormatNext"},
        {1, 0x2021, 16, true, -1, "IiFormatPrevious"},
        {0, 0x2021, 16, false, 0, "IiFormatSelect"},
        {0, 0x2821, 20, true, 3, "AgcLock"},
        {0, 0x2821, 20, true, 9, nullptr},
        {1, 0x2821, 29, true, 1, "EdgeEnhancementPrevious"},
        {0, 0x2821, 29, false, 0, nullptr},
        {1, 0x2821, 30, false, 0, "EdgeEnhancementNext"},
        {0, 0x12021, 16, false, 0, nullptr},
        {0, 0x2021, 16 + 256, false, 0, nullptr},
    };
    for (const Row& row : rows) {
        const tagInputFuncEntry* entry = row.with_value ? inputs->Find(row.mode, row.index, row.subindex, row.value)
                                                        : inputs->Find(row.mode, row.index, row.subindex);
        if (row.expected == nullptr) {
            EXPECT_EQ(entry, nullptr) << row.index << "," << row.subindex;
        } else {
            ASSERT_NE(entry, nullptr) << row.expected;
            EXPECT_STREQ(entry->Keyword, row.expected);
        }
    }

    const auto outputs = COutputCondTable::Acquire();
    EXPECT_STREQ(outputs->Find(kOutputCondHigher, 0x2021, 16)->Keyword, "IiFormatHigher");
    EXPECT_STREQ(outputs->Find(kOutputCondEqual, 0x2821, 4)->Keyword, "HorizontalFlipIsOn");
    EXPECT_STREQ(outputs->Find(kOutputCondEqual, 0x2821, 4, 0)->Keyword, "HorizontalFlipIsOff");
    EXPECT_STREQ(outputs->Find(kOutputCondNone, 0x2000, 5)->Keyword, "FootswitchIsOff");
    EXPECT_EQ(outputs->Find(kOutputCondLower, 0x2000, 5), nullptr);
}

TEST(DcmTablesTest, TheSharedTablesLiveWhileAReferenceIsHeld)
{
    std::weak_ptr<const CInputFuncTable> inputs_watch;
    std::weak_ptr<const COutputCondTable> outputs_watch;
    {
        const auto first = CInputFuncTable::Acquire();
        const auto second = CInputFuncTable::Acquire();
        EXPECT_EQ(first.get(), second.get());
        inputs_watch = first;
        outputs_watch = COutputCondTable::Acquire();
        EXPECT_TRUE(outputs_watch.expired());
    }
    EXPECT_TRUE(inputs_watch.expired());
}
