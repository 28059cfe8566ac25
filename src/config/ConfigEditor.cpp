#include "config/ConfigEditor.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "config/ConfigFile.h"
#include "config/DcmNames.h"
#include "config/NumberText.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "platform/TextFile.h"

namespace {

const char kCfgName[] = "Cfg Name";
const char kNameJoint[] = " - ";

const std::vector<tagConfigRow> kNoRows;

void Fail(const std::string& text)
{
    ShowMessage(text, PromptIcon::Error);
}

const char* TableName(EDcmByteTable table)
{
    switch (table) {
    case EDcmByteTable::Debounce: return kDcmDebounceName;
    case EDcmByteTable::Mode: return kDcmModeName;
    case EDcmByteTable::PrioIO: return kDcmPrioIoName;
    }
    return kDcmDebounceName;
}

const char* TableHelp(EDcmByteTable table)
{
    switch (table) {
    case EDcmByteTable::Debounce: return kDcmDebounceHelp;
    case EDcmByteTable::Mode: return kDcmModeHelp;
    case EDcmByteTable::PrioIO: return kDcmPrioIoHelp;
    }
    return kDcmDebounceHelp;
}

bool IsRangeOrPlain(EConfigItemKind kind)
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

void AdaptedMessage(const std::string& name)
{
    ShowMessage(Format("The value of \"%s\" is not within the range and will be adapted.", name.c_str()),
                PromptIcon::Warning);
}

// The whole file, for binary data. Reports what went wrong in the two texts of the page.
bool ReadDataFile(const std::string& path, std::vector<uint8_t>& data)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Fail("File could not be opened.");
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    bool ok = true;
    while (true) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0) {
            break;
        }
        // The item counts its bytes in 32 bits.
        if (bytes.size() + static_cast<size_t>(got) > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    close(fd);
    if (!ok) {
        Fail("Error reading data from file.");
        return false;
    }
    data = std::move(bytes);
    return true;
}

}  // namespace

CConfigEditor::CConfigEditor(IConfigEditorView* view, bool show_fixed)
    : view_(view),
      show_fixed_(show_fixed),
      input_table_(CInputFuncTable::Acquire()),
      output_table_(COutputCondTable::Acquire())
{
}

const std::vector<tagConfigRow>& CConfigEditor::Rows(int page) const
{
    return page >= 0 && page < kConfigPageCount ? pages_[static_cast<size_t>(page)] : kNoRows;
}

const tagConfigRow* CConfigEditor::Row(int page, size_t row) const
{
    const std::vector<tagConfigRow>& rows = Rows(page);
    return row < rows.size() ? &rows[row] : nullptr;
}

tagConfigRow* CConfigEditor::MutableRow(int page, size_t row)
{
    return const_cast<tagConfigRow*>(Row(page, row));
}

bool CConfigEditor::HasTab(int page) const
{
    return page >= 0 && page < kConfigPageCount && tabs_[static_cast<size_t>(page)];
}

void CConfigEditor::Output(const std::string& text)
{
    if (view_ != nullptr) {
        view_->OutputText(text);
    }
}

void CConfigEditor::Changed(int page)
{
    if (view_ != nullptr) {
        view_->PageChanged(page);
    }
}

// --- filling and building -----------------------------------------------------------------------

void CConfigEditor::Open(const CConfig& working)
{
    ReplaceWith(working);
}

void CConfigEditor::Close(CConfig& working) const
{
    working.RemoveAll();
    BuildConfig(working);
    for (const auto& item : unshown_) {
        working.Add(CloneConfigItem(*item));
    }
}

void CConfigEditor::Clear()
{
    for (auto& rows : pages_) {
        rows.clear();
    }
    unshown_.clear();
    tabs_.fill(false);
    if (view_ != nullptr) {
        view_->TabsChanged(true);
    }
    for (int page = 0; page < kConfigPageCount; ++page) {
        Changed(page);
    }
}

void CConfigEditor::ReplaceWith(const CConfig& config)
{
    Clear();
    FillPages(config);
}

