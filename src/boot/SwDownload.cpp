#include "boot/SwDownload.h"

#include <algorithm>

#include "boot/HexBinFile.h"
#include "platform/Format.h"
#include "platform/Notify.h"
#include "platform/Prompt.h"

namespace {

// The first section holding address, as an index into sections; -1 when none does.
int SectionIndex(const std::vector<tagSectionInfo>& sections, uint32_t address)
{
    const tagSectionInfo* section = FindSection(sections, address);
    return section == nullptr ? -1 : static_cast<int>(section - sections.data());
}

// The 16-bit sum of c over [first, end) at even (c) and odd (c * 256) addresses, without
// walking the addresses: a range of a description file may be large.
uint16_t FillSum(uint8_t c, uint64_t first, uint64_t end)
{
    if (end <= first) {
        return 0;
    }
    const uint64_t count = end - first;
    uint64_t odd = count / 2;
    if (count % 2 != 0 && first % 2 != 0) {
        ++odd;
    }
    const uint64_t even = count - odd;
    return static_cast<uint16_t>((even * c + odd * c * 256) & 0xFFFF);
}

uint16_t BytesSum(const uint8_t* bytes, uint64_t address, size_t count)
{
    uint32_t sum = 0;
    for (size_t i = 0; i < count; ++i) {
        sum += (address + i) % 2 == 0 ? bytes[i] : bytes[i] * 256u;
    }
    return static_cast<uint16_t>(sum & 0xFFFF);
}

}  // namespace

CSwDownload::CSwDownload(ISwDownloadPage& page) : page_(page), boot_(*this) {}

CSwDownload::~CSwDownload()
{
    AbortDownload();
    worker_.Join();
}

void CSwDownload::OutputText(const std::string& text)
{
    if (!Aborted()) {
        page_.OutputText(text);
    }
}

void CSwDownload::Progress(uint32_t per_mille)
{
    if (!Aborted()) {
        page_.SetProgress(per_mille);
    }
}

bool CSwDownload::StartDownload(const std::string& file_name, bool verify)
{
    if (IsRunning()) {
        return false;
    }
    worker_.Join();  // the previous worker has finished; release its thread
    page_.SetProgress(0);
    file_name_ = file_name;
    verify_ = verify;
    page_.SetRunning(true);
    Notify::Post(kNotifyViewCommands, 0);
    abort_.Reset();
    finished_.Reset();
    if (!worker_.Start([this] { result_.store(Worker()); })) {
        finished_.Set();
        page_.SetRunning(false);
        Notify::Post(kNotifyViewCommands, 1);
        return false;
    }
    return true;
}

void CSwDownload::RequestAbort()
{
    if (!finished_.IsSet()) {
        abort_.Set();
    }
}

void CSwDownload::AbortDownload()
{
    if (finished_.IsSet()) {
        return;
    }
    abort_.Set();
    finished_.Wait(kInfinite);
    worker_.Join();
    ShowMessage("Download aborted!", PromptIcon::Information);
    page_.SetRunning(false);
    Notify::Post(kNotifyViewCommands, 1);
}

int CSwDownload::Worker()
{
    bool ok = false;
    if (CHexBinFile::HoldsNoData(file_name_)) {
        // Nothing to program: the erase would wipe the firmware and the download report success
        // with only the checksum word written. Said before the engineer resets the board.
        OutputText(Format("The image \"%s\" contains no data to program.", file_name_.c_str()));
    } else if (!AskOkCancel(kBootModePrompt)) {
        // Cancelled: the board is not touched.
    } else if (!boot_.Boot()) {
        // Boot has reported why.
    } else if (Aborted()) {
        // Asked to stop while the board was booting: nothing has been erased yet.
    } else if (!ReadDownloadLayout(layout_, this)) {
        OutputText("Error reading the .ini file.");
    } else if (CheckTransferSizes()) {
        OutputText("Parsing .hex file. (This may take a few minutes)");
        auto image = std::make_unique<CHexBinFile>(file_name_);
        if (layout_.sections.empty() || !image->Load(layout_.sections.front().transfer_size)) {
            OutputText("Parsing of .hex file FAILED.");
        } else {
            const bool planned = Plan(*image);
            image.reset();  // the plan holds its own copy of the blocks
            if (planned && EraseSections() && Program()) {
                OutputText("DONE");
                ok = true;
            }
        }
    }
    page_.SetRunning(false);
    Notify::Post(kNotifyViewCommands, 1);
    image_.clear();
    plan_.clear();
    const int result = ok ? 0 : -1;
    result_.store(result);
    finished_.Set();
    return result;
}

