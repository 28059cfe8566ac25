#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sys/stat.h>

#include "HexRecords.h"
#include "TestSupport.h"
#include "boot/HexBinFile.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

namespace {

std::vector<HexChunk> Blocks(const CHexBinFile& image)
{
    std::vector<HexChunk> blocks;
    const tagDataBlock* position = image.GetFirstBlock();
    while (position != nullptr) {
        uint32_t address = 0;
        uint32_t size = 0;
        const uint8_t* data = image.GetNextBlock(position, address, size);
        blocks.push_back({address, std::vector<uint8_t>(data, data + size)});
    }
    return blocks;
}

std::string Join(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

std::string Replace(std::string text, const std::string& what, const std::string& with)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
    return text;
}

struct LoadRow {
    const char* name;
    std::vector<std::string> lines;
    uint32_t bound;
    bool ok;
    std::string message;            // expected message box; {F} stands for the file name
    std::vector<HexChunk> blocks;   // expected blocks (checked also after a failure)
};

const std::string kEof = kEndOfFile;

std::vector<LoadRow> LoadRows()
{
    std::string bad_checksum = DataRecord(0x0000, {1, 2});
    bad_checksum.back() = bad_checksum.back() == '0' ? '1' : '0';
    return {
        {"adjacent records ascending are joined", {DataRecord(0, {1, 2}), DataRecord(2, {3, 4}), kEof}, 0xFFFFFFFF,
         true, "", {{0, {1, 2, 3, 4}}}},
        {"adjacent records descending are joined", {DataRecord(2, {3, 4}), DataRecord(0, {1, 2}), kEof}, 0xFFFFFFFF,
         true, "", {{0, {1, 2, 3, 4}}}},
        {"a join stops at the bound",
         {DataRecord(0, {1, 2}), DataRecord(2, {3, 4}), DataRecord(4, {5, 6}), kEof}, 4, true, "",
         {{0, {1, 2, 3, 4}}, {4, {5, 6}}}},
        {"a join may reach the bound exactly",
         {DataRecord(0, {1, 2}), DataRecord(2, {3, 4}), DataRecord(4, {5, 6}), kEof}, 6, true, "",
         {{0, {1, 2, 3, 4, 5, 6}}}},
        {"no bound joins every run and keeps gaps",
         {DataRecord(0x100, {9}), DataRecord(4, {5, 6}), DataRecord(0, {1, 2}), DataRecord(2, {3, 4}), kEof},
         0xFFFFFFFF, true, "", {{0, {1, 2, 3, 4, 5, 6}}, {0x100, {9}}}},
        {"without an end-of-file record nothing is joined", {DataRecord(0, {1, 2}), DataRecord(2, {3, 4})},
         0xFFFFFFFF, true, "", {{0, {1, 2}}, {2, {3, 4}}}},
        {"records after the end-of-file record are read but wait for the next one",
         {DataRecord(0, {1}), DataRecord(1, {2}), kEof, DataRecord(2, {3})}, 0xFFFFFFFF, true, "",
         {{0, {1, 2}}, {2, {3}}}},
        {"blanks around a line are ignored", {"  " + DataRecord(0, {7}) + " \t", kEof + "  "}, 0xFFFFFFFF, true, "",
         {{0, {7}}}},
        {"extended linear 0x0123 with offset 0x4567 is 0x234567", {ExtendedLinear(0x0123), DataRecord(0x4567, {1}),
         kEof}, 0xFFFFFFFF, true, "", {{0x234567, {1}}}},
        {"extended segment address times 16 plus offset", {ExtendedSegment(0x1234), DataRecord(0x0010, {1}), kEof},
         0xFFFFFFFF, true, "", {{0x12350, {1}}}},
        {"a segment record after a linear one is ignored",
         {ExtendedLinear(0x0001), ExtendedSegment(0x1000), DataRecord(0, {1}), kEof}, 0xFFFFFFFF, true, "",
         {{0x10000, {1}}}},
        {"a linear record after a segment one is ignored",
         {ExtendedSegment(0x1000), ExtendedLinear(0x0002), DataRecord(0x10, {1}), kEof}, 0xFFFFFFFF, true, "",
         {{0x10010, {1}}}},
        {"a segment record after a linear one is not even checked",
         {ExtendedLinear(0x0001), ":02000002100000", DataRecord(0, {1}), kEof}, 0xFFFFFFFF, true, "",
         {{0x10000, {1}}}},
        {"start linear address records are accepted", {HexRecord(5, 0, {0x12, 0x34, 0x56, 0x78}), kEof}, 0xFFFFFFFF,
         true, "", {}},
        {"an empty record at the address of another is no overlap", {DataRecord(0x10, {1, 2}), DataRecord(0x10, {}),
         kEof}, 0xFFFFFFFF, true, "", {{0x10, {1, 2}}}},
        {"an unreadable checksum counts as 0xFF", {":0100000000", kEof}, 0xFFFFFFFF, true, "", {{0, {0}}}},
        {"missing data pairs count as 0", {":03000000FE", kEof}, 0xFFFFFFFF, true, "", {{0, {0xFE, 0, 0}}}},

        {"lower-case end-of-file record", {DataRecord(0, {1}), ":00000001ff"}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nInvalid End Of File record.", {{0, {1}}}},
        {"an empty line after the end-of-file record", {DataRecord(0, {1}), kEof, ""}, 0xFFFFFFFF, false,
         "Error in file \"{F}\".\r\nUnknown type in record: 0xffffffff.", {{0, {1}}}},
        {"record type 6", {HexRecord(6, 0, {})}, 0xFFFFFFFF, false,
         "Error in file \"{F}\".\r\nUnknown type in record: 0x06.", {}},
        {"a short line has no type", {":10"}, 0xFFFFFFFF, false,
         "Error in file \"{F}\".\r\nUnknown type in record: 0xffffffff.", {}},
        {"checksum error", {bad_checksum}, 0xFFFFFFFF, false, "Checksum error in hex file \"{F}\".", {}},
        {"data record without data", {":10000000"}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nIncorrect data record \":10000000\".", {}},
        {"data record with a signed count", {":-1000000FF"}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nIncorrect data record \":-1000000FF\".", {}},
        {"end-of-file record with trailing text", {":00000001FF00"}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nInvalid End Of File record.", {}},
        {"extended segment record of three bytes", {HexRecord(2, 0, {0x10, 0, 0})}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nInvalid Extended Segment Address record.", {}},
        {"extended linear record with an offset", {HexRecord(4, 1, {0, 1})}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nInvalid Extended Linear Address record.", {}},
        {"extended linear record with a bad checksum", {":020000040001F0"}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nInvalid Extended Linear Address record.", {}},
        {"start segment address with a top byte", {HexRecord(3, 0, {0x01, 0, 0, 0})}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nInvalid Start Segment Address record.", {}},
        {"start linear address with a bad checksum", {":0400000512345678FF"}, 0xFFFFFFFF, false,
         "Error in hex file \"{F}\".\r\nInvalid Start Linear Address record.", {}},

        {"a record at the address of another overlaps", {DataRecord(0x10, {1, 2}), DataRecord(0x10, {3})},
         0xFFFFFFFF, false,
         "Overlapping record in .hex file:\r\nRecord 1: Address 0x00000010, Size 0x00000002\r\n"
         "Record 2: Address 0x00000010, Size 0x00000001",
         {{0x10, {3}}, {0x10, {1, 2}}}},
        {"a record inside its predecessor", {DataRecord(0x10, {1, 2, 3, 4}), DataRecord(0x12, {5})}, 0xFFFFFFFF,
         false,
         "Overlapping record in .hex file:\r\nRecord 1: Address 0x00000012, Size 0x00000001\r\n"
         "Record 2: Address 0x00000010, Size 0x00000004",
         {{0x10, {1, 2, 3, 4}}, {0x12, {5}}}},
        {"a record running into its successor",
         {DataRecord(0x00, {1}), DataRecord(0x10, {1, 2}), DataRecord(0x0F, {7, 8})}, 0xFFFFFFFF, false,
         "Overlapping record in .hex file:\r\nRecord 1: Address 0x00000010, Size 0x00000002\r\n"
         "Record 2: Address 0x0000000f, Size 0x00000002",
         {{0, {1}}, {0x0F, {7, 8}}, {0x10, {1, 2}}}},
        {"an overlap is reported before a later checksum error",
         {DataRecord(0x10, {1, 2}), DataRecord(0x11, {3}), ":0100000000FF"}, 0xFFFFFFFF, false,
         "Overlapping record in .hex file:\r\nRecord 1: Address 0x00000011, Size 0x00000001\r\n"
         "Record 2: Address 0x00000010, Size 0x00000002",
         {{0x10, {1, 2}}, {0x11, {3}}}},
        {"a record after an end-of-file record overlapping a joined block",
         {DataRecord(0x10, {1, 2}), DataRecord(0x12, {3, 4}), kEof, DataRecord(0x13, {5})}, 0xFFFFFFFF, false,
         "Overlapping record in .hex file:\r\nRecord 1: Address 0x00000013, Size 0x00000001\r\n"
         "Record 2: Address 0x00000010, Size 0x00000004",
         {{0x10, {1, 2, 3, 4}}, {0x13, {5}}}},
        {"a record running into the first block", {DataRecord(0x10, {1, 2}), DataRecord(0x0F, {7, 8})}, 0xFFFFFFFF,
         false,
         "Overlapping record in .hex file:\r\nRecord 1: Address 0x00000010, Size 0x00000002\r\n"
         "Record 2: Address 0x0000000f, Size 0x00000002",
         {{0x0F, {7, 8}}, {0x10, {1, 2}}}},
    };
}

class HexBinFileTest : public ::testing::Test {
protected:
    CTempFolder folder_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_{prompt_};
};

TEST_F(HexBinFileTest, LoadTable)
{
    for (const LoadRow& row : LoadRows()) {
        SCOPED_TRACE(row.name);
        prompt_.Clear();
        const std::string path = folder_.Write("image.hex", Join(row.lines));
        CHexBinFile image(path);
        EXPECT_EQ(image.Load(row.bound), row.ok);
        const std::vector<std::string> texts = prompt_.Texts();
        if (row.message.empty()) {
            EXPECT_TRUE(texts.empty()) << texts.front();
        } else {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0], Replace(row.message, "{F}", path));
        }
        const std::vector<HexChunk> blocks = Blocks(image);
        ASSERT_EQ(blocks.size(), row.blocks.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].address, row.blocks[i].address) << "block " << i;
            EXPECT_EQ(blocks[i].bytes, row.blocks[i].bytes) << "block " << i;
        }
    }
}

TEST_F(HexBinFileTest, MissingFileIsReported)
{
    const std::string path = folder_.File("absent.hex");
    CHexBinFile image(path);
    EXPECT_FALSE(image.Load(CHexBinFile::kNoBound));
    EXPECT_EQ(prompt_.Texts(), std::vector<std::string>{"Error opening file \"" + path + "\"."});
    EXPECT_EQ(image.GetFirstBlock(), nullptr);
}

// A FIFO would block the reader for ever and /dev/zero would be read until the memory runs out;
// both are refused at once, the message saying why.
TEST_F(HexBinFileTest, SpecialFilesAreRefusedAtOnce)
{
    const std::string fifo = folder_.File("pipe.hex");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {std::string("/dev/zero"), fifo}) {
        SCOPED_TRACE(path);
        prompt_.Clear();
        CHexBinFile image(path);
        EXPECT_FALSE(image.Load(CHexBinFile::kNoBound));
        EXPECT_EQ(prompt_.Texts(),
                  std::vector<std::string>{"Error opening file \"" + path + "\".\r\nIt is not a regular file."});
        EXPECT_FALSE(CHexBinFile::HoldsNoData(path));
    }
}

// An image without a data record has nothing to program (the download refuses it up front).
TEST_F(HexBinFileTest, HoldsNoDataTellsAnImageWithNothingToProgram)
{
    const struct {
        const char* name;
        std::string text;
        bool no_data;
    } rows[] = {
        {"an empty file", "", true},
        {"only an end-of-file record", kEof + "\r\n", true},
        {"address records and empty data records", ExtendedLinear(0xC0) + "\r\n" + DataRecord(0, {}) + "\r\n" + kEof,
         true},
        {"one data byte", DataRecord(0x10, {1}) + "\r\n" + kEof, false},
        {"a data record that will not load", ":10000000\r\n", false},
        {"a last line without its line end", kEof + "\r\n" + DataRecord(0, {7}), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CHexBinFile::HoldsNoData(folder_.Write("image.hex", row.text)), row.no_data);
    }
    EXPECT_FALSE(CHexBinFile::HoldsNoData(folder_.File("absent.hex")));
}

// The fast field reader must read every line exactly as the C library's reader does.
TEST(HexFieldsTest, FastReaderAgreesWithScanf)
{
    const char* lines[] = {":10000000AABB", ":1A2B3C4Dxyz", ":10000000  AB CD", ":10000000", ":1000000",
                           ":+1000000AB", ":-1000000AB", ": 1000000AB", ":10 00000AB", "10000000AB",
                           ":0X000000AB", ":00x00000", ":ffffffff00", ""};
    for (const char* text : lines) {
        SCOPED_TRACE(text);
        std::string fast_data;
        std::string scan_data;
        const tagHexFields fast = CHexBinFile::ReadDataFields(text, fast_data);
        const tagHexFields scan = CHexBinFile::ScanDataFields(text, scan_data);
        EXPECT_EQ(fast.read, scan.read);
        EXPECT_EQ(fast_data, scan_data);
        if (scan.read >= 1) {
            EXPECT_EQ(fast.count, scan.count);
        }
        if (scan.read >= 2) {
            EXPECT_EQ(fast.offset, scan.offset);
        }
        if (scan.read >= 3) {
            EXPECT_EQ(fast.type, scan.type);
        }
    }
}

// Records in any order load to the same blocks as the same records in ascending order.
TEST_F(HexBinFileTest, RecordOrderDoesNotChangeTheImage)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        // Records of 1 to 32 bytes, often exactly adjacent, never overlapping, across pages.
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> records;
        uint32_t address = random() % 0x1000;
        const int count = 1 + static_cast<int>(random() % 400);
        for (int i = 0; i < count; ++i) {
            size_t size = 1 + random() % 32;
            size = std::min<size_t>(size, 0x10000 - (address & 0xFFFF));
            std::vector<uint8_t> bytes(size);
            for (uint8_t& byte : bytes) {
                byte = static_cast<uint8_t>(random());
            }
            records.emplace_back(address, bytes);
            address += static_cast<uint32_t>(size);
            if (random() % 3 == 0) {
                address += 1 + random() % 0x3000;
            }
        }
        const auto write = [&](const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& order) {
            std::string text;
            for (const auto& [at, bytes] : order) {
                text += ExtendedLinear(static_cast<uint16_t>(at >> 16)) + "\r\n" +
                        DataRecord(static_cast<uint16_t>(at & 0xFFFF), bytes) + "\r\n";
            }
            return text + kEndOfFile + "\r\n";
        };
        const uint32_t bounds[] = {CHexBinFile::kNoBound, 64, static_cast<uint32_t>(1 + random() % 100)};
        const uint32_t bound = bounds[round % 3];
        CHexBinFile sorted(folder_.Write("sorted.hex", write(records)));
        ASSERT_TRUE(sorted.Load(bound));
        std::shuffle(records.begin(), records.end(), random);
        CHexBinFile shuffled(folder_.Write("shuffled.hex", write(records)));
        ASSERT_TRUE(shuffled.Load(bound));
        const std::vector<HexChunk> expected = Blocks(sorted);
        const std::vector<HexChunk> actual = Blocks(shuffled);
        ASSERT_EQ(actual.size(), expected.size());
        for (size_t i = 0; i < actual.size(); ++i) {
            EXPECT_EQ(actual[i].address, expected[i].address);
            EXPECT_EQ(actual[i].bytes, expected[i].bytes);
            EXPECT_LE(actual[i].bytes.size(), std::max<size_t>(bound, 32));
            if (i > 0) {
                EXPECT_GE(actual[i].address, expected[i - 1].address + expected[i - 1].bytes.size());
            }
        }
        EXPECT_TRUE(prompt_.Texts().empty());
    }
}

