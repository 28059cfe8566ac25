// Boot mode under every fault the simulated board can inject there: for each, a verified
// download onto a board that holds an older firmware, and a configuration store followed by a
// retrieval. An operation must end within its bound and either succeed with the right flash
// contents (the image, its checksum word, the configuration area untouched by a download) or
// fail with the lines the engineer is meant to see. Rows run side by side on boards of their own.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "BoardSimulator.h"
#include "BootFixture.h"
#include "BootModel.h"
#include "FaultMatrix.h"
#include "HexRecords.h"
#include "TestSupport.h"
#include "boot/BoardDescription.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kSeed = 13;
constexpr uint32_t kConfigStart = 0xC06000;
constexpr uint32_t kConfigAreaSize = 0x2000;
constexpr uint32_t kChecksumAddress = 0xC3FFFE;
// A boot, erasing seven sections and sixteen verified 1 KB steps take a few seconds; every
// failed monitor command adds its 2 s read time-out and the pause before the retry.
constexpr uint64_t kOperationBoundMs = 120000;

struct tagBootRow {
    SimFault fault;
    FaultSetting strike;
};

FaultSetting Rate(double rate)
{
    FaultSetting setting;
    setting.rate = rate;
    return setting;
}

FaultSetting Times(uint32_t count, uint32_t after = 0)
{
    FaultSetting setting;
    setting.count = count;
    setting.after = after;
    return setting;
}

// Faults with one chance per boot strike a given number of times (two strikes fail a boot, the
// configuration storage then boots once more); faults with a chance per monitor command strike
// at 3 %.
const std::vector<tagBootRow> kBootRows = {
    {SimFault::BootWrongId, Times(1)},     {SimFault::BootWrongId, Times(2)},
    {SimFault::BootNoLoaderAck, Times(1)}, {SimFault::BootNoLoaderAck, Times(2)},
    {SimFault::BootNoMonitorAck, Times(1)}, {SimFault::BootNoMonitorAck, Times(2)},
    {SimFault::BootBadChecksum, Rate(0.03)}, {SimFault::BootDriverError, Rate(0.03)},
    {SimFault::BootStopAnswering, Rate(0.03)},
};

std::string SettingText(const tagBootRow& row)
{
    const char* name = SimFaultName(row.fault);
    if (row.strike.count == 0) return Format("%s=%.2f", name, row.strike.rate);
    return row.strike.after == 0 ? Format("%s=%ux", name, row.strike.count)
                                 : Format("%s=%ux@%u", name, row.strike.count, row.strike.after);
}

std::vector<uint8_t> Bytes(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 11 + i / 251);
    return bytes;
}

// Sections 0 and 1 (one block of odd length) and section 5, in sixteen 1 KB steps.
const std::vector<HexChunk> kImage = {
    {0xC00000, Bytes(0x1800, 0x01)},
    {0xC02100, Bytes(0x0333, 0x02)},
    {0xC10000, Bytes(0x2400, 0x03)},
};
const std::vector<uint8_t> kConfig = Bytes(1001, 0x40);

// The older firmware and configuration the board holds at the start: programmed bits (0x00)
// where the new image goes, so that a section left unerased shows, and a configuration that a
// download must leave alone.
const std::vector<HexChunk> kOldFlash = {
    {0xC00000, std::vector<uint8_t>(0x2400, 0x00)},
    {kConfigStart, Bytes(0x200, 0x5A)},
    {0xC10000, std::vector<uint8_t>(0x2400, 0x00)},
    {0xC20000, std::vector<uint8_t>(0x100, 0x00)},
};
const HexChunk& kOldConfig = kOldFlash[1];

std::string OldFlashState()
{
    std::string text = "[Flash XC167]\n";
    for (const HexChunk& chunk : kOldFlash) {
        for (size_t at = 0; at < chunk.bytes.size(); at += 32) {
            text += Format("%06X=", static_cast<unsigned>(chunk.address + at));
            for (size_t i = at; i < std::min(chunk.bytes.size(), at + 32); ++i) text += Format("%02X", chunk.bytes[i]);
            text += "\n";
        }
    }
    return text;
}