bool CSwDownload::CheckTransferSizes()
{
    // Only the last step of a block may need a padding byte, and a step must fit the 16-bit
    // length of a block transfer; anything else in the description would program wrong data
    // or never end, so it is refused before the board is touched.
    for (const tagSectionInfo& section : layout_.sections) {
        const uint32_t size = section.transfer_size;
        if (size == 0 || size % 2 != 0 || size > CBootCommHandler::kMaxBlockLength) {
            OutputText(Format("Invalid flash transfer size %u for flash driver %d in the .ini file.", size,
                              section.driver));
            return false;
        }
    }
    return true;
}

bool CSwDownload::Plan(const CHexBinFile& image)
{
    image_.clear();
    plan_.clear();
    total_steps_ = 0;
    checksum_written_ = false;
    const tagDataBlock* position = image.GetFirstBlock();
    while (position != nullptr) {
        uint32_t address = 0;
        uint32_t size = 0;
        const uint8_t* data = image.GetNextBlock(position, address, size);
        image_.emplace_back(address, std::vector<uint8_t>(data, data + size));
    }

    std::vector<tagSectionInfo>& sections = layout_.sections;
    for (size_t i = 0; i < image_.size(); ++i) {
        const uint32_t address = image_[i].first;
        const size_t size = image_[i].second.size();
        tagPlannedBlock block;
        block.image_index = i;
        const uint64_t last = uint64_t{address} + (size == 0 ? 0 : size - 1);
        for (size_t s = 0; s < sections.size(); ++s) {
            if (size != 0 && SectionOverlaps(sections[s], address, last)) {
                sections[s].erase = 1;
                block.section = static_cast<int>(s);
            }
        }
        if (block.section < 0) {
            block.section = SectionIndex(sections, address);
        }
        plan_.push_back(std::move(block));
    }
    if (layout_.checksum_wanted) {
        for (const tagBlock& range : layout_.checksum_ranges) {
            for (tagSectionInfo& section : sections) {
                if (range.length != 0 && SectionOverlaps(section, range.start, uint64_t{range.start} + range.length - 1)) {
                    section.erase = 1;
                }
            }
        }
        for (tagSectionInfo& section : sections) {
            if (SectionOverlaps(section, layout_.checksum_address, uint64_t{layout_.checksum_address} + 1)) {
                section.erase = 1;
            }
        }
    }

    // A block that no section holds cannot be programmed; say so before anything is erased
    // rather than after.
    for (const tagPlannedBlock& block : plan_) {
        const auto& [address, bytes] = image_[block.image_index];
        if (block.section < 0 && !bytes.empty()) {
            OutputText(Format("Block to program is not in a flash section. Address: 0x%06x, Size: 0x%06x.", address,
                              static_cast<unsigned>(bytes.size())));
            return false;
        }
    }

    if (layout_.checksum_wanted) {
        checksum_ = CodeChecksum(image_, layout_.checksum_ranges, sections);
    }
    for (tagPlannedBlock& block : plan_) {
        if (block.section < 0) {
            continue;  // an empty record outside every section: nothing to program
        }
        if (!PlanProgrammedBytes(block)) {
            return false;
        }
        const tagSectionInfo& section = sections[block.section];
        const size_t image_length = image_[block.image_index].second.size();
        const size_t length = block.programmed.empty() ? image_length : block.programmed.size();
        // Counted with the transfer size the block is programmed with, so the progress ends at
        // exactly 1000.
        total_steps_ += static_cast<uint32_t>((length + section.transfer_size - 1) / section.transfer_size);
    }
    return true;
}

uint8_t CSwDownload::ImageByteOr(uint32_t address, uint8_t otherwise) const
{
    for (const auto& [start, bytes] : image_) {
        if (address >= start && address - start < bytes.size()) {
            return bytes[address - start];
        }
    }
    return otherwise;
}

bool CSwDownload::PlanProgrammedBytes(tagPlannedBlock& block)
{
    const auto& [address, bytes] = image_[block.image_index];
    const tagSectionInfo& section = layout_.sections[block.section];
    const uint64_t section_end = uint64_t{section.start} + section.size;
    std::vector<uint8_t> programmed;
    const uint32_t checksum_at = layout_.checksum_address;
    if (layout_.checksum_wanted && address <= checksum_at && checksum_at - address < bytes.size()) {
        // The word goes in with the block. When it sits on the block's last byte its high byte
        // lies just beyond the block; the buffer grows to hold it.
        const size_t offset = checksum_at - address;
        programmed.assign(bytes.begin(), bytes.end());
        programmed.resize(std::max(bytes.size(), offset + 2), section.erase_char);
        programmed[offset] = static_cast<uint8_t>(checksum_ & 0xFF);
        programmed[offset + 1] = static_cast<uint8_t>(checksum_ >> 8);
        block.holds_checksum = true;
    }
    const size_t length = programmed.empty() ? bytes.size() : programmed.size();
    uint32_t start = address;
    if (length % 2 != 0 && uint64_t{address} + length == section_end) {
        // Padded at its end the last step would program the byte after the section; start one
        // byte early instead, at the even address below, with what the image holds there.
        if (address <= section.start) {
            OutputText(Format("Block to program does not fit its flash section when padded to even length. "
                              "Address: 0x%06x, Size: 0x%06x.",
                              address, static_cast<unsigned>(bytes.size())));
            return false;
        }
        if (programmed.empty()) {
            programmed.assign(bytes.begin(), bytes.end());
        }
        start = address - 1;
        programmed.insert(programmed.begin(), ImageByteOr(start, section.erase_char));
    }
    if (!programmed.empty()) {
        programmed.resize(programmed.size() + programmed.size() % 2, section.erase_char);
        block.programmed = std::move(programmed);
        block.program_address = start;
    }
    return true;
}

