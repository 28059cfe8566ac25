#include "gui/widgets/DataViewerText.h"

#include "platform/Format.h"

namespace {

constexpr size_t kBytesPerLine = 16;
constexpr size_t kHalfLine = 8;

void AppendGroup(std::string& text, const uint8_t* group, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        text += Format("%02X ", group[i]);
        if (i == kHalfLine - 1) {
            text += ' ';
        }
    }
    for (size_t i = count; i < kBytesPerLine; ++i) {
        text += "   ";
    }
    text += "- ";
    for (size_t i = 0; i < count; ++i) {
        text += DataViewerChar(group[i]);
        if (i == kHalfLine - 1 && count > kHalfLine) {
            text += ' ';
        }
    }
}

}  // namespace

char DataViewerChar(uint8_t byte)
{
    if (byte < 32 || byte == 127 || (byte >= 177 && byte <= 223) || byte == 255) {
        return '.';
    }
    return static_cast<char>(byte);
}

std::string FormatDataViewerText(const uint8_t* data, size_t size)
{
    std::string text;
    if (data == nullptr) {
        return text;
    }
    size_t offset = 0;
    for (; offset + kBytesPerLine <= size; offset += kBytesPerLine) {
        AppendGroup(text, data + offset, kBytesPerLine);
        text += "\r\n";
    }
    if (offset < size) {
        AppendGroup(text, data + offset, size - offset);
    }
    return text;
}
