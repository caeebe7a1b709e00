#include "platform/embedded/store/message_data.h"

namespace embedded {

std::string Utf8FromUtf16(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

std::u16string Utf16FromUtf8(const std::string& text) {
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int trail = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        std::uint32_t code = trail == 0   ? lead
                             : trail == 1 ? (lead & 0x1Fu)
                             : trail == 2 ? (lead & 0x0Fu)
                                          : (lead & 0x07u);
        if (trail < 0 || i + static_cast<std::size_t>(trail) >= text.size()) {
            // A stray byte stands for itself, as the replacement character.
            out += u'\uFFFD';
            ++i;
            continue;
        }
        for (int k = 1; k <= trail; ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        }
        i += static_cast<std::size_t>(trail) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

FILETIME FileTimeFromTicks(std::int64_t ticks) {
    const auto bits = static_cast<std::uint64_t>(ticks);
    return FILETIME{static_cast<DWORD>(bits & 0xFFFFFFFFu), static_cast<DWORD>(bits >> 32)};
}

std::int64_t TicksFromFileTime(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

FILETIME UtcFileTime(int year, int month, int day, int hour, int minute, int second) {
    // Days from 1601-01-01 by the proleptic Gregorian calendar (civil-from-days inverse).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int monthIndex = month + (month > 2 ? -3 : 9);
    const int dayOfYear = (153 * monthIndex + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t daysFrom1970 = static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
    const std::int64_t daysFrom1601 = daysFrom1970 + 134774;
    const std::int64_t seconds = daysFrom1601 * 86400 + hour * 3600 + minute * 60 + second;
    return FileTimeFromTicks(seconds * 10000000);
}

const std::string* ByteSource::Load() const {
    if (!loaded && !failed) {
        std::string bytes(static_cast<std::size_t>(Size()), '\0');
        if (ReadAt(0, bytes.data(), bytes.size())) {
            loaded = std::move(bytes);
        } else {
            failed = true;
        }
    }
    return loaded ? &*loaded : nullptr;
}

void PropertyBag::SetText(ULONG tag, const std::string& utf8) {
    PropertyValue value;
    value.tag = tag;
    if (PROP_TYPE(tag) == PT_UNICODE) {
        value.wide = Utf16FromUtf8(utf8);
    } else {
        value.tag = CHANGE_PROP_TYPE(tag, PT_STRING8);
        value.bytes = utf8;
    }
    Put(value);
}

void PropertyBag::SetLong(ULONG tag, LONG number) {
    PropertyValue value;
    value.tag = CHANGE_PROP_TYPE(tag, PT_LONG);
    value.number = number;
    Put(value);
}

void PropertyBag::SetBoolean(ULONG tag, bool flag) {
    PropertyValue value;
    value.tag = CHANGE_PROP_TYPE(tag, PT_BOOLEAN);
    value.number = flag ? 1 : 0;
    Put(value);
}

void PropertyBag::SetTime(ULONG tag, const FILETIME& time) {
    PropertyValue value;
    value.tag = CHANGE_PROP_TYPE(tag, PT_SYSTIME);
    value.number = TicksFromFileTime(time);
    Put(value);
}

void PropertyBag::SetBinary(ULONG tag, const std::string& bytes) {
    PropertyValue value;
    value.tag = CHANGE_PROP_TYPE(tag, PT_BINARY);
    value.bytes = bytes;
    Put(value);
}

void PropertyBag::Put(const PropertyValue& value) {
    values[PROP_ID(value.tag)] = value;
}

void PropertyBag::Remove(ULONG tag) {
    values.erase(PROP_ID(tag));
}

const PropertyValue* PropertyBag::Find(ULONG tag) const {
    auto it = values.find(PROP_ID(tag));
    return it == values.end() ? nullptr : &it->second;
}

PropertyValue* PropertyBag::Find(ULONG tag) {
    auto it = values.find(PROP_ID(tag));
    return it == values.end() ? nullptr : &it->second;
}

std::optional<std::string> PropertyBag::Text(ULONG tag) const {
    const PropertyValue* value = Find(tag);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (PROP_TYPE(value->tag) == PT_STRING8) {
        return value->bytes;
    }
    if (PROP_TYPE(value->tag) == PT_UNICODE) {
        return Utf8FromUtf16(value->wide);
    }
    return std::nullopt;
}

std::optional<LONG> PropertyBag::Long(ULONG tag) const {
    const PropertyValue* value = Find(tag);
    if (value == nullptr || PROP_TYPE(value->tag) != PT_LONG) {
        return std::nullopt;
    }
    return static_cast<LONG>(value->number);
}

std::optional<FILETIME> PropertyBag::Time(ULONG tag) const {
    const PropertyValue* value = Find(tag);
    if (value == nullptr || PROP_TYPE(value->tag) != PT_SYSTIME) {
        return std::nullopt;
    }
    return FileTimeFromTicks(value->number);
}

std::optional<std::string> PropertyBag::Binary(ULONG tag) const {
    const PropertyValue* value = Find(tag);
    if (value == nullptr || PROP_TYPE(value->tag) != PT_BINARY || value->Bytes() == nullptr) {
        return std::nullopt;
    }
    return *value->Bytes();
}

AttachmentData::AttachmentData() = default;
AttachmentData::AttachmentData(const AttachmentData& other)
    : PropertyBag(other),
      embedded(other.embedded ? std::make_unique<MessageData>(*other.embedded) : nullptr) {}
AttachmentData& AttachmentData::operator=(const AttachmentData& other) {
    if (this != &other) {
        PropertyBag::operator=(other);
        embedded = other.embedded ? std::make_unique<MessageData>(*other.embedded) : nullptr;
    }
    return *this;
}
AttachmentData::AttachmentData(AttachmentData&&) noexcept = default;
AttachmentData& AttachmentData::operator=(AttachmentData&&) noexcept = default;
AttachmentData::~AttachmentData() = default;

} // namespace embedded
