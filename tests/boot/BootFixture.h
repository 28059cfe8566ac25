// The common ground of the boot tests: a support folder with a board description and boot
// images, a private settings file naming the fake board's pseudo-terminal, a recording prompt,
// recorders for the pages, and no real pauses.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "FakeBootBoard.h"
#include "TestSupport.h"
#include "boot/ConfigStorage.h"
#include "boot/SwDownload.h"
#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

// Records what a page is told, from any thread.
class CPageRecorder : public ISwDownloadPage, public IConfigStoragePage {
public:
    void OutputText(const std::string& text) override;
    void SetProgress(uint32_t per_mille) override;
    void SetRunning(bool running) override;
    void SetAbortable(bool abortable) override;

    std::vector<std::string> Lines() const;
    std::vector<uint32_t> Progress() const;
    std::vector<bool> Running() const;
    std::vector<bool> Abortable() const;
    bool HasLine(const std::string& line) const;
    void Clear();

    // Called (outside the recorder's lock) with every progress value, on the reporting thread.
    std::function<void(uint32_t)> on_progress;

private:
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
    std::vector<uint32_t> progress_;
    std::vector<bool> running_;
    std::vector<bool> abortable_;
};

// The description every test starts from; {KEY} fields are filled by BootTest::WriteSupport.
extern const char kBoardIni[];

class BootTest : public ::testing::Test {
protected:
    BootTest();
    ~BootTest() override;

    // Writes ZOVtool.ini (kBoardIni with the extra lines appended to the board's section, and
    // lines starting with a key given in drop removed) and the images into the support folder.
    void WriteSupport(const std::string& extra = "", const std::vector<std::string>& drop = {});
    // A firmware image file in the temporary folder.
    std::string WriteImage(const std::string& name, const std::string& hex_text);

    FakeBoardSetup Setup() const;

    CTempFolder folder_;
    CScopedSettingsFile settings_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    CSleepHook no_pauses_{[](uint32_t) {}};
    std::unique_ptr<CFakeBootBoard> board_;
    std::vector<uint8_t> loader_, monitor_, driver0_, driver1_;
};

// Addresses of the test board.
constexpr uint32_t kTransferAddress = 0x00E000;
constexpr uint32_t kProgressAddress = 0x00FFC2;
constexpr uint32_t kChecksumAddress = 0x01FFFE;
constexpr uint32_t kConfigStart = 0x038000;
constexpr uint32_t kConfigEnd = 0x0380FF;
