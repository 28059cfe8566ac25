#include "gui/config/PropCtrl.h"

#include <memory>

#include <QContextMenuEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "config/ConfigEditor.h"
#include "gui/config/ConfigFileDialog.h"
#include "gui/config/DcmInputEditor.h"
#include "gui/config/DcmOutputEditor.h"
#include "gui/config/HelpTip.h"
#include "gui/widgets/DataViewerDialog.h"

namespace {

QString Shown(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string FileNameBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

bool IsTextKind(EConfigItemKind kind)
{
    switch (kind) {
    case EConfigItemKind::Integer:
    case EConfigItemKind::Float:
    case EConfigItemKind::String:
    case EConfigItemKind::IntegerRange:
    case EConfigItemKind::FloatRange: return true;
    default: return false;
    }
}

bool IsChoiceKind(EConfigItemKind kind)
{
    return kind == EConfigItemKind::Boolean || kind == EConfigItemKind::IntegerList ||
           kind == EConfigItemKind::FloatList || kind == EConfigItemKind::StringList;
}

bool IsDcmKind(EConfigItemKind kind)
{
    return kind == EConfigItemKind::DcmInput || kind == EConfigItemKind::DcmOutput;
}

}  // namespace

CPropCtrl::CPropEdit::CPropEdit(CPropCtrl& grid) : QLineEdit(grid.viewport()), grid_(grid)
{
    setObjectName(QStringLiteral("propEdit"));
    setFrame(false);
}

void CPropCtrl::CPropEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) {
        grid_.EditorLostFocus();
    }
}

void CPropCtrl::CPropEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        grid_.EndEdit(true);
        grid_.setFocus();
        return;
    case Qt::Key_Escape:
        grid_.EndEdit(false);
        grid_.setFocus();
        return;
    default: QLineEdit::keyPressEvent(event);
    }
}

CPropCtrl::CPropCombo::CPropCombo(CPropCtrl& grid) : QComboBox(grid.viewport()), grid_(grid)
{
    setObjectName(QStringLiteral("propCombo"));
    setEditable(false);
}

void CPropCtrl::CPropCombo::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    // The list's own popup takes the focus while it is open; that is still editing.
    if (event->reason() != Qt::PopupFocusReason) {
        grid_.EditorLostFocus();
    }
}

CPropCtrl::CPropButton::CPropButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {}

CPropCtrl::CPropCtrl(CConfigEditor& editor, int page, QWidget* parent)
    : QTreeWidget(parent), editor_(editor), page_(page)
{
    setObjectName(QStringLiteral("propCtrl%1").arg(page));
    setColumnCount(2);
    setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    setColumnWidth(0, kNameWidth);
    setColumnWidth(1, kValueWidth);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setItemsExpandable(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewport()->setMouseTracking(true);
    viewport()->installEventFilter(this);

    edit_ = new CPropEdit(*this);
    combo_ = new CPropCombo(*this);
    load_ = new CPropButton(QStringLiteral("Load..."), viewport());
    save_ = new CPropButton(QStringLiteral("Save..."), viewport());
    show_ = new CPropButton(QStringLiteral("Show..."), viewport());
    dcm_edit_ = new CPropButton(QStringLiteral("Edit..."), viewport());
    load_->setObjectName(QStringLiteral("propLoad"));
    save_->setObjectName(QStringLiteral("propSave"));
    show_->setObjectName(QStringLiteral("propShow"));
    dcm_edit_->setObjectName(QStringLiteral("propEditDcm"));
    for (QWidget* widget : std::initializer_list<QWidget*>{edit_, combo_, load_, save_, show_, dcm_edit_}) {
        widget->hide();
        WatchForHelp(widget);
    }
    tip_ = new CHelpTip(this);

    connect(this, &QTreeWidget::itemSelectionChanged, this, &CPropCtrl::UpdateEditing);
    connect(this, &QTreeWidget::currentItemChanged, this, &CPropCtrl::UpdateEditing);
    connect(header(), &QHeaderView::sectionResized, this, [this] { EndEdit(true); });
    connect(combo_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (edited_row_ >= 0 && index >= 0 &&
            editor_.CommitChoice(page_, static_cast<size_t>(edited_row_), combo_->itemText(index).toStdString())) {
            emit RowsEdited();
        }
    });
    connect(load_, &QPushButton::clicked, this, &CPropCtrl::LoadBinary);
    connect(save_, &QPushButton::clicked, this, &CPropCtrl::SaveBinary);
    connect(show_, &QPushButton::clicked, this, &CPropCtrl::ShowBinary);
    connect(dcm_edit_, &QPushButton::clicked, this, &CPropCtrl::EditDcm);
    Refresh();
}

