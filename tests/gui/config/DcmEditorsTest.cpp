// The DCM editors and their selectors as the engineer uses them: what they show when they open,
// adding functions and conditions through the selectors, the mode buttons, the names they hand
// back, and Cancel leaving everything as it was. With ZOV_SCREENSHOTS=FOLDER each dialog is
// also saved as a picture there.

#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "config/DcmInputEdit.h"
#include "config/DcmOutputEdit.h"
#include "gui/config/CondSelectorDialog.h"
#include "gui/config/DcmInputEditor.h"
#include "gui/config/DcmOutputEditor.h"
#include "gui/config/FuncSelectorDialog.h"
#include "platform/Prompt.h"

using Functions = std::vector<tagInputFunc>;
using Conditions = std::vector<tagOutputCond>;

namespace {

const char kHelp[] = "Footswitch and image keys of the table-side module.";

// Runs act on the next modal dialog of type T as soon as it is shown (within 5 s); whether it
// was found is kept in *found.
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

int RowOf(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    return items.isEmpty() ? -1 : list->row(items.first());
}

QStringList Lines(QListWidget* list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        lines << list->item(i)->text();
    }
    return lines;
}

void SaveScreenshot(QWidget& widget, const char* name)
{
    const QByteArray folder = qgetenv("ZOV_SCREENSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    widget.show();
    QTest::qWait(50);
    const QString path = QString::fromLocal8Bit(folder) + QLatin1Char('/') + QLatin1String(name);
    if (!widget.grab().save(path)) {
        qWarning("could not save %s", qPrintable(path));
    }
}

}  // namespace

class DcmEditorsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void InputEditorOpensOnTheLineWithoutUnknownFunctions();
    void InputEditorCancelLeavesEverythingAsGiven();
    void AddingFunctionsWithAndWithoutParameter_data();
    void AddingFunctionsWithAndWithoutParameter();
    void DeleteCommandRemovesTheSelectedOne();
    void ModeButtonsShowAndHideTheTransition();
    void FunctionSelectorShowsFieldsForTheEntry();
    void OutputEditorAddsConditionsAndRenamesTheLine();
    void OutputEditorCancelLeavesEverythingAsGiven();
    void ConditionSelectorAsksParameterOnlyWhereNeeded();

private:
    // Adds the function of text through the selector, with the parameter and the wrap box set.
    static bool AddFunction(CDcmInputEditor& editor, const QString& text, int parameter, bool wrap);

    std::unique_ptr<CRecordingPrompt> prompt_;
    std::unique_ptr<CScopedPrompt> scope_;
};

void DcmEditorsTest::init()
{
    prompt_ = std::make_unique<CRecordingPrompt>();
    scope_ = std::make_unique<CScopedPrompt>(*prompt_);
}

void DcmEditorsTest::cleanup()
{
    scope_.reset();
    prompt_.reset();
}

bool DcmEditorsTest::AddFunction(CDcmInputEditor& editor, const QString& text, int parameter, bool wrap)
{
    bool found = false;
    bool selected = false;
    OnNextModal<CFuncSelectorDialog>(
        [&](CFuncSelectorDialog* selector) {
            const int row = RowOf(selector->FunctionList(), text);
            selected = row >= 0;
            selector->FunctionList()->setCurrentRow(row);
            selector->ParameterField()->setValue(parameter);
            selector->WrapBox()->setChecked(wrap);
            QTest::mouseClick(selector->OkButton(), Qt::LeftButton);
        },
        &found);
    QTest::mouseClick(editor.AddButton(), Qt::LeftButton);
    return found && selected;
}

