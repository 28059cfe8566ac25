#include "config/ConfigRow.h"

#include <algorithm>

#include "config/NumberText.h"
#include "platform/Format.h"

namespace {

std::string IntegerText(int32_t value)
{
    return Format("%d", static_cast<int>(value));
}

// The allowed value the drop-down preselects: the one whose text equals the value's text (so a
// float that only differs beyond the two decimals shown still finds its element), else the first.
std::string ListChoice(const std::vector<std::string>& choices, const std::string& value)
{
    if (choices.empty() || std::find(choices.begin(), choices.end(), value) != choices.end()) {
        return value;
    }
    return choices.front();
}

void TakeCommon(const CConfigItem& item, EConfigItemKind kind, tagConfigRow& row)
{
    row = tagConfigRow{};
    row.Name = item.GetName();
    row.Record.Help = item.GetHelp();
    row.Record.Fixed = item.GetFixed();
    row.Record.RowKind = kind;
    row.Value = ConfigItemValueText(item);
}

}  // namespace

bool MakeConfigRow(const CConfigItem& item, tagConfigRow& row)
{
    const EConfigItemKind kind = ConfigItemKind(item);
    if (kind == EConfigItemKind::Unknown) {
        return false;
    }
    TakeCommon(item, kind, row);
    tagRowRecord& record = row.Record;
    if (const auto* range = dynamic_cast<const CConfigItemIntegerRange*>(&item)) {
        record.IntegerLow = range->GetLow();
        record.IntegerHigh = range->GetHigh();
    } else if (const auto* range = dynamic_cast<const CConfigItemFloatRange*>(&item)) {
        record.FloatLow = range->GetLow();
        record.FloatHigh = range->GetHigh();
    } else if (const auto* list = dynamic_cast<const CConfigItemIntegerList*>(&item)) {
        record.IntegerValues = list->GetValues();
    } else if (const auto* list = dynamic_cast<const CConfigItemFloatList*>(&item)) {
        record.FloatValues = list->GetValues();
    } else if (const auto* list = dynamic_cast<const CConfigItemStringList*>(&item)) {
        record.StringValues = list->GetValues();
    } else if (const auto* binary = dynamic_cast<const CConfigItemBinaryData*>(&item)) {
        record.Data.assign(binary->GetData(), binary->GetData() + binary->GetLength());
    } else if (const auto* input = dynamic_cast<const CConfigItemDcmInput*>(&item)) {
        record.DcmText = input->GetText();
        record.Functions = input->GetFunctions();
    } else if (const auto* output = dynamic_cast<const CConfigItemDcmOutput*>(&item)) {
        record.DcmText = output->GetText();
        record.Conditions = output->GetConditions();
    }
    if (kind == EConfigItemKind::IntegerList || kind == EConfigItemKind::FloatList ||
        kind == EConfigItemKind::StringList) {
        row.Value = ListChoice(RowChoices(row), row.Value);
    }
    return true;
}

std::vector<std::string> RowChoices(const tagConfigRow& row)
{
    std::vector<std::string> choices;
    switch (row.Record.RowKind) {
    case EConfigItemKind::IntegerList:
        for (const int32_t value : row.Record.IntegerValues) {
            choices.push_back(IntegerText(value));
        }
        break;
    case EConfigItemKind::FloatList:
        for (const float value : row.Record.FloatValues) {
            choices.push_back(FormatFixed2(value));
        }
        break;
    case EConfigItemKind::StringList: choices = row.Record.StringValues; break;
    default: break;
    }
    return choices;
}

std::unique_ptr<CConfigItem> MakeConfigItem(const tagConfigRow& row, int32_t item_class)
{
    const tagRowRecord& record = row.Record;
    const std::string& name = row.Name;
    const std::string& help = record.Help;
    const bool fixed = record.Fixed;
    const int32_t integer = DecimalToInt32(row.Value);
    const float real = DoubleToFloat(DecimalToDouble(row.Value));
    switch (record.RowKind) {
    case EConfigItemKind::Integer:
        return std::make_unique<CConfigItemInteger>(name, help, item_class, fixed, integer);
    case EConfigItemKind::IntegerRange:
        return std::make_unique<CConfigItemIntegerRange>(name, help, item_class, fixed, integer, record.IntegerLow,
                                                         record.IntegerHigh);
    case EConfigItemKind::IntegerList:
        return std::make_unique<CConfigItemIntegerList>(name, help, item_class, fixed, integer, record.IntegerValues);
    case EConfigItemKind::Float:
        return std::make_unique<CConfigItemFloat>(name, help, item_class, fixed, real);
    case EConfigItemKind::FloatRange:
        return std::make_unique<CConfigItemFloatRange>(name, help, item_class, fixed, real, record.FloatLow,
                                                       record.FloatHigh);
    case EConfigItemKind::FloatList:
        return std::make_unique<CConfigItemFloatList>(name, help, item_class, fixed, real, record.FloatValues);
    case EConfigItemKind::String:
        return std::make_unique<CConfigItemString>(name, help, item_class, fixed, row.Value);
    case EConfigItemKind::StringList:
        return std::make_unique<CConfigItemStringList>(name, help, item_class, fixed, row.Value, record.StringValues);
    case EConfigItemKind::Boolean:
        return std::make_unique<CConfigItemBoolean>(name, help, item_class, fixed, row.Value == "TRUE" ? 1 : 0);
    case EConfigItemKind::BinaryData:
        return std::make_unique<CConfigItemBinaryData>(name, help, item_class, fixed, record.Data.data(),
                                                       static_cast<int32_t>(record.Data.size()));
    case EConfigItemKind::DcmInput:
        return std::make_unique<CConfigItemDcmInput>(name, help, item_class, fixed, record.DcmText, record.Functions);
    case EConfigItemKind::DcmOutput:
        return std::make_unique<CConfigItemDcmOutput>(name, help, item_class, fixed, record.DcmText,
                                                      record.Conditions);
    case EConfigItemKind::Unknown: break;
    }
    return nullptr;
}

std::unique_ptr<CConfigItem> CloneConfigItem(const CConfigItem& item)
{
    // Through a row, but with the item's own value: a list row shows a valid choice instead.
    tagConfigRow row;
    if (!MakeConfigRow(item, row)) {
        return nullptr;
    }
    row.Value = ConfigItemValueText(item);
    if (const auto* real = dynamic_cast<const CConfigItemFloat*>(&item)) {
        // The value text has two decimals only; keep the float itself.
        const std::string& name = item.GetName();
        const std::string& help = item.GetHelp();
        if (const auto* range = dynamic_cast<const CConfigItemFloatRange*>(&item)) {
            return std::make_unique<CConfigItemFloatRange>(name, help, item.GetClass(), item.GetFixed(),
                                                           real->GetValue(), range->GetLow(), range->GetHigh());
        }
        if (const auto* list = dynamic_cast<const CConfigItemFloatList*>(&item)) {
            return std::make_unique<CConfigItemFloatList>(name, help, item.GetClass(), item.GetFixed(),
                                                          real->GetValue(), list->GetValues());
        }
        return std::make_unique<CConfigItemFloat>(name, help, item.GetClass(), item.GetFixed(), real->GetValue());
    }
    return MakeConfigItem(row, item.GetClass());
}
