#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/system/system_version.h"
#include "platform/shell_folders.h"
#include "platform/win32_system.h"
#include "tests/support/drive_test.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ShellSystemTest : public testing_support::DriveTest {
  protected:
    void TearDown() override {
        embedded::ResetSystemVersion();
        DriveTest::TearDown();
    }

    std::string DocumentsPath() {
        LPITEMIDLIST list = nullptr;
        EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &list), S_OK);
        char path[260] = {};
        EXPECT_TRUE(SHGetPathFromIDListA(list, path));
        CoTaskMemFree(list);
        return path;
    }

    testing_support::ScopedEnvironment environment;
};

TEST_F(ShellSystemTest, DocumentsFolderFollowsTheUsersFolders) {
    environment.Set("HOME", temp.path() + "/home");
    environment.Set("XDG_CONFIG_HOME", temp.path() + "/home/.config");
    environment.Unset("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(DocumentsPath(), "C:\\home\\Documents");

    temp.WriteFile("home/.config/user-dirs.dirs",
                   "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(DocumentsPath(), "C:\\home\\Dokumente");

    environment.Set("XDG_DOCUMENTS_DIR", temp.path() + "/Papers");
    EXPECT_EQ(DocumentsPath(), "C:\\Papers");
}

TEST_F(ShellSystemTest, DocumentsFolderFailureReachesTheCaller) {
    LPITEMIDLIST list = nullptr;
    embedded::FailNthCall("SHGetSpecialFolderLocation", 1, E_FAIL);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &list), E_FAIL);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x7F, &list), E_INVALIDARG);
}

TEST_F(ShellSystemTest, VersionIsNotWindowsNT4UnlessATestSaysSo) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, 10u);
    EXPECT_EQ(info.dwMinorVersion, 0u);

    embedded::ReportSystemVersion(4, 0, 1381, VER_PLATFORM_WIN32_NT);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwMajorVersion, 4u);

    info.dwOSVersionInfoSize = 20;
    SetLastError(0);
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

} // namespace
