// The configuration page as the engineer uses it: its tabs, the grid's in-place editors (range
// adaptation, drop-down lists, binary data, DCM "Edit..." with OK and Cancel), the help tips,
// the context menu of page 3 and the file buttons. The flash side is in ConfigViewTest.

#include <memory>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

#include "ConfigTestSupport.h"
#include "TestSupport.h"
#include "config/ConfigEditor.h"
#include "gui/config/ConfigDialog.h"
#include "gui/config/ConfigFileDialog.h"
#include "gui/config/DcmInputEditor.h"
#include "gui/config/DcmOutputEditor.h"
#include "gui/config/HelpTip.h"
#include "gui/config/PropCtrl.h"
#include "gui/widgets/DataViewerDialog.h"
#include "gui/widgets/TabCtrlEx.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

class ConfigDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void TabsFollowThePagesAndTheSetting();
    void RangeEditAdaptsWithTheMessage();
    void TextEditsAreConvertedWhenTheRowLosesItsSelection();
    void FixedRowsGetNoEditor();
    void ListAndBooleanChoicesComeFromTheDropDown();
    void BinaryDataIsLoadedShownAndSaved();
    void DcmInputEditRewritesTheRowAndItsBytes();
    void DcmEditorsCancelLeavesTheRowsUnchanged();
    void DcmOutputEditRenamesTheLine();
    void ContextMenuOfPage3AddsAndDeletesDcmRows();
    void HelpTipsShowAtOnceCutAndNarrow();
    void SaveOffersTheCfgNameAndMergeJoinsIt();
    void ProgressBarShowsBelow1000();

private:
    // A page shown and filled from the sample.
    std::unique_ptr<CConfigDialog> OpenSample();
    CPropCtrl* Grid(int page) const { return page_->Grid(page); }
    const tagConfigRow* Row(int page, const char* name) const;
    // Selects the row by a click and returns it.
    int Click(int page, const char* name);

    std::unique_ptr<CScopedSettingsFile> settings_;
    std::unique_ptr<CTempFolder> folder_;
    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> scope_;
    std::unique_ptr<CConfigDialog> page_;
    QString answer_;  // what the next file dialog answers
    EConfigFileAsk asked_ = EConfigFileAsk::OpenConfig;
    QString suggested_;
};

void ConfigDialogTest::init()
{
    settings_ = std::make_unique<CScopedSettingsFile>();
    folder_ = std::make_unique<CTempFolder>();
    prompt_ = std::make_unique<CRecordingPrompt>();
    scope_ = std::make_unique<CScopedPrompt>(*prompt_);
    SetConfigFileAnswerer([this](EConfigFileAsk kind, const QString& suggested) {
        asked_ = kind;
        suggested_ = suggested;
        return answer_;
    });
}

void ConfigDialogTest::cleanup()
{
    page_.reset();
    SetConfigFileAnswerer(nullptr);
    scope_.reset();
    prompt_.reset();
    folder_.reset();
    settings_.reset();
}

std::unique_ptr<CConfigDialog> ConfigDialogTest::OpenSample()
{
    auto page = std::make_unique<CConfigDialog>(nullptr);
    page->resize(900, 650);
    page->show();
    page->activateWindow();
    if (!QTest::qWaitForWindowActive(page.get())) {
        qWarning("the page did not become active");
    }
    const std::string path = folder_->File("sample.cfg");
    WriteScrambledConfig(path, EditorSampleRecords());
    answer_ = QString::fromStdString(path);
    page->LoadConfiguration();
    return page;
}

const tagConfigRow* ConfigDialogTest::Row(int page, const char* name) const
{
    for (const tagConfigRow& row : page_->Editor().Rows(page)) {
        if (row.Name == name) {
            return &row;
        }
    }
    return nullptr;
}

int ConfigDialogTest::Click(int page, const char* name)
{
    page_->ShowPage(page);
    const int row = GridRow(Grid(page), QString::fromLatin1(name));
    ClickRow(Grid(page), row);
    return row;
}