size_t CConfigEditor::InsertRow(int page, tagConfigRow row)
{
    std::vector<tagConfigRow>& rows = pages_[static_cast<size_t>(page)];
    if (row.Record.RowKind == EConfigItemKind::String && row.Name == kCfgName) {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].Name == kCfgName && rows[i].Record.RowKind == EConfigItemKind::String) {
                rows[i].Value += kNameJoint + row.Value;
                return i;
            }
        }
    }
    const auto before = std::upper_bound(rows.begin(), rows.end(), row.Name,
                                         [](const std::string& name, const tagConfigRow& other) {
                                             return name < other.Name;
                                         });
    const auto inserted = rows.insert(before, std::move(row));
    return static_cast<size_t>(inserted - rows.begin());
}

void CConfigEditor::FillPages(const CConfig& config)
{
    for (int page = 0; page < kConfigPageCount; ++page) {
        const tagConfigPage& shown = ConfigPage(page);
        for (const auto& item : config) {
            if (item->GetClass() != shown.ItemClass || item->GetFixed() != shown.Fixed) {
                continue;
            }
            tagConfigRow row;
            if (MakeConfigRow(*item, row)) {
                InsertRow(page, std::move(row));
            }
        }
    }
    for (const auto& item : config) {
        if (ConfigPageFor(item->GetClass(), item->GetFixed()) < 0) {
            if (auto copy = CloneConfigItem(*item)) {
                unshown_.push_back(std::move(copy));
            }
        }
    }
    SetTabs();
    for (int page = 0; page < kConfigPageCount; ++page) {
        Changed(page);
    }
}

void CConfigEditor::SetTabs()
{
    for (int page = 0; page < kConfigPageCount; ++page) {
        tabs_[static_cast<size_t>(page)] =
            !pages_[static_cast<size_t>(page)].empty() && (page < kFirstFixedPage || show_fixed_);
    }
    if (view_ != nullptr) {
        view_->TabsChanged(true);
    }
}

void CConfigEditor::BuildConfig(CConfig& config) const
{
    for (int page = 0; page < kConfigPageCount; ++page) {
        for (const tagConfigRow& row : pages_[static_cast<size_t>(page)]) {
            config.Add(MakeConfigItem(row, ConfigPage(page).ItemClass));
        }
    }
}

// --- files and flash ------------------------------------------------------------------------------

bool CConfigEditor::FillFromFile(const std::string& path, bool replace)
{
    if (path.empty()) {
        return false;
    }
    CConfig read;
    if (!LoadConfigFile(path, read)) {
        return false;
    }
    if (replace) {
        ReplaceWith(read);
    } else {
        FillPages(read);
    }
    return true;
}

bool CConfigEditor::LoadFile(const std::string& path)
{
    return FillFromFile(path, true);
}

bool CConfigEditor::MergeFile(const std::string& path)
{
    return FillFromFile(path, false);
}

std::string CConfigEditor::DefaultSaveName() const
{
    for (const tagConfigRow& row : Rows(kFixedConfigurationPage)) {
        if (row.Name == kCfgName) {
            // Without a name the dialog starts empty rather than offering the hidden file ".cfg".
            return row.Value.empty() ? std::string() : DefaultConfigFileName(row.Value);
        }
    }
    return std::string();
}

void CConfigEditor::OutputUnshownCount(const char* what)
{
    if (!unshown_.empty()) {
        Output(Format("%zu item(s) of Class 2 or of another class that no page shows are left out of the %s.",
                      unshown_.size(), what));
    }
}

bool CConfigEditor::SaveFile(const std::string& path, std::string* saved_path)
{
    if (path.empty()) {
        return false;
    }
    const std::string target = WithConfigFileExtension(path);
    std::string bytes;
    if (!BuildFileImage(bytes)) {
        return false;
    }
    if (!WriteFileAtomically(target, bytes)) {
        Fail("Error opening file.");
        return false;
    }
    if (saved_path != nullptr) {
        *saved_path = target;
    }
    return true;
}

