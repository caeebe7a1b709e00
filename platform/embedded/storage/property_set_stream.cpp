#include "platform/embedded/storage/property_set_stream.h"

#include <algorithm>

namespace embedded {
namespace {

constexpr std::size_t kHeaderSize = 28;
constexpr std::size_t kSectionEntrySize = 20;
// Far beyond any real section; keeps a damaged count from making us allocate for it.
constexpr std::uint32_t kMaxProperties = 100000;

std::uint16_t Get16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
}

std::uint32_t Get32(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) | (static_cast<std::uint32_t>(data[at + 1]) << 8) |
           (static_cast<std::uint32_t>(data[at + 2]) << 16) |
           (static_cast<std::uint32_t>(data[at + 3]) << 24);
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void Set32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void PadTo4(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

ClassId GetClassId(std::span<const std::uint8_t> data, std::size_t at) {
    ClassId id{};
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(at), id.size(), id.begin());
    return id;
}

std::optional<PropertySection> ParseSection(std::span<const std::uint8_t> data,
                                            const ClassId& formatId, std::size_t start) {
    if (start > data.size() || data.size() - start < 8) {
        return std::nullopt;
    }
    const std::uint32_t size = Get32(data, start);
    const std::uint32_t count = Get32(data, start + 4);
    if (size < 8 || size > data.size() - start || count > kMaxProperties ||
        count > (size - 8) / 8) {
        return std::nullopt;
    }
    const auto section = data.subspan(start, size);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> entries; // offset, id
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = Get32(section, 8 + 8 * i);
        const std::uint32_t offset = Get32(section, 12 + 8 * i);
        if (offset < 8 + 8 * count || offset >= size) {
            return std::nullopt;
        }
        entries.emplace_back(offset, id);
    }
    std::sort(entries.begin(), entries.end());
    PropertySection parsed;
    parsed.formatId = formatId;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint32_t offset = entries[i].first;
        const std::uint32_t end = i + 1 < entries.size() ? entries[i + 1].first : size;
        StoredProperty property;
        property.bytes.assign(section.begin() + offset, section.begin() + end);
        // Cut the padding of the values whose length we know, so that a rewrite stays exact.
        if (const auto type = property.Type(); type && entries[i].second != 0) {
            std::size_t length = property.bytes.size();
            if ((*type == kVtLpwstr || *type == kVtLpstr) && property.bytes.size() >= 8) {
                const std::uint64_t units = Get32(property.bytes, 4);
                const std::uint64_t bytes = *type == kVtLpwstr ? units * 2 : units;
                if (bytes > property.bytes.size() - 8) {
                    return std::nullopt;
                }
                length = static_cast<std::size_t>(8 + bytes);
            } else if (*type == kVtI4 && property.bytes.size() >= 8) {
                length = 8;
            } else if (*type == kVtFiletime && property.bytes.size() >= 12) {
                length = 12;
            }
            property.bytes.resize(length);
        }
        parsed.properties[entries[i].second] = std::move(property);
    }
    return parsed;
}

} // namespace

std::optional<std::uint16_t> StoredProperty::Type() const {
    if (bytes.size() < 4) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::optional<PropertySetStream> ParsePropertySetStream(std::span<const std::uint8_t> data) {
    if (data.size() < kHeaderSize || Get16(data, 0) != 0xFFFE) {
        return std::nullopt;
    }
    PropertySetStream stream;
    stream.version = Get16(data, 2);
    stream.systemIdentifier = Get32(data, 4);
    stream.classId = GetClassId(data, 8);
    const std::uint32_t sections = Get32(data, 24);
    if (sections < 1 || sections > 2 || data.size() - kHeaderSize < sections * kSectionEntrySize) {
        return std::nullopt;
    }
    for (std::uint32_t i = 0; i < sections; ++i) {
        const std::size_t entry = kHeaderSize + i * kSectionEntrySize;
        auto section = ParseSection(data, GetClassId(data, entry), Get32(data, entry + 16));
        if (!section) {
            return std::nullopt;
        }
        stream.sections.push_back(std::move(*section));
    }
    return stream;
}

std::vector<std::uint8_t> SerializePropertySetStream(const PropertySetStream& stream) {
    std::vector<std::uint8_t> out;
    Put16(out, 0xFFFE);
    Put16(out, stream.version);
    Put32(out, stream.systemIdentifier);
    out.insert(out.end(), stream.classId.begin(), stream.classId.end());
    Put32(out, static_cast<std::uint32_t>(stream.sections.size()));
    std::vector<std::size_t> offsetSlots;
    for (const PropertySection& section : stream.sections) {
        out.insert(out.end(), section.formatId.begin(), section.formatId.end());
        offsetSlots.push_back(out.size());
        Put32(out, 0);
    }
    for (std::size_t s = 0; s < stream.sections.size(); ++s) {
        const PropertySection& section = stream.sections[s];
        const std::size_t start = out.size();
        Set32(out, offsetSlots[s], static_cast<std::uint32_t>(start));
        Put32(out, 0); // size, set below
        Put32(out, static_cast<std::uint32_t>(section.properties.size()));
        std::vector<std::size_t> valueSlots;
        for (const auto& [id, property] : section.properties) {
            Put32(out, id);
            valueSlots.push_back(out.size());
            Put32(out, 0);
        }
        std::size_t slot = 0;
        for (const auto& [id, property] : section.properties) {
            Set32(out, valueSlots[slot++], static_cast<std::uint32_t>(out.size() - start));
            out.insert(out.end(), property.bytes.begin(), property.bytes.end());
            PadTo4(out);
        }
        Set32(out, start, static_cast<std::uint32_t>(out.size() - start));
    }
    return out;
}

StoredProperty MakeWideTextProperty(const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    Put16(bytes, kVtLpwstr);
    Put16(bytes, 0);
    Put32(bytes, static_cast<std::uint32_t>(text.size() + 1));
    for (char16_t unit : text) {
        Put16(bytes, static_cast<std::uint16_t>(unit));
    }
    Put16(bytes, 0);
    return StoredProperty{std::move(bytes)};
}

std::optional<std::u16string> WideTextOf(const StoredProperty& property) {
    const auto type = property.Type();
    if (!type || property.bytes.size() < 8) {
        return std::nullopt;
    }
    const std::uint32_t units = Get32(property.bytes, 4);
    std::u16string text;
    if (*type == kVtLpwstr) {
        if (units > (property.bytes.size() - 8) / 2) {
            return std::nullopt;
        }
        for (std::uint32_t i = 0; i < units; ++i) {
            text.push_back(static_cast<char16_t>(Get16(property.bytes, 8 + 2 * i)));
        }
    } else if (*type == kVtLpstr) {
        if (units > property.bytes.size() - 8) {
            return std::nullopt;
        }
        // Only the ASCII range is taken as it stands; the code page of the set governs the rest.
        for (std::uint32_t i = 0; i < units; ++i) {
            text.push_back(static_cast<char16_t>(property.bytes[8 + i]));
        }
    } else {
        return std::nullopt;
    }
    while (!text.empty() && text.back() == u'\0') {
        text.pop_back();
    }
    return text;
}

} // namespace embedded
