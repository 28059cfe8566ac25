#include "config/ConfigItem.h"

#include "config/ConfigEscape.h"
#include "config/NumberText.h"
#include "platform/Format.h"

namespace {

// Builds "Range = " followed by each element and ", ", then cuts the last ", ". An empty list
// is written as "Range =", which reads back as an empty list; cutting two characters from
// "Range = " would leave "Range " without its "=", and the reader rejects the whole file then.
template <typename Elements, typename ElementText>
void WriteRangeList(std::string& out, const Elements& elements, ElementText element_text)
{
    std::string line = "Range = ";
    for (const auto& element : elements) {
        line += element_text(element);
        line += ", ";
    }
    line.resize(line.size() - 2);
    if (elements.empty()) {
        line = "Range =";
    }
    line += "\r\n";
    out += line;
}

void WriteHexData(std::string& out, const std::vector<uint8_t>& data)
{
    static const char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 16 == 0) {
            out += "\r\n";
        } else if (i % 8 == 0) {
            out += ' ';
        }
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0x0F];
        out += ' ';
    }
}

void WriteEscapedData(std::string& out, const std::vector<uint8_t>& data)
{
    for (const uint8_t byte : data) {
        if (byte == '\\' || byte == '"') {
            out += '\\';
        }
        out += static_cast<char>(byte);
    }
}

}  // namespace

CConfigItem::CConfigItem(std::string name, std::string help, int32_t item_class, bool fixed)
    : name_(std::move(name)), help_(std::move(help)), class_(item_class), fixed_(fixed)
{
}

CConfigItem::~CConfigItem() = default;

bool CConfigItem::Write(std::string& out, int) const
{
    // Only the editor's page classes are written; any other class is stored as 0.
    const int class_digit = class_ >= 0 && class_ <= 4 ? class_ : 0;
    out += '[';
    out += name_;
    out += "]\r\n";
    out += Format("Class = %d\r\nFixed = %d\r\n", class_digit, fixed_ ? 1 : 0);
    out += "Help = \"";
    out += EscapeConfigText(help_);
    out += "\"\r\n";
    return true;
}

CConfigItemInteger::CConfigItemInteger(std::string name, std::string help, int32_t item_class, bool fixed,
                                       int32_t value)
    : CConfigItem(std::move(name), std::move(help), item_class, fixed), value_(value)
{
}

bool CConfigItemInteger::Write(std::string& out, int form) const
{
    if (!CConfigItem::Write(out, form)) {
        return false;
    }
    out += Format("Type = 0\r\nValue = %d\r\n", static_cast<int>(value_));
    return true;
}

CConfigItemIntegerRange::CConfigItemIntegerRange(std::string name, std::string help, int32_t item_class,
                                                 bool fixed, int32_t value, int32_t low, int32_t high)
    : CConfigItemInteger(std::move(name), std::move(help), item_class, fixed, value), low_(low), high_(high)
{
}

bool CConfigItemIntegerRange::Write(std::string& out, int form) const
{
    if (!CConfigItemInteger::Write(out, form)) {
        return false;
    }
    out += Format("Range = %d..%d\r\n", static_cast<int>(low_), static_cast<int>(high_));
    return true;
}

CConfigItemIntegerList::CConfigItemIntegerList(std::string name, std::string help, int32_t item_class,
                                               bool fixed, int32_t value, const std::vector<int32_t>& allowed)
    : CConfigItemInteger(std::move(name), std::move(help), item_class, fixed, value), allowed_(allowed)
{
}

bool CConfigItemIntegerList::Write(std::string& out, int form) const
{
    if (!CConfigItemInteger::Write(out, form)) {
        return false;
    }
    WriteRangeList(out, allowed_, [](int32_t element) { return Format("%d", static_cast<int>(element)); });
    return true;
}

CConfigItemFloat::CConfigItemFloat(std::string name, std::string help, int32_t item_class, bool fixed,
                                   float value)
    : CConfigItem(std::move(name), std::move(help), item_class, fixed), value_(value)
{
}

bool CConfigItemFloat::Write(std::string& out, int form) const
{
    if (!CConfigItem::Write(out, form)) {
        return false;
    }
    out += "Type = 1\r\nValue = " + FormatFixed2(value_) + "\r\n";
    return true;
}

CConfigItemFloatRange::CConfigItemFloatRange(std::string name, std::string help, int32_t item_class,
                                             bool fixed, float value, float low, float high)
    : CConfigItemFloat(std::move(name), std::move(help), item_class, fixed, value), low_(low), high_(high)
{
}

bool CConfigItemFloatRange::Write(std::string& out, int form) const
{
    if (!CConfigItemFloat::Write(out, form)) {
        return false;
    }
    out += "Range = " + FormatFixed2(low_) + ".." + FormatFixed2(high_) + "\r\n";
    return true;
}