void DcmEditorsTest::InputEditorOpensOnTheLineWithoutUnknownFunctions()
{
    const Functions functions = {{"ContrastSet", 5, false}, {"UNKNOWN", 0, false}, {"BrightnessUp", 1, true}};
    CDcmInputEditor editor("DCM i3:00", functions, 25, 1, 2, kHelp, nullptr);
    QCOMPARE(editor.windowTitle(), QStringLiteral("DCM Input Editor"));
    QCOMPARE(prompt_->Texts(), std::vector<std::string>{CDcmInputEdit::kUnknownMessage});
    QCOMPARE(editor.LineField()->value(), 3);
    QCOMPARE(editor.LineField()->minimum(), 1);
    QCOMPARE(editor.LineField()->maximum(), 128);
    QVERIFY(editor.HighToLowButton()->isChecked());
    QVERIFY(!editor.LowToHighButton()->isChecked());
    QVERIFY(editor.ModeButton(1)->isChecked());
    QVERIFY(editor.PriorityButton(2)->isChecked());
    QCOMPARE(editor.DebounceField()->value(), 25);
    QCOMPARE(editor.DebounceField()->maximum(), 255);
    QCOMPARE(Lines(editor.CommandList()),
             (QStringList{QStringLiteral("ContrastSet(5)"), QStringLiteral("BrightnessUp with wrapping")}));
    QCOMPARE(editor.HelpBox()->toPlainText(), QString::fromLatin1(kHelp));
    QVERIFY(!editor.DeleteButton()->isEnabled());
    QCOMPARE(editor.ModeButton(2)->text(), QStringLiteral("a single action definition  Low to High"));
    SaveScreenshot(editor, "dcm_input_editor.png");

    // OK without a change: the list as shown (the UNKNOWN function is gone), the same name.
    editor.accept();
    QCOMPARE(editor.Name(), std::string("DCM i3:00"));
    QCOMPARE(editor.Functions(), (Functions{{"ContrastSet", 5, false}, {"BrightnessUp", 1, true}}));
    QCOMPARE(editor.Debounce(), uint8_t{25});
    QCOMPARE(editor.Mode(), uint8_t{1});
    QCOMPARE(editor.Priority(), uint8_t{2});
}

void DcmEditorsTest::InputEditorCancelLeavesEverythingAsGiven()
{
    const Functions functions = {{"UNKNOWN", 0, false}, {"FootSwitchOn", 1, false}};
    CDcmInputEditor editor("DCM i4:01", functions, 10, 1, 3, kHelp, nullptr);
    editor.LineField()->setValue(9);
    editor.DebounceField()->setValue(200);
    editor.ModeButton(3)->click();
    editor.PriorityButton(1)->click();
    QVERIFY(AddFunction(editor, QStringLiteral("Contrast, Set"), 4, false));
    editor.CommandList()->setCurrentRow(0);
    QTest::mouseClick(editor.DeleteButton(), Qt::LeftButton);
    QCOMPARE(Lines(editor.CommandList()), QStringList{QStringLiteral("ContrastSet(4)")});
    editor.reject();
    QCOMPARE(editor.result(), int{QDialog::Rejected});
    QCOMPARE(editor.Name(), std::string("DCM i4:01"));
    QCOMPARE(editor.Functions(), functions);
    QCOMPARE(editor.Debounce(), uint8_t{10});
    QCOMPARE(editor.Mode(), uint8_t{1});
    QCOMPARE(editor.Priority(), uint8_t{3});
}

void DcmEditorsTest::AddingFunctionsWithAndWithoutParameter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("parameter");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("wrapped");
    QTest::newRow("parameter") << "Contrast, Set" << 7 << false << "ContrastSet(7)" << "ContrastSet" << 7 << false;
    QTest::newRow("negative parameter")
        << "Rotate, Modify" << -90 << false << "RotateModify(-90)" << "RotateModify" << -90 << false;
    QTest::newRow("no parameter") << "Park Image" << 5 << false << "ParkImage" << "ParkImage" << 0 << false;
    QTest::newRow("step with wrap")
        << "Brightness, Up" << 0 << true << "BrightnessUp with wrapping" << "BrightnessUp" << 0 << true;
    QTest::newRow("step without wrap")
        << "Contrast, Down" << 0 << false << "ContrastDown" << "ContrastDown" << 0 << false;
    // The wrap box is hidden for anything but a step; a tick left in it counts for nothing.
    QTest::newRow("set ignores wrap")
        << "Footswitch off" << 0 << true << "FootSwitchOff" << "FootSwitchOff" << 0 << false;
}

void DcmEditorsTest::AddingFunctionsWithAndWithoutParameter()
{
    QFETCH(QString, text);
    QFETCH(int, parameter);
    QFETCH(bool, wrap);
    QFETCH(QString, shown);
    QFETCH(QString, keyword);
    QFETCH(int, value);
    QFETCH(bool, wrapped);
    CDcmInputEditor editor("DCM i1:01", {{"ClearScreen", 1, false}}, 0, 1, 1, kHelp, nullptr);
    QVERIFY(AddFunction(editor, text, parameter, wrap));
    QCOMPARE(Lines(editor.CommandList()), (QStringList{QStringLiteral("ClearScreen"), shown}));
    QCOMPARE(editor.CommandList()->currentRow(), 1);
    editor.accept();
    const Functions expected = {{"ClearScreen", 1, false}, {keyword.toStdString(), value, wrapped}};
    QCOMPARE(editor.Functions(), expected);
}

