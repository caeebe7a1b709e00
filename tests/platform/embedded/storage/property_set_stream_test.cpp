#include "platform/embedded/storage/property_set_stream.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using embedded::ParsePropertySetStream;
using embedded::PropertySection;
using embedded::PropertySetStream;
using embedded::SerializePropertySetStream;

const embedded::ClassId kSummaryFormat{0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                       0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

PropertySetStream SummaryWith(const std::u16string& title) {
    PropertySetStream stream;
    PropertySection section;
    section.formatId = kSummaryFormat;
    // A code page (VT_I2 1200) and a value type we do not interpret, kept as they were.
    section.properties[1] = {{0x02, 0x00, 0x00, 0x00, 0xB0, 0x04, 0x00, 0x00}};
    section.properties[19] = {{0x0B, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00}};
    section.properties[2] = embedded::MakeWideTextProperty(title);
    stream.sections.push_back(section);
    return stream;
}

TEST(PropertySetStream, RoundTripKeepsTextsAndUnknownValues) {
    const auto bytes = SerializePropertySetStream(SummaryWith(u"Report \u00e9t\u00e9"));
    EXPECT_EQ(bytes.size() % 4, 0u);
    const auto parsed = ParsePropertySetStream(bytes);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->sections.size(), 1u);
    const PropertySection& section = parsed->sections[0];
    EXPECT_EQ(section.formatId, kSummaryFormat);
    EXPECT_EQ(embedded::WideTextOf(section.properties.at(2)), u"Report \u00e9t\u00e9");
    EXPECT_EQ(section.properties.at(19).bytes,
              (std::vector<std::uint8_t>{0x0B, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00}));
    // Written again, the same stream comes out.
    EXPECT_EQ(SerializePropertySetStream(*parsed), bytes);
}

TEST(PropertySetStream, DamagedStreamsAreRefused) {
    const auto good = SerializePropertySetStream(SummaryWith(u"t"));
    struct Case {
        const char* name;
        std::size_t at;     // byte to overwrite, or the cut when `cut` is set
        std::uint8_t value; // the byte written there
        bool cut;
    };
    // Offsets: header 28, first section entry 28..47 (its offset at 44), section at 48:
    // size 48..51, count 52..55, first (id, offset) at 56.
    const Case cases[] = {
        {"truncated header", 20, 0, true},
        {"truncated section", 60, 0, true},
        {"wrong byte order mark", 0, 0x00, false},
        {"section offset past the end", 47, 0x7F, false},
        {"section size past the end", 51, 0x7F, false},
        {"property count beyond the section", 55, 0x7F, false},
        {"value offset past the section", 63, 0x7F, false},
        {"no sections", 24, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bad = good;
        if (c.cut) {
            bad.resize(c.at);
        } else {
            bad[c.at] = c.value;
        }
        EXPECT_FALSE(ParsePropertySetStream(bad));
    }
}

TEST(PropertySetStream, TextLongerThanItsValueIsRefused) {
    auto stream = SummaryWith(u"abc");
    auto& text = stream.sections[0].properties[2].bytes;
    text[4] = 0x40; // claims 64 characters, holds 4
    EXPECT_FALSE(ParsePropertySetStream(SerializePropertySetStream(stream)));
}

} // namespace
