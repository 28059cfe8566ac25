#include "config/ConfigFile.h"

#include <cstring>

#include "platform/InputFile.h"
#include "platform/Prompt.h"

namespace {

const char kSignature[] = "Nemra";
constexpr size_t kSignatureLength = 5;

void Fail(const std::string& text)
{
    ShowMessage(text, PromptIcon::Error);
}

}  // namespace

void ScrambleConfigBuffer(std::string& bytes)
{
    if (bytes.empty()) {
        return;
    }
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(bytes[i] ^ bytes[i + 1]);
    }
    bytes.back() = static_cast<char>(bytes.back() ^ 0xFF);
}

void UnscrambleConfigBuffer(std::string& bytes)
{
    if (bytes.empty()) {
        return;
    }
    bytes.back() = static_cast<char>(bytes.back() ^ 0xFF);
    for (size_t i = bytes.size() - 1; i-- > 0;) {
        bytes[i] = static_cast<char>(bytes[i] ^ bytes[i + 1]);
    }
}

bool HasConfigSignature(const std::string& bytes)
{
    return bytes.compare(0, kSignatureLength, kSignature) == 0;
}

bool ParseConfigFileBuffer(std::string bytes, CConfig& config)
{
    UnscrambleConfigBuffer(bytes);
    if (!HasConfigSignature(bytes)) {
        Fail("File does not appear to be a valid configuration file!");
        return false;
    }
    return config.Parse(bytes.data(), bytes.size(), kConfigFileForm);
}

bool LoadConfigFile(const std::string& path, CConfig& config)
{
    // A FIFO or a device is refused at once, and nothing is allocated for a file beyond the size
    // any configuration can have.
    CInputFile file;
    if (file.Open(path) != ReadFileResult::Ok) {
        const std::string& why = file.RefusalText();
        Fail(why.empty() ? "Error opening file." : "Error opening file.\r\n" + why);
        return false;
    }
    if (file.Size() == 0) {
        Fail("File is empty!");
        return false;
    }
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = file.Read(bytes.data() + done, bytes.size() - done);
        if (got <= 0) {
            Fail("Error reading file!");
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return ParseConfigFileBuffer(std::move(bytes), config);
}

bool BuildConfigFileBuffer(const CConfig& config, bool ascii, std::string& bytes)
{
    if (!config.Write(kConfigFileForm, bytes)) {
        return false;
    }
    if (!ascii) {
        ScrambleConfigBuffer(bytes);
    }
    return true;
}

std::string DefaultConfigFileName(const std::string& cfg_name)
{
    static const char kUnsafe[] = "\"':?*$ \\/<>|";
    std::string name = cfg_name;
    for (char& c : name) {
        if (c != '\0' && std::strchr(kUnsafe, c) != nullptr) {
            c = '_';
        }
    }
    return name + ".cfg";
}

std::string WithConfigFileExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find('.', slash == std::string::npos ? 0 : slash + 1);
    return dot == std::string::npos ? path + ".cfg" : path;
}
