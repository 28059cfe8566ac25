// The main window: the single top-level window of the tool. It shows one view at a time,
// owns the two log windows and the state that outlives a view (instance number, configuration
// slot, calibration completion marks), and receives the notifications that worker threads post
// through platform/Notify, handling them on the GUI thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include <QMainWindow>
#include <QPointer>

#include "gui/frame/ViewContext.h"
#include "gui/frame/ViewTable.h"
#include "platform/Notify.h"

class QAction;
class QLabel;
class CGuiPrompt;
class CSerialCommHandler;
class CZelApplicationLogModule;
class CZovLogWindow;
class CZovView;

class CMainFrame : public QMainWindow, private INotifySink {
    Q_OBJECT
public:
    // The status bar panes; the connection state and its detail are panes 1 and 2.
    enum StatusPane : int {
        kPaneMessage = 0,
        kPaneConnection = 1,
        kPaneDetail = 2,
        kPaneView = 3,
        kPanePort = 4,  // "Simulated board" while the run uses it
        kPaneVersion = 5,
        kPaneCount = 6,
    };

    // Opens the buffers overview on a command handler; installed once that window is built.
    using BuffersOverviewOpener = std::function<void(CSerialCommHandler& handler, QWidget* parent)>;

    // Builds the bars, the log windows and the first view ("Last Shown View"), restores the
    // placement and installs the notification sink. prompt (may be null) is lent to views that
    // wait for worker threads; it must outlive the frame. simulated_port, when not empty, is the
    // simulated board's port in use for this run; the title says so.
    explicit CMainFrame(CGuiPrompt* prompt = nullptr, const QString& simulated_port = {});
    // Removes the sink, destroys the view (its link and threads) and then the log windows.
    ~CMainFrame() override;

    // The view command: nothing when number already is the current view; otherwise the current
    // view is destroyed and the requested one created in its place. False (and nothing changes)
    // for a number outside 1 to 6 or a view that is not built.
    bool ChangeView(int number);
    int CurrentViewNumber() const { return view_number_; }
    CZovView* CurrentView() const { return view_; }

    // Enables or disables the view commands (notification +3); views not built stay disabled.
    void SetViewCommandsEnabled(bool enabled);
    // Installs the opener of "ZEL buffers"; without one the command stays disabled.
    void SetBuffersOverviewOpener(BuffersOverviewOpener opener);

    QAction* ViewAction(int number) const;
    QAction* ZelBuffersAction() const { return zel_buffers_action_; }
    QAction* LoggingAction() const { return logging_action_; }
    QAction* EventsAction() const { return events_action_; }
    QAction* UserGuideAction() const { return user_guide_action_; }
    // View > Reconnect (F6): closes and reopens the current view's link; disabled for views
    // without one.
    QAction* ReconnectAction() const { return reconnect_action_; }
    QString StatusPaneText(int pane) const;

    CZovLogWindow* ToolLogWindow() const { return tool_log_; }
    CZelApplicationLogModule* ApplicationLogWindow() const { return application_log_; }

    uint16_t InstanceNumber() const { return instance_number_; }
    tagCompletionFlags& CompletionFlags() { return completion_flags_; }
    std::shared_ptr<CConfig>& ConfigSlot() { return config_slot_; }

    // Writes "Last Shown View" and the placement (each coordinate only when above 0). Called
    // when the window closes.
    void StoreState();
    // Closes the window without asking the view first (a stop signal): a running operation is
    // ended as when the view is destroyed.
    void CloseWithoutAsking();
    // Writes the coordinates of rect that are above 0 as "Window Left" ... "Window Bottom"
    // (right and bottom one past the last pixel, as stored rectangles are).
    static void StorePlacement(const QRect& rect);
    // The placement for a stored rectangle: each stored coordinate replaces the one of
    // default_rect, and the result is at least the minimum size.
    static QRect RestoredPlacement(const QRect& default_rect);

    static constexpr int kMinimumWidth = 500;
    static constexpr int kMinimumHeight = 550;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // INotifySink, on any thread: hands the notification to the GUI thread.
    void Post(int offset, uintptr_t wparam, const std::string& text) override;
    void HandleNotification(int offset, uintptr_t wparam, const QString& text);
    void DrainToolLog();
    void DrainApplicationLog();

    void CreateActions();
    void CreateMenus();
    void CreateStatusBar();
    void CreateView(int number, const QRect* rect);
    void DestroyView();
    void UpdateCommandStates();
    void UpdateTitle();
    void ShowAbout();
    // Opens the user guide in the desktop's browser, or says why it cannot.
    void OpenUserGuide();
    void OpenBuffersOverview();
    void ReconnectCurrentView();
    void ShowConnectionState(uintptr_t connected, const QString& detail);

    CGuiPrompt* prompt_;
    QString simulated_port_;

    uint16_t instance_number_;
    tagCompletionFlags completion_flags_;
    std::shared_ptr<CConfig> config_slot_;
    QString script_text_;
    QString script_path_;

    CZovView* view_ = nullptr;
    int view_number_ = 0;
    // A view's construction may show a message box, whose event loop lets the engineer choose
    // another view or close the window meanwhile: both wait until the change is complete.
    bool changing_view_ = false;
    bool close_requested_ = false;
    bool close_without_asking_ = false;
    bool view_commands_enabled_ = true;
    BuffersOverviewOpener buffers_overview_opener_;

    std::array<QAction*, kViewCount> view_actions_{};
    QAction* logging_action_ = nullptr;
    QAction* events_action_ = nullptr;
    QAction* zel_buffers_action_ = nullptr;
    QAction* reconnect_action_ = nullptr;
    QAction* toolbar_action_ = nullptr;
    QAction* status_bar_action_ = nullptr;
    QAction* about_action_ = nullptr;
    QAction* user_guide_action_ = nullptr;
    QAction* exit_action_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    std::array<QLabel*, kPaneCount> panes_{};

    CZovLogWindow* tool_log_ = nullptr;
    CZelApplicationLogModule* application_log_ = nullptr;

    // Frame logging posts +1 twice per frame; one queued drain at a time is enough.
    std::atomic<bool> tool_log_drain_queued_{false};
    bool sink_installed_ = false;
};
