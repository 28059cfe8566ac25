// The subsystem configuration in memory: an ordered list of items that it owns, and its reader
// and writer of the configuration text.
//
// The text is a sequence of records, one per item:
//
//   [Name]
//   Class = 0
//   Fixed = 0
//   Help = "escaped help"
//   Type = 0
//   Value = 5
//   Range = 1..10
//
// each followed by an empty line, all lines ending in CR LF. The file form (.cfg files) starts
// with the header "Nemra configuration file" and an empty line and writes binary data as
// hexadecimal text; the store form (the image in the controller board's flash) has no header and
// writes binary data as raw bytes, each backslash and double quote preceded by a backslash.
//
// A CConfig holds references to the two shared DCM tables for as long as it lives; its reader
// names DCM entries from them. Not thread-safe: one thread at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/ConfigItem.h"
#include "config/DcmTables.h"

class CConfig {
public:
    CConfig();
    ~CConfig();
    CConfig(const CConfig&) = delete;
    CConfig& operator=(const CConfig&) = delete;

    // Reads the records of buffer[0 .. length-1] in form (kConfigFileForm or kConfigStoreForm)
    // and appends their items, in text order. Everything before the first "[" is ignored.
    // Problems are reported in message boxes through the process's prompt: range and list
    // warnings let the item be made; the errors fail the section and stop reading. Returns false
    // on such a failure; the items read before it stay in the list, and the caller discards the
    // whole configuration. The list is not emptied first. buffer need not end in NUL and is
    // never read outside its length.
    bool Parse(const char* buffer, size_t length, int form);

    // Replaces buffer with the header (file form only) and every item's record followed by an
    // empty line. Stops at the first item whose Write fails and returns false then.
    bool Write(int form, std::string& buffer) const;

    // Appends an item; the configuration owns it from now on. A null item is ignored.
    void Add(std::unique_ptr<CConfigItem> item);
    // Destroys every item.
    void RemoveAll();

    size_t GetCount() const { return items_.size(); }
    // The item at index, nullptr outside the list.
    const CConfigItem* GetAt(size_t index) const;

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    const CInputFuncTable& GetInputTable() const { return *input_table_; }
    const COutputCondTable& GetOutputTable() const { return *output_table_; }

private:
    std::vector<std::unique_ptr<CConfigItem>> items_;
    std::shared_ptr<const CInputFuncTable> input_table_;
    std::shared_ptr<const COutputCondTable> output_table_;
};

// Tests only: how many bytes the reader's plain scans may cover before it builds the buffer's
// index (0: build it at once); nothing restores the default of a few times the buffer's size.
void SetConfigScanBudgetForTesting(std::optional<size_t> budget);

// The 28 header bytes of the file form.
extern const char kConfigFileHeader[];
