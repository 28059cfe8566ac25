// The configuration page: the eight property grids under their tabs, the buttons that load,
// merge, save, store and retrieve the configuration, the message box and the progress bar. It
// owns the page model (CConfigEditor) and shows it; the flash side belongs to the Configuration
// view, which the page asks through StoreRequested and RetrieveRequested and which hands back
// lines, progress and the retrieved image. GUI thread only.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "boot/OutputBoxText.h"
#include "config/ConfigEditor.h"

class CConfig;
class CPropCtrl;
class CTabCtrlEx;
class QCheckBox;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class CConfigDialog : public QWidget, private IConfigEditorView {
    Q_OBJECT
public:
    static constexpr int kProgressRange = 1000;

    // Reads "Show Fixed Config Items" once, here.
    explicit CConfigDialog(QWidget* parent);
    ~CConfigDialog() override;

    CConfigEditor& Editor() { return editor_; }
    CPropCtrl* Grid(int page) const { return grids_[static_cast<size_t>(page)]; }
    CTabCtrlEx* Tabs() const { return tabs_; }
    // The pages whose tabs are shown, in tab order.
    std::vector<int> ShownPages() const;
    // Makes page's tab the current one; false when it has no tab.
    bool ShowPage(int page);

    // Fills the pages from the working configuration when the page opens.
    void OpenFrom(const CConfig& working);
    // Rebuilds the working configuration from the pages when the page closes.
    void CloseInto(CConfig& working);

    // The buttons. Each asks for a file where it needs one.
    void LoadConfiguration();
    void MergeConfiguration();
    void SaveConfiguration();
    void StoreConfiguration();
    void RetrieveConfiguration();

    // From the flash storage: one line (0x8200), the progress in per mille (0x8201: the bar is
    // shown below 1000 and hidden from 1000 on), whether it runs and whether it can be aborted.
    void AppendMessage(const QString& text);
    void SetProgress(int per_mille);
    void SetStorageRunning(bool running);
    void SetAbortable(bool abortable);
    // Takes the image the storage retrieved; the pages change only when it parses.
    bool TakeRetrievedImage(const std::vector<uint8_t>& bytes);

    QString MessageText() const;
    QPlainTextEdit* MessageBox() const { return messages_; }
    QProgressBar* ProgressBar() const { return progress_; }
    QPushButton* Button(const char* object_name) const;
    QCheckBox* SaveInAsciiBox() const { return ascii_; }

signals:
    // The store image is ready; the view stores it in flash.
    void StoreRequested(const std::string& image);
    // The view retrieves the image from flash and hands it to TakeRetrievedImage.
    void RetrieveRequested();
    // The engineer asked to stop the storage.
    void AbortRequested();

private:
    // IConfigEditorView
    void OutputText(const std::string& text) override;
    void PageChanged(int page) override;
    void TabsChanged(bool select_first) override;

    QPushButton* AddButton(const char* text, const char* object_name);
    void LayOut();
    void UpdateButtons();

    CConfigEditor editor_;
    std::array<CPropCtrl*, kConfigPageCount> grids_{};
    CTabCtrlEx* tabs_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* merge_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* store_ = nullptr;
    QPushButton* retrieve_ = nullptr;
    QPushButton* abort_ = nullptr;
    QCheckBox* ascii_ = nullptr;
    QPlainTextEdit* messages_ = nullptr;
    QProgressBar* progress_ = nullptr;
    COutputBoxText text_;
    bool running_ = false;
    bool abortable_ = false;
};
