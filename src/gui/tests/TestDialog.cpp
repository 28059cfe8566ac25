#include "gui/tests/TestDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "gui/calibrate/ProcedureDialog.h"
#include "gui/frame/ViewLink.h"
#include "gui/logs/BoundedLogLevelDlg.h"
#include "gui/tests/TestDialogs.h"
#include "handler/SerialCommHandler.h"
#include "platform/Prompt.h"

namespace {

// "Change Log Level..." keeps its place across the page and its bottom edge this far above the
// page's bottom.
constexpr int kLogLevelBottomMargin = 10;
constexpr int kButtonWidth = 260;

}  // namespace

CTestDialog::CTestDialog(const tagViewContext& context, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TestDialog"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Tests:"), this), 0, 0);
    for (size_t i = 0; i < kTestCount; ++i) {
        auto* button = new QPushButton(QString::fromLatin1(TestButtons()[i].caption), this);
        button->setObjectName(QString::fromLatin1(TestButtons()[i].key));
        button->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 8px;"));
        button->setMinimumWidth(kButtonWidth);
        connect(button, &QPushButton::clicked, this, [this, i] { OpenTest(i); });
        grid->addWidget(button, static_cast<int>(i) + 1, 0);
        test_buttons_[i] = button;
    }
    post_button_ = new QPushButton(QStringLiteral("   Power on self test result..."), this);
    post_button_->setObjectName(QStringLiteral("post"));
    post_button_->setStyleSheet(QStringLiteral("text-align: left; padding: 4px 8px;"));
    connect(post_button_, &QPushButton::clicked, this, &CTestDialog::ShowPowerOnSelfTestResult);
    grid->addWidget(post_button_, static_cast<int>(kTestCount) + 2, 0);

    auto* timing = new QGroupBox(QStringLiteral("Timing"), this);
    internal_ = new QRadioButton(QStringLiteral("Internal (25 fps)"), timing);
    external_ = new QRadioButton(QStringLiteral("External"), timing);
    auto* timing_layout = new QVBoxLayout(timing);
    timing_layout->addWidget(internal_);
    timing_layout->addWidget(external_);
    // The hub starts with internal timing every time the view is made.
    internal_->setChecked(hub_.InternalTiming());
    external_->setChecked(!hub_.InternalTiming());
    connect(internal_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) hub_.SetInternalTiming(true);
    });
    connect(external_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) hub_.SetInternalTiming(false);
    });
    grid->addWidget(timing, 1, 1, 3, 1, Qt::AlignTop);

    error_label_ = new QLabel(QStringLiteral("POWER ON SELF TEST ERROR"), this);
    error_label_->setObjectName(QStringLiteral("postError"));
    QFont bold = error_label_->font();
    bold.setBold(true);
    error_label_->setFont(bold);
    error_label_->setStyleSheet(QStringLiteral("color: #c00000;"));
    grid->addWidget(error_label_, static_cast<int>(kTestCount) + 3, 0, 1, 2);
    link_state_ = new QLabel(this);
    link_state_->setObjectName(QStringLiteral("linkState"));
    grid->addWidget(link_state_, static_cast<int>(kTestCount) + 4, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(static_cast<int>(kTestCount) + 5, 1);
    grid->setHorizontalSpacing(24);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(16, 16, 16, 16);
    page->addLayout(grid);

    // Not in the layout: it keeps its place across and sits at the bottom.
    log_level_button_ = new QPushButton(QStringLiteral("Change Log Level..."), this);
    log_level_button_->setObjectName(QStringLiteral("logLevel"));
    log_level_button_->resize(log_level_button_->sizeHint().expandedTo(QSize(kButtonWidth / 2, 0)));
    log_level_button_->move(16, 0);
    connect(log_level_button_, &QPushButton::clicked, this, [this] {
        if (link_->IsConnected() && !reading_) ExecBoundedLogLevelDialog(Handler(), this);
    });

    run_dialog_ = [](CProcedureDialog& dialog) { return dialog.exec(); };
    link_ = new CViewLink(context, true, nullptr, this);
    connect(link_, &CViewLink::StateChanged, this, &CTestDialog::OnLinkStateChanged);
    UpdateControls();
    PlaceLogLevelButton();
}

