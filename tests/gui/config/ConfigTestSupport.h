// What the configuration page's window tests share: a configuration file with rows of every
// kind on every page, acting on the next modal dialog, and clicks on grid rows.
#pragma once

#include <functional>
#include <string>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

// One record of the configuration text.
std::string ConfigRecord(const std::string& name, int item_class, int fixed, int type, const std::string& value,
                         const char* range = nullptr, const std::string& help = "Help of the row.");

// The records of the sample the tests edit: rows of every kind, on every page, and one item of
// Class 2.
std::string EditorSampleRecords();

// Writes records as a scrambled .cfg file at path.
void WriteScrambledConfig(const std::string& path, const std::string& records);

// Runs act on the next modal dialog of type T as soon as it is shown (within 5 s); *found tells
// whether it was.
template <typename T>
void OnNextModal(const std::function<void(T*)>& act, bool* found)
{
    *found = false;
    auto* timer = new QTimer;
    auto* tries = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act, found] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible()) {
            *found = true;
            timer->stop();
            act(dialog);
        } else if (++*tries > 500) {
            timer->stop();
        }
        if (!timer->isActive()) {
            timer->deleteLater();
            delete tries;
        }
    });
    timer->start(10);
}

// The row of grid named name, -1 when there is none.
int GridRow(QTreeWidget* grid, const QString& name);
// Clicks the row's value cell as the engineer would.
void ClickRow(QTreeWidget* grid, int row, Qt::KeyboardModifiers modifiers = {});