void ConfigDialogTest::TabsFollowThePagesAndTheSetting()
{
    page_ = OpenSample();
    QCOMPARE(page_->ShownPages(), (std::vector<int>{0, 1, 2, 3}));
    QCOMPARE(page_->Tabs()->tabText(0), QStringLiteral("Configuation"));
    QCOMPARE(page_->Tabs()->tabText(3), QStringLiteral("User I/F modules"));
    QCOMPARE(page_->Tabs()->currentIndex(), 0);
    // The hidden pages hold their rows all the same.
    QVERIFY(Row(kFixedConfigurationPage, "Cfg Name") != nullptr);
    QCOMPARE(Grid(0)->headerItem()->text(0), QStringLiteral("Name"));
    QCOMPARE(Grid(0)->headerItem()->text(1), QStringLiteral("Value"));
    QCOMPARE(Grid(0)->columnWidth(0), 225);
    QVERIFY(page_->SaveInAsciiBox()->isHidden());

    AppSettings::SetShowFixedConfigItems(true);
    page_ = OpenSample();
    QCOMPARE(page_->ShownPages(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(page_->Tabs()->tabText(7), QStringLiteral("Fixed User I/F modules"));
    // The grid lists its rows in name order.
    QStringList names;
    for (int i = 0; i < Grid(0)->topLevelItemCount(); ++i) {
        names << Grid(0)->topLevelItem(i)->text(0);
    }
    QStringList sorted = names;
    sorted.sort(Qt::CaseSensitive);
    QCOMPARE(names, sorted);
}

void ConfigDialogTest::RangeEditAdaptsWithTheMessage()
{
    page_ = OpenSample();
    const int row = Click(0, "Integer range");
    QCOMPARE(Grid(0)->EditedRow(), row);
    CPropCtrl::CPropEdit* edit = Grid(0)->EditField();
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("5"));
    QCOMPARE(edit->selectedText(), QStringLiteral("5"));
    QTest::keyClicks(edit, QStringLiteral("20"));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!edit->isVisible());
    QCOMPARE(Row(0, "Integer range")->Value, std::string("1"));
    QCOMPARE(Grid(0)->topLevelItem(row)->text(1), QStringLiteral("1"));
    QCOMPARE(prompt_->Texts(),
             std::vector<std::string>{"The value of \"Integer range\" is not within the range and will be adapted."});

    // A float range keeps a value within its bounds, written with two decimals.
    prompt_->Clear();
    Click(0, "Float range");
    QTest::keyClicks(Grid(0)->EditField(), QStringLiteral("2.5"));
    QTest::keyClick(Grid(0)->EditField(), Qt::Key_Return);
    QCOMPARE(Row(0, "Float range")->Value, std::string("2.50"));
    QVERIFY(prompt_->Texts().empty());
}

void ConfigDialogTest::TextEditsAreConvertedWhenTheRowLosesItsSelection()
{
    page_ = OpenSample();
    Click(0, "Integer plain");
    QTest::keyClicks(Grid(0)->EditField(), QStringLiteral("  17abc"));
    // Another row: the edit ends and the text is taken over as a number.
    const int other = Click(0, "String plain");
    QCOMPARE(Row(0, "Integer plain")->Value, std::string("17"));
    QCOMPARE(Grid(0)->EditedRow(), other);
    QTest::keyClicks(Grid(0)->EditField(), QStringLiteral("typed"));
    // Escape leaves the value as it was.
    QTest::keyClick(Grid(0)->EditField(), Qt::Key_Escape);
    QCOMPARE(Row(0, "String plain")->Value, std::string("abc"));
    // A click on the row that is still the only selected one edits it again.
    ClickRow(Grid(0), other);
    QCOMPARE(Grid(0)->EditedRow(), other);
    QTest::keyClicks(Grid(0)->EditField(), QStringLiteral("new text"));
    // Scrolling ends the edit, too (a short page, so that the grid has to scroll).
    page_->resize(900, 200);
    QTest::qWait(20);
    QVERIFY(Grid(0)->verticalScrollBar()->maximum() > 0);
    Grid(0)->verticalScrollBar()->setValue(Grid(0)->verticalScrollBar()->value() == 0 ? 1 : 0);
    QCOMPARE(Row(0, "String plain")->Value, std::string("new text"));
    QCOMPARE(Grid(0)->EditedRow(), -1);
}

