// zovtool: the ZOV tool's window. main only wires the application object, the prompt, the
// optional simulated board and the main window together.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QApplication>

#include <memory>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

#include "BoardSimulator.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/frame/MainFrame.h"
#include "gui/tests/BuffersDlg.h"
#include "platform/Prompt.h"
#include "logging/ZovLogging.h"
#include "platform/Settings.h"
#include "shell/AppSettings.h"

namespace {

constexpr int kExitCannotRun = 2;

struct tagToolOptions {
    bool simulate = false;
    std::string scenario;  // the simulated board's scenario file
    std::string settings;
};

// Ctrl+C and kill end the run as the window's close does: the placement and the view are
// stored and the view's link is closed. The handler only writes a byte; the GUI thread reads it.
int g_signal_pipe[2] = {-1, -1};

void OnStopSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_signal_pipe[1], &byte, 1);
}

bool CatchStopSignals()
{
    if (pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

// Starts the built-in simulated board and points this run's links at it. Null (after telling
// the engineer) when it cannot start; the tool then uses the saved port.
std::unique_ptr<CBoardSimulator> StartSimulatedBoard(const std::string& scenario)
{
    BoardSimOptions sim_options;
    sim_options.scenario_file = scenario;
    // The board's own trace would only clutter the terminal; the tool log shows the frames.
    sim_options.trace_sink = [](const std::string&) {};
    auto simulator = std::make_unique<CBoardSimulator>(std::move(sim_options));
    std::string error;
    if (!simulator->Start(&error)) {
        ShowMessage("The simulated board could not be started: " + error +
                        "\r\nThe tool uses the COM port of the settings.",
                    PromptIcon::Warning);
        return nullptr;
    }
    AppSettings::SetComPortForRun(simulator->DevicePath());
    return simulator;
}

void PrintUsage()
{
    std::printf(
        "usage: zovtool [--simulate [--scenario FILE]] [--settings FILE]\n"
        "\n"
        "  --simulate        start the built-in simulated controller board and talk to it for\n"
        "                    this run (the saved COM port is not changed)\n"
        "  --scenario FILE   the simulated board's scenario (see zov-boardsim), with --simulate\n"
        "  --settings FILE   settings file to use instead of ~/.config/KVT/Nemra/ZOV tool.reg\n");
}

// False (after saying why) when the arguments cannot be used; exit_code tells how to end.
bool ParseArguments(int argc, char** argv, tagToolOptions& options, int& exit_code)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--simulate") {
            options.simulate = true;
        } else if (argument == "--scenario" && i + 1 < argc) {
            options.scenario = argv[++i];
        } else if (argument == "--settings" && i + 1 < argc) {
            options.settings = argv[++i];
        } else if (argument == "--help" || argument == "-h") {
            PrintUsage();
            exit_code = 0;
            return false;
        } else {
            std::fprintf(stderr, "zovtool: unknown option or missing value: %s (see --help)\n",
                         argument.c_str());
            exit_code = kExitCannotRun;
            return false;
        }
    }
    if (!options.scenario.empty() && !options.simulate) {
        std::fprintf(stderr, "zovtool: --scenario is the simulated board's; use it with --simulate\n");
        exit_code = kExitCannotRun;
        return false;
    }
    return true;
}

// Qt aborts with a long report when it cannot reach a display; say it in one line instead.
bool HasDisplay()
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform != nullptr && *platform != '\0') {
        return true;  // the caller chose a platform (offscreen, vnc, ...)
    }
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    tagToolOptions options;
    int exit_code = 0;
    if (!ParseArguments(argc, argv, options, exit_code)) {
        return exit_code;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "zovtool: no display (DISPLAY is not set); start it on a desktop or under "
                     "Xvfb, or use zovcli\n");
        return kExitCannotRun;
    }
    if (!options.settings.empty()) {
        CSettingsStore::SetFile(options.settings);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZOV tool"));
    QApplication::setOrganizationName(QStringLiteral("KVT"));

    CGuiPrompt prompt;
    CScopedPrompt prompt_scope(prompt);

    // The board outlives the window, so that the view's handler closes its link first.
    std::unique_ptr<CBoardSimulator> simulator;
    QString simulated_port;
    if (options.simulate) {
        simulator = StartSimulatedBoard(options.scenario);
        if (simulator) {
            simulated_port = QString::fromStdString(simulator->DevicePath());
        }
    }
    int result = 0;
    {
        CMainFrame frame(&prompt, simulated_port);
        frame.SetBuffersOverviewOpener(BuffersOverviewOpener(&prompt));
        // Once, into the tool log: every setting the file does not give takes its default.
        const std::string settings_problem = CSettingsStore::FileProblem();
        if (!settings_problem.empty()) {
            LogZelWarning("CSettingsStore", settings_problem.c_str());
        }
        std::unique_ptr<QSocketNotifier> stop_notifier;
        if (CatchStopSignals()) {
            stop_notifier = std::make_unique<QSocketNotifier>(g_signal_pipe[0],
                                                              QSocketNotifier::Read);
            QObject::connect(stop_notifier.get(), &QSocketNotifier::activated, &frame, [&frame] {
                char bytes[16];
                while (read(g_signal_pipe[0], bytes, sizeof bytes) > 0) {
                }
                frame.CloseWithoutAsking();
                QApplication::quit();
            });
        }
        frame.show();
        result = QApplication::exec();
    }
    AppSettings::SetComPortForRun("");
    return result;
}