CTestDialog::~CTestDialog()
{
    // A read under way ends at once, and so does every later one, so the worker's join is short;
    // the link and its handler go only after it.
    Handler().StopRequests();
    worker_.Join();
    delete link_;
    link_ = nullptr;
}

CSerialCommHandler& CTestDialog::Handler()
{
    return link_->Handler();
}

void CTestDialog::OnLinkStateChanged()
{
    const bool connected = link_->IsConnected();
    if (connected && !was_connected_) started_up_ = false;
    was_connected_ = connected;
    if (connected && !started_up_ && !reading_) {
        // Once per connection: the subsystem is told to start, then its self test decides.
        started_up_ = true;
        Read(&CTestHub::StartUp, [this](const tagPowerOnSelfTest& post) { ApplyStartUp(post); });
    } else if (!connected && !link_->IsConnecting() && !started_up_) {
        // No board to read from: as a failed read.
        ApplyStartUp(tagPowerOnSelfTest{});
    }
    UpdateControls();
}

void CTestDialog::Read(std::function<tagPowerOnSelfTest(CSerialCommHandler&)> read,
                       std::function<void(const tagPowerOnSelfTest&)> done)
{
    worker_.Join();  // the last read has ended: its result was applied
    reading_ = true;
    UpdateControls();
    CSerialCommHandler& handler = Handler();
    worker_.Start([this, &handler, read = std::move(read), done = std::move(done)] {
        const tagPowerOnSelfTest post = read(handler);
        QMetaObject::invokeMethod(
            this,
            [this, post, done] {
                reading_ = false;
                done(post);
                UpdateControls();
                emit SelfTestRead();
            },
            Qt::QueuedConnection);
    });
}

void CTestDialog::ApplyStartUp(const tagPowerOnSelfTest& post)
{
    hub_.ApplyStartUp(post);
}

void CTestDialog::ShowPowerOnSelfTestResult()
{
    if (reading_) return;
    Read(&ReadPowerOnSelfTest, [this](const tagPowerOnSelfTest& post) { ApplyResultButton(post); });
}

void CTestDialog::ApplyResultButton(const tagPowerOnSelfTest& post)
{
    const tagPostBox box = hub_.ApplyResultButton(post);
    UpdateControls();
    if (show_box_) {
        show_box_(box.text, box.icon);
        return;
    }
    QString text = QString::fromStdString(box.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (box.icon == PromptIcon::Error) {
        QMessageBox::critical(this, QString::fromLatin1(kPromptTitle), text);
    } else {
        QMessageBox::information(this, QString::fromLatin1(kPromptTitle), text);
    }
}

void CTestDialog::OpenTest(size_t test)
{
    if (test >= kTestCount || !hub_.TestsEnabled()) return;
    std::unique_ptr<CProcedureDialog> dialog =
        CreateTestDialog(TestButtons()[test].key, Handler(), hub_.ProcedureSettings(), this);
    // Test dialogs always end with OK; nothing comes back to the hub.
    if (dialog) run_dialog_(*dialog);
}

void CTestDialog::UpdateControls()
{
    for (QPushButton* button : test_buttons_) button->setEnabled(hub_.TestsEnabled() && !reading_);
    post_button_->setEnabled(!reading_);
    log_level_button_->setEnabled(link_->IsConnected() && !reading_);
    error_label_->setVisible(hub_.SelfTestErrorShown());
    QString state;
    if (reading_) {
        state = QStringLiteral("Reading the power on self test result...");
    } else if (!link_->IsConnected()) {
        state = link_->StateText();
    }
    link_state_->setText(state);
}

void CTestDialog::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlaceLogLevelButton();
}

void CTestDialog::PlaceLogLevelButton()
{
    log_level_button_->move(log_level_button_->x(),
                            height() - kLogLevelBottomMargin - log_level_button_->height());
}