// The reference: every record inserted into a sorted singly linked list as it is read, with the
// overlap checks at the insertion point, joined at each end-of-file record.
struct ReferenceImage {
    struct Block {
        uint32_t address;
        std::vector<uint8_t> bytes;
    };
    std::vector<Block> list;  // kept in list order
    std::string message;

    bool Insert(uint32_t address, const std::vector<uint8_t>& bytes)
    {
        const auto end = [](const Block& block) { return uint64_t{block.address} + block.bytes.size(); };
        const auto text = [this](const Block& one, const Block& two) {
            message = Format("Overlapping record in .hex file:\r\nRecord 1: Address 0x%08x, Size 0x%08x\r\n"
                             "Record 2: Address 0x%08x, Size 0x%08x",
                             one.address, static_cast<unsigned>(one.bytes.size()), two.address,
                             static_cast<unsigned>(two.bytes.size()));
            return false;
        };
        const Block added{address, bytes};
        if (list.empty()) {
            list.push_back(added);
            return true;
        }
        if (list.front().address >= address) {
            list.insert(list.begin(), added);
            return end(added) > list[1].address ? text(list[1], added) : true;
        }
        size_t at = 0;
        while (at + 1 < list.size() && list[at + 1].address < address) {
            ++at;
        }
        list.insert(list.begin() + at + 1, added);
        if (end(list[at]) > address) {
            return text(added, list[at]);
        }
        if (at + 2 < list.size() && end(added) > list[at + 2].address) {
            return text(list[at + 2], added);
        }
        return true;
    }