bool HasLineStarting(const std::vector<std::string>& lines, const char* start)
{
    return std::any_of(lines.begin(), lines.end(), [start](const std::string& line) { return line.rfind(start, 0) == 0; });
}

uint64_t MsSince(Clock::time_point start)
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The first line that reports a failure, else the last line.
std::string FailureLine(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        if (line.find("FAILED") != std::string::npos || line.find("failed") != std::string::npos ||
            line.rfind("Error", 0) == 0 || line.rfind("Invalid", 0) == 0 || line.rfind("No response", 0) == 0) {
            return line;
        }
    }
    return lines.empty() ? "(no line)" : lines.back();
}

bool EndsWith(const std::vector<std::string>& lines, std::initializer_list<const char*> endings)
{
    if (lines.empty()) return false;
    return std::any_of(endings.begin(), endings.end(), [&](const char* ending) { return lines.back() == ending; });
}

// A download that failed says so in its last line: "Download FAILED" once programming has
// begun; before that the boot's, the description's, the image's or the erase's own lines.
bool DownloadFailureReported(const std::vector<std::string>& lines)
{
    if (EndsWith(lines, {"Download FAILED", "Booting controller board FAILED.", "Parsing of .hex file FAILED.",
                         "Error reading the .ini file."})) {
        return true;
    }
    const size_t n = lines.size();
    return n >= 3 && lines[n - 3].rfind("Erasing section ", 0) == 0 && lines[n - 2].rfind("    Monitor returned: ", 0) == 0 &&
           lines[n - 1].rfind("    Flash driver returned: ", 0) == 0;
}

// One fault setting's boards and operations.
class CBootRow {
public:
    CBootRow(const tagBootRow& row, CFaultMatrix& matrix) : row_(row), name_(SettingText(row)), matrix_(matrix)
    {
        matrix_.AddRow(name_, {"download", "store", "retrieve"});
    }

    void Run()
    {
        RunDownload();
        RunStoreAndRetrieve();
        matrix_.SetStruck(name_, struck_);
    }

    uint32_t Struck() const { return struck_; }
    const std::string& Name() const { return name_; }

private:
    std::unique_ptr<CBoardSimulator> StartBoard()
    {
        BoardSimOptions options;
        options.trace_sink = [](const std::string&) {};
        options.state_file = folder_.Write("state-" + std::to_string(++boards_) + ".txt", OldFlashState());
        options.faults.seed = kSeed;
        options.faults[row_.fault] = row_.strike;
        auto board = std::make_unique<CBoardSimulator>(options);
        std::string error;
        if (!board->Start(&error)) {
            ADD_FAILURE() << name_ << ": " << error;
            return nullptr;
        }
        return board;
    }

    std::vector<uint8_t> Flash(const CBoardSimulator& board, uint32_t address, size_t size) const
    {
        std::vector<uint8_t> bytes(size);
        board.InspectBoot([&](const CBootModel& boot, bool) {
            for (size_t i = 0; i < size; ++i) bytes[i] = boot.Memory().Read(static_cast<uint32_t>(address + i));
        });
        return bytes;
    }

    // What is wrong with the flash after a successful download; empty when nothing is.
    std::string CheckDownloadedFlash(const CBoardSimulator& board) const
    {
        for (const HexChunk& chunk : kImage) {
            if (!Holds(board, chunk)) {
                return Format("flash at 0x%06x differs from the image", chunk.address);
            }
        }
        tagDownloadLayout layout;
        if (!ReadDownloadLayout(layout, nullptr)) return "no download layout";
        uint32_t sum = 0;
        for (const tagBlock& range : layout.checksum_ranges) {
            const std::vector<uint8_t> bytes = Flash(board, range.start, range.length);
            for (size_t i = 0; i < bytes.size(); ++i) sum += (range.start + i) % 2 == 0 ? bytes[i] : bytes[i] * 256u;
        }
        const std::vector<uint8_t> word = Flash(board, kChecksumAddress, 2);
        const uint32_t stored = word[0] | word[1] << 8u;
        if (stored != (sum & 0xFFFF)) {
            return Format("checksum word 0x%04x, the flash sums to 0x%04x", stored, sum & 0xFFFF);
        }
        if (!Holds(board, kOldConfig)) return "the configuration area changed";
        return "";
    }

