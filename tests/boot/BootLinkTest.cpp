#include "BootFixture.h"

#include "boot/BootCommHandler.h"
#include "platform/Notify.h"
#include "shell/AppSettings.h"

namespace {

class CRecordingSink : public INotifySink {
public:
    void Post(int offset, uintptr_t wparam, const std::string& text) override
    {
        std::lock_guard<std::mutex> guard(lock);
        posts.push_back({offset, wparam, text});
    }
    struct Entry {
        int offset;
        uintptr_t wparam;
        std::string text;
        bool operator==(const Entry&) const = default;
    };
    std::mutex lock;
    std::vector<Entry> posts;
};

class BootLinkTest : public BootTest {
protected:
    CPageRecorder page_;
};

TEST_F(BootLinkTest, BootSendsTheImagesSetsRegistersAndNotifies)
{
    CRecordingSink sink;
    {
        CScopedNotifySink installed(sink);
        {
            CBootCommHandler boot(page_);
            ASSERT_TRUE(boot.Boot());
            EXPECT_EQ(boot.LoadedDriver(), -1);
        }
    }
    EXPECT_EQ(page_.Lines(), (std::vector<std::string>{"Opening COM port.", "Bootstrapping controller board.",
                                                       "Loading boot monitor.", "Testing communication with monitor.",
                                                       "Setting special function registers.",
                                                       "Booting controller board finished."}));
    EXPECT_EQ(board_->Loader(), loader_);
    EXPECT_EQ(board_->Monitor(), monitor_);
    // The second register's data keep their low 16 bits.
    EXPECT_EQ(board_->WordWrites(),
              (std::vector<std::pair<uint32_t, uint16_t>>{{0xFF12, 0x1234}, {0xFF14, 0x0055}}));
    const std::string port = board_->DevicePath();
    EXPECT_EQ(sink.posts, (std::vector<CRecordingSink::Entry>{{kNotifyConnection, 1, port}, {kNotifyConnection, 0, ""}}));
    EXPECT_TRUE(prompt_.Texts().empty());
}

struct BootFailureRow {
    const char* name;
    int wrong_ids;
    std::vector<std::string> drop;  // description keys removed
    bool ok;
    std::vector<std::string> lines_expected;  // lines that must appear (in this order)
    std::vector<std::string> messages;        // message boxes
};

TEST_F(BootLinkTest, BootFailuresAndRetries)
{
    const std::string wrong =
        "Invalid response during initial handskake on serial link. Received 0x55 instead of 0xc5. Check selected "
        "processor in Preferences.";
    const std::vector<BootFailureRow> rows = {
        {"one wrong identification byte is retried", 1, {}, true, {wrong, "Loading boot monitor."}, {wrong}},
        {"two wrong identification bytes fail the bootstrap", 2, {}, false,
         {wrong, wrong, "Bootstrapping controller board FAILED.", "Booting controller board FAILED."}, {wrong, wrong}},
        {"no boot loader named", 0, {"BootLoader"}, false,
         {"No bootstrap filename found in .ini file.", "No bootstrap filename found in .ini file.",
          "Bootstrapping controller board FAILED."},
         {"No bootstrap filename found in .ini file.", "No bootstrap filename found in .ini file."}},
    };
    for (const BootFailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        WriteSupport("", row.drop);
        board_ = std::make_unique<CFakeBootBoard>(Setup());
        AppSettings::SetComPort(board_->DevicePath());
        board_->wrong_id = row.wrong_ids;
        prompt_.Clear();
        page_.Clear();
        CBootCommHandler boot(page_);
        EXPECT_EQ(boot.Boot(), row.ok);
        const std::vector<std::string> lines = page_.Lines();
        auto at = lines.begin();
        for (const std::string& line : row.lines_expected) {
            at = std::find(at, lines.end(), line);
            ASSERT_NE(at, lines.end()) << "missing in order: " << line;
            ++at;
        }
        EXPECT_EQ(prompt_.Texts(), row.messages);
    }
}

TEST_F(BootLinkTest, MissingPortIsReported)
{
    AppSettings::SetComPort(folder_.File("no-such-port"));
    CBootCommHandler boot(page_);
    EXPECT_FALSE(boot.Boot());
    EXPECT_EQ(page_.Lines(), (std::vector<std::string>{"Opening COM port.",
                                                       "Opening COM port FAILED. Another program may be using it.",
                                                       "Booting controller board FAILED."}));
}

TEST_F(BootLinkTest, BlocksWordsAndDriverCalls)
{
    CBootCommHandler boot(page_);
    ASSERT_TRUE(boot.Boot());
    uint8_t return_byte = 0xFF;
    std::vector<uint8_t> data(300);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 13);
    }
    ASSERT_TRUE(boot.WriteBlock(0x00E000, static_cast<uint32_t>(data.size()), data.data(), return_byte));
    EXPECT_EQ(board_->Memory(0x00E000, data.size()), data);
    std::vector<uint8_t> back(data.size());
    ASSERT_TRUE(boot.ReadBlock(0x00E000, static_cast<uint32_t>(back.size()), back.data(), return_byte));
    EXPECT_EQ(back, data);

    // A block longer than the 16-bit length field is refused without being cut.
    std::vector<uint8_t> huge(0x10000);
    EXPECT_FALSE(boot.WriteBlock(0x00E000, static_cast<uint32_t>(huge.size()), huge.data(), return_byte));
    EXPECT_TRUE(page_.HasLine("Writing block FAILED."));

    // Two calls with driver 0 load it once; driver 1 replaces it.
    uint16_t result = 0xFFFF;
    ASSERT_TRUE(boot.ProgramFlash(4, 0x00E000, 0x020000, 0, result, return_byte));
    ASSERT_TRUE(boot.ProgramFlash(4, 0x00E004, 0x020004, 0, result, return_byte));
    EXPECT_EQ(board_->DriverLoads(), 1);
    EXPECT_EQ(boot.DriverEntryAddress(), 0x00F000u);
    ASSERT_TRUE(boot.EraseSection(2, 1, result, return_byte));
    EXPECT_EQ(board_->DriverLoads(), 2);
    EXPECT_EQ(boot.LoadedDriver(), 1);
    EXPECT_TRUE(page_.HasLine("Flash manufacturer code: 0x00c2; device ID: 0x22da."));
    // Programming only clears bits: 0x5A & data.
    const std::vector<uint8_t> flash = board_->Memory(0x020000, 8);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(flash[i], 0x5A & data[i]) << i;
    }
}

