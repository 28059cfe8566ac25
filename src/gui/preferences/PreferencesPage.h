// The Preferences page: the serial port, the command time-out, the controller board, the
// logging flags, the configuration screen option and who switches fluoroscopy on and off. Every
// control writes its own setting as soon as it changes; a changed logging flag is also sent to
// the main window at once, so that the tool log follows it.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QWidget>

#include "shell/SerialPortChoices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QTimer;

// The boards of the board description file's "ControllerBoards" section: identifier and
// descriptive text, in index order, ending at the first index where either is empty.
std::vector<std::pair<std::string, std::string>> ReadControllerBoardList(const std::string& ini_path);

// The serial ports the system lists now (QSerialPortInfo).
std::vector<tagSerialPortInfo> SystemSerialPorts();

class CPreferencesPage : public QWidget {
    Q_OBJECT
public:
    using PortLister = std::function<std::vector<tagSerialPortInfo>()>;

    // Offers the ports the system lists (QSerialPortInfo), looked at again every
    // kPortPollMs so that an adapter plugged in or out shows at once.
    explicit CPreferencesPage(QWidget* parent = nullptr);
    // Offers the ports that list_ports gives (tests).
    CPreferencesPage(PortLister list_ports, QWidget* parent);

    static constexpr int kPortPollMs = 2000;

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
    // Lists the ports again and updates the list when they changed; the choice stays.
    void RefreshPorts();
    // The "COM port" value of the port list's entry (or of the typed path) now shown.
    QString ChosenPortSetting() const;

private:
    void Build();
    void Fill();
    void FillPorts(const std::vector<tagPortChoice>& choices, const QString& setting);
    void WriteChosenPort();
    void LoggingFlagChanged();

    PortLister list_ports_;
    std::vector<tagPortChoice> port_choices_;
    QTimer* port_poll_ = nullptr;
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
