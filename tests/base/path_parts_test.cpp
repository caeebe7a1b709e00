#include "base/path_parts.h"
#include "base/trailing_backslash.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(FolderOfPath, EndsJustAfterTheLastBackslash) {
    struct Case {
        const char* path;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Att\\pack.zip", "C:\\Att\\"},
        {"C:\\Att\\", "C:\\Att\\"},
        {"pack.zip", "pack.zip"},
        {"C:/Att/pack.zip", "C:/Att/pack.zip"}, // only the backslash counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char out[260];
        EXPECT_TRUE(FolderOfPath(c.path, out));
        EXPECT_STREQ(out, c.folder);
    }
}

TEST(FolderOfPath, LongPathIsCutToTheBufferBeforeItsFolderIsTaken) {
    // The backslash after the long element lies beyond the cut, so the folder is the drive's.
    const std::string longPath = "C:\\" + std::string(400, 'a') + "\\x.txt";
    char out[260 + 8];
    std::memset(out, '#', sizeof out);
    EXPECT_TRUE(FolderOfPath(longPath.c_str(), out));
    EXPECT_STREQ(out, "C:\\");
    EXPECT_EQ(out[260], '#');
}

TEST(EndsWithSeparator, TellsFolderEntriesFromFiles) {
    EXPECT_TRUE(EndsWithSeparator("docs/"));
    EXPECT_TRUE(EndsWithSeparator("docs\\"));
    EXPECT_FALSE(EndsWithSeparator("docs/readme.txt"));
    EXPECT_FALSE(EndsWithSeparator("docs\\readme.txt"));
    EXPECT_FALSE(EndsWithSeparator(""));
    EXPECT_FALSE(EndsWithSeparator(nullptr));
}

TEST(TrailingBackslash, AddsOnceAndRemovesOne) {
    char path[8] = "C:\\a";
    EXPECT_FALSE(HasTrailingBackslash(path));
    EXPECT_TRUE(AddTrailingBackslash(path, sizeof path));
    EXPECT_STREQ(path, "C:\\a\\");
    EXPECT_TRUE(AddTrailingBackslash(path, sizeof path));
    EXPECT_STREQ(path, "C:\\a\\");
    RemoveTrailingBackslash(path);
    EXPECT_STREQ(path, "C:\\a");
    RemoveTrailingBackslash(path);
    EXPECT_STREQ(path, "C:\\a");

    char empty[2] = "";
    EXPECT_FALSE(HasTrailingBackslash(empty));
    EXPECT_TRUE(AddTrailingBackslash(empty, sizeof empty));
    EXPECT_STREQ(empty, "\\");
    EXPECT_FALSE(HasTrailingBackslash(nullptr));
}

TEST(TrailingBackslash, FullBufferIsLeftAlone) {
    char path[5] = "C:\\a";
    EXPECT_FALSE(AddTrailingBackslash(path, sizeof path));
    EXPECT_STREQ(path, "C:\\a");
}

} // namespace
