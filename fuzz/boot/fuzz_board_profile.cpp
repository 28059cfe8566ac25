// Board description files from anywhere: the profile reader and every board description reader
// on top of it must never crash and must end every list.

#include <cstdint>
#include <string>

#include "boot/BoardDescription.h"
#include "boot/TextOutput.h"
#include "platform/Profile.h"

namespace {

class CCountingOutput : public ITextOutput {
public:
    void OutputText(const std::string&) override { ++lines; }
    size_t lines = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const CBoardDescription description(CProfile::FromText(text));
    CCountingOutput output;
    for (const tagBoardEntry& board : description.BoardList()) {
        tagDownloadLayout download;
        description.ReadDownloadLayout(board.identifier, download, &output);
        tagConfigLayout config;
        description.ReadConfigLayout(board.identifier, config, &output);
        uint32_t address = 0;
        uint16_t value = 0;
        for (int n = 0; description.Sfr(board.identifier, n, address, value); ++n) {
        }
        description.BootLoader(board.identifier);
        description.ProcessorIdByte(board.identifier);
        FindSection(download.sections, download.checksum_address);
    }
    return 0;
}
