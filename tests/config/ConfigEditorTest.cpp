// The configuration editor's page model: which rows the pages hold, the file and flash images it
// makes and takes, the in-place edits and the DCM rows with their byte tables.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "config/ConfigEditor.h"
#include "config/ConfigFile.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"

namespace {

using Texts = std::vector<std::string>;

std::string Record(const std::string& name, int item_class, int fixed, int type, const std::string& value,
                   const char* range = nullptr, const std::string& help = "h")
{
    std::string text = "[" + name + "]\r\nClass = " + std::to_string(item_class) + "\r\nFixed = " +
                       std::to_string(fixed) + "\r\nHelp = \"" + help + "\"\r\nType = " + std::to_string(type) +
                       "\r\nValue = " + value + "\r\n";
    if (range != nullptr) {
        text += std::string("Range = ") + range + "\r\n";
    }
    return text + "\r\n";
}

// Records what the page is told.
class CViewRecorder : public IConfigEditorView {
public:
    void OutputText(const std::string& text) override { lines.push_back(text); }
    void PageChanged(int page) override { changed.push_back(page); }
    void TabsChanged(bool select_first) override { tabs.push_back(select_first); }

    Texts lines;
    std::vector<int> changed;
    std::vector<bool> tabs;
};

class ConfigEditorTest : public testing::Test {
protected:
    // The editor filled from text (store form, no header needed).
    void Fill(const std::string& text, bool show_fixed = true)
    {
        editor_ = std::make_unique<CConfigEditor>(&view_, show_fixed);
        CConfig config;
        ASSERT_TRUE(config.Parse(text.data(), text.size(), kConfigStoreForm));
        editor_->FillPages(config);
    }

    // A scrambled .cfg file of text.
    std::string WriteCfg(const std::string& name, const std::string& text)
    {
        std::string bytes = kConfigFileHeader + text;
        ScrambleConfigBuffer(bytes);
        return folder_.Write(name, bytes);
    }

    Texts Names(int page) const
    {
        Texts names;
        for (const tagConfigRow& row : editor_->Rows(page)) {
            names.push_back(row.Name);
        }
        return names;
    }

    const tagConfigRow& RowNamed(int page, const std::string& name) const
    {
        for (const tagConfigRow& row : editor_->Rows(page)) {
            if (row.Name == name) {
                return row;
            }
        }
        ADD_FAILURE() << "no row " << name << " on page " << page;
        static const tagConfigRow none;
        return none;
    }

    size_t IndexOf(int page, const std::string& name) const
    {
        const std::vector<tagConfigRow>& rows = editor_->Rows(page);
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].Name == name) {
                return i;
            }
        }
        ADD_FAILURE() << "no row " << name << " on page " << page;
        return 0;
    }

    // The store form of what the pages hold.
    std::string StoreImage()
    {
        std::string bytes;
        EXPECT_TRUE(editor_->BuildStoreImage(bytes));
        return bytes;
    }

    CRecordingPrompt prompt_;
    CScopedPrompt scoped_{prompt_};
    CTempFolder folder_;
    CViewRecorder view_;
    std::unique_ptr<CConfigEditor> editor_;
};

// One item for each page, one of Class 2 and one of Class 9, out of name order.
const std::string kEveryPage = Record("b0", 0, 0, 0, "1") + Record("a0", 0, 0, 0, "2") + Record("d1", 1, 0, 0, "3") +
                               Record("l3", 3, 0, 0, "4") + Record("u4", 4, 0, 0, "5") + Record("f0", 0, 1, 0, "6") +
                               Record("f1", 1, 1, 0, "7") + Record("f3", 3, 1, 0, "8") + Record("f4", 4, 1, 0, "9") +
                               Record("hidden2", 2, 0, 0, "10") + Record("hidden9", 9, 1, 0, "11") +
                               Record("B0", 0, 0, 0, "12");

}  // namespace

