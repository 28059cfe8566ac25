#include "StateFile.h"

#include <cstdio>
#include <map>
#include <vector>

#include "BoardMemory.h"
#include "SimParams.h"
#include "Subsystem.h"
#include "platform/Format.h"
#include "platform/TextFile.h"

namespace {

constexpr size_t kFlashLine = 32;

std::string Hex(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        text += Format("%02X", c);
    }
    return text;
}

bool Unhex(const std::string& text, std::string* bytes)
{
    if (text.size() % 2 != 0) {
        return false;
    }
    bytes->clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        uint64_t value = 0;
        if (!ParseSimNumber("0x" + text.substr(i, 2), &value)) {
            return false;
        }
        bytes->push_back(static_cast<char>(value));
    }
    return true;
}

}  // namespace

std::string BuildStateText(const CSubsystem& subsystem, const CBoardMemory& memory,
                           const std::string& other_boards)
{
    std::string text = "; zov-boardsim state: flash, calibration data and parameter buffers\n";
    text += "[Calibration]\n";
    const std::vector<std::string>& records = subsystem.CalibrationRecords();
    for (size_t i = 0; i < records.size(); ++i) {
        text += Format("Record%zu=%s\n", i + 1, records[i].c_str());
    }
    text += "[Buffers]\n";
    for (const auto& [key, value] : subsystem.SaveBuffers()) {
        text += key + "=" + value + "\n";
    }
    text += "[Flash " + memory.Layout().name + "]\n";
    for (const auto& [address, bytes] : memory.FlashRuns(kFlashLine)) {
        text += Format("%06X=", address) + Hex(bytes) + "\n";
    }
    return text + other_boards;
}

bool ApplyStateText(const std::string& text, CSubsystem& subsystem, CBoardMemory& memory,
                    std::string* other_boards, std::string* error)
{
    enum class Section { None, Calibration, Buffers, Flash, Other };
    Section section = Section::None;
    std::vector<std::string> records;
    int line_number = 0;
    other_boards->clear();
    for (const std::string& line : SplitLines(text)) {
        ++line_number;
        if (line.empty() || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            const std::string name = line.substr(1, line.find(']') - 1);
            section = name == "Calibration" ? Section::Calibration
                      : name == "Buffers"   ? Section::Buffers
                      : name == "Flash " + memory.Layout().name ? Section::Flash
                      : name.rfind("Flash ", 0) == 0 ? Section::Other
                                                     : Section::None;
            if (section == Section::Other) {
                *other_boards += line + "\n";
            }
            continue;
        }
        if (section == Section::Other) {
            *other_boards += line + "\n";
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            *error = Format("state file line %d: no '='", line_number);
            return false;
        }
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (section == Section::Calibration) {
            records.push_back(value);
        } else if (section == Section::Buffers) {
            int device = 0, buffer = 0;
            unsigned subindex = 0;
            if (std::sscanf(key.c_str(), "%d.%d.%u", &device, &buffer, &subindex) != 3 ||
                subindex > 255) {
                *error = Format("state file line %d: bad buffer key", line_number);
                return false;
            }
            subsystem.LoadBuffer(device, buffer, static_cast<uint8_t>(subindex), value);
        } else if (section == Section::Flash) {
            uint64_t address = 0;
            std::string bytes;
            if (!ParseSimNumber("0x" + key, &address) || !Unhex(value, &bytes)) {
                *error = Format("state file line %d: bad flash line", line_number);
                return false;
            }
            memory.LoadFlash(static_cast<uint32_t>(address), bytes);
        }
    }
    if (!records.empty()) {
        subsystem.LoadCalibration(records);
    }
    return true;
}