void ConfigDialogTest::FixedRowsGetNoEditor()
{
    AppSettings::SetShowFixedConfigItems(true);
    page_ = OpenSample();
    Click(kFixedConfigurationPage, "Cfg Name");
    QCOMPARE(Grid(kFixedConfigurationPage)->EditedRow(), -1);
    QVERIFY(!Grid(kFixedConfigurationPage)->EditField()->isVisible());
}

void ConfigDialogTest::ListAndBooleanChoicesComeFromTheDropDown()
{
    page_ = OpenSample();
    Click(0, "Integer list");
    CPropCtrl::CPropCombo* combo = Grid(0)->ComboBox();
    QVERIFY(combo->isVisible());
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->currentText(), QStringLiteral("2"));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(Row(0, "Integer list")->Value, std::string("3"));

    Click(0, "Boolean on");
    combo = Grid(0)->ComboBox();
    QCOMPARE(combo->itemText(0), QStringLiteral("TRUE"));
    QCOMPARE(combo->itemText(1), QStringLiteral("FALSE"));
    QCOMPARE(combo->currentText(), QStringLiteral("TRUE"));
    QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(Row(0, "Boolean on")->Value, std::string("FALSE"));
    QCOMPARE(Grid(0)->topLevelItem(GridRow(Grid(0), QStringLiteral("Boolean on")))->text(1), QStringLiteral("FALSE"));

    Click(0, "String list");
    QCOMPARE(Grid(0)->ComboBox()->currentText(), QStringLiteral("B"));
    QTest::keyClick(Grid(0)->ComboBox(), Qt::Key_Up);
    QCOMPARE(Row(0, "String list")->Value, std::string("A"));
    std::string image;
    QVERIFY(page_->Editor().BuildStoreImage(image));
    QVERIFY(image.find("[Boolean on]\r\nClass = 0\r\nFixed = 0\r\nHelp = \"Help of the row.\"\r\nType = 3\r\nValue = 0") !=
            std::string::npos);
}

void ConfigDialogTest::BinaryDataIsLoadedShownAndSaved()
{
    page_ = OpenSample();
    Click(0, "LUT");
    CPropCtrl* grid = Grid(0);
    QVERIFY(grid->LoadButton()->isVisible());
    QVERIFY(grid->ShowButton()->isVisible());
    QVERIFY(!grid->SaveButton()->isEnabled());  // no data yet
    QVERIFY(!grid->ShowButton()->isEnabled());
    QCOMPARE(grid->LoadButton()->text(), QStringLiteral("Load..."));
    QVERIFY(grid->LoadButton()->geometry().right() < grid->SaveButton()->geometry().left());

    std::string bytes;
    for (int i = 0; i < 20; ++i) {
        bytes += static_cast<char>(0x41 + i);
    }
    answer_ = QString::fromStdString(folder_->Write("lut.bin", bytes));
    QTest::mouseClick(grid->LoadButton(), Qt::LeftButton);
    QCOMPARE(asked_, EConfigFileAsk::OpenData);
    QCOMPARE(Row(0, "LUT")->Record.Data.size(), size_t{20});
    QVERIFY(grid->SaveButton()->isEnabled());
    QVERIFY(grid->ShowButton()->isEnabled());

    bool found = false;
    QString shown;
    QString caption;
    OnNextModal<CDataViewerDialog>(
        [&](CDataViewerDialog* viewer) {
            shown = viewer->ShownText();
            caption = viewer->windowTitle();
            viewer->reject();
        },
        &found);
    QTest::mouseClick(grid->ShowButton(), Qt::LeftButton);
    QVERIFY(found);
    QCOMPARE(caption, QStringLiteral("LUT"));
    QVERIFY2(shown.startsWith(QStringLiteral("41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50 - ABCDEFGH IJKLMNOP\n")),
             qPrintable(shown));

    answer_ = QString::fromStdString(folder_->File("saved.bin"));
    QTest::mouseClick(grid->SaveButton(), Qt::LeftButton);
    QCOMPARE(ReadFileText(folder_->File("saved.bin")), bytes);
}

