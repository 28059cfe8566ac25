// The configuration reader against the reader it replaced, kept as the reference: the samples,
// the fuzz corpus, mutations of both, and the crafted layouts that made the old reader quadratic
// must read exactly alike (result, items, messages), both with the plain scans and with the
// index that takes over when the scans grow long.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "ConfigReaderReference.h"
#include "TestSupport.h"
#include "config/Config.h"
#include "platform/Format.h"
#include "platform/Prompt.h"

namespace {

// Everything a buffer reads as.
struct tagReading {
    bool result = false;
    std::vector<std::string> messages;
    std::vector<std::string> items;  // type, name, help, class, fixed and both written forms

    bool operator==(const tagReading&) const = default;
};

std::string Describe(const CConfigItem& item)
{
    std::string file_form;
    std::string store_form;
    item.Write(file_form, kConfigFileForm);
    item.Write(store_form, kConfigStoreForm);
    return Format("%s|%d|%d|", typeid(item).name(), static_cast<int>(item.GetClass()), item.GetFixed() ? 1 : 0) +
           item.GetName() + "|" + item.GetHelp() + "|" + file_form + "|" + store_form;
}

template <typename Parse>
tagReading Read(const std::string& buffer, int form, Parse parse)
{
    CRecordingPrompt prompt;
    CScopedPrompt scoped(prompt);
    CConfig config;
    tagReading reading;
    reading.result = parse(buffer, form, config);
    reading.messages = prompt.Texts();
    for (const auto& item : config) {
        reading.items.push_back(Describe(*item));
    }
    return reading;
}

tagReading ReadNew(const std::string& buffer, int form)
{
    return Read(buffer, form, [](const std::string& text, int f, CConfig& config) {
        return config.Parse(text.data(), text.size(), f);
    });
}

tagReading ReadOld(const std::string& buffer, int form)
{
    return Read(buffer, form, [](const std::string& text, int f, CConfig& config) {
        return ReferenceParse(text.data(), text.size(), f, config);
    });
}

class ConfigReaderCompareTest : public testing::Test {
protected:
    ~ConfigReaderCompareTest() override { SetConfigScanBudgetForTesting(std::nullopt); }

    // Compares both readers on buffer in both forms, with the default budget and with the
    // index from the start. False (after saying where) on the first difference.
    static bool Same(const std::string& buffer, const std::string& what)
    {
        for (const int form : {kConfigFileForm, kConfigStoreForm}) {
            const tagReading old_reading = ReadOld(buffer, form);
            for (const std::optional<size_t> budget : {std::optional<size_t>(), std::optional<size_t>(0)}) {
                SetConfigScanBudgetForTesting(budget);
                const tagReading new_reading = ReadNew(buffer, form);
                SetConfigScanBudgetForTesting(std::nullopt);
                if (!(new_reading == old_reading)) {
                    ADD_FAILURE() << what << " reads differently (form " << form << (budget ? ", index" : "")
                                  << "): result " << new_reading.result << " / " << old_reading.result << ", "
                                  << new_reading.items.size() << " / " << old_reading.items.size() << " items, "
                                  << new_reading.messages.size() << " / " << old_reading.messages.size()
                                  << " messages";
                    return false;
                }
            }
        }
        return true;
    }

    static std::vector<std::string> Seeds()
    {
        std::vector<std::string> seeds;
        for (const char* folder : {ZOV_CONFIG_SAMPLES, ZOV_CONFIG_CORPUS}) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
                if (entry.is_regular_file()) {
                    seeds.push_back(ReadFileText(entry.path().string()));
                }
            }
        }
        return seeds;
    }
};

// Bytes that steer the reader: quotes, escapes, headings, keys and their parts.
const char* const kPieces[] = {"\"", "\\", "[", "]", "=", "..", ",", "\r\n", " ", "Class", "Type", "Help",
                               "Fixed", "Value", "Range", "\\\"", "0x", "7", "-"};

std::string Mutate(std::string text, std::mt19937& random)
{
    const int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
        const size_t at = text.empty() ? 0 : random() % (text.size() + 1);
        switch (random() % 4) {
        case 0:
            text.insert(at, kPieces[random() % std::size(kPieces)]);
            break;
        case 1:
            if (at < text.size()) {
                text.erase(at, 1 + random() % 8);
            }
            break;
        case 2:
            if (at < text.size()) {
                text[at] = static_cast<char>(random() % 256);
            }
            break;
        default:
            if (!text.empty()) {
                // A copy of a piece elsewhere: records and keys out of their places.
                const size_t from = random() % text.size();
                text.insert(at, text.substr(from, 1 + random() % 64));
            }
            break;
        }
    }
    return text;
}

// The layouts of the benchmark, small: quotes in every heading and after every record's keys;
// all records on one line; a quote that is never closed.
std::vector<std::string> Crafted()
{
    std::string quotes;
    std::string line;
    std::string floats;
    for (int n = 0; n < 300; ++n) {
        quotes += Format("[n%d\"]\r\nClass = 0\r\nType = 0\r\nHelp = 0\r\nValue = %d\r\n\"\r\n", n, n);
        line += Format("[Item %d]Class = 0 Fixed = 0 Help = \"h\" Type = 0 Value = %d ", n, n);
        floats += Format("[F%d]Class=1 Type=1 Help=\"x\" Value=%d.5 Range=0.5, %d.5, 1e3 ", n, n, n);
    }
    return {quotes, line, floats, quotes + "[last]\r\nClass = 0\r\nHelp = \"open\r\n", "Nemra\r\n[a\"]" + line};
}

}  // namespace

TEST_F(ConfigReaderCompareTest, SamplesAndCorpusReadAsBefore)
{
    const std::vector<std::string> seeds = Seeds();
    ASSERT_GE(seeds.size(), 5u);
    for (size_t i = 0; i < seeds.size(); ++i) {
        ASSERT_TRUE(Same(seeds[i], Format("seed %zu", i)));
    }
}

TEST_F(ConfigReaderCompareTest, CraftedLayoutsReadAsBefore)
{
    const std::vector<std::string> crafted = Crafted();
    for (size_t i = 0; i < crafted.size(); ++i) {
        ASSERT_TRUE(Same(crafted[i], Format("crafted text %zu", i)));
    }
    // The first layout reads as many items as it has records.
    EXPECT_EQ(ReadNew(crafted[0], kConfigFileForm).items.size(), 300u);
}

TEST_F(ConfigReaderCompareTest, MutationsReadAsBefore)
{
    std::vector<std::string> seeds = Seeds();
    for (const std::string& text : Crafted()) {
        seeds.push_back(text.substr(0, 3000));
    }
    std::mt19937 random(20240611);
    int differences = 0;
    for (int n = 0; n < 4000 && differences == 0; ++n) {
        const std::string& seed = seeds[random() % seeds.size()];
        differences += Same(Mutate(seed, random), Format("mutation %d", n)) ? 0 : 1;
    }
    EXPECT_EQ(differences, 0);
}
