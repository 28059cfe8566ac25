#include "boot/BoardDescription.h"

#include <algorithm>
#include <sys/stat.h>

#include "boot/TextOutput.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

namespace {

// The string buffer of the description's readers: at most 127 characters are read.
constexpr size_t kStringBuffer = 128;

constexpr char kBoardList[] = "ControllerBoards";

bool FileExists(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ParentOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string BoardDescriptionPath()
{
    return SupportFile("ZOVtool.ini");
}

bool ReadSelectedBoard(std::string& board)
{
    if (!CSettingsStore::IsAvailable()) {
        return false;
    }
    board = AppSettings::GetControllerBoard();
    return true;
}

CBoardDescription CBoardDescription::Load()
{
    return CBoardDescription(CProfile::Load(BoardDescriptionPath()));
}

uint32_t CBoardDescription::Int(const std::string& section, const std::string& key) const
{
    return profile_.GetInt(section, key, -1);
}

std::string CBoardDescription::String(const std::string& section, const std::string& key) const
{
    return profile_.GetString(section, key, "", kStringBuffer);
}

std::vector<tagBoardEntry> CBoardDescription::BoardList() const
{
    std::vector<tagBoardEntry> boards;
    for (int n = 0;; ++n) {
        tagBoardEntry entry{String(kBoardList, Format("CB%d", n)), String(kBoardList, Format("CBinfo%d", n))};
        if (entry.identifier.empty() || entry.info.empty()) {
            return boards;
        }
        boards.push_back(std::move(entry));
    }
}

std::string CBoardDescription::BootLoader(const std::string& board) const
{
    return String(board, "BootLoader");
}

std::string CBoardDescription::BootMonitor(const std::string& board) const
{
    return String(board, "BootMonitor");
}

std::string CBoardDescription::FlashDriver(const std::string& board, int32_t driver) const
{
    return String(board, Format("FlashDriver%02d", driver));
}

uint8_t CBoardDescription::ProcessorIdByte(const std::string& board) const
{
    return static_cast<uint8_t>(Int(board, "ProcessorIdByte") & 0xFF);
}

uint32_t CBoardDescription::FlashTransferSize(const std::string& board, int32_t driver) const
{
    return Int(board, Format("FlashTransferSize%02d", driver));
}

bool CBoardDescription::Sfr(const std::string& board, int index, uint32_t& address, uint16_t& data) const
{
    const uint32_t read_address = Int(board, Format("SFRaddress%02d", index));
    const uint32_t read_data = Int(board, Format("SFRdata%02d", index));
    if (read_address == kMissingValue || read_data == kMissingValue) {
        return false;
    }
    address = read_address;
    data = static_cast<uint16_t>(read_data & 0xFFFF);
    return true;
}

std::vector<tagSectionInfo> CBoardDescription::ReadSectionList(const std::string& board, ITextOutput* output) const
{
    std::vector<tagSectionInfo> sections;
    for (int n = 0;; ++n) {
        const uint32_t start = Int(board, Format("Section%02d", n));
        const uint32_t number = Int(board, Format("SectionNumber%02d", n));
        const uint32_t size = Int(board, Format("SectionSize%02d", n));
        const uint32_t driver = Int(board, Format("SectionDriver%02d", n));
        const uint32_t transfer_size = FlashTransferSize(board, static_cast<int32_t>(driver));
        const uint32_t erase_char = Int(board, Format("SectionEraseChar%02d", n));
        if (start == kMissingValue || number == kMissingValue || size == kMissingValue || driver == kMissingValue ||
            transfer_size == kMissingValue || erase_char == kMissingValue) {
            return sections;
        }
        tagSectionInfo section;
        section.number = static_cast<int32_t>(number);
        section.start = start;
        section.size = size;
        section.driver = static_cast<int32_t>(driver);
        section.transfer_size = transfer_size;
        section.erase_char = static_cast<uint8_t>(erase_char & 0xFF);
        sections.push_back(section);
        if (output != nullptr) {
            output->OutputText(
                Format("Section %d: start = 0x%06x, length = 0x%06x", section.number, section.start, section.size));
        }
    }
}

namespace {

// What both layouts share: the sections, the progress indicator and the transfer buffer. False
// when "FlashTransferAddress" is missing.
template <class Layout>
bool ReadFlashAccess(const CBoardDescription& description, const std::string& board, Layout& layout,
                     ITextOutput* output)
{
    layout.sections = description.ReadSectionList(board, output);
    layout.progress_address = description.Int(board, "ProgressIndicatorAddress");
    layout.progress_data0 = static_cast<uint16_t>(description.Int(board, "ProgressIndicatorData0"));
    layout.progress_data1 = static_cast<uint16_t>(description.Int(board, "ProgressIndicatorData1"));
    layout.transfer_address = description.Int(board, "FlashTransferAddress");
    return layout.transfer_address != kMissingValue;
}

}  // namespace

bool CBoardDescription::ReadDownloadLayout(const std::string& board, tagDownloadLayout& layout,
                                           ITextOutput* output) const
{
    layout = tagDownloadLayout{};
    if (!ReadFlashAccess(*this, board, layout, output)) {
        return false;
    }
    const uint32_t checksum_address = Int(board, "ChecksumAddressCode");
    if (checksum_address != kMissingValue) {
        layout.checksum_address = checksum_address;
        layout.checksum_wanted = true;
    }
    if (layout.checksum_wanted) {
        layout.checksum_ranges.clear();
        for (int n = 0;; ++n) {
            const uint32_t first = Int(board, Format("ChecksumRangeCodeStart%02d", n));
            const uint32_t last = Int(board, Format("ChecksumRangeCodeEnd%02d", n));
            if (first == kMissingValue || last == kMissingValue) {
                break;
            }
            const tagBlock range{first, last - first + 1};
            const auto place = std::upper_bound(layout.checksum_ranges.begin(), layout.checksum_ranges.end(), range,
                                                [](const tagBlock& a, const tagBlock& b) { return a.start < b.start; });
            layout.checksum_ranges.insert(place, range);
        }
    }
    return true;
}

bool CBoardDescription::ReadConfigLayout(const std::string& board, tagConfigLayout& layout, ITextOutput* output) const
{
    layout = tagConfigLayout{};
    if (!ReadFlashAccess(*this, board, layout, output)) {
        return false;
    }
    layout.config_start = Int(board, "ConfigStartAddress");
    layout.config_end = Int(board, "ConfigEndAddress");
    return layout.config_start != kMissingValue && layout.config_end != kMissingValue;
}

std::vector<tagBoardEntry> ReadBoardList()
{
    return CBoardDescription::Load().BoardList();
}

bool ReadDownloadLayout(tagDownloadLayout& layout, ITextOutput* output)
{
    layout = tagDownloadLayout{};
    std::string board;
    if (!ReadSelectedBoard(board)) {
        return false;
    }
    return CBoardDescription::Load().ReadDownloadLayout(board, layout, output);
}

bool ReadConfigLayout(tagConfigLayout& layout, ITextOutput* output)
{
    layout = tagConfigLayout{};
    std::string board;
    if (!ReadSelectedBoard(board)) {
        return false;
    }
    return CBoardDescription::Load().ReadConfigLayout(board, layout, output);
}

const tagSectionInfo* FindSection(const std::vector<tagSectionInfo>& sections, uint32_t address)
{
    for (const tagSectionInfo& section : sections) {
        if (section.start <= address && uint64_t{section.start} + section.size > address) {
            return &section;
        }
    }
    return nullptr;
}

tagSectionInfo* FindSection(std::vector<tagSectionInfo>& sections, uint32_t address)
{
    return const_cast<tagSectionInfo*>(FindSection(static_cast<const std::vector<tagSectionInfo>&>(sections), address));
}

bool SectionOverlaps(const tagSectionInfo& section, uint64_t first, uint64_t last)
{
    // A section of size 0 has no last address and overlaps nothing.
    return section.size != 0 && section.start <= last && uint64_t{section.start} + section.size - 1 >= first;
}

std::string ImagePath(const std::string& name)
{
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path[0] == '/') {
        return path;
    }
    while (path.rfind("./", 0) == 0) {
        path.erase(0, 2);
    }
    // Names were written relative to the folder that holds the support folder (the tool's own
    // folder); plain names in the support folder itself are found too.
    const std::string support = SupportDir();
    const std::string beside = ParentOf(support) + "/" + path;
    if (FileExists(beside)) {
        return beside;
    }
    return support + "/" + path;
}
