// An Intel HEX image held in memory as data blocks in ascending address order: the firmware image
// of a download and the boot loader, boot monitor and flash driver images of the boot sequence.
//
// Load checks every record's checksum, refuses overlapping data and, at each end-of-file record,
// joins exactly adjacent blocks into blocks no larger than the caller's bound. Every failure is
// shown to the engineer in a message box (platform/Prompt.h) before Load returns false; the caller
// only stops.
//
// The blocks form a linked list in address order, as callers walk it. The file is read line by
// line through a small buffer, never whole. A firmware image (data records, in any order, none
// empty, none overlapping, all before the end-of-file record) goes straight into a page image of
// the 24-bit address space that marks where each record starts, so that the records come out in
// address order without a sort and the memory held is little more than the data itself (the
// whole address space is 16 MB). Any other file (an overlap, an empty record, data after an
// end-of-file record) is read again the exact way: records kept in arrival order in one byte
// arena, sorted at each end-of-file record (and at the end), checked for overlaps between
// neighbours and joined; when an overlap exists, the records are replayed one by one into an
// ordered index, so that the load stops at the same record with the same message (record 1 /
// record 2) as inserting each record into a sorted list would; a failure found later in the file
// is reported only when no earlier record overlaps. Both ways give the blocks that inserting
// each record into a sorted list and joining at each end-of-file record would give.
//
// One thread at a time; the object owns every block and frees them with itself.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct tagDataBlock {
    std::vector<uint8_t> data;  // owned by the block; size bytes
    uint32_t address = 0;       // in the board's 24-bit address space
    uint32_t size = 0;
    tagDataBlock* next = nullptr;  // the next block in address order
};

// The fields of one record line as the record formats read them. Exposed so that the fast
// reader and the reference reader (the C library's scanf) can be checked against each other.
struct tagHexFields {
    int read = 0;  // how many fields could be read (as scanf counts them)
    unsigned count = 0;
    unsigned offset = 0;
    unsigned type = 0;
    unsigned value = 0;
    unsigned checksum = 0;
};

class CHexBinFile {
public:
    // Reads nothing yet.
    explicit CHexBinFile(std::string file_name);
    ~CHexBinFile();
    CHexBinFile(const CHexBinFile&) = delete;
    CHexBinFile& operator=(const CHexBinFile&) = delete;

    static constexpr uint32_t kNoBound = 0xFFFFFFFF;

    // Reads the file. bound: the largest size a join may produce (kNoBound: no limit). False on
    // the first failure, after its message box; the blocks read until then stay in the object.
    // A file that is no regular file, or larger than kMaxInputFileBytes, cannot be opened.
    bool Load(uint32_t bound);

    // True when the file could be read through and holds no data record with data (a line of
    // record type 0 with a count above 0): there is nothing in it to program. False when it
    // holds one, or cannot be read (Load then reports why). Reads the lines only; nothing is
    // kept and no message is shown.
    static bool HoldsNoData(const std::string& file_name);

    // Position of the first block; null for an empty image.
    const tagDataBlock* GetFirstBlock() const { return first_; }
    // The data of the block at position (address and size filled in); advances position to the
    // next block (null after the last). The data stay owned by this object.
    const uint8_t* GetNextBlock(const tagDataBlock*& position, uint32_t& address, uint32_t& size) const;

    const std::string& FileName() const { return file_name_; }
    size_t BlockCount() const { return overlap_ ? index_.size() : blocks_.size(); }
    // The value of the last start segment or start linear address record.
    uint32_t StartAddress() const { return start_address_; }

    // Reads the record type at line positions 7 and 8 ("%2x"); false when it cannot be read.
    static bool ReadType(const std::string& line, unsigned& type);
    // Reads ":%2x%4x%2x" followed by "%s" (data record) into fields and data_text.
    static tagHexFields ReadDataFields(const std::string& line, std::string& data_text);
    // The same with the C library's sscanf: the reference the fast reader must agree with, and
    // the reader of every line that is not plain hexadecimal digits.
    static tagHexFields ScanDataFields(const std::string& line, std::string& data_text);
    // Reads ":%2x%4x%2x%Nx%2x", the value field of value_digits (4 or 8) digits; the second
    // with sscanf, the reference of the first.
    static tagHexFields ReadAddressFields(std::string_view line, int value_digits);
    static tagHexFields ScanAddressFields(const std::string& line, int value_digits);

private:
    enum class Mode { None, Linear, Segment };

    // One record's data in the arena, or (for units) a run of joined records.
    struct tagPiece {
        uint32_t address;
        uint32_t size;
        uint64_t offset;  // into arena_
        uint64_t seq;     // arrival number: among equal addresses the later record comes first
    };
    struct tagUnit {
        uint32_t address;
        uint32_t size;
        size_t first_piece;  // into unit_pieces_
        size_t piece_count;
        uint64_t seq;
    };

    struct tagPage;

    // Reads every line of the file through HandleLine; false when the file cannot be opened or
    // read (after the message box).
    bool ReadLines(bool& lines_ok);
    void Reset();
    bool HandleLine(std::string_view line);
    // The two ways of keeping a record's data; false stops the reading.
    bool StoreFast(uint32_t address, const uint8_t* data, unsigned count);
    bool StoreExact(uint32_t address, const uint8_t* data, unsigned count);
    // Hands the page image out as blocks, joined (after an end-of-file record) or one per record.
    void MaterializeFast();
    uint32_t FastRecordSize(uint32_t start) const;
    bool FastOccupied(uint32_t address) const;
    bool FastStart(uint32_t address) const;
    bool HandleData(std::string_view line);
    bool HandleEndOfFile(std::string_view line);
    bool HandleExtendedAddress(std::string_view line, unsigned type);
    bool HandleStartAddress(std::string_view line, unsigned type);
    // Merges the records since the last join into the units; false (after the overlap's
    // message box) when a record overlaps.
    bool Commit();
    void JoinUnits();
    void Replay();
    bool Insert(uint32_t address, std::vector<uint8_t> data);
    void Materialize();
    // Keeps the failure's text; it is shown once it is certain that no earlier record overlaps.
    bool Fail(const std::string& text);
    bool ShowFailure(const std::string& text) const;

    std::string file_name_;
    Mode mode_ = Mode::None;
    uint16_t segment_base_ = 0;
    uint16_t upper_linear_ = 0;
    uint32_t start_address_ = 0;
    uint32_t bound_ = kNoBound;
    std::string failure_;
    bool overlap_ = false;

    std::vector<uint8_t> arena_;
    std::vector<tagPiece> pending_;  // arrival order, since the last join
    std::vector<tagUnit> units_;     // address order; joined at end-of-file records
    std::vector<tagPiece> unit_pieces_;
    uint64_t next_seq_ = 0;

    // The fast way: one page per 4 KB of the address space that holds data.
    bool fast_ = true;
    bool fall_back_ = false;  // the file needs the exact way
    bool end_of_file_seen_ = false;
    std::vector<std::unique_ptr<tagPage>> pages_;

    // The blocks handed out: from the units after a load without overlap ...
    std::vector<tagDataBlock> blocks_;
    // ... or, after an overlap, the ordered index the replay built. Equal addresses (only empty
    // records can share one without overlapping) hold the later record first.
    std::multimap<uint32_t, tagDataBlock> index_;
    tagDataBlock* first_ = nullptr;
};
