#include "boot/HexBinFile.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/Format.h"
#include "platform/InputFile.h"
#include "platform/Prompt.h"

namespace {

// Value of each character as a hexadecimal digit, -1 for any other character.
constexpr std::array<int8_t, 256> MakeHexTable()
{
    std::array<int8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        table[c] = c >= '0' && c <= '9' ? static_cast<int8_t>(c - '0')
                   : c >= 'a' && c <= 'f' ? static_cast<int8_t>(c - 'a' + 10)
                   : c >= 'A' && c <= 'F' ? static_cast<int8_t>(c - 'A' + 10)
                                          : int8_t{-1};
    }
    return table;
}
constexpr std::array<int8_t, 256> kHex = MakeHexTable();

inline int HexValue(char c)
{
    return kHex[static_cast<unsigned char>(c)];
}

// The value of count hexadecimal digits at text[pos]; false when one of them is not a digit or
// the text is too short.
inline bool Digits(std::string_view text, size_t pos, size_t count, unsigned& value)
{
    if (pos + count > text.size()) {
        return false;
    }
    unsigned result = 0;
    for (size_t i = 0; i < count; ++i) {
        const int digit = HexValue(text[pos + i]);
        if (digit < 0) {
            return false;
        }
        result = result * 16 + static_cast<unsigned>(digit);
    }
    value = result;
    return true;
}

inline bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// A line as the C string functions see it: up to its first NUL, without surrounding white space.
std::string_view TrimLine(std::string_view line)
{
    const size_t nul = line.find('\0');
    if (nul != std::string_view::npos) {
        line = line.substr(0, nul);
    }
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) {
        ++first;
    }
    size_t last = line.size();
    while (last > first && IsBlank(line[last - 1])) {
        --last;
    }
    return line.substr(first, last - first);
}

// One byte of two digits at text[pos] as "%2x" reads it; false when nothing can be read there.
bool ReadByteAt(std::string_view text, size_t pos, uint8_t& byte)
{
    unsigned value = 0;
    if (Digits(text, pos, 2, value)) {
        byte = static_cast<uint8_t>(value);
        return true;
    }
    if (pos >= text.size()) {
        return false;
    }
    // Signs and other oddities: let the C library decide, exactly as the record format reads.
    const std::string rest(text.substr(pos));
    if (std::sscanf(rest.c_str(), "%2x", &value) != 1) {
        return false;
    }
    byte = static_cast<uint8_t>(value);
    return true;
}