void DcmEditorsTest::DeleteCommandRemovesTheSelectedOne()
{
    const Functions functions = {{"AgcOn", 1, false}, {"AgcOff", 2, false}, {"AgcLock", 3, false}};
    CDcmInputEditor editor("DCM i2:00", functions, 0, 1, 1, kHelp, nullptr);
    editor.CommandList()->setCurrentRow(1);
    QVERIFY(editor.DeleteButton()->isEnabled());
    QTest::mouseClick(editor.DeleteButton(), Qt::LeftButton);
    QCOMPARE(Lines(editor.CommandList()), (QStringList{QStringLiteral("AgcOn"), QStringLiteral("AgcLock")}));
    // The next one is selected, so pressing again goes on down the list.
    QCOMPARE(editor.CommandList()->currentRow(), 1);
    QTest::mouseClick(editor.DeleteButton(), Qt::LeftButton);
    QTest::mouseClick(editor.DeleteButton(), Qt::LeftButton);
    QCOMPARE(editor.CommandList()->count(), 0);
    QVERIFY(!editor.DeleteButton()->isEnabled());
    editor.accept();
    QVERIFY(editor.Functions().empty());
}

void DcmEditorsTest::ModeButtonsShowAndHideTheTransition()
{
    CDcmInputEditor editor("DCM i5:00", {}, 0, 1, 1, kHelp, nullptr);
    editor.show();
    QVERIFY(editor.HighToLowButton()->isVisible());

    editor.ModeButton(2)->click();
    QVERIFY(!editor.HighToLowButton()->isVisible());
    QVERIFY(!editor.LowToHighButton()->isVisible());
    SaveScreenshot(editor, "dcm_input_editor_single_action.png");
    editor.accept();
    QCOMPARE(editor.Name(), std::string("DCM i5:02"));
    QCOMPARE(editor.Mode(), uint8_t{2});

    // A single-action line opens without the transition; dual action brings it back on Low to
    // High, and a click on High to Low is taken.
    CDcmInputEditor single("DCM i6:02", {}, 0, 3, 1, kHelp, nullptr);
    single.show();
    QVERIFY(single.ModeButton(3)->isChecked());
    QVERIFY(!single.HighToLowButton()->isVisible());
    single.ModeButton(1)->click();
    QVERIFY(single.LowToHighButton()->isVisible());
    QVERIFY(single.LowToHighButton()->isChecked());
    single.HighToLowButton()->click();
    single.LineField()->setValue(17);
    single.accept();
    QCOMPARE(single.Name(), std::string("DCM i17:00"));
    QCOMPARE(single.Mode(), uint8_t{1});
}

void DcmEditorsTest::FunctionSelectorShowsFieldsForTheEntry()
{
    CFuncSelectorDialog selector(nullptr);
    selector.show();
    QCOMPARE(selector.windowTitle(), QStringLiteral("Function Selector"));
    QCOMPARE(selector.FunctionList()->count(), 45);
    QCOMPARE(selector.FunctionList()->item(0)->text(), QStringLiteral("AGC lock"));
    QVERIFY(!selector.OkButton()->isEnabled());
    QVERIFY(!selector.ParameterField()->isVisible());
    QVERIFY(!selector.WrapBox()->isVisible());

    selector.FunctionList()->setCurrentRow(RowOf(selector.FunctionList(), QStringLiteral("II Format, Set")));
    QVERIFY(selector.OkButton()->isEnabled());
    QVERIFY(selector.ParameterField()->isVisible());
    QVERIFY(!selector.WrapBox()->isVisible());
    SaveScreenshot(selector, "function_selector_parameter.png");

    selector.FunctionList()->setCurrentRow(RowOf(selector.FunctionList(), QStringLiteral("Noise reduction, More")));
    QVERIFY(!selector.ParameterField()->isVisible());
    QVERIFY(selector.WrapBox()->isVisible());
    SaveScreenshot(selector, "function_selector_wrap.png");

    // Cancel hands back nothing.
    selector.reject();
    QVERIFY(!selector.Function().has_value());
}

