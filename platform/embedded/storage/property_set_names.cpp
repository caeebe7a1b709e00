#include "platform/embedded/storage/property_set_names.h"

#include <array>

namespace embedded {
namespace {

struct KnownSet {
    GUID formatId;
    const char* name;
};

constexpr GUID kUserDefinedProperties = {
    0xD5CDD505, 0x2E9C, 0x101B, {0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE}};

constexpr std::array<KnownSet, 5> kKnownSets{{
    {{0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9}},
     "\005SummaryInformation"},
    {{0xD5CDD502, 0x2E9C, 0x101B, {0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE}},
     "\005DocumentSummaryInformation"},
    {{0x56616F00, 0xC154, 0x11CE, {0x85, 0x53, 0x00, 0xAA, 0x00, 0xA1, 0xF9, 0x5B}},
     "\005GlobalInfo"},
    {{0x56616400, 0xC154, 0x11CE, {0x85, 0x53, 0x00, 0xAA, 0x00, 0xA1, 0xF9, 0x5B}},
     "\005ImageContents"},
    {{0x56616500, 0xC154, 0x11CE, {0x85, 0x53, 0x00, 0xAA, 0x00, 0xA1, 0xF9, 0x5B}},
     "\005ImageInfo"},
}};

} // namespace

ClassId ClassIdOf(REFGUID guid) {
    ClassId id{};
    for (int i = 0; i < 4; ++i) {
        id[i] = static_cast<std::uint8_t>(guid.Data1 >> (8 * i));
    }
    id[4] = static_cast<std::uint8_t>(guid.Data2);
    id[5] = static_cast<std::uint8_t>(guid.Data2 >> 8);
    id[6] = static_cast<std::uint8_t>(guid.Data3);
    id[7] = static_cast<std::uint8_t>(guid.Data3 >> 8);
    for (int i = 0; i < 8; ++i) {
        id[8 + i] = guid.Data4[i];
    }
    return id;
}

std::optional<std::string> PropertySetStreamName(REFGUID formatId) {
    if (formatId == kUserDefinedProperties) {
        return std::nullopt;
    }
    for (const KnownSet& known : kKnownSets) {
        if (formatId == known.formatId) {
            return std::string(known.name);
        }
    }
    // The 128 bits, least significant bit of the first byte first, padded with two zero bits
    // to 130 and read in groups of five, each group's first bit its lowest.
    const ClassId bytes = ClassIdOf(formatId);
    const char* const alphabet = "abcdefghijklmnopqrstuvwxyz012345";
    std::string name = "\005";
    for (int group = 0; group < 26; ++group) {
        unsigned value = 0;
        for (int bit = 0; bit < 5; ++bit) {
            const int position = group * 5 + bit;
            if (position < 128 && (bytes[position / 8] >> (position % 8)) & 1) {
                value |= 1u << bit;
            }
        }
        name += alphabet[value];
    }
    return name;
}

} // namespace embedded