uint8_t Low(unsigned value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

uint8_t High(unsigned value)
{
    return static_cast<uint8_t>((value >> 8) & 0xFF);
}

// ":%2x%4x%2x%s" for a line whose first nine characters are the colon and plain digits, which is
// where the C library's reader and this one are the same; false for any other line.
bool FastDataFields(std::string_view line, tagHexFields& fields, std::string_view& data_text)
{
    if (line.size() < 9 || line[0] != ':' || !Digits(line, 1, 2, fields.count) || !Digits(line, 3, 4, fields.offset) ||
        !Digits(line, 7, 2, fields.type)) {
        return false;
    }
    size_t begin = 9;
    while (begin < line.size() && IsBlank(line[begin])) {
        ++begin;
    }
    size_t end = begin;
    while (end < line.size() && !IsBlank(line[end])) {
        ++end;
    }
    fields.read = end > begin ? 4 : 3;
    data_text = line.substr(begin, end - begin);
    return true;
}

// Record types.
constexpr unsigned kData = 0;
constexpr unsigned kEndOfFile = 1;
constexpr unsigned kExtendedSegment = 2;
constexpr unsigned kStartSegment = 3;
constexpr unsigned kExtendedLinear = 4;
constexpr unsigned kStartLinear = 5;

// The longest data record a count field of two digits can describe.
constexpr unsigned kMaxRecordBytes = 255;

// The fast way's page image: 4 KB pages over every address a record can reach (a 24-bit base
// plus a 16-bit offset plus a record's length).
constexpr uint32_t kPageShift = 12;
constexpr uint32_t kPageBytes = uint32_t{1} << kPageShift;
constexpr uint32_t kHighestAddress = 0xFFFFFF + 0xFFFF + kMaxRecordBytes;
constexpr size_t kPageCount = (kHighestAddress >> kPageShift) + 1;

// Reads a file line by line (split at LF) through one fixed buffer; a line that runs over the
// buffer's end is put together in a string of its own.
class CLineReader {
public:
    // False when the file cannot be opened; File() tells why.
    bool Open(const std::string& path) { return file_.Open(path) == ReadFileResult::Ok; }
    const CInputFile& File() const { return file_; }
    // The next line, without its LF; valid until the next call. False at the end of the file or
    // after a read error (Failed() then).
    bool Next(std::string_view& line)
    {
        carry_.clear();
        for (;;) {
            const char* begin = buffer_.data() + position_;
            const char* newline = static_cast<const char*>(std::memchr(begin, '\n', length_ - position_));
            if (newline != nullptr) {
                const size_t count = static_cast<size_t>(newline - begin);
                position_ += count + 1;
                if (carry_.empty()) {
                    line = std::string_view(begin, count);
                } else {
                    carry_.append(begin, count);
                    line = carry_;
                }
                return true;
            }
            carry_.append(begin, length_ - position_);
            position_ = length_ = 0;
            if (at_end_) {
                // A last line without LF comes once; the next call finds nothing more.
                line = carry_;
                return !carry_.empty();
            }
            const ssize_t got = file_.Read(buffer_.data(), buffer_.size());
            if (got < 0) {
                failed_ = true;
                return false;
            }
            length_ = static_cast<size_t>(got);
            at_end_ = got == 0;
        }
    }
    bool Failed() const { return failed_; }

private:
    CInputFile file_;
    std::vector<char> buffer_ = std::vector<char>(size_t{1} << 20);
    size_t position_ = 0;
    size_t length_ = 0;
    bool at_end_ = false;
    bool failed_ = false;
    std::string carry_;
};

}  // namespace

struct CHexBinFile::tagPage {
    uint64_t occupied[kPageBytes / 64] = {};  // a bit per byte that holds data
    uint64_t starts[kPageBytes / 64] = {};    // a bit per byte where a record starts
    uint8_t data[kPageBytes];
};

CHexBinFile::CHexBinFile(std::string file_name) : file_name_(std::move(file_name)) {}

CHexBinFile::~CHexBinFile() = default;

const uint8_t* CHexBinFile::GetNextBlock(const tagDataBlock*& position, uint32_t& address, uint32_t& size) const
{
    if (position == nullptr) {
        address = 0;
        size = 0;
        return nullptr;
    }
    const tagDataBlock* block = position;
    address = block->address;
    size = block->size;
    position = block->next;
    return block->data.data();
}

bool CHexBinFile::ReadType(const std::string& line, unsigned& type)
{
    if (Digits(line, 7, 2, type)) {
        return true;
    }
    if (line.size() <= 7) {
        return false;
    }
    return std::sscanf(line.c_str() + 7, "%2x", &type) == 1;
}

tagHexFields CHexBinFile::ScanDataFields(const std::string& line, std::string& data_text)
{
    tagHexFields fields;
    std::vector<char> text(line.size() + 1, '\0');
    const int read = std::sscanf(line.c_str(), ":%2x%4x%2x%s", &fields.count, &fields.offset, &fields.type, text.data());
    fields.read = read < 0 ? 0 : read;
    data_text = fields.read == 4 ? std::string(text.data()) : std::string();
    return fields;
}

tagHexFields CHexBinFile::ReadDataFields(const std::string& line, std::string& data_text)
{
    tagHexFields fields;
    std::string_view view;
    if (FastDataFields(line, fields, view)) {
        data_text = std::string(view);
        return fields;
    }
    return ScanDataFields(line, data_text);
}

