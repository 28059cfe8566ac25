// The property grid of one configuration page: a two-column list ("Name", "Value") of the page's
// rows, sorted by name, with the in-place editor of each row's kind over its value cell. A thin
// view over the page model (CConfigEditor): it shows the rows the model holds and hands every
// edit to it.
//
// Editing starts when a row that is not fixed becomes the only selected row (or is clicked as
// such) and ends, taking the value over, when the row loses its selection, the grid scrolls, a
// column is resized or the editor loses the focus. Integer, float, string and range rows get an
// edit field, booleans and lists a drop-down list, binary data "Load...", "Save..." and
// "Show...", DCM rows "Edit...", which opens the DCM editor. The row's help text shows at once
// as the mouse moves over the row or its editor. Page 3 ("User I/F modules") has a context menu
// to add and delete DCM rows. GUI thread only.
#pragma once

#include <vector>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

class CConfigEditor;
class CHelpTip;
class QMenu;

class CPropCtrl : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kNameWidth = 225;
    static constexpr int kValueWidth = 200;

    // The in-place editors.
    class CPropEdit;
    class CPropCombo;
    class CPropButton;

    // editor must outlive the grid.
    CPropCtrl(CConfigEditor& editor, int page, QWidget* parent);
    ~CPropCtrl() override;

    int Page() const { return page_; }

    // Shows the model's rows anew; keeps the selection when only texts changed. Ends an
    // in-place edit without taking it over when rows were added or removed.
    void Refresh();

    // The row under the in-place editor, -1 when none is shown.
    int EditedRow() const { return edited_row_; }
    // Selects row and shows its in-place editor (none for a fixed row).
    void BeginEdit(int row);
    // Hides the in-place controls; commit takes the edit field's or the list's value over.
    // quiet: a range value is adapted without the message box (the page is closing).
    void EndEdit(bool commit = true, bool quiet = false);

    // The controls, for tests and screenshots (hidden while not in use).
    CPropEdit* EditField() const { return edit_; }
    CPropCombo* ComboBox() const { return combo_; }
    CPropButton* LoadButton() const { return load_; }
    CPropButton* SaveButton() const { return save_; }
    CPropButton* ShowButton() const { return show_; }
    CPropButton* EditButton() const { return dcm_edit_; }
    CHelpTip* HelpTip() const { return tip_; }

    // The rows selected now, in grid order.
    std::vector<size_t> SelectedRows() const;

    // The actions of the buttons and of the context menu, on the edited (or selected) row.
    void LoadBinary();
    void SaveBinary();
    void ShowBinary();
    void EditDcm();
    void AddDcmInput();
    void AddDcmOutput();
    void DeleteSelected();
    // The context menu of page 3 with its enabling; null on the other pages. The caller owns it.
    QMenu* CreateContextMenu();

    // Shows the help tip of row for the mouse at global_pos (the grid does this itself).
    void ShowHelpOf(int row, const QPoint& global_pos);

signals:
    // Emitted after an edit of the engineer changed the page's rows.
    void RowsEdited();

protected:
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class CPropEdit;
    friend class CPropCombo;

    void UpdateEditing();
    void PlaceEditors();
    void HideEditors();
    void FillItem(QTreeWidgetItem* item, size_t row) const;
    void WatchForHelp(QWidget* widget);
    void SelectRow(int row);
    void EditorLostFocus();

    CConfigEditor& editor_;
    const int page_;
    int edited_row_ = -1;
    bool ending_ = false;
    CPropEdit* edit_;
    CPropCombo* combo_;
    CPropButton* load_;
    CPropButton* save_;
    CPropButton* show_;
    CPropButton* dcm_edit_;
    CHelpTip* tip_;
};

class CPropCtrl::CPropEdit : public QLineEdit {
public:
    explicit CPropEdit(CPropCtrl& grid);

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    CPropCtrl& grid_;
};

class CPropCtrl::CPropCombo : public QComboBox {
public:
    explicit CPropCombo(CPropCtrl& grid);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    CPropCtrl& grid_;
};

class CPropCtrl::CPropButton : public QPushButton {
public:
    CPropButton(const QString& text, QWidget* parent);
};
