// zovcli config: show, check and convert configuration files without the configuration page,
// and store a configuration in the board's flash or retrieve it from there as the page does.
//
// Input files may be in any of the three forms the tool writes: a scrambled .cfg (what the
// configuration page saves and loads), a .cfg saved in ASCII, or a store-form image as the
// page stores it in flash. The messages the page would show in boxes go to stderr, one a line.
// store and retrieve go through the page's own editor, so they store exactly what the page
// would (the items of its pages, in its order) and save what it would save; their lines go to
// stdout, the progress bar to stderr, and Ctrl-C stops them where the storage allows it.

#include <cstdio>
#include <string>
#include <vector>

#include "boot/ConfigStorage.h"
#include "cli/CliCommand.h"
#include "cli/CliTerminal.h"
#include "config/Config.h"
#include "config/ConfigEditor.h"
#include "config/ConfigEscape.h"
#include "config/ConfigFile.h"
#include "config/NumberText.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "platform/TextFile.h"

namespace {

enum class EInputForm { Scrambled, Ascii, Store };

const char* InputFormName(EInputForm form)
{
    switch (form) {
    case EInputForm::Scrambled: return "scrambled file form";
    case EInputForm::Ascii: return "file form saved in ASCII";
    case EInputForm::Store: return "store form";
    }
    return "";
}

// Prints every message on stderr and counts them.
class CCountingPrompt : public IPrompt {
public:
    explicit CCountingPrompt(bool yes) : console_(yes) {}
    void ShowMessage(const std::string& text, PromptIcon icon, const std::string& title) override
    {
        ++messages_;
        console_.ShowMessage(text, icon, title);
    }
    bool AskYesNo(const std::string& text, const std::string& title) override
    {
        return console_.AskYesNo(text, title);
    }
    bool AskOkCancel(const std::string& text, const std::string& title) override
    {
        return console_.AskOkCancel(text, title);
    }
    int Messages() const { return messages_; }

private:
    CConsolePrompt console_;
    int messages_ = 0;
};

// What reading an input file came to.
struct Input {
    int exit_code = kExitSucceeded;  // kExitCannotRun: unreadable; kExitFailed: not usable
    EInputForm form = EInputForm::Scrambled;
};

bool LooksLikeStoreForm(const std::string& bytes)
{
    const size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string::npos && bytes[first] == '[';
}

Input ReadInput(const std::string& path, CConfig& config)
{
    Input input;
    std::string bytes;
    std::string error_text;
    if (ReadWholeFile(path, bytes, &error_text) != ReadFileResult::Ok) {
        CliError(error_text);
        input.exit_code = kExitCannotRun;
        return input;
    }
    if (bytes.empty()) {
        ShowMessage("File is empty!", PromptIcon::Error);
        input.exit_code = kExitFailed;
        return input;
    }
    std::string unscrambled = bytes;
    UnscrambleConfigBuffer(unscrambled);
    int form = kConfigFileForm;
    if (HasConfigSignature(unscrambled)) {
        input.form = EInputForm::Scrambled;
        bytes = std::move(unscrambled);
    } else if (HasConfigSignature(bytes)) {
        input.form = EInputForm::Ascii;
    } else if (LooksLikeStoreForm(bytes)) {
        input.form = EInputForm::Store;
        form = kConfigStoreForm;
    } else {
        ShowMessage("File does not appear to be a valid configuration file!", PromptIcon::Error);
        input.exit_code = kExitFailed;
        return input;
    }
    if (!config.Parse(bytes.data(), bytes.size(), form)) {
        input.exit_code = kExitFailed;
    }
    return input;
}

std::string Quoted(const std::string& text)
{
    return "\"" + EscapeConfigText(text) + "\"";
}

std::string HexBytes(const CConfigItemBinaryData& item)
{
    constexpr int kShown = 16;
    std::string text = Format("%d bytes", static_cast<int>(item.GetLength()));
    for (int i = 0; i < item.GetLength() && i < kShown; ++i) {
        text += Format(" %02X", static_cast<unsigned>(item.GetData()[i]));
    }
    return item.GetLength() > kShown ? text + " ..." : text;
}

// The value as the page shows it (strings quoted, binary data as its first bytes) and the
// bounds or the allowed values.
std::string DescribeValue(const CConfigItem& item)
{
    const EConfigItemKind kind = ConfigItemKind(item);
    std::string value = ConfigItemValueText(item);
    if (kind == EConfigItemKind::String || kind == EConfigItemKind::StringList) {
        value = Quoted(value);
    } else if (const auto* binary = dynamic_cast<const CConfigItemBinaryData*>(&item)) {
        value = HexBytes(*binary);
    }
    std::string range;
    if (const auto* integer = dynamic_cast<const CConfigItemIntegerRange*>(&item)) {
        range = Format("%d..%d", static_cast<int>(integer->GetLow()), static_cast<int>(integer->GetHigh()));
    } else if (const auto* real = dynamic_cast<const CConfigItemFloatRange*>(&item)) {
        range = FormatFixed2(real->GetLow()) + ".." + FormatFixed2(real->GetHigh());
    } else if (kind == EConfigItemKind::IntegerList || kind == EConfigItemKind::FloatList ||
               kind == EConfigItemKind::StringList) {
        const std::vector<std::string> allowed = ConfigItemAllowedTexts(item);
        for (size_t i = 0; i < allowed.size(); ++i) {
            range += (i > 0 ? ", " : "") + (kind == EConfigItemKind::StringList ? Quoted(allowed[i]) : allowed[i]);
        }
        range = "[" + range + "]";
    }
    return range.empty() ? value : value + "  (" + range + ")";
}

void PrintItems(const CConfig& config)
{
    std::printf("%-24s %5s %5s  %-12s  %s\n", "name", "class", "fixed", "kind", "value  (range)");
    for (const auto& item : config) {
        const std::string value = DescribeValue(*item);
        std::printf("%-24s %5d %5d  %-12s  %s\n", item->GetName().c_str(), static_cast<int>(item->GetClass()),
                    item->GetFixed() ? 1 : 0, ConfigItemKindName(ConfigItemKind(*item)), value.c_str());
    }
}

int RunShow(const CliOptions& options, const std::string& path)
{
    CCountingPrompt prompt(options.yes);
    CScopedPrompt scoped(prompt);
    CConfig config;
    const Input input = ReadInput(path, config);
    if (input.exit_code != kExitSucceeded) {
        return input.exit_code;
    }
    PrintItems(config);
    return kExitSucceeded;
}

int RunCheck(const CliOptions& options, const std::string& path)
{
    CCountingPrompt prompt(options.yes);
    CScopedPrompt scoped(prompt);
    CConfig config;
    const Input input = ReadInput(path, config);
    if (input.exit_code == kExitCannotRun) {
        return input.exit_code;
    }
    if (input.exit_code == kExitFailed) {
        std::printf("%s: not usable, %d message(s)\n", path.c_str(), prompt.Messages());
        return kExitFailed;
    }
    std::printf("%s: %s, %zu item(s), %d warning(s)\n", path.c_str(), InputFormName(input.form),
                config.GetCount(), prompt.Messages());
    if (input.form == EInputForm::Ascii) {
        std::printf("note: the configuration page loads only scrambled files; "
                    "zovcli config convert IN OUT --scrambled makes one\n");
    }
    return kExitSucceeded;
}

int RunConvert(const CliOptions& options, const std::string& in, const std::string& out, const std::string& to)
{
    int form = kConfigFileForm;
    bool scramble = false;
    if (to == "--scrambled") {
        scramble = true;
    } else if (to == "--store") {
        form = kConfigStoreForm;
    } else if (to != "--ascii") {
        CliError("config convert takes --ascii, --scrambled or --store, not \"" + to + "\"");
        return kExitCannotRun;
    }
    CCountingPrompt prompt(options.yes);
    CScopedPrompt scoped(prompt);
    CConfig config;
    const Input input = ReadInput(in, config);
    if (input.exit_code != kExitSucceeded) {
        return input.exit_code;
    }
    std::string bytes;
    if (!config.Write(form, bytes)) {
        CliError("the configuration could not be written");
        return kExitFailed;
    }
    if (scramble) {
        ScrambleConfigBuffer(bytes);
    }
    if (!WriteFileAtomically(out, bytes)) {
        CliError("cannot write " + out);
        return kExitCannotRun;
    }
    return kExitSucceeded;
}

// The editor's lines (how many items it leaves out) on the terminal.
class CEditorLines : public IConfigEditorView {
public:
    explicit CEditorLines(CConsoleLines& lines) : lines_(lines) {}
    void OutputText(const std::string& text) override { lines_.OutputText(text); }
    void PageChanged(int) override {}
    void TabsChanged(bool) override {}

private:
    CConsoleLines& lines_;
};

// The storage's page on the terminal. Ctrl-C asks the storage to stop at its next safe point.
class CConsoleStoragePage : public IConfigStoragePage {
public:
    explicit CConsoleStoragePage(CConsoleLines& lines) : lines_(lines) {}
    void Attach(CConfigStorage& storage) { storage_ = &storage; }

