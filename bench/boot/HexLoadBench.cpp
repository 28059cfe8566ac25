// Loading a 1,000,000-record Intel HEX image with CHexBinFile, against srec_cat converting the
// same file to binary, in ascending and in shuffled record order. Each load runs in a process of
// its own (this program with --load), so that its peak memory (the most resident memory it ever
// had) can be read from the kernel beside srec_cat's. Prints the time ratio (CHexBinFile time /
// srec_cat time; below 1 means faster) and both peaks against the budget of twice the image's
// data bytes plus 16 MB.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
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

struct tagRun {
    double seconds = 1e9;  // the fastest of the runs
    double peak_mb = 0;    // the largest peak of the runs
};

// Runs argv as a child process (three times); its best wall time and its largest peak of
// resident memory. Its output goes to /dev/null.
tagRun RunChild(const std::vector<std::string>& argv, int runs = 3)
{
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    tagRun result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s (is the srecord package installed?)\n", args[0]);
            std::exit(1);
        }
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "%s failed\n", args[0]);
            std::exit(1);
        }
        result.seconds = std::min(result.seconds, Seconds(start));
        result.peak_mb = std::max(result.peak_mb, static_cast<double>(usage.ru_maxrss) / 1024.0);  // KB
    }
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

// The child's side: loads the file and prints the number of blocks.
int LoadOnly(const char* path)
{
    CConsolePrompt prompt(false);
    CScopedPrompt scoped(prompt);
    CHexBinFile image(path);
    if (!image.Load(CHexBinFile::kNoBound)) {
        return 1;
    }
    std::printf("%zu\n", image.BlockCount());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--load") {
        return LoadOnly(argv[2]);
    }
    if (argc == 4 && std::string(argv[1]) == "--write") {
        WriteImage(argv[2], std::string(argv[3]) == "shuffled");
        return 0;
    }
    const std::string self = "/proc/self/exe";
    char own_path[4096] = {};
    const ssize_t length = readlink(self.c_str(), own_path, sizeof own_path - 1);
    if (length <= 0) {
        std::perror(self.c_str());
        return 2;
    }
    const std::string folder = TempDir() + Format("/zov-hexbench-%d", static_cast<int>(getpid()));
    std::system(("mkdir -p '" + folder + "'").c_str());
    constexpr double kDataMb = kRecords * kRecordBytes / (1024.0 * 1024.0);
    constexpr double kBudgetMb = 2 * kDataMb + 16;
    for (bool shuffled : {false, true}) {
        // Written by a child: a process's children start from its own peak, and the image's text
        // held here would count for every load measured after it.
        const std::string path = folder + (shuffled ? "/shuffled.hex" : "/ascending.hex");
        RunChild({own_path, "--write", path, shuffled ? "shuffled" : "ascending"}, 1);
        const tagRun ours = RunChild({own_path, "--load", path});
        const tagRun theirs =
            RunChild({"srec_cat", "-disable-sequence-warnings", path, "-intel", "-o", folder + "/out.bin", "-binary"});
        std::printf("%-9s %zu records, %.1f MB of data: CHexBinFile %.3f s, peak %.1f MB (budget %.1f MB); "
                    "srec_cat %.3f s, peak %.1f MB; time ratio %.2f, peak ratio %.2f\n",
                    shuffled ? "shuffled" : "ascending", kRecords, kDataMb, ours.seconds, ours.peak_mb, kBudgetMb,
                    theirs.seconds, theirs.peak_mb, ours.seconds / theirs.seconds, ours.peak_mb / theirs.peak_mb);
        std::remove(path.c_str());
    }
    std::remove((folder + "/out.bin").c_str());
    std::system(("rmdir '" + folder + "'").c_str());
    return 0;
}
