// The configuration editor without its window: the eight pages of rows that the engineer edits,
// and everything the configuration page does with them (load, merge, save, the store image and
// the retrieved image, the in-place edits with their conversions and range adaptation, binary
// data to and from files, the DCM rows with their per-line byte tables).
//
// The window's page (CConfigDialog) shows the rows in its grids and forwards the engineer's
// actions here; zovcli uses the same editor to store and retrieve what the page would. Modal
// messages go through the process's prompt (platform/Prompt.h), lines for the page's message box
// and news of changed rows through the view interface. GUI thread (or zovcli's main thread) only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/Config.h"
#include "config/ConfigPages.h"
#include "config/ConfigRow.h"

class IConfigEditorView {
public:
    virtual ~IConfigEditorView() = default;
    // One line for the page's message box.
    virtual void OutputText(const std::string& text) = 0;
    // The rows of page changed: added, removed, renamed or given a new value.
    virtual void PageChanged(int page) = 0;
    // Tabs were shown or hidden; select_first: the pages were filled anew, show the first tab.
    virtual void TabsChanged(bool select_first) = 0;
};

// The three per-line byte tables of the DCM input lines.
enum class EDcmByteTable { Debounce, Mode, PrioIO };

// What the DCM input editor opens with and hands back.
struct tagDcmInputEdit {
    std::string Name;  // "DCM i%d:%s"
    std::vector<tagInputFunc> Functions;
    uint8_t Debounce = 0;  // ms
    uint8_t Mode = 1;      // "DCM Mode": 1 dual action, 2 single Low to High, 3 single High to Low
    uint8_t Priority = 1;  // 1, 2 or 3
    std::string Help;
};

// What the DCM output editor opens with and hands back.
struct tagDcmOutputEdit {
    std::string Name;  // "DCM o%d"
    std::vector<tagOutputCond> Conditions;
    std::string Help;
};

class CConfigEditor {
public:
    // view may be null (nothing is told then); it must outlive the editor. show_fixed: the four
    // fixed pages get tabs ("Show Fixed Config Items").
    CConfigEditor(IConfigEditorView* view, bool show_fixed);

    bool ShowFixed() const { return show_fixed_; }
    bool SaveInAscii() const { return save_in_ascii_; }
    void SetSaveInAscii(bool ascii) { save_in_ascii_ = ascii; }

    const std::vector<tagConfigRow>& Rows(int page) const;
    // The row, or null outside the page.
    const tagConfigRow* Row(int page, size_t row) const;
    // Whether page has a tab now. Tabs are set anew whenever the pages are filled (pages with
    // rows; the fixed ones only with show_fixed) and are only added in between.
    bool HasTab(int page) const;
    // Items read that no page shows (Class 2 or another class without a page).
    size_t UnshownItemCount() const { return unshown_.size(); }

    // --- the working configuration --------------------------------------------------------
    // Fills the pages from the working configuration kept while the page was closed.
    void Open(const CConfig& working);
    // Rebuilds working from the pages, followed by the items no page shows, so that they are
    // still there (and counted) when the page opens again.
    void Close(CConfig& working) const;

    // Empties every page and forgets the unshown items.
    void Clear();
    // Adds the items of config to the pages (in name order, "Cfg Name" joined), remembers those
    // no page shows, and sets the tabs anew.
    void FillPages(const CConfig& config);
    // The configuration of the pages, in page order and rows in grid order, each item with its
    // page's Class.
    void BuildConfig(CConfig& config) const;

    // --- files and flash ---------------------------------------------------------------------
    // Load replaces every row with the file's items, Merge adds them. An empty path does
    // nothing. On a failure (reported in a message box) the pages stay as they were.
    bool LoadFile(const std::string& path);
    bool MergeFile(const std::string& path);
    // The file name the save dialog offers: the "Cfg Name" of page 4 made safe for a file name,
    // with ".cfg"; empty when there is no such name.
    std::string DefaultSaveName() const;
    // Saves the pages in file form (scrambled unless SaveInAscii) at path, ".cfg" appended when
    // its last component has no ".", through a temporary file renamed into place, so that a
    // failed save leaves the old file whole. The path saved to is handed out in saved_path.
    bool SaveFile(const std::string& path, std::string* saved_path = nullptr);
    // The bytes SaveFile writes: the file form, scrambled unless SaveInAscii.
    bool BuildFileImage(std::string& bytes);
    // The store form of the pages, for the flash storage.
    bool BuildStoreImage(std::string& bytes);
    // Replaces every row with the configuration in a store-form image read from flash. A
    // failed parse changes nothing.
    bool TakeRetrievedImage(const std::vector<uint8_t>& bytes);

