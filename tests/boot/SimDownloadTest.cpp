// The download, the flash read of zovcli and the configuration storage against zov-boardsim's
// boot mode on a pseudo-terminal, with the support files the tool ships.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "BoardSimulator.h"
#include "BootFixture.h"
#include "BootModel.h"
#include "HexRecords.h"
#include "boot/BoardDescription.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "shell/AppSettings.h"

namespace {

constexpr uint32_t kFlashStart = 0xC00000;
constexpr uint32_t kSimChecksumAddress = 0xC3FFFE;
constexpr uint32_t kSimConfigStart = 0xC06000;
constexpr uint32_t kLedAddress = 0x00FFC0;

std::vector<uint8_t> Bytes(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 11 + i / 251);
    }
    return bytes;
}

class SimDownloadTest : public ::testing::Test {
protected:
    SimDownloadTest() { AppSettings::SetControllerBoard("XC167"); }
    ~SimDownloadTest() override
    {
        if (sim_) {
            sim_->Stop();
        }
    }

    void StartSim(FaultSettings faults = {})
    {
        BoardSimOptions options;
        options.faults = faults;
        sim_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        AppSettings::SetComPort(sim_->DevicePath());
    }

    int Download(const std::vector<HexChunk>& image, bool verify)
    {
        const std::string file = folder_.Write("image.hex", HexImage(image));
        CSwDownload download(page_);
        EXPECT_TRUE(download.StartDownload(file, verify));
        EXPECT_TRUE(download.WaitForEnd(300000));
        if (download.Result() != 0) {
            for (const std::string& line : page_.Lines()) {
                std::printf("  | %s\n", line.c_str());
            }
        }
        return download.Result();
    }

    std::vector<uint8_t> Flash(uint32_t address, size_t size) const
    {
        std::vector<uint8_t> bytes(size);
        sim_->InspectBoot([&](const CBootModel& boot, bool) {
            for (size_t i = 0; i < size; ++i) {
                bytes[i] = boot.Memory().Read(static_cast<uint32_t>(address + i));
            }
        });
        return bytes;
    }

    // The code checksum as the firmware checks it: the 16-bit word sum of every range as the
    // flash now holds it.
    uint16_t FlashChecksum() const
    {
        tagDownloadLayout layout;
        EXPECT_TRUE(ReadDownloadLayout(layout, nullptr));
        uint32_t sum = 0;
        for (const tagBlock& range : layout.checksum_ranges) {
            const std::vector<uint8_t> bytes = Flash(range.start, range.length);
            for (size_t i = 0; i < bytes.size(); ++i) {
                sum += (range.start + i) % 2 == 0 ? bytes[i] : bytes[i] * 256u;
            }
        }
        return static_cast<uint16_t>(sum);
    }

    std::vector<uint16_t> LedWrites() const
    {
        std::vector<uint16_t> values;
        sim_->InspectBoot([&](const CBootModel& boot, bool) {
            for (const auto& [address, value] : boot.Memory().WordWrites()) {
                if (address == kLedAddress) {
                    values.push_back(value);
                }
            }
        });
        return values;
    }

    CTempFolder folder_;
    CScopedSettingsFile settings_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    CSleepHook no_pauses_{[](uint32_t) {}};
    CPageRecorder page_;
    std::unique_ptr<CBoardSimulator> sim_;
};

// Section 0 (8 KB), an odd block in section 1, and section 5; 1 KB steps.
const std::vector<HexChunk> kImage = {
    {0xC00000, Bytes(0x1800, 0x01)},
    {0xC02100, Bytes(0x0333, 0x02)},
    {0xC10000, Bytes(0x2400, 0x03)},
};

TEST_F(SimDownloadTest, DownloadWithAndWithoutVerification)
{
    StartSim();
    for (bool verify : {false, true}) {
        SCOPED_TRACE(verify ? "verify" : "no verify");
        page_.Clear();
        ASSERT_EQ(Download(kImage, verify), 0);
        for (const HexChunk& chunk : kImage) {
            EXPECT_EQ(Flash(chunk.address, chunk.bytes.size()), chunk.bytes);
        }
        EXPECT_EQ(Flash(0xC02100 + 0x333, 1), std::vector<uint8_t>{0xFF});  // the padding byte
        const std::vector<uint8_t> word = Flash(kSimChecksumAddress, 2);
        EXPECT_EQ(word[0] | (word[1] << 8), FlashChecksum());
        EXPECT_EQ(page_.Lines().back(), "DONE");
        EXPECT_EQ(page_.Progress().back(), 1000u);
        // The LED alternated over all 6 + 1 + 9 steps (the board's reset before each boot
        // clears its register record).
        std::vector<uint16_t> expected;
        for (int step = 0; step < 16; ++step) {
            expected.push_back(static_cast<uint16_t>(step % 2));
        }
        EXPECT_EQ(LedWrites(), expected);
    }
}

