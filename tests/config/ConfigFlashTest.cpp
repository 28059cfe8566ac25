// The configuration editor's store image through flash and back, on both boards of zov-boardsim:
// with the storage core in this process, and with zovcli config store and retrieve.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "BoardSimulator.h"
#include "BootModel.h"
#include "TestSupport.h"
#include "boot/ConfigStorage.h"
#include "config/ConfigEditor.h"
#include "config/ConfigFile.h"
#include "platform/Clock.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

struct tagBoard {
    const char* name;
    uint32_t config_start;
    uint8_t erase_char;
};

const tagBoard kBoards[] = {
    {"XC167", 0xC06000, 0xFF},
    {"XC167X", 0x480000, 0x00},
};

// Records the storage's lines, from any thread.
class CLines : public IConfigStoragePage {
public:
    void OutputText(const std::string& text) override { lines.push_back(text); }
    void SetProgress(uint32_t) override {}
    std::vector<std::string> lines;
};

class CNoView : public IConfigEditorView {
public:
    void OutputText(const std::string& text) override { lines.push_back(text); }
    void PageChanged(int) override {}
    void TabsChanged(bool) override {}
    std::vector<std::string> lines;
};

struct CliRun {
    int exit_code;
    std::string out;
    std::string err;
};

class ConfigFlashTest : public testing::Test {
protected:
    void StartBoard(const tagBoard& board)
    {
        BoardSimOptions options;
        options.board = board.name;
        options.trace_sink = [](const std::string&) {};
        sim_ = std::make_unique<CBoardSimulator>(options);
        std::string error;
        ASSERT_TRUE(sim_->Start(&error)) << error;
        AppSettings::SetControllerBoard(board.name);
        AppSettings::SetComPort(sim_->DevicePath());
    }

    std::string Flash(uint32_t address, size_t size) const
    {
        std::string bytes(size, '\0');
        sim_->InspectBoot([&](const CBootModel& boot, bool) {
            for (size_t i = 0; i < size; ++i) {
                bytes[i] = static_cast<char>(boot.Memory().Read(static_cast<uint32_t>(address + i)));
            }
        });
        return bytes;
    }

    // The configuration stored at the board's area: header length, then the bytes.
    std::string StoredImage(const tagBoard& board) const
    {
        const std::string header = Flash(board.config_start, 32);
        const uint32_t length = static_cast<uint8_t>(header[2]) | static_cast<uint8_t>(header[3]) << 8 |
                                static_cast<uint8_t>(header[4]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(header[5])) << 24;
        return Flash(board.config_start + 32, length);
    }

    CliRun Zovcli(const std::vector<std::string>& args) const
    {
        std::string command = "'" + std::string(ZOVCLI_PATH) + "' --settings '" + settings_.Path() + "' --yes";
        for (const std::string& arg : args) {
            command += " '" + arg + "'";
        }
        command += " </dev/null >'" + folder_.File("out") + "' 2>'" + folder_.File("err") + "'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileText(folder_.File("out")),
                ReadFileText(folder_.File("err"))};
    }

    // The sample with an item of Class 2 added, as a scrambled file.
    std::string SampleWithClass2() const
    {
        CConfig sample;
        EXPECT_TRUE(LoadConfigFile(TestDataDir() + "/config/all_items.cfg", sample));
        sample.Add(std::make_unique<CConfigItemInteger>("Service only", "h", 2, false, 3));
        std::string bytes;
        EXPECT_TRUE(BuildConfigFileBuffer(sample, false, bytes));
        return folder_.Write("sample.cfg", bytes);
    }

    CTempFolder folder_;
    CScopedSettingsFile settings_;
    CRecordingPrompt prompt_;
    CScopedPrompt scoped_prompt_{prompt_};
    CSleepHook no_pauses_{[](uint32_t) {}};
    std::unique_ptr<CBoardSimulator> sim_;
};

}  // namespace

