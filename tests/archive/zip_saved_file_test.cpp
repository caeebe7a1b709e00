#include "archive/zip_saved_file.h"
#include "platform/win32_files.h"
#include "platform/win32_time.h"
#include "tests/archive/archive_fixture.h"

#include <sys/stat.h>

namespace {

using archive_testing::ArchiveTest;

class ZipSavedFileTest : public ArchiveTest {
  protected:
    // A saved file whose last write was at the given UTC instant.
    void SaveFile(const std::string& relative, const std::string& data, const SYSTEMTIME& utc) {
        temp.WriteFile(relative, data);
        FILETIME time{};
        ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
        const std::string path = OnDriveC(relative);
        HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
        CloseHandle(file);
        embedded::ResetPlatformTrace();
    }

    // Bytes that do not compress away, more than one copy buffer's worth.
    static std::string LargeData() {
        std::string data(200000, '\0');
        unsigned state = 12345;
        for (char& c : data) {
            state = state * 1103515245u + 12345u;
            c = static_cast<char>(state >> 16);
        }
        return data;
    }

    static constexpr SYSTEMTIME kSummer{2004, 7, 0, 15, 10, 20, 30, 0}; // 12:20:30 local
    static constexpr SYSTEMTIME kWinter{2004, 1, 0, 15, 23, 59, 58, 0}; // next day, 00:59:58
};

TEST_F(ZipSavedFileTest, SavedFileBecomesTheOneEntryOfItsArchiveWithItsLocalTime) {
    struct Case {
        const char* name;
        SYSTEMTIME lastWrite;
        tm_zip local;
    };
    const Case cases[] = {
        {"summer time", kSummer, {30, 20, 12, 15, 6, 2004}},
        {"winter time, across midnight", kWinter, {58, 59, 0, 16, 0, 2004}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFile("Mail/report.doc", "the report", c.lastWrite);

        EXPECT_TRUE(ZipSavedFile("C:\\Mail\\report.doc"));

        const auto entries = ReadArchive("Mail/report.zip");
        ASSERT_TRUE(entries.has_value());
        ASSERT_EQ(entries->size(), 1u);
        const archive_testing::ReadEntry& entry = entries->front();
        EXPECT_EQ(entry.name, "report.doc");
        EXPECT_EQ(entry.data, "the report");
        EXPECT_EQ(entry.info.compression_method, static_cast<uLong>(Z_DEFLATED));
        EXPECT_EQ(entry.info.size_file_extra, 0u);
        EXPECT_EQ(entry.info.size_file_comment, 0u);
        EXPECT_EQ(entry.info.external_fa, 0u);
        const tm_unz& date = entry.info.tmu_date;
        EXPECT_EQ(date.tm_year, c.local.tm_year);
        EXPECT_EQ(date.tm_mon, c.local.tm_mon);
        EXPECT_EQ(date.tm_mday, c.local.tm_mday);
        EXPECT_EQ(date.tm_hour, c.local.tm_hour);
        EXPECT_EQ(date.tm_min, c.local.tm_min);
        EXPECT_EQ(date.tm_sec, c.local.tm_sec);
        // Removing the saved file is the caller's step.
        EXPECT_EQ(Tree(), (std::set<std::string>{"Mail/", "Mail/report.doc", "Mail/report.zip"}));
    }
}

TEST_F(ZipSavedFileTest, LargeFileIsCopiedInChunksAndTheArchiveHasNoComment) {
    const std::string data = LargeData();
    SaveFile("Mail/README", data, kSummer);

    EXPECT_TRUE(ZipSavedFile("C:\\Mail\\README"));

    const auto entries = ReadArchive("Mail/README.zip");
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().name, "README");
    EXPECT_EQ(entries->front().data, data);
    for (const auto& read : embedded::CallsOf("ReadFile")) {
        EXPECT_EQ(read.flags, 65536u);
    }
    EXPECT_EQ(embedded::CallsOf("ReadFile").size(), 5u); // four with data, one at the end
    const auto opens = embedded::CallsOf("CreateFileA");
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].flags, (std::uint64_t{GENERIC_READ} << 32) | (OPEN_EXISTING << 8));
    // The archive is flushed to the disk before the saved file can go.
    EXPECT_EQ(opens[1].flags, (std::uint64_t{GENERIC_WRITE} << 32) | (OPEN_EXISTING << 8));
    EXPECT_EQ(embedded::CallsOf("FlushFileBuffers").size(), 1u);

    unzFile archive = unzOpen(Host("Mail/README.zip").c_str());
    ASSERT_NE(archive, nullptr);
    unz_global_info global{};
    ASSERT_EQ(unzGetGlobalInfo(archive, &global), UNZ_OK);
    EXPECT_EQ(global.size_comment, 0u);
    unzClose(archive);
}

