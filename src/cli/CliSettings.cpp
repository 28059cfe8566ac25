// zovcli settings: show and change the per-user settings from the command line.

#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "cli/CliCommand.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

namespace {

struct KnownSetting {
    const char* name;
    bool is_string;
};

const KnownSetting kKnown[] = {
    {AppSettings::kComPort, true},
    {AppSettings::kCommandTimeout, false},
    {AppSettings::kControllerBoard, true},
    {AppSettings::kDownloadFilename, true},
    {AppSettings::kVerifyAfterProgram, false},
    {AppSettings::kZelWarningLogging, false},
    {AppSettings::kZelErrorLogging, false},
    {AppSettings::kZelFrameLogging, false},
    {AppSettings::kZelDebugLogging, false},
    {AppSettings::kScriptLogging, false},
    {AppSettings::kLastShownView, false},
    {AppSettings::kShowFixedConfigItems, false},
    {AppSettings::kPrepareByZovTool, false},
};

const KnownSetting* FindKnown(const std::string& name)
{
    for (const KnownSetting& setting : kKnown) {
        if (strcasecmp(setting.name, name.c_str()) == 0) {
            return &setting;
        }
    }
    return nullptr;
}

int ShowSettings()
{
    std::printf("settings file: %s\n", CSettingsStore::FilePath().c_str());
    for (const KnownSetting& setting : kKnown) {
        if (setting.is_string) {
            const auto value = CSettingsStore::ReadString(setting.name);
            std::printf("%-24s %s\n", setting.name, value ? ("\"" + *value + "\"").c_str() : "(not set)");
        } else {
            const auto value = CSettingsStore::ReadDword(setting.name);
            std::printf("%-24s %s\n", setting.name, value ? std::to_string(*value).c_str() : "(not set)");
        }
    }
    return kExitSucceeded;
}

int SetSetting(const std::string& name, const std::string& value)
{
    const KnownSetting* setting = FindKnown(name);
    if (setting == nullptr) {
        CliError("unknown setting \"" + name + "\"; zovcli settings lists them");
        return kExitCannotRun;
    }
    bool ok = false;
    if (setting->is_string) {
        ok = CSettingsStore::WriteString(setting->name, value);
    } else {
        char* end = nullptr;
        const unsigned long number = std::strtoul(value.c_str(), &end, 0);
        if (value.empty() || *end != '\0' || number > 0xFFFFFFFFul) {
            CliError("\"" + std::string(setting->name) + "\" takes a number, not \"" + value + "\"");
            return kExitCannotRun;
        }
        ok = CSettingsStore::WriteDword(setting->name, static_cast<uint32_t>(number));
    }
    if (!ok) {
        CliError("cannot write the settings file " + CSettingsStore::FilePath());
        return kExitCannotRun;
    }
    return kExitSucceeded;
}

int RunSettings(const CliOptions&, const std::vector<std::string>& args)
{
    if (!CSettingsStore::IsAvailable()) {
        // The file itself is what this command is about; main has said why it cannot be read.
        return kExitCannotRun;
    }
    if (args.empty()) {
        return ShowSettings();
    }
    if (args.size() == 2) {
        return SetSetting(args[0], args[1]);
    }
    CliError("usage: zovcli settings [NAME VALUE]");
    return kExitCannotRun;
}

const CCliRegistration kSettings({"settings", "[NAME VALUE]",
                                  "show every setting, or store one (such as \"COM port\" COM2)",
                                  RunSettings});

}  // namespace
