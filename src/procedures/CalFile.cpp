#include "procedures/CalFile.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Format.h"
#include "platform/InputFile.h"
#include "platform/TextFile.h"

std::string CalFileText(const std::vector<std::string>& items)
{
    std::string text = std::string(kCalFileHeader) + "\r\n" + Format("%d", static_cast<int>(items.size())) + "\r\n";
    for (const std::string& item : items) text += item + "\r\n";
    return text;
}

namespace {

// The count line read the way a 32-bit strtoul reads it: blanks, a sign, the automatic base;
// a number beyond 32 bits gives the largest one.
uint32_t ReadCount(const std::string& line)
{
    size_t i = 0;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    const std::string digits = line.substr(i);
    if (digits.empty() || digits[0] == '+' || digits[0] == '-' || std::isspace(static_cast<unsigned char>(digits[0]))) {
        return 0;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(digits.c_str(), &end, 0);
    if (end == digits.c_str()) return 0;
    if (errno == ERANGE || value > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    const uint32_t count = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - count) : count;
}

// The system's reason in the middle of a sentence: "no such file or directory".
std::string Reason(int error)
{
    std::string reason = std::strerror(error);
    if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
    return reason;
}

}  // namespace

std::string tagCalFile::Item(uint32_t index) const
{
    return index >= 1 && index <= lines.size() ? lines[index - 1] : std::string();
}

tagCalFile ParseCalFile(const std::string& content)
{
    tagCalFile file;
    std::vector<std::string> lines = SplitLines(content);
    if (lines.size() >= 2) file.count = ReadCount(lines[1]);
    if (lines.size() > 2) file.lines.assign(lines.begin() + 2, lines.end());
    return file;
}

bool ReadCalFile(const std::string& path, std::string* content, std::string* error)
{
    content->clear();
    CInputFile file;
    if (file.Open(path) != ReadFileResult::Ok) {
        *error = Format("The file \"%s\" could not be opened: %s.", path.c_str(), file.ReasonText().c_str());
        return false;
    }
    content->reserve(static_cast<size_t>(file.Size()));
    char buffer[8192];
    for (;;) {
        const ssize_t n = file.Read(buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            content->clear();
            *error = Format("The file \"%s\" could not be read: %s.", path.c_str(), file.ReasonText().c_str());
            return false;
        }
        content->append(buffer, static_cast<size_t>(n));
    }
}

namespace {

bool WriteAll(int fd, const std::string& content)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The file a path names: a symbolic link's target, so that the link stays a link.
std::string TargetOf(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

}  // namespace

bool WriteCalFile(const std::string& path, const std::string& content, std::string* error)
{
    const std::string target = TargetOf(path);
    std::string temp;
    const int fd = CreateFileBeside(target, &temp);
    if (fd < 0) {
        *error = Format("The file \"%s\" could not be created: %s.", path.c_str(), Reason(errno).c_str());
        return false;
    }
    const bool written = WriteAll(fd, content) && fsync(fd) == 0;
    const int write_error = errno;
    const bool closed = close(fd) == 0;
    if (!written || !closed) {
        unlink(temp.c_str());
        *error = Format("The file \"%s\" could not be written: %s.", path.c_str(),
                        Reason(written ? errno : write_error).c_str());
        return false;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        const int rename_error = errno;
        unlink(temp.c_str());
        *error = Format("The file \"%s\" could not be created: %s.", path.c_str(), Reason(rename_error).c_str());
        return false;
    }
    return true;
}
