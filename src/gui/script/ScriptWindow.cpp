#include "gui/script/ScriptWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <Qsci/qsciapis.h>
#include <Qsci/qscilexerlua.h>
#include <Qsci/qsciscintilla.h>

#include "gui/widgets/FixedPitchFont.h"
#include "platform/Prompt.h"
#include "platform/SystemTime.h"
#include "platform/TextFile.h"
#include "script/ScriptEngine.h"
#include "script/ScriptFunction.h"

namespace {

constexpr uint32_t kIdleWaitMs = 2000;

// The editor's margins: 0 the line numbers, 1 the error marker.
constexpr int kMarkerMargin = 1;
constexpr int kErrorMarker = 1;
constexpr int kErrorIndicator = 8;

// The colours of the output pane's own lines.
const QColor kFailureColour(0xC0, 0x10, 0x10);
const QColor kSeparatorColour(0x60, 0x70, 0x80);

// The splitter's share of the width for the editor and output, and the width below which the
// function list and its help shrink no further.
constexpr int kEditorShare = 3;
constexpr int kFunctionsShare = 1;
constexpr int kFunctionsMinimumWidth = 110;

// Where the engineer last put the splitter, for the next Scripting view of this run.
QList<int> g_splitter_sizes;

QFont FixedFont()
{
    return FixedPitchFont(10);
}

// "ZELSP_Read(IN: Index, SubIndex)" -> "ZELSP_Read(Index, SubIndex)": the call tip shows the
// inputs as they are typed.
QString CallTipOf(const tagScriptFunction& function)
{
    QString form = QString::fromStdString(CallFormOf(function));
    form.replace(QStringLiteral("(IN: "), QStringLiteral("("));
    return form;
}

}  // namespace

const QString& CScriptWindow::RunningText()
{
    static const QString text = QStringLiteral("Running...");
    return text;
}

QString CScriptWindow::CallText(const QString& name)
{
    return name + QStringLiteral("()");
}

