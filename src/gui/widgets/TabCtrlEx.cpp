#include "gui/widgets/TabCtrlEx.h"

#include <algorithm>

#include <QPainter>
#include <QStyleOptionTab>

CTabBarEx::CTabBarEx(QWidget* parent) : QTabBar(parent)
{
    setExpanding(false);
    setDrawBase(true);
}

int CTabBarEx::TextWidth(int index) const
{
    QFont bold = font();
    bold.setBold(true);  // the selected tab's text is bold
    return std::max(QTabBar::tabSizeHint(index).width(), QFontMetrics(bold).horizontalAdvance(tabText(index)) + 24);
}

QSize CTabBarEx::tabSizeHint(int index) const
{
    // Fixed tabs: every tab as wide as the widest text needs, as long as they all fit side by
    // side. When they do not, each tab is as wide as its own text, so that more of them fit
    // before the bar has to scroll and cut one off.
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, TextWidth(i));
    }
    const QWidget* area = parentWidget() != nullptr ? parentWidget() : this;
    const int height = QTabBar::tabSizeHint(index).height();
    if (widest * count() <= area->width()) {
        return {widest, height};
    }
    return {TextWidth(index), height};
}

void CTabBarEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    for (int i = 0; i < count(); ++i) {
        const QRect area = tabRect(i).adjusted(1, 1, -1, 0);
        const bool selected = i == currentIndex();
        painter.fillRect(area, selected ? colours.color(QPalette::Base)
                                        : colours.color(QPalette::Button));
        painter.setPen(colours.color(QPalette::Mid));
        painter.drawRect(area.adjusted(0, 0, -1, selected ? 0 : -1));
        if (selected) {
            // A bar along the top marks the selected tab even in a grey-scale palette.
            painter.fillRect(QRect(area.left(), area.top(), area.width(), 3),
                             colours.color(QPalette::Highlight));
        }
        QFont font = painter.font();
        font.setBold(selected);
        painter.setFont(font);
        painter.setPen(isTabEnabled(i) ? colours.color(QPalette::ButtonText)
                                       : colours.color(QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(area, Qt::AlignCenter, tabText(i));
    }
}

CTabCtrlEx::CTabCtrlEx(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new CTabBarEx(this));
}

int CTabCtrlEx::AddTab(QWidget* page, const QString& text, const QVariant& item_data)
{
    const int index = addTab(page, text);
    tabBar()->setTabData(index, item_data);
    return index;
}

QVariant CTabCtrlEx::ItemData(int index) const
{
    if (index < 0 || index >= count()) {
        return {};
    }
    return tabBar()->tabData(index);
}

bool CTabCtrlEx::HasTabWithItemData(const QVariant& item_data) const
{
    return FindTabWithItemData(item_data) >= 0;
}

int CTabCtrlEx::FindTabWithItemData(const QVariant& item_data) const
{
    for (int i = 0; i < count(); ++i) {
        if (tabBar()->tabData(i) == item_data) {
            return i;
        }
    }
    return -1;
}
