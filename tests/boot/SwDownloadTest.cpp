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
        // The driver's own answer, not the word that was sent (0x0000), is what is reported.
        {"a program call answered with a broken reply reports the driver's answer",
         [](CFakeBootBoard& board) { board.program_bad_end = 4; }, false, -1,
         {"Flash driver action FAILED.", "    Flash driver returned: 0x0033.", "Download FAILED"}},
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

// An empty image used to erase the sections of the checksum and report success with only the
// checksum word written. It is refused before the engineer is asked to reset the board.
TEST_F(SwDownloadTest, AnImageWithoutDataIsRefusedBeforeTheBootQuestion)
{
    for (const std::string& text : {std::string(), std::string(kEndOfFile) + "\r\n" + DataRecord(0x0100, {})}) {
        SCOPED_TRACE(text);
        page_.Clear();
        prompt_.Clear();
        const std::string file = WriteImage("empty.hex", text);
        EXPECT_EQ(Download(file, false), -1);
        EXPECT_EQ(page_.Lines(), std::vector<std::string>{"The image \"" + file + "\" contains no data to program."});
        EXPECT_TRUE(prompt_.Records().empty());
        EXPECT_TRUE(board_->Loader().empty());
        EXPECT_TRUE(board_->ErasedSections().empty());
        EXPECT_EQ(page_.Running(), (std::vector<bool>{true, false}));
    }
}

