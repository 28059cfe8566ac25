// Reads arbitrary bytes with the configuration reader and with the reader it replaced (kept in
// tests/config as the reference) and aborts when they differ in result, items or messages. The
// first byte picks the form and whether the reader's index is used from the start.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <typeinfo>
#include <vector>

#include "ConfigReaderReference.h"
#include "config/Config.h"
#include "platform/Prompt.h"

namespace {

std::vector<std::string> Reading(const std::vector<char>& buffer, int form, bool reference)
{
    CRecordingPrompt prompt;
    CScopedPrompt scoped(prompt);
    CConfig config;
    const bool result = reference ? ReferenceParse(buffer.data(), buffer.size(), form, config)
                                  : config.Parse(buffer.data(), buffer.size(), form);
    std::vector<std::string> reading = prompt.Texts();
    reading.push_back(result ? "ok" : "failed");
    for (const auto& item : config) {
        const CConfigItem& held = *item;
        std::string text = std::string(typeid(held).name()) + "|" + std::to_string(item->GetClass()) + "|" +
                           (item->GetFixed() ? "1|" : "0|") + item->GetName() + "|" + item->GetHelp() + "|";
        item->Write(text, kConfigFileForm);
        item->Write(text, kConfigStoreForm);
        reading.push_back(text);
    }
    return reading;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const int form = (data[0] & 1) != 0 ? kConfigFileForm : kConfigStoreForm;
    SetConfigScanBudgetForTesting((data[0] & 2) != 0 ? std::optional<size_t>(0) : std::nullopt);
    const std::vector<char> buffer(data + 1, data + size);
    if (Reading(buffer, form, false) != Reading(buffer, form, true)) {
        std::abort();
    }
    return 0;
}
