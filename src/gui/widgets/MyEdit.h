// The read-only text control of the two log windows: lines are appended at the end, and its
// context menu offers "&Copy", "Select &All" and "&Find..." (a search that wraps around once).
#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPointer>

class QCheckBox;
class QLineEdit;

class CMyEdit;

// The modeless find dialog of one CMyEdit: a search text, a match-case option, "Find Next".
class CFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit CFindDialog(CMyEdit& edit);

    QLineEdit* SearchField() const { return text_; }
    QCheckBox* MatchCaseBox() const { return match_case_; }

private:
    void FindNext();

    CMyEdit& edit_;
    QLineEdit* text_;
    QCheckBox* match_case_;
};

class CMyEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CMyEdit(QWidget* parent = nullptr);

    // Appends text as one line at the end of the control and puts the caret at the end; the view
    // keeps its horizontal position. Trailing CR and LF are not shown, inner ones as \r and \n.
    void AppendLine(const QString& text);
    // The line AppendLine shows for text.
    static QString ShownLine(const QString& text);
    // Empties the control.
    void ClearText();
    // The number of characters the control holds, counting each line end as the two characters
    // CR LF it stands for in the log file.
    qsizetype CharacterCount() const;
    // The number of lines appended and still held.
    qsizetype LineCount() const { return lines_; }
    // Deletes the oldest count lines (all when fewer are held) and puts the caret at the end.
    void DeleteOldestLines(qsizetype count);

    // Searches for needle after the last match (or from the start), wrapping once to the
    // beginning. A hit is selected and true returned; a miss tells the engineer in the box
    // "'needle' not found!" titled "ZOV tool - Find" and returns false.
    bool FindNext(const QString& needle, bool match_case);
    // Opens the find dialog (one per control).
    void ShowFindDialog();
    // The find dialog, null until it was opened.
    CFindDialog* FindDialog() const { return find_dialog_; }

    // The context menu as it would be shown now, for the window and for tests. The caller owns
    // it.
    QMenu* CreateContextMenu();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    qsizetype lines_ = 0;
    qsizetype last_match_end_ = -1;
    QPointer<CFindDialog> find_dialog_;
};
