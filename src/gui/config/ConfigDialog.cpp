#include "gui/config/ConfigDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "config/Config.h"
#include "gui/config/ConfigFileDialog.h"
#include "gui/config/PropCtrl.h"
#include "gui/widgets/FixedPitchFont.h"
#include "gui/widgets/TabCtrlEx.h"
#include "shell/AppSettings.h"

namespace {

// The storage's lines line up addresses and values in columns; a fixed-pitch font keeps them.
QFont MessageFont()
{
    return FixedPitchFont(9);
}

constexpr int kNarrowButtonWidth = 70;

QString ShownLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    return text;
}

std::string FileNameBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

}  // namespace

CConfigDialog::CConfigDialog(QWidget* parent)
    : QWidget(parent), editor_(this, AppSettings::GetShowFixedConfigItems())
{
    setObjectName(QStringLiteral("ConfigDialog"));
    load_ = AddButton("Load configuration from file...", "load");
    merge_ = AddButton("Merge configuration from file...", "merge");
    save_ = AddButton("Save configuration to file...", "save");
    store_ = AddButton("Store configuration", "store");
    retrieve_ = AddButton("Retrieve configuration", "retrieve");
    abort_ = AddButton("Abort", "abort");
    abort_->hide();
    ascii_ = new QCheckBox(QStringLiteral("Save in ASCII"), this);
    ascii_->setObjectName(QStringLiteral("saveInAscii"));
    // Saved files are scrambled: the box is there, but the engineer does not see it.
    ascii_->hide();
    connect(ascii_, &QCheckBox::toggled, this, [this](bool on) { editor_.SetSaveInAscii(on); });
    connect(load_, &QPushButton::clicked, this, &CConfigDialog::LoadConfiguration);
    connect(merge_, &QPushButton::clicked, this, &CConfigDialog::MergeConfiguration);
    connect(save_, &QPushButton::clicked, this, &CConfigDialog::SaveConfiguration);
    connect(store_, &QPushButton::clicked, this, &CConfigDialog::StoreConfiguration);
    connect(retrieve_, &QPushButton::clicked, this, &CConfigDialog::RetrieveConfiguration);
    connect(abort_, &QPushButton::clicked, this, &CConfigDialog::AbortRequested);

    tabs_ = new CTabCtrlEx(this);
    tabs_->setObjectName(QStringLiteral("pages"));
    for (int page = 0; page < kConfigPageCount; ++page) {
        grids_[static_cast<size_t>(page)] = new CPropCtrl(editor_, page, this);
        grids_[static_cast<size_t>(page)]->hide();
    }

    messages_ = new QPlainTextEdit(this);
    messages_->setObjectName(QStringLiteral("messages"));
    messages_->setReadOnly(true);
    messages_->setFont(MessageFont());
    messages_->setLineWrapMode(QPlainTextEdit::NoWrap);
    messages_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, kProgressRange);
    progress_->setTextVisible(false);
    progress_->hide();

    LayOut();
    UpdateButtons();
}

CConfigDialog::~CConfigDialog()
{
    // The grids work on the page model, a member that goes before the base class deletes the
    // children: they go first, without taking an open edit over. The grids under a tab go with
    // the tab control, the others are children of the page.
    for (CPropCtrl* grid : grids_) {
        grid->EndEdit(false);
    }
    grids_.fill(nullptr);
    tabs_ = nullptr;
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

QPushButton* CConfigDialog::AddButton(const char* text, const char* object_name)
{
    auto* button = new QPushButton(QString::fromLatin1(text), this);
    button->setObjectName(QString::fromLatin1(object_name));
    return button;
}

void CConfigDialog::LayOut()
{
    // The tabs take the whole width, so that all eight fit when the fixed pages are shown; the
    // buttons sit in one row below them and may shrink in a narrow window.
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {load_, merge_, save_, store_, retrieve_, abort_}) {
        button->setMinimumWidth(kNarrowButtonWidth);
        buttons->addWidget(button);
        if (button == save_) {
            buttons->addSpacing(24);
            buttons->addStretch(1);
        }
    }
    buttons->addWidget(ascii_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 3);
    layout->addLayout(buttons);
    layout->addWidget(messages_, 1);
    layout->addWidget(progress_);
}

QPushButton* CConfigDialog::Button(const char* object_name) const
{
    return findChild<QPushButton*>(QString::fromLatin1(object_name));
}

std::vector<int> CConfigDialog::ShownPages() const
{
    std::vector<int> pages;
    for (int i = 0; i < tabs_->count(); ++i) {
        pages.push_back(tabs_->ItemData(i).toInt());
    }
    return pages;
}

