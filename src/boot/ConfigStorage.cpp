#include "boot/ConfigStorage.h"

#include "platform/Format.h"
#include "platform/Prompt.h"
#include "boot/SwDownload.h"

namespace {

void PutLittle(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out[at + i] = static_cast<uint8_t>((value >> (8 * i)) & 0xFF);
    }
}

uint32_t GetLittle(const uint8_t* in, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | in[i];
    }
    return value;
}

const char kStoreAborted[] = "Storing configuration aborted; the flash was not changed.";
const char kRetrieveAborted[] = "Retrieving configuration aborted.";

}  // namespace

CConfigStorage::CConfigStorage(IConfigStoragePage& page)
    : page_(page), boot_(std::make_unique<CBootCommHandler>(*this))
{
}

CConfigStorage::~CConfigStorage() = default;

void CConfigStorage::SetPortOverride(std::optional<std::string> port)
{
    port_override_ = std::move(port);
    boot_->SetPortOverride(port_override_);
}

uint16_t CConfigStorage::AreaChecksum(const uint8_t* bytes, uint32_t length, uint8_t erase_char, uint32_t area_size)
{
    uint32_t sum = 0;
    for (uint32_t i = 0; i + 1 < length; i += 2) {
        sum += bytes[i] + 256u * bytes[i + 1];
    }
    if (length % 2 != 0) {
        sum += bytes[length - 1] + 256u * erase_char;
    }
    // The rest of the area counts as erased words; the difference wraps like the 32-bit numbers
    // the board's own check uses when the bytes do not fit (the store then fails anyway).
    sum += ((area_size - length) / 2) * (erase_char * 257u);
    return static_cast<uint16_t>(sum & 0xFFFF);
}

bool CConfigStorage::Aborted(const char* line)
{
    if (!abort_.load()) {
        return false;
    }
    OutputText(line);
    return true;
}

bool CConfigStorage::PrepareBoard(const char* aborted_line)
{
    if (Aborted(aborted_line) || !AskOkCancel(CSwDownload::kBootModePrompt) || Aborted(aborted_line)) {
        return false;
    }
    if (!boot_->Boot()) {
        if (Aborted(aborted_line)) {
            return false;
        }
        // A fresh link starts from a closed port and no loaded driver.
        boot_.reset();
        boot_ = std::make_unique<CBootCommHandler>(*this);
        boot_->SetPortOverride(port_override_);
        if (!boot_->Boot()) {
            return false;
        }
    }
    if (!ReadConfigLayout(layout_, this)) {
        OutputText("Error reading the .ini file.");
        return false;
    }
    return !Aborted(aborted_line);
}

bool CConfigStorage::CheckTransferSize(const tagSectionInfo& section)
{
    // A step of 0 bytes would never end and an odd one cannot be programmed.
    const uint32_t size = section.transfer_size;
    if (size == 0 || size % 2 != 0 || size > CBootCommHandler::kMaxBlockLength) {
        OutputText(Format("Invalid flash transfer size %u for flash driver %d in the .ini file.", size, section.driver));
        return false;
    }
    return true;
}

void CConfigStorage::OutputHeader()
{
    OutputText(Format("Configuration Header:\r\n     Checksum = 0x%04x (%d)\r\n     Length = 0x%06x (%d)\r\n"
                      "     Magic = 0x%04x (%d)\r\n     Version = 0x%04x (%d)",
                      header_.checksum, header_.checksum, header_.length, static_cast<int>(header_.length),
                      header_.magic, header_.magic, header_.version, header_.version));
}

void CConfigStorage::ToggleProgressIndicator()
{
    if (layout_.progress_address == kMissingValue) {
        return;
    }
    const uint16_t value = last_indicator_ == layout_.progress_data1 ? layout_.progress_data0 : layout_.progress_data1;
    uint8_t ignored = 0;
    boot_->WriteWord(layout_.progress_address, value, ignored);  // a lost blink does not matter
    last_indicator_ = value;
}

