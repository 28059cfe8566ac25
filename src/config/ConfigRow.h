// One row of the configuration editor's grids: an item as the engineer sees and edits it. The
// Name and Value columns hold the item's name and its value as text; the row record keeps what
// the text cannot carry (help, kind, fixed flag, bounds, allowed values, bytes, DCM entries), so
// that an item can be built back from the row when the configuration is saved or stored.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/ConfigItem.h"
#include "config/DcmLists.h"

struct tagRowRecord {
    std::string Help;
    EConfigItemKind RowKind = EConfigItemKind::String;
    bool Fixed = false;  // a fixed row cannot be edited

    // IntegerRange and FloatRange: the bounds.
    int32_t IntegerLow = 0;
    int32_t IntegerHigh = 0;
    float FloatLow = 0.0f;
    float FloatHigh = 0.0f;
    // IntegerList, FloatList, StringList: the allowed values, in order.
    std::vector<int32_t> IntegerValues;
    std::vector<float> FloatValues;
    std::vector<std::string> StringValues;
    // BinaryData: the bytes.
    std::vector<uint8_t> Data;
    // DcmInput and DcmOutput: the list text as the configuration stores it, and its entries.
    std::string DcmText;
    std::vector<tagInputFunc> Functions;
    std::vector<tagOutputCond> Conditions;
};

struct tagConfigRow {
    std::string Name;
    // The Value column: integers "%d", floats "%.2f", "TRUE"/"FALSE", strings as they are, the
    // DCM lists in their presentation, nothing for binary data.
    std::string Value;
    tagRowRecord Record;
};

// The row of an item. A list row shows the allowed value that equals the item's value (as the
// drop-down lists it), else the first allowed value. False (row untouched) for an item of a
// class of its own, which no row can hold.
bool MakeConfigRow(const CConfigItem& item, tagConfigRow& row);

// The item of a row, of the row's kind, with the page's item_class: integers and floats
// converted from the value text, booleans true for "TRUE", the rest from the row record.
std::unique_ptr<CConfigItem> MakeConfigItem(const tagConfigRow& row, int32_t item_class);

// The allowed values of a list row as the drop-down lists them; empty for other kinds.
std::vector<std::string> RowChoices(const tagConfigRow& row);

// A copy of item; null for a class of its own.
std::unique_ptr<CConfigItem> CloneConfigItem(const CConfigItem& item);
