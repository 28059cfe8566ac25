// zov_config_screenshots: walks through the Configuration view as a new engineer would, on the
// built-in simulated board, and saves a picture of each step: the empty page, the shipped sample
// loaded, every page (first as the default settings show them, then with "Show Fixed Config
// Items"), the in-place editors, the range message, the data viewer, a DCM editor opened from
// the grid, the context menu, a help tip, the boot-mode question, and the page after a store and
// a retrieval. Not a test: it checks nothing beyond the steps working. Run it under Xvfb or with
// QT_QPA_PLATFORM=offscreen.
//
//   zov_config_screenshots FOLDER

#include <cstdio>
#include <functional>
#include <string>

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QAbstractItemView>
#include <QTest>
#include <QTimer>

#include "BoardSimulator.h"
#include "TestSupport.h"
#include "config/ConfigEditor.h"
#include "gui/config/ConfigDialog.h"
#include "gui/config/ConfigFileDialog.h"
#include "gui/config/ConfigView.h"
#include "gui/config/DcmInputEditor.h"
#include "gui/config/HelpTip.h"
#include "gui/config/PropCtrl.h"
#include "gui/frame/GuiPrompt.h"
#include "gui/frame/MainFrame.h"
#include "gui/widgets/DataViewerDialog.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "shell/AppSettings.h"

namespace {

QString g_folder;
int g_failures = 0;

void Pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Save(QWidget& widget, const QString& name)
{
    Pause(200);
    const QString path = g_folder + QLatin1Char('/') + name;
    const bool saved = widget.grab().save(path);
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    g_failures += saved ? 0 : 1;
}

// Acts on the next modal dialog of type T once it shows (within 10 s).
template <typename T>
void OnNextModal(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    auto* tries = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible()) {
            timer->stop();
            act(dialog);
        } else if (++*tries > 1000) {
            std::printf("FAILED no dialog came\n");
            ++g_failures;
            timer->stop();
        }
        if (!timer->isActive()) {
            timer->deleteLater();
            delete tries;
        }
    });
    timer->start(10);
}

// Saves the next message box under name and presses its OK (or Yes) button.
void AnswerNextBox(const QString& name)
{
    OnNextModal<QMessageBox>([name](QMessageBox* box) {
        Save(*box, name);
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        (ok != nullptr ? ok : box->button(QMessageBox::Yes))->click();
    });
}

int RowOf(const CPropCtrl& grid, const char* name)
{
    for (int i = 0; i < grid.topLevelItemCount(); ++i) {
        if (grid.topLevelItem(i)->text(0) == QLatin1String(name)) {
            return i;
        }
    }
    return -1;
}

void ClickRow(CPropCtrl& grid, const char* name)
{
    QTreeWidgetItem* item = grid.topLevelItem(RowOf(grid, name));
    if (item == nullptr) {
        std::printf("FAILED no row %s\n", name);
        ++g_failures;
        return;
    }
    grid.scrollToItem(item);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualItemRect(item).center());
}

// Waits until the storage operation that ended watches has ended.
bool WaitForStorage(QSignalSpy& ended)
{
    const bool came = !ended.isEmpty() || ended.wait(120000);
    const bool succeeded = came && ended.first().at(0).toBool();
    std::printf("%s storage\n", succeeded ? "ok" : "FAILED");
    g_failures += succeeded ? 0 : 1;
    return succeeded;
}

void EveryPage(CMainFrame& frame, CConfigDialog& page, const char* prefix)
{
    for (const int shown : page.ShownPages()) {
        page.ShowPage(shown);
        Save(frame, QStringLiteral("%1_page%2.png").arg(QLatin1String(prefix)).arg(shown));
    }
}