TEST_F(BootLinkTest, MonitorFaultsAreRetriedAfterARecoveryPause)
{
    std::vector<uint32_t> pauses;
    CSleepHook count_pauses([&](uint32_t ms) { pauses.push_back(ms); });
    CBootCommHandler boot(page_);
    ASSERT_TRUE(boot.Boot());
    uint8_t return_byte = 0;
    const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6};

    board_->bad_block_checksum = 1;
    EXPECT_TRUE(boot.WriteBlock(0x00E000, 6, data.data(), return_byte));
    EXPECT_EQ(pauses, std::vector<uint32_t>{1000});

    board_->bad_block_checksum = 4;
    EXPECT_FALSE(boot.WriteBlock(0x00E000, 6, data.data(), return_byte));
    EXPECT_EQ(pauses.size(), 5u);
    EXPECT_EQ(page_.Lines().back(), "Writing block FAILED.");

    // A reply that arrives only in part fails the attempt after the read time-out.
    board_->lose_read_byte = 1;
    std::vector<uint8_t> back(6);
    EXPECT_TRUE(boot.ReadBlock(0x00E000, 6, back.data(), return_byte));
    EXPECT_EQ(back, data);
    EXPECT_EQ(pauses.size(), 6u);
}

TEST_F(BootLinkTest, DriverErrorsAndTheSectionZeroRule)
{
    CBootCommHandler boot(page_);
    ASSERT_TRUE(boot.Boot());
    uint16_t result = 0;
    uint8_t return_byte = 0;
    ASSERT_TRUE(boot.EraseSection(1, 0, result, return_byte));  // loads the driver first
    board_->driver_error = 1;
    EXPECT_TRUE(boot.EraseSection(0, 0, result, return_byte));
    EXPECT_EQ(result, 0x0010);
    board_->driver_error = 1;
    EXPECT_FALSE(boot.EraseSection(1, 0, result, return_byte));
    EXPECT_EQ(result, 0x0010);
    board_->driver_error = 1;
    EXPECT_FALSE(boot.ProgramFlash(2, 0x00E000, 0x020000, 0, result, return_byte));
    EXPECT_EQ(result, 0x0010);
}

TEST_F(BootLinkTest, DriverCallWithoutADriverFailsWithoutSending)
{
    CBootCommHandler boot(page_);
    ASSERT_TRUE(boot.Boot());
    const uint64_t written = boot.BytesWritten();
    std::array<uint16_t, 8> words{6, 0, 0, 0, 0, 0, 0, 0};
    uint8_t return_byte = 0;
    EXPECT_FALSE(boot.CallFlashDriver(words, 1, return_byte));
    EXPECT_EQ(page_.Lines().back(), "Flash driver action FAILED.");
    EXPECT_EQ(boot.BytesWritten(), written);
}

}  // namespace