void DcmEditorsTest::OutputEditorAddsConditionsAndRenamesTheLine()
{
    const Conditions conditions = {{false, "UNKNOWN", 0}, {true, "FootswitchIsOn", 0}};
    CDcmOutputEditor editor("DCM o2", conditions, "Lamp on the table-side module.", nullptr);
    QCOMPARE(editor.windowTitle(), QStringLiteral("DCM Output Editor"));
    QCOMPARE(prompt_->Texts(), std::vector<std::string>{CDcmOutputEdit::kUnknownMessage});
    QCOMPARE(editor.LineField()->value(), 2);
    QCOMPARE(Lines(editor.ConditionList()), QStringList{QStringLiteral("Output High on FootswitchIsOn")});

    bool found = false;
    OnNextModal<CCondSelectorDialog>(
        [](CCondSelectorDialog* selector) {
            selector->LowButton()->click();
            selector->ConditionList()->setCurrentRow(
                RowOf(selector->ConditionList(), QStringLiteral("II format is higher than")));
            selector->ParameterField()->setValue(3);
            QTest::mouseClick(selector->OkButton(), Qt::LeftButton);
        },
        &found);
    QTest::mouseClick(editor.AddButton(), Qt::LeftButton);
    QVERIFY(found);
    QCOMPARE(Lines(editor.ConditionList()),
             (QStringList{QStringLiteral("Output High on FootswitchIsOn"),
                          QStringLiteral("Output Low on IiFormatHigher(3)")}));
    SaveScreenshot(editor, "dcm_output_editor.png");
    editor.LineField()->setValue(5);
    editor.accept();
    QCOMPARE(editor.Name(), std::string("DCM o5"));
    QCOMPARE(editor.Conditions(), (Conditions{{true, "FootswitchIsOn", 0}, {false, "IiFormatHigher", 3}}));
}

void DcmEditorsTest::OutputEditorCancelLeavesEverythingAsGiven()
{
    const Conditions conditions = {{true, "IiFormatIs", 4}, {false, "UNKNOWN", 0}};
    CDcmOutputEditor editor("DCM o7", conditions, kHelp, nullptr);
    editor.ConditionList()->setCurrentRow(0);
    QTest::mouseClick(editor.DeleteButton(), Qt::LeftButton);
    QCOMPARE(editor.ConditionList()->count(), 0);
    editor.LineField()->setValue(1);
    bool found = false;
    OnNextModal<CCondSelectorDialog>(
        [](CCondSelectorDialog* selector) {
            selector->ConditionList()->setCurrentRow(0);
            selector->accept();
        },
        &found);
    QTest::mouseClick(editor.AddButton(), Qt::LeftButton);
    QVERIFY(found);
    QCOMPARE(editor.ConditionList()->count(), 1);
    editor.reject();
    QCOMPARE(editor.Name(), std::string("DCM o7"));
    QCOMPARE(editor.Conditions(), conditions);
}

void DcmEditorsTest::ConditionSelectorAsksParameterOnlyWhereNeeded()
{
    CCondSelectorDialog selector(nullptr);
    selector.show();
    QCOMPARE(selector.windowTitle(), QStringLiteral("Condition Selector"));
    QVERIFY(selector.HighButton()->isChecked());
    QVERIFY(!selector.LowButton()->isChecked());
    QCOMPARE(selector.ConditionList()->count(), 36);
    QVERIFY(!selector.OkButton()->isEnabled());
    QVERIFY(!selector.ParameterField()->isVisible());

    selector.ConditionList()->setCurrentRow(
        RowOf(selector.ConditionList(), QStringLiteral("Sensor Interval Time is lower than (in 0.1 ms)")));
    QVERIFY(selector.ParameterField()->isVisible());
    SaveScreenshot(selector, "condition_selector.png");
    selector.ConditionList()->setCurrentRow(RowOf(selector.ConditionList(), QStringLiteral("Footswitch is released")));
    QVERIFY(!selector.ParameterField()->isVisible());
    selector.ParameterField()->setValue(11);
    selector.accept();
    QCOMPARE(selector.result(), int{QDialog::Accepted});
    QCOMPARE(*selector.Condition(), (tagOutputCond{true, "FootswitchIsOff", 0}));
}

QTEST_MAIN(DcmEditorsTest)
#include "DcmEditorsTest.moc"
