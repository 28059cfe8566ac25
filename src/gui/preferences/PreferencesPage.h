// The Preferences page: the serial port, the command time-out, the controller board, the
// logging flags, the configuration screen option and who switches fluoroscopy on and off. Every
// control writes its own setting as soon as it changes; a changed logging flag is also sent to
// the main window at once, so that the tool log follows it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;

// The boards of the board description file's "ControllerBoards" section: identifier and
// descriptive text, in index order, ending at the first index where either is empty.
std::vector<std::pair<std::string, std::string>> ReadControllerBoardList(const std::string& ini_path);

// The port list: the ports the system lists, or COM1 to COM8 when it lists none.
QStringList PreferencesPortNames(const QStringList& system_ports);

class CPreferencesPage : public QWidget {
    Q_OBJECT
public:
    // Offers the ports the system lists (QSerialPortInfo).
    explicit CPreferencesPage(QWidget* parent = nullptr);
    // Offers system_ports as the ports the system lists (tests).
    CPreferencesPage(const QStringList& system_ports, QWidget* parent);

    QComboBox* PortBox() const { return port_; }
    QSpinBox* TimeoutBox() const { return timeout_; }
    QComboBox* BoardBox() const { return board_; }
    QCheckBox* ErrorsBox() const { return errors_; }
    QCheckBox* WarningsBox() const { return warnings_; }
    QCheckBox* FramesBox() const { return frames_; }
    QCheckBox* DebugBox() const { return debug_; }
    QCheckBox* ScriptingBox() const { return scripting_; }
    QCheckBox* ShowFixedBox() const { return show_fixed_; }
    QRadioButton* FootSwitchButton() const { return foot_switch_; }
    QRadioButton* ZovToolButton() const { return zov_tool_; }

    // The five logging flags as the boxes show them (kLog* bits).
    uint32_t LoggingFlags() const;

private:
    void Build(const QStringList& system_ports);
    void Fill(const QStringList& system_ports);
    void LoggingFlagChanged();

    QComboBox* port_ = nullptr;
    QLabel* run_port_note_ = nullptr;
    QSpinBox* timeout_ = nullptr;
    QComboBox* board_ = nullptr;
    QCheckBox* errors_ = nullptr;
    QCheckBox* warnings_ = nullptr;
    QCheckBox* frames_ = nullptr;
    QCheckBox* debug_ = nullptr;
    QCheckBox* scripting_ = nullptr;
    QCheckBox* show_fixed_ = nullptr;
    QRadioButton* foot_switch_ = nullptr;
    QRadioButton* zov_tool_ = nullptr;
};