tagHexFields CHexBinFile::ReadAddressFields(std::string_view line, int value_digits)
{
    // A line of plain digits long enough for every field reads as the C library reads it.
    tagHexFields fields;
    const size_t digits = static_cast<size_t>(value_digits);
    if (line.size() >= 11 + digits && line[0] == ':' && Digits(line, 1, 2, fields.count) &&
        Digits(line, 3, 4, fields.offset) && Digits(line, 7, 2, fields.type) && Digits(line, 9, digits, fields.value) &&
        Digits(line, 9 + digits, 2, fields.checksum)) {
        fields.read = 5;
        return fields;
    }
    return ScanAddressFields(std::string(line), value_digits);
}

tagHexFields CHexBinFile::ScanAddressFields(const std::string& line, int value_digits)
{
    tagHexFields fields;
    const char* format = value_digits == 8 ? ":%2x%4x%2x%8x%2x" : ":%2x%4x%2x%4x%2x";
    const int read =
        std::sscanf(line.c_str(), format, &fields.count, &fields.offset, &fields.type, &fields.value, &fields.checksum);
    fields.read = read < 0 ? 0 : read;
    return fields;
}

bool CHexBinFile::ShowFailure(const std::string& text) const
{
    ShowMessage(text, PromptIcon::Error);
    return false;
}

bool CHexBinFile::Fail(const std::string& text)
{
    failure_ = text;
    return false;
}

void CHexBinFile::Reset()
{
    // A second load starts from an empty image, as a fresh object would.
    mode_ = Mode::None;
    segment_base_ = 0;
    upper_linear_ = 0;
    failure_.clear();
    overlap_ = false;
    arena_.clear();
    pending_.clear();
    units_.clear();
    unit_pieces_.clear();
    next_seq_ = 0;
    blocks_.clear();
    index_.clear();
    first_ = nullptr;
    fall_back_ = false;
    end_of_file_seen_ = false;
    pages_.clear();
}

bool CHexBinFile::ReadLines(bool& lines_ok)
{
    CLineReader reader;
    if (!reader.Open(file_name_)) {
        // A FIFO or a device is refused at once; say why where the name alone would not.
        const std::string& why = reader.File().RefusalText();
        const std::string text = Format("Error opening file \"%s\".", file_name_.c_str());
        return ShowFailure(why.empty() ? text : text + "\r\n" + why);
    }
    if (!fast_) {
        arena_.reserve(static_cast<size_t>(reader.File().Size() / 2));
    }
    lines_ok = true;
    std::string_view line;
    while (lines_ok && reader.Next(line)) {
        lines_ok = HandleLine(TrimLine(line));
    }
    if (reader.Failed()) {
        return ShowFailure(Format("Error opening file \"%s\".", file_name_.c_str()));
    }
    return true;
}

bool CHexBinFile::Load(uint32_t bound)
{
    Reset();
    bound_ = bound;
    fast_ = true;
    bool ok = true;
    if (!ReadLines(ok)) {
        Reset();
        return false;
    }
    if (fall_back_) {
        Reset();
        bound_ = bound;
        fast_ = false;
        if (!ReadLines(ok)) {
            Reset();
            return false;
        }
    }
    if (fast_) {
        MaterializeFast();
        if (!ok) {
            ShowFailure(failure_);
        }
        return ok;
    }
    if (!overlap_) {
        // Records after the last end-of-file record stay unjoined, but an overlap among them
        // (or before a later failure) is what a record-by-record load would have stopped at.
        if (Commit()) {
            Materialize();
            if (!ok) {
                ShowFailure(failure_);
            }
        }
    }
    return ok && !overlap_;
}

bool CHexBinFile::HoldsNoData(const std::string& file_name)
{
    CLineReader reader;
    if (!reader.Open(file_name)) {
        return false;
    }
    std::string_view line;
    while (reader.Next(line)) {
        const std::string_view trimmed = TrimLine(line);
        tagHexFields fields;
        std::string_view data_text;
        if (!FastDataFields(trimmed, fields, data_text)) {
            std::string slow_text;
            fields = ScanDataFields(std::string(trimmed), slow_text);
        }
        if (fields.read >= 3 && fields.type == kData && fields.count > 0) {
            return false;
        }
    }
    return !reader.Failed();
}

