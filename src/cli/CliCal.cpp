// zovcli cal backup / restore: the calibration hub's "Backup" and "Restore" with the file named
// on the command line instead of chosen in a file dialog, and the hub's messages.

#include <cstdio>
#include <sys/stat.h>

#include "cli/CliCommand.h"
#include "cli/CliSession.h"
#include "handler/SerialCommHandler.h"
#include "procedures/CalibrationBackup.h"

namespace {

// The folder a new file would go into exists; checked before the board is asked, so that a
// mistyped path costs nothing.
bool FolderOfFileExists(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int Backup(const CliOptions& options, const std::string& path)
{
    if (!FolderOfFileExists(path)) {
        CliError("The file \"" + path + "\" could not be created: No such file or directory.");
        return kExitCannotRun;
    }
    CCliSession session(options);
    if (!session.Connect(false, nullptr)) return kExitCannotRun;
    std::vector<std::string> items;
    if (!RetrieveCalibrationData(session.Handler(), &items)) {
        CliError(std::string(kCalibrationNotRetrieved) + " (" + session.Handler().GetLastResultText() + ")");
        return kExitFailed;
    }
    std::string error;
    if (!WriteCalFile(path, CalFileText(items), &error)) {
        CliError(error);
        return kExitCannotRun;
    }
    std::printf("%s\n", kCalibrationSaved);
    return kExitSucceeded;
}

int Restore(const CliOptions& options, const std::string& path)
{
    std::string content;
    std::string error;
    if (!ReadCalFile(path, &content, &error)) {
        CliError(error);
        return kExitCannotRun;
    }
    CCliSession session(options);
    if (!session.Connect(false, nullptr)) return kExitCannotRun;
    if (!RestoreCalibrationData(session.Handler(), ParseCalFile(content))) {
        CliError(std::string(kCalibrationRestoreFailed) + " (" + session.Handler().GetLastResultText() + ")");
        return kExitFailed;
    }
    std::printf("%s\n", kCalibrationRestored);
    return kExitSucceeded;
}

int RunCal(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() == 2 && args[0] == "backup") return Backup(options, args[1]);
    if (args.size() == 2 && args[0] == "restore") return Restore(options, args[1]);
    CliError("usage: zovcli cal backup FILE.cal | cal restore FILE.cal");
    return kExitCannotRun;
}

const CCliRegistration kCal({"cal", "backup|restore FILE.cal",
                             "save or restore the calibration data (a .cal file)", RunCal});

}  // namespace
