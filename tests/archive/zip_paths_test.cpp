#include "archive/zip_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ZipPathsTest, ArchivesAreTheFilesWhoseExtensionIsZip) {
    struct Case {
        const char* path;
        bool isZip;
    };
    const Case cases[] = {
        {"C:\\Att\\pack.zip", true},
        {"C:\\Att\\photos.ZIP", true},
        {"C:\\Att\\mixed.Zip", true},
        {".zip", true},
        {"C:\\Att\\.zip", true},
        {"C:\\Att\\pack.zipx", false},
        {"C:\\Att\\pack.zi", false},
        {"C:\\Att\\pack.zip.txt", false},
        {"C:\\Att\\zip", false},
        {"C:\\Att\\packzip", false},
        {"C:\\Pack.zip\\README", false},
        {"C:/Pack.zip/README", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsZipPath(c.path), c.isZip);
    }
    EXPECT_FALSE(IsZipPath(nullptr));
}

TEST(ZipPathsTest, ArchivePathReplacesTheFileNamesLastExtension) {
    struct Case {
        const char* path;
        const char* archive;
    };
    const Case cases[] = {
        {"C:\\Mail\\report.doc", "C:\\Mail\\report.zip"},
        {"C:\\Mail\\README", "C:\\Mail\\README.zip"},
        {"a.b.txt", "a.b.zip"},
        {"C:\\My.Files\\README", "C:\\My.Files\\README.zip"},
        {"C:/My.Files/README", "C:/My.Files/README.zip"},
        {"C:\\My.Files\\notes.txt", "C:\\My.Files\\notes.zip"},
        {"C:\\Mail\\.profile", "C:\\Mail\\.zip"},
        {"C:\\Mail\\ends.", "C:\\Mail\\ends.zip"},
        {"photos.ZIP", "photos.zip"},
        {"", ".zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char out[260] = "stale";
        EXPECT_TRUE(MakeZipPath(c.path, out, sizeof out));
        EXPECT_STREQ(out, c.archive);
    }
}

TEST(ZipPathsTest, ArchivePathIsCutToTheCapacity) {
    const std::string path = "C:\\" + std::string(250, 'n') + ".document";
    char out[260];
    EXPECT_TRUE(MakeZipPath(path.c_str(), out, sizeof out));
    EXPECT_EQ(std::string(out), "C:\\" + std::string(250, 'n') + ".zip");

    char small[8];
    EXPECT_TRUE(MakeZipPath("C:\\abcdef.txt", small, sizeof small));
    EXPECT_STREQ(small, "C:\\abcd");
}

} // namespace