bool CConfigStorage::StoreConfiguration(const uint8_t* bytes, uint32_t length)
{
    bool ok = false;
    page_.SetAbortable(true);
    if (PrepareBoard(kStoreAborted) && (bytes != nullptr || length == 0)) {
        const tagSectionInfo* section = FindSection(layout_.sections, layout_.config_start);
        if (section == nullptr) {
            ShowMessage("Error in .ini file. ConfigStartAddress is not within flash.");
        } else if (CheckTransferSize(*section) && !Aborted(kStoreAborted)) {
            page_.SetAbortable(false);
            const tagSectionInfo home = *section;
            const uint64_t area_size = uint64_t{layout_.config_end} - layout_.config_start + 1;
            bool erased = true;
            for (const tagSectionInfo& candidate : layout_.sections) {
                if (!SectionOverlaps(candidate, layout_.config_start, layout_.config_end)) {
                    continue;
                }
                OutputText(Format("Erasing flash section 0x%02x", candidate.number));
                uint16_t driver_result = 0;
                uint8_t return_byte = 0;
                if (!boot_->EraseSection(candidate.number, candidate.driver, driver_result, return_byte)) {
                    OutputText(Format("Erasing section %d failed.", candidate.number));
                    OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
                    OutputText(boot_->DriverResultLine(driver_result));
                    erased = false;
                    break;
                }
            }
            if (erased) {
                header_ = tagConfigHeader{};
                for (uint16_t& word : header_.fill) {
                    word = home.erase_char;
                }
                header_.magic = kMagic;
                header_.version = kVersion;
                header_.length = length;
                header_.checksum = AreaChecksum(bytes, length, home.erase_char, static_cast<uint32_t>(area_size));
                OutputHeader();

                const uint64_t total = (uint64_t{length} + kHeaderSize + 1) & ~uint64_t{1};
                OutputText("Storing configuration.");
                if (total > area_size) {
                    OutputText(Format("Not enough room to store configuration. Needed 0x%06llx bytes, Available "
                                      "0x%06llx bytes.",
                                      static_cast<unsigned long long>(total), static_cast<unsigned long long>(area_size)));
                } else {
                    std::vector<uint8_t> image(static_cast<size_t>(total), home.erase_char);
                    PutLittle(image, 0, header_.checksum, 2);
                    PutLittle(image, 2, header_.length, 4);
                    PutLittle(image, 6, header_.magic, 2);
                    PutLittle(image, 8, header_.version, 2);
                    for (size_t i = 0; i < 11; ++i) {
                        PutLittle(image, 10 + 2 * i, header_.fill[i], 2);
                    }
                    std::copy(bytes, bytes + length, image.begin() + kHeaderSize);
                    ok = StoreSteps(image, home);
                }
            }
        }
    }
    OutputText(ok ? "Configuration successfully stored." : "Configuration could not be stored.");
    page_.SetAbortable(false);
    return ok;
}

bool CConfigStorage::StoreSteps(const std::vector<uint8_t>& image, const tagSectionInfo& home)
{
    const uint32_t total = static_cast<uint32_t>(image.size());
    const uint32_t transfer = layout_.transfer_address;
    std::vector<uint8_t> read_back;
    uint32_t done = 0;
    while (done < total) {
        const uint32_t n = std::min(total - done, home.transfer_size);
        const uint32_t destination = layout_.config_start + done;
        const uint8_t* step = image.data() + done;
        uint8_t return_byte = 0;
        uint16_t driver_result = 0;
        // The destination's own section names the driver; an area reaching beyond the described
        // sections cannot be programmed there.
        const tagSectionInfo* section = FindSection(layout_.sections, destination);
        if (section == nullptr) {
            OutputText(Format("Block to program is not in a flash section. Address: 0x%06x, Size: 0x%06x.",
                              destination, n));
            return false;
        }
        if (!boot_->WriteBlock(transfer, n, step, return_byte)) {
            OutputText(Format("Write block failed: address = 0x%06x, size = 0x%06x.", transfer, n));
            OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            return false;
        }
        if (!boot_->ProgramFlash(static_cast<uint16_t>(n), transfer, destination, section->driver, driver_result,
                                 return_byte)) {
            OutputText(Format("Program flash failed: source address = 0x%06x, destination address = 0x%06x, size = "
                              "0x%06x.",
                              transfer, destination, n));
            OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            OutputText(boot_->DriverResultLine(driver_result));
            return false;
        }
        read_back.assign(n, 0);
        if (!boot_->ReadBlock(destination, n, read_back.data(), return_byte)) {
            OutputText(Format("Reading block failed: address = 0x%06x, size = 0x%06x.", destination, n));
            OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            return false;
        }
        for (uint32_t i = 0; i < n; ++i) {
            if (read_back[i] != step[i]) {
                OutputText(Format("Verify failed on address 0x%06x. Written: 0x%02x Read: 0x%02x.", destination + i,
                                  step[i], read_back[i]));
                return false;
            }
        }
        ToggleProgressIndicator();
        done += n;
        page_.SetProgress(static_cast<uint32_t>(uint64_t{done} * 1000 / total));
    }
    return true;
}

