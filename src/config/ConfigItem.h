// The items of the subsystem configuration. Each item is an immutable value holder: a name
// (the section heading), a help text, a Class (the editor page it belongs to), a fixed flag and
// a typed value, for some kinds constrained by a bounded range or a list of allowed values.
//
// There is no type field: an item's kind is its dynamic class (ConfigItemKind below, or
// dynamic_cast, trying the range and list classes before the plain Integer, Float and String).
// Each class writes its own record of the configuration text through Write.
//
// Constructors copy what they are given (texts, allowed values, bytes, DCM entries); the caller
// keeps its own. The owner of items is CConfig.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/DcmLists.h"
#include "config/DcmTables.h"

// The form flag of the configuration text: the file form starts with a header and writes
// binary data as hexadecimal text; the store form (the flash image) writes raw, escaped bytes.
constexpr int kConfigStoreForm = 0;
constexpr int kConfigFileForm = 1;

class CConfigItem {
public:
    CConfigItem(std::string name, std::string help, int32_t item_class, bool fixed);
    virtual ~CConfigItem();

    // Appends the item's record to out (without the empty line that separates records) and
    // returns true. Derived classes add their lines after their base's, and only when the
    // base succeeded.
    virtual bool Write(std::string& out, int form) const;

    const std::string& GetName() const { return name_; }
    const std::string& GetHelp() const { return help_; }
    int32_t GetClass() const { return class_; }
    bool GetFixed() const { return fixed_; }

    CConfigItem(const CConfigItem&) = delete;
    CConfigItem& operator=(const CConfigItem&) = delete;

private:
    std::string name_;
    std::string help_;
    int32_t class_;
    bool fixed_;
};

class CConfigItemInteger : public CConfigItem {
public:
    CConfigItemInteger(std::string name, std::string help, int32_t item_class, bool fixed, int32_t value);
    bool Write(std::string& out, int form) const override;
    int32_t GetValue() const { return value_; }

private:
    int32_t value_;
};

class CConfigItemIntegerRange : public CConfigItemInteger {
public:
    CConfigItemIntegerRange(std::string name, std::string help, int32_t item_class, bool fixed,
                            int32_t value, int32_t low, int32_t high);
    bool Write(std::string& out, int form) const override;
    int32_t GetLow() const { return low_; }
    int32_t GetHigh() const { return high_; }

private:
    int32_t low_;
    int32_t high_;
};

class CConfigItemIntegerList : public CConfigItemInteger {
public:
    CConfigItemIntegerList(std::string name, std::string help, int32_t item_class, bool fixed,
                           int32_t value, const std::vector<int32_t>& allowed);
    bool Write(std::string& out, int form) const override;
    // The allowed values, in order; GetAt outside 0 .. GetSize()-1 gives 0.
    size_t GetSize() const { return allowed_.size(); }
    int32_t GetAt(size_t index) const { return index < allowed_.size() ? allowed_[index] : 0; }
    const std::vector<int32_t>& GetValues() const { return allowed_; }

private:
    std::vector<int32_t> allowed_;
};

class CConfigItemFloat : public CConfigItem {
public:
    CConfigItemFloat(std::string name, std::string help, int32_t item_class, bool fixed, float value);
    bool Write(std::string& out, int form) const override;
    float GetValue() const { return value_; }

private:
    float value_;
};

class CConfigItemFloatRange : public CConfigItemFloat {
public:
    CConfigItemFloatRange(std::string name, std::string help, int32_t item_class, bool fixed,
                          float value, float low, float high);
    bool Write(std::string& out, int form) const override;
    float GetLow() const { return low_; }
    float GetHigh() const { return high_; }

private:
    float low_;
    float high_;
};

class CConfigItemFloatList : public CConfigItemFloat {
public:
    CConfigItemFloatList(std::string name, std::string help, int32_t item_class, bool fixed,
                         float value, const std::vector<float>& allowed);
    bool Write(std::string& out, int form) const override;
    size_t GetSize() const { return allowed_.size(); }
    float GetAt(size_t index) const { return index < allowed_.size() ? allowed_[index] : 0.0f; }
    const std::vector<float>& GetValues() const { return allowed_; }

private:
    std::vector<float> allowed_;
};

