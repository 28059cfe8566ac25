// Loading a 1,000,000-record Intel HEX image with CHexBinFile, against srec_cat converting the
// same file to binary, in ascending and in shuffled record order. Prints the ratios
// (CHexBinFile time / srec_cat time; below 1 means faster).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "boot/HexBinFile.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"

namespace {

constexpr size_t kRecords = 1000000;
constexpr size_t kRecordBytes = 16;

std::string Record(uint8_t type, uint16_t offset, const uint8_t* data, size_t count)
{
    unsigned sum = static_cast<unsigned>(count) + (offset >> 8) + (offset & 0xFF) + type;
    std::string line = Format(":%02X%04X%02X", static_cast<unsigned>(count), offset, type);
    for (size_t i = 0; i < count; ++i) {
        line += Format("%02X", data[i]);
        sum += data[i];
    }
    return line + Format("%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

// The image: kRecords records of 16 bytes from address 0, each with its extended linear address
// record in front, so that any order of the pairs describes the same image.
std::string WriteImage(const std::string& path, bool shuffled)
{
    std::vector<size_t> order(kRecords);
    for (size_t i = 0; i < kRecords; ++i) {
        order[i] = i;
    }
    if (shuffled) {
        std::mt19937 random(7);
        std::shuffle(order.begin(), order.end(), random);
    }
    std::string text;
    text.reserve(kRecords * 60);
    uint8_t data[kRecordBytes];
    for (size_t index : order) {
        const uint32_t address = static_cast<uint32_t>(index * kRecordBytes);
        for (size_t i = 0; i < kRecordBytes; ++i) {
            data[i] = static_cast<uint8_t>(address + i * 3);
        }
        const uint8_t upper[2] = {static_cast<uint8_t>(address >> 24), static_cast<uint8_t>(address >> 16)};
        text += Record(4, 0, upper, 2);
        text += Record(0, static_cast<uint16_t>(address & 0xFFFF), data, kRecordBytes);
    }
    text += ":00000001FF\r\n";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        std::perror(path.c_str());
        std::exit(2);
    }
    std::fclose(file);
    return path;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double LoadTime(const std::string& path, size_t& blocks)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        CHexBinFile image(path);
        if (!image.Load(CHexBinFile::kNoBound)) {
            std::fprintf(stderr, "load failed\n");
            std::exit(1);
        }
        blocks = image.BlockCount();
        best = std::min(best, Seconds(start));
    }
    return best;
}

double SrecTime(const std::string& path, const std::string& out)
{
    const std::string command = "srec_cat '" + path + "' -intel -o '" + out + "' -binary";
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "srec_cat failed (is the srecord package installed?)\n");
            std::exit(1);
        }
        best = std::min(best, Seconds(start));
    }
    return best;
}

}  // namespace

int main()
{
    CConsolePrompt prompt(false);
    CScopedPrompt scoped(prompt);
    const std::string folder = TempDir() + Format("/zov-hexbench-%d", static_cast<int>(getpid()));
    std::system(("mkdir -p '" + folder + "'").c_str());
    for (bool shuffled : {false, true}) {
        const std::string path = WriteImage(folder + (shuffled ? "/shuffled.hex" : "/ascending.hex"), shuffled);
        size_t blocks = 0;
        const double ours = LoadTime(path, blocks);
        const double theirs = SrecTime(path, folder + "/out.bin");
        std::printf("%-9s %zu records -> %zu block(s): CHexBinFile %.3f s, srec_cat %.3f s, ratio %.2f\n",
                    shuffled ? "shuffled" : "ascending", kRecords, blocks, ours, theirs, ours / theirs);
        std::remove(path.c_str());
    }
    std::remove((folder + "/out.bin").c_str());
    std::system(("rmdir '" + folder + "'").c_str());
    return 0;
}