bool CConfigStorage::RetrieveConfiguration(std::vector<uint8_t>& bytes)
{
    page_.SetAbortable(true);
    const bool ok = Retrieve(bytes);
    page_.SetAbortable(false);
    return ok;
}

bool CConfigStorage::Retrieve(std::vector<uint8_t>& bytes)
{
    bytes.clear();
    if (!PrepareBoard(kRetrieveAborted)) {
        return false;
    }
    uint8_t raw[kHeaderSize] = {};
    uint8_t return_byte = 0;
    if (!boot_->ReadBlock(layout_.config_start, kHeaderSize, raw, return_byte)) {
        OutputText(Format("Reading block failed: address = 0x%06x, size = 0x%06x.", layout_.config_start, kHeaderSize));
        OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
        return false;
    }
    header_.checksum = static_cast<uint16_t>(GetLittle(raw, 2));
    header_.length = GetLittle(raw + 2, 4);
    header_.magic = static_cast<uint16_t>(GetLittle(raw + 6, 2));
    header_.version = static_cast<uint16_t>(GetLittle(raw + 8, 2));
    for (size_t i = 0; i < 11; ++i) {
        header_.fill[i] = static_cast<uint16_t>(GetLittle(raw + 10 + 2 * i, 2));
    }
    OutputHeader();
    const uint64_t area_size = uint64_t{layout_.config_end} - layout_.config_start + 1;
    if (uint64_t{header_.length} + kHeaderSize > area_size) {
        OutputText("Error reading header.");
        return false;
    }
    const tagSectionInfo* section = FindSection(layout_.sections, layout_.config_start);
    if (section == nullptr) {
        ShowMessage("Error in .ini file. ConfigStartAddress is not within flash.");
        return false;
    }
    if (section->transfer_size == 0) {
        OutputText(Format("Invalid flash transfer size %u for flash driver %d in the .ini file.", 0u, section->driver));
        return false;
    }
    bytes.assign(header_.length, 0);
    OutputText("Retrieving configuration.");
    if (!RetrieveSteps(bytes, *section)) {
        OutputText("Configuration could not be retrieved.");
        bytes.clear();
        bytes.shrink_to_fit();
        return false;
    }
    OutputText("Configuration successfully retrieved.");
    return true;
}

bool CConfigStorage::RetrieveSteps(std::vector<uint8_t>& bytes, const tagSectionInfo& section)
{
    const uint32_t length = static_cast<uint32_t>(bytes.size());
    const uint32_t step_limit = std::min(section.transfer_size, kMaxRetrieveStep);
    uint32_t done = 0;
    while (done < length) {
        if (Aborted(kRetrieveAborted)) {
            return false;
        }
        const uint32_t n = std::min(length - done, step_limit);
        const uint32_t address = layout_.config_start + kHeaderSize + done;
        uint8_t return_byte = 0;
        if (!boot_->ReadBlock(address, n, bytes.data() + done, return_byte)) {
            OutputText(Format("Reading block failed: address = 0x%06x, size = 0x%06x.", address, n));
            OutputText(Format("    Monitor returned: 0x%02x.", return_byte));
            return false;
        }
        ToggleProgressIndicator();
        done += n;
        page_.SetProgress(static_cast<uint32_t>(uint64_t{done} * 1000 / length));
    }
    return true;
}
