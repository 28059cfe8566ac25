#include "BoardMemory.h"

#include <algorithm>

namespace {

SimBoardLayout Xc167()
{
    SimBoardLayout layout;
    layout.name = "XC167";
    const uint32_t sizes[] = {0x2000, 0x2000, 0x2000, 0x2000, 0x8000, 0x10000, 0x10000, 0x10000};
    uint32_t start = 0xC00000;
    for (uint32_t i = 0; i < std::size(sizes); ++i) {
        layout.sections.push_back({start, sizes[i], i, 0, 0xFF});
        start += sizes[i];
    }
    return layout;
}

SimBoardLayout Xc167x()
{
    SimBoardLayout layout;
    layout.name = "XC167X";
    layout.sections.push_back({0xC00000, 0x8000, 0, 0, 0xFF});
    layout.sections.push_back({0xC08000, 0x8000, 1, 0, 0xFF});
    for (uint32_t i = 0; i < 8; ++i) {
        layout.sections.push_back({0x400000 + i * 0x10000, 0x10000, 0x10 + i, 1, 0xFF});
    }
    layout.sections.push_back({0x480000, 0x10000, 0x18, 1, 0x00});
    layout.bus_setup = {{0x00FE18, 0x4008}, {0x00FF14, 0x048F}};
    layout.bus_driver = 1;
    return layout;
}

// Programming moves a bit only away from its erased state.
uint8_t Programmed(uint8_t old, uint8_t data, uint8_t erased)
{
    return static_cast<uint8_t>(erased ^ ((old ^ erased) | (data ^ erased)));
}

}  // namespace

bool SimBoardLayoutByName(const std::string& name, SimBoardLayout* layout)
{
    if (name == "XC167") {
        *layout = Xc167();
        return true;
    }
    if (name == "XC167X") {
        *layout = Xc167x();
        return true;
    }
    return false;
}

CBoardMemory::CBoardMemory(SimBoardLayout layout) : layout_(std::move(layout))
{
    Clear();
}

void CBoardMemory::Clear()
{
    flash_.clear();
    for (const SimFlashSection& s : layout_.sections) {
        flash_.emplace_back(s.size, s.erase_char);
    }
    Reset();
}

void CBoardMemory::Reset()
{
    ram_.assign(layout_.ram_end - layout_.ram_start, 0x00);
    sfr_.clear();
    word_writes_.clear();
}

uint8_t* CBoardMemory::FlashByte(uint32_t address)
{
    for (size_t i = 0; i < layout_.sections.size(); ++i) {
        const SimFlashSection& s = layout_.sections[i];
        if (address >= s.start && address - s.start < s.size) {
            return &flash_[i][address - s.start];
        }
    }
    return nullptr;
}

const uint8_t* CBoardMemory::FlashByte(uint32_t address) const
{
    return const_cast<CBoardMemory*>(this)->FlashByte(address);
}

const SimFlashSection* CBoardMemory::SectionAt(uint32_t address) const
{
    for (const SimFlashSection& s : layout_.sections) {
        if (address >= s.start && address - s.start < s.size) {
            return &s;
        }
    }
    return nullptr;
}

bool CBoardMemory::BusReady(int driver) const
{
    if (driver != layout_.bus_driver) {
        return true;
    }
    for (const auto& [address, value] : layout_.bus_setup) {
        const auto low = sfr_.find(address);
        const auto high = sfr_.find(address + 1);
        const uint16_t have = static_cast<uint16_t>((low != sfr_.end() ? low->second : 0) |
                                                    (high != sfr_.end() ? high->second : 0) << 8);
        if (have != value) {
            return false;
        }
    }
    return true;
}

uint8_t CBoardMemory::Read(uint32_t address) const
{
    if (address >= layout_.ram_start && address < layout_.ram_end) {
        return ram_[address - layout_.ram_start];
    }
    if (address >= layout_.sfr_start && address < layout_.sfr_end) {
        const auto it = sfr_.find(address);
        return it != sfr_.end() ? it->second : 0x00;
    }
    const SimFlashSection* section = SectionAt(address);
    if (section != nullptr && BusReady(section->driver)) {
        return *FlashByte(address);
    }
    return 0x00;
}

void CBoardMemory::Write(uint32_t address, uint8_t value)
{
    if (address >= layout_.ram_start && address < layout_.ram_end) {
        ram_[address - layout_.ram_start] = value;
    } else if (address >= layout_.sfr_start && address < layout_.sfr_end) {
        sfr_[address] = value;
    }
}

void CBoardMemory::WriteWord(uint32_t address, uint16_t value)
{
    Write(address, static_cast<uint8_t>(value));
    Write(address + 1, static_cast<uint8_t>(value >> 8));
    if (address >= layout_.sfr_start && address < layout_.sfr_end) {
        if (word_writes_.size() >= 100000) {
            word_writes_.erase(word_writes_.begin(), word_writes_.begin() + 50000);
        }
        word_writes_.emplace_back(address, value);
    }
}

uint16_t CBoardMemory::Program(int driver, uint32_t source, uint32_t destination, uint32_t count)
{
    if (count == 0) {
        return kDriverOk;
    }
    if (source < layout_.ram_start || source + count > layout_.ram_end) {
        return kDriverBadSource;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const SimFlashSection* section = SectionAt(destination + i);
        if (section == nullptr || section->driver != driver) {
            return kDriverBadDestination;
        }
    }
    if (!BusReady(driver)) {
        return kDriverNoBus;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const SimFlashSection* section = SectionAt(destination + i);
        uint8_t* cell = FlashByte(destination + i);
        *cell = Programmed(*cell, ram_[source + i - layout_.ram_start], section->erase_char);
    }
    return kDriverOk;
}

uint16_t CBoardMemory::Erase(int driver, uint32_t section_number)
{
    for (size_t i = 0; i < layout_.sections.size(); ++i) {
        const SimFlashSection& s = layout_.sections[i];
        if (s.driver == driver && s.number == section_number) {
            if (!BusReady(driver)) {
                return kDriverNoBus;
            }
            std::fill(flash_[i].begin(), flash_[i].end(), s.erase_char);
            return kDriverOk;
        }
    }
    return kDriverUnknownSection;
}

std::vector<std::pair<uint32_t, std::string>> CBoardMemory::FlashRuns(size_t max_run) const
{
    std::vector<std::pair<uint32_t, std::string>> runs;
    for (size_t i = 0; i < layout_.sections.size(); ++i) {
        const SimFlashSection& s = layout_.sections[i];
        const std::vector<uint8_t>& bytes = flash_[i];
        for (size_t at = 0; at < bytes.size(); at += max_run) {
            const size_t end = std::min(bytes.size(), at + max_run);
            if (std::any_of(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(end),
                            [&](uint8_t b) { return b != s.erase_char; })) {
                runs.emplace_back(s.start + static_cast<uint32_t>(at),
                                  std::string(bytes.begin() + static_cast<long>(at),
                                              bytes.begin() + static_cast<long>(end)));
            }
        }
    }
    return runs;
}

void CBoardMemory::LoadFlash(uint32_t address, const std::string& bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (uint8_t* cell = FlashByte(address + static_cast<uint32_t>(i))) {
            *cell = static_cast<uint8_t>(bytes[i]);
        }
    }
}
