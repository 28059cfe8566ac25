#include "gui/frame/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "gui/frame/AboutDlg.h"
#include "gui/frame/ViewLink.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/logs/ZelApplicationLogModule.h"
#include "gui/logs/ZovLogWindow.h"
#include "gui/frame/ZovView.h"
#include "logging/ZelApplicationLogging.h"
#include "logging/ZovLogging.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"
#include "shell/InstanceNumber.h"

namespace {

// The tool's icon, drawn here so that the program needs no resource files.
QIcon ToolIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1F, 0x4E, 0x79));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(40);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("Z"));
    return QIcon(pixmap);
}

constexpr char kErrorNotReady[] = "ERROR: Not ready for acquisition. (Some device failure)";
constexpr char kErrorRuntime[] = "ERROR: Runtime failure during calibration or test.";

const char* const kSides[] = {"Left", "Top", "Right", "Bottom"};

}  // namespace

CMainFrame::CMainFrame(CGuiPrompt* prompt, const QString& simulated_port)
    : prompt_(prompt), simulated_port_(simulated_port), instance_number_(DrawInstanceNumber())
{
    setObjectName(QStringLiteral("MainFrame"));
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    CreateActions();
    CreateMenus();
    CreateStatusBar();
    // The installed icon where there is one, so that window and menu entry look alike.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("zovtool"), ToolIcon()));
    UpdateTitle();

    tool_log_ = new CZovLogWindow(this);
    application_log_ = new CZelApplicationLogModule(this);

    QRect default_rect(0, 0, 960, 720);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        default_rect.moveCenter(screen->availableGeometry().center());
    }
    setGeometry(RestoredPlacement(default_rect));

    Notify::InstallSink(this);
    sink_installed_ = true;

    CreateView(StartViewNumber(AppSettings::GetLastShownView()), nullptr);
}

CMainFrame::~CMainFrame()
{
    DestroyView();
    if (sink_installed_) {
        Notify::RemoveSink(this);
        sink_installed_ = false;
    }
    delete application_log_;
    application_log_ = nullptr;
    delete tool_log_;
    tool_log_ = nullptr;
}

void CMainFrame::CreateActions()
{
    for (const tagViewEntry& entry : ViewTable()) {
        QAction* action = new QAction(QString::fromLatin1(entry.menu_text), this);
        action->setCheckable(true);
        action->setIconText(QString::fromLatin1(entry.toolbar_text));
        const int number = entry.number;
        connect(action, &QAction::triggered, this, [this, number] {
            ChangeView(number);
            UpdateCommandStates();
        });
        view_actions_[static_cast<size_t>(number - 1)] = action;
    }
    logging_action_ = new QAction(QStringLiteral("&Logging"), this);
    connect(logging_action_, &QAction::triggered, this, [this] { tool_log_->ToggleVisible(); });
    events_action_ = new QAction(QStringLiteral("&Events"), this);
    connect(events_action_, &QAction::triggered, this, [this] { application_log_->ShowWindow(); });
    zel_buffers_action_ = new QAction(QStringLiteral("ZEL &buffers"), this);
    connect(zel_buffers_action_, &QAction::triggered, this, &CMainFrame::OpenBuffersOverview);
    user_guide_action_ = new QAction(QStringLiteral("&User Guide"), this);
    user_guide_action_->setShortcut(QKeySequence::HelpContents);
    connect(user_guide_action_, &QAction::triggered, this, &CMainFrame::OpenUserGuide);
    reconnect_action_ = new QAction(QStringLiteral("&Reconnect"), this);
    reconnect_action_->setShortcut(QKeySequence(Qt::Key_F6));
    reconnect_action_->setStatusTip(QStringLiteral("Close the view's link to the board and open it again"));
    connect(reconnect_action_, &QAction::triggered, this, &CMainFrame::ReconnectCurrentView);
    about_action_ = new QAction(QStringLiteral("&About ZOV tool..."), this);
    connect(about_action_, &QAction::triggered, this, &CMainFrame::ShowAbout);
    exit_action_ = new QAction(QStringLiteral("E&xit"), this);
    connect(exit_action_, &QAction::triggered, this, &QWidget::close);
}

