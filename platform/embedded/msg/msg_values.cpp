#include "platform/embedded/msg/msg_values.h"

#include "platform/embedded/text/code_pages.h"

#include <cstring>

namespace embedded {
namespace {

std::uint64_t GetLittle(const std::uint8_t* data, std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        value |= static_cast<std::uint64_t>(data[i]) << (8 * i);
    }
    return value;
}

void PutLittle(std::uint64_t value, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// Without the terminating nulls of `width` bytes each that some writers store.
std::string TrimTrailingNuls(const std::string& text, std::size_t width) {
    std::size_t end = text.size() - text.size() % width;
    while (end >= width && text.find_first_not_of('\0', end - width) >= end) {
        end -= width;
    }
    return text.substr(0, end);
}

std::size_t LengthEntrySize(ULONG type) {
    // A binary's entry has four reserved bytes after its length.
    return (type & ~MV_FLAG) == PT_BINARY ? 8 : 4;
}

} // namespace

std::size_t MsgFixedValueSize(ULONG type) {
    switch (type) {
    case PT_I2:
    case PT_BOOLEAN:
        return 2;
    case PT_LONG:
    case PT_FLOAT:
        return 4;
    case PT_DOUBLE:
    case PT_CURRENCY:
    case PT_APPTIME:
    case PT_I8:
    case PT_SYSTIME:
        return 8;
    case PT_CLSID:
        return 16;
    default:
        return 0;
    }
}

void DecodeMsgFixedValue(ULONG type, const std::uint8_t* data, PropertyValue& value) {
    switch (type) {
    case PT_I2:
        value.number = static_cast<SHORT>(GetLittle(data, 2));
        break;
    case PT_BOOLEAN:
        value.number = GetLittle(data, 2) != 0;
        break;
    case PT_LONG:
        value.number = static_cast<LONG>(GetLittle(data, 4));
        break;
    case PT_FLOAT: {
        const auto bits = static_cast<std::uint32_t>(GetLittle(data, 4));
        float number = 0;
        std::memcpy(&number, &bits, sizeof number);
        value.real = number;
        break;
    }
    case PT_DOUBLE:
    case PT_APPTIME: {
        const std::uint64_t bits = GetLittle(data, 8);
        std::memcpy(&value.real, &bits, sizeof value.real);
        break;
    }
    case PT_CURRENCY:
    case PT_I8:
    case PT_SYSTIME:
        value.number = static_cast<std::int64_t>(GetLittle(data, 8));
        break;
    case PT_CLSID:
        value.bytes.assign(reinterpret_cast<const char*>(data), 16);
        break;
    default:
        break;
    }
}

void EncodeMsgFixedValue(const PropertyValue& value, ULONG type, std::uint8_t* out) {
    const std::size_t size = MsgFixedValueSize(type);
    std::memset(out, 0, size);
    switch (type) {
    case PT_I2:
        PutLittle(static_cast<std::uint64_t>(value.number), 2, out);
        break;
    case PT_BOOLEAN:
        PutLittle(value.number != 0 ? 1 : 0, 2, out);
        break;
    case PT_LONG:
        PutLittle(static_cast<std::uint64_t>(value.number), 4, out);
        break;
    case PT_FLOAT: {
        const auto number = static_cast<float>(value.real);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &number, sizeof bits);
        PutLittle(bits, 4, out);
        break;
    }
    case PT_DOUBLE:
    case PT_APPTIME: {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value.real, sizeof bits);
        PutLittle(bits, 8, out);
        break;
    }
    case PT_CURRENCY:
    case PT_I8:
    case PT_SYSTIME:
        PutLittle(static_cast<std::uint64_t>(value.number), 8, out);
        break;
    case PT_CLSID:
        // A value of another size is no CLSID; it is written as zeros.
        if (value.bytes.size() == 16) {
            std::memcpy(out, value.bytes.data(), 16);
        }
        break;
    default:
        break;
    }
}

std::u16string DecodeMsgWideText(const std::string& content) {
    std::string even = content.substr(0, content.size() & ~std::size_t{1});
    even = TrimTrailingNuls(even, 2);
    std::u16string wide(even.size() / 2, u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(even[2 * i]) |
                                        (static_cast<unsigned char>(even[2 * i + 1]) << 8));
    }
    return wide;
}

std::string DecodeMsgNarrowText(const std::string& content, std::uint32_t codePage) {
    const std::string trimmed = TrimTrailingNuls(content, 1);
    std::optional<std::string> text = DecodeToUtf8(trimmed, codePage);
    if (!text) {
        text = DecodeToUtf8(trimmed, kWesternCodePage);
    }
    return text.value_or(trimmed);
}

std::string EncodeMsgWideText(const PropertyValue& text, ULONG type) {
    const std::u16string wide = type == PT_UNICODE ? text.wide : Utf16FromUtf8(text.bytes);
    std::string bytes;
    bytes.reserve(wide.size() * 2);
    for (char16_t unit : wide) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

bool IsMsgFixedArrayType(ULONG type) {
    switch (type) {
    case PT_MV_I2:
    case PT_MV_LONG:
    case PT_MV_FLOAT:
    case PT_MV_DOUBLE:
    case PT_MV_CURRENCY:
    case PT_MV_APPTIME:
    case PT_MV_SYSTIME:
    case PT_MV_I8:
    case PT_MV_CLSID:
        return true;
    default:
        return false;
    }
}

std::optional<std::vector<PropertyValue>> DecodeMsgFixedArray(ULONG tag,
                                                              const std::string& content) {
    const ULONG type = PROP_TYPE(tag) & ~MV_FLAG;
    const std::size_t size = MsgFixedValueSize(type);
    if (!IsMsgFixedArrayType(PROP_TYPE(tag)) || content.size() % size != 0) {
        return std::nullopt;
    }
    std::vector<PropertyValue> items(content.size() / size);
    const auto* data = reinterpret_cast<const std::uint8_t*>(content.data());
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].tag = CHANGE_PROP_TYPE(tag, type);
        DecodeMsgFixedValue(type, data + i * size, items[i]);
    }
    return items;
}

std::string EncodeMsgFixedArray(const PropertyValue& value) {
    const ULONG type = PROP_TYPE(value.tag) & ~MV_FLAG;
    const std::size_t size = MsgFixedValueSize(type);
    std::string content(value.items.size() * size, '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(content.data());
    for (std::size_t i = 0; i < value.items.size(); ++i) {
        EncodeMsgFixedValue(value.items[i], type, out + i * size);
    }
    return content;
}

bool IsMsgValueListType(ULONG type) {
    return type == PT_MV_STRING8 || type == PT_MV_UNICODE || type == PT_MV_BINARY;
}

std::optional<std::vector<std::uint32_t>> DecodeMsgLengths(ULONG type, const std::string& lengths) {
    const std::size_t entry = LengthEntrySize(type);
    if (lengths.size() % entry != 0) {
        return std::nullopt;
    }
    std::vector<std::uint32_t> list(lengths.size() / entry);
    const auto* data = reinterpret_cast<const std::uint8_t*>(lengths.data());
    for (std::size_t i = 0; i < list.size(); ++i) {
        list[i] = static_cast<std::uint32_t>(GetLittle(data + i * entry, 4));
    }
    return list;
}

std::string EncodeMsgLengths(ULONG type, const std::vector<std::uint32_t>& lengths) {
    const std::size_t entry = LengthEntrySize(type);
    std::string content(lengths.size() * entry, '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(content.data());
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        PutLittle(lengths[i], 4, out + i * entry);
    }
    return content;
}

} // namespace embedded