CPropCtrl::~CPropCtrl() = default;

void CPropCtrl::WatchForHelp(QWidget* widget)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void CPropCtrl::FillItem(QTreeWidgetItem* item, size_t row) const
{
    const tagConfigRow* found = editor_.Row(page_, row);
    if (found == nullptr) {
        return;
    }
    item->setText(0, Shown(found->Name));
    item->setText(1, found->Record.RowKind == EConfigItemKind::BinaryData ? QString() : Shown(found->Value));
    // Fixed rows cannot be edited; they look it.
    const QBrush brush = found->Record.Fixed ? palette().brush(QPalette::Disabled, QPalette::Text)
                                             : palette().brush(QPalette::Active, QPalette::Text);
    item->setForeground(0, brush);
    item->setForeground(1, brush);
}

void CPropCtrl::Refresh()
{
    const std::vector<tagConfigRow>& rows = editor_.Rows(page_);
    if (static_cast<size_t>(topLevelItemCount()) == rows.size()) {
        for (size_t i = 0; i < rows.size(); ++i) {
            FillItem(topLevelItem(static_cast<int>(i)), i);
        }
        if (edited_row_ >= 0 && !load_->isHidden()) {
            const tagConfigRow* row = editor_.Row(page_, static_cast<size_t>(edited_row_));
            const bool has_data = row != nullptr && !row->Record.Data.empty();
            save_->setEnabled(has_data);
            show_->setEnabled(has_data);
        }
        return;
    }
    EndEdit(false);
    tip_->hide();
    ending_ = true;  // no editor for the rows that the rebuild selects on its way
    clear();
    QList<QTreeWidgetItem*> items;
    for (size_t i = 0; i < rows.size(); ++i) {
        auto* item = new QTreeWidgetItem;
        FillItem(item, i);
        items.append(item);
    }
    addTopLevelItems(items);
    ending_ = false;
}

std::vector<size_t> CPropCtrl::SelectedRows() const
{
    std::vector<size_t> rows;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected()) {
            rows.push_back(static_cast<size_t>(i));
        }
    }
    return rows;
}

void CPropCtrl::UpdateEditing()
{
    if (ending_) {
        return;
    }
    const std::vector<size_t> selected = SelectedRows();
    const int current = currentItem() != nullptr ? indexOfTopLevelItem(currentItem()) : -1;
    const bool single = selected.size() == 1;
    if (edited_row_ >= 0 && !(single && static_cast<int>(selected.front()) == edited_row_)) {
        EndEdit(true);
    }
    if (single && static_cast<int>(selected.front()) == current && edited_row_ != current) {
        BeginEdit(current);
    }
}

void CPropCtrl::SelectRow(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr) {
        return;
    }
    const bool was_ending = ending_;
    ending_ = true;
    setCurrentItem(item);
    clearSelection();
    item->setSelected(true);
    ending_ = was_ending;
}

void CPropCtrl::BeginEdit(int row)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (item == nullptr || row == edited_row_) {
        return;
    }
    EndEdit(true);
    SelectRow(row);
    if (!editor_.IsEditable(page_, static_cast<size_t>(row))) {
        return;
    }
    scrollToItem(item);
    const tagConfigRow& found = *editor_.Row(page_, static_cast<size_t>(row));
    const EConfigItemKind kind = found.Record.RowKind;
    edited_row_ = row;
    if (IsTextKind(kind)) {
        edit_->setText(Shown(found.Value));
        edit_->selectAll();
    } else if (IsChoiceKind(kind)) {
        combo_->clear();
        for (const std::string& choice : editor_.Choices(page_, static_cast<size_t>(row))) {
            combo_->addItem(Shown(choice));
        }
        combo_->setCurrentIndex(combo_->findText(Shown(found.Value), Qt::MatchExactly));
    } else if (kind == EConfigItemKind::BinaryData) {
        save_->setEnabled(!found.Record.Data.empty());
        show_->setEnabled(!found.Record.Data.empty());
    }
    PlaceEditors();
    if (IsTextKind(kind)) {
        edit_->show();
        edit_->setFocus();
    } else if (IsChoiceKind(kind)) {
        combo_->show();
        combo_->setFocus();
    } else if (kind == EConfigItemKind::BinaryData) {
        load_->show();
        save_->show();
        show_->show();
    } else if (IsDcmKind(kind)) {
        dcm_edit_->show();
    }
}

