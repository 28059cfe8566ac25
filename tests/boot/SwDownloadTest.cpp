#include "BootFixture.h"

#include "HexRecords.h"

#include <chrono>
#include <functional>
#include <thread>

#include "platform/Format.h"
#include "shell/AppSettings.h"
#include "platform/Notify.h"

namespace {

class SwDownloadTest : public BootTest {
protected:
    // Runs one download to its end.
    int Download(const std::string& file, bool verify)
    {
        CSwDownload download(page_);
        EXPECT_TRUE(download.StartDownload(file, verify));
        EXPECT_TRUE(download.WaitForEnd(120000));
        return download.Result();
    }

    // The code checksum as the board's firmware computes it: words over the range, erased
    // bytes where the image holds nothing.
    static uint16_t BoardChecksum(const std::vector<uint8_t>& flash, uint32_t first)
    {
        uint32_t sum = 0;
        for (size_t i = 0; i < flash.size(); ++i) {
            sum += (first + i) % 2 == 0 ? flash[i] : flash[i] * 256u;
        }
        return static_cast<uint16_t>(sum);
    }

    CPageRecorder page_;
};

std::vector<uint8_t> Bytes(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed ^ (i * 31 + i / 7));
    }
    return bytes;
}

// Blocks in section 0 (driver 0, 256-byte steps) and section 2 (driver 1, 128-byte steps); an
// odd block of 5 bytes; nothing in sections 1 and 3.
const std::vector<HexChunk> kImage = {
    {0x010000, Bytes(1000, 0x11)},
    {0x010800, Bytes(5, 0x22)},
    {0x030100, Bytes(300, 0x33)},
};

TEST_F(SwDownloadTest, FullDownloadProgramsTheImageAndTheChecksum)
{
    for (bool verify : {false, true}) {
        SCOPED_TRACE(verify ? "with verification" : "without verification");
        board_ = std::make_unique<CFakeBootBoard>(Setup());
        AppSettings::SetComPort(board_->DevicePath());
        page_.Clear();
        const std::string file = WriteImage("image.hex", HexImage(kImage));
        ASSERT_EQ(Download(file, verify), 0);

        for (const HexChunk& chunk : kImage) {
            EXPECT_EQ(board_->Memory(chunk.address, chunk.bytes.size()), chunk.bytes);
        }
        // The 5-byte block went out as 4 + 2 bytes, the last one the erase character.
        EXPECT_EQ(board_->Memory(0x010805, 1), std::vector<uint8_t>{0xFF});
        // Exactly the touched sections were erased; the others keep their old content.
        EXPECT_EQ(board_->ErasedSections(), (std::vector<uint16_t>{0, 2}));
        EXPECT_EQ(board_->Memory(0x020000, 0x10000), std::vector<uint8_t>(0x10000, 0x5A));
        EXPECT_EQ(board_->Memory(0x038000, 0x8000), std::vector<uint8_t>(0x8000, 0x5A));
        // The checksum word sums the range as it now stands in flash.
        const std::vector<uint8_t> range = board_->Memory(0x010000, 0xFFFE);
        const std::vector<uint8_t> word = board_->Memory(kChecksumAddress, 2);
        const uint16_t stored = static_cast<uint16_t>(word[0] | (word[1] << 8));
        EXPECT_EQ(stored, BoardChecksum(range, 0x010000));
        EXPECT_TRUE(page_.HasLine(Format("Checksum is 0x%04x", stored)));
        // Only a verifying download reads back.
        EXPECT_EQ(board_->BlockReads() > 0, verify);

        // Steps: ceil(1000/256) + ceil(5/256) + ceil(300/128) = 4 + 1 + 3; the indicator
        // alternates over all of them, then the separate checksum write follows.
        std::vector<uint16_t> blinks;
        for (const auto& [address, value] : board_->WordWrites()) {
            if (address == kProgressAddress) {
                blinks.push_back(value);
            }
        }
        EXPECT_EQ(blinks, (std::vector<uint16_t>{1, 0, 1, 0, 1, 0, 1, 0}));
        const std::vector<uint32_t> progress = page_.Progress();
        EXPECT_EQ(progress, (std::vector<uint32_t>{0, 125, 250, 375, 500, 625, 750, 875, 1000}));
        const std::vector<bool> running = page_.Running();
        EXPECT_EQ(running, (std::vector<bool>{true, false}));

        const std::vector<std::string> lines = page_.Lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[lines.size() - 2], "Download was successful.");
        EXPECT_EQ(lines.back(), "DONE");
        EXPECT_TRUE(page_.HasLine("Erasing flash section 0x00"));
        EXPECT_TRUE(page_.HasLine("Erasing flash section 0x02"));
        EXPECT_FALSE(page_.HasLine("Erasing flash section 0x01"));
        EXPECT_TRUE(page_.HasLine("Parsing .hex file. (This may take a few minutes)"));
        EXPECT_TRUE(page_.HasLine("Section 3: start = 0x038000, length = 0x008000"));
    }
}

