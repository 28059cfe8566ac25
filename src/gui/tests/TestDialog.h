// The tests hub: the page of the Tests view. It owns the view's link to the board (events
// handled), runs the hub's start-up exchange and the power-on self test read once the link is up,
// offers the four tests (only after a self test read that passed), the result button, the
// timing the tests use and "Change Log Level...". No request runs on the GUI thread: the reads go
// to the hub's worker and their results come back as queued calls.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include <QWidget>

#include "gui/frame/ViewContext.h"
#include "platform/Prompt.h"
#include "platform/Thread.h"
#include "procedures/TestHub.h"

class CProcedureDialog;
class QLabel;
class QPushButton;
class QRadioButton;
class CViewLink;
class CSerialCommHandler;

class CTestDialog : public QWidget {
    Q_OBJECT
public:
    // Makes the link and starts it; returns at once.
    CTestDialog(const tagViewContext& context, QWidget* parent);
    // Ends the hub's read under way, then stops the link.
    ~CTestDialog() override;

    CViewLink& Link() { return *link_; }
    CSerialCommHandler& Handler();
    const CTestHub& Hub() const { return hub_; }

    QPushButton* TestButton(size_t test) const { return test_buttons_.at(test); }
    QPushButton* PostButton() const { return post_button_; }
    QPushButton* LogLevelButton() const { return log_level_button_; }
    QRadioButton* InternalRadio() const { return internal_; }
    QRadioButton* ExternalRadio() const { return external_; }
    QLabel* SelfTestErrorLabel() const { return error_label_; }
    // True while the start-up exchange or a result read runs.
    bool Reading() const { return reading_; }

    // Opens a test's dialog modally (the hub's buttons). A test whose window is not built opens
    // nothing.
    void OpenTest(size_t test);
    // "   Power on self test result...": reads on the worker, then shows the box.
    void ShowPowerOnSelfTestResult();

    // Replaces the modal run of a test dialog (tests drive the dialog instead).
    using DialogRunner = std::function<int(CProcedureDialog& dialog)>;
    void SetDialogRunner(DialogRunner runner) { run_dialog_ = std::move(runner); }
    // Replaces the result box (tests read the text instead); icon is the box's.
    using BoxShower = std::function<void(const std::string& text, PromptIcon icon)>;
    void SetBoxShower(BoxShower shower) { show_box_ = std::move(shower); }

signals:
    // Emitted when the start-up read or a result read has been applied.
    void SelfTestRead();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void OnLinkStateChanged();
    // Runs read on the worker and hands its result to done on the GUI thread.
    void Read(std::function<tagPowerOnSelfTest(CSerialCommHandler&)> read,
              std::function<void(const tagPowerOnSelfTest&)> done);
    void ApplyStartUp(const tagPowerOnSelfTest& post);
    void ApplyResultButton(const tagPowerOnSelfTest& post);
    void UpdateControls();
    void PlaceLogLevelButton();

    CTestHub hub_;
    DialogRunner run_dialog_;
    BoxShower show_box_;
    CViewLink* link_ = nullptr;  // owned; deleted after the worker has ended
    CThread worker_;
    bool reading_ = false;
    bool started_up_ = false;    // the start-up ran for the current connection
    bool was_connected_ = false;

    std::array<QPushButton*, kTestCount> test_buttons_{};
    QPushButton* post_button_ = nullptr;
    QRadioButton* internal_ = nullptr;
    QRadioButton* external_ = nullptr;
    QLabel* error_label_ = nullptr;
    QLabel* link_state_ = nullptr;
    QPushButton* log_level_button_ = nullptr;
};
