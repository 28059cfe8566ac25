// Intel HEX images from anywhere: the reader must never crash, must agree with the C library's
// reader on every line's fields, and must hand out disjoint blocks in ascending order that
// respect the bound.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "boot/HexBinFile.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"

namespace {

class CSilentPrompt : public IPrompt {
public:
    void ShowMessage(const std::string&, PromptIcon, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool AskOkCancel(const std::string&, const std::string&) override { return false; }
};

void CheckFields(const std::string& text)
{
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(begin, end - begin);
        line = line.substr(0, line.find('\0'));
        std::string fast_text;
        std::string scan_text;
        const tagHexFields fast = CHexBinFile::ReadDataFields(line, fast_text);
        const tagHexFields scan = CHexBinFile::ScanDataFields(line, scan_text);
        if (fast.read != scan.read || fast_text != scan_text || (scan.read >= 1 && fast.count != scan.count) ||
            (scan.read >= 2 && fast.offset != scan.offset) || (scan.read >= 3 && fast.type != scan.type)) {
            std::abort();
        }
        for (int digits : {4, 8}) {
            const tagHexFields a = CHexBinFile::ReadAddressFields(line, digits);
            const tagHexFields b = CHexBinFile::ScanAddressFields(line, digits);
            if (a.read != b.read || (b.read >= 4 && a.value != b.value) || (b.read >= 5 && a.checksum != b.checksum)) {
                std::abort();
            }
        }
        begin = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static CSilentPrompt prompt;
    static CScopedPrompt scoped(prompt);
    static const std::string path = TempDir() + "/zov-fuzz-hex-" + std::to_string(getpid()) + ".hex";
    if (size < 4) {
        return 0;
    }
    // The first four bytes choose the bound; the rest is the file.
    const uint32_t bound = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    CheckFields(text);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);

    CHexBinFile image(path);
    const bool ok = image.Load(bound);
    // The image is in memory now; a run of millions of inputs leaves nothing behind.
    std::remove(path.c_str());
    const tagDataBlock* position = image.GetFirstBlock();
    uint64_t previous_end = 0;
    bool first = true;
    while (position != nullptr) {
        uint32_t address = 0;
        uint32_t block_size = 0;
        image.GetNextBlock(position, address, block_size);
        if (ok && ((!first && address < previous_end) || address > 0xFFFFFF + 0xFFFF)) {
            std::abort();  // a loaded image holds disjoint blocks in ascending order
        }
        first = false;
        previous_end = uint64_t{address} + block_size;
    }
    return 0;
}