TEST_F(SimDownloadTest, FlashReadOfZovcliEqualsTheImage)
{
    StartSim();
    ASSERT_EQ(Download(kImage, false), 0);
    const std::string out = folder_.File("flash.bin");
    const std::string command = Format("'%s/zovcli' --settings '%s' --port '%s' --yes flash read 0xC00000 0x%x --out '%s' "
                                       "2>'%s'",
                                       ExecutableDir().c_str(), settings_.Path().c_str(), sim_->DevicePath().c_str(),
                                       static_cast<unsigned>(kImage[0].bytes.size()), out.c_str(),
                                       folder_.File("stderr.txt").c_str());
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFileText(folder_.File("stderr.txt"));
    const std::string read = ReadFileText(out);
    EXPECT_EQ(std::vector<uint8_t>(read.begin(), read.end()), kImage[0].bytes);
}

TEST_F(SimDownloadTest, DownloadOfZovcli)
{
    StartSim();
    const std::string file = folder_.Write("image.hex", HexImage(kImage));
    const std::string out = folder_.File("stdout.txt");
    const std::string command =
        Format("'%s/zovcli' --settings '%s' --port '%s' --yes download '%s' --verify >'%s' 2>'%s'",
               ExecutableDir().c_str(), settings_.Path().c_str(), sim_->DevicePath().c_str(), file.c_str(),
               out.c_str(), folder_.File("stderr.txt").c_str());
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFileText(folder_.File("stderr.txt"));
    const std::string lines = ReadFileText(out);
    EXPECT_NE(lines.find("Download was successful.\nDONE\n"), std::string::npos) << lines;
    EXPECT_NE(ReadFileText(folder_.File("stderr.txt")).find("100.0 %"), std::string::npos);
    for (const HexChunk& chunk : kImage) {
        EXPECT_EQ(Flash(chunk.address, chunk.bytes.size()), chunk.bytes);
    }
    // Without --yes and without a terminal the boot-mode question is answered with Cancel.
    const std::string cancelled = Format("'%s/zovcli' --settings '%s' --port '%s' download '%s' </dev/null >/dev/null 2>&1",
                                         ExecutableDir().c_str(), settings_.Path().c_str(),
                                         sim_->DevicePath().c_str(), file.c_str());
    EXPECT_NE(std::system(cancelled.c_str()), 0);
}

TEST_F(SimDownloadTest, ConfigurationAreaSurvivesADownload)
{
    StartSim();
    std::vector<uint8_t> config = Bytes(100, 0x70);
    {
        CConfigStorage storage(page_);
        ASSERT_TRUE(storage.StoreConfiguration(config.data(), 100));
    }
    page_.Clear();
    ASSERT_EQ(Download(kImage, true), 0);
    // The configuration sector lies outside every checksum range and holds no image data.
    EXPECT_FALSE(page_.HasLine("Erasing flash section 0x03"));
    CConfigStorage storage(page_);
    std::vector<uint8_t> back;
    ASSERT_TRUE(storage.RetrieveConfiguration(back));
    EXPECT_EQ(back, config);
}