TEST_F(ConfigEditorTest, PagesHoldTheirClassAndFixedFlagInNameOrder)
{
    Fill(kEveryPage);
    const std::vector<Texts> expected = {{"B0", "a0", "b0"}, {"d1"}, {"l3"}, {"u4"}, {"f0"}, {"f1"}, {"f3"}, {"f4"}};
    for (int page = 0; page < kConfigPageCount; ++page) {
        EXPECT_EQ(Names(page), expected[static_cast<size_t>(page)]) << page;
        EXPECT_TRUE(editor_->HasTab(page)) << page;
    }
    EXPECT_EQ(editor_->UnshownItemCount(), 2u);
    EXPECT_EQ(view_.tabs.back(), true);

    // Without "Show Fixed Config Items" the fixed pages hold their rows but have no tab.
    Fill(kEveryPage, false);
    for (int page = 0; page < kConfigPageCount; ++page) {
        EXPECT_EQ(editor_->Rows(page).size(), expected[static_cast<size_t>(page)].size()) << page;
        EXPECT_EQ(editor_->HasTab(page), page < kFirstFixedPage) << page;
    }
    // A page without rows has no tab.
    Fill(Record("only", 1, 0, 0, "1"));
    for (int page = 0; page < kConfigPageCount; ++page) {
        EXPECT_EQ(editor_->HasTab(page), page == 1) << page;
    }
}

TEST_F(ConfigEditorTest, RowsCarryTheValueTextAndTheRecord)
{
    Fill(Record("int", 0, 0, 0, "-7") + Record("range", 0, 0, 0, "5", "1..10") + Record("ilist", 0, 0, 0, "4", "1, 2, 3") +
         Record("float", 0, 0, 1, "0.126") + Record("flist", 0, 0, 1, "1.00005", "0.50, 1.00") +
         Record("str", 0, 0, 2, "\"a\\\"b\"") + Record("slist", 0, 0, 2, "\"B\"", "\"A\", \"B\"") +
         Record("bool", 0, 0, 3, "5") + Record("bin", 0, 0, 4, "\"\\\"x\"") +
         Record("DCM i1:01", 0, 0, 5, "\"Set(0x2821,34,5);Set(0x2000,3)\"") +
         Record("DCM o1", 0, 0, 6, "\"High(0x2021,16,>,3);Low(0x2000,4)\""));
    const struct {
        const char* name;
        EConfigItemKind kind;
        const char* value;
    } rows[] = {
        {"int", EConfigItemKind::Integer, "-7"},
        {"range", EConfigItemKind::IntegerRange, "5"},
        // Not among the allowed values: the drop-down shows the first, and that is what is saved.
        {"ilist", EConfigItemKind::IntegerList, "1"},
        {"float", EConfigItemKind::Float, "0.13"},
        // Equal as shown: 1.00005 finds its element and is not replaced by the first.
        {"flist", EConfigItemKind::FloatList, "1.00"},
        {"str", EConfigItemKind::String, "a\"b"},
        {"slist", EConfigItemKind::StringList, "B"},
        {"bool", EConfigItemKind::Boolean, "TRUE"},
        {"bin", EConfigItemKind::BinaryData, ""},
        {"DCM i1:01", EConfigItemKind::DcmInput, "ContrastSet(5)"},
        {"DCM o1", EConfigItemKind::DcmOutput, "High on IiFormatHigher(3); Low on FootswitchIsOn"},
    };
    for (const auto& row : rows) {
        const tagConfigRow& found = RowNamed(0, row.name);
        EXPECT_EQ(found.Record.RowKind, row.kind) << row.name;
        EXPECT_EQ(found.Value, row.value) << row.name;
    }
    EXPECT_EQ(RowNamed(0, "range").Record.IntegerHigh, 10);
    EXPECT_EQ(RowNamed(0, "bin").Record.Data, (std::vector<uint8_t>{'"', 'x'}));
    EXPECT_EQ(RowNamed(0, "DCM i1:01").Record.DcmText, "Set(0x2821,34,5);Set(0x2000,3)");
}