TEST_F(ConfigFlashTest, TheEditorsImageComesBackByteForByte)
{
    for (const tagBoard& board : kBoards) {
        SCOPED_TRACE(board.name);
        StartBoard(board);
        CNoView view;
        CConfigEditor editor(&view, false);
        ASSERT_TRUE(editor.LoadFile(SampleWithClass2()));
        std::string image;
        ASSERT_TRUE(editor.BuildStoreImage(image));
        EXPECT_EQ(view.lines.back(),
                  "1 item(s) of Class 2 or of another class that no page shows are left out of the configuration to "
                  "store.");
        CLines lines;
        CConfigStorage storage(lines);
        ASSERT_TRUE(storage.StoreConfiguration(reinterpret_cast<const uint8_t*>(image.data()),
                                               static_cast<uint32_t>(image.size())));
        EXPECT_EQ(StoredImage(board), image);

        std::vector<uint8_t> back;
        ASSERT_TRUE(storage.RetrieveConfiguration(back));
        CConfigEditor retrieved(&view, false);
        ASSERT_TRUE(retrieved.TakeRetrievedImage(back));
        std::string again;
        ASSERT_TRUE(retrieved.BuildStoreImage(again));
        EXPECT_EQ(again, image);
        sim_->Stop();
    }
}

TEST_F(ConfigFlashTest, ZovcliStoresWhatThePageStoresAndSavesWhatItSaves)
{
    const std::string sample = SampleWithClass2();
    for (const tagBoard& board : kBoards) {
        SCOPED_TRACE(board.name);
        StartBoard(board);
        CNoView view;
        CConfigEditor editor(&view, false);
        ASSERT_TRUE(editor.LoadFile(sample));
        std::string image;
        ASSERT_TRUE(editor.BuildStoreImage(image));

        const CliRun store = Zovcli({"--port", sim_->DevicePath(), "config", "store", sample});
        EXPECT_EQ(store.exit_code, 0) << store.out << store.err;
        EXPECT_NE(store.out.find("1 item(s) of Class 2 or of another class that no page shows are left out of the "
                                 "configuration to store.\n"),
                  std::string::npos);
        EXPECT_NE(store.out.find("\nConfiguration successfully stored.\n"), std::string::npos) << store.out;
        EXPECT_NE(store.err.find("100.0 %"), std::string::npos);
        EXPECT_EQ(StoredImage(board), image);

        for (const bool ascii : {false, true}) {
            const std::string out = folder_.File(ascii ? "back_ascii.cfg" : "back.cfg");
            std::vector<std::string> args = {"--port", sim_->DevicePath(), "config", "retrieve", out};
            if (ascii) {
                args.push_back("--ascii");
            }
            const CliRun retrieve = Zovcli(args);
            EXPECT_EQ(retrieve.exit_code, 0) << retrieve.out << retrieve.err;
            EXPECT_NE(retrieve.out.find("Configuration successfully retrieved.\nConfiguration saved in " + out + ".\n"),
                      std::string::npos)
                << retrieve.out;
            editor.SetSaveInAscii(ascii);
            std::string file;
            ASSERT_TRUE(editor.BuildFileImage(file));
            EXPECT_EQ(ReadFileText(out), file);
        }
        sim_->Stop();
    }
}

TEST_F(ConfigFlashTest, ZovcliExitStatusesSayWhatWentWrong)
{
    StartBoard(kBoards[0]);
    const std::string port = sim_->DevicePath();
    const struct {
        const char* what;
        std::vector<std::string> args;
        int exit_code;
        const char* said;  // in stdout or stderr
    } rows[] = {
        {"usage", {"config", "store"}, 2, "usage: zovcli config"},
        {"unknown option", {"config", "retrieve", "x.cfg", "--scrambled"}, 2, "usage: zovcli config"},
        {"missing file", {"--port", port, "config", "store", folder_.File("missing.cfg")}, 2, "cannot read"},
        {"not a configuration", {"--port", port, "config", "store", folder_.Write("junk.cfg", "junk")}, 1,
         "File does not appear to be a valid configuration file!"},
        {"no such port", {"--port", folder_.File("nothing"), "config", "store", SampleWithClass2()}, 2, "cannot open"},
        {"erased area", {"--port", port, "config", "retrieve", folder_.File("never.cfg")}, 1, "Error reading header."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const CliRun run = Zovcli(row.args);
        EXPECT_EQ(run.exit_code, row.exit_code) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(row.said), std::string::npos) << run.out << run.err;
    }
    EXPECT_TRUE(ReadFileText(folder_.File("never.cfg")).empty());
    // Without --yes and without a terminal the boot-mode question is answered with Cancel.
    const std::string command = "'" + std::string(ZOVCLI_PATH) + "' --settings '" + settings_.Path() + "' --port '" +
                                port + "' config retrieve '" + folder_.File("x.cfg") + "' </dev/null >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1);
}