TEST_F(SwDownloadTest, CancelAtThePromptTouchesNothing)
{
    prompt_.QueueAnswers({false});
    const std::string file = WriteImage("image.hex", HexImage(kImage));
    EXPECT_EQ(Download(file, false), -1);
    EXPECT_TRUE(board_->Loader().empty());
    EXPECT_TRUE(page_.Lines().empty());
    EXPECT_EQ(page_.Running(), (std::vector<bool>{true, false}));
    const auto records = prompt_.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, CRecordingPrompt::Record::Kind::OkCancel);
    EXPECT_EQ(records[0].text, CSwDownload::kBootModePrompt);
}

TEST_F(SwDownloadTest, AbortStopsBetweenStepsAndSaysNothingMore)
{
    std::vector<HexChunk> big = {{0x010000, Bytes(0x8000, 0x44)}};
    const std::string file = WriteImage("big.hex", HexImage(big));
    CSwDownload download(page_);
    // After the third step the worker holds still until the abort has been asked for, so the
    // abort lands between steps 3 and 4 however fast or slow the machine is.
    CEvent reached(CEvent::Kind::ManualReset);
    int steps = 0;
    page_.on_progress = [&](uint32_t per_mille) {
        if (per_mille > 0 && ++steps == 3) {
            reached.Set();
            for (int i = 0; i < 30000 && !download.AbortRequested(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    };
    ASSERT_TRUE(download.StartDownload(file, false));
    ASSERT_TRUE(reached.Wait(60000));
    download.AbortDownload();
    EXPECT_FALSE(download.IsRunning());
    EXPECT_EQ(download.Result(), -1);
    const size_t lines_after_abort = page_.Lines().size();
    EXPECT_FALSE(page_.HasLine("Download FAILED"));
    EXPECT_FALSE(page_.HasLine("DONE"));
    EXPECT_EQ(prompt_.Texts().back(), "Download aborted!");
    EXPECT_EQ(page_.Running().back(), false);
    // Three steps of 256 bytes are in flash, the rest stays erased.
    EXPECT_EQ(board_->Memory(0x010000, 0x300), std::vector<uint8_t>(big[0].bytes.begin(), big[0].bytes.begin() + 0x300));
    EXPECT_EQ(board_->Memory(0x010300, 0x7D00), std::vector<uint8_t>(0x7D00, 0xFF));
    EXPECT_EQ(page_.Lines().size(), lines_after_abort);
}

TEST_F(SwDownloadTest, InjectedFaults)
{
    const std::string file = WriteImage("image.hex", HexImage(kImage));
    struct Row {
        const char* name;
        std::function<void(CFakeBootBoard&)> arm;
        bool verify;
        int result;
        std::vector<std::string> lines;  // must all appear
    };
    const std::vector<Row> rows = {
        {"a bad block checksum is retried", [](CFakeBootBoard& board) { board.bad_block_checksum = 2; }, false, 0,
         {"DONE"}},
        {"a lost byte in a read-back is retried", [](CFakeBootBoard& board) { board.lose_read_byte = 1; }, true, 0,
         {"DONE"}},
        {"a driver error while erasing stops before programming",
         [](CFakeBootBoard& board) { board.erase_error_section = 2; }, false, -1,
         {"Erasing flash section 0x02", "Erasing section 2 failed.", "    Monitor returned: 0xea.",
          "    Flash driver returned: 0x0010."}},
        {"a driver error on section 0 is no failure", [](CFakeBootBoard& board) { board.erase_error_section = 0; },
         false, 0, {"DONE"}},
        {"a program that stores wrong data fails the verification",
         [](CFakeBootBoard& board) { board.corrupt_program = 1; }, true, -1,
         {"Verify failed on address 0x010000. Written: 0x11 Read: 0xee.", "Download FAILED"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        board_ = std::make_unique<CFakeBootBoard>(Setup());
        AppSettings::SetComPort(board_->DevicePath());
        page_.Clear();
        row.arm(*board_);
        EXPECT_EQ(Download(file, row.verify), row.result);
        for (const std::string& line : row.lines) {
            EXPECT_TRUE(page_.HasLine(line)) << line;
        }
        if (row.result != 0) {
            EXPECT_FALSE(page_.HasLine("DONE"));
        }
    }
}

}  // namespace
