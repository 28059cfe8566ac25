// Calibration backup and restore: the .cal format byte for byte, the count line's automatic
// base, a round trip through the simulated board, refused requests, and files that cannot be
// read or written.
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

#include "ProcedureFixture.h"
#include "platform/Format.h"
#include "procedures/CalibrationBackup.h"

namespace {

TEST(CalFile, IsWrittenWithItsHeaderCountAndCrLfLines)
{
    EXPECT_EQ(CalFileText({"0x0101", "0x02ab", "0x03"}),
              "Nemra Calibration file.\r\n3\r\n0x0101\r\n0x02ab\r\n0x03\r\n");
    EXPECT_EQ(CalFileText({}), "Nemra Calibration file.\r\n0\r\n");
}

TEST(CalFile, ReadsTheCountWithAutomaticBaseAndIgnoresTheHeader)
{
    struct {
        const char* content;
        uint32_t count;
        size_t lines;
    } rows[] = {
        {"Nemra Calibration file.\r\n3\r\na\r\nb\r\nc\r\n", 3, 3},
        {"anything at all\n0x10\n", 16, 0},
        {"x\n010\n", 8, 0},
        {"x\n  7 items\n", 7, 0},
        {"x\n12abc\n", 12, 0},
        {"x\nabc\n1\n", 0, 1},
        {"x\n\n", 0, 0},
        {"x\n0x\n", 0, 0},
        {"only one line", 0, 0},
        {"", 0, 0},
        {"x\n-1\n", 0xFFFFFFFF, 0},
        {"x\n99999999999\n", 0xFFFFFFFF, 0},
        {"x\r\n2\r\nlast line without end", 2, 1},
    };
    for (const auto& row : rows) {
        const tagCalFile file = ParseCalFile(row.content);
        EXPECT_EQ(file.count, row.count) << row.content;
        EXPECT_EQ(file.lines.size(), row.lines) << row.content;
    }
    const tagCalFile file = ParseCalFile("h\r\n3\r\n0x01\r\n");
    EXPECT_EQ(file.Item(1), "0x01");
    EXPECT_EQ(file.Item(2), "");
    EXPECT_EQ(file.Item(0), "");
}

class CalFileIo : public ::testing::Test {
protected:
    CTempFolder folder_;
};

TEST_F(CalFileIo, RefusesWhatIsNoRegularFileWithItsNameAndReason)
{
    const std::string fifo = folder_.File("pipe.cal");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct {
        std::string path;
        const char* reason;
    } rows[] = {{folder_.File("missing.cal"), "could not be opened: no such file or directory."},
                {fifo, "it is not a regular file"},
                {"/dev/zero", "it is not a regular file"},
                {folder_.Path(), "it is a folder"}};
    for (const auto& row : rows) {
        std::string content = "stale";
        std::string error;
        EXPECT_FALSE(ReadCalFile(row.path, &content, &error)) << row.path;
        EXPECT_EQ(content, "");
        EXPECT_NE(error.find("\"" + row.path + "\""), std::string::npos) << error;
        EXPECT_NE(error.find(row.reason), std::string::npos) << error;
    }
}

TEST_F(CalFileIo, AFailedWriteLeavesTheOldFileAsItWas)
{
    const std::string path = folder_.Write("good.cal", "Nemra Calibration file.\r\n0\r\n");
    // A file size limit makes the write fail even for root; the signal it raises is ignored so
    // that the write reports EFBIG instead.
    struct rlimit old_limit {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old_limit;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool written = WriteCalFile(path, CalFileText({"0x0101010101010101", "0x02"}), &error);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("good.cal"), std::string::npos) << error;
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_EQ(ReadFileText(path), "Nemra Calibration file.\r\n0\r\n");
    EXPECT_EQ(FolderEntries(folder_.Path()), std::vector<std::string>{"good.cal"});
}

TEST_F(CalFileIo, AFileInAMissingFolderIsReportedAndNothingIsLeft)
{
    std::string error;
    EXPECT_FALSE(WriteCalFile(folder_.File("no/such/folder.cal"), "x", &error));
    EXPECT_NE(error.find("could not be created: no such file or directory"), std::string::npos) << error;
    EXPECT_TRUE(FolderEntries(folder_.Path()).empty());
}

TEST_F(CalFileIo, WritesThroughASymbolicLinkAndKeepsTheLink)
{
    const std::string target = folder_.Write("real.cal", "old");
    const std::string link = folder_.File("link.cal");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    std::string error;
    ASSERT_TRUE(WriteCalFile(link, "new", &error)) << error;
    EXPECT_EQ(ReadFileText(target), "new");
    struct stat info {};
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

// ---- Against the simulated board ----

TEST_F(ProcedureTest, BackupThenRestoreGivesTheSubsystemItsItemsBackByteForByte)
{
    StartBoard("[Calibration]\nRecords=3\nRecord2=0x02ffee00112233445566778899aabbccddeeff0001\n");
    std::vector<std::string> items;
    ASSERT_TRUE(RetrieveCalibrationData(Handler(), &items));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1], "0x02ffee00112233445566778899aabbccddeeff0001");
    const std::string path = folder_.File("backup.cal");
    std::string error;
    ASSERT_TRUE(WriteCalFile(path, CalFileText(items), &error)) << error;
    EXPECT_EQ(ReadFileText(path), "Nemra Calibration file.\r\n3\r\n" + items[0] + "\r\n" + items[1] + "\r\n" +
                                      items[2] + "\r\n");