void CPropCtrl::PlaceEditors()
{
    QTreeWidgetItem* item = topLevelItem(edited_row_);
    if (item == nullptr) {
        return;
    }
    const QRect row = visualItemRect(item);
    const QRect value(columnViewportPosition(1), row.top(), columnWidth(1), row.height());
    edit_->setGeometry(value);
    combo_->setGeometry(value);
    dcm_edit_->setGeometry(value);
    const int third = value.width() / 3;
    load_->setGeometry(value.left(), value.top(), third, value.height());
    save_->setGeometry(value.left() + third, value.top(), third, value.height());
    show_->setGeometry(value.left() + 2 * third, value.top(), value.width() - 2 * third, value.height());
}

void CPropCtrl::HideEditors()
{
    const bool had_focus = edit_->hasFocus() || combo_->hasFocus();
    for (QWidget* widget : std::initializer_list<QWidget*>{edit_, combo_, load_, save_, show_, dcm_edit_}) {
        widget->hide();
    }
    if (had_focus) {
        setFocus();
    }
}

void CPropCtrl::EditorLostFocus()
{
    // Hiding the editor moves the focus as well; that is the end already under way.
    if (!ending_) {
        EndEdit(true);
    }
}

void CPropCtrl::EndEdit(bool commit, bool quiet)
{
    if (edited_row_ < 0 || ending_) {
        return;
    }
    ending_ = true;
    const size_t row = static_cast<size_t>(edited_row_);
    edited_row_ = -1;
    const bool from_edit = !edit_->isHidden();
    const bool from_combo = !combo_->isHidden();
    const std::string typed = edit_->text().toStdString();
    const std::string chosen = combo_->currentText().toStdString();
    HideEditors();
    tip_->hide();
    bool edited = false;
    if (commit && from_edit) {
        const tagConfigRow* before = editor_.Row(page_, row);
        const std::string old_value = before != nullptr ? before->Value : std::string();
        edited = editor_.CommitText(page_, row, typed, quiet) != old_value;
    } else if (commit && from_combo && !chosen.empty()) {
        const tagConfigRow* before = editor_.Row(page_, row);
        edited = before != nullptr && before->Value != chosen && editor_.CommitChoice(page_, row, chosen);
    }
    ending_ = false;
    if (edited) {
        emit RowsEdited();
    }
}

void CPropCtrl::scrollContentsBy(int dx, int dy)
{
    EndEdit(true);
    tip_->hide();
    QTreeWidget::scrollContentsBy(dx, dy);
}

void CPropCtrl::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
    // A click on the row that is already the only selected one starts editing it again.
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (item == nullptr || event->button() != Qt::LeftButton) {
        return;
    }
    const int row = indexOfTopLevelItem(item);
    const std::vector<size_t> selected = SelectedRows();
    if (selected.size() == 1 && static_cast<int>(selected.front()) == row && edited_row_ != row) {
        BeginEdit(row);
    }
}

void CPropCtrl::ShowHelpOf(int row, const QPoint& global_pos)
{
    const tagConfigRow* found = row >= 0 ? editor_.Row(page_, static_cast<size_t>(row)) : nullptr;
    if (found == nullptr) {
        tip_->hide();
        return;
    }
    tip_->ShowAt(Shown(found->Record.Help), global_pos);
}

bool CPropCtrl::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::Leave || type == QEvent::Hide) {
        tip_->hide();
    } else if (type == QEvent::MouseMove || type == QEvent::Enter) {
        if (watched == viewport()) {
            const QPoint at = viewport()->mapFromGlobal(QCursor::pos());
            QTreeWidgetItem* item = itemAt(type == QEvent::MouseMove
                                               ? static_cast<QMouseEvent*>(event)->position().toPoint()
                                               : at);
            ShowHelpOf(item != nullptr ? indexOfTopLevelItem(item) : -1, QCursor::pos());
        } else {
            ShowHelpOf(edited_row_, QCursor::pos());
        }
    }
    return QTreeWidget::eventFilter(watched, event);
}

// --- actions ------------------------------------------------------------------------------------

void CPropCtrl::LoadBinary()
{
    const int row = edited_row_;
    if (row < 0) {
        return;
    }
    const QString path = AskConfigFileName(this, EConfigFileAsk::OpenData);
    if (!path.isEmpty() && editor_.LoadBinary(page_, static_cast<size_t>(row), FileNameBytes(path))) {
        emit RowsEdited();
    }
}

