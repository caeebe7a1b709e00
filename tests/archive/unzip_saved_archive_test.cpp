#include "archive/unzip_saved_archive.h"
#include "platform/win32_files.h"
#include "platform/win32_time.h"
#include "tests/archive/archive_fixture.h"

#include <fstream>

namespace {

using archive_testing::ArchiveTest;
using archive_testing::Entry;
using Tree = std::set<std::string>;

class UnzipSavedArchiveTest : public ArchiveTest {
  protected:
    // Archives are saved in C:\Att\, which is also the folder they unpack into.
    bool Unzip(const char* archive = "pack.zip") {
        return UnzipSavedArchive((std::string("C:\\Att\\") + archive).c_str(), "C:\\Att\\");
    }

    void CorruptByte(const std::string& relative, std::size_t at) const {
        std::string bytes = temp.ReadFile(relative);
        ASSERT_LT(at, bytes.size());
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        std::ofstream(Host(relative), std::ios::binary) << bytes;
    }

    static FILETIME Utc(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
        const SYSTEMTIME time{year, month, 0, day, hour, minute, second, 0};
        FILETIME result{};
        SystemTimeToFileTime(&time, &result);
        return result;
    }
};

std::uint64_t Ticks(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

TEST_F(UnzipSavedArchiveTest, FolderAndFileEntriesUnpackWithTheEntryTime) {
    WriteArchive("Att/pack.zip", {{"docs/", ""}, {"docs/a.txt", "alpha"}});

    EXPECT_TRUE(Unzip());

    EXPECT_EQ(Tree(), (::Tree{"Att/", "Att/pack.zip", "Att/docs/", "Att/docs/a.txt"}));
    HANDLE file =
        CreateFileA("C:\\Att\\docs\\a.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME created{}, accessed{}, written{};
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    CloseHandle(file);
    const FILETIME expected = Utc(2004, 7, 15, 10, 20, 30); // 12:20:30 summer time
    EXPECT_EQ(Ticks(created), Ticks(expected));
    EXPECT_EQ(Ticks(accessed), Ticks(expected));
    EXPECT_EQ(Ticks(written), Ticks(expected));
    EXPECT_EQ(temp.ReadFile("Att/docs/a.txt"), "alpha");
    const auto creates = embedded::CallsOf("CreateFileA");
    ASSERT_EQ(creates.size(), 2u);
    // A new file only: a link put at the name meanwhile makes the create fail, not write through.
    EXPECT_EQ(creates[0].flags, (std::uint64_t{GENERIC_WRITE} << 32) | (CREATE_NEW << 8));
}

TEST_F(UnzipSavedArchiveTest, LargeEntryAndWinterTimeUnpack) {
    std::string data(300000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>((i * 7919) >> 5);
    }
    WriteArchive("Att/pack.zip", {{"big.bin", data, {4, 3, 2, 1, 0, 1999}}});

    EXPECT_TRUE(Unzip());

    for (const auto& write : embedded::CallsOf("WriteFile")) {
        EXPECT_LE(write.flags, 65536u);
    }
    HANDLE file =
        CreateFileA("C:\\Att\\big.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written{};
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    EXPECT_EQ(Ticks(written), Ticks(Utc(1999, 1, 1, 1, 3, 4))); // 02:03:04 winter time
    EXPECT_EQ(temp.ReadFile("Att/big.bin"), data);
}

TEST_F(UnzipSavedArchiveTest, AnExistingFileIsReplacedOnlyWhenOverwriting) {
    struct Case {
        const char* name;
        bool overwrite;
        bool writtenThisRun;
        ::Tree tree;
        const char* counted;
    };
    const Case cases[] = {
        {"not overwriting: the entry is counted",
         false,
         false,
         {"Att/", "Att/a.txt", "Att/a - 1.txt", "Att/pack.zip"},
         "Att/a - 1.txt"},
        {"overwriting: replaced", true, false, {"Att/", "Att/a.txt", "Att/pack.zip"}, "Att/a.txt"},
        // A file this run wrote may be an attachment's only copy: never replaced.
        {"overwriting a file of this run: counted",
         true,
         true,
         {"Att/", "Att/a.txt", "Att/a - 1.txt", "Att/pack.zip"},
         "Att/a - 1.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(Host("Att"));
        temp.WriteFile("Att/a.txt", "older and longer content");
        WriteArchive("Att/pack.zip", {{"a.txt", "new"}});
        FilesOfRun written;
        if (c.writtenThisRun) {
            written.Add("C:\\Att\\A.TXT");
        }

        EXPECT_TRUE(
            UnzipSavedArchive("C:\\Att\\pack.zip", "C:\\Att\\", c.overwrite, &written, " - "));

        EXPECT_EQ(Tree(), c.tree);
        EXPECT_EQ(temp.ReadFile(c.counted), "new");
        if (std::string(c.counted) != "Att/a.txt") {
            EXPECT_EQ(temp.ReadFile("Att/a.txt"), "older and longer content");
        }
        EXPECT_TRUE(written.Contains(("C:\\Att\\" + std::string(c.counted).substr(4)).c_str()));
    }
}

TEST_F(UnzipSavedArchiveTest, NothingIsWrittenThroughALink) {
    temp.WriteFile("victim.txt", "outside the folder");
    std::filesystem::create_directories(Host("Att"));
    std::filesystem::create_directories(Host("elsewhere"));
    std::filesystem::create_symlink("../victim.txt", Host("Att/evil"));
    std::filesystem::create_symlink("../missing.txt", Host("Att/dangling"));
    std::filesystem::create_symlink("../elsewhere", Host("Att/dir"));
    for (bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite);
        WriteArchive("Att/pack.zip", {{"evil", "e"}, {"dangling", "d"}});
        EXPECT_TRUE(UnzipSavedArchive("C:\\Att\\pack.zip", "C:\\Att\\", overwrite, nullptr, " - "));
        EXPECT_EQ(temp.ReadFile("victim.txt"), "outside the folder");
        EXPECT_FALSE(std::filesystem::exists(Host("missing.txt")));
        EXPECT_EQ(temp.ReadFile("Att/evil - 1"), "e");
        EXPECT_EQ(temp.ReadFile("Att/dangling - 1"), "d");
        std::filesystem::remove(Host("Att/evil - 1"));
        std::filesystem::remove(Host("Att/dangling - 1"));

        WriteArchive("Att/pack.zip", {{"dir/x.txt", "x"}});
        EXPECT_FALSE(
            UnzipSavedArchive("C:\\Att\\pack.zip", "C:\\Att\\", overwrite, nullptr, " - "));
        EXPECT_TRUE(std::filesystem::is_empty(Host("elsewhere")));
    }
}

// A name that leaves the folder ends the extraction at its entry; the entries before it stay
// and nothing is written outside the folder.
TEST_F(UnzipSavedArchiveTest, NamesThatClimbOutEndTheExtraction) {
    const char* names[] = {"../x.txt", "sub\\..\\x.txt", "..",       "sub/..",
                           "sub\\..",  "a/./../x",       "a\\..\\.."};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(Host("Att"));
        WriteArchive("Att/pack.zip", {{"first.txt", "1"}, {name, "evil"}, {"after.txt", "3"}});

        EXPECT_FALSE(Unzip());

        EXPECT_EQ(Tree(), (::Tree{"Att/", "Att/pack.zip", "Att/first.txt"}));
    }
}

// Names that look like whole paths are joined below the folder: they land inside it or fail.
TEST_F(UnzipSavedArchiveTest, NamesThatLookLikePathsStayInsideTheFolder) {
    struct Case {
        const char* name;
        bool result;
        ::Tree added;
    };
    const Case cases[] = {
        {"C:\\x", false, {}},
        {"C:/x", false, {}},
        {"/etc/x", true, {"Att/etc/", "Att/etc/x"}},
        {"\\etc\\x", true, {"Att/etc/", "Att/etc/x"}},
        {"\\\\server\\x", true, {"Att/server/", "Att/server/x"}},
        {"//server/x", true, {"Att/server/", "Att/server/x"}},
        {"a/./b/./x", true, {"Att/a/", "Att/a/b/", "Att/a/b/x"}},
        {"...", true, {"Att/..."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(Host("Att"));
        WriteArchive("Att/pack.zip", {{c.name, "data"}});

        EXPECT_EQ(Unzip(), c.result);

        ::Tree expected{"Att/", "Att/pack.zip"};
        expected.insert(c.added.begin(), c.added.end());
        EXPECT_EQ(Tree(), expected);
    }
}

TEST_F(UnzipSavedArchiveTest, EntryNamedLikeItsArchiveCannotOverwriteIt) {
    WriteArchive("Att/pack.zip", {{"first.txt", "1"}, {"pack.zip", "not an archive"}});
    const std::string archive = temp.ReadFile("Att/pack.zip");

    EXPECT_TRUE(Unzip());

    EXPECT_EQ(temp.ReadFile("Att/pack.zip"), archive);
    EXPECT_EQ(temp.ReadFile("Att/first.txt"), "1");
    EXPECT_EQ(temp.ReadFile("Att/pack - 1.zip"), "not an archive");
}

TEST_F(UnzipSavedArchiveTest, NameTooLongForTheFolderEndsTheExtraction) {
    // C:\Att\ has 7 characters: a name of 253 makes 260.
    WriteArchive("Att/pack.zip", {{std::string(252, 'n'), "fits"}, {std::string(253, 'm'), "no"}});

    EXPECT_FALSE(Unzip());

    EXPECT_EQ(Tree(), (::Tree{"Att/", "Att/pack.zip", "Att/" + std::string(252, 'n')}));
}

TEST_F(UnzipSavedArchiveTest, FilesThatAreNoArchivesExtractNothing) {
    temp.WriteFile("Att/text.zip", "just some text, no archive");
    temp.WriteFile("Att/empty.zip", "");
    WriteArchive("Att/whole.zip", {{"a.txt", std::string(5000, 'a')}, {"b.txt", "b"}});
    const std::string whole = temp.ReadFile("Att/whole.zip");
    temp.WriteFile("Att/cut.zip", whole.substr(0, whole.size() / 2));
    const ::Tree before = Tree();

    for (const char* archive : {"text.zip", "empty.zip", "cut.zip", "missing.zip"}) {
        SCOPED_TRACE(archive);
        EXPECT_FALSE(Unzip(archive));
        EXPECT_EQ(Tree(), before);
    }
}

// Damaged data fails its entry, and the broken file is not left behind as if it were good.
TEST_F(UnzipSavedArchiveTest, DamagedEntryDataFailsAndItsFileIsRemoved) {
    struct Case {
        const char* name;
        int method;
    };
    const Case cases[] = {
        {"stored data that fails its check value", 0},
        {"compressed data that cannot be inflated or fails its check value", Z_DEFLATED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(Host("Att"));
        Entry second{"b.txt", std::string(2000, 'b') + "the end"};
        second.method = c.method;
        WriteArchive("Att/pack.zip", {{"a.txt", "a"}, second, {"c.txt", "c"}});
        // A byte of the second entry's data: after its 30-byte local header and 5-byte name.
        const std::string bytes = temp.ReadFile("Att/pack.zip");
        const std::size_t secondHeader = bytes.find("PK\x03\x04", 4);
        ASSERT_NE(secondHeader, std::string::npos);
        CorruptByte("Att/pack.zip", secondHeader + 30 + 5 + 3);

        EXPECT_FALSE(Unzip());

        EXPECT_EQ(Tree(), (::Tree{"Att/", "Att/pack.zip", "Att/a.txt"}));
    }
}

TEST_F(UnzipSavedArchiveTest, FailingCallsFailTheExtraction) {
    struct Case {
        const char* operation;
        int nth; // 0: every call
        bool result;
        ::Tree files; // besides the archive
    };
    const Case cases[] = {
        {"ArchiveOpenFile", 1, false, {}},
        {"CreateDirectoryA", 0, false, {"Att/first.txt"}}, // no docs, so no a.txt
        {"CreateFileA", 1, false, {}},
        {"CreateFileA", 2, false, {"Att/first.txt", "Att/docs/"}},
        {"WriteFile", 1, false, {}},
        {"WriteFile", 2, false, {"Att/first.txt", "Att/docs/"}},
        // The data is whole; only the times are missing.
        {"SystemTimeToFileTime", 2, false, {"Att/first.txt", "Att/docs/", "Att/docs/a.txt"}},
        {"LocalFileTimeToFileTime", 2, false, {"Att/first.txt", "Att/docs/", "Att/docs/a.txt"}},
        {"SetFileTime", 1, false, {"Att/first.txt"}},
        // The library does not look at the close of an archive it only read.
        {"ArchiveCloseFile", 1, true, {"Att/first.txt", "Att/docs/", "Att/docs/a.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " #" + std::to_string(c.nth));
        std::filesystem::remove_all(Host("Att"));
        WriteArchive("Att/pack.zip", {{"first.txt", "1"}, {"docs/a.txt", "alpha"}});
        embedded::ResetPlatformTrace();
        if (c.nth == 0) {
            embedded::FailEveryCall(c.operation, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        } else {
            embedded::FailNthCall(c.operation, c.nth, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        }

        EXPECT_EQ(Unzip(), c.result);

        ::Tree expected{"Att/", "Att/pack.zip"};
        expected.insert(c.files.begin(), c.files.end());
        EXPECT_EQ(Tree(), expected);
    }
}

// The library searches for the archive's directory twice, so a failing read may cost nothing;
// otherwise the extraction fails, and a file is either whole or not there.
TEST_F(UnzipSavedArchiveTest, EveryFailingArchiveReadFailsTheExtractionOrCostsNothing) {
    const std::string data(100000, 'a');
    WriteArchive("Att/pack.zip", {{"first.txt", "1"}, {"docs/a.txt", data}});
    ASSERT_TRUE(Unzip());
    const int reads = static_cast<int>(embedded::CallsOf("ArchiveReadFile").size());
    ASSERT_GT(reads, 3);
    int failed = 0;
    for (int nth = 1; nth <= reads; ++nth) {
        SCOPED_TRACE(nth);
        std::filesystem::remove_all(Host("Att/docs"));
        std::filesystem::remove(Host("Att/first.txt"));
        embedded::ResetPlatformTrace();
        embedded::FailNthCall("ArchiveReadFile", nth, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

        const bool result = Unzip();

        failed += result ? 0 : 1;
        if (result || temp.Exists("Att/docs/a.txt")) {
            EXPECT_EQ(temp.ReadFile("Att/docs/a.txt"), data);
        }
    }
    EXPECT_GE(failed, reads - 2);
}

} // namespace
