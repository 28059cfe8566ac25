#include "ConfigTestSupport.h"

#include "TestSupport.h"
#include "config/Config.h"
#include "config/ConfigFile.h"
#include "platform/TextFile.h"

std::string ConfigRecord(const std::string& name, int item_class, int fixed, int type, const std::string& value,
                         const char* range, const std::string& help)
{
    std::string text = "[" + name + "]\r\nClass = " + std::to_string(item_class) + "\r\nFixed = " +
                       std::to_string(fixed) + "\r\nHelp = \"" + help + "\"\r\nType = " + std::to_string(type) +
                       "\r\nValue = " + value + "\r\n";
    if (range != nullptr) {
        text += std::string("Range = ") + range + "\r\n";
    }
    return text + "\r\n";
}

std::string EditorSampleRecords()
{
    return ConfigRecord("Integer plain", 0, 0, 0, "42") + ConfigRecord("Integer range", 0, 0, 0, "5", "1..10") +
           ConfigRecord("Integer list", 0, 0, 0, "2", "1, 2, 3") + ConfigRecord("Boolean on", 0, 0, 3, "1") +
           ConfigRecord("Float range", 0, 0, 1, "1.50", "0.50..2.50") + ConfigRecord("String plain", 0, 0, 2, "\"abc\"") +
           ConfigRecord("String list", 0, 0, 2, "\"B\"", "\"A\", \"B\"") + ConfigRecord("LUT", 0, 0, 4, "\"\"") +
           ConfigRecord("Long help", 0, 0, 0, "1", nullptr, std::string(1500, 'w') + " end") +
           ConfigRecord("Default gain", 1, 0, 1, "2.00") + ConfigRecord("Gamma LUT", 3, 0, 4, "\"abc\"") +
           ConfigRecord("DCM i2:01", 4, 0, 5, "\"Set(0x2821,34,5);Set(0x2000,3)\"", nullptr, "Line 2 help.") +
           ConfigRecord("DCM o1", 4, 0, 6, "\"High(0x2021,16,>,3)\"") + ConfigRecord("DCM Debounce", 4, 0, 2, "\"0a14\"") +
           ConfigRecord("DCM Mode", 4, 0, 2, "\"0101\"") + ConfigRecord("Mode name", 4, 0, 2, "\"x\"") +
           ConfigRecord("Cfg Name", 0, 1, 2, "\"My cfg/1\"") + ConfigRecord("Fixed default", 1, 1, 0, "3") +
           ConfigRecord("Fixed LUT", 3, 1, 4, "\"xy\"") + ConfigRecord("DCM PrioIO", 4, 1, 2, "\"0302\"") +
           ConfigRecord("Service only", 2, 0, 0, "7");
}

void WriteScrambledConfig(const std::string& path, const std::string& records)
{
    std::string bytes = kConfigFileHeader + records;
    ScrambleConfigBuffer(bytes);
    WriteFileAtomically(path, bytes);
}

int GridRow(QTreeWidget* grid, const QString& name)
{
    for (int i = 0; i < grid->topLevelItemCount(); ++i) {
        if (grid->topLevelItem(i)->text(0) == name) {
            return i;
        }
    }
    return -1;
}

void ClickRow(QTreeWidget* grid, int row, Qt::KeyboardModifiers modifiers)
{
    QTreeWidgetItem* item = grid->topLevelItem(row);
    if (item == nullptr) {
        return;
    }
    grid->scrollToItem(item);
    const QRect rect = grid->visualItemRect(item);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, QPoint(rect.left() + 40, rect.center().y()));
}
