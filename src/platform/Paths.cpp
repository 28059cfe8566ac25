#include "platform/Paths.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

std::string ExecutableDir()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return ".";
    }
    std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsDirectory(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string SupportDir()
{
    const char* env = std::getenv("ZOVTOOL_SUPPORT_DIR");
    if (env != nullptr && env[0] != '\0') {
        return env;
    }
    const std::string exe = ExecutableDir();
    const std::string beside = exe + "/ZOVtoolSupportFiles";
    if (IsDirectory(beside)) {
        return beside;
    }
    const std::string shared = exe + "/../share/zovtool/ZOVtoolSupportFiles";
    if (IsDirectory(shared)) {
        return shared;
    }
    return beside;
}

std::string SupportFile(const std::string& name)
{
    return SupportDir() + "/" + name;
}

std::string UserGuidePath()
{
    std::string folder = ExecutableDir();
    // bin/../share: the parent of the program's folder, without a "..", for messages.
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string("..") : folder.substr(0, slash);
    return folder + "/share/doc/zovtool/user-guide.html";
}

std::string TempDir()
{
    const char* env = std::getenv("TMPDIR");
    if (env != nullptr && env[0] != '\0') {
        std::string dir = env;
        while (dir.size() > 1 && dir.back() == '/') {
            dir.pop_back();
        }
        return dir;
    }
    return "/tmp";
}