    bool Holds(const CBoardSimulator& board, const HexChunk& chunk) const
    {
        return Flash(board, chunk.address, chunk.bytes.size()) == chunk.bytes;
    }

    bool HoldsOldFlash(const CBoardSimulator& board) const
    {
        return std::all_of(kOldFlash.begin(), kOldFlash.end(), [&](const HexChunk& chunk) { return Holds(board, chunk); });
    }

    void RunDownload()
    {
        const std::unique_ptr<CBoardSimulator> board = StartBoard();
        if (!board) return;
        const std::string file = folder_.Write("image.hex", HexImage(kImage));
        CPageRecorder page;
        const Clock::time_point start = Clock::now();
        int result = 1;
        {
            CSwDownload download(page);
            download.BootHandler().SetPortOverride(board->DevicePath());
            if (download.StartDownload(file, true) && download.WaitForEnd(kOperationBoundMs)) result = download.Result();
        }
        const uint64_t ms = MsSince(start);
        const std::vector<std::string> lines = page.Lines();
        if (result == 1 || ms > kOperationBoundMs) {
            matrix_.Wrong(name_, "download", Format("no end within %llu ms", static_cast<unsigned long long>(ms)), ms);
        } else if (result == 0) {
            const std::string problem = CheckDownloadedFlash(*board);
            if (problem.empty() && EndsWith(lines, {"DONE"})) {
                matrix_.Succeeded(name_, "download", ms);
            } else {
                matrix_.Wrong(name_, "download", "reported success, but " + (problem.empty() ? "no DONE" : problem), ms);
            }
        } else if (!HasLineStarting(lines, "Erasing flash section") && !HoldsOldFlash(*board)) {
            matrix_.Wrong(name_, "download", "failed before erasing, but the old flash changed", ms);
        } else if (DownloadFailureReported(lines)) {
            matrix_.Failed(name_, "download", FailureLine(lines), ms);
        } else {
            matrix_.Wrong(name_, "download", "failed with the last line \"" + (lines.empty() ? "" : lines.back()) + "\"",
                          ms);
        }
        struck_ += board->FaultsStruck(row_.fault);
        board->Stop();
    }

    // The header and bytes a store writes, as the flash must hold them afterwards.
    static std::vector<uint8_t> StoredImage()
    {
        const uint32_t n = static_cast<uint32_t>(kConfig.size());
        const uint16_t checksum = CConfigStorage::AreaChecksum(kConfig.data(), n, 0xFF, kConfigAreaSize);
        std::vector<uint8_t> image = {static_cast<uint8_t>(checksum), static_cast<uint8_t>(checksum >> 8),
                                      static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                                      static_cast<uint8_t>(n >> 24), 0xFB, 0xD1, 0x01, 0x00};
        for (int i = 0; i < 11; ++i) image.insert(image.end(), {0xFF, 0x00});
        image.insert(image.end(), kConfig.begin(), kConfig.end());
        if (n % 2 != 0) image.push_back(0xFF);
        return image;
    }