void ConfigDialogTest::DcmInputEditRewritesTheRowAndItsBytes()
{
    page_ = OpenSample();
    const int row = Click(kUserInterfacePage, "DCM i2:01");
    CPropCtrl* grid = Grid(kUserInterfacePage);
    QVERIFY(grid->EditButton()->isVisible());
    QCOMPARE(grid->topLevelItem(row)->text(1), QStringLiteral("ContrastSet(5)"));
    bool found = false;
    int opened_line = 0;
    int opened_debounce = 0;
    OnNextModal<CDcmInputEditor>(
        [&](CDcmInputEditor* editor) {
            opened_line = editor->LineField()->value();
            opened_debounce = editor->DebounceField()->value();
            editor->LineField()->setValue(5);
            editor->DebounceField()->setValue(40);
            editor->PriorityButton(3)->click();
            editor->HighToLowButton()->click();
            editor->accept();
        },
        &found);
    QTest::mouseClick(grid->EditButton(), Qt::LeftButton);
    QVERIFY(found);
    QCOMPARE(opened_line, 2);
    QCOMPARE(opened_debounce, 0x14);
    const tagConfigRow& changed = page_->Editor().Rows(kUserInterfacePage)[static_cast<size_t>(row)];
    QCOMPARE(changed.Name, std::string("DCM i5:00"));
    QCOMPARE(changed.Record.DcmText, std::string("Set(0x2821,34,5);Set(0x2000,3)"));
    QCOMPARE(grid->topLevelItem(row)->text(0), QStringLiteral("DCM i5:00"));
    QCOMPARE(Row(kUserInterfacePage, "DCM Debounce")->Value, std::string("0a14000028"));
    QCOMPARE(Row(kUserInterfacePage, "DCM Mode")->Value, std::string("0101000001"));
    QCOMPARE(Row(kFixedUserInterfacePage, "DCM PrioIO")->Value, std::string("0302000003"));
    QCOMPARE(grid->topLevelItem(GridRow(grid, QStringLiteral("DCM Debounce")))->text(1), QStringLiteral("0a14000028"));
}

void ConfigDialogTest::DcmEditorsCancelLeavesTheRowsUnchanged()
{
    page_ = OpenSample();
    std::string before;
    QVERIFY(page_->Editor().BuildStoreImage(before));
    for (const char* name : {"DCM i2:01", "DCM o1"}) {
        Click(kUserInterfacePage, name);
        bool found = false;
        const bool input = std::string(name).find(" i") != std::string::npos;
        if (input) {
            OnNextModal<CDcmInputEditor>(
                [](CDcmInputEditor* editor) {
                    editor->LineField()->setValue(9);
                    editor->DebounceField()->setValue(99);
                    editor->ModeButton(3)->click();
                    editor->reject();
                },
                &found);
        } else {
            OnNextModal<CDcmOutputEditor>(
                [](CDcmOutputEditor* editor) {
                    editor->LineField()->setValue(9);
                    editor->reject();
                },
                &found);
        }
        QTest::mouseClick(Grid(kUserInterfacePage)->EditButton(), Qt::LeftButton);
        QVERIFY2(found, name);
    }
    // Cancel of the context menu's new lines adds nothing either.
    bool found = false;
    OnNextModal<CDcmInputEditor>([](CDcmInputEditor* editor) { editor->reject(); }, &found);
    Grid(kUserInterfacePage)->AddDcmInput();
    QVERIFY(found);
    std::string after;
    QVERIFY(page_->Editor().BuildStoreImage(after));
    QCOMPARE(after, before);
}

