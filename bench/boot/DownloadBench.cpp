// A firmware download over zov-boardsim with baud emulation: the wall time of the whole download
// (boot, erase, programming, checksum) against the wire time of the bytes actually exchanged at
// 38400 baud, 10 bits a byte. Prints the ratio; 1.00 would mean the tool adds nothing to what
// the line itself costs.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "BoardSimulator.h"
#include "boot/SwDownload.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

namespace {

class CQuietPage : public ISwDownloadPage {
public:
    void OutputText(const std::string& text) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        last_ = text;
        if (std::getenv("ZOV_BENCH_TRACE") != nullptr) {
            std::fprintf(stderr, "%8.3f %s\n",
                         std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
                         text.c_str());
        }
    }
    void SetProgress(uint32_t) override {}
    void SetRunning(bool) override {}
    std::string Last()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return last_;
    }

private:
    std::mutex lock_;
    std::string last_;
};

std::string Record(uint8_t type, uint16_t offset, const std::vector<uint8_t>& data)
{
    unsigned sum = static_cast<unsigned>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    std::string line = Format(":%02X%04X%02X", static_cast<unsigned>(data.size()), offset, type);
    for (uint8_t byte : data) {
        line += Format("%02X", byte);
        sum += byte;
    }
    return line + Format("%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

// size bytes of code from the start of the XC167's internal flash.
std::string Image(size_t size)
{
    std::string text;
    int upper = -1;
    for (size_t pos = 0; pos < size; pos += 32) {
        const uint32_t address = 0xC00000 + static_cast<uint32_t>(pos);
        if (static_cast<int>(address >> 16) != upper) {
            upper = static_cast<int>(address >> 16);
            text += Record(4, 0, {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)});
        }
        std::vector<uint8_t> data(32);
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<uint8_t>(pos + i * 7);
        }
        text += Record(0, static_cast<uint16_t>(address & 0xFFFF), data);
    }
    return text + ":00000001FF\r\n";
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t size = argc > 1 ? static_cast<size_t>(std::strtoul(argv[1], nullptr, 0)) : 0x8000;
    const std::string folder = TempDir() + Format("/zov-dlbench-%d", static_cast<int>(getpid()));
    std::system(("mkdir -p '" + folder + "'").c_str());
    CSettingsStore::SetFile(folder + "/settings.reg");
    const std::string image = folder + "/image.hex";
    FILE* file = std::fopen(image.c_str(), "wb");
    const std::string text = Image(size);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);

    CRecordingPrompt prompt;  // answers the boot-mode question with OK
    CScopedPrompt scoped(prompt);
    int status = 0;
    for (bool verify : {false, true}) {
        BoardSimOptions options;
        options.baud_emulation = true;
        CBoardSimulator sim(options);
        std::string error;
        if (!sim.Start(&error)) {
            std::fprintf(stderr, "zov-boardsim: %s\n", error.c_str());
            return 2;
        }
        AppSettings::SetComPort(sim.DevicePath());
        AppSettings::SetControllerBoard("XC167");
        CQuietPage page;
        CSwDownload download(page);
        const auto start = std::chrono::steady_clock::now();
        if (std::getenv("ZOV_BENCH_TRACE") != nullptr) {
            std::fprintf(stderr, "%8.3f start\n", std::chrono::duration<double>(start.time_since_epoch()).count());
        }
        download.StartDownload(image, verify);
        download.WaitForEnd(kInfinite);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const uint64_t bytes = download.BootHandler().BytesWritten() + download.BootHandler().BytesRead();
        const double wire = static_cast<double>(bytes) * 10.0 / 38400.0;
        std::printf("download of %zu bytes %s: %s, %llu bytes on the line, wall %.2f s, wire %.2f s, ratio %.3f\n",
                    size, verify ? "with verification" : "without verification",
                    download.Result() == 0 ? "succeeded" : "FAILED", static_cast<unsigned long long>(bytes), wall,
                    wire, wall / wire);
        if (download.Result() != 0) {
            std::fprintf(stderr, "last line: %s\n", page.Last().c_str());
            status = 1;
        }
        sim.Stop();
    }
    std::system(("rm -rf '" + folder + "'").c_str());
    return status;
}