void CPropCtrl::SaveBinary()
{
    const int row = edited_row_;
    if (row < 0) {
        return;
    }
    const QString path = AskConfigFileName(this, EConfigFileAsk::SaveData);
    if (!path.isEmpty()) {
        editor_.SaveBinary(page_, static_cast<size_t>(row), FileNameBytes(path));
    }
}

void CPropCtrl::ShowBinary()
{
    const tagConfigRow* row = edited_row_ >= 0 ? editor_.Row(page_, static_cast<size_t>(edited_row_)) : nullptr;
    if (row == nullptr) {
        return;
    }
    CDataViewerDialog viewer(Shown(row->Name), row->Record.Data, this);
    viewer.exec();
}

void CPropCtrl::EditDcm()
{
    const int row = edited_row_;
    const tagConfigRow* found = row >= 0 ? editor_.Row(page_, static_cast<size_t>(row)) : nullptr;
    if (found == nullptr) {
        return;
    }
    bool applied = false;
    if (found->Record.RowKind == EConfigItemKind::DcmInput) {
        tagDcmInputEdit edit = editor_.DcmInputForEdit(page_, static_cast<size_t>(row));
        CDcmInputEditor dialog(edit.Name, edit.Functions, edit.Debounce, edit.Mode, edit.Priority, edit.Help, this);
        if (dialog.exec() == QDialog::Accepted) {
            edit.Name = dialog.Name();
            edit.Functions = dialog.Functions();
            edit.Debounce = dialog.Debounce();
            edit.Mode = dialog.Mode();
            edit.Priority = dialog.Priority();
            applied = editor_.ApplyDcmInputEdit(page_, static_cast<size_t>(row), edit);
        }
    } else if (found->Record.RowKind == EConfigItemKind::DcmOutput) {
        tagDcmOutputEdit edit = editor_.DcmOutputForEdit(page_, static_cast<size_t>(row));
        CDcmOutputEditor dialog(edit.Name, edit.Conditions, edit.Help, this);
        if (dialog.exec() == QDialog::Accepted) {
            edit.Name = dialog.Name();
            edit.Conditions = dialog.Conditions();
            applied = editor_.ApplyDcmOutputEdit(page_, static_cast<size_t>(row), edit);
        }
    }
    if (applied) {
        emit RowsEdited();
    }
}

void CPropCtrl::AddDcmInput()
{
    tagDcmInputEdit edit = editor_.NewDcmInput();
    CDcmInputEditor dialog(edit.Name, edit.Functions, edit.Debounce, edit.Mode, edit.Priority, edit.Help, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    edit.Name = dialog.Name();
    edit.Functions = dialog.Functions();
    edit.Debounce = dialog.Debounce();
    edit.Mode = dialog.Mode();
    edit.Priority = dialog.Priority();
    EndEdit(true);
    const size_t row = editor_.AddDcmInput(edit);
    SelectRow(static_cast<int>(row));
    emit RowsEdited();
}

void CPropCtrl::AddDcmOutput()
{
    tagDcmOutputEdit edit = editor_.NewDcmOutput();
    CDcmOutputEditor dialog(edit.Name, edit.Conditions, edit.Help, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    edit.Name = dialog.Name();
    edit.Conditions = dialog.Conditions();
    EndEdit(true);
    const size_t row = editor_.AddDcmOutput(edit);
    SelectRow(static_cast<int>(row));
    emit RowsEdited();
}

void CPropCtrl::DeleteSelected()
{
    const std::vector<size_t> rows = SelectedRows();
    if (!editor_.CanDeleteRows(page_, rows)) {
        return;
    }
    EndEdit(false);
    if (editor_.DeleteRow(page_, rows.front())) {
        emit RowsEdited();
    }
}

QMenu* CPropCtrl::CreateContextMenu()
{
    if (page_ != kUserInterfacePage) {
        return nullptr;
    }
    auto* menu = new QMenu(this);
    menu->addAction(QStringLiteral("Add DCM Input function..."), this, &CPropCtrl::AddDcmInput);
    menu->addAction(QStringLiteral("Add DCM Output condition..."), this, &CPropCtrl::AddDcmOutput);
    QAction* remove = menu->addAction(QStringLiteral("Delete"), this, &CPropCtrl::DeleteSelected);
    remove->setEnabled(editor_.CanDeleteRows(page_, SelectedRows()));
    return menu;
}

void CPropCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu(CreateContextMenu());
    if (menu) {
        menu->exec(event->globalPos());
    }
}
