#include "platform/embedded/store/message_data.h"

#include <gtest/gtest.h>

namespace {

TEST(UtcFileTime, CountsHundredNanosecondsFrom1601) {
    struct Case {
        const char* name;
        FILETIME time;
        std::int64_t ticks;
    };
    const Case cases[] = {
        {"the epoch itself", embedded::UtcFileTime(1601, 1, 1), 0},
        {"the Unix epoch", embedded::UtcFileTime(1970, 1, 1), 116444736000000000},
        {"an afternoon in March", embedded::UtcFileTime(2024, 3, 5, 14, 30), 133541226000000000},
        {"a leap day", embedded::UtcFileTime(2000, 2, 29, 23, 59, 59), 125963423990000000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(embedded::TicksFromFileTime(c.time), c.ticks);
    }
}

TEST(TextWidths, RoundTripIncludingSurrogatePairs) {
    const std::string utf8 = "Ann \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\x8E";
    const std::u16string utf16 = u"Ann \u00E9t\u00E9 \u20AC \U0001F4CE";
    EXPECT_EQ(embedded::Utf16FromUtf8(utf8), utf16);
    EXPECT_EQ(embedded::Utf8FromUtf16(utf16), utf8);
}

TEST(PropertyBag, OneValuePerIdentifierWhateverItsType) {
    embedded::PropertyBag bag;
    bag.SetText(PR_SUBJECT, "eight-bit");
    bag.SetText(CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNICODE), "wide");
    ASSERT_EQ(bag.Values().size(), 1u);
    EXPECT_EQ(bag.Find(PR_SUBJECT)->tag, CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNICODE));
    EXPECT_EQ(bag.Text(PR_SUBJECT), "wide");
    EXPECT_FALSE(bag.Long(PR_SUBJECT).has_value());
    bag.Remove(PR_SUBJECT);
    EXPECT_FALSE(bag.Has(PR_SUBJECT));
}

} // namespace
