#include "BootFixture.h"

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

#include "HexRecords.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

void CPageRecorder::OutputText(const std::string& text)
{
    std::lock_guard<std::mutex> guard(lock_);
    lines_.push_back(text);
}

void CPageRecorder::SetProgress(uint32_t per_mille)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        progress_.push_back(per_mille);
    }
    if (on_progress) {
        on_progress(per_mille);
    }
}

void CPageRecorder::SetRunning(bool running)
{
    std::lock_guard<std::mutex> guard(lock_);
    running_.push_back(running);
}

void CPageRecorder::SetAbortable(bool abortable)
{
    std::lock_guard<std::mutex> guard(lock_);
    abortable_.push_back(abortable);
}

std::vector<bool> CPageRecorder::Abortable() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return abortable_;
}

std::vector<std::string> CPageRecorder::Lines() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return lines_;
}

std::vector<uint32_t> CPageRecorder::Progress() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return progress_;
}

std::vector<bool> CPageRecorder::Running() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return running_;
}

bool CPageRecorder::HasLine(const std::string& line) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

void CPageRecorder::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    lines_.clear();
    progress_.clear();
    running_.clear();
    abortable_.clear();
}

const char kBoardIni[] =
    "[ControllerBoards]\r\n"
    "CB0=XC167\r\n"
    "CBinfo0=Test controller board\r\n"
    "\r\n"
    "[XC167]\r\n"
    "BootLoader=loader.hex\r\n"
    "BootMonitor=monitor.hex\r\n"
    "FlashDriver00=driver0.hex\r\n"
    "FlashDriver01=driver1.hex\r\n"
    "ProcessorIdByte=0xC5\r\n"
    "SFRaddress00=0xFF12\r\n"
    "SFRdata00=0x1234\r\n"
    "SFRaddress01=0xFF14\r\n"
    "SFRdata01=0x10055\r\n"
    "Section00=0x010000\r\n"
    "SectionNumber00=0\r\n"
    "SectionSize00=0x10000\r\n"
    "SectionDriver00=0\r\n"
    "SectionEraseChar00=0xFF\r\n"
    "Section01=0x020000\r\n"
    "SectionNumber01=1\r\n"
    "SectionSize01=0x10000\r\n"
    "SectionDriver01=0\r\n"
    "SectionEraseChar01=0xFF\r\n"
    "Section02=0x030000\r\n"
    "SectionNumber02=2\r\n"
    "SectionSize02=0x8000\r\n"
    "SectionDriver02=1\r\n"
    "SectionEraseChar02=0x00\r\n"
    "Section03=0x038000\r\n"
    "SectionNumber03=3\r\n"
    "SectionSize03=0x8000\r\n"
    "SectionDriver03=0\r\n"
    "SectionEraseChar03=511\r\n"
    "FlashTransferSize00=256\r\n"
    "FlashTransferSize01=128\r\n"
    "FlashTransferAddress=0x00E000\r\n"
    "ProgressIndicatorAddress=0x00FFC2\r\n"
    "ProgressIndicatorData0=0x0001\r\n"
    "ProgressIndicatorData1=0x0000\r\n"
    "ChecksumAddressCode=0x01FFFE\r\n"
    "ChecksumRangeCodeStart00=0x010000\r\n"
    "ChecksumRangeCodeEnd00=0x01FFFD\r\n"
    "ConfigStartAddress=0x038000\r\n"
    "ConfigEndAddress=0x0380FF\r\n";

namespace {

std::vector<uint8_t> Pattern(size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

}  // namespace

BootTest::BootTest()
    : loader_(Pattern(32, 0x10)), monitor_(Pattern(64, 0x40)), driver0_(Pattern(48, 0x80)),
      driver1_(Pattern(40, 0xC0))
{
    mkdir(folder_.File("ZOVtoolSupportFiles").c_str(), 0755);
    setenv("ZOVTOOL_SUPPORT_DIR", folder_.File("ZOVtoolSupportFiles").c_str(), 1);
    WriteSupport();
    board_ = std::make_unique<CFakeBootBoard>(Setup());
    AppSettings::SetComPort(board_->DevicePath());
    AppSettings::SetControllerBoard("XC167");
}

BootTest::~BootTest()
{
    unsetenv("ZOVTOOL_SUPPORT_DIR");
}

FakeBoardSetup BootTest::Setup() const
{
    FakeBoardSetup setup;
    setup.sections = {{0x010000, 0x10000, 0, 0xFF},
                      {0x020000, 0x10000, 1, 0xFF},
                      {0x030000, 0x8000, 2, 0x00},
                      {0x038000, 0x8000, 3, 0xFF}};
    setup.drivers = {{0x00F000, driver0_}, {0x00F200, driver1_}};
    return setup;
}

void BootTest::WriteSupport(const std::string& extra, const std::vector<std::string>& drop)
{
    std::istringstream in(kBoardIni);
    std::string ini;
    for (std::string line; std::getline(in, line);) {
        bool keep = true;
        for (const std::string& key : drop) {
            keep = keep && line.rfind(key + "=", 0) != 0;
        }
        if (keep) {
            ini += line + "\n";
        }
    }
    ini += extra;
    const std::string support = folder_.File("ZOVtoolSupportFiles");
    const auto write = [&](const std::string& name, const std::string& content) {
        const std::string path = support + "/" + name;
        FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    };
    write("ZOVtool.ini", ini);
    write("loader.hex", HexImage({{0x00FA40, loader_}}));
    write("monitor.hex", HexImage({{0x00F600, monitor_}}));
    write("driver0.hex", HexImage({{0x00F000, driver0_}}));
    write("driver1.hex", HexImage({{0x00F200, driver1_}}));
}

std::string BootTest::WriteImage(const std::string& name, const std::string& hex_text)
{
    return folder_.Write(name, hex_text);
}