CConfigItemFloatList::CConfigItemFloatList(std::string name, std::string help, int32_t item_class,
                                           bool fixed, float value, const std::vector<float>& allowed)
    : CConfigItemFloat(std::move(name), std::move(help), item_class, fixed, value), allowed_(allowed)
{
}

bool CConfigItemFloatList::Write(std::string& out, int form) const
{
    if (!CConfigItemFloat::Write(out, form)) {
        return false;
    }
    WriteRangeList(out, allowed_, [](float element) { return FormatFixed2(element); });
    return true;
}

CConfigItemString::CConfigItemString(std::string name, std::string help, int32_t item_class, bool fixed,
                                     std::string value)
    : CConfigItem(std::move(name), std::move(help), item_class, fixed), value_(std::move(value))
{
}

bool CConfigItemString::Write(std::string& out, int form) const
{
    if (!CConfigItem::Write(out, form)) {
        return false;
    }
    out += "Type = 2\r\nValue = \"" + EscapeConfigText(value_) + "\"\r\n";
    return true;
}

CConfigItemStringList::CConfigItemStringList(std::string name, std::string help, int32_t item_class,
                                             bool fixed, std::string value,
                                             const std::vector<std::string>& allowed)
    : CConfigItemString(std::move(name), std::move(help), item_class, fixed, std::move(value)),
      allowed_(allowed)
{
}

const std::string& CConfigItemStringList::GetAt(size_t index) const
{
    static const std::string kEmpty;
    return index < allowed_.size() ? allowed_[index] : kEmpty;
}

bool CConfigItemStringList::Write(std::string& out, int form) const
{
    if (!CConfigItemString::Write(out, form)) {
        return false;
    }
    WriteRangeList(out, allowed_,
                   [](const std::string& element) { return "\"" + EscapeConfigText(element) + "\""; });
    return true;
}

CConfigItemBoolean::CConfigItemBoolean(std::string name, std::string help, int32_t item_class, bool fixed,
                                       int32_t value)
    : CConfigItem(std::move(name), std::move(help), item_class, fixed), value_(value)
{
}

bool CConfigItemBoolean::Write(std::string& out, int form) const
{
    if (!CConfigItem::Write(out, form)) {
        return false;
    }
    out += Format("Type = 3\r\nValue = %d\r\n", value_ != 0 ? 1 : 0);
    return true;
}

CConfigItemBinaryData::CConfigItemBinaryData(std::string name, std::string help, int32_t item_class,
                                             bool fixed, const uint8_t* data, int32_t length)
    : CConfigItem(std::move(name), std::move(help), item_class, fixed)
{
    if (data != nullptr && length > 0) {
        data_.assign(data, data + length);
    }
}

bool CConfigItemBinaryData::Write(std::string& out, int form) const
{
    if (!CConfigItem::Write(out, form)) {
        return false;
    }
    out += "Type = 4\r\nValue = \"";
    if (form == kConfigFileForm) {
        WriteHexData(out, data_);
    } else if (form == kConfigStoreForm) {
        WriteEscapedData(out, data_);
    }
    out += "\"\r\n";
    return true;
}

CConfigItemDcmInput::CConfigItemDcmInput(std::string name, std::string help, int32_t item_class, bool fixed,
                                         std::string text, const std::vector<tagInputFunc>& functions)
    : CConfigItem(std::move(name), std::move(help), item_class, fixed),
      text_(std::move(text)),
      functions_(functions),
      table_(CInputFuncTable::Acquire())
{
}

bool CConfigItemDcmInput::Write(std::string& out, int form) const
{
    if (!CConfigItem::Write(out, form)) {
        return false;
    }
    // Written as it stands: the list grammar has no quotes or backslashes of its own.
    out += "Type = 5\r\nValue = \"" + text_ + "\"\r\n";
    return true;
}

CConfigItemDcmOutput::CConfigItemDcmOutput(std::string name, std::string help, int32_t item_class,
                                           bool fixed, std::string text,
                                           const std::vector<tagOutputCond>& conditions)
    : CConfigItem(std::move(name), std::move(help), item_class, fixed),
      text_(std::move(text)),
      conditions_(conditions),
      table_(COutputCondTable::Acquire())
{
}

bool CConfigItemDcmOutput::Write(std::string& out, int form) const
{
    if (!CConfigItem::Write(out, form)) {
        return false;
    }
    out += "Type = 6\r\nValue = \"" + text_ + "\"\r\n";
    return true;
}

