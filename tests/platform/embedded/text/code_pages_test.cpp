#include "platform/embedded/text/code_pages.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePages, DecodesTheCodePagesMessagesCarry) {
    struct Case {
        const char* name;
        std::string bytes;
        std::uint32_t codePage;
        std::string utf8;
    };
    const Case cases[] = {
        {"western", "Caf\xE9 \x80", 1252, "Caf\xC3\xA9 \xE2\x82\xAC"},
        {"cyrillic", "\xCF\xF0\xE8\xE2\xE5\xF2", 1251,
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"japanese", "\x93\xfa\x96\x7b", 932, "\xE6\x97\xA5\xE6\x9C\xAC"},
        {"latin-1", "\xE9", 28591, "\xC3\xA9"},
        {"utf-8 stays", "\xC3\xA9", 65001, "\xC3\xA9"},
        {"byte outside the code page", "a\x81z", 65001, "a\xEF\xBF\xBDz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(embedded::DecodeToUtf8(c.bytes, c.codePage), std::optional<std::string>(c.utf8));
    }
    EXPECT_FALSE(embedded::DecodeToUtf8("x", 4242).has_value());
}

TEST(CodePages, LocaleGivesItsCodePage) {
    EXPECT_EQ(embedded::CodePageOfLocale(0x0409), 1252u); // English (United States)
    EXPECT_EQ(embedded::CodePageOfLocale(0x0419), 1251u); // Russian
    EXPECT_EQ(embedded::CodePageOfLocale(0x0411), 932u);  // Japanese
    EXPECT_EQ(embedded::CodePageOfLocale(0x0804), 936u);  // Chinese (PRC)
    EXPECT_EQ(embedded::CodePageOfLocale(0x0404), 950u);  // Chinese (Taiwan)
    EXPECT_EQ(embedded::CodePageOfLocale(0x041A), 1250u); // Croatian
    EXPECT_EQ(embedded::CodePageOfLocale(0x0C1A), 1251u); // Serbian (Cyrillic)
}

} // namespace