    void OutputText(const std::string& text) override
    {
        CheckInterrupt();
        lines_.OutputText(text);
    }
    void SetProgress(uint32_t per_mille) override
    {
        CheckInterrupt();
        lines_.SetProgress(per_mille);
    }
    void SetAbortable(bool abortable) override { abortable_ = abortable; }

private:
    void CheckInterrupt()
    {
        if (!CliInterruptRequested() || storage_ == nullptr || storage_->AbortRequested()) {
            return;
        }
        storage_->RequestAbort();
        if (!abortable_) {
            CliError("the flash is being written; the store runs to its end so that it holds a whole configuration");
        }
    }

    CConsoleLines& lines_;
    CConfigStorage* storage_ = nullptr;
    bool abortable_ = true;
};

int RunStore(const CliOptions& options, const std::string& path)
{
    if (!CheckReadable(path)) {
        return kExitCannotRun;
    }
    CTerminalPrompt prompt(options.yes);
    CScopedPrompt scoped(prompt);
    CConfig config;
    const Input input = ReadInput(path, config);
    if (input.exit_code != kExitSucceeded) {
        return input.exit_code;
    }
    CConsoleLines lines;
    CEditorLines editor_lines(lines);
    CConfigEditor editor(&editor_lines, false);
    editor.FillPages(config);
    std::string image;
    if (!editor.BuildStoreImage(image)) {
        return kExitFailed;
    }
    if (!CheckBootPort(options)) {
        return kExitCannotRun;
    }
    CCliInterruptGuard interrupt;
    CConsoleStoragePage page(lines);
    CConfigStorage storage(page);
    page.Attach(storage);
    if (options.port) {
        storage.SetPortOverride(*options.port);
    }
    const bool stored =
        storage.StoreConfiguration(reinterpret_cast<const uint8_t*>(image.data()), static_cast<uint32_t>(image.size()));
    return stored ? kExitSucceeded : kExitFailed;
}

int RunRetrieve(const CliOptions& options, const std::string& out, bool ascii)
{
    if (!CheckBootPort(options)) {
        return kExitCannotRun;
    }
    CTerminalPrompt prompt(options.yes);
    CScopedPrompt scoped(prompt);
    CCliInterruptGuard interrupt;
    CConsoleLines lines;
    CConsoleStoragePage page(lines);
    CConfigStorage storage(page);
    page.Attach(storage);
    if (options.port) {
        storage.SetPortOverride(*options.port);
    }
    std::vector<uint8_t> bytes;
    if (!storage.RetrieveConfiguration(bytes)) {
        return kExitFailed;
    }
    CEditorLines editor_lines(lines);
    CConfigEditor editor(&editor_lines, false);
    editor.SetSaveInAscii(ascii);
    std::string file;
    if (!editor.TakeRetrievedImage(bytes)) {
        CliError("the configuration in flash could not be read; nothing was saved");
        return kExitFailed;
    }
    if (!editor.BuildFileImage(file)) {
        return kExitFailed;
    }
    if (!WriteFileAtomically(out, file)) {
        CliError("cannot write " + out);
        return kExitCannotRun;
    }
    lines.OutputText("Configuration saved in " + out + ".");
    return kExitSucceeded;
}

const char kConfigUsage[] = "show FILE | check FILE | convert IN OUT --FORM | store FILE | retrieve OUT [--ascii]";

int RunConfig(const CliOptions& options, const std::vector<std::string>& args)
{
    if (args.size() == 2 && args[0] == "show") {
        return RunShow(options, args[1]);
    }
    if (args.size() == 2 && args[0] == "check") {
        return RunCheck(options, args[1]);
    }
    if (args.size() == 4 && args[0] == "convert") {
        return RunConvert(options, args[1], args[2], args[3]);
    }
    if (args.size() == 2 && args[0] == "store") {
        return RunStore(options, args[1]);
    }
    if ((args.size() == 2 || (args.size() == 3 && args[2] == "--ascii")) && args[0] == "retrieve") {
        return RunRetrieve(options, args[1], args.size() == 3);
    }
    CliError("usage: zovcli config show FILE | check FILE | convert IN OUT --ascii|--scrambled|--store | "
             "store FILE.cfg | retrieve OUT.cfg [--ascii]");
    return kExitCannotRun;
}

const CCliRegistration kConfig({"config", kConfigUsage,
                                "list, check, convert; store in or retrieve from flash",
                                RunConfig});

}  // namespace