EConfigItemKind ConfigItemKind(const CConfigItem& item)
{
    if (dynamic_cast<const CConfigItemInteger*>(&item) != nullptr) {
        if (dynamic_cast<const CConfigItemIntegerRange*>(&item) != nullptr) {
            return EConfigItemKind::IntegerRange;
        }
        if (dynamic_cast<const CConfigItemIntegerList*>(&item) != nullptr) {
            return EConfigItemKind::IntegerList;
        }
        return EConfigItemKind::Integer;
    }
    if (dynamic_cast<const CConfigItemFloat*>(&item) != nullptr) {
        if (dynamic_cast<const CConfigItemFloatRange*>(&item) != nullptr) {
            return EConfigItemKind::FloatRange;
        }
        if (dynamic_cast<const CConfigItemFloatList*>(&item) != nullptr) {
            return EConfigItemKind::FloatList;
        }
        return EConfigItemKind::Float;
    }
    if (dynamic_cast<const CConfigItemString*>(&item) != nullptr) {
        if (dynamic_cast<const CConfigItemStringList*>(&item) != nullptr) {
            return EConfigItemKind::StringList;
        }
        return EConfigItemKind::String;
    }
    if (dynamic_cast<const CConfigItemBoolean*>(&item) != nullptr) {
        return EConfigItemKind::Boolean;
    }
    if (dynamic_cast<const CConfigItemBinaryData*>(&item) != nullptr) {
        return EConfigItemKind::BinaryData;
    }
    if (dynamic_cast<const CConfigItemDcmInput*>(&item) != nullptr) {
        return EConfigItemKind::DcmInput;
    }
    if (dynamic_cast<const CConfigItemDcmOutput*>(&item) != nullptr) {
        return EConfigItemKind::DcmOutput;
    }
    return EConfigItemKind::Unknown;
}

const char* ConfigItemKindName(EConfigItemKind kind)
{
    switch (kind) {
    case EConfigItemKind::Integer: return "Integer";
    case EConfigItemKind::Float: return "Float";
    case EConfigItemKind::String: return "String";
    case EConfigItemKind::Boolean: return "Boolean";
    case EConfigItemKind::IntegerList: return "IntegerList";
    case EConfigItemKind::FloatList: return "FloatList";
    case EConfigItemKind::StringList: return "StringList";
    case EConfigItemKind::IntegerRange: return "IntegerRange";
    case EConfigItemKind::FloatRange: return "FloatRange";
    case EConfigItemKind::BinaryData: return "BinaryData";
    case EConfigItemKind::DcmInput: return "DcmInput";
    case EConfigItemKind::DcmOutput: return "DcmOutput";
    case EConfigItemKind::Unknown: break;
    }
    return "Unknown";
}

int ConfigItemType(const CConfigItem& item)
{
    switch (ConfigItemKind(item)) {
    case EConfigItemKind::Integer:
    case EConfigItemKind::IntegerRange:
    case EConfigItemKind::IntegerList: return 0;
    case EConfigItemKind::Float:
    case EConfigItemKind::FloatRange:
    case EConfigItemKind::FloatList: return 1;
    case EConfigItemKind::String:
    case EConfigItemKind::StringList: return 2;
    case EConfigItemKind::Boolean: return 3;
    case EConfigItemKind::BinaryData: return 4;
    case EConfigItemKind::DcmInput: return 5;
    case EConfigItemKind::DcmOutput: return 6;
    case EConfigItemKind::Unknown: break;
    }
    return -1;
}

std::string ConfigItemValueText(const CConfigItem& item)
{
    if (const auto* integer = dynamic_cast<const CConfigItemInteger*>(&item)) {
        return Format("%d", static_cast<int>(integer->GetValue()));
    }
    if (const auto* real = dynamic_cast<const CConfigItemFloat*>(&item)) {
        return FormatFixed2(real->GetValue());
    }
    if (const auto* text = dynamic_cast<const CConfigItemString*>(&item)) {
        return text->GetValue();
    }
    if (const auto* boolean = dynamic_cast<const CConfigItemBoolean*>(&item)) {
        return boolean->IsTrue() ? "TRUE" : "FALSE";
    }
    if (const auto* input = dynamic_cast<const CConfigItemDcmInput*>(&item)) {
        return InputFuncListPresentation(input->GetFunctions(), input->GetTable());
    }
    if (const auto* output = dynamic_cast<const CConfigItemDcmOutput*>(&item)) {
        return OutputCondListPresentation(output->GetConditions(), output->GetTable());
    }
    return std::string();
}

std::vector<std::string> ConfigItemAllowedTexts(const CConfigItem& item)
{
    std::vector<std::string> texts;
    if (const auto* integers = dynamic_cast<const CConfigItemIntegerList*>(&item)) {
        for (const int32_t element : integers->GetValues()) {
            texts.push_back(Format("%d", static_cast<int>(element)));
        }
    } else if (const auto* floats = dynamic_cast<const CConfigItemFloatList*>(&item)) {
        for (const float element : floats->GetValues()) {
            texts.push_back(FormatFixed2(element));
        }
    } else if (const auto* strings = dynamic_cast<const CConfigItemStringList*>(&item)) {
        texts = strings->GetValues();
    }
    return texts;
}