    void Join(uint32_t bound)
    {
        for (size_t i = 0; i < list.size(); ++i) {
            while (i + 1 < list.size() && list[i + 1].address == list[i].address + list[i].bytes.size() &&
                   uint64_t{list[i].bytes.size()} + list[i + 1].bytes.size() <= bound) {
                list[i].bytes.insert(list[i].bytes.end(), list[i + 1].bytes.begin(), list[i + 1].bytes.end());
                list.erase(list.begin() + i + 1);
            }
        }
    }
};

// Random records, sometimes overlapping, sometimes empty, with end-of-file records in between:
// the loader must stop at the same record with the same message and hold the same blocks as the
// record-by-record reference.
TEST_F(HexBinFileTest, SameVerdictsAsRecordByRecordInsertion)
{
    std::mt19937 random(4711);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        ReferenceImage reference;
        const uint32_t bound = round % 2 == 0 ? CHexBinFile::kNoBound : 8 + random() % 40;
        std::string text;
        bool reference_ok = true;
        const int count = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) {
            if (random() % 10 == 0) {
                text += std::string(kEndOfFile) + "\r\n";
                if (reference_ok) {
                    reference.Join(bound);
                }
                continue;
            }
            const uint16_t address = static_cast<uint16_t>(random() % 400);
            std::vector<uint8_t> bytes(random() % 5 == 0 ? 0 : 1 + random() % 12);
            for (uint8_t& byte : bytes) {
                byte = static_cast<uint8_t>(random());
            }
            text += DataRecord(address, bytes) + "\r\n";
            if (reference_ok) {
                reference_ok = reference.Insert(address, bytes);
            }
        }
        prompt_.Clear();
        CHexBinFile image(folder_.Write("random.hex", text));
        EXPECT_EQ(image.Load(bound), reference_ok);
        const std::vector<std::string> texts = prompt_.Texts();
        if (reference_ok) {
            EXPECT_TRUE(texts.empty());
        } else {
            ASSERT_EQ(texts.size(), 1u);
            EXPECT_EQ(texts[0], reference.message);
        }
        const std::vector<HexChunk> blocks = Blocks(image);
        ASSERT_EQ(blocks.size(), reference.list.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].address, reference.list[i].address) << i;
            EXPECT_EQ(blocks[i].bytes, reference.list[i].bytes) << i;
        }
    }
}

