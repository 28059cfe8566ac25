#include "gui/frame/ZovView.h"

#include "gui/frame/ViewLink.h"

CZovView::CZovView(int number, QWidget* parent) : QFrame(parent), number_(number)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
}

void CZovView::OutputText(const QString&) {}

CSerialCommHandler* CZovView::CommHandler()
{
    CViewLink* link = Link();
    return link != nullptr ? &link->Handler() : nullptr;
}