bool CSwDownload::EraseSections()
{
    for (const tagSectionInfo& section : layout_.sections) {
        if (section.erase != 0) {
            OutputText(Format("Erasing flash section 0x%02x", section.number));
            uint16_t driver_result = 0;
            uint8_t return_byte = 0;
            if (!boot_.EraseSection(section.number, section.driver, driver_result, return_byte)) {
                OutputText(Format("Erasing section %d failed.", section.number));
                OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
                OutputText(boot_.DriverResultLine(driver_result));
                return false;
            }
        }
        if (Aborted()) {
            return false;
        }
    }
    return true;
}

uint16_t CSwDownload::CodeChecksum(const std::vector<std::pair<uint32_t, std::vector<uint8_t>>>& blocks,
                                   const std::vector<tagBlock>& ranges, const std::vector<tagSectionInfo>& sections)
{
    uint16_t sum = 0;
    const auto fill = [&](uint64_t from, uint64_t to) {
        const tagSectionInfo* section = from <= 0xFFFFFFFF ? FindSection(sections, static_cast<uint32_t>(from)) : nullptr;
        if (section != nullptr) {
            sum = static_cast<uint16_t>(sum + FillSum(section->erase_char, from, to));
        }
    };
    for (const tagBlock& range : ranges) {
        uint64_t p = range.start;
        const uint64_t end = uint64_t{range.start} + range.length;
        for (const auto& [address, bytes] : blocks) {
            if (p >= end) {
                break;
            }
            const uint64_t block_end = uint64_t{address} + bytes.size();
            if (block_end <= p) {
                continue;
            }
            if (address > p) {
                const uint64_t gap_end = std::min<uint64_t>(address, end);
                fill(p, gap_end);
                p = gap_end;
            }
            if (p < end) {
                const uint64_t to = std::min(block_end, end);
                sum = static_cast<uint16_t>(sum + BytesSum(bytes.data() + (p - address), p, static_cast<size_t>(to - p)));
                p = to;
            }
        }
        if (p < end) {
            fill(p, end);
        }
    }
    return sum;
}

bool CSwDownload::Program()
{
    if (layout_.checksum_wanted) {
        OutputText("Calculating checksum.");
        OutputText(Format("Checksum is 0x%04x", checksum_));
    }
    OutputText("Downloading program image.");
    steps_done_ = 0;
    bool ok = true;
    for (const tagPlannedBlock& block : plan_) {
        if (!ProgramBlock(block)) {
            ok = false;
            break;
        }
    }
    if (ok && layout_.checksum_wanted && !checksum_written_) {
        ok = WriteChecksum();
    }
    OutputText(ok ? "Download was successful." : "Download FAILED");
    return ok;
}

