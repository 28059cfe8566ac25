#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "config/ConfigFile.h"
#include "platform/Prompt.h"

namespace {

class ConfigFileTest : public testing::Test {
protected:
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_{prompt_};
    CTempFolder folder_;
};

const char kNotValid[] = "File does not appear to be a valid configuration file!";

}  // namespace

TEST_F(ConfigFileTest, ScramblingXorsEachByteWithItsSuccessorAndTheLastWithFF)
{
    const struct {
        std::string plain;
        std::string scrambled;
    } rows[] = {
        {"", ""},
        {"A", "\xBE"},
        {std::string("\x00", 1), "\xFF"},
        {"AB", std::string("\x03\xBD", 2)},
        {"Nemra", std::string("\x2B\x08\x1F\x13\x9E", 5)},
    };
    for (const auto& row : rows) {
        std::string bytes = row.plain;
        ScrambleConfigBuffer(bytes);
        EXPECT_EQ(bytes, row.scrambled);
        UnscrambleConfigBuffer(bytes);
        EXPECT_EQ(bytes, row.plain);
    }
    std::string all;
    for (int i = 0; i < 256 * 3; ++i) {
        all += static_cast<char>((i * 7) & 0xFF);
    }
    std::string bytes = all;
    ScrambleConfigBuffer(bytes);
    EXPECT_NE(bytes, all);
    UnscrambleConfigBuffer(bytes);
    EXPECT_EQ(bytes, all);
}

TEST_F(ConfigFileTest, TheScrambledSampleLoadsAndSavesByteForByte)
{
    const std::string sample = TestDataDir() + "/config/all_items.cfg";
    CConfig config;
    ASSERT_TRUE(LoadConfigFile(sample, config));
    EXPECT_EQ(config.GetCount(), 18u);
    std::string scrambled;
    ASSERT_TRUE(BuildConfigFileBuffer(config, false, scrambled));
    EXPECT_EQ(scrambled, ReadFileText(sample));
    std::string ascii;
    ASSERT_TRUE(BuildConfigFileBuffer(config, true, ascii));
    EXPECT_EQ(ascii, ReadFileText(TestDataDir() + "/config/all_items_ascii.cfg"));
    EXPECT_TRUE(prompt_.Texts().empty());
}

TEST_F(ConfigFileTest, LoadingReportsWhatKeepsAFileFromBeingUsed)
{
    std::string record = "Nemra configuration file\r\n\r\n[N]\r\nClass = 0\r\nHelp = \"h\"\r\nType = 0\r\nValue = 1\r\n";
    std::string scrambled = record;
    ScrambleConfigBuffer(scrambled);
    std::string broken = "Nemra configuration file\r\n\r\n[N]\r\nClass = 0\r\n";
    ScrambleConfigBuffer(broken);
    std::string short_one = "Nemr";
    ScrambleConfigBuffer(short_one);
    folder_.Write("empty.cfg", "");
    const struct {
        const char* what;
        std::string path;
        bool ok;
        std::vector<std::string> messages;
    } rows[] = {
        {"scrambled", folder_.Write("good.cfg", scrambled), true, {}},
        {"saved in ASCII", folder_.Write("ascii.cfg", record), false, {kNotValid}},
        {"shorter than the signature", folder_.Write("short.cfg", short_one), false, {kNotValid}},
        {"missing", folder_.File("missing.cfg"), false, {"Error opening file."}},
        {"a folder", folder_.Path(), false, {"Error opening file.\r\nIt is a folder."}},
        {"a device", "/dev/zero", false, {"Error opening file.\r\nIt is not a regular file."}},
        {"empty", folder_.File("empty.cfg"), false, {"File is empty!"}},
        {"failing to parse", folder_.Write("broken.cfg", broken), false,
         {"Error parsing configuration: \"Type\" not found for \"N\"."}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        prompt_.Clear();
        CConfig config;
        EXPECT_EQ(LoadConfigFile(row.path, config), row.ok);
        EXPECT_EQ(prompt_.Texts(), row.messages);
    }
}

TEST_F(ConfigFileTest, TheSignatureIsCheckedAfterUnscrambling)
{
    EXPECT_TRUE(HasConfigSignature("Nemra"));
    EXPECT_TRUE(HasConfigSignature("Nemra configuration file"));
    EXPECT_FALSE(HasConfigSignature("Nemr"));
    EXPECT_FALSE(HasConfigSignature("nemra"));
    CConfig config;
    EXPECT_FALSE(ParseConfigFileBuffer("", config));
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{kNotValid});
}

TEST(ConfigFileNameTest, TheOfferedNameReplacesWhatFileNamesCannotHold)
{
    EXPECT_EQ(DefaultConfigFileName("My cfg/1"), "My_cfg_1.cfg");
    EXPECT_EQ(DefaultConfigFileName("a\"b'c:d?e*f$g h\\i/j<k>l|m"), "a_b_c_d_e_f_g_h_i_j_k_l_m.cfg");
    EXPECT_EQ(DefaultConfigFileName(""), ".cfg");
    EXPECT_EQ(WithConfigFileExtension("/tmp/x"), "/tmp/x.cfg");
    EXPECT_EQ(WithConfigFileExtension("/tmp/x.cfg"), "/tmp/x.cfg");
    EXPECT_EQ(WithConfigFileExtension("/tmp/x.old"), "/tmp/x.old");
    EXPECT_EQ(WithConfigFileExtension("/tmp.d/x"), "/tmp.d/x.cfg");
}
