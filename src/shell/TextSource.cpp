#include "shell/TextSource.h"

#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Profile.h"

namespace {

constexpr size_t kLineBufferChars = 511;
const char kStringsFile[] = "ZOVtoolStrings.ini";

}  // namespace

std::shared_ptr<CTextSource> CTextSource::Acquire()
{
    static std::mutex lock;
    static std::weak_ptr<CTextSource> shared;
    std::lock_guard<std::mutex> guard(lock);
    std::shared_ptr<CTextSource> source = shared.lock();
    if (!source) {
        source = std::make_shared<CTextSource>(SupportFile(kStringsFile));
        shared = source;
    }
    return source;
}

CTextSource::CTextSource(std::string path) : path_(std::move(path)) {}

std::string CTextSource::GetText(const std::string& section, const std::string& key_prefix) const
{
    const CProfile profile = CProfile::Load(path_);
    std::string text;
    for (int n = 0;; ++n) {
        const std::string key = key_prefix + Format("_%02d", n);
        const std::string line = profile.GetString(section, key, "", kLineBufferChars);
        if (line.empty()) {
            break;
        }
        text += line == "<new-line>" ? "\r\n" : line;
    }
    return text;
}