bool CSwDownload::ProgramBlock(const tagPlannedBlock& block)
{
    const auto& [address, image_bytes] = image_[block.image_index];
    if (image_bytes.empty()) {
        return true;
    }
    if (block.section < 0) {
        OutputText(Format("Block to program is not in a flash section. Address: 0x%06x, Size: 0x%06x.", address,
                          static_cast<unsigned>(image_bytes.size())));
        return false;
    }
    const tagSectionInfo& section = layout_.sections[block.section];
    const bool as_planned = !block.programmed.empty();
    const std::vector<uint8_t>& bytes = as_planned ? block.programmed : image_bytes;
    if (block.holds_checksum) {
        checksum_written_ = true;
    }
    const uint32_t transfer = layout_.transfer_address;
    std::vector<uint8_t> step;
    std::vector<uint8_t> read_back;
    uint32_t destination = as_planned ? block.program_address : address;
    for (size_t position = 0; position < bytes.size();) {
        if (Aborted()) {
            return false;
        }
        const size_t used = std::min<size_t>(bytes.size() - position, section.transfer_size);
        step.assign(bytes.begin() + position, bytes.begin() + position + used);
        if (step.size() % 2 != 0) {
            step.push_back(section.erase_char);
        }
        const uint32_t n = static_cast<uint32_t>(step.size());
        uint8_t return_byte = 0;
        uint16_t driver_result = 0;
        if (!boot_.WriteBlock(transfer, n, step.data(), return_byte)) {
            OutputText(Format("Write block failed: address = 0x%06x, size = 0x%06x.", transfer, n));
            OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            return false;
        }
        if (!boot_.ProgramFlash(static_cast<uint16_t>(n), transfer, destination, section.driver, driver_result,
                                return_byte)) {
            OutputText(Format("Program flash failed: source address = 0x%06x, destination address = 0x%06x, size = "
                              "0x%06x.",
                              transfer, destination, n));
            OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            OutputText(boot_.DriverResultLine(driver_result));
            return false;
        }
        if (verify_) {
            read_back.assign(n, 0);
            if (!boot_.ReadBlock(destination, n, read_back.data(), return_byte)) {
                OutputText(Format("Reading block failed: address = 0x%06x, size = 0x%06x.", destination, n));
                OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
                return false;
            }
            bool same = true;
            for (uint32_t i = 0; i < n; ++i) {
                if (read_back[i] != step[i]) {
                    OutputText(Format("Verify failed on address 0x%06x. Written: 0x%02x Read: 0x%02x.",
                                      destination + i, step[i], read_back[i]));
                    same = false;
                }
            }
            if (!same) {
                return false;
            }
        }
        if (layout_.progress_address != kMissingValue) {
            const uint16_t value = steps_done_ % 2 == 0 ? layout_.progress_data0 : layout_.progress_data1;
            if (!boot_.WriteWord(layout_.progress_address, value, return_byte)) {
                OutputText(Format("Writing progress LED failed: address = 0x%06x, value = 0x%04x.",
                                  layout_.progress_address, value));
                OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
                return false;
            }
        }
        destination += n;
        position += used;
        ++steps_done_;
        Progress(total_steps_ == 0 ? 1000 : std::min<uint32_t>(1000, steps_done_ * 1000ull / total_steps_));
    }
    return true;
}

bool CSwDownload::WriteChecksum()
{
    const uint32_t at = layout_.checksum_address;
    const tagSectionInfo* section = FindSection(layout_.sections, at);
    if (section == nullptr) {
        OutputText("Checksum address not within a valid section.");
        return true;
    }
    // The transfer is 4 bytes; the two after the word are programmed too, so they carry what
    // the image holds there, or the erase character where it holds nothing. A word at the very
    // end of the section is programmed alone: the two bytes after it are not flash of this
    // section, and a driver refuses (or worse, wraps) a program that runs past it.
    uint8_t bytes[4] = {static_cast<uint8_t>(checksum_ & 0xFF), static_cast<uint8_t>(checksum_ >> 8),
                        section->erase_char, section->erase_char};
    for (const auto& [address, data] : image_) {
        for (uint32_t i = 2; i < 4; ++i) {
            const uint64_t where = uint64_t{at} + i;
            if (where >= address && where < uint64_t{address} + data.size()) {
                bytes[i] = data[where - address];
            }
        }
    }
    const uint32_t count = uint64_t{at} + 4 <= uint64_t{section->start} + section->size ? 4 : 2;
    const uint32_t transfer = layout_.transfer_address;
    uint8_t return_byte = 0;
    uint16_t driver_result = 0;
    if (!boot_.WriteBlock(transfer, 4, bytes, return_byte)) {
        OutputText(Format("Write block failed: address = 0x%06x, size = 0x%06x.", transfer, 4u));
        OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
        return false;
    }
    if (!boot_.ProgramFlash(static_cast<uint16_t>(count), transfer, at, section->driver, driver_result, return_byte)) {
        OutputText(Format("Writing checksum failed: source address = 0x%06x, destination address = 0x%06x, size = "
                          "0x%06x.",
                          transfer, at, count));
        OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
        OutputText(boot_.DriverResultLine(driver_result));
        return false;
    }
    if (verify_) {
        uint8_t read_back[4] = {};
        if (!boot_.ReadBlock(at, count, read_back, return_byte)) {
            OutputText(Format("Reading checksum failed: address = 0x%06x, size = 0x%06x.", at, count));
            OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            return false;
        }
        const uint16_t read = static_cast<uint16_t>(read_back[0] | (read_back[1] << 8));
        if (read != checksum_) {
            OutputText(Format("Verify failed on checksum address 0x%06x. Written: 0x%04x Read: 0x%04x.", at,
                              checksum_, read));
            return false;
        }
    }
    return true;
}
