#include "BootFixture.h"

#include "shell/AppSettings.h"

namespace {

class ConfigStorageTest : public BootTest {
protected:
    CPageRecorder page_;
};

std::vector<uint8_t> Config(size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(0x20 + (i * 5) % 90);
    }
    return bytes;
}

TEST_F(ConfigStorageTest, StoredAndRetrievedByteExact)
{
    struct Row {
        size_t size;
        size_t stored;  // bytes programmed: header, configuration, padding to even
    };
    for (const Row& row : {Row{100, 132}, Row{101, 134}, Row{0, 32}}) {
        SCOPED_TRACE(row.size);
        board_ = std::make_unique<CFakeBootBoard>(Setup());
        AppSettings::SetComPort(board_->DevicePath());
        page_.Clear();
        const std::vector<uint8_t> config = Config(row.size);
        {
            CConfigStorage storage(page_);
            ASSERT_TRUE(storage.StoreConfiguration(config.data(), static_cast<uint32_t>(config.size())));
            EXPECT_EQ(page_.Lines().back(), "Configuration successfully stored.");
            EXPECT_EQ(page_.Progress().back(), 1000u);
        }
        const std::vector<uint8_t> header = board_->Memory(kConfigStart, 32);
        EXPECT_EQ(header[2] | (header[3] << 8) | (header[4] << 16) | (header[5] << 24), static_cast<int>(row.size));
        EXPECT_EQ(header[6], 0xFB);
        EXPECT_EQ(header[7], 0xD1);
        EXPECT_EQ(header[8], 1);
        EXPECT_EQ(header[9], 0);
        for (size_t i = 10; i < 32; i += 2) {
            EXPECT_EQ(header[i], 0xFF);  // erase character 511 keeps its low 8 bits
            EXPECT_EQ(header[i + 1], 0x00);
        }
        // The checksum covers the whole 256-byte area as the board sees it after the store,
        // without the header.
        const std::vector<uint8_t> area = board_->Memory(kConfigStart + 32, 256 - 32);
        uint32_t sum = 0;
        for (size_t i = 0; i + 1 < area.size(); i += 2) {
            sum += area[i] + 256u * area[i + 1];
        }
        sum += 16 * 0xFFFF;  // the header's own 16 words count as erased
        EXPECT_EQ(header[0] | (header[1] << 8), static_cast<int>(sum & 0xFFFF));
        EXPECT_EQ(board_->Memory(kConfigStart + 32, row.size), config);
        // Nothing beyond the stored image was programmed (erased flash there).
        EXPECT_EQ(board_->Memory(kConfigStart + row.stored, 16), std::vector<uint8_t>(16, 0xFF));
        EXPECT_EQ(board_->ErasedSections(), std::vector<uint16_t>{3});
        EXPECT_TRUE(page_.HasLine("Erasing flash section 0x03"));
        EXPECT_TRUE(page_.HasLine(Format("Configuration Header:\r\n     Checksum = 0x%04x (%d)\r\n     Length = 0x%06x "
                                         "(%d)\r\n     Magic = 0xd1fb (53755)\r\n     Version = 0x0001 (1)",
                                         header[0] | (header[1] << 8), header[0] | (header[1] << 8),
                                         static_cast<unsigned>(row.size), static_cast<int>(row.size))));

        page_.Clear();
        board_->Reset();
        CConfigStorage storage(page_);
        std::vector<uint8_t> back = {9, 9, 9};
        ASSERT_TRUE(storage.RetrieveConfiguration(back));
        EXPECT_EQ(back, config);
        EXPECT_EQ(page_.Lines().back(), "Configuration successfully retrieved.");
    }
}

TEST_F(ConfigStorageTest, TooLargeFailsAfterTheErase)
{
    const std::vector<uint8_t> config = Config(300);
    CConfigStorage storage(page_);
    EXPECT_FALSE(storage.StoreConfiguration(config.data(), static_cast<uint32_t>(config.size())));
    EXPECT_TRUE(page_.HasLine(
        "Not enough room to store configuration. Needed 0x00014c bytes, Available 0x000100 bytes."));
    EXPECT_EQ(page_.Lines().back(), "Configuration could not be stored.");
    EXPECT_EQ(board_->ErasedSections(), std::vector<uint16_t>{3});
    EXPECT_EQ(board_->Memory(kConfigStart, 256), std::vector<uint8_t>(256, 0xFF));
}

TEST_F(ConfigStorageTest, RetrievingAnErasedAreaFails)
{
    board_->SetMemory(kConfigStart, std::vector<uint8_t>(256, 0xFF));
    CConfigStorage storage(page_);
    std::vector<uint8_t> back = {1};
    EXPECT_FALSE(storage.RetrieveConfiguration(back));
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(page_.Lines().back(), "Error reading header.");
    EXPECT_EQ(storage.Header().length, 0xFFFFFFFFu);
}