bool CConfigEditor::BuildFileImage(std::string& bytes)
{
    CConfig config;
    BuildConfig(config);
    if (!BuildConfigFileBuffer(config, save_in_ascii_, bytes)) {
        Fail("The configuration could not be written.");
        return false;
    }
    OutputUnshownCount("saved file");
    return true;
}

bool CConfigEditor::BuildStoreImage(std::string& bytes)
{
    CConfig config;
    BuildConfig(config);
    if (!config.Write(kConfigStoreForm, bytes)) {
        Fail("The configuration could not be written.");
        return false;
    }
    OutputUnshownCount("configuration to store");
    return true;
}

bool CConfigEditor::TakeRetrievedImage(const std::vector<uint8_t>& bytes)
{
    CConfig read;
    if (!read.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size(), kConfigStoreForm)) {
        return false;
    }
    ReplaceWith(read);
    return true;
}

// --- in-place editing ---------------------------------------------------------------------------

bool CConfigEditor::IsEditable(int page, size_t row) const
{
    const tagConfigRow* found = Row(page, row);
    return found != nullptr && !found->Record.Fixed;
}

std::string CConfigEditor::CommitText(int page, size_t row, const std::string& typed, bool quiet)
{
    tagConfigRow* found = MutableRow(page, row);
    if (found == nullptr) {
        return std::string();
    }
    const tagRowRecord& record = found->Record;
    if (record.Fixed || !IsRangeOrPlain(record.RowKind)) {
        return found->Value;
    }
    std::string value = typed;
    switch (record.RowKind) {
    case EConfigItemKind::Integer: value = Format("%d", static_cast<int>(DecimalToInt32(typed))); break;
    case EConfigItemKind::IntegerRange: {
        int32_t number = DecimalToInt32(typed);
        if (number < record.IntegerLow || number > record.IntegerHigh) {
            number = record.IntegerLow;
            if (!quiet) {
                AdaptedMessage(found->Name);
            }
        }
        value = Format("%d", static_cast<int>(number));
        break;
    }
    case EConfigItemKind::Float: value = FormatFixed2(DoubleToFloat(DecimalToDouble(typed))); break;
    case EConfigItemKind::FloatRange: {
        float number = DoubleToFloat(DecimalToDouble(typed));
        // Written so that "nan" counts as outside, too.
        if (!(number >= record.FloatLow && number <= record.FloatHigh)) {
            number = record.FloatLow;
            if (!quiet) {
                AdaptedMessage(found->Name);
            }
        }
        value = FormatFixed2(number);
        break;
    }
    default: break;
    }
    found->Value = value;
    Changed(page);
    return value;
}

std::vector<std::string> CConfigEditor::Choices(int page, size_t row) const
{
    const tagConfigRow* found = Row(page, row);
    if (found == nullptr) {
        return {};
    }
    if (found->Record.RowKind == EConfigItemKind::Boolean) {
        return {"TRUE", "FALSE"};
    }
    return RowChoices(*found);
}

bool CConfigEditor::CommitChoice(int page, size_t row, const std::string& choice)
{
    if (!IsEditable(page, row)) {
        return false;
    }
    const std::vector<std::string> choices = Choices(page, row);
    if (std::find(choices.begin(), choices.end(), choice) == choices.end()) {
        return false;
    }
    MutableRow(page, row)->Value = choice;
    Changed(page);
    return true;
}

bool CConfigEditor::LoadBinary(int page, size_t row, const std::string& path)
{
    tagConfigRow* found = MutableRow(page, row);
    if (found == nullptr || found->Record.Fixed || found->Record.RowKind != EConfigItemKind::BinaryData ||
        path.empty()) {
        return false;
    }
    std::vector<uint8_t> data;
    if (!ReadDataFile(path, data)) {
        return false;
    }
    if (!data.empty()) {
        found->Record.Data = std::move(data);
        Changed(page);
    }
    return true;
}