void ConfigDialogTest::DcmOutputEditRenamesTheLine()
{
    page_ = OpenSample();
    const int row = Click(kUserInterfacePage, "DCM o1");
    bool found = false;
    OnNextModal<CDcmOutputEditor>(
        [](CDcmOutputEditor* editor) {
            editor->LineField()->setValue(7);
            editor->accept();
        },
        &found);
    QTest::mouseClick(Grid(kUserInterfacePage)->EditButton(), Qt::LeftButton);
    QVERIFY(found);
    const tagConfigRow& changed = page_->Editor().Rows(kUserInterfacePage)[static_cast<size_t>(row)];
    QCOMPARE(changed.Name, std::string("DCM o7"));
    QCOMPARE(changed.Record.DcmText, std::string("High(0x2021,16,>,3)"));
    QCOMPARE(changed.Value, std::string("High on IiFormatHigher(3)"));
}

void ConfigDialogTest::ContextMenuOfPage3AddsAndDeletesDcmRows()
{
    page_ = OpenSample();
    QVERIFY(std::unique_ptr<QMenu>(Grid(0)->CreateContextMenu()) == nullptr);
    CPropCtrl* grid = Grid(kUserInterfacePage);
    page_->ShowPage(kUserInterfacePage);
    ClickRow(grid, GridRow(grid, QStringLiteral("Mode name")));
    std::unique_ptr<QMenu> menu(grid->CreateContextMenu());
    QVERIFY(menu != nullptr);
    const QList<QAction*> actions = menu->actions();
    QCOMPARE(actions.size(), 3);
    QCOMPARE(actions[0]->text(), QStringLiteral("Add DCM Input function..."));
    QCOMPARE(actions[1]->text(), QStringLiteral("Add DCM Output condition..."));
    QCOMPARE(actions[2]->text(), QStringLiteral("Delete"));
    QVERIFY(!actions[2]->isEnabled());  // not a DCM row
    // Two rows selected: no Delete either.
    ClickRow(grid, GridRow(grid, QStringLiteral("DCM i2:01")));
    ClickRow(grid, GridRow(grid, QStringLiteral("DCM o1")), Qt::ControlModifier);
    QCOMPARE(grid->SelectedRows().size(), size_t{2});
    menu.reset(grid->CreateContextMenu());
    QVERIFY(!menu->actions()[2]->isEnabled());

    bool found = false;
    QString offered;
    OnNextModal<CDcmInputEditor>(
        [&](CDcmInputEditor* editor) {
            offered = QString::number(editor->LineField()->value());
            editor->accept();
        },
        &found);
    menu->actions()[0]->trigger();
    QVERIFY(found);
    QCOMPARE(offered, QStringLiteral("3"));
    QVERIFY(Row(kUserInterfacePage, "DCM i3:01") != nullptr);
    QVERIFY(GridRow(grid, QStringLiteral("DCM i3:01")) >= 0);
    QCOMPARE(Row(kUserInterfacePage, "DCM Mode")->Value, std::string("010101"));

    OnNextModal<CDcmOutputEditor>([](CDcmOutputEditor* editor) { editor->accept(); }, &found);
    menu.reset(grid->CreateContextMenu());
    menu->actions()[1]->trigger();
    QVERIFY(found);
    QVERIFY(Row(kUserInterfacePage, "DCM o2") != nullptr);

    ClickRow(grid, GridRow(grid, QStringLiteral("DCM o2")));
    menu.reset(grid->CreateContextMenu());
    QVERIFY(menu->actions()[2]->isEnabled());
    menu->actions()[2]->trigger();
    QVERIFY(Row(kUserInterfacePage, "DCM o2") == nullptr);
    QCOMPARE(GridRow(grid, QStringLiteral("DCM o2")), -1);
}

