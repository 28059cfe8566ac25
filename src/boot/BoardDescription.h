// The board description file ZOVtoolSupportFiles/ZOVtool.ini: which boards exist, which images
// bring a board up in boot mode, its special function registers, its flash sections with their
// drivers, the RAM transfer buffer, the progress indicator, the firmware checksum ranges and the
// configuration area. The tool knows nothing about a board beyond what this file says.
//
// Every reader reads the file afresh from the support folder (platform/Paths.h); the process's
// current directory is never changed. Integer values use the profile reader's rules (decimal or
// 0x hexadecimal); 0xFFFFFFFF (a missing key read with the default -1) marks a value as missing.
// Lists start at index 0 and end at the first index whose entry is missing. Any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Profile.h"

class ITextOutput;

// The marker of a missing integer value.
constexpr uint32_t kMissingValue = 0xFFFFFFFF;

// One flash section. erase is 0 when read; the download sets it to 1 for sections to erase.
struct tagSectionInfo {
    int32_t number = 0;          // the driver's number for the section ("SectionNumber%02d")
    uint32_t start = 0;          // "Section%02d"
    uint32_t size = 0;           // bytes, "SectionSize%02d"
    int32_t erase = 0;
    int32_t driver = 0;          // the flash driver that erases and programs it
    uint32_t transfer_size = 0;  // bytes per programming step with that driver
    uint8_t erase_char = 0;      // the value of erased flash
};

// One firmware checksum range: its first address and its length in bytes.
struct tagBlock {
    uint32_t start = 0;
    uint32_t length = 0;
};

struct tagBoardEntry {
    std::string identifier;  // "CB%d": also the name of the board's own section
    std::string info;        // "CBinfo%d": the text the Preferences page shows
};

// What the program download needs. Missing values keep the markers given here.
struct tagDownloadLayout {
    std::vector<tagSectionInfo> sections;
    uint32_t transfer_address = kMissingValue;
    uint32_t progress_address = kMissingValue;  // kMissingValue: no progress indicator
    uint16_t progress_data0 = 0xFFFF;
    uint16_t progress_data1 = 0xFFFF;
    uint32_t checksum_address = kMissingValue;
    bool checksum_wanted = false;
    std::vector<tagBlock> checksum_ranges;  // ascending start; equal starts in reading order
};

// What the configuration storage needs.
struct tagConfigLayout {
    std::vector<tagSectionInfo> sections;
    uint32_t transfer_address = kMissingValue;
    uint32_t progress_address = kMissingValue;
    uint16_t progress_data0 = 0xFFFF;
    uint16_t progress_data1 = 0xFFFF;
    uint32_t config_start = kMissingValue;
    uint32_t config_end = kMissingValue;  // inclusive
};

// The board description file's path in the support folder.
std::string BoardDescriptionPath();

// The identifier of the selected board: the "Controller Board" setting, "XC167" when it is not
// stored. False (board unchanged) when the settings store cannot be read at all.
bool ReadSelectedBoard(std::string& board);

// The description as read at one moment. The readers below take the board's identifier.
class CBoardDescription {
public:
    // Reads BoardDescriptionPath() now; a missing file describes nothing.
    static CBoardDescription Load();
    explicit CBoardDescription(CProfile profile) : profile_(std::move(profile)) {}

    // The boards of "ControllerBoards" in index order, ending at the first index at which either
    // text is empty.
    std::vector<tagBoardEntry> BoardList() const;

    // Image file names of the boot sequence, empty when missing. A relative name is taken
    // relative to the support folder (see ImagePath).
    std::string BootLoader(const std::string& board) const;
    std::string BootMonitor(const std::string& board) const;
    std::string FlashDriver(const std::string& board, int32_t driver) const;
    // The byte the processor answers to the handshake: the low 8 bits (missing: 0xFF).
    uint8_t ProcessorIdByte(const std::string& board) const;
    // "FlashTransferSize%02d" of the driver; kMissingValue when missing.
    uint32_t FlashTransferSize(const std::string& board, int32_t driver) const;
    // "SFRaddress%02d" and "SFRdata%02d" of index n (data: low 16 bits); false when either is
    // missing, which ends the list.
    bool Sfr(const std::string& board, int index, uint32_t& address, uint16_t& data) const;

    // The section list, each section's line "Section %d: start = ..." going to output (may be
    // null). Ends at the first index at which any of its six values is missing.
    std::vector<tagSectionInfo> ReadSectionList(const std::string& board, ITextOutput* output) const;
    // The download layout; false when "FlashTransferAddress" is missing.
    bool ReadDownloadLayout(const std::string& board, tagDownloadLayout& layout, ITextOutput* output) const;
    // The configuration layout; false when "FlashTransferAddress", "ConfigStartAddress" or
    // "ConfigEndAddress" is missing.
    bool ReadConfigLayout(const std::string& board, tagConfigLayout& layout, ITextOutput* output) const;

    uint32_t Int(const std::string& section, const std::string& key) const;
    std::string String(const std::string& section, const std::string& key) const;

private:
    CProfile profile_;
};

// The board list of the file as it is now.
std::vector<tagBoardEntry> ReadBoardList();

// Both layouts read afresh: the selected board (false when the settings store cannot be read),
// then the file. The layout is emptied first.
bool ReadDownloadLayout(tagDownloadLayout& layout, ITextOutput* output);
bool ReadConfigLayout(tagConfigLayout& layout, ITextOutput* output);

// The first section in list order that holds address; null when none does.
const tagSectionInfo* FindSection(const std::vector<tagSectionInfo>& sections, uint32_t address);
tagSectionInfo* FindSection(std::vector<tagSectionInfo>& sections, uint32_t address);

// Whether the section overlaps [first, last].
bool SectionOverlaps(const tagSectionInfo& section, uint64_t first, uint64_t last);

// An image name from the description as a path: absolute names as they are, others relative to
// the support folder.
std::string ImagePath(const std::string& name);