void CMainFrame::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(exit_action_);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setToolTipsVisible(true);  // a view that cannot be chosen says why
    for (QAction* action : view_actions_) {
        view->addAction(action);
    }
    view->addSeparator();
    view->addAction(logging_action_);
    view->addAction(events_action_);
    view->addAction(zel_buffers_action_);
    view->addAction(reconnect_action_);
    view->addSeparator();

    toolbar_ = addToolBar(QStringLiteral("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("Toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QAction* action : view_actions_) {
        toolbar_->addAction(action);
    }
    toolbar_->addSeparator();
    toolbar_->addAction(logging_action_);
    toolbar_->addAction(events_action_);
    toolbar_->addAction(zel_buffers_action_);

    toolbar_action_ = toolbar_->toggleViewAction();
    toolbar_action_->setText(QStringLiteral("&Toolbar"));
    view->addAction(toolbar_action_);
    status_bar_action_ = new QAction(QStringLiteral("&Status Bar"), this);
    status_bar_action_->setCheckable(true);
    status_bar_action_->setChecked(true);
    connect(status_bar_action_, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });
    view->addAction(status_bar_action_);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(user_guide_action_);
    help->addSeparator();
    help->addAction(about_action_);
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    for (size_t i = 0; i < panes_.size(); ++i) {
        panes_[i] = new QLabel(bar);
        panes_[i]->setObjectName(QStringLiteral("pane%1").arg(i));
        panes_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panes_[i]->setContentsMargins(4, 0, 4, 0);
    }
    // Pane 0 carries menu tips and takes the spare width; the detail pane may be long.
    bar->addWidget(panes_[kPaneMessage], 2);
    panes_[kPaneConnection]->setMinimumWidth(
        panes_[kPaneConnection]->fontMetrics().horizontalAdvance(QStringLiteral("Disconnected")) +
        12);
    bar->addPermanentWidget(panes_[kPaneConnection]);
    bar->addPermanentWidget(panes_[kPaneDetail], 1);
    bar->addPermanentWidget(panes_[kPaneView]);
    bar->addPermanentWidget(panes_[kPanePort]);
    bar->addPermanentWidget(panes_[kPaneVersion]);
    panes_[kPaneMessage]->setText(QStringLiteral("Ready"));
    panes_[kPaneConnection]->setText(QStringLiteral("Disconnected"));
    panes_[kPaneDetail]->clear();
    panes_[kPaneVersion]->setText(QStringLiteral("V%1").arg(AboutVersionText()));
}

QString CMainFrame::StatusPaneText(int pane) const
{
    if (pane < 0 || pane >= kPaneCount) {
        return {};
    }
    return panes_[static_cast<size_t>(pane)]->text();
}

QAction* CMainFrame::ViewAction(int number) const
{
    if (number < 1 || number > kViewCount) {
        return nullptr;
    }
    return view_actions_[static_cast<size_t>(number - 1)];
}

void CMainFrame::UpdateTitle()
{
    QString title = QStringLiteral("ZOV tool");
    if (!simulated_port_.isEmpty()) {
        title += QStringLiteral(" - simulated board on %1").arg(simulated_port_);
    }
    setWindowTitle(title);
    if (panes_[kPanePort] != nullptr) {
        // Pane 2 names the port once connected; this pane says whose port it is.
        panes_[kPanePort]->setText(simulated_port_.isEmpty() ? QString()
                                                             : QStringLiteral("Simulated board"));
        panes_[kPanePort]->setVisible(!simulated_port_.isEmpty());
    }
}

bool CMainFrame::ChangeView(int number)
{
    const tagViewEntry* entry = FindView(number);
    if (entry == nullptr || entry->create == nullptr) {
        return false;
    }
    if (view_ != nullptr && view_number_ == number) {
        return true;
    }
    if (changing_view_) {
        return false;
    }
    QRect rect;
    const bool had_view = view_ != nullptr;
    if (had_view) {
        rect = view_->geometry();
    }
    DestroyView();
    CreateView(number, had_view ? &rect : nullptr);
    return true;
}

