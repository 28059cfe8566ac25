#include "shell/AppSettings.h"

#include "platform/Notify.h"
#include "platform/Settings.h"

#include <mutex>

namespace AppSettings {

namespace {

// The longest string the tool reads back; device paths on this platform may be long.
constexpr size_t kMaxStringChars = 4095;

bool ReadFlag(const char* name, bool default_value)
{
    const auto value = CSettingsStore::ReadDword(name);
    return value ? *value != 0 : default_value;
}

bool WriteFlag(const char* name, bool on)
{
    return CSettingsStore::WriteDword(name, on ? 1 : 0);
}

// The log window's reading: 0xFFFFFFFF counts as missing.
bool ReadLogFlag(const char* name, bool default_value)
{
    const auto value = CSettingsStore::ReadDword(name);
    if (!value || *value == 0xFFFFFFFF) {
        return default_value;
    }
    return *value != 0;
}

std::string ReadText(const char* name, const std::string& default_value)
{
    return CSettingsStore::ReadString(name, kMaxStringChars).value_or(default_value);
}

const char* WindowPrefix(StoredWindow window)
{
    switch (window) {
    case StoredWindow::Main: return "Window ";
    case StoredWindow::ToolLog: return "Log Window ";
    case StoredWindow::ApplicationLog: return "ZelApp Log Window ";
    }
    return "Window ";
}

std::optional<int32_t> ReadCoordinate(StoredWindow window, const char* side)
{
    const auto value = CSettingsStore::ReadDword(WindowCoordinateName(window, side));
    if (!value) {
        return std::nullopt;
    }
    return static_cast<int32_t>(*value);
}

std::mutex& RunPortLock()
{
    static std::mutex lock;
    return lock;
}

std::string& RunPort()
{
    static std::string port;  // guarded by RunPortLock()
    return port;
}

}  // namespace

std::string GetComPort()
{
    std::string run_port = GetComPortForRun();
    return run_port.empty() ? GetSavedComPort() : run_port;
}

std::string GetSavedComPort() { return ReadText(kComPort, kDefaultComPort); }

void SetComPortForRun(const std::string& port)
{
    std::lock_guard<std::mutex> guard(RunPortLock());
    RunPort() = port;
}

std::string GetComPortForRun()
{
    std::lock_guard<std::mutex> guard(RunPortLock());
    return RunPort();
}
bool SetComPort(const std::string& port) { return CSettingsStore::WriteString(kComPort, port); }

std::optional<uint32_t> GetCommandTimeout() { return CSettingsStore::ReadDword(kCommandTimeout); }
bool SetCommandTimeout(uint32_t timeout_ms) { return CSettingsStore::WriteDword(kCommandTimeout, timeout_ms); }

std::string GetControllerBoard() { return ReadText(kControllerBoard, kDefaultControllerBoard); }
std::optional<std::string> ReadControllerBoard()
{
    return CSettingsStore::ReadString(kControllerBoard, 127);
}
bool SetControllerBoard(const std::string& board) { return CSettingsStore::WriteString(kControllerBoard, board); }

std::string GetDownloadFilename() { return ReadText(kDownloadFilename, ""); }
bool SetDownloadFilename(const std::string& path) { return CSettingsStore::WriteString(kDownloadFilename, path); }

bool GetVerifyAfterProgram() { return ReadFlag(kVerifyAfterProgram, false); }
bool SetVerifyAfterProgram(bool verify) { return WriteFlag(kVerifyAfterProgram, verify); }

bool GetZelWarningLogging() { return ReadFlag(kZelWarningLogging, true); }
bool SetZelWarningLogging(bool on) { return WriteFlag(kZelWarningLogging, on); }
bool GetZelErrorLogging() { return ReadFlag(kZelErrorLogging, true); }
bool SetZelErrorLogging(bool on) { return WriteFlag(kZelErrorLogging, on); }
bool GetZelFrameLogging() { return ReadFlag(kZelFrameLogging, false); }
bool SetZelFrameLogging(bool on) { return WriteFlag(kZelFrameLogging, on); }
bool GetZelDebugLogging() { return ReadFlag(kZelDebugLogging, false); }
bool SetZelDebugLogging(bool on) { return WriteFlag(kZelDebugLogging, on); }
bool GetScriptLogging() { return ReadFlag(kScriptLogging, true); }
bool SetScriptLogging(bool on) { return WriteFlag(kScriptLogging, on); }

uint32_t GetLoggingFlags()
{
    uint32_t flags = 0;
    flags |= ReadLogFlag(kZelWarningLogging, true) ? kLogWarnings : 0;
    flags |= ReadLogFlag(kZelErrorLogging, true) ? kLogErrors : 0;
    flags |= ReadLogFlag(kZelFrameLogging, false) ? kLogFrames : 0;
    flags |= ReadLogFlag(kZelDebugLogging, false) ? kLogDebug : 0;
    flags |= ReadLogFlag(kScriptLogging, true) ? kLogScript : 0;
    return flags;
}

uint32_t GetLastShownView() { return CSettingsStore::ReadDword(kLastShownView).value_or(1); }
bool SetLastShownView(uint32_t view) { return CSettingsStore::WriteDword(kLastShownView, view); }

bool GetShowFixedConfigItems() { return ReadFlag(kShowFixedConfigItems, false); }
bool SetShowFixedConfigItems(bool show) { return WriteFlag(kShowFixedConfigItems, show); }

bool GetPrepareByZovTool() { return ReadFlag(kPrepareByZovTool, false); }
bool SetPrepareByZovTool(bool by_tool) { return WriteFlag(kPrepareByZovTool, by_tool); }

std::string WindowCoordinateName(StoredWindow window, const std::string& side)
{
    return WindowPrefix(window) + side;
}

StoredRect GetWindowRect(StoredWindow window)
{
    StoredRect rect;
    rect.left = ReadCoordinate(window, "Left");
    rect.top = ReadCoordinate(window, "Top");
    rect.right = ReadCoordinate(window, "Right");
    rect.bottom = ReadCoordinate(window, "Bottom");
    return rect;
}

bool SetWindowCoordinate(StoredWindow window, const std::string& side, int32_t value)
{
    return CSettingsStore::WriteDword(WindowCoordinateName(window, side), static_cast<uint32_t>(value));
}

}  // namespace AppSettings