// A block that starts at an odd address and ends at its section's end used to be padded past the
// section (the next section's first byte programmed with the erase character, or the driver
// refusing the step). It is programmed from the even address below instead, with what the image
// holds there, so a verifying download reads back exactly the image.
TEST_F(SwDownloadTest, AnOddBlockAtTheSectionsEndStaysInside)
{
    struct Row {
        const char* name;
        std::vector<HexChunk> image;
    };
    const Row rows[] = {
        {"alone", {{0x010000, Bytes(16, 0x10)}, {0x037FFB, Bytes(5, 0x20)}}},
        // Joined up to the 256-byte bound, the last 5 bytes form a block of their own whose byte
        // below is the previous block's last.
        {"after the block below it", {{0x010000, Bytes(16, 0x10)}, {0x037EFB, Bytes(0x105, 0x30)}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        board_ = std::make_unique<CFakeBootBoard>(Setup());
        AppSettings::SetComPort(board_->DevicePath());
        page_.Clear();
        ASSERT_EQ(Download(WriteImage("odd.hex", HexImage(row.image)), true), 0);
        for (const HexChunk& chunk : row.image) {
            EXPECT_EQ(board_->Memory(chunk.address, chunk.bytes.size()), chunk.bytes);
        }
        EXPECT_EQ(board_->Memory(0x038000, 16), std::vector<uint8_t>(16, 0x5A)) << "the next section is untouched";
    }
}

TEST_F(SwDownloadTest, ChecksumWordInsideABlock)
{
    struct Row {
        const char* name;
        uint32_t block_start;
        size_t block_size;
    };
    // The word in the middle of a block, and on the block's last byte (its high byte then lies
    // just beyond the block and goes out with the block's padding).
    for (const Row& row : {Row{"inside", 0x01FFF0, 16}, Row{"on the last byte", 0x01FFF0, 15},
                           Row{"on the last byte of an even block", 0x01FFF2, 13}}) {
        SCOPED_TRACE(row.name);
        board_ = std::make_unique<CFakeBootBoard>(Setup());
        AppSettings::SetComPort(board_->DevicePath());
        page_.Clear();
        const std::vector<HexChunk> image = {{0x010000, Bytes(64, 0x55)}, {row.block_start, Bytes(row.block_size, 0x66)}};
        ASSERT_EQ(Download(WriteImage("image.hex", HexImage(image)), true), 0);
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> blocks;
        for (const HexChunk& chunk : image) {
            blocks.emplace_back(chunk.address, chunk.bytes);
        }
        std::vector<tagSectionInfo> sections(1);
        sections[0].start = 0x010000;
        sections[0].size = 0x10000;
        sections[0].erase_char = 0xFF;
        const uint16_t checksum = CSwDownload::CodeChecksum(blocks, {{0x010000, 0xFFFE}}, sections);
        const std::vector<uint8_t> word = board_->Memory(kChecksumAddress, 2);
        EXPECT_EQ(word[0] | (word[1] << 8), checksum);
        // The rest of the block is the image's.
        const std::vector<uint8_t> flash = board_->Memory(row.block_start, kChecksumAddress - row.block_start);
        EXPECT_EQ(flash, std::vector<uint8_t>(image[1].bytes.begin(), image[1].bytes.begin() + flash.size()));
        // Written with the block: no separate 4-byte transfer of the checksum followed.
        EXPECT_FALSE(page_.HasLine("Checksum address not within a valid section."));
    }
}

TEST_F(SwDownloadTest, DescriptionAndImageProblemsStopBeforeAnyErase)
{
    struct Row {
        const char* name;
        std::string extra;
        std::vector<std::string> drop;
        std::vector<HexChunk> image;
        std::string line;
    };
    const std::vector<Row> rows = {
        {"odd transfer size", "FlashTransferSize01=127\r\n", {"FlashTransferSize01"}, kImage,
         "Invalid flash transfer size 127 for flash driver 1 in the .ini file."},
        {"zero transfer size", "FlashTransferSize01=0\r\n", {"FlashTransferSize01"}, kImage,
         "Invalid flash transfer size 0 for flash driver 1 in the .ini file."},
        {"a block outside every section", "", {}, {{0x010000, Bytes(4, 1)}, {0x000100, Bytes(16, 2)}},
         "Block to program is not in a flash section. Address: 0x000100, Size: 0x000010."},
        {"no transfer address", "", {"FlashTransferAddress"}, kImage, "Error reading the .ini file."},
        {"no sections", "", {"Section00"}, kImage, "Parsing of .hex file FAILED."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WriteSupport(row.extra, row.drop);
        board_ = std::make_unique<CFakeBootBoard>(Setup());
        AppSettings::SetComPort(board_->DevicePath());
        page_.Clear();
        EXPECT_EQ(Download(WriteImage("image.hex", HexImage(row.image)), false), -1);
        EXPECT_TRUE(page_.HasLine(row.line)) << row.line;
        EXPECT_TRUE(board_->ErasedSections().empty());
        EXPECT_FALSE(page_.HasLine("Download FAILED"));
    }
}

TEST(CodeChecksumTest, Table)
{
    std::vector<tagSectionInfo> sections(2);
    sections[0].start = 0x10000;
    sections[0].size = 0x100;
    sections[0].erase_char = 0xFF;
    sections[1].start = 0x10100;
    sections[1].size = 0x100;
    sections[1].erase_char = 0x00;
    using Blocks = std::vector<std::pair<uint32_t, std::vector<uint8_t>>>;
    struct Row {
        const char* name;
        Blocks blocks;
        std::vector<tagBlock> ranges;
        uint16_t sum;
    };
    const std::vector<Row> rows = {
        {"image bytes and an erased rest", {{0x10000, {0x01, 0x02}}}, {{0x10000, 4}}, 0x0200},
        {"a block before the range start counts from the range", {{0x0FFFE, {9, 9, 0x01, 0x02}}}, {{0x10000, 2}},
         0x0201},
        {"a block beyond the range end is cut", {{0x10000, {1, 2, 3, 4}}}, {{0x10000, 2}}, 0x0201},
        {"an odd range start adds the high byte", {{0x10001, {0x05}}}, {{0x10001, 1}}, 0x0500},
        {"a gap outside every section adds nothing", {}, {{0x0FF00, 0x10}}, 0},
        {"a gap takes the erase character of the section it starts in", {}, {{0x100FE, 4}}, 0xFFFE},
        {"two ranges add up", {{0x10000, {1, 0}}}, {{0x10000, 2}, {0x10000, 2}}, 2},
        {"no ranges", {{0x10000, {1, 0}}}, {}, 0},
        {"a huge range ends without walking it", {}, {{0x10200, 0xFFFFFF00}}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CSwDownload::CodeChecksum(row.blocks, row.ranges, sections), row.sum);
    }
}

}  // namespace