CScriptWindow::CScriptWindow(CScriptEngine& engine, QWidget* parent)
    : QWidget(parent), engine_(engine)
{
    editor_ = new QsciScintilla(this);
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setUtf8(true);
    auto* lexer = new QsciLexerLua(editor_);
    lexer->setDefaultFont(FixedFont());
    lexer->setFont(FixedFont());
    editor_->setLexer(lexer);
    editor_->setMarginType(0, QsciScintilla::NumberMargin);
    editor_->setMarginWidth(0, QStringLiteral("00000"));
    editor_->setMarginsFont(FixedFont());
    editor_->setMarginType(kMarkerMargin, QsciScintilla::SymbolMargin);
    editor_->setMarginWidth(kMarkerMargin, 14);
    editor_->setMarginMarkerMask(kMarkerMargin, 1 << kErrorMarker);
    editor_->markerDefine(QsciScintilla::RightTriangle, kErrorMarker);
    editor_->setMarkerBackgroundColor(kFailureColour, kErrorMarker);
    editor_->setMarkerForegroundColor(kFailureColour, kErrorMarker);
    editor_->indicatorDefine(QsciScintilla::SquiggleIndicator, kErrorIndicator);
    editor_->setIndicatorForegroundColor(kFailureColour, kErrorIndicator);
    editor_->setAutoIndent(true);
    editor_->setIndentationsUseTabs(false);
    editor_->setTabWidth(4);
    editor_->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    editor_->setEolMode(QsciScintilla::EolWindows);
    // The horizontal scroll bar appears only for lines wider than the editor.
    editor_->SendScintilla(QsciScintilla::SCI_SETSCROLLWIDTH, 1);
    editor_->SendScintilla(QsciScintilla::SCI_SETSCROLLWIDTHTRACKING, 1);
    // Function names complete from the third letter; an open bracket shows the call form.
    editor_->setAutoCompletionSource(QsciScintilla::AcsAll);
    editor_->setAutoCompletionThreshold(3);
    editor_->setAutoCompletionCaseSensitivity(true);
    editor_->setAutoCompletionReplaceWord(false);
    editor_->setCallTipsStyle(QsciScintilla::CallTipsNoContext);
    editor_->setCallTipsVisible(0);
    editor_->setText(QStringLiteral("-- Type a script and press Run, for example:\r\n"
                                    "print(ZelVerGetComponentVersion(6))\r\n"));

    output_ = new QPlainTextEdit(this);
    output_->setObjectName(QStringLiteral("output"));
    output_->setReadOnly(true);
    output_->setFont(FixedFont());
    output_->setMaximumBlockCount(20000);

    functions_ = new QListWidget(this);
    functions_->setObjectName(QStringLiteral("functions"));
    help_ = new QPlainTextEdit(this);
    help_->setObjectName(QStringLiteral("help"));
    help_->setReadOnly(true);
    help_->setFont(FixedFont());
    help_->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto* open = new QPushButton(QStringLiteral("&Open..."), this);
    auto* save = new QPushButton(QStringLiteral("&Save..."), this);
    run_ = new QPushButton(QStringLiteral("&Run"), this);
    stop_ = new QPushButton(QStringLiteral("S&top"), this);
    auto* clear = new QPushButton(QStringLiteral("&Clear Output"), this);
    stop_->setEnabled(false);
    open->setShortcut(QKeySequence::Open);
    save->setShortcut(QKeySequence::Save);
    run_->setShortcut(QKeySequence(Qt::Key_F5));
    stop_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
    run_->setToolTip(QStringLiteral("Run the script (F5)"));
    stop_->setToolTip(QStringLiteral("Stop the running script (Shift+F5)"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addWidget(save);
    buttons->addSpacing(12);
    buttons->addWidget(run_);
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    buttons->addWidget(clear);

    auto* output_box = new QWidget(this);
    auto* output_layout = new QVBoxLayout(output_box);
    output_layout->setContentsMargins(0, 0, 0, 0);
    output_layout->addWidget(new QLabel(QStringLiteral("Output:"), output_box));
    output_layout->addWidget(output_);

    auto* left = new QSplitter(Qt::Vertical, this);
    left->addWidget(editor_);
    left->addWidget(output_box);
    left->setStretchFactor(0, 3);
    left->setStretchFactor(1, 2);

    auto* function_box = new QWidget(this);
    auto* function_layout = new QVBoxLayout(function_box);
    function_layout->setContentsMargins(0, 0, 0, 0);
    function_layout->addWidget(new QLabel(QStringLiteral("Functions:"), function_box));
    function_layout->addWidget(functions_, 3);
    function_layout->addWidget(help_, 2);
    // The list and its help give way first when the window is narrow; the editor keeps its share.
    function_box->setMinimumWidth(kFunctionsMinimumWidth);
    functions_->setMinimumWidth(0);
    help_->setMinimumWidth(0);

    split_ = new QSplitter(Qt::Horizontal, this);
    split_->setObjectName(QStringLiteral("split"));
    split_->addWidget(left);
    split_->addWidget(function_box);
    split_->setStretchFactor(0, kEditorShare);
    split_->setStretchFactor(1, kFunctionsShare);
    split_->setCollapsible(0, false);
    split_->setCollapsible(1, false);
    if (!g_splitter_sizes.isEmpty()) {
        split_->setSizes(g_splitter_sizes);
    } else {
        split_->setSizes({kEditorShare * 1000, kFunctionsShare * 1000});
    }
    connect(split_, &QSplitter::splitterMoved, this, [this] { g_splitter_sizes = split_->sizes(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(split_, 1);

    connect(open, &QPushButton::clicked, this, &CScriptWindow::ChooseAndOpen);
    connect(save, &QPushButton::clicked, this, &CScriptWindow::ChooseAndSave);
    connect(run_, &QPushButton::clicked, this, &CScriptWindow::RunScript);
    connect(stop_, &QPushButton::clicked, this, &CScriptWindow::StopScript);
    connect(clear, &QPushButton::clicked, output_, &QPlainTextEdit::clear);
    connect(functions_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { ShowHelp(item); });
    connect(functions_, &QListWidget::itemDoubleClicked, this, &CScriptWindow::InsertCall);

    link_wait_timer_ = new QTimer(this);
    link_wait_timer_->setSingleShot(true);
    connect(link_wait_timer_, &QTimer::timeout, this, [this] {
        EndLinkWait(QStringLiteral("The link did not come up within %1 s (%2); the script was not "
                                   "started. Try View > Reconnect (F6), or check the COM port under "
                                   "View > Preferences.\n")
                        .arg(kLinkWaitMs / 1000)
                        .arg(link_state_text_ ? link_state_text_() : QString()),
                    ScriptOutcome::kNone);
    });

    engine_.SetOutputFunction(
        [this](const std::string& text) { RequestFlush(queue_.AddOutput(text)); });
    engine_.SetCallEndFunction(
        [this](const tagScriptCall& call) { RequestFlush(queue_.AddCall(call)); });
    engine_.SetEndFunction([this](ScriptOutcome outcome) {
        queue_.EndRun();
        const QString error = QString::fromStdString(engine_.ErrorText());
        const int line = engine_.ErrorLine();
        QMetaObject::invokeMethod(
            this, [this, outcome, error, line] { OnScriptEnded(outcome, error, line); },
            Qt::QueuedConnection);
    });
    RefreshFunctionList();
}

CScriptWindow::~CScriptWindow()
{
    // The completion is prepared on a thread of its own that reads the lexer: it must end while
    // the lexer is still whole, before the editor takes its children with it.
    delete apis_;
    apis_ = nullptr;
    engine_.SetOutputFunction({});
    engine_.SetCallEndFunction({});
    engine_.SetEndFunction({});
    if (running_) {
        ShowRunningInStatusBar(false);
    }
}

bool CScriptWindow::RunScript()
{
    if (running_) {
        return false;
    }
    FlushOutput();
    if (link_coming_up_ && link_coming_up_()) {
        // A script started now would find every request refused; it waits for the link instead,
        // and the window stays usable meanwhile.
        waiting_for_link_ = true;
        SetRunning(true);
        AppendOutput(QStringLiteral("Waiting for the link to the board (%1)...\n")
                         .arg(link_state_text_ ? link_state_text_() : QString()));
        link_wait_timer_->start(kLinkWaitMs);
        return true;
    }
    return StartOnEngine();
}

void CScriptWindow::SetLinkGate(std::function<bool()> link_coming_up, std::function<QString()> link_state_text)
{
    link_coming_up_ = std::move(link_coming_up);
    link_state_text_ = std::move(link_state_text);
}

void CScriptWindow::OnLinkStateChanged()
{
    if (!waiting_for_link_ || (link_coming_up_ && link_coming_up_())) {
        return;
    }
    waiting_for_link_ = false;
    link_wait_timer_->stop();
    running_ = false;
    if (!StartOnEngine()) {
        emit ScriptEnded(ScriptOutcome::kNone);
    }
}

void CScriptWindow::EndLinkWait(const QString& note, ScriptOutcome outcome)
{
    waiting_for_link_ = false;
    link_wait_timer_->stop();
    AppendOutput(note);
    SetRunning(false);
    emit ScriptEnded(outcome);
}

bool CScriptWindow::StartOnEngine()
{
    // The end of the last script is reported just before the engine turns idle; the engine
    // is done with it by then and only needs a moment to say so.
    engine_.WaitForEnd(kIdleWaitMs);
    const QString name = file_path_.isEmpty() ? QStringLiteral("script")
                                              : QFileInfo(file_path_).fileName();
    ClearErrorMark();
    queue_.AddSeparator(LocalNow(), name.toStdString());
    FlushOutput();
    // Scripts may be saved with CR LF; Lua reads either, and error lines count the same.
    if (!engine_.Run(editor_->text().toStdString(), name.toStdString())) {
        AppendColoured(QStringLiteral("The script could not be started.\n"), kFailureColour);
        SetRunning(false);
        return false;
    }
    SetRunning(true);
    return true;
}

void CScriptWindow::StopScript()
{
    if (waiting_for_link_) {
        EndLinkWait(QStringLiteral("Script not started.\n"), ScriptOutcome::kStopped);
        return;
    }
    engine_.RequestStop();
}

void CScriptWindow::SetRunning(bool running)
{
    running_ = running;
    run_->setEnabled(!running);
    stop_->setEnabled(running);
    ShowRunningInStatusBar(running);
}

void CScriptWindow::ShowRunningInStatusBar(bool running)
{
    auto* frame = qobject_cast<QMainWindow*>(window());
    if (frame == nullptr) {
        return;
    }
    QStatusBar* bar = frame->statusBar();
    if (running) {
        status_bar_ = bar;
        bar->showMessage(RunningText());
        connect(bar, &QStatusBar::messageChanged, this, &CScriptWindow::KeepRunningMessage,
                Qt::UniqueConnection);
    } else {
        disconnect(bar, &QStatusBar::messageChanged, this, &CScriptWindow::KeepRunningMessage);
        if (bar->currentMessage() == RunningText()) {
            bar->clearMessage();
        }
        status_bar_ = nullptr;
    }
}

void CScriptWindow::KeepRunningMessage(const QString& text)
{
    // A menu's status tip replaces the message and clears it again when the menu closes; while
    // the script runs the message comes back.
    if (running_ && text.isEmpty() && status_bar_ != nullptr) {
        status_bar_->showMessage(RunningText());
    }
}

void CScriptWindow::RequestFlush(bool needed)
{
    if (needed) {
        QMetaObject::invokeMethod(this, [this] { FlushOutput(); }, Qt::QueuedConnection);
    }
}

void CScriptWindow::FlushOutput()
{
    for (const CScriptOutputQueue::tagPiece& piece : queue_.Take()) {
        const QString text = QString::fromStdString(piece.text);
        switch (piece.kind) {
        case CScriptOutputQueue::PieceKind::kOutput:
            AppendOutput(text);
            break;
        case CScriptOutputQueue::PieceKind::kFailedCall:
            AppendColoured(text, kFailureColour);
            break;
        case CScriptOutputQueue::PieceKind::kSeparator:
            AppendColoured(text, kSeparatorColour);
            break;
        }
    }
}

void CScriptWindow::AppendOutput(const QString& text)
{
    AppendColoured(text, output_->palette().color(QPalette::Text));
}

void CScriptWindow::AppendColoured(const QString& text, const QColor& colour)
{
    QTextCursor cursor(output_->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(colour);
    cursor.insertText(text, format);
    output_->moveCursor(QTextCursor::End);
    output_->ensureCursorVisible();
}

void CScriptWindow::OnScriptEnded(ScriptOutcome outcome, const QString& error_text, int error_line)
{
    FlushOutput();
    if (!error_text.isEmpty()) {
        AppendColoured(error_text + QLatin1Char('\n'), kFailureColour);
    }
    if (outcome == ScriptOutcome::kStopped) {
        AppendOutput(QStringLiteral("Script stopped.\n"));
    } else if (outcome == ScriptOutcome::kFailed && error_text.isEmpty()) {
        AppendOutput(QStringLiteral("Script ended with status %1.\n").arg(engine_.ExitStatus()));
    }
    if (!error_text.isEmpty() && error_line > 0) {
        MarkErrorLine(error_line);
    }
    SetRunning(false);
    emit ScriptEnded(outcome);
}

void CScriptWindow::MarkErrorLine(int line)
{
    const int index = line - 1;
    if (index < 0 || index >= editor_->lines()) {
        return;
    }
    ClearErrorMark();
    editor_->markerAdd(index, kErrorMarker);
    const int length = editor_->lineLength(index);
    editor_->fillIndicatorRange(index, 0, index, std::max(length, 1), kErrorIndicator);
    editor_->setCursorPosition(index, 0);
    editor_->ensureLineVisible(index);
    editor_->setFocus();
    marked_line_ = line;
}

void CScriptWindow::ClearErrorMark()
{
    editor_->markerDeleteAll(kErrorMarker);
    const int last = std::max(editor_->lines() - 1, 0);
    editor_->clearIndicatorRange(0, 0, last, std::max(editor_->lineLength(last), 0), kErrorIndicator);
    marked_line_ = 0;
}

void CScriptWindow::RefreshFunctionList()
{
    functions_->clear();
    for (const std::string& name : engine_.FunctionNames()) {
        functions_->addItem(QString::fromStdString(name));
    }
    for (const tagScriptFunction& global : EngineGlobalFunctions()) {
        functions_->addItem(QString::fromStdString(global.name));
    }
    // A long name that does not fit shows whole in its tooltip.
    for (int i = 0; i < functions_->count(); ++i) {
        functions_->item(i)->setToolTip(functions_->item(i)->text());
    }
    help_->setPlainText(engine_.FunctionNames().empty()
                            ? QStringLiteral("No functions are registered.")
                            : QStringLiteral("Select a function to see its help text; "
                                             "double-click it to insert a call."));
    BuildCompletion();
}

void CScriptWindow::BuildCompletion()
{
    if (editor_->lexer() == nullptr) {
        return;
    }
    delete apis_;
    apis_ = new QsciAPIs(editor_->lexer());
    for (const std::string& name : engine_.FunctionNames()) {
        tagScriptFunction function;
        function.name = name;
        function.help_text = engine_.HelpText(name);
        apis_->add(CallTipOf(function));
    }
    for (const tagScriptFunction& global : EngineGlobalFunctions()) {
        apis_->add(CallTipOf(global));
    }
    apis_->prepare();
}

void CScriptWindow::ShowHelp(QListWidgetItem* item)
{
    if (item == nullptr) {
        return;
    }
    const std::string name = item->text().toStdString();
    std::string help = engine_.HelpText(name);
    for (const tagScriptFunction& global : EngineGlobalFunctions()) {
        if (global.name == name) {
            help = global.help_text;
        }
    }
    help_->setPlainText(QString::fromStdString(PrintableHelp(help)));
}

void CScriptWindow::InsertCall(QListWidgetItem* item)
{
    if (item == nullptr) {
        return;
    }
    // The cursor goes between the brackets, ready for the inputs.
    editor_->removeSelectedText();
    int line = 0;
    int index = 0;
    editor_->getCursorPosition(&line, &index);
    editor_->insert(CallText(item->text()));
    editor_->setCursorPosition(line, index + static_cast<int>(item->text().size()) + 1);
    editor_->setFocus();
}

void CScriptWindow::SetScript(const QString& text, const QString& path)
{
    editor_->setText(text);
    file_path_ = path;
}

bool CScriptWindow::OpenFile(const QString& path)
{
    // Through the tool's checked reader: a FIFO would block the window, a device fill the memory.
    std::string text;
    std::string error_text;
    if (ReadWholeFile(path.toStdString(), text, &error_text) != ReadFileResult::Ok) {
        ::ShowMessage("Unable to open the script file " + path.toStdString() + ".\r\n" + error_text,
                      PromptIcon::Warning);
        return false;
    }
    editor_->setText(QString::fromStdString(text));
    editor_->convertEols(QsciScintilla::EolWindows);
    file_path_ = path;
    ClearErrorMark();
    return true;
}

bool CScriptWindow::SaveFile(const QString& path)
{
    QFile file(path);
    const QByteArray bytes = editor_->text().toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        ::ShowMessage("Unable to save the script file " + path.toStdString() + ".",
                      PromptIcon::Warning);
        return false;
    }
    file_path_ = path;
    return true;
}

void CScriptWindow::ChooseAndOpen()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open Script"), QFileInfo(file_path_).path(),
        QStringLiteral("Lua scripts (*.lua);;All files (*)"));
    if (!path.isEmpty()) {
        OpenFile(path);
    }
}

void CScriptWindow::ChooseAndSave()
{
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Script"), file_path_,
                                                QStringLiteral("Lua scripts (*.lua);;All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".lua");
    }
    SaveFile(path);
}

void CScriptWindow::ResizeScriptWindow()
{
    if (layout() != nullptr) {
        layout()->activate();
    }
}