bool CConfigDialog::ShowPage(int page)
{
    const int index = tabs_->FindTabWithItemData(page);
    if (index < 0) {
        return false;
    }
    tabs_->setCurrentIndex(index);
    return true;
}

void CConfigDialog::OpenFrom(const CConfig& working)
{
    editor_.Open(working);
}

void CConfigDialog::CloseInto(CConfig& working)
{
    // A value still being typed is kept; no box may open while the view is being destroyed.
    for (CPropCtrl* grid : grids_) {
        grid->EndEdit(true, true);
    }
    editor_.Close(working);
}

// --- the page model's news ------------------------------------------------------------------------

void CConfigDialog::OutputText(const std::string& text)
{
    AppendMessage(QString::fromStdString(text));
}

void CConfigDialog::PageChanged(int page)
{
    if (page >= 0 && page < kConfigPageCount && grids_[static_cast<size_t>(page)] != nullptr) {
        grids_[static_cast<size_t>(page)]->Refresh();
    }
}

void CConfigDialog::TabsChanged(bool select_first)
{
    if (tabs_ == nullptr) {
        return;
    }
    const int current = tabs_->currentIndex() >= 0 ? tabs_->ItemData(tabs_->currentIndex()).toInt() : -1;
    while (tabs_->count() > 0) {
        tabs_->removeTab(0);
    }
    for (int page = 0; page < kConfigPageCount; ++page) {
        if (editor_.HasTab(page)) {
            tabs_->AddTab(grids_[static_cast<size_t>(page)], QString::fromLatin1(ConfigPage(page).TabText), page);
        }
    }
    if (select_first || !ShowPage(current)) {
        tabs_->setCurrentIndex(tabs_->count() > 0 ? 0 : -1);
    }
}

// --- buttons --------------------------------------------------------------------------------------

void CConfigDialog::LoadConfiguration()
{
    const QString path = AskConfigFileName(this, EConfigFileAsk::OpenConfig);
    if (!path.isEmpty()) {
        editor_.LoadFile(FileNameBytes(path));
    }
}

void CConfigDialog::MergeConfiguration()
{
    const QString path = AskConfigFileName(this, EConfigFileAsk::OpenConfig);
    if (!path.isEmpty()) {
        editor_.MergeFile(FileNameBytes(path));
    }
}

void CConfigDialog::SaveConfiguration()
{
    const QString suggested = QString::fromStdString(editor_.DefaultSaveName());
    const QString path = AskConfigFileName(this, EConfigFileAsk::SaveConfig, suggested);
    if (!path.isEmpty()) {
        editor_.SaveFile(FileNameBytes(path));
    }
}

void CConfigDialog::StoreConfiguration()
{
    if (running_) {
        return;
    }
    std::string image;
    if (editor_.BuildStoreImage(image)) {
        emit StoreRequested(image);
    }
}

void CConfigDialog::RetrieveConfiguration()
{
    if (!running_) {
        emit RetrieveRequested();
    }
}

bool CConfigDialog::TakeRetrievedImage(const std::vector<uint8_t>& bytes)
{
    return editor_.TakeRetrievedImage(bytes);
}

// --- the storage's news -----------------------------------------------------------------------------

void CConfigDialog::AppendMessage(const QString& text)
{
    if (text_.Append(text.toStdString())) {
        messages_->setPlainText(ShownLines(QString::fromStdString(text_.Text())));
    } else {
        messages_->appendPlainText(ShownLines(text));
    }
    messages_->verticalScrollBar()->setValue(messages_->verticalScrollBar()->maximum());
}

QString CConfigDialog::MessageText() const
{
    return QString::fromStdString(text_.Text());
}

void CConfigDialog::SetProgress(int per_mille)
{
    if (per_mille >= kProgressRange) {
        progress_->hide();
        return;
    }
    progress_->setValue(std::max(per_mille, 0));
    progress_->show();
}

void CConfigDialog::SetStorageRunning(bool running)
{
    running_ = running;
    if (!running) {
        abortable_ = false;
        progress_->hide();
    }
    UpdateButtons();
}

void CConfigDialog::SetAbortable(bool abortable)
{
    abortable_ = abortable;
    UpdateButtons();
}

void CConfigDialog::UpdateButtons()
{
    for (QPushButton* button : {load_, merge_, store_, retrieve_}) {
        button->setEnabled(!running_);
    }
    // A retrieve replaces every row when it ends, and a store sends the rows as they were at its
    // start: an edit made meanwhile would be lost or not stored, so the rows wait.
    for (CPropCtrl* grid : grids_) {
        if (grid != nullptr) grid->setEnabled(!running_);
    }
    abort_->setVisible(running_);
    abort_->setEnabled(running_ && abortable_);
}