bool CHexBinFile::HandleLine(std::string_view line)
{
    unsigned type = 0xFFFFFFFF;
    if (!Digits(line, 7, 2, type) && !ReadType(std::string(line), type)) {
        type = 0xFFFFFFFF;  // shown as such in the message
    }
    switch (type) {
    case kData: return HandleData(line);
    case kEndOfFile: return HandleEndOfFile(line);
    case kExtendedSegment:
    case kExtendedLinear: return HandleExtendedAddress(line, type);
    case kStartSegment:
    case kStartLinear: return HandleStartAddress(line, type);
    default:
        return Fail(Format("Error in file \"%s\".\r\nUnknown type in record: 0x%02x.", file_name_.c_str(), type));
    }
}

bool CHexBinFile::HandleData(std::string_view line)
{
    // The common case, a line of plain digits, is read without copying it.
    tagHexFields fields;
    std::string_view data_text;
    std::string slow_text;
    if (!FastDataFields(line, fields, data_text)) {
        fields = ScanDataFields(std::string(line), slow_text);
        data_text = slow_text;
    }
    // A count or offset beyond its digits can only come from a sign in the field; such a record
    // is as incorrect as one whose fields cannot be read at all.
    if (fields.read != 4 || fields.count > kMaxRecordBytes || fields.offset > 0xFFFF) {
        return Fail(Format("Error in hex file \"%s\".\r\nIncorrect data record \"%s\".", file_name_.c_str(),
                           std::string(line).c_str()));
    }
    const uint32_t base = mode_ == Mode::Segment ? (static_cast<uint32_t>(segment_base_) * 16) & 0xFFFFFF
                                                 : (static_cast<uint32_t>(upper_linear_) * 65536) & 0xFFFFFF;
    const uint32_t address = base + fields.offset;

    uint8_t data[kMaxRecordBytes];
    unsigned sum = Low(fields.offset) + High(fields.offset) + fields.count + Low(fields.type);
    for (unsigned i = 0; i < fields.count; ++i) {
        uint8_t byte = 0;
        if (!ReadByteAt(data_text, 2 * size_t{i}, byte)) {
            byte = 0;
        }
        data[i] = byte;
        sum += byte;
    }
    uint8_t checksum = 0xFF;
    if (!ReadByteAt(data_text, 2 * size_t{fields.count}, checksum)) {
        checksum = 0xFF;
    }
    sum += checksum;
    if ((sum & 0xFF) != 0) {
        return Fail(Format("Checksum error in hex file \"%s\".", file_name_.c_str()));
    }
    return fast_ ? StoreFast(address, data, fields.count) : StoreExact(address, data, fields.count);
}

bool CHexBinFile::StoreExact(uint32_t address, const uint8_t* data, unsigned count)
{
    const size_t offset = arena_.size();
    arena_.insert(arena_.end(), data, data + count);
    pending_.push_back(tagPiece{address, count, offset, next_seq_++});
    return true;
}

bool CHexBinFile::FastOccupied(uint32_t address) const
{
    const tagPage* page = pages_[address >> kPageShift].get();
    const uint32_t at = address & (kPageBytes - 1);
    return page != nullptr && (page->occupied[at / 64] >> (at % 64) & 1) != 0;
}

bool CHexBinFile::FastStart(uint32_t address) const
{
    const tagPage* page = pages_[address >> kPageShift].get();
    const uint32_t at = address & (kPageBytes - 1);
    return page != nullptr && (page->starts[at / 64] >> (at % 64) & 1) != 0;
}