bool CConfigEditor::SaveBinary(int page, size_t row, const std::string& path) const
{
    const tagConfigRow* found = Row(page, row);
    if (found == nullptr || found->Record.RowKind != EConfigItemKind::BinaryData || path.empty()) {
        return false;
    }
    const std::vector<uint8_t>& data = found->Record.Data;
    if (!WriteFileAtomically(path, std::string(data.begin(), data.end()))) {
        Fail("File could not be opened or created.");
        return false;
    }
    return true;
}

// --- DCM ------------------------------------------------------------------------------------------------

const tagConfigRow* CConfigEditor::FindTableRow(EDcmByteTable table, int* page) const
{
    const std::string name = TableName(table);
    for (const int candidate : {kUserInterfacePage, kFixedUserInterfacePage}) {
        for (const tagConfigRow& row : Rows(candidate)) {
            if (row.Name == name) {
                if (page != nullptr) {
                    *page = candidate;
                }
                return &row;
            }
        }
    }
    return nullptr;
}

int CConfigEditor::GetDcmByte(EDcmByteTable table, int line) const
{
    const tagConfigRow* row = FindTableRow(table);
    return row != nullptr ? GetDcmLineByte(row->Value, line) : 0;
}

void CConfigEditor::SetDcmByte(EDcmByteTable table, int line, int value)
{
    int page = kFixedUserInterfacePage;
    tagConfigRow* row = const_cast<tagConfigRow*>(FindTableRow(table, &page));
    if (row == nullptr) {
        tagConfigRow added;
        added.Name = TableName(table);
        added.Record.Help = TableHelp(table);
        added.Record.RowKind = EConfigItemKind::String;
        added.Record.Fixed = false;
        const size_t index = InsertRow(kFixedUserInterfacePage, std::move(added));
        row = MutableRow(kFixedUserInterfacePage, index);
        if (show_fixed_ && !tabs_[kFixedUserInterfacePage]) {
            tabs_[kFixedUserInterfacePage] = true;
            if (view_ != nullptr) {
                view_->TabsChanged(false);
            }
        }
    }
    SetDcmLineByte(row->Value, line, value);
    Changed(page);
}

int CConfigEditor::HighestLine(bool inputs) const
{
    int highest = 0;
    for (const tagConfigRow& row : Rows(kUserInterfacePage)) {
        if (inputs ? IsDcmInputItemName(row.Name) : IsDcmOutputItemName(row.Name)) {
            highest = std::max(highest, DcmLineFromItemName(row.Name));
        }
    }
    return highest;
}

int CConfigEditor::NextDcmInputLine() const
{
    return HighestLine(true) + 1;
}

int CConfigEditor::NextDcmOutputLine() const
{
    return HighestLine(false) + 1;
}

tagDcmInputEdit CConfigEditor::DcmInputForEdit(int page, size_t row) const
{
    tagDcmInputEdit edit;
    const tagConfigRow* found = Row(page, row);
    if (found == nullptr) {
        return edit;
    }
    const int line = DcmLineFromItemName(found->Name);
    edit.Name = found->Name;
    edit.Functions = found->Record.Functions;
    edit.Debounce = static_cast<uint8_t>(GetDcmByte(EDcmByteTable::Debounce, line));
    edit.Mode = static_cast<uint8_t>(GetDcmByte(EDcmByteTable::Mode, line));
    edit.Priority = static_cast<uint8_t>(GetDcmByte(EDcmByteTable::PrioIO, line));
    edit.Help = found->Record.Help;
    return edit;
}

tagDcmOutputEdit CConfigEditor::DcmOutputForEdit(int page, size_t row) const
{
    tagDcmOutputEdit edit;
    if (const tagConfigRow* found = Row(page, row)) {
        edit.Name = found->Name;
        edit.Conditions = found->Record.Conditions;
        edit.Help = found->Record.Help;
    }
    return edit;
}

tagDcmInputEdit CConfigEditor::NewDcmInput() const
{
    tagDcmInputEdit edit;
    edit.Name = DcmInputItemName(NextDcmInputLine(), kDcmLowToHigh);
    edit.Debounce = 0;
    edit.Mode = kDcmModeDualAction;
    edit.Priority = 1;
    return edit;
}