TEST_F(ConfigEditorTest, CfgNameRowsAreJoinedAndTheSaveNameIsMadeSafe)
{
    Fill(Record("Cfg Name", 0, 1, 2, "\"My cfg/1\""));
    EXPECT_EQ(editor_->DefaultSaveName(), "My_cfg_1.cfg");

    const std::string merged = WriteCfg("merged.cfg", Record("Cfg Name", 0, 1, 2, "\"Site 2\"") +
                                                          Record("Cfg Name", 0, 0, 2, "\"not fixed\""));
    ASSERT_TRUE(editor_->MergeFile(merged));
    EXPECT_EQ(Names(kFixedConfigurationPage), Texts{"Cfg Name"});
    EXPECT_EQ(editor_->Rows(kFixedConfigurationPage)[0].Value, "My cfg/1 - Site 2");
    EXPECT_EQ(Names(0), Texts{"Cfg Name"});  // another page: not joined
    EXPECT_EQ(editor_->DefaultSaveName(), "My_cfg_1_-_Site_2.cfg");

    // Only a String row is joined; another kind of the same name is a row of its own.
    ASSERT_TRUE(editor_->MergeFile(WriteCfg("int.cfg", Record("Cfg Name", 0, 1, 0, "3"))));
    EXPECT_EQ(Names(kFixedConfigurationPage), (Texts{"Cfg Name", "Cfg Name"}));

    // Without a name the dialog offers none, not the hidden file ".cfg".
    Fill(Record("Other", 0, 1, 2, "\"x\""));
    EXPECT_EQ(editor_->DefaultSaveName(), "");
}

