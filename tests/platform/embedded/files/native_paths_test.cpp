#include "platform/embedded/files/native_paths.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

class NativePathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::MapDrive('C', temp.path());
        temp.WriteFile("Mail/Saved/Report.PDF", "x");
    }
    void TearDown() override { embedded::ResetDriveMap(); }

    testing_support::TempFolder temp;
};

TEST_F(NativePathsTest, MapsDrivesSeparatorsAndLetterCase) {
    struct Case {
        const char* name;
        const char* windows;
        std::string host;
    };
    const Case cases[] = {
        {"backslashes", "C:\\Mail\\Saved\\Report.PDF", temp.path() + "/Mail/Saved/Report.PDF"},
        {"lower-case drive and slashes", "c:/Mail/Saved", temp.path() + "/Mail/Saved"},
        {"existing names in other case", "C:\\MAIL\\saved\\report.pdf",
         temp.path() + "/Mail/Saved/Report.PDF"},
        {"new name keeps its spelling", "C:\\mail\\New Folder", temp.path() + "/Mail/New Folder"},
        {"dot-dot stays inside the drive", "C:\\..\\..\\Mail", temp.path() + "/Mail"},
        {"trailing separator kept", "C:\\Mail\\", temp.path() + "/Mail/"},
        {"default Z drive", "Z:\\etc", "/etc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(embedded::ToNativePath(c.windows), std::optional<std::string>(c.host));
    }
}

// A folder followed by a name that itself looks like a whole path stays below the folder: a
// drive, a root or a share counts only at the start of the whole path.
TEST_F(NativePathsTest, PathLikeElementsAfterTheStartStayInside) {
    struct Case {
        const char* name;
        const char* windows;
        std::string host;
    };
    const Case cases[] = {
        {"drive after the folder", "C:\\T\\C:\\x", temp.path() + "/T/C:/x"},
        {"root after the folder", "C:\\T\\/etc/x", temp.path() + "/T/etc/x"},
        {"share after the folder", "C:\\T\\\\\\server\\x", temp.path() + "/T/server/x"},
        {"dot elements after the folder", "C:\\T\\a/./../x", temp.path() + "/T/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(embedded::ToNativePath(c.windows), std::optional<std::string>(c.host));
    }
}

TEST_F(NativePathsTest, UnmappedDrivesAndSharesHaveNoNativePath) {
    EXPECT_FALSE(embedded::ToNativePath("Q:\\x").has_value());
    EXPECT_FALSE(embedded::ToNativePath("\\\\server\\share\\x").has_value());
}

TEST_F(NativePathsTest, NativePathGoesBackUnderTheLongestMappedFolder) {
    EXPECT_EQ(embedded::ToWindowsPath(temp.path() + "/Mail/Saved"),
              std::optional<std::string>("C:\\Mail\\Saved"));
    EXPECT_EQ(embedded::ToWindowsPath("/usr/share"), std::optional<std::string>("Z:\\usr\\share"));
}

} // namespace