bool CHexBinFile::StoreFast(uint32_t address, const uint8_t* data, unsigned count)
{
    // Only the plain image is kept this way: where an empty record, an overlap or data after an
    // end-of-file record would have to be placed as a sorted list places it, the exact way reads
    // the file again.
    if (count == 0 || end_of_file_seen_) {
        fall_back_ = true;
        return false;
    }
    if (pages_.empty()) {
        pages_.resize(kPageCount);
    }
    for (unsigned i = 0; i < count; ++i) {
        if (FastOccupied(address + i)) {
            fall_back_ = true;
            return false;
        }
    }
    for (unsigned i = 0; i < count; ++i) {
        const uint32_t at = address + i;
        std::unique_ptr<tagPage>& page = pages_[at >> kPageShift];
        if (!page) {
            page.reset(new tagPage);  // the data stay unset until written
        }
        const uint32_t offset = at & (kPageBytes - 1);
        page->data[offset] = data[i];
        page->occupied[offset / 64] |= uint64_t{1} << (offset % 64);
        if (i == 0) {
            page->starts[offset / 64] |= uint64_t{1} << (offset % 64);
        }
    }
    return true;
}

uint32_t CHexBinFile::FastRecordSize(uint32_t start) const
{
    uint32_t end = start + 1;
    while (end <= kHighestAddress && FastOccupied(end) && !FastStart(end)) {
        ++end;
    }
    return end - start;
}

void CHexBinFile::MaterializeFast()
{
    // The records in address order, joined as a sorted list joins them at its end-of-file
    // record: a record that starts where the block ends goes in while the bound allows.
    std::vector<std::pair<uint32_t, uint32_t>> spans;
    for (size_t p = 0; p < pages_.size(); ++p) {
        const tagPage* page = pages_[p].get();
        if (page == nullptr) {
            continue;
        }
        for (uint32_t word = 0; word < kPageBytes / 64; ++word) {
            for (uint64_t bits = page->starts[word]; bits != 0; bits &= bits - 1) {
                const uint32_t start = static_cast<uint32_t>(p << kPageShift) + word * 64 +
                                       static_cast<uint32_t>(__builtin_ctzll(bits));
                const uint32_t size = FastRecordSize(start);
                if (end_of_file_seen_ && !spans.empty() && spans.back().first + spans.back().second == start &&
                    uint64_t{spans.back().second} + size <= bound_) {
                    spans.back().second += size;
                } else {
                    spans.emplace_back(start, size);
                }
            }
        }
    }
    // Each block gets exactly its size; the pages behind the blocks made so far go at once.
    blocks_.clear();
    blocks_.resize(spans.size());
    size_t freed = 0;
    for (size_t i = 0; i < spans.size(); ++i) {
        tagDataBlock& block = blocks_[i];
        block.address = spans[i].first;
        block.size = spans[i].second;
        block.data.reserve(block.size);
        const uint64_t end = uint64_t{block.address} + block.size;
        for (uint64_t at = block.address; at < end;) {
            const tagPage& page = *pages_[at >> kPageShift];
            const uint32_t offset = static_cast<uint32_t>(at & (kPageBytes - 1));
            const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(end - at, kPageBytes - offset));
            block.data.insert(block.data.end(), page.data + offset, page.data + offset + count);
            at += count;
        }
        const size_t behind = i + 1 < spans.size() ? spans[i + 1].first >> kPageShift : pages_.size();
        for (; freed < behind; ++freed) {
            pages_[freed].reset();
        }
        block.next = i + 1 < spans.size() ? &blocks_[i + 1] : nullptr;
    }
    first_ = blocks_.empty() ? nullptr : &blocks_.front();
    pages_.clear();
    pages_.shrink_to_fit();
}

bool CHexBinFile::HandleEndOfFile(std::string_view line)
{
    if (line != ":00000001FF") {
        return Fail(Format("Error in hex file \"%s\".\r\nInvalid End Of File record.", file_name_.c_str()));
    }
    if (fast_) {
        // Joined when the blocks are handed out; a second join changes nothing.
        end_of_file_seen_ = true;
        return true;
    }
    if (!Commit()) {
        return false;
    }
    JoinUnits();
    return true;
}