TEST_F(ConfigEditorTest, LoadReplacesMergeAddsAndFailuresChangeNothing)
{
    Fill(Record("old", 0, 0, 0, "1"));
    const std::string file = WriteCfg("a.cfg", Record("new", 0, 0, 0, "2") + Record("fixed", 4, 1, 0, "3"));
    ASSERT_TRUE(editor_->MergeFile(file));
    EXPECT_EQ(Names(0), (Texts{"new", "old"}));
    ASSERT_TRUE(editor_->LoadFile(file));
    EXPECT_EQ(Names(0), Texts{"new"});
    EXPECT_EQ(Names(7), Texts{"fixed"});

    struct Row {
        const char* what;
        std::string path;
        Texts messages;
    };
    std::string ascii = kConfigFileHeader + Record("x", 0, 0, 0, "1");
    const std::vector<Row> rows = {
        {"missing file", folder_.File("missing.cfg"), {"Error opening file."}},
        {"empty file", folder_.Write("empty.cfg", ""), {"File is empty!"}},
        {"saved in ASCII", folder_.Write("ascii.cfg", ascii), {"File does not appear to be a valid configuration file!"}},
        {"parse error", WriteCfg("bad.cfg", "[x]\r\nClass = 0\r\n"),
         {"Error parsing configuration: \"Type\" not found for \"x\"."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (const bool merge : {false, true}) {
            prompt_.Clear();
            EXPECT_FALSE(merge ? editor_->MergeFile(row.path) : editor_->LoadFile(row.path));
            EXPECT_EQ(prompt_.Texts(), row.messages);
            EXPECT_EQ(Names(0), Texts{"new"});
            EXPECT_EQ(Names(7), Texts{"fixed"});
        }
    }
    prompt_.Clear();
    EXPECT_FALSE(editor_->LoadFile(""));  // the dialog was cancelled
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(ConfigEditorTest, AFileSavedInAsciiIsRejectedByLoad)
{
    Fill(kEveryPage);
    editor_->SetSaveInAscii(true);
    std::string saved;
    ASSERT_TRUE(editor_->SaveFile(folder_.File("plain"), &saved));
    EXPECT_EQ(saved, folder_.File("plain.cfg"));
    EXPECT_EQ(ReadFileText(saved).substr(0, 24), "Nemra configuration file");
    EXPECT_FALSE(editor_->LoadFile(saved));
    EXPECT_EQ(prompt_.Texts(), Texts{"File does not appear to be a valid configuration file!"});

    editor_->SetSaveInAscii(false);
    ASSERT_TRUE(editor_->SaveFile(folder_.File("scrambled.cfg")));
    EXPECT_NE(ReadFileText(folder_.File("scrambled.cfg")).substr(0, 5), "Nemra");
    EXPECT_TRUE(editor_->LoadFile(folder_.File("scrambled.cfg")));
}

TEST_F(ConfigEditorTest, HiddenFixedItemsAreLoadedSavedStoredAndMerged)
{
    const std::string file = WriteCfg("fixed.cfg", kEveryPage);
    editor_ = std::make_unique<CConfigEditor>(&view_, false);
    ASSERT_TRUE(editor_->LoadFile(file));
    ASSERT_TRUE(editor_->SaveFile(folder_.File("saved.cfg")));
    CConfig saved;
    ASSERT_TRUE(LoadConfigFile(folder_.File("saved.cfg"), saved));
    Texts names;
    for (const auto& item : saved) {
        names.push_back(item->GetName());
    }
    // Pages in order, rows in name order, the two items of no page left out.
    EXPECT_EQ(names, (Texts{"B0", "a0", "b0", "d1", "l3", "u4", "f0", "f1", "f3", "f4"}));
    EXPECT_NE(StoreImage().find("[f4]\r\nClass = 4\r\nFixed = 1\r\n"), std::string::npos);

    ASSERT_TRUE(editor_->MergeFile(WriteCfg("more.cfg", Record("f5", 4, 1, 0, "1"))));
    EXPECT_EQ(Names(7), (Texts{"f4", "f5"}));
    EXPECT_FALSE(editor_->HasTab(7));
}

TEST_F(ConfigEditorTest, ItemsOfNoPageAreCountedWhenSavedOrStoredAndKeptAcrossClosing)
{
    Fill(kEveryPage);
    view_.lines.clear();
    ASSERT_TRUE(editor_->SaveFile(folder_.File("out.cfg")));
    EXPECT_EQ(view_.lines,
              Texts{"2 item(s) of Class 2 or of another class that no page shows are left out of the saved file."});
    CConfig saved;
    ASSERT_TRUE(LoadConfigFile(folder_.File("out.cfg"), saved));
    EXPECT_EQ(saved.GetCount(), 10u);

    view_.lines.clear();
    const std::string image = StoreImage();
    EXPECT_EQ(image.find("hidden"), std::string::npos);
    EXPECT_EQ(view_.lines, Texts{"2 item(s) of Class 2 or of another class that no page shows are left out of the "
                                 "configuration to store."});

    // Closing the page keeps them in the working configuration, so reopening counts them again.
    CConfig working;
    editor_->Close(working);
    EXPECT_EQ(working.GetCount(), 12u);
    CConfigEditor reopened(&view_, true);
    reopened.Open(working);
    EXPECT_EQ(reopened.UnshownItemCount(), 2u);
    std::string reopened_image;
    ASSERT_TRUE(reopened.BuildStoreImage(reopened_image));
    EXPECT_EQ(reopened_image, image);

    // A configuration without such items says nothing.
    Fill(Record("a", 0, 0, 0, "1"));
    view_.lines.clear();
    StoreImage();
    EXPECT_TRUE(view_.lines.empty());
}

TEST_F(ConfigEditorTest, SaveLoadSaveAndRetrieveAreFixedPoints)
{
    CConfig sample;
    ASSERT_TRUE(LoadConfigFile(TestDataDir() + "/config/all_items.cfg", sample));
    editor_ = std::make_unique<CConfigEditor>(&view_, false);
    editor_->Open(sample);
    ASSERT_TRUE(editor_->SaveFile(folder_.File("first.cfg")));
    ASSERT_TRUE(editor_->LoadFile(folder_.File("first.cfg")));
    ASSERT_TRUE(editor_->SaveFile(folder_.File("second.cfg")));
    EXPECT_EQ(ReadFileText(folder_.File("first.cfg")), ReadFileText(folder_.File("second.cfg")));
    // Nothing but the saved file is left in the folder (the temporary file was renamed).
    EXPECT_EQ(FolderEntries(folder_.Path()).size(), 2u);

    const std::string image = StoreImage();
    ASSERT_TRUE(editor_->TakeRetrievedImage(std::vector<uint8_t>(image.begin(), image.end())));
    EXPECT_EQ(StoreImage(), image);

    // A retrieved image that does not parse changes nothing.
    const std::string broken = "[x]\r\nClass = 0\r\n";
    EXPECT_FALSE(editor_->TakeRetrievedImage(std::vector<uint8_t>(broken.begin(), broken.end())));
    EXPECT_EQ(StoreImage(), image);
}

TEST_F(ConfigEditorTest, AFailedSaveLeavesTheOldFileWhole)
{
    Fill(kEveryPage);
    const std::string path = folder_.Write("keep.cfg", "old contents");
    prompt_.Clear();
    EXPECT_FALSE(editor_->SaveFile(folder_.File("no/such/folder/x.cfg")));
    EXPECT_EQ(prompt_.Texts(), Texts{"Error opening file."});
    ASSERT_TRUE(editor_->SaveFile(path));
    EXPECT_NE(ReadFileText(path), "old contents");
    EXPECT_EQ(FolderEntries(folder_.Path()), Texts{"keep.cfg"});
}

TEST_F(ConfigEditorTest, TypedTextIsConvertedAndRangesAdapted)
{
    Fill(Record("int", 0, 0, 0, "1") + Record("range", 0, 0, 0, "5", "1..10") + Record("float", 0, 0, 1, "1") +
         Record("frange", 0, 0, 1, "1", "0.50..2.50") + Record("str", 0, 0, 2, "\"s\"") +
         Record("fixed", 0, 1, 0, "1"));
    const char kAdapted[] = "The value of \"%s\" is not within the range and will be adapted.";
    const struct {
        int page;
        const char* name;
        const char* typed;
        const char* shown;
        bool adapted;
    } rows[] = {
        {0, "int", "  12abc", "12", false},
        {0, "int", "x", "0", false},
        {0, "range", "10", "10", false},
        {0, "range", "20", "1", true},
        {0, "range", "0", "1", true},
        {0, "float", "0.126", "0.13", false},
        {0, "frange", "2.5", "2.50", false},
        {0, "frange", "2.51", "0.50", true},
        {0, "frange", "nan", "0.50", true},
        {0, "str", "  as typed ", "  as typed ", false},
        {4, "fixed", "7", "1", false},  // fixed rows are not edited
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " <- " + row.typed);
        prompt_.Clear();
        const size_t index = IndexOf(row.page, row.name);
        EXPECT_EQ(editor_->CommitText(row.page, index, row.typed), row.shown);
        EXPECT_EQ(editor_->Rows(row.page)[index].Value, row.shown);
        char message[200];
        std::snprintf(message, sizeof message, kAdapted, row.name);
        EXPECT_EQ(prompt_.Texts(), row.adapted ? Texts{message} : Texts{});
    }
    EXPECT_NE(StoreImage().find("[range]\r\nClass = 0\r\nFixed = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue = 1\r\nRange = 1..10"),
              std::string::npos);
}

TEST_F(ConfigEditorTest, DropDownChoicesAreTakenOnlyFromTheRowsChoices)
{
    Fill(Record("bool", 0, 0, 3, "0") + Record("ilist", 0, 0, 0, "2", "1, 2, 3") +
         Record("flist", 0, 0, 1, "1.00", "0.50, 1.00") + Record("slist", 0, 0, 2, "\"B\"", "\"A\", \"B\""));
    EXPECT_EQ(editor_->Choices(0, IndexOf(0, "bool")), (Texts{"TRUE", "FALSE"}));
    EXPECT_EQ(editor_->Choices(0, IndexOf(0, "flist")), (Texts{"0.50", "1.00"}));
    EXPECT_TRUE(editor_->CommitChoice(0, IndexOf(0, "bool"), "TRUE"));
    EXPECT_TRUE(editor_->CommitChoice(0, IndexOf(0, "ilist"), "3"));
    EXPECT_TRUE(editor_->CommitChoice(0, IndexOf(0, "flist"), "0.50"));
    EXPECT_TRUE(editor_->CommitChoice(0, IndexOf(0, "slist"), "A"));
    EXPECT_FALSE(editor_->CommitChoice(0, IndexOf(0, "slist"), "C"));
    EXPECT_EQ(RowNamed(0, "slist").Value, "A");
    CConfig built;
    editor_->BuildConfig(built);
    std::string text;
    ASSERT_TRUE(built.Write(kConfigStoreForm, text));
    for (const char* expected : {"[bool]\r\nClass = 0\r\nFixed = 0\r\nHelp = \"h\"\r\nType = 3\r\nValue = 1\r\n",
                                 "Type = 0\r\nValue = 3\r\nRange = 1, 2, 3\r\n",
                                 "Type = 1\r\nValue = 0.50\r\nRange = 0.50, 1.00\r\n",
                                 "Type = 2\r\nValue = \"A\"\r\nRange = \"A\", \"B\"\r\n"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

TEST_F(ConfigEditorTest, BinaryDataIsLoadedFromAndSavedToFiles)
{
    Fill(Record("bin", 3, 0, 4, "\"ab\""));
    const size_t row = 0;
    const std::string bytes("\x00\x22\x5C\xFF", 4);
    ASSERT_TRUE(editor_->LoadBinary(2, row, folder_.Write("lut.bin", bytes)));
    EXPECT_EQ(editor_->Rows(2)[row].Record.Data, (std::vector<uint8_t>{0x00, 0x22, 0x5C, 0xFF}));
    // An empty file leaves the data as it is; a missing one says so.
    EXPECT_TRUE(editor_->LoadBinary(2, row, folder_.Write("empty.bin", "")));
    EXPECT_EQ(editor_->Rows(2)[row].Record.Data.size(), 4u);
    prompt_.Clear();
    EXPECT_FALSE(editor_->LoadBinary(2, row, folder_.File("missing.bin")));
    EXPECT_FALSE(editor_->LoadBinary(2, row, folder_.Path()));
    EXPECT_EQ(prompt_.Texts(), (Texts{"File could not be opened.", "Error reading data from file."}));

    ASSERT_TRUE(editor_->SaveBinary(2, row, folder_.File("out.bin")));
    EXPECT_EQ(ReadFileText(folder_.File("out.bin")), bytes);
    prompt_.Clear();
    EXPECT_FALSE(editor_->SaveBinary(2, row, folder_.File("no/folder/out.bin")));
    EXPECT_EQ(prompt_.Texts(), Texts{"File could not be opened or created."});
    // The store form escapes the quote and the backslash.
    EXPECT_NE(StoreImage().find(std::string("Value = \"\x00\\\x22\\\x5C\xFF\"", 11)), std::string::npos);
}

TEST_F(ConfigEditorTest, ByteTablesAreReadFromPage3ThenPage7AndAddedOnPage7)
{
    Fill(Record("DCM Debounce", 4, 0, 2, "\"0a14\"") + Record("DCM Debounce", 4, 1, 2, "\"ffff\"") +
         Record("DCM Mode", 4, 1, 2, "\"0102\"") + Record("x", 0, 0, 0, "1"), false);
    EXPECT_EQ(editor_->GetDcmByte(EDcmByteTable::Debounce, 2), 0x14);  // page 3 wins
    EXPECT_EQ(editor_->GetDcmByte(EDcmByteTable::Debounce, 3), 0);     // beyond the text
    EXPECT_EQ(editor_->GetDcmByte(EDcmByteTable::Mode, 2), 2);         // page 7
    EXPECT_EQ(editor_->GetDcmByte(EDcmByteTable::PrioIO, 1), 0);       // no such row

    editor_->SetDcmByte(EDcmByteTable::Debounce, 4, 0xFE);
    EXPECT_EQ(RowNamed(3, "DCM Debounce").Value, "0a1400fe");
    EXPECT_EQ(RowNamed(7, "DCM Debounce").Value, "ffff");
    editor_->SetDcmByte(EDcmByteTable::PrioIO, 2, 3);
    const tagConfigRow& added = RowNamed(7, "DCM PrioIO");
    EXPECT_EQ(added.Value, "0003");
    EXPECT_EQ(added.Record.Help, "DCM input line priorities.");
    EXPECT_EQ(added.Record.RowKind, EConfigItemKind::String);
    EXPECT_FALSE(added.Record.Fixed);
    EXPECT_FALSE(editor_->HasTab(7));  // fixed pages are not shown

    Fill(Record("x", 0, 0, 0, "1"), true);
    EXPECT_FALSE(editor_->HasTab(7));
    view_.tabs.clear();
    editor_->SetDcmByte(EDcmByteTable::Mode, 1, 2);
    EXPECT_TRUE(editor_->HasTab(7));
    EXPECT_EQ(view_.tabs, std::vector<bool>{false});  // the tab is added, the shown one stays
}

TEST_F(ConfigEditorTest, NewDcmLinesFollowTheHighestOnPage3)
{
    Fill(Record("DCM i3:00", 4, 0, 5, "\"Set(0x2000,34,1)\"") + Record("DCM i7:02", 4, 0, 5, "\"Set(0x2000,34,1)\"") +
         Record("DCM i12:01", 4, 1, 5, "\"Set(0x2000,34,1)\"") + Record("DCM o2", 4, 0, 6, "\"Low(0x2000,4)\"") +
         Record("DCM o10", 0, 0, 6, "\"Low(0x2000,4)\""));
    EXPECT_EQ(editor_->NextDcmInputLine(), 8);
    EXPECT_EQ(editor_->NextDcmOutputLine(), 3);
    const tagDcmInputEdit input = editor_->NewDcmInput();
    EXPECT_EQ(input.Name, "DCM i8:01");
    EXPECT_TRUE(input.Functions.empty());
    EXPECT_EQ(input.Debounce, 0);
    EXPECT_EQ(input.Mode, 1);
    EXPECT_EQ(input.Priority, 1);
    EXPECT_EQ(editor_->NewDcmOutput().Name, "DCM o3");

    Fill(Record("x", 4, 0, 0, "1"));
    EXPECT_EQ(editor_->NewDcmInput().Name, "DCM i1:01");
    EXPECT_EQ(editor_->NewDcmOutput().Name, "DCM o1");
}

TEST_F(ConfigEditorTest, ADcmInputEditRewritesItsNameListAndThreeByteTables)
{
    Fill(Record("DCM i2:00", 4, 0, 5, "\"Set(0x2821,34,5);Set(0x2000,3)\"", nullptr, "Line help") +
         Record("DCM Debounce", 4, 0, 2, "\"0a14\"") + Record("DCM Mode", 4, 0, 2, "\"0101\"") +
         Record("DCM PrioIO", 4, 1, 2, "\"0302\""));
    const size_t row = IndexOf(3, "DCM i2:00");
    tagDcmInputEdit edit = editor_->DcmInputForEdit(3, row);
    EXPECT_EQ(edit.Name, "DCM i2:00");
    EXPECT_EQ(edit.Debounce, 0x14);
    EXPECT_EQ(edit.Mode, 1);
    EXPECT_EQ(edit.Priority, 2);
    EXPECT_EQ(edit.Help, "Line help");
    ASSERT_EQ(edit.Functions.size(), 1u);

    // The editor moves the definition to line 3 as a single action with two functions.
    edit.Name = "DCM i3:02";
    edit.Functions = {{"BrightnessUp", 1, true}, {"FootSwitchOn", 1, false}};
    edit.Debounce = 200;
    edit.Mode = 2;
    edit.Priority = 3;
    ASSERT_TRUE(editor_->ApplyDcmInputEdit(3, row, edit));
    const tagConfigRow& changed = editor_->Rows(3)[row];
    EXPECT_EQ(changed.Name, "DCM i3:02");
    EXPECT_EQ(changed.Value, "BrightnessUp with wrapping; FootSwitchOn");
    // The writer keeps the activate-settings command where the last function that needs it put it.
    EXPECT_EQ(changed.Record.DcmText, "ModifyAndWrap(0x2821,36,1);Set(0x2000,3);Set(0x2000,4,1)");
    EXPECT_EQ(changed.Record.Help, "Line help");
    // Line 2's bytes stay; line 3's are written (PrioIO on page 7, where it was found).
    EXPECT_EQ(RowNamed(3, "DCM Debounce").Value, "0a14c8");
    EXPECT_EQ(RowNamed(3, "DCM Mode").Value, "010102");
    EXPECT_EQ(RowNamed(7, "DCM PrioIO").Value, "030203");
    // Output rows are not input rows, and fixed rows are not edited.
    EXPECT_FALSE(editor_->ApplyDcmOutputEdit(3, row, {}));
    EXPECT_FALSE(editor_->ApplyDcmInputEdit(7, 0, edit));
}

TEST_F(ConfigEditorTest, NewAndEditedDcmOutputRowsAndDelete)
{
    Fill(Record("x", 4, 0, 0, "1"));
    tagDcmOutputEdit output = editor_->NewDcmOutput();
    output.Conditions = {{true, "IiFormatIs", 380}};
    const size_t row = editor_->AddDcmOutput(output);
    EXPECT_EQ(editor_->Rows(3)[row].Name, "DCM o1");
    EXPECT_EQ(editor_->Rows(3)[row].Record.DcmText, "High(0x2021,16,=,380)");
    EXPECT_EQ(editor_->Rows(3)[row].Value, "High on IiFormatIs(380)");

    output = editor_->DcmOutputForEdit(3, row);
    output.Name = "DCM o5";
    output.Conditions.push_back({false, "FootswitchIsOff", 0});
    ASSERT_TRUE(editor_->ApplyDcmOutputEdit(3, row, output));
    EXPECT_EQ(editor_->Rows(3)[row].Record.DcmText, "High(0x2021,16,=,380);Low(0x2000,5)");

    tagDcmInputEdit input = editor_->NewDcmInput();
    input.Functions = {{"ClearScreen", 1, false}};
    const size_t added = editor_->AddDcmInput(input);
    EXPECT_EQ(editor_->Rows(3)[added].Name, "DCM i1:01");
    EXPECT_EQ(RowNamed(7, "DCM Mode").Value, "01");
    EXPECT_EQ(RowNamed(7, "DCM PrioIO").Value, "01");
    EXPECT_EQ(RowNamed(7, "DCM Debounce").Value, "00");
    EXPECT_EQ(Names(3), (Texts{"DCM i1:01", "DCM o5", "x"}));

    EXPECT_FALSE(editor_->CanDeleteRows(3, {0, 1}));
    EXPECT_FALSE(editor_->CanDeleteRows(3, {2}));  // "x" is no DCM row
    EXPECT_FALSE(editor_->CanDeleteRows(7, {0}));  // only on page 3
    EXPECT_TRUE(editor_->CanDeleteRows(3, {1}));
    EXPECT_TRUE(editor_->DeleteRow(3, 1));
    EXPECT_FALSE(editor_->DeleteRow(3, 1));
    EXPECT_EQ(Names(3), (Texts{"DCM i1:01", "x"}));
}

TEST_F(ConfigEditorTest, TheShippedSampleFillsEveryPageWithoutAMessage)
{
    editor_ = std::make_unique<CConfigEditor>(&view_, true);
    ASSERT_TRUE(editor_->LoadFile(SupportFile("Samples/SampleConfiguration.cfg")));
    EXPECT_TRUE(prompt_.Texts().empty());
    for (int page = 0; page < kConfigPageCount; ++page) {
        EXPECT_FALSE(editor_->Rows(page).empty()) << page;
        EXPECT_TRUE(editor_->HasTab(page)) << page;
    }
    EXPECT_EQ(editor_->DefaultSaveName(), "Nemra_II_38_cm_demo.cfg");
    // Its DCM input lines have their three bytes, and a new line goes after them.
    EXPECT_EQ(editor_->GetDcmByte(EDcmByteTable::Debounce, 4), 0x14);
    EXPECT_EQ(editor_->GetDcmByte(EDcmByteTable::Mode, 1), 1);
    EXPECT_EQ(editor_->NextDcmInputLine(), 5);
}
