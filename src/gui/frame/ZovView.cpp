#include "gui/frame/ZovView.h"

CZovView::CZovView(int number, QWidget* parent) : QFrame(parent), number_(number)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

void CZovView::OutputText(const QString&) {}
