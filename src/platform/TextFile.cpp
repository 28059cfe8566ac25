#include "platform/TextFile.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

ReadFileResult ReadWholeFile(const std::string& path, std::string& content, std::string* error_text)
{
    content.clear();
    CInputFile file;
    const ReadFileResult opened = file.Open(path);
    if (opened != ReadFileResult::Ok) {
        if (error_text != nullptr) {
            *error_text = file.ErrorText();
        }
        return opened;
    }
    content.reserve(static_cast<size_t>(file.Size()));
    char buffer[65536];
    for (;;) {
        const ssize_t n = file.Read(buffer, sizeof buffer);
        if (n == 0) {
            return ReadFileResult::Ok;
        }
        if (n < 0) {
            if (error_text != nullptr) {
                *error_text = file.ErrorText();
            }
            content.clear();
            content.shrink_to_fit();
            return ReadFileResult::Failed;
        }
        content.append(buffer, static_cast<size_t>(n));
    }
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        size_t stop = end;
        if (stop > start && text[stop - 1] == '\r') {
            --stop;
        }
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

namespace {

bool WriteAll(int fd, const std::string& content)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int CreateFileBeside(const std::string& path, std::string* temp_path)
{
    static std::atomic<unsigned> counter{0};
    int fd = -1;
    // O_EXCL, so that nothing already there is touched.
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        *temp_path = path + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = open(temp_path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return -1;
    }
    struct stat old {};
    if (stat(path.c_str(), &old) == 0) {
        fchmod(fd, old.st_mode & 07777);
    }
    return fd;
}

bool WriteFileAtomically(const std::string& path, const std::string& content)
{
    std::string temp;
    const int fd = CreateFileBeside(path, &temp);
    if (fd < 0) {
        return false;
    }
    const bool written = WriteAll(fd, content) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

bool CheckFileWritable(const std::string& path, std::string* error_text)
{
    const auto refuse = [&](const std::string& reason) {
        if (error_text != nullptr) {
            *error_text = "cannot write " + path + ": " + reason;
        }
        return false;
    };
    const auto reason_of = [](int error) {
        std::string reason = std::strerror(error);
        if (!reason.empty()) {
            reason[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(reason[0])));
        }
        return reason;
    };
    struct stat status {};
    if (path.empty()) {
        return refuse("no file name");
    }
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            return refuse("it is a folder");
        }
        if (!S_ISREG(status.st_mode)) {
            return refuse("it is not a regular file");
        }
    } else if (errno != ENOENT) {
        return refuse(reason_of(errno));
    }
    std::string probe = path + ".XXXXXX";
    const int fd = mkstemp(probe.data());
    if (fd < 0) {
        return refuse(reason_of(errno));
    }
    close(fd);
    unlink(probe.c_str());
    return true;
}
