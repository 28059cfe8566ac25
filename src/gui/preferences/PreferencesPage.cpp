#include "gui/preferences/PreferencesPage.h"

#include <algorithm>
#include <climits>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QTimer>
#include <QSignalBlocker>
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

// The tooltip of the time-out field: what 0 means.
const char kTimeoutTip[] =
    "How long the tool waits for the subsystem's reply to one command, in milliseconds. "
    "0 (\"no limit\"): the tool waits until the reply comes; a running script can still be "
    "stopped with Stop.";

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

std::vector<tagSerialPortInfo> SystemSerialPorts()
{
    std::vector<tagSerialPortInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({info.portName().toStdString(), info.systemLocation().toStdString(),
                         info.description().toStdString(), info.manufacturer().toStdString(),
                         info.serialNumber().toStdString(), info.hasVendorIdentifier()});
    }
    return ports;
}

CPreferencesPage::CPreferencesPage(QWidget* parent)
    : CPreferencesPage(&SystemSerialPorts, parent)
{
}

CPreferencesPage::CPreferencesPage(PortLister list_ports, QWidget* parent)
    : QWidget(parent), list_ports_(std::move(list_ports))
{
    Build();
    Fill();
    port_poll_ = new QTimer(this);
    port_poll_->setInterval(kPortPollMs);
    connect(port_poll_, &QTimer::timeout, this, &CPreferencesPage::RefreshPorts);
    port_poll_->start();
}

void CPreferencesPage::Build()
{
    auto* communication = new QGroupBox(QStringLiteral("Communication"), this);
    auto* form = new QFormLayout(communication);
    port_ = new QComboBox(communication);
    port_->setObjectName(QStringLiteral("port"));
    // A device path that is not listed (a link, a port of another driver) can be typed.
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    port_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    port_->setMinimumContentsLength(28);
    port_->setToolTip(QStringLiteral("The serial port of the controller board. Choose one, or type "
                                     "a device path such as /dev/ttyUSB0."));
    form->addRow(QStringLiteral("COM port:"), port_);
    run_port_note_ = new QLabel(communication);
    run_port_note_->setWordWrap(true);
    form->addRow(run_port_note_);
    timeout_ = new QSpinBox(communication);
    timeout_->setObjectName(QStringLiteral("timeout"));
    timeout_->setRange(0, INT_MAX);
    timeout_->setSuffix(QStringLiteral(" ms"));
    timeout_->setSpecialValueText(QStringLiteral("no limit"));
    timeout_->setToolTip(QString::fromLatin1(kTimeoutTip));
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

void CPreferencesPage::FillPorts(const std::vector<tagPortChoice>& choices, const QString& setting)
{
    const QSignalBlocker quiet(port_);
    port_choices_ = choices;
    port_->clear();
    for (const tagPortChoice& choice : choices) {
        port_->addItem(QString::fromStdString(choice.label), QString::fromStdString(choice.setting));
    }
    if (port_->findData(setting) < 0) {
        // A port not plugged in now, or a device path chosen elsewhere (zovcli, an edited
        // settings file), stays selectable.
        const tagPortChoice kept = PortChoiceOfSetting(setting.toStdString());
        port_->addItem(QString::fromStdString(kept.label), QString::fromStdString(kept.setting));
    }
    port_->setCurrentIndex(port_->findData(setting));
}

void CPreferencesPage::RefreshPorts()
{
    // Not while the engineer types a path or has the list open.
    if (port_->lineEdit()->hasFocus() || port_->view()->isVisible()) {
        return;
    }
    const std::vector<tagPortChoice> choices = SerialPortChoices(list_ports_());
    const bool same = choices.size() == port_choices_.size() &&
                      std::equal(choices.begin(), choices.end(), port_choices_.begin(),
                                 [](const tagPortChoice& a, const tagPortChoice& b) {
                                     return a.label == b.label && a.setting == b.setting;
                                 });
    if (!same) {
        FillPorts(choices, ChosenPortSetting());
    }
}

QString CPreferencesPage::ChosenPortSetting() const
{
    const QString text = port_->currentText().trimmed();
    const int index = port_->findText(text);
    if (index >= 0) {
        return port_->itemData(index).toString();
    }
    return text;
}

void CPreferencesPage::WriteChosenPort()
{
    const QString setting = ChosenPortSetting();
    if (!setting.isEmpty() &&
        QString::fromStdString(AppSettings::GetSavedComPort()) != setting) {
        AppSettings::SetComPort(setting.toStdString());
    }
}

void CPreferencesPage::Fill()
{
    // Values are shown first and the change handlers connected afterwards, so that filling the
    // page writes nothing.
    FillPorts(SerialPortChoices(list_ports_()),
              QString::fromStdString(AppSettings::GetSavedComPort()));
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

    connect(port_, &QComboBox::currentIndexChanged, this, [this] { WriteChosenPort(); });
    connect(port_->lineEdit(), &QLineEdit::editingFinished, this, [this] { WriteChosenPort(); });
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
