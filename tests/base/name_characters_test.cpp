#include "base/name_characters.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CleanName, MakesMessageTextsIntoFileNames) {
    struct Case {
        const char* name;
        const char* input;
        const char* cleaned;
    };
    const Case cases[] = {
        {"illegal characters, leading blanks, trailing dot and blank", "  my:file?.txt. ",
         "my-file-.txt"},
        {"only dots becomes empty", "...", ""},
        {"leading dots stay", ".profile", ".profile"},
        {"tab becomes a hyphen, not a blank", "\tlist", "-list"},
        {"every listed character", "a/b\\c:d?e*f|g>h<i;j\"k", "a-b-c-d-e-f-g-h-i-j-k"},
        {"dots inside a name stay", "v1.2 final.doc", "v1.2 final.doc"},
        {"multi-byte characters kept whole", "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC.",
         "Zo\xC3\xAB \xE6\x97\xA5\xE6\x9C\xAC"},
        {"empty stays empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.input;
        const char* begin = CleanName(text.data());
        ASSERT_NE(begin, nullptr);
        EXPECT_STREQ(begin, c.cleaned);
        // The cleaned name lies inside the caller's text.
        EXPECT_GE(begin, text.data());
        EXPECT_LE(begin, text.data() + text.size());
    }
}

TEST(CleanName, NullGivesNull) {
    EXPECT_EQ(CleanName(nullptr), nullptr);
}

TEST(IsLegalName, JudgesEveryCharacter) {
    struct Case {
        const char* name;
        const char* text;
        bool legal;
    };
    const Case cases[] = {
        {"default field separator", " - ", true},
        {"semicolon", "a;b", false},
        {"empty", "", true},
        {"bytes from 128 up", "\xC3\xA9t\xC3\xA9", true},
        {"control value", "a\x01", false},
        {"null", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsLegalName(c.text), c.legal);
    }
}

} // namespace