    // --- in-place editing ----------------------------------------------------------------------
    // Whether the row can be edited: it exists and is not fixed.
    bool IsEditable(int page, size_t row) const;
    // Takes over the text typed into an Integer, Float, String, IntegerRange or FloatRange row:
    // converted and reformatted; a range value outside the bounds becomes the lower bound with
    // the message "The value of "<name>" is not within the range and will be adapted.".
    // Returns the value the row shows now. quiet adapts without the message (the page is
    // closing and shows no more boxes).
    std::string CommitText(int page, size_t row, const std::string& typed, bool quiet = false);
    // Takes over the choice of a Boolean ("TRUE", "FALSE") or list row; false for a text that
    // is not one of the row's choices.
    bool CommitChoice(int page, size_t row, const std::string& choice);
    // The choices of a Boolean or list row's drop-down.
    std::vector<std::string> Choices(int page, size_t row) const;
    // Replaces a BinaryData row's bytes with the whole file ("File could not be opened.",
    // "Error reading data from file."); an empty file leaves the bytes as they are.
    bool LoadBinary(int page, size_t row, const std::string& path);
    // Writes a BinaryData row's bytes to path ("File could not be opened or created.").
    bool SaveBinary(int page, size_t row, const std::string& path) const;

    // --- DCM ---------------------------------------------------------------------------------------
    // The byte of an input line in a byte table: the row of the table's name on page 3, else
    // page 7; 0 when there is none or the line lies beyond its text.
    int GetDcmByte(EDcmByteTable table, int line) const;
    // Sets that byte; a missing table is added on page 7 as a String row.
    void SetDcmByte(EDcmByteTable table, int line, int value);

    // The line the next DCM input or output row of page 3 gets: the highest there plus one.
    int NextDcmInputLine() const;
    int NextDcmOutputLine() const;

    // What the DCM editors open with for an existing row (its name, entries, help and, for an
    // input line, its three bytes) or a new one ("DCM i<next>:01" with debounce 0, mode 1,
    // priority 1; "DCM o<next>").
    tagDcmInputEdit DcmInputForEdit(int page, size_t row) const;
    tagDcmOutputEdit DcmOutputForEdit(int page, size_t row) const;
    tagDcmInputEdit NewDcmInput() const;
    tagDcmOutputEdit NewDcmOutput() const;
    // Takes over what the editor handed back after OK: the row's new name, its entries and list
    // text and, for an input line, its three bytes under the new line number. False for a row
    // that is not an editable row of that kind.
    bool ApplyDcmInputEdit(int page, size_t row, const tagDcmInputEdit& edit);
    bool ApplyDcmOutputEdit(int page, size_t row, const tagDcmOutputEdit& edit);
    // Adds a new DCM row to page 3 after the editor's OK; the index of the new row.
    size_t AddDcmInput(const tagDcmInputEdit& edit);
    size_t AddDcmOutput(const tagDcmOutputEdit& edit);
    // "Delete" of page 3's context menu: one DCM row ("DCM i..." or "DCM o...") of page 3.
    bool CanDeleteRows(int page, const std::vector<size_t>& rows) const;
    bool DeleteRow(int page, size_t row);

private:
    tagConfigRow* MutableRow(int page, size_t row);
    // Inserts row into page before the first row whose name compares greater; a String row
    // "Cfg Name" meeting one already there is joined to it. The index of the row.
    size_t InsertRow(int page, tagConfigRow row);
    // The byte table's row: page 3 first, then page 7; null when neither has it.
    const tagConfigRow* FindTableRow(EDcmByteTable table, int* page = nullptr) const;
    void SetTabs();
    bool FillFromFile(const std::string& path, bool replace);
    void ReplaceWith(const CConfig& config);
    void OutputUnshownCount(const char* what);
    void Output(const std::string& text);
    void Changed(int page);
    int HighestLine(bool inputs) const;

    IConfigEditorView* view_;
    bool show_fixed_;
    bool save_in_ascii_ = false;
    std::array<std::vector<tagConfigRow>, kConfigPageCount> pages_;
    std::array<bool, kConfigPageCount> tabs_{};
    std::vector<std::unique_ptr<CConfigItem>> unshown_;
    std::shared_ptr<const CInputFuncTable> input_table_;
    std::shared_ptr<const COutputCondTable> output_table_;
};
