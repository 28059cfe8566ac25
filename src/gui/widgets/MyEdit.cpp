#include "gui/widgets/MyEdit.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

#include "gui/widgets/FindText.h"
#include "gui/widgets/FixedPitchFont.h"
#include "platform/Prompt.h"

CFindDialog::CFindDialog(CMyEdit& edit) : QDialog(&edit), edit_(edit)
{
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);
    text_ = new QLineEdit(this);
    match_case_ = new QCheckBox(QStringLiteral("Match &case"), this);
    auto* find_next = new QPushButton(QStringLiteral("&Find Next"), this);
    find_next->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    label->setBuddy(text_);
    layout->addWidget(label, 0, 0);
    layout->addWidget(text_, 0, 1);
    layout->addWidget(find_next, 0, 2);
    layout->addWidget(match_case_, 1, 0, 1, 2);
    layout->addWidget(cancel, 1, 2);

    connect(find_next, &QPushButton::clicked, this, &CFindDialog::FindNext);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

void CFindDialog::FindNext()
{
    edit_.FindNext(text_->text(), match_case_->isChecked());
}

CMyEdit::CMyEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The fixed-pitch font keeps the columns of frames and data dumps aligned.
    setFont(FixedPitchFont(9));
}

QString CMyEdit::ShownLine(const QString& text)
{
    // A frame ends with its CR; the file keeps it, the window shows one line per entry. A line
    // end inside an entry is shown as the escape it stands for, so that the entry stays one line.
    QString line = text;
    while (line.endsWith(QLatin1Char('\r')) || line.endsWith(QLatin1Char('\n'))) {
        line.chop(1);
    }
    line.replace(QStringLiteral("\r"), QStringLiteral("\\r"));
    line.replace(QStringLiteral("\n"), QStringLiteral("\\n"));
    return line;
}

void CMyEdit::AppendLine(const QString& text)
{
    // The caret follows the end, but the view keeps its sideways position (the left edge with
    // the time column, unless the engineer scrolled), however long the new line is.
    QScrollBar* sideways = horizontalScrollBar();
    const int left = sideways->value();
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (lines_ > 0) {
        cursor.insertBlock();
    }
    cursor.insertText(ShownLine(text));
    ++lines_;
    moveCursor(QTextCursor::End);
    sideways->setValue(left);
}

void CMyEdit::ClearText()
{
    clear();
    lines_ = 0;
    last_match_end_ = -1;
}

qsizetype CMyEdit::CharacterCount() const
{
    if (lines_ == 0) {
        return 0;
    }
    // characterCount() holds every character plus one separator per block, and each line
    // stands for its text plus CR LF.
    return document()->characterCount() + lines_;
}

void CMyEdit::DeleteOldestLines(qsizetype count)
{
    QScrollBar* sideways = horizontalScrollBar();
    const int left = sideways->value();
    if (count >= lines_) {
        ClearText();
        return;
    }
    if (count > 0) {
        QTextCursor cursor(document());
        cursor.movePosition(QTextCursor::Start);
        const QTextBlock keep = document()->findBlockByNumber(static_cast<int>(count));
        cursor.setPosition(keep.position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        lines_ -= count;
        last_match_end_ = -1;
    }
    moveCursor(QTextCursor::End);
    sideways->setValue(left);
}

bool CMyEdit::FindNext(const QString& needle, bool match_case)
{
    const QString text = toPlainText();
    const qsizetype start = last_match_end_ < 0 ? 0 : last_match_end_;
    const qsizetype hit = FindWithWrap(text, needle, start,
                                       match_case ? Qt::CaseSensitive : Qt::CaseInsensitive);
    if (hit < 0) {
        ShowMessage(NotFoundText(needle).toStdString(), PromptIcon::Information, kFindTitle);
        return false;
    }
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(hit));
    cursor.setPosition(static_cast<int>(hit + needle.size()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    last_match_end_ = hit + needle.size();
    return true;
}

void CMyEdit::ShowFindDialog()
{
    if (find_dialog_ == nullptr) {
        find_dialog_ = new CFindDialog(*this);
    }
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) {
        find_dialog_->SearchField()->setText(selected);
    }
    find_dialog_->show();
    find_dialog_->raise();
    find_dialog_->activateWindow();
    find_dialog_->SearchField()->setFocus();
}

QMenu* CMyEdit::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    QAction* copy_action = menu->addAction(QStringLiteral("&Copy"), this, &QPlainTextEdit::copy);
    copy_action->setEnabled(textCursor().hasSelection());
    const bool has_text = lines_ > 0;
    QAction* select_all = menu->addAction(QStringLiteral("Select &All"), this,
                                          &QPlainTextEdit::selectAll);
    select_all->setEnabled(has_text);
    QAction* find = menu->addAction(QStringLiteral("&Find..."), this, &CMyEdit::ShowFindDialog);
    find->setEnabled(has_text);
    return menu;
}

void CMyEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