// Plain firmware images (no overlap, no empty record, data before the end-of-file record) take
// the page image; they must give exactly the reference's blocks too, with and without the
// end-of-file record, with a failure in the middle, and with lines longer than the read buffer.
TEST_F(HexBinFileTest, PlainImagesGiveTheReferenceBlocks)
{
    std::mt19937 random(977);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::pair<uint32_t, std::vector<uint8_t>>> records;
        uint32_t address = static_cast<uint32_t>(random() % 0x20000);
        const int count = 1 + static_cast<int>(random() % 300);
        for (int i = 0; i < count; ++i) {
            const size_t size = 1 + random() % 40;
            if ((address & 0xFFFF) + size > 0x10000) {
                address = (address & ~0xFFFFu) + 0x10000;
            }
            std::vector<uint8_t> bytes(size);
            for (uint8_t& byte : bytes) {
                byte = static_cast<uint8_t>(random());
            }
            records.emplace_back(address, bytes);
            address += static_cast<uint32_t>(size) + (random() % 4 == 0 ? 1 + random() % 5000 : 0);
        }
        std::shuffle(records.begin(), records.end(), random);
        const bool with_end = round % 4 != 0;
        const bool with_failure = round % 7 == 0;
        const uint32_t bound = round % 2 == 0 ? CHexBinFile::kNoBound : 2 + random() % 300;
        ReferenceImage reference;
        std::string text;
        for (size_t i = 0; i < records.size(); ++i) {
            const auto& [at, bytes] = records[i];
            if (with_failure && i == records.size() / 2) {
                text += "garbage\r\n";
                break;
            }
            text += ExtendedLinear(static_cast<uint16_t>(at >> 16)) + "\r\n" +
                    DataRecord(static_cast<uint16_t>(at & 0xFFFF), bytes) + "\r\n";
            ASSERT_TRUE(reference.Insert(at, bytes));
        }
        if (with_end && !with_failure) {
            text += std::string(kEndOfFile) + "\r\n";
            reference.Join(bound);
        }
        if (round % 5 == 0) {
            text = std::string(1 << 21, ' ') + text;  // a first line longer than the read buffer
        }
        prompt_.Clear();
        CHexBinFile image(folder_.Write("plain.hex", text));
        EXPECT_EQ(image.Load(bound), !with_failure);
        EXPECT_EQ(prompt_.Texts().size(), with_failure ? 1u : 0u);
        const std::vector<HexChunk> blocks = Blocks(image);
        ASSERT_EQ(blocks.size(), reference.list.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].address, reference.list[i].address) << i;
            EXPECT_EQ(blocks[i].bytes, reference.list[i].bytes) << i;
        }
    }
}

}  // namespace
