#include "module/folder_creation.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/win32_ui.h"
#include "tests/support/drive_test.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scripted_user.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class FolderCreationTest : public testing_support::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        owner = embedded::CreateClientWindow("Inbox", RECT{0, 0, 800, 600});
    }
    void TearDown() override { DriveTest::TearDown(); }

    bool IsFolder(const std::string& relative) const {
        return std::filesystem::is_directory(temp.path() + "/" + relative);
    }

    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
    HWND owner = nullptr;
};

TEST_F(FolderCreationTest, CreatesTheLastFolderOrAcceptsAnExistingOne) {
    temp.WriteFile("Mail/keep.txt", "");
    EXPECT_TRUE(EnsureFolder("C:\\Mail\\new\\", owner));
    EXPECT_TRUE(IsFolder("Mail/new"));
    EXPECT_TRUE(EnsureFolder("C:\\Mail\\new\\", owner));
    EXPECT_TRUE(EnsureFolder("C:\\Mail\\new", nullptr));
    EXPECT_TRUE(user->MessageBoxes().empty());
}

TEST_F(FolderCreationTest, FileInTheWayIsReportedWithTheGivenPath) {
    temp.WriteFile("Mail/new", "a file, not a folder");
    user->ExpectMessageBox(IDOK);
    EXPECT_FALSE(EnsureFolder("C:\\Mail\\new\\", owner));
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].text,
              "Failed to create folder C:\\Mail\\new\\.\nA file with this name already exists. "
              "Please delete or move the file and try again.");
    EXPECT_EQ(user->MessageBoxes()[0].type, MB_ICONERROR);
}

TEST_F(FolderCreationTest, MissingParentIsReportedAndNothingIsCreated) {
    user->ExpectMessageBox(IDOK);
    EXPECT_FALSE(EnsureFolder("C:\\Mail\\new\\", owner));
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].text, "Failed to create folder C:\\Mail\\new\\.");
    EXPECT_FALSE(IsFolder("Mail"));
}

TEST_F(FolderCreationTest, WithoutOwnerTheResultsAreTheSameAndSilent) {
    temp.WriteFile("Mail/new", "");
    EXPECT_FALSE(EnsureFolder("C:\\Mail\\new\\", nullptr));
    EXPECT_FALSE(EnsureFolder("C:\\Missing\\new\\", nullptr));
    embedded::FailNthCall("CreateDirectoryA", 1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(EnsureFolder("C:\\Other\\", nullptr));
    EXPECT_TRUE(user->MessageBoxes().empty());
}

TEST_F(FolderCreationTest, TreeStopsBeforeTheLastElement) {
    EXPECT_TRUE(CreateFolderTree("C:\\a\\b\\c.txt"));
    EXPECT_TRUE(IsFolder("a/b"));
    EXPECT_FALSE(temp.Exists("a/b/c.txt"));

    EXPECT_TRUE(CreateFolderTree("C:\\x\\y\\"));
    EXPECT_TRUE(IsFolder("x/y"));

    EXPECT_TRUE(CreateFolderTree("C:/m/n/file"));
    EXPECT_TRUE(IsFolder("m/n"));
    EXPECT_TRUE(CreateFolderTree("plain-name"));
}

TEST_F(FolderCreationTest, TreeGoesOnPastFailures) {
    temp.WriteFile("a", "a file where a folder would go");
    EXPECT_TRUE(CreateFolderTree("C:\\a\\b\\c.txt"));
    EXPECT_FALSE(IsFolder("a/b"));
}

} // namespace
