// The tab control of the configuration editor. It draws its tabs itself, all of one width when
// they fit side by side (else each as wide as its text), the selected tab marked, and tells
// whether a tab carries a given item data value (the editor keys its tabs by group).
#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <QVariant>

// The tab bar that draws every tab itself.
class CTabBarEx : public QTabBar {
    Q_OBJECT
public:
    explicit CTabBarEx(QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The width tab index needs for its text in bold.
    int TextWidth(int index) const;
};

class CTabCtrlEx : public QTabWidget {
    Q_OBJECT
public:
    explicit CTabCtrlEx(QWidget* parent = nullptr);

    // Adds a page with its tab text and item data; returns its index.
    int AddTab(QWidget* page, const QString& text, const QVariant& item_data);
    // The item data of tab index (an invalid variant outside the tabs).
    QVariant ItemData(int index) const;
    // True when a tab carries item_data; the walk stops at the first match.
    bool HasTabWithItemData(const QVariant& item_data) const;
    // The index of the first tab with item_data, -1 when none has it.
    int FindTabWithItemData(const QVariant& item_data) const;
};