class CConfigItemString : public CConfigItem {
public:
    CConfigItemString(std::string name, std::string help, int32_t item_class, bool fixed, std::string value);
    bool Write(std::string& out, int form) const override;
    const std::string& GetValue() const { return value_; }

private:
    std::string value_;
};

class CConfigItemStringList : public CConfigItemString {
public:
    CConfigItemStringList(std::string name, std::string help, int32_t item_class, bool fixed,
                          std::string value, const std::vector<std::string>& allowed);
    bool Write(std::string& out, int form) const override;
    size_t GetSize() const { return allowed_.size(); }
    // The allowed value at index; the empty text outside the list.
    const std::string& GetAt(size_t index) const;
    const std::vector<std::string>& GetValues() const { return allowed_; }

private:
    std::vector<std::string> allowed_;
};

class CConfigItemBoolean : public CConfigItem {
public:
    // Any nonzero value is true.
    CConfigItemBoolean(std::string name, std::string help, int32_t item_class, bool fixed, int32_t value);
    bool Write(std::string& out, int form) const override;
    int32_t GetValue() const { return value_; }
    bool IsTrue() const { return value_ != 0; }

private:
    int32_t value_;
};

class CConfigItemBinaryData : public CConfigItem {
public:
    // Copies length bytes from data; a null data or a negative length gives empty data.
    CConfigItemBinaryData(std::string name, std::string help, int32_t item_class, bool fixed,
                          const uint8_t* data, int32_t length);
    bool Write(std::string& out, int form) const override;
    // The bytes (nullptr when there are none) and their number.
    const uint8_t* GetData() const { return data_.empty() ? nullptr : data_.data(); }
    int32_t GetLength() const { return static_cast<int32_t>(data_.size()); }

private:
    std::vector<uint8_t> data_;
};

class CConfigItemDcmInput : public CConfigItem {
public:
    // text is the input-function list text as read; functions the entries read from it.
    CConfigItemDcmInput(std::string name, std::string help, int32_t item_class, bool fixed,
                        std::string text, const std::vector<tagInputFunc>& functions);
    bool Write(std::string& out, int form) const override;
    const std::string& GetText() const { return text_; }
    const std::vector<tagInputFunc>& GetFunctions() const { return functions_; }
    const CInputFuncTable& GetTable() const { return *table_; }

private:
    std::string text_;
    std::vector<tagInputFunc> functions_;
    std::shared_ptr<const CInputFuncTable> table_;
};

class CConfigItemDcmOutput : public CConfigItem {
public:
    CConfigItemDcmOutput(std::string name, std::string help, int32_t item_class, bool fixed,
                         std::string text, const std::vector<tagOutputCond>& conditions);
    bool Write(std::string& out, int form) const override;
    const std::string& GetText() const { return text_; }
    const std::vector<tagOutputCond>& GetConditions() const { return conditions_; }
    const COutputCondTable& GetTable() const { return *table_; }

private:
    std::string text_;
    std::vector<tagOutputCond> conditions_;
    std::shared_ptr<const COutputCondTable> table_;
};

// The item kinds in the numbering of the editor's rows; range and list classes are told apart
// from their plain base.
enum class EConfigItemKind : int {
    Integer = 0,
    Float = 1,
    String = 2,
    Boolean = 3,
    IntegerList = 4,
    FloatList = 5,
    StringList = 6,
    IntegerRange = 7,
    FloatRange = 8,
    BinaryData = 9,
    DcmInput = 10,
    DcmOutput = 11,
    Unknown = -1,  // a class of its own, not one of the twelve
};

EConfigItemKind ConfigItemKind(const CConfigItem& item);

// "IntegerRange", "DcmInput", ...
const char* ConfigItemKindName(EConfigItemKind kind);

// The Type number the item is written with (0 to 6), -1 for an unknown class.
int ConfigItemType(const CConfigItem& item);

// The value as the configuration page shows it in its grid: integers "%d", floats "%.2f",
// booleans "TRUE" or "FALSE", strings as they are, DCM lists in their presentation joined by
// "; ", and nothing for binary data (the page shows buttons there).
std::string ConfigItemValueText(const CConfigItem& item);

// The allowed values of a list item as the page's drop-down lists them ("%d", "%.2f" or the
// texts); empty for every other kind.
std::vector<std::string> ConfigItemAllowedTexts(const CConfigItem& item);
