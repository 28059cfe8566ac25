#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>
#include <dirent.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/Settings.h"

TEST(SettingsTest, MissingFileGivesMissingValuesAndIsAvailable)
{
    CScopedSettingsFile settings;
    EXPECT_TRUE(CSettingsStore::IsAvailable());
    EXPECT_FALSE(CSettingsStore::ReadDword("Command Timeout"));
    EXPECT_FALSE(CSettingsStore::ReadString("COM port"));
}

TEST(SettingsTest, WritesTheRegistryNotationAndReadsItBack)
{
    CScopedSettingsFile settings;
    ASSERT_TRUE(CSettingsStore::WriteString("COM port", "COM1"));
    ASSERT_TRUE(CSettingsStore::WriteDword("Command Timeout", 5000));
    EXPECT_EQ(ReadFileText(settings.Path()),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\KVT\\Nemra\\ZOV tool]\r\n"
              "\"COM port\"=\"COM1\"\r\n"
              "\"Command Timeout\"=dword:00001388\r\n");
    EXPECT_EQ(CSettingsStore::ReadString("COM port"), "COM1");
    EXPECT_EQ(CSettingsStore::ReadDword("Command Timeout"), 5000u);
}

TEST(SettingsTest, RewritingAValueReplacesItsLineInPlace)
{
    CScopedSettingsFile settings;
    CSettingsStore::WriteDword("A", 1);
    CSettingsStore::WriteDword("B", 2);
    CSettingsStore::WriteDword("a", 0xFFFFFFFF);
    EXPECT_EQ(CSettingsStore::ReadDword("A"), 0xFFFFFFFFu);
    EXPECT_EQ(CSettingsStore::ReadDword("B"), 2u);
    const std::string text = ReadFileText(settings.Path());
    EXPECT_NE(text.find("\"a\"=dword:ffffffff\r\n\"B\"=dword:00000002"), std::string::npos) << text;
}

TEST(SettingsTest, QuotesAndBackslashesSurviveARoundTrip)
{
    CScopedSettingsFile settings;
    const std::string path = "C:\\Firmware\\\"new\" image.hex";
    ASSERT_TRUE(CSettingsStore::WriteString("Download Filename", path));
    EXPECT_EQ(CSettingsStore::ReadString("download filename"), path);
    EXPECT_FALSE(CSettingsStore::WriteString("Download Filename", "two\nlines"));
    EXPECT_EQ(CSettingsStore::ReadString("Download Filename"), path);
}

TEST(SettingsTest, ATypeMismatchOrAnOverlongStringReadsAsMissing)
{
    CScopedSettingsFile settings;
    CSettingsStore::WriteString("Last Shown View", "3");
    CSettingsStore::WriteDword("COM port", 1);
    CSettingsStore::WriteString("Controller Board", "ABCDEFGH");
    EXPECT_FALSE(CSettingsStore::ReadDword("Last Shown View"));
    EXPECT_FALSE(CSettingsStore::ReadString("COM port"));
    EXPECT_FALSE(CSettingsStore::ReadString("Controller Board", 7));
    EXPECT_EQ(CSettingsStore::ReadString("Controller Board", 8), "ABCDEFGH");
}

TEST(SettingsTest, DamagedLinesReadAsMissingAndAreKeptByWrites)
{
    CScopedSettingsFile settings;
    const std::string damaged =
        "Windows Registry Editor Version 5.00\n"
        "[HKEY_CURRENT_USER\\Software\\KVT\\Nemra\\ZOV tool]\n"
        "\"Command Timeout\"=dword:12x4\n"
        "\"COM port\"=\"COM2\n"
        "garbage \x01\x02 line\n"
        "\"Zel Frame Logging\"=dword:00000001\n";
    CTempFolder scratch;
    ASSERT_EQ(rename(scratch.Write("damaged.reg", damaged).c_str(), settings.Path().c_str()), 0);

    EXPECT_FALSE(CSettingsStore::ReadDword("Command Timeout"));
    EXPECT_FALSE(CSettingsStore::ReadString("COM port"));
    EXPECT_EQ(CSettingsStore::ReadDword("Zel Frame Logging"), 1u);

    ASSERT_TRUE(CSettingsStore::WriteDword("Verify After Program", 1));
    const std::string after = ReadFileText(settings.Path());
    EXPECT_NE(after.find("\"Command Timeout\"=dword:12x4\r\n"), std::string::npos);
    EXPECT_NE(after.find("\"COM port\"=\"COM2\r\n"), std::string::npos);
    EXPECT_NE(after.find("garbage \x01\x02 line\r\n"), std::string::npos);
    EXPECT_EQ(CSettingsStore::ReadDword("Zel Frame Logging"), 1u);
    EXPECT_EQ(CSettingsStore::ReadDword("Verify After Program"), 1u);

    // An explicit write of a damaged value replaces it.
    ASSERT_TRUE(CSettingsStore::WriteDword("Command Timeout", 7));
    EXPECT_EQ(CSettingsStore::ReadDword("Command Timeout"), 7u);
}

