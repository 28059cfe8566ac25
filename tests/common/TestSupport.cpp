#include "TestSupport.h"

#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Paths.h"
#include "platform/Settings.h"

CTempFolder::CTempFolder()
{
    std::string pattern = TempDir() + "/zovtest.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    path_ = pattern;
}

CTempFolder::~CTempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string CTempFolder::File(const std::string& name) const
{
    return path_ + "/" + name;
}

std::string CTempFolder::Write(const std::string& name, const std::string& content) const
{
    const std::string path = File(name);
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path;
}

CScopedSettingsFile::CScopedSettingsFile() : path_(folder_.File("settings.reg"))
{
    CSettingsStore::SetFile(path_);
}

CScopedSettingsFile::~CScopedSettingsFile()
{
    CSettingsStore::SetFile("");
}

std::string ReadFileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string TestDataDir()
{
    const char* env = std::getenv("ZOV_TEST_DATA");
    return env != nullptr ? env : ZOV_SOURCE_TEST_DATA;
}

std::vector<std::string> FolderEntries(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(dir);
    }
    return names;
}
