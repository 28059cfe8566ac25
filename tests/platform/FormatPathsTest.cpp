#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "TestSupport.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/SystemTime.h"
#include "platform/TextFile.h"

TEST(FormatTest, ProducesPrintfTextsByteForByte)
{
    EXPECT_EQ(Format("r 0x%04x 0x%04x 0x%02x", 18, 0x2013, 1), "r 0x0012 0x2013 0x01");
    EXPECT_EQ(Format("Section %d: start = 0x%06x, length = 0x%06x", 3, 0xC10000, 0x10000),
              "Section 3: start = 0xc10000, length = 0x010000");
    EXPECT_EQ(Format("%02d:%02d:%02d.%03d %s", 7, 5, 9, 42, "x"), "07:05:09.042 x");
    EXPECT_EQ(Format("%s", ""), "");
    const std::string longer(1000, 'z');
    EXPECT_EQ(Format("<%s>", longer.c_str()), "<" + longer + ">");
    EXPECT_EQ(Format("%c%c", 'a', 0).size(), 2u);
}

TEST(PathsTest, TempDirFollowsTmpdir)
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    setenv("TMPDIR", "/var/tmp/", 1);
    EXPECT_EQ(TempDir(), "/var/tmp");
    setenv("TMPDIR", "", 1);
    EXPECT_EQ(TempDir(), "/tmp");
    if (old != nullptr) {
        setenv("TMPDIR", saved.c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

TEST(PathsTest, SupportFolderIsFoundBesideTheProgramOrWhereTheEnvironmentSays)
{
    unsetenv("ZOVTOOL_SUPPORT_DIR");
    EXPECT_EQ(SupportDir(), ExecutableDir() + "/ZOVtoolSupportFiles");
    EXPECT_TRUE(IsDirectory(SupportDir())) << "the build copies the support files beside the tests";
    setenv("ZOVTOOL_SUPPORT_DIR", "/opt/zov/support", 1);
    EXPECT_EQ(SupportFile("ZOVtool.ini"), "/opt/zov/support/ZOVtool.ini");
    unsetenv("ZOVTOOL_SUPPORT_DIR");
}

TEST(TextFileTest, SplitsLfAndCrLfLines)
{
    EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\n\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(SplitLines(""), std::vector<std::string>{});
    EXPECT_EQ(SplitLines("x\r\r\n"), std::vector<std::string>{"x\r"});
}

TEST(TextFileTest, AtomicWriteReplacesTheWholeFileOrNothing)
{
    CTempFolder folder;
    const std::string path = folder.Write("state", "old");
    ASSERT_TRUE(WriteFileAtomically(path, std::string("new\0data", 8)));
    std::string content;
    ASSERT_EQ(ReadWholeFile(path, content), ReadFileResult::Ok);
    EXPECT_EQ(content, std::string("new\0data", 8));
    EXPECT_FALSE(WriteFileAtomically(folder.File("missing/dir/file"), "x"));
    EXPECT_EQ(ReadWholeFile(folder.File("nothing"), content), ReadFileResult::Missing);
    EXPECT_EQ(ReadWholeFile(folder.Path(), content), ReadFileResult::Failed);
}

TEST(TextFileTest, AtomicWriteGivesANewFileTheUsualModeAndKeepsAnOldFilesMode)
{
    CTempFolder folder;
    const mode_t saved_mask = umask(022);
    const std::string fresh = folder.File("fresh.cfg");
    ASSERT_TRUE(WriteFileAtomically(fresh, "x"));
    const std::string kept = folder.Write("kept.cfg", "old");
    ASSERT_EQ(chmod(kept.c_str(), 0640), 0);
    ASSERT_TRUE(WriteFileAtomically(kept, "new"));
    umask(saved_mask);
    struct stat status {};
    ASSERT_EQ(stat(fresh.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u) << "a colleague must be able to read a saved file";
    ASSERT_EQ(stat(kept.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    // Nothing but the two files is left in the folder.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 2u);
}

TEST(SystemTimeTest, ConvertsUnixTimeToUtcFields)
{
    // 1984-01-01 00:00:00 at UTC+1 is 1983-12-31 23:00:00 UTC.
    const SystemTime time = UtcFromUnix(441759600, 250);
    EXPECT_EQ(time.year, 1983);
    EXPECT_EQ(time.month, 12);
    EXPECT_EQ(time.day, 31);
    EXPECT_EQ(time.hour, 23);
    EXPECT_EQ(time.minute, 0);
    EXPECT_EQ(time.milliseconds, 250);
    EXPECT_EQ(time.day_of_week, 6);
}

TEST(PathsTest, TheUserGuideIsLookedForInShareBesideTheProgramsFolder)
{
    const std::string exe = ExecutableDir();
    const std::string parent = exe.substr(0, exe.rfind('/'));
    EXPECT_EQ(UserGuidePath(), parent + "/share/doc/zovtool/user-guide.html");
    EXPECT_EQ(UserGuidePath().find(".."), std::string::npos);
}