void CMainFrame::CreateView(int number, const QRect* rect)
{
    const tagViewEntry* entry = FindView(number);
    if (entry == nullptr || entry->create == nullptr) {
        entry = FindView(kViewScripting);
    }
    changing_view_ = true;
    UpdateCommandStates();
    tagViewContext context;
    context.instance_number = &instance_number_;
    context.config_slot = &config_slot_;
    context.completion_flags = &completion_flags_;
    context.prompt = prompt_;
    context.script_text = &script_text_;
    context.script_path = &script_path_;
    CZovView* view = entry->create(context, this);
    if (rect != nullptr) {
        view->setGeometry(*rect);
    }
    view_number_ = entry->number;
    view_ = view;
    setCentralWidget(view_);
    view_->show();
    changing_view_ = false;
    panes_[kPaneView]->setText(QString::fromLatin1(entry->toolbar_text));
    application_log_->SetEventsHandled(ViewHandlesSubsystemEvents(entry->number));
    UpdateTitle();
    UpdateCommandStates();
    if (close_requested_) {
        close_requested_ = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void CMainFrame::DestroyView()
{
    if (view_ == nullptr) {
        return;
    }
    // The view's page joins its link and script threads; their questions must not wait for us.
    CGuiPrompt::CWorkerWaitScope waiting(prompt_);
    CZovView* view = view_;
    view_ = nullptr;
    takeCentralWidget();
    delete view;
}

void CMainFrame::SetViewCommandsEnabled(bool enabled)
{
    view_commands_enabled_ = enabled;
    UpdateCommandStates();
}

void CMainFrame::SetBuffersOverviewOpener(BuffersOverviewOpener opener)
{
    buffers_overview_opener_ = std::move(opener);
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates()
{
    for (const tagViewEntry& entry : ViewTable()) {
        QAction* action = view_actions_[static_cast<size_t>(entry.number - 1)];
        action->setEnabled(view_commands_enabled_ && !changing_view_ && entry.create != nullptr);
        action->setChecked(view_ != nullptr && entry.number == view_number_);
        const QString reason = QString::fromLatin1(ViewUnavailableReason(entry, !view_commands_enabled_));
        const QString name = QString::fromLatin1(entry.menu_text).remove(QLatin1Char('&'));
        action->setToolTip(reason.isEmpty() ? name : name + QStringLiteral(": ") + reason);
        action->setStatusTip(reason);
    }
    const tagViewEntry* current = FindView(view_number_);
    zel_buffers_action_->setEnabled(view_ != nullptr && current != nullptr &&
                                    current->offers_zel_buffers && buffers_overview_opener_);
    reconnect_action_->setEnabled(view_ != nullptr && !changing_view_ && view_->Link() != nullptr);
}

void CMainFrame::ReconnectCurrentView()
{
    if (view_ != nullptr && !changing_view_) {
        if (CViewLink* link = view_->Link()) {
            link->Reconnect();
        }
    }
}

void CMainFrame::ShowConnectionState(uintptr_t connected, const QString& detail)
{
    // A view's link says while it comes up; the detail is then the port it is opening.
    if (connected == kConnectionConnecting) {
        panes_[kPaneConnection]->setText(QStringLiteral("Connecting to %1...").arg(detail));
        panes_[kPaneDetail]->clear();
        return;
    }
    panes_[kPaneConnection]->setText(connected != kConnectionDisconnected ? QStringLiteral("Connected")
                                                                          : QStringLiteral("Disconnected"));
    panes_[kPaneDetail]->setText(detail);
}

void CMainFrame::OpenBuffersOverview()
{
    if (view_ == nullptr || !buffers_overview_opener_) {
        return;
    }
    if (CSerialCommHandler* handler = view_->CommHandler()) {
        buffers_overview_opener_(*handler, this);
    }
}

void CMainFrame::OpenUserGuide()
{
    const QString path = QString::fromStdString(UserGuidePath());
    if (!QFileInfo::exists(path)) {
        ShowMessage("The user guide is not installed: " + path.toStdString() + " is missing.",
                    PromptIcon::Warning);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        ShowMessage("No web browser could be started for the user guide. Open " +
                        path.toStdString() + " in a browser.",
                    PromptIcon::Warning);
    }
}

void CMainFrame::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::Post(int offset, uintptr_t wparam, const std::string& text)
{
    if (offset == kNotifyToolLog && tool_log_drain_queued_.exchange(true)) {
        return;  // a drain is already on its way and will take this entry too
    }
    const QString shown = QString::fromStdString(text);
    QMetaObject::invokeMethod(
        this, [this, offset, wparam, shown] { HandleNotification(offset, wparam, shown); },
        Qt::QueuedConnection);
}

void CMainFrame::HandleNotification(int offset, uintptr_t wparam, const QString& text)
{
    switch (offset) {
    case kNotifyConnection:
        ShowConnectionState(wparam, text);
        break;
    case kNotifyToolLog:
        tool_log_drain_queued_.store(false);
        DrainToolLog();
        break;
    case kNotifyLoggingFlags:
        tool_log_->SetLoggingFlags(static_cast<uint32_t>(wparam));
        break;
    case kNotifyViewCommands:
        SetViewCommandsEnabled(wparam != 0);
        break;
    case kNotifySubsystemEvent:
        if (wparam == 1) {
            DrainApplicationLog();
        } else if (wparam == 2) {
            application_log_->AddLine(QString::fromLatin1(kErrorNotReady));
        } else if (wparam == 3) {
            application_log_->AddLine(QString::fromLatin1(kErrorRuntime));
        }
        break;
    default:
        break;
    }
}

void CMainFrame::DrainToolLog()
{
    // A flood is taken in slices: the next one is queued behind the paint events that the
    // slice caused, so the window repaints in between and stays usable.
    if (tool_log_->DrainQueue() && !tool_log_drain_queued_.exchange(true)) {
        QMetaObject::invokeMethod(
            this, [this] { HandleNotification(kNotifyToolLog, 0, QString()); }, Qt::QueuedConnection);
    }
}

void CMainFrame::DrainApplicationLog()
{
    CZelApplicationLogging::ZelApplicationLogEntry entry;
    while (CZelApplicationLogging::Instance().GetNextEntry(entry) == 1) {
        application_log_->AddLogEntry(entry);
    }
}

void CMainFrame::StorePlacement(const QRect& rect)
{
    // Right and bottom are stored one past the window, as rectangles are on the board's
    // original platform; negative coordinates (a window dragged partly off the screen) and 0
    // keep the stored value.
    const int values[] = {rect.left(), rect.top(), rect.left() + rect.width(),
                          rect.top() + rect.height()};
    for (size_t i = 0; i < 4; ++i) {
        if (values[i] > 0) {
            AppSettings::SetWindowCoordinate(AppSettings::StoredWindow::Main, kSides[i], values[i]);
        }
    }
}

QRect CMainFrame::RestoredPlacement(const QRect& default_rect)
{
    const AppSettings::StoredRect stored = AppSettings::GetWindowRect(AppSettings::StoredWindow::Main);
    const int left = stored.left.value_or(default_rect.left());
    const int top = stored.top.value_or(default_rect.top());
    const int right = stored.right.value_or(default_rect.left() + default_rect.width());
    const int bottom = stored.bottom.value_or(default_rect.top() + default_rect.height());
    const int width = std::max(right - left, kMinimumWidth);
    const int height = std::max(bottom - top, kMinimumHeight);
    return {left, top, width, height};
}

void CMainFrame::StoreState()
{
    AppSettings::SetLastShownView(static_cast<uint32_t>(view_number_));
    StorePlacement(isMaximized() || isMinimized() ? normalGeometry() : geometry());
}

void CMainFrame::CloseWithoutAsking()
{
    close_without_asking_ = true;
    close();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (changing_view_) {
        close_requested_ = true;
        event->ignore();
        return;
    }
    if (!close_without_asking_ && view_ != nullptr && !view_->QueryClose()) {
        event->ignore();
        return;
    }
    StoreState();
    DestroyView();
    tool_log_->close();
    application_log_->close();
    event->accept();
}