    // Something else is restored first, then the backup.
    ASSERT_TRUE(RestoreCalibrationData(Handler(), ParseCalFile("x\n3\n0x11\n0x22\n0x33\n")));
    EXPECT_EQ(BoardCalibration(Board()), (std::vector<std::string>{"0x11", "0x22", "0x33"}));
    std::string content;
    ASSERT_TRUE(ReadCalFile(path, &content, &error)) << error;
    Mark();
    ASSERT_TRUE(RestoreCalibrationData(Handler(), ParseCalFile(content)));
    const std::vector<std::string> wire = {"w 0x2007 0x01 " + items[0], "w 0x2007 0x02 " + items[1],
                                           "w 0x2007 0x03 " + items[2], "w 0x2000 0x18"};
    EXPECT_EQ(RequestsSinceMark(), wire);
    EXPECT_EQ(BoardCalibration(Board()), items);
}

TEST_F(ProcedureTest, NoItemsGivesTheTwoHeaderLinesAndRestoresOnlyTheTakeOver)
{
    StartBoard("[Calibration]\nRecords=0\n");
    std::vector<std::string> items = {"stale"};
    ASSERT_TRUE(RetrieveCalibrationData(Handler(), &items));
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(CalFileText(items), "Nemra Calibration file.\r\n0\r\n");
    Mark();
    EXPECT_TRUE(RestoreCalibrationData(Handler(), ParseCalFile(CalFileText(items))));
    EXPECT_EQ(RequestsSinceMark(), std::vector<std::string>{"w 0x2000 0x18"});
}

TEST_F(ProcedureTest, AHexadecimalCountRestoresThatManyItems)
{
    StartBoard("[Calibration]\nRecords=16\n");
    std::string content = "Nemra Calibration file.\r\n0x10\r\n";
    for (int i = 1; i <= 16; ++i) content += Format("0x%02x\r\n", i);
    Mark();
    EXPECT_TRUE(RestoreCalibrationData(Handler(), ParseCalFile(content)));
    const std::vector<std::string> wire = RequestsSinceMark();
    ASSERT_EQ(wire.size(), 17u);
    EXPECT_EQ(wire[15], "w 0x2007 0x10 0x10");
    EXPECT_EQ(wire[16], "w 0x2000 0x18");
}

TEST_F(ProcedureTest, ARefusedItemStopsTheRestoreBeforeTheTakeOver)
{
    StartBoard("[Calibration]\nRecords=3\n[Results]\nResult1=0x2007, 2, 0x06070010\n");
    Mark();
    EXPECT_FALSE(RestoreCalibrationData(Handler(), ParseCalFile("x\n3\n0x11\n0x22\n0x33\n")));
    EXPECT_EQ(RequestsSinceMark(), (std::vector<std::string>{"w 0x2007 0x01 0x11", "w 0x2007 0x02 0x22"}));
}

TEST_F(ProcedureTest, AnItemThatWouldBreakTheFrameIsNeverSent)
{
    StartBoard();
    const std::vector<std::string> items = {"0x11$01Dw", "0x11\r0x22", std::string("0x1\x01", 4), "0x\x7f"};
    for (const std::string& item : items) {
        Mark();
        EXPECT_FALSE(RestoreCalibrationData(Handler(), ParseCalFile(std::string("x\n2\n0x01\n") + item + "\n")));
        EXPECT_EQ(RequestsSinceMark(), std::vector<std::string>{"w 0x2007 0x01 0x01"}) << item;
    }
}

TEST_F(ProcedureTest, AFailedReadMeansNoBackup)
{
    StartBoard("[Calibration]\nRecords=4\n[Results]\nResult1=0x2007, 3, 0x08000024\n");
    std::vector<std::string> items;
    EXPECT_FALSE(RetrieveCalibrationData(Handler(), &items));
    Mark();
    // A file with fewer lines than its count sends empty items for the rest, which the
    // subsystem refuses.
    EXPECT_FALSE(RestoreCalibrationData(Handler(), ParseCalFile("x\n3\n0x01\n")));
    EXPECT_EQ(RequestsSinceMark(), (std::vector<std::string>{"w 0x2007 0x01 0x01", "w 0x2007 0x02 "}));
}

}  // namespace