TEST_F(ZipSavedFileTest, ArchiveReplacesAFileOfItsName) {
    SaveFile("Mail/a.b.txt", "new", kSummer);
    temp.WriteFile("Mail/a.b.zip", "an older file of the archive's name");

    EXPECT_TRUE(ZipSavedFile("C:\\Mail\\a.b.txt"));

    const auto entries = ReadArchive("Mail/a.b.zip");
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ(entries->front().name, "a.b.txt");
}

TEST_F(ZipSavedFileTest, ArchiveThatWouldBeTheSavedFileOrCutIsRefusedAndNothingIsWritten) {
    struct Case {
        const char* name;
        std::string relative;
    };
    const Case cases[] = {
        {"already its own archive", "Mail/x.zip"},
        {"own archive in other case", "Mail/photos.ZIP"},
        {"archive path cut", "Mail/" + std::string(250, 'n')},
        {"saved path too long", "Mail/" + std::string(250, 'n') + ".doc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveFile(c.relative, "content", kSummer);
        const std::set<std::string> before = Tree();
        EXPECT_FALSE(ZipSavedFile(OnDriveC(c.relative).c_str()));

        EXPECT_EQ(Tree(), before);
        EXPECT_EQ(temp.ReadFile(c.relative), "content");
        EXPECT_TRUE(embedded::CallsOf("ArchiveOpenFile").empty());
        std::filesystem::remove(Host(c.relative));
    }
}

TEST_F(ZipSavedFileTest, MissingSavedFileLeavesNoArchive) {
    EXPECT_FALSE(ZipSavedFile("C:\\report.doc"));
    EXPECT_FALSE(temp.Exists("report.zip"));
}

// Each failing call fails the zip; an archive that was opened is still closed and then removed,
// so that no archive without the file, or with a part of it, looks like a good copy.
TEST_F(ZipSavedFileTest, FailingCallsFailTheZip) {
    struct Case {
        const char* operation;
        int nth;
        bool archiveRemains;
    };
    const Case cases[] = {
        {"ArchiveOpenFile", 1, false},
        {"CreateFileA", 1, false},
        {"GetFileTime", 1, false},
        {"FileTimeToLocalFileTime", 1, false},
        {"FileTimeToSystemTime", 1, false},
        {"ReadFile", 1, false},
        {"ReadFile", 3, false},
        {"ReadFile", 5, false},
        {"ArchiveCloseFile", 1, false},
        {"CreateFileA", 2, false},
        {"FlushFileBuffers", 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.operation) + " #" + std::to_string(c.nth));
        SaveFile("Mail/report.doc", LargeData(), kSummer);
        embedded::FailNthCall(c.operation, c.nth, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));

        EXPECT_FALSE(ZipSavedFile("C:\\Mail\\report.doc"));

        EXPECT_EQ(temp.Exists("Mail/report.zip"), c.archiveRemains);
        EXPECT_EQ(temp.ReadFile("Mail/report.doc"), LargeData());
        // The saved file is closed again: an exclusive open succeeds.
        HANDLE file = CreateFileA("C:\\Mail\\report.doc", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        std::filesystem::remove(Host("Mail/report.zip"));
    }
}

// Including the writes of an entry's last compressed data, whose failure the library itself
// passes over.
TEST_F(ZipSavedFileTest, EveryFailingArchiveWriteFailsTheZip) {
    SaveFile("Mail/report.doc", LargeData(), kSummer);
    ASSERT_TRUE(ZipSavedFile("C:\\Mail\\report.doc"));
    const auto writes = embedded::CallsOf("ArchiveWriteFile");
    ASSERT_GT(writes.size(), 20u);
    for (std::size_t nth = 1; nth <= writes.size(); ++nth) {
        if (writes[nth - 1].flags == 0) {
            continue; // nothing to write, nothing to lose
        }
        SCOPED_TRACE(nth);
        embedded::ResetPlatformTrace();
        embedded::FailNthCall("ArchiveWriteFile", static_cast<int>(nth),
                              HRESULT_FROM_WIN32(ERROR_DISK_FULL));
        EXPECT_FALSE(ZipSavedFile("C:\\Mail\\report.doc"));
    }
}

} // namespace