void Walk(CMainFrame& frame, const std::string& saved_file)
{
    frame.ChangeView(kViewConfiguration);
    auto* view = qobject_cast<CConfigView*>(frame.CurrentView());
    CConfigDialog& page = *view->Page();
    Save(frame, QStringLiteral("config_empty.png"));

    SetConfigFileAnswerer([](EConfigFileAsk, const QString&) {
        return QString::fromStdString(SupportFile("Samples/SampleConfiguration.cfg"));
    });
    QTest::mouseClick(page.Button("load"), Qt::LeftButton);
    EveryPage(frame, page, "config");

    // An integer list, then a float range typed out of its bounds.
    page.ShowPage(0);
    CPropCtrl& grid0 = *page.Grid(0);
    ClickRow(grid0, "II type");
    Save(frame, QStringLiteral("config_list_editor.png"));
    grid0.ComboBox()->showPopup();
    Pause(200);
    Save(*grid0.ComboBox()->view()->window(), QStringLiteral("config_list_popup.png"));
    grid0.ComboBox()->hidePopup();
    ClickRow(grid0, "Monitor gamma");
    Save(frame, QStringLiteral("config_edit_field.png"));
    QTest::keyClicks(grid0.EditField(), QStringLiteral("3"));
    AnswerNextBox(QStringLiteral("config_range_message.png"));
    QTest::keyClick(grid0.EditField(), Qt::Key_Return);
    Pause(300);

    // The help text of a row, at once.
    const int help_row = RowOf(grid0, "Video standard");
    QTest::mouseMove(grid0.viewport(), grid0.visualItemRect(grid0.topLevelItem(help_row)).center());
    Pause(200);
    if (grid0.HelpTip()->isVisible()) {
        Save(*grid0.HelpTip(), QStringLiteral("config_help_tip.png"));
    }

    // Binary data: the three buttons and the data viewer.
    page.ShowPage(2);
    CPropCtrl& grid2 = *page.Grid(2);
    ClickRow(grid2, "Display LUT");
    Save(frame, QStringLiteral("config_binary_buttons.png"));
    OnNextModal<CDataViewerDialog>([](CDataViewerDialog* viewer) {
        Save(*viewer, QStringLiteral("config_data_viewer.png"));
        viewer->reject();
    });
    QTest::mouseClick(grid2.ShowButton(), Qt::LeftButton);

    // A DCM input line edited from the grid, and the context menu.
    page.ShowPage(kUserInterfacePage);
    CPropCtrl& grid3 = *page.Grid(kUserInterfacePage);
    ClickRow(grid3, "DCM i2:02");
    Save(frame, QStringLiteral("config_dcm_row.png"));
    OnNextModal<CDcmInputEditor>([](CDcmInputEditor* editor) {
        Save(*editor, QStringLiteral("config_dcm_input_editor.png"));
        editor->DebounceField()->setValue(30);
        editor->accept();
    });
    QTest::mouseClick(grid3.EditButton(), Qt::LeftButton);
    Pause(200);
    Save(frame, QStringLiteral("config_dcm_edited.png"));
    QMenu* menu = grid3.CreateContextMenu();
    menu->popup(grid3.mapToGlobal(QPoint(60, 60)));
    Save(*menu, QStringLiteral("config_context_menu.png"));
    menu->hide();
    delete menu;

    // Save, store, retrieve.
    SetConfigFileAnswerer([saved_file](EConfigFileAsk, const QString&) { return QString::fromStdString(saved_file); });
    QTest::mouseClick(page.Button("save"), Qt::LeftButton);
    AnswerNextBox(QStringLiteral("config_boot_question.png"));
    QSignalSpy stored(view, &CConfigView::StorageEnded);
    QTest::mouseClick(page.Button("store"), Qt::LeftButton);
    // In the middle of the programming: the progress bar and the Abort button are shown.
    for (int i = 0; i < 2000 && (!page.ProgressBar()->isVisible() || page.ProgressBar()->value() < 300); ++i) {
        Pause(10);
    }
    Save(frame, QStringLiteral("config_storing.png"));
    WaitForStorage(stored);
    Save(frame, QStringLiteral("config_stored.png"));
    AnswerNextBox(QStringLiteral("config_boot_question_retrieve.png"));
    QSignalSpy retrieved(view, &CConfigView::StorageEnded);
    QTest::mouseClick(page.Button("retrieve"), Qt::LeftButton);
    WaitForStorage(retrieved);
    Save(frame, QStringLiteral("config_retrieved.png"));
    SetConfigFileAnswerer(nullptr);

    // The fixed pages too, as the setting shows them.
    AppSettings::SetShowFixedConfigItems(true);
    frame.ChangeView(kViewPreferences);
    frame.ChangeView(kViewConfiguration);
    view = qobject_cast<CConfigView*>(frame.CurrentView());
    EveryPage(frame, *view->Page(), "config_fixed");
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zov_config_screenshots FOLDER\n");
        return 2;
    }
    g_folder = QString::fromLocal8Bit(argv[1]);
    CScopedSettingsFile settings;
    CTempFolder temp;
    CGuiPrompt prompt;
    CScopedPrompt prompt_scope(prompt);
    BoardSimOptions options;
    options.trace_sink = [](const std::string&) {};
    // The line at its real speed, so that the store lasts long enough for a picture of its progress.
    options.baud_emulation = true;
    CBoardSimulator simulator(options);
    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "the simulated board did not start: %s\n", error.c_str());
        return 1;
    }
    AppSettings::SetComPortForRun(simulator.DevicePath());
    {
        CMainFrame frame(&prompt, QString::fromStdString(simulator.DevicePath()));
        frame.resize(1000, 720);
        frame.show();
        Walk(frame, temp.File("saved.cfg"));
        std::printf("saved file: %zu bytes\n", ReadFileText(temp.File("saved.cfg")).size());
        frame.close();
    }
    AppSettings::SetComPortForRun("");
    simulator.Stop();
    return g_failures == 0 ? 0 : 1;
}
