#include "platform/archive_files.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/win32_files.h"
#include "tests/support/drive_test.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

class ArchiveFilesTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        temp.WriteFile("Att/pack.zip", "0123456789");
    }

    voidpf Open(const char* path, int mode) const {
        return files->zopen64_file(files->opaque, path, mode);
    }
    int Close(voidpf stream) const { return files->zclose_file(files->opaque, stream); }

    zlib_filefunc64_def* files = ArchiveFileFunctions();
};

constexpr int kRead = ZLIB_FILEFUNC_MODE_READ | ZLIB_FILEFUNC_MODE_EXISTING;
constexpr int kCreate = ZLIB_FILEFUNC_MODE_WRITE | ZLIB_FILEFUNC_MODE_CREATE;

TEST_F(ArchiveFilesTest, ReadsSeeksAndWritesThroughTheMappedDrive) {
    voidpf stream = Open("C:\\ATT\\pack.zip", kRead);
    ASSERT_NE(stream, nullptr);
    char bytes[4] = {};
    EXPECT_EQ(files->zseek64_file(files->opaque, stream, 6, ZLIB_FILEFUNC_SEEK_SET), 0);
    EXPECT_EQ(files->zread_file(files->opaque, stream, bytes, 4), 4u);
    EXPECT_EQ(std::string(bytes, 4), "6789");
    EXPECT_EQ(files->ztell64_file(files->opaque, stream), 10u);
    EXPECT_EQ(files->zread_file(files->opaque, stream, bytes, 4), 0u);
    EXPECT_EQ(files->zerror_file(files->opaque, stream), 0);
    EXPECT_EQ(Close(stream), 0);

    stream = Open("C:\\Att\\new.zip", kCreate);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(files->zwrite_file(files->opaque, stream, "PK", 2), 2u);
    EXPECT_EQ(Close(stream), 0);
    EXPECT_EQ(temp.ReadFile("Att/new.zip"), "PK");

    EXPECT_EQ(Open("C:\\Att\\missing.zip", kRead), nullptr);
    EXPECT_EQ(Open("Q:\\pack.zip", kRead), nullptr);
}

// As the platform's stdio files do, an archive open for reading lets others read it, but not
// take it for themselves.
TEST_F(ArchiveFilesTest, OpenArchiveRefusesAnExclusiveOpenOfItsFile) {
    voidpf stream = Open("C:\\Att\\pack.zip", kRead);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(
        CreateFileA("C:\\Att\\pack.zip", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    HANDLE reader = CreateFileA("C:\\Att\\pack.zip", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
    EXPECT_EQ(Close(stream), 0);
    EXPECT_EQ(temp.ReadFile("Att/pack.zip"), "0123456789");

    HANDLE writer =
        CreateFileA("C:\\Att\\pack.zip", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);
}

TEST_F(ArchiveFilesTest, InjectedFaultsFailTheirOperation) {
    embedded::FailNthCall("ArchiveOpenFile", 1, E_FAIL);
    EXPECT_EQ(Open("C:\\Att\\pack.zip", kRead), nullptr);

    voidpf stream = Open("C:\\Att\\pack.zip", kRead);
    ASSERT_NE(stream, nullptr);
    char bytes[4] = {};
    embedded::FailNthCall("ArchiveReadFile", 1, E_FAIL);
    EXPECT_EQ(files->zread_file(files->opaque, stream, bytes, 4), 0u);
    EXPECT_NE(files->zerror_file(files->opaque, stream), 0);
    embedded::FailNthCall("ArchiveCloseFile", 1, E_FAIL);
    EXPECT_NE(Close(stream), 0);
    // The failed close still let the file go.
    HANDLE writer =
        CreateFileA("C:\\Att\\pack.zip", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);

    stream = Open("C:\\Att\\new.zip", kCreate);
    ASSERT_NE(stream, nullptr);
    embedded::FailNthCall("ArchiveWriteFile", 1, E_FAIL);
    EXPECT_EQ(files->zwrite_file(files->opaque, stream, "PK", 2), 0u);
    EXPECT_EQ(Close(stream), 0);
    EXPECT_EQ(temp.ReadFile("Att/new.zip"), "");
}

} // namespace