TEST(SettingsTest, AnUnreadableFileIsUnavailableAndNeverOverwritten)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file";
    }
    CScopedSettingsFile settings;
    ASSERT_TRUE(CSettingsStore::WriteDword("Command Timeout", 9));
    chmod(settings.Path().c_str(), 0);
    EXPECT_FALSE(CSettingsStore::IsAvailable());
    EXPECT_FALSE(CSettingsStore::ReadDword("Command Timeout"));
    EXPECT_FALSE(CSettingsStore::WriteDword("Other", 1));
    chmod(settings.Path().c_str(), 0600);
    EXPECT_EQ(CSettingsStore::ReadDword("Command Timeout"), 9u);
    EXPECT_FALSE(CSettingsStore::ReadDword("Other"));
}

// A file the store cannot make sense of gives every default; the engineer must be told which file
// it was, once, instead of finding out from a wrong COM port.
TEST(SettingsTest, AFileThatCannotBeReadIsNamedWithItsReason)
{
    CTempFolder folder;
    const std::string good = folder.Write("good.reg",
                                          "Windows Registry Editor Version 5.00\r\n\r\n"
                                          "[HKEY_CURRENT_USER\\Software\\KVT\\Nemra\\ZOV tool]\r\n"
                                          "; a comment\r\n\"COM port\"=\"COM2\"\r\n");
    const std::string damaged = folder.Write("damaged.reg", "Windows Registry Editor Version 5.00\r\n"
                                                            "\"COM port\"=COM2\r\n");
    const std::string binary = folder.Write("binary.reg", std::string("\xff\xfeW\0i\0n\0", 8));
    const struct {
        const char* name;
        std::string path;
        std::string problem;
    } rows[] = {
        {"a good file", good, ""},
        {"a missing file", folder.File("absent.reg"), ""},
        {"a damaged line", damaged,
         "settings: line 2 of " + damaged + " is no setting; the defaults are in use for what it does not hold"},
        {"a file of another encoding", binary,
         "settings: line 1 of " + binary + " is no setting; the defaults are in use for what it does not hold"},
        {"a device", "/dev/zero", "settings: cannot read /dev/zero: it is not a regular file; the defaults are in use"},
        {"a folder", folder.Path(),
         "settings: cannot read " + folder.Path() + ": it is a folder; the defaults are in use"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CSettingsStore::SetFile(row.path);
        EXPECT_EQ(CSettingsStore::FileProblem(), row.problem);
    }
    CSettingsStore::SetFile(damaged);
    const std::string before = ReadFileText(damaged);
    ASSERT_TRUE(CSettingsStore::WriteDword("Verify After Program", 1));
    EXPECT_EQ(ReadFileText(damaged).rfind(before, 0), 0u) << "every line is kept";
    CSettingsStore::SetFile("/dev/zero");
    EXPECT_FALSE(CSettingsStore::IsAvailable());
    EXPECT_FALSE(CSettingsStore::WriteDword("A", 1));
    CSettingsStore::SetFile("");
}

TEST(SettingsTest, AFolderInPlaceOfTheFileIsUnavailable)
{
    CTempFolder folder;
    CSettingsStore::SetFile(folder.Path());
    EXPECT_FALSE(CSettingsStore::IsAvailable());
    EXPECT_FALSE(CSettingsStore::WriteDword("A", 1));
    CSettingsStore::SetFile("");
}

TEST(SettingsTest, CreatesMissingFoldersAndLeavesNoTemporaryFiles)
{
    CTempFolder folder;
    const std::string path = folder.Path() + "/KVT/Nemra/ZOV tool.reg";
    CSettingsStore::SetFile(path);
    ASSERT_TRUE(CSettingsStore::WriteDword("Last Shown View", 6));
    EXPECT_EQ(CSettingsStore::ReadDword("Last Shown View"), 6u);
    CSettingsStore::SetFile("");
    int entries = 0;
    DIR* dir = opendir((folder.Path() + "/KVT/Nemra").c_str());
    ASSERT_NE(dir, nullptr);
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            ++entries;
            EXPECT_TRUE(name == "ZOV tool.reg" || name == "ZOV tool.reg.lock") << name;
        }
    }
    closedir(dir);
    EXPECT_EQ(entries, 2);
}

TEST(SettingsTest, EnvironmentSelectsTheFileUnlessOneWasSet)
{
    CTempFolder folder;
    const std::string env_file = folder.File("env.reg");
    setenv("ZOVTOOL_SETTINGS", env_file.c_str(), 1);
    EXPECT_EQ(CSettingsStore::FilePath(), env_file);
    CSettingsStore::SetFile(folder.File("chosen.reg"));
    EXPECT_EQ(CSettingsStore::FilePath(), folder.File("chosen.reg"));
    CSettingsStore::SetFile("");
    unsetenv("ZOVTOOL_SETTINGS");
    setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
    EXPECT_EQ(CSettingsStore::FilePath(), folder.Path() + "/KVT/Nemra/ZOV tool.reg");
    unsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsTest, ConcurrentWritersLoseNoValue)
{
    CScopedSettingsFile settings;
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 25; ++i) {
                CSettingsStore::WriteDword("Value " + std::to_string(t * 100 + i), static_cast<uint32_t>(i));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 25; ++i) {
            EXPECT_EQ(CSettingsStore::ReadDword("Value " + std::to_string(t * 100 + i)), static_cast<uint32_t>(i));
        }
    }
}
