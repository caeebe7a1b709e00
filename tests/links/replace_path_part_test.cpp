#include "links/replace_path_part.h"

#include "base/bounded_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReplacePathPartTest, TheFirstOccurrenceIsReplacedWhateverItsCase) {
    struct Case {
        const char* name;
        const char* path;
        const char* find;
        const char* replacement;
        HRESULT result;
        const char* expected;
    } cases[] = {
        {"a moved folder", "C:\\OldFolder\\Report.doc", "c:\\oldfolder\\", "d:\\newfolder\\", S_OK,
         "d:\\newfolder\\Report.doc"},
        {"first occurrence inside a word", "C:\\Folder\\bold\\old.txt", "old", "new", S_OK,
         "C:\\Fnewer\\bold\\old.txt"},
        {"twice: only the first", "C:\\a\\x\\a\\x.txt", "\\A\\", "\\b\\", S_OK,
         "C:\\b\\x\\a\\x.txt"},
        {"not at the start", "D:\\Mail\\Ann\\q.pdf", "ann", "Anna", S_OK, "D:\\Mail\\Anna\\q.pdf"},
        {"the rest keeps its case", "C:\\Mail\\ÜBER\\Ärger.txt", "c:\\mail\\", "E:\\", S_OK,
         "E:\\ÜBER\\Ärger.txt"},
        {"letters beyond ASCII fold too", "C:\\Übersicht\\März.txt", "übersicht", "Overview", S_OK,
         "C:\\Overview\\März.txt"},
        {"not there", "C:\\Mail\\a.txt", "D:\\", "E:\\", NTE_NOT_FOUND, ""},
        {"an empty text occurs nowhere", "C:\\Mail\\a.txt", "", "E:\\", NTE_NOT_FOUND, ""},
    };
    for (const Case& c : cases) {
        char out[4096] = "";
        EXPECT_EQ(ReplacePathPart(c.path, c.find, c.replacement, out, sizeof out), c.result)
            << c.name;
        if (c.result == S_OK) {
            EXPECT_STREQ(out, c.expected) << c.name;
        }
    }
}

TEST(ReplacePathPartTest, TheFirstMatchOfACaseInsensitiveTextIsHeldToCharacterBoundaries) {
    // "old" is found in "bold" before "Old": the search goes by characters over the whole path.
    char out[64] = "";
    EXPECT_EQ(ReplacePathPart("C:\\bold\\Old\\", "OLD", "new", out, sizeof out), S_OK);
    EXPECT_STREQ(out, "C:\\bnew\\Old\\");
}

TEST(ReplacePathPartTest, AResultThatDoesNotFitEndsCutAndTerminated) {
    char out[12];
    EXPECT_EQ(ReplacePathPart("C:\\old\\file.txt", "old", "much-longer", out, sizeof out),
              STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(out), "C:\\much-lon");
}

TEST(ReplacePathPartTest, MissingArgumentsAreRefused) {
    char out[16];
    EXPECT_EQ(ReplacePathPart(nullptr, "a", "b", out, sizeof out), E_INVALIDARG);
    EXPECT_EQ(ReplacePathPart("a", nullptr, "b", out, sizeof out), E_INVALIDARG);
    EXPECT_EQ(ReplacePathPart("a", "a", nullptr, out, sizeof out), E_INVALIDARG);
    EXPECT_EQ(ReplacePathPart("a", "a", "b", nullptr, 16), E_INVALIDARG);
}

} // namespace
