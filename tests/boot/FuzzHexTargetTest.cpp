// The HEX fuzz target runs millions of inputs; each one used to leave its image file behind in
// the temporary folder (one file per process, rewritten, but never removed).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "TestSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

TEST(FuzzHexTarget, LeavesNoFileBehind)
{
    CTempFolder folder;
    setenv("TMPDIR", folder.Path().c_str(), 1);
    const std::string input = std::string("\xff\xff\xff\xff", 4) + ":0100000001FE\r\n:00000001FF\r\n";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size()), 0);
    }
    unsetenv("TMPDIR");
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{});
    const std::string old_place = "/tmp/zov-fuzz-hex-" + std::to_string(getpid()) + ".hex";
    EXPECT_NE(access(old_place.c_str(), F_OK), 0) << old_place;
}