tagDcmOutputEdit CConfigEditor::NewDcmOutput() const
{
    tagDcmOutputEdit edit;
    edit.Name = DcmOutputItemName(NextDcmOutputLine());
    return edit;
}

bool CConfigEditor::ApplyDcmInputEdit(int page, size_t row, const tagDcmInputEdit& edit)
{
    tagConfigRow* found = MutableRow(page, row);
    if (found == nullptr || found->Record.Fixed || found->Record.RowKind != EConfigItemKind::DcmInput) {
        return false;
    }
    found->Name = edit.Name;
    found->Record.Functions = edit.Functions;
    found->Record.DcmText = WriteInputFuncList(edit.Functions, *input_table_);
    found->Value = InputFuncListPresentation(edit.Functions, *input_table_);
    Changed(page);
    // The bytes go under the line the editor names, which the engineer may have changed.
    const int line = DcmLineFromItemName(edit.Name);
    SetDcmByte(EDcmByteTable::Debounce, line, edit.Debounce);
    SetDcmByte(EDcmByteTable::Mode, line, edit.Mode);
    SetDcmByte(EDcmByteTable::PrioIO, line, edit.Priority);
    return true;
}

bool CConfigEditor::ApplyDcmOutputEdit(int page, size_t row, const tagDcmOutputEdit& edit)
{
    tagConfigRow* found = MutableRow(page, row);
    if (found == nullptr || found->Record.Fixed || found->Record.RowKind != EConfigItemKind::DcmOutput) {
        return false;
    }
    found->Name = edit.Name;
    found->Record.Conditions = edit.Conditions;
    found->Record.DcmText = WriteOutputCondList(edit.Conditions, *output_table_);
    found->Value = OutputCondListPresentation(edit.Conditions, *output_table_);
    Changed(page);
    return true;
}

size_t CConfigEditor::AddDcmInput(const tagDcmInputEdit& edit)
{
    tagConfigRow row;
    row.Name = edit.Name;
    row.Record.Help = edit.Help;
    row.Record.RowKind = EConfigItemKind::DcmInput;
    row.Record.Functions = edit.Functions;
    row.Record.DcmText = WriteInputFuncList(edit.Functions, *input_table_);
    row.Value = InputFuncListPresentation(edit.Functions, *input_table_);
    const size_t index = InsertRow(kUserInterfacePage, std::move(row));
    Changed(kUserInterfacePage);
    const int line = DcmLineFromItemName(edit.Name);
    SetDcmByte(EDcmByteTable::Debounce, line, edit.Debounce);
    SetDcmByte(EDcmByteTable::Mode, line, edit.Mode);
    SetDcmByte(EDcmByteTable::PrioIO, line, edit.Priority);
    return index;
}

size_t CConfigEditor::AddDcmOutput(const tagDcmOutputEdit& edit)
{
    tagConfigRow row;
    row.Name = edit.Name;
    row.Record.Help = edit.Help;
    row.Record.RowKind = EConfigItemKind::DcmOutput;
    row.Record.Conditions = edit.Conditions;
    row.Record.DcmText = WriteOutputCondList(edit.Conditions, *output_table_);
    row.Value = OutputCondListPresentation(edit.Conditions, *output_table_);
    const size_t index = InsertRow(kUserInterfacePage, std::move(row));
    Changed(kUserInterfacePage);
    return index;
}

bool CConfigEditor::CanDeleteRows(int page, const std::vector<size_t>& rows) const
{
    if (page != kUserInterfacePage || rows.size() != 1) {
        return false;
    }
    const tagConfigRow* row = Row(page, rows.front());
    return row != nullptr && (IsDcmInputItemName(row->Name) || IsDcmOutputItemName(row->Name));
}

bool CConfigEditor::DeleteRow(int page, size_t row)
{
    if (!CanDeleteRows(page, {row})) {
        return false;
    }
    pages_[static_cast<size_t>(page)].erase(pages_[static_cast<size_t>(page)].begin() + static_cast<long>(row));
    Changed(page);
    return true;
}
