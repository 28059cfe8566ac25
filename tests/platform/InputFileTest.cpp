#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/InputFile.h"
#include "platform/TextFile.h"

namespace {

// A file of the given size without writing its bytes (a hole), so a test can be larger than the
// limit without costing the disk anything.
std::string SparseFile(const CTempFolder& folder, const std::string& name, uint64_t size)
{
    const std::string path = folder.File(name);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    close(fd);
    return path;
}

struct RefusalRow {
    const char* name;
    std::string path;
    ReadFileResult result;
    std::string error_text;
};

}  // namespace

// Every kind of file the tool must not read whole is refused at once with one line naming it:
// a FIFO without a writer would otherwise block for ever, /dev/zero would fill the memory.
TEST(InputFileTest, RefusesWhatIsNoRegularFileOfAcceptableSize)
{
    CTempFolder folder;
    const std::string fifo = folder.File("image.hex");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string missing = folder.File("absent.cfg");
    const std::string large = SparseFile(folder, "large.hex", kMaxInputFileBytes + 1);
    const RefusalRow rows[] = {
        {"a FIFO", fifo, ReadFileResult::Failed, "cannot read " + fifo + ": it is not a regular file"},
        {"a device", "/dev/zero", ReadFileResult::Failed, "cannot read /dev/zero: it is not a regular file"},
        {"a folder", folder.Path(), ReadFileResult::Failed, "cannot read " + folder.Path() + ": it is a folder"},
        {"above the limit", large, ReadFileResult::Failed, "cannot read " + large + ": it is larger than 256 MB"},
        {"a missing file", missing, ReadFileResult::Missing, "cannot read " + missing + ": no such file or directory"},
    };
    for (const RefusalRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::string content = "left over";
        std::string error_text;
        EXPECT_EQ(ReadWholeFile(row.path, content, &error_text), row.result);
        EXPECT_EQ(error_text, row.error_text);
        EXPECT_TRUE(content.empty());
        EXPECT_EQ(content.capacity(), std::string().capacity()) << "nothing may be allocated for a refused file";
        std::string check_text;
        EXPECT_EQ(CheckInputFile(row.path, &check_text), row.result);
        EXPECT_EQ(check_text, row.error_text);
    }
}

TEST(InputFileTest, ReadsARegularFileUpToTheLimit)
{
    CTempFolder folder;
    const std::string small = folder.Write("small.cfg", std::string("Nemra\0\r\n", 8));
    std::string content;
    std::string error_text;
    ASSERT_EQ(ReadWholeFile(small, content, &error_text), ReadFileResult::Ok);
    EXPECT_EQ(content, std::string("Nemra\0\r\n", 8));
    EXPECT_TRUE(error_text.empty());

    // Exactly at the limit is still a file the tool reads (opened only: reading 256 MB of a
    // hole would cost the test its time).
    const std::string at_limit = SparseFile(folder, "limit.hex", kMaxInputFileBytes);
    CInputFile file;
    EXPECT_EQ(file.Open(at_limit), ReadFileResult::Ok);
    EXPECT_EQ(file.Size(), kMaxInputFileBytes);
    char buffer[16];
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 16);
}