    void RunStoreAndRetrieve()
    {
        const std::unique_ptr<CBoardSimulator> board = StartBoard();
        if (!board) return;
        CPageRecorder page;
        const Clock::time_point start = Clock::now();
        CConfigStorage storage(page);
        storage.SetPortOverride(board->DevicePath());
        const bool stored = storage.StoreConfiguration(kConfig.data(), static_cast<uint32_t>(kConfig.size()));
        const uint64_t store_ms = MsSince(start);
        std::vector<std::string> lines = page.Lines();
        const std::vector<uint8_t> image = StoredImage();
        if (store_ms > kOperationBoundMs) {
            matrix_.Wrong(name_, "store", Format("took %llu ms", static_cast<unsigned long long>(store_ms)), store_ms);
        } else if (stored) {
            if (Flash(*board, kConfigStart, image.size()) == image && EndsWith(lines, {"Configuration successfully stored."})) {
                matrix_.Succeeded(name_, "store", store_ms);
            } else {
                matrix_.Wrong(name_, "store", "reported success, but the flash differs from header and bytes", store_ms);
            }
        } else if (!HasLineStarting(lines, "Erasing flash section") && !Holds(*board, kOldConfig)) {
            matrix_.Wrong(name_, "store", "failed before erasing, but the old configuration changed", store_ms);
        } else if (EndsWith(lines, {"Configuration could not be stored."})) {
            matrix_.Failed(name_, "store", FailureLine(lines), store_ms);
        } else {
            matrix_.Wrong(name_, "store", "failed with the last line \"" + (lines.empty() ? "" : lines.back()) + "\"",
                          store_ms);
        }

        page.Clear();
        const Clock::time_point retrieve_start = Clock::now();
        std::vector<uint8_t> back;
        const bool retrieved = storage.RetrieveConfiguration(back);
        const uint64_t ms = MsSince(retrieve_start);
        lines = page.Lines();
        const uint32_t length = storage.Header().length;
        if (ms > kOperationBoundMs) {
            matrix_.Wrong(name_, "retrieve", Format("took %llu ms", static_cast<unsigned long long>(ms)), ms);
        } else if (retrieved) {
            const bool as_in_flash = length <= kConfigAreaSize && back == Flash(*board, kConfigStart + 32, length);
            if (as_in_flash && (!stored || back == kConfig)) {
                matrix_.Succeeded(name_, "retrieve", ms);
            } else {
                matrix_.Wrong(name_, "retrieve",
                              Format("reported success with %zu bytes that differ from the %s", back.size(),
                                     as_in_flash ? "stored configuration" : "flash"),
                              ms);
            }
        } else if (EndsWith(lines, {"Configuration could not be retrieved.", "Error reading header.",
                                    "Booting controller board FAILED."}) ||
                   (lines.size() >= 2 && lines[lines.size() - 2].rfind("Reading block failed", 0) == 0)) {
            matrix_.Failed(name_, "retrieve", FailureLine(lines), ms);
        } else {
            matrix_.Wrong(name_, "retrieve", "failed with the last line \"" + (lines.empty() ? "" : lines.back()) + "\"",
                          ms);
        }
        struck_ += board->FaultsStruck(row_.fault);
        board->Stop();
    }

    const tagBootRow row_;
    const std::string name_;
    CFaultMatrix& matrix_;
    CTempFolder folder_;
    int boards_ = 0;
    uint32_t struck_ = 0;
};

TEST(BootFaultMatrix, EveryBootFault)
{
    CScopedSettingsFile settings;
    AppSettings::SetControllerBoard("XC167");
    CRecordingPrompt prompt;  // answers OK to every boot-mode question
    CScopedPrompt scoped_prompt(prompt);
    // The board gives up a half-done command after half a second of silence, so the pause
    // before a retry must really pass; it is shortened from 1000 ms.
    CSleepHook short_pauses([](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 600u))); });
    CFaultMatrix matrix(Format("fault matrix: boot faults, a verified download and a configuration store and "
                               "retrieval (%zu bytes) each (seed %u)",
                               kConfig.size(), kSeed));

    std::vector<std::unique_ptr<CBootRow>> rows;
    for (const tagBootRow& row : kBootRows) rows.push_back(std::make_unique<CBootRow>(row, matrix));
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> threads;
    for (const auto& row : rows) threads.emplace_back([&row] { row->Run(); });
    for (std::thread& thread : threads) thread.join();
    const uint64_t ms = MsSince(start);

    matrix.Print();
    std::printf("all rows ran side by side in %.1f s\n", static_cast<double>(ms) / 1000.0);
    EXPECT_THAT(matrix.Problems(), ::testing::IsEmpty());
    for (const auto& row : rows) EXPECT_GT(row->Struck(), 0u) << row->Name() << " never struck: its cells prove nothing";
}

}  // namespace
