// The help text of a configuration row as the grid shows it when the mouse is over the row or
// over its in-place editor: at once, until the mouse leaves, at most kMaxWidth pixels wide
// (wrapped) and cut to kMaxCharacters characters. A small window of its own, because the
// toolkit's tooltips come late, vanish by themselves and grow as wide as their longest line.
#pragma once

#include <QLabel>
#include <QString>

class CHelpTip : public QLabel {
    Q_OBJECT
public:
    static constexpr int kMaxWidth = 300;
    static constexpr int kMaxCharacters = 1024;

    explicit CHelpTip(QWidget* owner);

    // Shows help (cut) just below and right of global_pos; an empty help hides the tip.
    void ShowAt(const QString& help, const QPoint& global_pos);
    // The text as shown: help cut to kMaxCharacters characters.
    static QString ShownText(const QString& help);
};
