#include "gui/script/ScriptWindow.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QVBoxLayout>
#include <Qsci/qscilexerlua.h>
#include <Qsci/qsciscintilla.h>

#include "platform/Prompt.h"
#include "platform/TextFile.h"
#include "script/ScriptEngine.h"
#include "script/ScriptFunction.h"

namespace {

constexpr uint32_t kIdleWaitMs = 2000;

QFont FixedFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    return font;
}

}  // namespace

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
    editor_->setAutoIndent(true);
    editor_->setIndentationsUseTabs(false);
    editor_->setTabWidth(4);
    editor_->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    editor_->setEolMode(QsciScintilla::EolWindows);
    // The horizontal scroll bar appears only for lines wider than the editor.
    editor_->SendScintilla(QsciScintilla::SCI_SETSCROLLWIDTH, 1);
    editor_->SendScintilla(QsciScintilla::SCI_SETSCROLLWIDTHTRACKING, 1);
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

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(function_box);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(split, 1);

    connect(open, &QPushButton::clicked, this, &CScriptWindow::ChooseAndOpen);
    connect(save, &QPushButton::clicked, this, &CScriptWindow::ChooseAndSave);
    connect(run_, &QPushButton::clicked, this, &CScriptWindow::RunScript);
    connect(stop_, &QPushButton::clicked, this, &CScriptWindow::StopScript);
    connect(clear, &QPushButton::clicked, output_, &QPlainTextEdit::clear);
    connect(functions_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { ShowHelp(item); });
    connect(functions_, &QListWidget::itemDoubleClicked, this, &CScriptWindow::InsertCall);

    engine_.SetOutputFunction([this](const std::string& text) { QueueOutput(text); });
    engine_.SetEndFunction([this](ScriptOutcome outcome) {
        const QString error = QString::fromStdString(engine_.ErrorText());
        QMetaObject::invokeMethod(
            this, [this, outcome, error] { OnScriptEnded(outcome, error); }, Qt::QueuedConnection);
    });
    RefreshFunctionList();
}

CScriptWindow::~CScriptWindow()
{
    engine_.SetOutputFunction({});
    engine_.SetEndFunction({});
}

bool CScriptWindow::RunScript()
{
    if (running_) {
        return false;
    }
    FlushOutput();
    // The end of the last script is reported just before the engine turns idle; the engine
    // is done with it by then and only needs a moment to say so.
    engine_.WaitForEnd(kIdleWaitMs);
    const QString name = file_path_.isEmpty() ? QStringLiteral("script")
                                              : QFileInfo(file_path_).fileName();
    // Scripts may be saved with CR LF; Lua reads either, and error lines count the same.
    if (!engine_.Run(editor_->text().toStdString(), name.toStdString())) {
        AppendOutput(QStringLiteral("The script could not be started.\n"));
        return false;
    }
    SetRunning(true);
    return true;
}

void CScriptWindow::StopScript()
{
    engine_.RequestStop();
}

void CScriptWindow::SetRunning(bool running)
{
    running_ = running;
    run_->setEnabled(!running);
    stop_->setEnabled(running);
}

void CScriptWindow::QueueOutput(const std::string& text)
{
    std::lock_guard<std::mutex> guard(output_lock_);
    pending_output_ += text;
    if (!flush_queued_) {
        flush_queued_ = true;
        QMetaObject::invokeMethod(this, [this] { FlushOutput(); }, Qt::QueuedConnection);
    }
}

void CScriptWindow::FlushOutput()
{
    std::string text;
    {
        std::lock_guard<std::mutex> guard(output_lock_);
        text.swap(pending_output_);
        flush_queued_ = false;
    }
    if (!text.empty()) {
        AppendOutput(QString::fromStdString(text));
    }
}

void CScriptWindow::AppendOutput(const QString& text)
{
    QTextCursor cursor(output_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    output_->moveCursor(QTextCursor::End);
    output_->ensureCursorVisible();
}

void CScriptWindow::OnScriptEnded(ScriptOutcome outcome, const QString& error_text)
{
    FlushOutput();
    if (!error_text.isEmpty()) {
        AppendOutput(error_text + QLatin1Char('\n'));
    }
    if (outcome == ScriptOutcome::kStopped) {
        AppendOutput(QStringLiteral("Script stopped.\n"));
    } else if (outcome == ScriptOutcome::kFailed && error_text.isEmpty()) {
        AppendOutput(QStringLiteral("Script ended with status %1.\n").arg(engine_.ExitStatus()));
    }
    SetRunning(false);
    emit ScriptEnded(outcome);
}

void CScriptWindow::RefreshFunctionList()
{
    functions_->clear();
    int widest = 0;
    for (const std::string& name : engine_.FunctionNames()) {
        const QString shown = QString::fromStdString(name);
        functions_->addItem(shown);
        widest = std::max(widest, functions_->fontMetrics().horizontalAdvance(shown));
    }
    // Wide enough for the longest name beside the vertical scroll bar.
    functions_->setMinimumWidth(widest + functions_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                                4 * functions_->frameWidth() + 8);
    help_->setPlainText(functions_->count() == 0
                            ? QStringLiteral("No functions are registered.")
                            : QStringLiteral("Select a function to see its help text; "
                                             "double-click it to insert a call."));
}

void CScriptWindow::ShowHelp(QListWidgetItem* item)
{
    if (item == nullptr) {
        return;
    }
    const std::string help = engine_.HelpText(item->text().toStdString());
    help_->setPlainText(QString::fromStdString(PrintableHelp(help)));
}

void CScriptWindow::InsertCall(QListWidgetItem* item)
{
    if (item == nullptr) {
        return;
    }
    editor_->insert(item->text() + QLatin1Char('('));
    int line = 0;
    int index = 0;
    editor_->getCursorPosition(&line, &index);
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
