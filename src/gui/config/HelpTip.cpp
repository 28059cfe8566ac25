#include "gui/config/HelpTip.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

constexpr int kCursorOffset = 16;  // keeps the tip clear of the mouse pointer

}  // namespace

CHelpTip::CHelpTip(QWidget* owner) : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("helpTip"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(3);
    setMaximumWidth(kMaxWidth);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QString CHelpTip::ShownText(const QString& help)
{
    return help.left(kMaxCharacters);
}

void CHelpTip::ShowAt(const QString& help, const QPoint& global_pos)
{
    const QString shown = ShownText(help);
    if (shown.isEmpty()) {
        hide();
        return;
    }
    if (text() != shown) {
        setText(shown);
    }
    // One line when it fits, else wrapped at the largest width.
    const int frame = 2 * (margin() + frameWidth());
    const int natural = fontMetrics().boundingRect(QRect(0, 0, 100000, 100000), 0, shown).width();
    const int width = std::min(kMaxWidth, natural + frame + 2);
    resize(width, heightForWidth(width));
    QPoint at = global_pos + QPoint(kCursorOffset, kCursorOffset);
    if (const QScreen* screen = QGuiApplication::screenAt(global_pos)) {
        const QRect area = screen->availableGeometry();
        at.setX(std::min(at.x(), area.right() - width));
        at.setY(std::min(at.y(), area.bottom() - height()));
    }
    move(at);
    show();
    raise();
}
