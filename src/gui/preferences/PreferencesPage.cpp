#include "gui/preferences/PreferencesPage.h"

#include <climits>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/Format.h"
#include "platform/Notify.h"
#include "platform/Paths.h"
#include "platform/Profile.h"
#include "shell/AppSettings.h"

namespace {

constexpr char kBoardSection[] = "ControllerBoards";
constexpr size_t kBoardTextChars = 128;

QStringList SystemPortNames()
{
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        names << info.portName();
    }
    return names;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ReadControllerBoardList(const std::string& ini_path)
{
    const CProfile profile = CProfile::Load(ini_path);
    std::vector<std::pair<std::string, std::string>> boards;
    for (int n = 0;; ++n) {
        std::string id = profile.GetString(kBoardSection, Format("CB%d", n), "", kBoardTextChars);
        std::string info =
            profile.GetString(kBoardSection, Format("CBinfo%d", n), "", kBoardTextChars);
        if (id.empty() || info.empty()) {
            break;
        }
        boards.emplace_back(std::move(id), std::move(info));
    }
    return boards;
}

QStringList PreferencesPortNames(const QStringList& system_ports)
{
    if (!system_ports.isEmpty()) {
        return system_ports;
    }
    QStringList names;
    for (int n = 1; n <= 8; ++n) {
        names << QString::fromStdString(Format("COM%d", n));
    }
    return names;
}

CPreferencesPage::CPreferencesPage(QWidget* parent) : QWidget(parent)
{
    const QStringList ports = SystemPortNames();
    Build(ports);
    Fill(ports);
}

CPreferencesPage::CPreferencesPage(const QStringList& system_ports, QWidget* parent)
    : QWidget(parent)
{
    Build(system_ports);
    Fill(system_ports);
}

void CPreferencesPage::Build(const QStringList&)
{
    auto* communication = new QGroupBox(QStringLiteral("Communication"), this);
    auto* form = new QFormLayout(communication);
    port_ = new QComboBox(communication);
    port_->setObjectName(QStringLiteral("port"));
    form->addRow(QStringLiteral("COM port:"), port_);
    run_port_note_ = new QLabel(communication);
    run_port_note_->setWordWrap(true);
    form->addRow(run_port_note_);
    timeout_ = new QSpinBox(communication);
    timeout_->setObjectName(QStringLiteral("timeout"));
    timeout_->setRange(0, INT_MAX);
    timeout_->setSuffix(QStringLiteral(" ms"));
    timeout_->setAccelerated(true);
    form->addRow(QStringLiteral("ZEL commands timeout:"), timeout_);
    board_ = new QComboBox(communication);
    board_->setObjectName(QStringLiteral("board"));
    // Board texts are whole sentences; show them uncut.
    board_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    board_->setMinimumContentsLength(50);
    form->addRow(QStringLiteral("Controller board:"), board_);

    auto* logging = new QGroupBox(QStringLiteral("Logging"), this);
    auto* logging_layout = new QVBoxLayout(logging);
    errors_ = new QCheckBox(QStringLiteral("Errors"), logging);
    warnings_ = new QCheckBox(QStringLiteral("Warnings"), logging);
    frames_ = new QCheckBox(QStringLiteral("Frames"), logging);
    debug_ = new QCheckBox(QStringLiteral("Debug"), logging);
    scripting_ = new QCheckBox(QStringLiteral("Scripting"), logging);
    for (QCheckBox* box : {errors_, warnings_, frames_, debug_, scripting_}) {
        logging_layout->addWidget(box);
    }
    logging_layout->addStretch(1);

    auto* configuration = new QGroupBox(QStringLiteral("Configuration Screen"), this);
    auto* configuration_layout = new QVBoxLayout(configuration);
    show_fixed_ = new QCheckBox(QStringLiteral("Show Fixed configuration items"), configuration);
    configuration_layout->addWidget(show_fixed_);

    auto* fluoro =
        new QGroupBox(QStringLiteral("Activate and Deactivate Fluoro during calibrations and tests"),
                      this);
    auto* fluoro_layout = new QVBoxLayout(fluoro);
    foot_switch_ = new QRadioButton(QStringLiteral("Foot or hand switch"), fluoro);
    zov_tool_ = new QRadioButton(QStringLiteral("ZOV tool"), fluoro);
    fluoro_layout->addWidget(foot_switch_);
    fluoro_layout->addWidget(zov_tool_);

    auto* grid = new QGridLayout;
    grid->addWidget(communication, 0, 0);
    grid->addWidget(logging, 0, 1, 2, 1);
    grid->addWidget(configuration, 1, 0);
    grid->addWidget(fluoro, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 0);
    auto* outer = new QVBoxLayout;
    auto* heading = new QLabel(QStringLiteral("<b>Preferences</b>"), this);
    outer->addWidget(heading);
    outer->addLayout(grid);
    outer->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(outer);
    row->addStretch(1);
    setLayout(row);
    // Keep the page a readable width in a wide window.
    communication->setMinimumWidth(320);
}

void CPreferencesPage::Fill(const QStringList& system_ports)
{
    // Values are shown first and the change handlers connected afterwards, so that filling the
    // page writes nothing.
    const QStringList ports = PreferencesPortNames(system_ports);
    port_->addItems(ports);
    const QString saved_port = QString::fromStdString(AppSettings::GetSavedComPort());
    if (port_->findText(saved_port) < 0) {
        // A device path chosen elsewhere (zovcli, an edited settings file) is kept selectable.
        port_->addItem(saved_port);
    }
    port_->setCurrentIndex(port_->findText(saved_port));
    const std::string run_port = AppSettings::GetComPortForRun();
    run_port_note_->setVisible(!run_port.empty());
    run_port_note_->setText(
        QStringLiteral("This run talks to the simulated board on %1. The port chosen here "
                       "is used from the next run on.")
            .arg(QString::fromStdString(run_port)));

    timeout_->setValue(static_cast<int>(
        std::min<uint32_t>(AppSettings::GetCommandTimeout().value_or(0), INT_MAX)));

    const std::string board = AppSettings::ReadControllerBoard().value_or(
        AppSettings::kDefaultControllerBoard);
    for (const auto& [id, info] : ReadControllerBoardList(SupportFile("ZOVtool.ini"))) {
        board_->addItem(QString::fromStdString(info), QString::fromStdString(id));
    }
    board_->setCurrentIndex(board_->findData(QString::fromStdString(board)));

    errors_->setChecked(AppSettings::GetZelErrorLogging());
    warnings_->setChecked(AppSettings::GetZelWarningLogging());
    frames_->setChecked(AppSettings::GetZelFrameLogging());
    debug_->setChecked(AppSettings::GetZelDebugLogging());
    scripting_->setChecked(AppSettings::GetScriptLogging());
    show_fixed_->setChecked(AppSettings::GetShowFixedConfigItems());
    const bool by_tool = AppSettings::GetPrepareByZovTool();
    zov_tool_->setChecked(by_tool);
    foot_switch_->setChecked(!by_tool);

    connect(port_, &QComboBox::currentTextChanged, this,
            [](const QString& text) { AppSettings::SetComPort(text.toStdString()); });
    connect(timeout_, &QSpinBox::valueChanged, this,
            [](int value) { AppSettings::SetCommandTimeout(static_cast<uint32_t>(value)); });
    connect(board_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0) {
            AppSettings::SetControllerBoard(board_->itemData(index).toString().toStdString());
        }
    });
    const std::pair<QCheckBox*, bool (*)(bool)> logging_boxes[] = {
        {errors_, &AppSettings::SetZelErrorLogging},
        {warnings_, &AppSettings::SetZelWarningLogging},
        {frames_, &AppSettings::SetZelFrameLogging},
        {debug_, &AppSettings::SetZelDebugLogging},
        {scripting_, &AppSettings::SetScriptLogging},
    };
    for (const auto& [box, write] : logging_boxes) {
        connect(box, &QCheckBox::toggled, this, [this, write](bool on) {
            write(on);
            LoggingFlagChanged();
        });
    }
    connect(show_fixed_, &QCheckBox::toggled, this,
            [](bool on) { AppSettings::SetShowFixedConfigItems(on); });
    connect(foot_switch_, &QRadioButton::toggled, this, [](bool on) {
        if (on) {
            AppSettings::SetPrepareByZovTool(false);
        }
    });
    connect(zov_tool_, &QRadioButton::toggled, this, [](bool on) {
        if (on) {
            AppSettings::SetPrepareByZovTool(true);
        }
    });
}

uint32_t CPreferencesPage::LoggingFlags() const
{
    uint32_t flags = 0;
    flags |= warnings_->isChecked() ? kLogWarnings : 0;
    flags |= errors_->isChecked() ? kLogErrors : 0;
    flags |= frames_->isChecked() ? kLogFrames : 0;
    flags |= debug_->isChecked() ? kLogDebug : 0;
    flags |= scripting_->isChecked() ? kLogScript : 0;
    return flags;
}

void CPreferencesPage::LoggingFlagChanged()
{
    Notify::Post(kNotifyLoggingFlags, LoggingFlags());
}