bool CHexBinFile::HandleExtendedAddress(std::string_view line, unsigned type)
{
    const bool segment = type == kExtendedSegment;
    const Mode own = segment ? Mode::Segment : Mode::Linear;
    if (mode_ == Mode::None) {
        mode_ = own;
    }
    if (mode_ != own) {
        return true;  // the other addressing mode came first: this record has no meaning here
    }
    const tagHexFields fields = ReadAddressFields(line, 4);
    if (fields.read >= 4) {
        (segment ? segment_base_ : upper_linear_) = static_cast<uint16_t>(fields.value);
    }
    const unsigned sum = Low(fields.offset) + High(fields.offset) + fields.count + Low(fields.type) + Low(fields.value) +
                         High(fields.value) + fields.checksum;
    if (fields.read != 5 || fields.count != 2 || fields.offset != 0 || fields.type != type || (sum & 0xFF) != 0) {
        return Fail(Format(segment ? "Error in hex file \"%s\".\r\nInvalid Extended Segment Address record."
                                   : "Error in hex file \"%s\".\r\nInvalid Extended Linear Address record.",
                           file_name_.c_str()));
    }
    return true;
}

bool CHexBinFile::HandleStartAddress(std::string_view line, unsigned type)
{
    const bool segment = type == kStartSegment;
    const tagHexFields fields = ReadAddressFields(line, 8);
    if (fields.read >= 4) {
        start_address_ = fields.value;
    }
    const unsigned value_sum =
        Low(fields.value) + High(fields.value) + Low(fields.value >> 16) + Low(fields.value >> 24);
    const unsigned sum =
        Low(fields.offset) + High(fields.offset) + fields.count + Low(fields.type) + value_sum + fields.checksum;
    const bool top_byte_ok = !segment || (fields.value >> 24) == 0;
    if (fields.read != 5 || fields.count != 4 || fields.offset != 0 || fields.type != type || !top_byte_ok ||
        (sum & 0xFF) != 0) {
        return Fail(Format(segment ? "Error in hex file \"%s\".\r\nInvalid Start Segment Address record."
                                   : "Error in hex file \"%s\".\r\nInvalid Start Linear Address record.",
                           file_name_.c_str()));
    }
    return true;
}

bool CHexBinFile::Insert(uint32_t address, std::vector<uint8_t> data)
{
    const uint32_t size = static_cast<uint32_t>(data.size());
    // Records usually come in ascending order; then the new block goes to the end without a search.
    auto place = index_.end();
    if (!index_.empty() && std::prev(index_.end())->first >= address) {
        place = index_.lower_bound(address);
    }
    const auto added = index_.emplace_hint(place, address, tagDataBlock{std::move(data), address, size, nullptr});
    tagDataBlock& block = added->second;
    const auto after = std::next(added);
    tagDataBlock* successor = after == index_.end() ? nullptr : &after->second;
    block.next = successor;
    tagDataBlock* predecessor = nullptr;
    if (added == index_.begin()) {
        first_ = &block;
    } else {
        predecessor = &std::prev(added)->second;
        predecessor->next = &block;
    }

    const auto overlap = [this](const tagDataBlock& one, const tagDataBlock& two) {
        return Fail(Format("Overlapping record in .hex file:\r\nRecord 1: Address 0x%08x, Size 0x%08x\r\n"
                           "Record 2: Address 0x%08x, Size 0x%08x",
                           one.address, one.size, two.address, two.size));
    };
    if (predecessor != nullptr && uint64_t{predecessor->address} + predecessor->size > address) {
        return overlap(block, *predecessor);
    }
    if (successor != nullptr && uint64_t{address} + size > successor->address) {
        return overlap(*successor, block);
    }
    return true;
}

