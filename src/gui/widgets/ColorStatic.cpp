#include "gui/widgets/ColorStatic.h"

#include <QPainter>

CColorStatic::CColorStatic(QWidget* parent) : CColorStatic(QString(), parent) {}

CColorStatic::CColorStatic(const QString& text, QWidget* parent)
    : QLabel(text, parent), background_(palette().color(QPalette::Button))
{
    setAutoFillBackground(false);
}

void CColorStatic::SetBkColor(const QColor& color)
{
    background_ = color;
    RedrawNow();
}

void CColorStatic::SetTextColor(const QColor& color)
{
    text_color_ = color;
    RedrawNow();
}

void CColorStatic::RedrawNow()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, text_color_);
    setPalette(colours);
    if (isVisible()) {
        repaint();
    }
}

void CColorStatic::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(this);
        painter.fillRect(rect(), background_);
    }
    QLabel::paintEvent(event);
}
