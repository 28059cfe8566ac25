// Feeds arbitrary bytes to the .cal reader. Beyond staying inside the buffer and not crashing,
// it checks what the format promises: the items read from a file, written again, read back as
// the same items with the same count, and the count never makes the reader allocate for items
// the file does not hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "procedures/CalFile.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    const tagCalFile file = ParseCalFile(content);
    Require(file.lines.size() <= size);
    // Every item the count names is there or empty; none is invented.
    const uint32_t probe = file.count < 300 ? file.count : 300;
    for (uint32_t index = 1; index <= probe; ++index) {
        const std::string item = file.Item(index);
        Require(index > file.lines.size() ? item.empty() : item == file.lines[index - 1]);
    }

    // Lines hold no line feed, so writing them and reading them back gives them again.
    const tagCalFile again = ParseCalFile(CalFileText(file.lines));
    Require(again.count == file.lines.size());
    Require(again.lines == file.lines);
    return 0;
}
