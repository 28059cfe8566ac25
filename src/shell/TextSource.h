// The shared source of the multi-line texts in the strings file (ZOVtoolStrings.ini in the support
// folder). The first user creates it, every user holds a reference for as long as it needs texts,
// and the last reference deletes it.
//
// A text is stored as numbered keys in a section, one line per key: PREFIX_00, PREFIX_01, ...;
// a key whose value is "<new-line>" stands for a line break ("\r\n"); the first empty or missing
// key ends the text. A line holds at most 510 characters.
#pragma once

#include <memory>
#include <mutex>
#include <string>

class CTextSource {
public:
    // A reference to the shared source over the support folder's strings file. Any thread.
    static std::shared_ptr<CTextSource> Acquire();

    // A source over another strings file (tests, or a strings file chosen by the engineer).
    explicit CTextSource(std::string path);

    // The text stored under prefix in section; empty when its first key is missing. The file is
    // read afresh on each call, so an edited strings file is seen at once. Any thread.
    std::string GetText(const std::string& section, const std::string& key_prefix) const;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
