// The tool's per-user settings, one read and one write per value, with the value names, types and
// defaults that every part of the tool shares. Each call opens the store, handles one value and
// closes it again; nothing is cached, so a change made in Preferences is seen by the next reader.
// A missing value is never an error: the reader gives the default. Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace AppSettings {

// Value names, exactly as stored.
inline constexpr char kComPort[] = "COM port";
inline constexpr char kCommandTimeout[] = "Command Timeout";
inline constexpr char kControllerBoard[] = "Controller Board";
inline constexpr char kDownloadFilename[] = "Download Filename";
inline constexpr char kVerifyAfterProgram[] = "Verify After Program";
inline constexpr char kZelWarningLogging[] = "Zel Warning Logging";
inline constexpr char kZelErrorLogging[] = "Zel Error Logging";
inline constexpr char kZelFrameLogging[] = "Zel Frame Logging";
inline constexpr char kZelDebugLogging[] = "Zel Debug Logging";
inline constexpr char kScriptLogging[] = "Script Logging";
inline constexpr char kLastShownView[] = "Last Shown View";
inline constexpr char kShowFixedConfigItems[] = "Show Fixed Config Items";
inline constexpr char kPrepareByZovTool[] = "Prepare by ZOV tool";

inline constexpr char kDefaultComPort[] = "COM1";
inline constexpr char kDefaultControllerBoard[] = "XC167";

// "COM port": the serial port of both links; "COM1" when missing. A device path may be stored.
// While a port for this run is set (below), that port is returned instead.
std::string GetComPort();
// The stored "COM port" only, ignoring a port for this run ("COM1" when missing).
std::string GetSavedComPort();
bool SetComPort(const std::string& port);
// A port used by every link of this run without touching the stored setting (the simulated
// board's pseudo-terminal); an empty text ends it. Any thread.
void SetComPortForRun(const std::string& port);
// The port for this run; empty when none is set.
std::string GetComPortForRun();

// "Command Timeout" in milliseconds; empty when missing (each reader applies its own rule).
std::optional<uint32_t> GetCommandTimeout();
bool SetCommandTimeout(uint32_t timeout_ms);

// "Controller Board": the board's identifier in the board description; "XC167" when missing.
std::string GetControllerBoard();
// The stored identifier only; empty when missing.
std::optional<std::string> ReadControllerBoard();
bool SetControllerBoard(const std::string& board);

// "Download Filename": the last firmware image chosen; empty when missing.
std::string GetDownloadFilename();
bool SetDownloadFilename(const std::string& path);

// "Verify After Program": false when missing.
bool GetVerifyAfterProgram();
bool SetVerifyAfterProgram(bool verify);

// The five logging flags with their defaults (warnings on, errors on, frames off, debug off,
// script on). A stored number reads as true when it is not 0.
bool GetZelWarningLogging();
bool SetZelWarningLogging(bool on);
bool GetZelErrorLogging();
bool SetZelErrorLogging(bool on);
bool GetZelFrameLogging();
bool SetZelFrameLogging(bool on);
bool GetZelDebugLogging();
bool SetZelDebugLogging(bool on);
bool GetScriptLogging();
bool SetScriptLogging(bool on);
// The five flags as kLog* bits (platform/Notify.h), read the way the tool log window reads them: a value that is
// present and not 0xFFFFFFFF sets its flag to value != 0, any other keeps the default.
uint32_t GetLoggingFlags();

// "Last Shown View": 1 to 6, 1 when missing (other stored numbers are returned as they are).
uint32_t GetLastShownView();
bool SetLastShownView(uint32_t view);

// "Show Fixed Config Items": false when missing.
bool GetShowFixedConfigItems();
bool SetShowFixedConfigItems(bool show);

// "Prepare by ZOV tool": true when the tool itself switches fluoroscopy on and off during
// calibrations and tests; false (foot or hand switch) when missing.
bool GetPrepareByZovTool();
bool SetPrepareByZovTool(bool by_tool);

// The stored rectangles of the three windows ("Window Left", "Log Window Left",
// "ZelApp Log Window Left", ... ). Each coordinate is empty when missing.
enum class StoredWindow { Main, ToolLog, ApplicationLog };
struct StoredRect {
    std::optional<int32_t> left, top, right, bottom;
};
StoredRect GetWindowRect(StoredWindow window);
// Writes one coordinate; side is "Left", "Top", "Right" or "Bottom".
bool SetWindowCoordinate(StoredWindow window, const std::string& side, int32_t value);
// The value name of one coordinate, such as "Log Window Top".
std::string WindowCoordinateName(StoredWindow window, const std::string& side);

}  // namespace AppSettings
