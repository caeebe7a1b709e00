#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_files.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/mapi_functions.h"
#include "platform/win32_files.h"
#include "tests/support/drive_test.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class FilesTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        temp.WriteFile("Mail/Report.PDF", "12345");
    }

    std::string Host(const std::string& relative) const { return temp.path() + "/" + relative; }
};

struct Outcome {
    DWORD result;
    DWORD error;
};

Outcome AttributesOf(const char* path) {
    SetLastError(0);
    const DWORD result = GetFileAttributesA(path);
    return {result, result == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0};
}

TEST_F(FilesTest, AttributesAndTheirErrors) {
    struct Case {
        const char* name;
        const char* path;
        DWORD result;
        DWORD error;
    };
    const Case cases[] = {
        {"file, letters in another case", "C:\\MAIL\\report.pdf", FILE_ATTRIBUTE_ARCHIVE, 0},
        {"folder", "C:\\Mail", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"folder with trailing backslash", "C:\\Mail\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"missing file", "C:\\Mail\\none.txt", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"missing folder on the way", "C:\\Gone\\none.txt", INVALID_FILE_ATTRIBUTES,
         ERROR_PATH_NOT_FOUND},
        {"file used as folder", "C:\\Mail\\Report.PDF\\x", INVALID_FILE_ATTRIBUTES,
         ERROR_PATH_NOT_FOUND},
        {"forbidden character", "C:\\Mail\\a?b", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
        {"forbidden in a folder", "C:\\Ma|il\\x", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
        {"control character", "C:\\Mail\\a\tb", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
        {"unmapped drive", "Q:\\Mail", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome got = AttributesOf(c.path);
        EXPECT_EQ(got.result, c.result);
        EXPECT_EQ(got.error, c.error);
    }
    ASSERT_EQ(chmod(Host("Mail/Report.PDF").c_str(), 0444), 0);
    EXPECT_EQ(AttributesOf("C:\\Mail\\Report.PDF").result,
              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
}

TEST_F(FilesTest, AccessDeniedWhenTheFileSystemRefuses) {
    temp.WriteFile("Locked/inner.txt", "x");
    ASSERT_EQ(chmod(Host("Locked").c_str(), 0), 0);
    // The host's refusal itself, whatever rights this test runs with.
    EXPECT_EQ(embedded::Win32CodeOfErrno(EACCES, Host("Locked/inner.txt")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(embedded::Win32CodeOfErrno(EPERM, Host("Locked/inner.txt")), ERROR_ACCESS_DENIED);
    if (access(Host("Locked/inner.txt").c_str(), F_OK) == 0) {
        GTEST_SKIP() << "running with rights that permission bits do not limit";
    }
    const Outcome got = AttributesOf("C:\\Locked\\inner.txt");
    EXPECT_EQ(got.result, INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(got.error, ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, CreateDirectoryReportsWhatIsInTheWay) {
    EXPECT_TRUE(CreateDirectoryA("C:\\Mail\\New", nullptr));
    EXPECT_TRUE(temp.Exists("Mail/New"));
    struct Case {
        const char* name;
        const char* path;
        DWORD error;
    };
    const Case cases[] = {
        {"folder exists", "C:\\mail\\new", ERROR_ALREADY_EXISTS},
        {"file exists", "C:\\Mail\\Report.PDF", ERROR_ALREADY_EXISTS},
        {"parent missing", "C:\\Gone\\New", ERROR_PATH_NOT_FOUND},
        {"illegal name", "C:\\Mail\\a*b", ERROR_INVALID_NAME},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_FALSE(CreateDirectoryA(c.path, nullptr));
        EXPECT_EQ(GetLastError(), c.error);
    }
    embedded::FailNthCall("CreateDirectoryA", 1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CreateDirectoryA("C:\\Mail\\Other", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(temp.Exists("Mail/Other"));
    EXPECT_TRUE(RemoveDirectoryA("C:\\Mail\\New"));
    EXPECT_FALSE(temp.Exists("Mail/New"));
}

TEST_F(FilesTest, WriteThenReadBack) {
    HANDLE file =
        CreateFileA("C:\\Mail\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string data("attachment\0bytes", 16);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr));
    EXPECT_EQ(written, data.size());
    DWORD read = 0;
    char buffer[64];
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    SetLastError(0);
    EXPECT_EQ(CreateFileA("C:\\Mail\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

    file = CreateFileA("C:\\Mail\\OUT.BIN", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), data.size());
    // A second opener that would write is refused while the first one shares reading only.
    EXPECT_EQ(CreateFileA("C:\\Mail\\out.bin", GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), data);
    EXPECT_EQ(SetFilePointer(file, 11, nullptr, FILE_BEGIN), 11u);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(std::string(buffer, read), "bytes");
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u); // end of file is success with nothing read
    EXPECT_TRUE(CloseHandle(file));

    struct Case {
        const char* name;
        const char* path;
        DWORD disposition;
        DWORD error;
    };
    const Case cases[] = {
        {"missing file", "C:\\Mail\\none", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"missing folder", "C:\\Gone\\none", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"a folder", "C:\\Mail", OPEN_EXISTING, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(CreateFileA(c.path, GENERIC_READ, 0, nullptr, c.disposition, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_F(FilesTest, FileTimesRoundTripIncludingCreation) {
    HANDLE file = CreateFileA("C:\\Mail\\Report.PDF", FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const FILETIME creation{0x12345670, 0x01D9A000};  // 2023
    const FILETIME lastWrite{0x76543210, 0x01DA1000}; // 2023, later
    ASSERT_TRUE(SetFileTime(file, &creation, nullptr, &lastWrite));
    FILETIME gotCreation{}, gotAccess{}, gotWrite{};
    ASSERT_TRUE(GetFileTime(file, &gotCreation, &gotAccess, &gotWrite));
    EXPECT_EQ(gotCreation.dwHighDateTime, creation.dwHighDateTime);
    EXPECT_EQ(gotCreation.dwLowDateTime, creation.dwLowDateTime);
    EXPECT_EQ(gotWrite.dwHighDateTime, lastWrite.dwHighDateTime);
    EXPECT_EQ(gotWrite.dwLowDateTime, lastWrite.dwLowDateTime);

    // A null time leaves that time alone.
    const FILETIME newer{0x00000000, 0x01DB0000};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &newer));
    ASSERT_TRUE(GetFileTime(file, &gotCreation, nullptr, &gotWrite));
    EXPECT_EQ(gotCreation.dwLowDateTime, creation.dwLowDateTime);
    EXPECT_EQ(gotWrite.dwHighDateTime, newer.dwHighDateTime);
    EXPECT_TRUE(CloseHandle(file));

    file = CreateFileA("C:\\Mail\\Report.PDF", GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SetFileTime(file, nullptr, nullptr, &newer));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseHandle(file));
}

TEST_F(FilesTest, FindMatchesWildcardsWithoutRegardToCase) {
    temp.WriteFile("Mail/notes.TXT", "a");
    temp.WriteFile("Mail/b.txt", "bb");
    temp.WriteFile("Mail/c.txt.bak", "c");
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA("C:\\mail\\*.txt", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> names{found.cFileName};
    while (FindNextFileA(search, &found)) {
        names.emplace_back(found.cFileName);
    }
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "notes.TXT"}));

    search = FindFirstFileA("C:\\Mail\\?.TXT", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "b.txt");
    EXPECT_EQ(found.nFileSizeLow, 2u);
    EXPECT_EQ(found.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(FindClose(search));

    EXPECT_EQ(FindFirstFileA("C:\\Mail\\*.doc", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA("C:\\Gone\\*", &found), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, DeleteMoveAndCopy) {
    EXPECT_TRUE(CopyFileA("C:\\Mail\\Report.PDF", "C:\\Mail\\copy.pdf", TRUE));
    EXPECT_EQ(temp.ReadFile("Mail/copy.pdf"), "12345");
    EXPECT_FALSE(CopyFileA("C:\\Mail\\Report.PDF", "C:\\Mail\\copy.pdf", TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

    EXPECT_FALSE(MoveFileA("C:\\Mail\\copy.pdf", "C:\\Mail\\Report.PDF"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    temp.WriteFile("Mail/copy.pdf", "new");
    EXPECT_TRUE(
        MoveFileExA("C:\\Mail\\copy.pdf", "C:\\Mail\\Report.PDF", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(temp.ReadFile("Mail/Report.PDF"), "new");
    EXPECT_FALSE(temp.Exists("Mail/copy.pdf"));

    EXPECT_FALSE(DeleteFileA("C:\\Mail"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileA("C:\\Mail\\none"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(DeleteFileA("C:\\Mail\\Report.PDF"));
    EXPECT_FALSE(temp.Exists("Mail/Report.PDF"));
}

} // namespace

namespace {

// A link shows as the platform shows one, and what is written at its name never reaches the
// link's target: a link in a target folder could otherwise take a saved file anywhere.
TEST_F(FilesTest, LinksAreReparsePointsAndNeverWrittenThrough) {
    temp.WriteFile("outside.txt", "keep");
    ASSERT_EQ(::symlink("../outside.txt", Host("Mail/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink("../missing.txt", Host("Mail/dangling.txt").c_str()), 0);

    EXPECT_EQ(GetFileAttributesA("C:\\Mail\\link.txt"),
              FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(GetFileAttributesA("C:\\Mail\\dangling.txt"), FILE_ATTRIBUTE_REPARSE_POINT);

    for (DWORD disposition : {CREATE_NEW, CREATE_ALWAYS, OPEN_ALWAYS, TRUNCATE_EXISTING}) {
        SCOPED_TRACE(disposition);
        for (const char* path : {"C:\\Mail\\link.txt", "C:\\Mail\\dangling.txt"}) {
            HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, 0, nullptr);
            EXPECT_EQ(file, INVALID_HANDLE_VALUE) << path;
        }
    }
    IStream* stream = nullptr;
    EXPECT_EQ(OpenStreamOnFile(nullptr, nullptr, STGM_CREATE | STGM_READWRITE,
                               const_cast<LPSTR>("C:\\Mail\\dangling.txt"), nullptr, &stream),
              MAPI_E_NO_ACCESS);
    EXPECT_EQ(temp.ReadFile("outside.txt"), "keep");
    EXPECT_FALSE(temp.Exists("missing.txt"));
    // Reading follows the link, as the platform's reads do.
    HANDLE file =
        CreateFileA("C:\\Mail\\link.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

TEST_F(FilesTest, AFlushNeedsAFileOpenForWriting) {
    HANDLE file =
        CreateFileA("C:\\Mail\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FlushFileBuffers(file));
    CloseHandle(file);
    file = CreateFileA("C:\\Mail\\new.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetLastError(0);
    EXPECT_FALSE(FlushFileBuffers(file));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseHandle(file);
}

} // namespace
