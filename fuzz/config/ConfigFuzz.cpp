// Feeds arbitrary bytes to the configuration reader (file form, store form, and a whole .cfg
// file with its unscrambling) and to the two DCM list readers. The first byte picks the reader,
// the rest is its input. Beyond staying inside the buffer and not crashing, it checks what the
// writers promise:
//  - a configuration that was read and written reads back and writes the same bytes again,
//    unless it holds a name with "[" or a double quote, or a DCM text with a double quote or a
//    backslash (those are written as they stand and are known not to survive);
//  - an input-function list written from what was read reads back without a message and writes
//    the same text again; so does an output-condition list without UNKNOWN conditions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/Config.h"
#include "config/ConfigFile.h"
#include "config/DcmLists.h"
#include "platform/Prompt.h"

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// Counts the messages instead of printing them.
class CQuietPrompt : public IPrompt {
public:
    void ShowMessage(const std::string&, PromptIcon, const std::string&) override { ++messages; }
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool AskOkCancel(const std::string&, const std::string&) override { return false; }
    int messages = 0;
};

bool SurvivesRewriting(const CConfig& config)
{
    for (const auto& item : config) {
        if (item->GetName().find_first_of("[\"") != std::string::npos) {
            return false;
        }
        std::string text;
        if (const auto* input = dynamic_cast<const CConfigItemDcmInput*>(item.get())) {
            text = input->GetText();
        } else if (const auto* output = dynamic_cast<const CConfigItemDcmOutput*>(item.get())) {
            text = output->GetText();
        }
        if (text.find_first_of("\"\\") != std::string::npos) {
            return false;
        }
    }
    return true;
}

void CheckRewrite(const CConfig& config, int form)
{
    if (!SurvivesRewriting(config)) {
        return;
    }
    std::string first;
    Require(config.Write(form, first));
    CConfig again;
    Require(again.Parse(first.data(), first.size(), form));
    Require(again.GetCount() == config.GetCount());
    std::string second;
    Require(again.Write(form, second));
    Require(second == first);
}

void FuzzParse(const uint8_t* data, size_t size, int form)
{
    // An exact-size copy, so that the sanitizers catch a read one byte past the end.
    const std::vector<char> buffer(data, data + size);
    CConfig config;
    if (config.Parse(buffer.data(), buffer.size(), form)) {
        CheckRewrite(config, form);
    }
}

void FuzzFile(const uint8_t* data, size_t size)
{
    CConfig config;
    if (ParseConfigFileBuffer(std::string(data, data + size), config)) {
        std::string bytes;
        Require(BuildConfigFileBuffer(config, false, bytes));
        CConfig again;
        if (SurvivesRewriting(config)) {
            Require(ParseConfigFileBuffer(bytes, again));
        }
    }
}

void FuzzInputList(const std::string& text, CQuietPrompt& prompt)
{
    const auto table = CInputFuncTable::Acquire();
    std::vector<tagInputFunc> functions;
    ReadInputFuncList(text, *table, functions);
    const std::string first = WriteInputFuncList(functions, *table);
    std::vector<tagInputFunc> again;
    prompt.messages = 0;
    ReadInputFuncList(first, *table, again);
    Require(prompt.messages == 0);
    Require(WriteInputFuncList(again, *table) == first);
}

void FuzzOutputList(const std::string& text, CQuietPrompt& prompt)
{
    const auto table = COutputCondTable::Acquire();
    std::vector<tagOutputCond> conditions;
    ReadOutputCondList(text, *table, conditions);
    const std::string first = WriteOutputCondList(conditions, *table);
    for (const tagOutputCond& condition : conditions) {
        if (condition.Keyword == kDcmUnknownKeyword) {
            return;  // written as a bare "Low(", which the reader reports again
        }
    }
    std::vector<tagOutputCond> again;
    prompt.messages = 0;
    ReadOutputCondList(first, *table, again);
    Require(prompt.messages == 0);
    Require(WriteOutputCondList(again, *table) == first);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    CQuietPrompt prompt;
    CScopedPrompt scoped(prompt);
    const uint8_t* rest = data + 1;
    const size_t rest_size = size - 1;
    switch (data[0] % 5) {
    case 0:
        FuzzParse(rest, rest_size, kConfigFileForm);
        break;
    case 1:
        FuzzParse(rest, rest_size, kConfigStoreForm);
        break;
    case 2:
        FuzzFile(rest, rest_size);
        break;
    case 3:
        FuzzInputList(std::string(rest, rest + rest_size), prompt);
        break;
    default:
        FuzzOutputList(std::string(rest, rest + rest_size), prompt);
        break;
    }
    return 0;
}