void ConfigDialogTest::HelpTipsShowAtOnceCutAndNarrow()
{
    page_ = OpenSample();
    CPropCtrl* grid = Grid(0);
    const int row = GridRow(grid, QStringLiteral("Long help"));
    const QRect rect = grid->visualItemRect(grid->topLevelItem(row));
    QTest::mouseMove(grid->viewport(), rect.center());
    QTRY_VERIFY_WITH_TIMEOUT(grid->HelpTip()->isVisible(), 1000);
    QCOMPARE(grid->HelpTip()->text().size(), 1024);
    QVERIFY(grid->HelpTip()->text().startsWith(QStringLiteral("wwww")));
    QVERIFY(grid->HelpTip()->width() <= CHelpTip::kMaxWidth);
    // Over another row the tip changes to its help at once.
    const QRect other = grid->visualItemRect(grid->topLevelItem(GridRow(grid, QStringLiteral("Integer plain"))));
    QTest::mouseMove(grid->viewport(), other.center());
    QTRY_COMPARE_WITH_TIMEOUT(grid->HelpTip()->text(), QStringLiteral("Help of the row."), 1000);
    QVERIFY(grid->HelpTip()->width() <= CHelpTip::kMaxWidth);
    // Over the in-place editor it shows the edited row's help.
    ClickRow(grid, row);
    QTest::mouseMove(grid->EditField(), QPoint(5, 5));
    QTRY_VERIFY_WITH_TIMEOUT(grid->HelpTip()->text().startsWith(QStringLiteral("wwww")), 1000);
}

void ConfigDialogTest::SaveOffersTheCfgNameAndMergeJoinsIt()
{
    page_ = OpenSample();
    answer_ = QString::fromStdString(folder_->File("chosen"));
    page_->SaveConfiguration();
    QCOMPARE(asked_, EConfigFileAsk::SaveConfig);
    QCOMPARE(suggested_, QStringLiteral("My_cfg_1.cfg"));
    const std::string saved = ReadFileText(folder_->File("chosen.cfg"));
    QVERIFY(!saved.empty());
    QVERIFY(saved.compare(0, 5, "Nemra") != 0);  // scrambled
    QVERIFY(page_->MessageText().contains(
        QStringLiteral("1 item(s) of Class 2 or of another class that no page shows are left out of the saved file.")));

    const std::string other = folder_->File("other.cfg");
    WriteScrambledConfig(other, ConfigRecord("Cfg Name", 0, 1, 2, "\"Site B\""));
    answer_ = QString::fromStdString(other);
    page_->MergeConfiguration();
    QCOMPARE(Row(kFixedConfigurationPage, "Cfg Name")->Value, std::string("My cfg/1 - Site B"));
    // Cancelled dialogs change nothing.
    answer_.clear();
    page_->LoadConfiguration();
    QVERIFY(Row(0, "Integer plain") != nullptr);
    QVERIFY(prompt_->Texts().empty());
}

void ConfigDialogTest::ProgressBarShowsBelow1000()
{
    page_ = OpenSample();
    QVERIFY(page_->ProgressBar()->isHidden());
    page_->SetProgress(500);
    QVERIFY(page_->ProgressBar()->isVisible());
    QCOMPARE(page_->ProgressBar()->value(), 500);
    page_->SetProgress(1000);
    QVERIFY(page_->ProgressBar()->isHidden());
    page_->AppendMessage(QStringLiteral("Configuration Header:\r\n     Checksum = 0x1afc (6908)"));
    QCOMPARE(page_->MessageBox()->toPlainText(), QStringLiteral("Configuration Header:\n     Checksum = 0x1afc (6908)"));
    QCOMPARE(page_->MessageBox()->font().pointSize(), 9);
}

QTEST_MAIN(ConfigDialogTest)
#include "ConfigDialogTest.moc"
