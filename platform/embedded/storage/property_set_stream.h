// The property set stream of structured storage ("\005SummaryInformation" and its kind): a
// header, one or more sections named by a format id, and in each section typed values by
// property id. Values that we do not interpret are carried byte for byte, so that rewriting a
// stream keeps what other programs put there.
#pragma once

#include "platform/embedded/storage/compound_file.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace embedded {

constexpr std::uint16_t kVtI2 = 0x0002;
constexpr std::uint16_t kVtI4 = 0x0003;
constexpr std::uint16_t kVtLpstr = 0x001E;
constexpr std::uint16_t kVtLpwstr = 0x001F;
constexpr std::uint16_t kVtFiletime = 0x0040;

// One property as stored: its bytes from the type word on (for the dictionary, id 0, the
// dictionary itself), without the padding that follows.
struct StoredProperty {
    std::vector<std::uint8_t> bytes;

    std::optional<std::uint16_t> Type() const;
};

struct PropertySection {
    ClassId formatId{};
    std::map<std::uint32_t, StoredProperty> properties;
};

struct PropertySetStream {
    std::uint16_t version = 0;
    std::uint32_t systemIdentifier = 0x00020006; // Windows, as other writers set it
    ClassId classId{};
    std::vector<PropertySection> sections;
};

// Nothing when the bytes are no well-formed property set stream: every count, size and offset
// is checked against the data before it is used.
std::optional<PropertySetStream> ParsePropertySetStream(std::span<const std::uint8_t> data);
std::vector<std::uint8_t> SerializePropertySetStream(const PropertySetStream& stream);

StoredProperty MakeWideTextProperty(const std::u16string& text);
// The text of a VT_LPWSTR value, or of a VT_LPSTR value one byte to one character.
std::optional<std::u16string> WideTextOf(const StoredProperty& property);

} // namespace embedded