TEST_F(ConfigStorageTest, AWrongMagicIsStillHandedOver)
{
    std::vector<uint8_t> stored = {0x00, 0x00, 4, 0, 0, 0, 0x34, 0x12, 7, 0};
    stored.resize(32, 0xFF);
    stored.insert(stored.end(), {'a', 'b', 'c', 'd'});
    board_->SetMemory(kConfigStart, stored);
    CConfigStorage storage(page_);
    std::vector<uint8_t> back;
    ASSERT_TRUE(storage.RetrieveConfiguration(back));
    EXPECT_EQ(back, (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
    EXPECT_EQ(storage.Header().magic, 0x1234);
}

TEST_F(ConfigStorageTest, CancelledPromptAndFailedBootsTouchNothing)
{
    prompt_.QueueAnswers({false});
    CConfigStorage storage(page_);
    const std::vector<uint8_t> config = Config(10);
    EXPECT_FALSE(storage.StoreConfiguration(config.data(), 10));
    EXPECT_EQ(page_.Lines(), std::vector<std::string>{"Configuration could not be stored."});
    EXPECT_TRUE(board_->Loader().empty());

    // Both boots (the second with a fresh link, without asking again) fail.
    page_.Clear();
    prompt_.Clear();
    board_->wrong_id = 4;
    EXPECT_FALSE(storage.StoreConfiguration(config.data(), 10));
    EXPECT_EQ(prompt_.Records().size(), 1u + 4u);  // the boot-mode question and four wrong-id boxes
    const std::vector<std::string> lines = page_.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), std::string("Booting controller board FAILED.")), 2);
    EXPECT_TRUE(board_->ErasedSections().empty());
}

TEST_F(ConfigStorageTest, AbortStopsBeforeTheEraseAndBetweenRetrievalSteps)
{
    // A 1 KB area: stores and retrievals of a few hundred bytes take several 256-byte steps.
    WriteSupport("ConfigEndAddress=0x0383FF\r\n", {"ConfigEndAddress"});
    const char kStoreAborted[] = "Storing configuration aborted; the flash was not changed.";
    const std::vector<uint8_t> config = Config(600);
    CConfigStorage storage(page_);

    // Asked before it starts: no question, no boot, nothing erased.
    storage.RequestAbort();
    EXPECT_FALSE(storage.StoreConfiguration(config.data(), 600));
    EXPECT_EQ(page_.Lines(), (std::vector<std::string>{kStoreAborted, "Configuration could not be stored."}));
    EXPECT_TRUE(prompt_.Records().empty());
    EXPECT_TRUE(board_->Loader().empty());
    EXPECT_EQ(page_.Abortable(), (std::vector<bool>{true, false}));

    // Asked once the area is being written: the store runs to its end.
    storage.ClearAbort();
    page_.Clear();
    page_.on_progress = [&storage](uint32_t) { storage.RequestAbort(); };
    ASSERT_TRUE(storage.StoreConfiguration(config.data(), 600));
    EXPECT_EQ(page_.Progress().size(), 3u);
    EXPECT_EQ(page_.Abortable(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(board_->Memory(kConfigStart + 32, 600), config);

    // A retrieval stops between two steps and hands out nothing.
    storage.ClearAbort();
    page_.Clear();
    board_->Reset();
    std::vector<uint8_t> back;
    EXPECT_FALSE(storage.RetrieveConfiguration(back));
    EXPECT_TRUE(back.empty());
    EXPECT_EQ(page_.Progress().size(), 1u);
    const std::vector<std::string> lines = page_.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Retrieving configuration aborted.");
    EXPECT_EQ(lines.back(), "Configuration could not be retrieved.");

    // Cleared again, the same retrieval reads everything.
    page_.on_progress = nullptr;
    storage.ClearAbort();
    board_->Reset();
    ASSERT_TRUE(storage.RetrieveConfiguration(back));
    EXPECT_EQ(back, config);
}

TEST_F(ConfigStorageTest, AreaChecksum)
{
    // 100 bytes of 0x01 0x02, erase character 0xFF, area 256: 50 words 0x0201, 78 erased words.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 50; ++i) {
        bytes.insert(bytes.end(), {0x01, 0x02});
    }
    EXPECT_EQ(CConfigStorage::AreaChecksum(bytes.data(), 100, 0xFF, 256),
              static_cast<uint16_t>(50 * 0x0201 + 78 * 0xFFFF));
    // An odd last byte has the erase character above it.
    bytes.push_back(0x07);
    EXPECT_EQ(CConfigStorage::AreaChecksum(bytes.data(), 101, 0xFF, 256),
              static_cast<uint16_t>(50 * 0x0201 + 0xFF07 + 77 * 0xFFFF));
}

}  // namespace