bool CHexBinFile::Commit()
{
    if (pending_.empty()) {
        return true;
    }
    const auto before = [](const auto& a, const auto& b) {
        return a.address != b.address ? a.address < b.address : a.seq > b.seq;
    };
    std::vector<tagPiece> sorted = pending_;
    if (!std::is_sorted(sorted.begin(), sorted.end(), before)) {
        std::stable_sort(sorted.begin(), sorted.end(), before);
    }
    // Merge the new records, as units of one piece, with the units so far.
    std::vector<tagUnit> merged;
    std::vector<tagPiece> pieces;
    merged.reserve(units_.size() + sorted.size());
    pieces.reserve(unit_pieces_.size() + sorted.size());
    size_t old_index = 0;
    size_t new_index = 0;
    while (old_index < units_.size() || new_index < sorted.size()) {
        const bool take_new = old_index == units_.size() ||
                              (new_index < sorted.size() && before(sorted[new_index], units_[old_index]));
        if (take_new) {
            const tagPiece& piece = sorted[new_index++];
            merged.push_back(tagUnit{piece.address, piece.size, pieces.size(), 1, piece.seq});
            pieces.push_back(piece);
        } else {
            const tagUnit& unit = units_[old_index++];
            merged.push_back(tagUnit{unit.address, unit.size, pieces.size(), unit.piece_count, unit.seq});
            pieces.insert(pieces.end(), unit_pieces_.begin() + unit.first_piece,
                          unit_pieces_.begin() + unit.first_piece + unit.piece_count);
        }
    }
    // Two blocks overlap exactly when some block reaches past the start of the one after it.
    for (size_t i = 1; i < merged.size(); ++i) {
        if (uint64_t{merged[i - 1].address} + merged[i - 1].size > merged[i].address) {
            Replay();
            return false;
        }
    }
    units_ = std::move(merged);
    unit_pieces_ = std::move(pieces);
    pending_.clear();
    return true;
}

void CHexBinFile::JoinUnits()
{
    std::vector<tagUnit> joined;
    joined.reserve(units_.size());
    for (size_t i = 0; i < units_.size();) {
        tagUnit unit = units_[i];
        uint64_t size = unit.size;
        size_t next = i + 1;
        // The pieces of consecutive units lie one after the other in unit_pieces_.
        while (next < units_.size() && units_[next].address == unit.address + size &&
               size + units_[next].size <= bound_) {
            size += units_[next].size;
            unit.piece_count += units_[next].piece_count;
            ++next;
        }
        unit.size = static_cast<uint32_t>(size);
        joined.push_back(unit);
        i = next;
    }
    units_ = std::move(joined);
}

void CHexBinFile::Materialize()
{
    blocks_.clear();
    blocks_.resize(units_.size());
    for (size_t i = 0; i < units_.size(); ++i) {
        const tagUnit& unit = units_[i];
        tagDataBlock& block = blocks_[i];
        block.address = unit.address;
        block.size = unit.size;
        block.data.reserve(unit.size);
        for (size_t p = unit.first_piece; p < unit.first_piece + unit.piece_count; ++p) {
            const tagPiece& piece = unit_pieces_[p];
            block.data.insert(block.data.end(), arena_.begin() + piece.offset, arena_.begin() + piece.offset + piece.size);
        }
        block.next = i + 1 < units_.size() ? &blocks_[i + 1] : nullptr;
    }
    first_ = blocks_.empty() ? nullptr : &blocks_.front();
    units_.clear();
    unit_pieces_.clear();
    arena_.clear();
    arena_.shrink_to_fit();
}

void CHexBinFile::Replay()
{
    // The slow path, for a file that is being refused anyway: insert record by record, exactly
    // as a sorted list would take them, until the first overlap.
    overlap_ = true;
    index_.clear();
    first_ = nullptr;
    for (const tagUnit& unit : units_) {
        std::vector<uint8_t> data;
        data.reserve(unit.size);
        for (size_t p = unit.first_piece; p < unit.first_piece + unit.piece_count; ++p) {
            const tagPiece& piece = unit_pieces_[p];
            data.insert(data.end(), arena_.begin() + piece.offset, arena_.begin() + piece.offset + piece.size);
        }
        // The units are in list order already (equal addresses included): append them.
        const auto added = index_.emplace_hint(index_.end(), unit.address,
                                               tagDataBlock{std::move(data), unit.address, unit.size, nullptr});
        if (added == index_.begin()) {
            first_ = &added->second;
        } else {
            std::prev(added)->second.next = &added->second;
        }
    }
    for (const tagPiece& piece : pending_) {
        std::vector<uint8_t> data(arena_.begin() + piece.offset, arena_.begin() + piece.offset + piece.size);
        if (!Insert(piece.address, std::move(data))) {
            break;
        }
    }
    ShowFailure(failure_);
    blocks_.clear();
}