TEST_F(SimDownloadTest, ConfigurationStoredAndRetrieved)
{
    StartSim();
    {
        // A board fresh from the factory: the area is erased.
        CConfigStorage storage(page_);
        std::vector<uint8_t> back;
        EXPECT_FALSE(storage.RetrieveConfiguration(back));
        EXPECT_EQ(page_.Lines().back(), "Error reading header.");
    }
    for (size_t size : {size_t{100}, size_t{101}}) {
        SCOPED_TRACE(size);
        const std::vector<uint8_t> config = Bytes(size, static_cast<uint8_t>(size));
        CConfigStorage storage(page_);
        ASSERT_TRUE(storage.StoreConfiguration(config.data(), static_cast<uint32_t>(size)));
        const std::vector<uint8_t> stored = Flash(kSimConfigStart, 140);
        EXPECT_EQ(std::vector<uint8_t>(stored.begin() + 32, stored.begin() + 32 + size), config);
        EXPECT_EQ(stored[32 + size], 0xFF);  // padding (101) or erased flash (100)
        std::vector<uint8_t> back;
        ASSERT_TRUE(storage.RetrieveConfiguration(back));
        EXPECT_EQ(back, config);
    }
    page_.Clear();
    const std::vector<uint8_t> big(0x2000 - 32 + 1, 0x11);
    CConfigStorage storage(page_);
    EXPECT_FALSE(storage.StoreConfiguration(big.data(), static_cast<uint32_t>(big.size())));
    EXPECT_TRUE(page_.HasLine("Not enough room to store configuration. Needed 0x002002 bytes, Available 0x002000 bytes."));
    EXPECT_EQ(Flash(kSimConfigStart, 0x2000), std::vector<uint8_t>(0x2000, 0xFF));
}

TEST_F(SimDownloadTest, CancelAndAbort)
{
    StartSim();
    prompt_.QueueAnswers({false});
    EXPECT_EQ(Download(kImage, false), -1);
    bool entered = true;
    sim_->InspectBoot([&](const CBootModel& boot, bool boot_mode) {
        entered = boot_mode || boot.CurrentState() != CBootModel::State::Dead;
    });
    EXPECT_FALSE(entered);
    EXPECT_TRUE(page_.Lines().empty());

    const std::string file = folder_.Write("image.hex", HexImage(kImage));
    CSwDownload download(page_);
    CEvent reached(CEvent::Kind::ManualReset);
    int steps = 0;
    page_.on_progress = [&](uint32_t per_mille) {
        if (per_mille > 0 && ++steps == 2) {
            reached.Set();
            for (int i = 0; i < 30000 && !download.AbortRequested(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    };
    ASSERT_TRUE(download.StartDownload(file, false));
    ASSERT_TRUE(reached.Wait(60000));
    download.AbortDownload();
    page_.on_progress = nullptr;
    EXPECT_EQ(download.Result(), -1);
    EXPECT_EQ(prompt_.Texts().back(), "Download aborted!");
    // Two steps of 1 KB are in flash; the third never went out.
    EXPECT_EQ(Flash(0xC00000, 0x800), std::vector<uint8_t>(kImage[0].bytes.begin(), kImage[0].bytes.begin() + 0x800));
    EXPECT_EQ(Flash(0xC00800, 0x400), std::vector<uint8_t>(0x400, 0xFF));
}

TEST_F(SimDownloadTest, InjectedFaults)
{
    const std::string wrong_id = "Invalid response during initial handskake on serial link. Received 0x55 instead of "
                                 "0xd5. Check selected processor in Preferences.";
    struct Row {
        const char* name;
        SimFault fault;
        FaultSetting strike;
        int result;
        std::vector<std::string> lines;
    };
    const std::vector<Row> rows = {
        {"a bad block checksum is retried", SimFault::BootBadChecksum, {0.0, 2, 5}, 0, {"DONE"}},
        {"a wrong identification byte is shown and retried", SimFault::BootWrongId, {0.0, 1, 0}, 0, {wrong_id, "DONE"}},
        // Flash information takes the first two driver calls, section 0's erase the third
        // (where an error does not count); the erase of section 1 fails.
        {"a driver error while erasing", SimFault::BootDriverError, {0.0, 1, 3}, -1,
         {"Erasing section 1 failed.", "    Flash driver returned: 0x0010."}},
        {"a board that stops answering", SimFault::BootStopAnswering, {0.0, 1, 40}, -1, {"Download FAILED"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FaultSettings faults;
        faults[row.fault] = row.strike;
        StartSim(faults);
        page_.Clear();
        prompt_.Clear();
        // The board drops a half-done command after a quiet half second; the pause before a
        // retry must really pass for the retry to meet a listening monitor.
        CSleepHook real_pauses([](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 600u))); });
        EXPECT_EQ(Download(kImage, true), row.result);
        for (const std::string& line : row.lines) {
            EXPECT_TRUE(page_.HasLine(line)) << line;
        }
        if (row.fault == SimFault::BootWrongId) {
            EXPECT_EQ(prompt_.Texts().at(1), wrong_id);
        }
        EXPECT_GE(sim_->FaultsStruck(row.fault), 1u);
        sim_->Stop();
    }
}

}  // namespace
