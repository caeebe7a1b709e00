#include "options/recent_folders.h"

#include "tests/options/options_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using options_testing::OptionsTest;

class RecentFoldersTest : public OptionsTest {
  protected:
    // A record whose list holds `folders` (most recent first) and whose target is the first.
    static void Fill(SaveOptions& options, const std::vector<std::string>& folders) {
        InitOptions(options);
        for (std::size_t i = 0; i < folders.size(); ++i) {
            BoundedCopy(options.recentFolders[i], kFolderCapacity, folders[i].c_str());
        }
        if (!folders.empty()) {
            BoundedCopy(options.targetFolder, kFolderCapacity, folders[0].c_str());
        }
    }
};

std::vector<std::string> Numbered(int count) {
    std::vector<std::string> folders;
    for (int i = 1; i <= count; ++i) {
        folders.push_back("C:\\F" + std::to_string(i) + "\\");
    }
    return folders;
}

TEST_F(RecentFoldersTest, TheChosenFolderMovesToTheFront) {
    std::vector<std::string> fullAfterNew = Numbered(9);
    fullAfterNew.insert(fullAfterNew.begin(), "C:\\New\\");
    std::vector<std::string> lastMovedUp = Numbered(9);
    lastMovedUp.insert(lastMovedUp.begin(), "c:\\f10\\");
    const std::string longFolder(300, 'a');

    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::string folder;
        std::string target;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {"into an empty list", {}, "D:\\Mail", "D:\\Mail\\", {"D:\\Mail\\"}},
        {"a duplicate in another case is replaced",
         {"C:\\A\\", "d:\\mail\\", "E:\\B\\"},
         "D:\\Mail",
         "D:\\Mail\\",
         {"D:\\Mail\\", "C:\\A\\", "E:\\B\\"}},
        {"the first entry again keeps the list",
         {"C:\\A\\", "E:\\B\\"},
         "c:\\a\\",
         "c:\\a\\",
         {"C:\\A\\", "E:\\B\\"}},
        {"a new folder on a full list drops the tenth", Numbered(10), "C:\\New", "C:\\New\\",
         fullAfterNew},
        {"the tenth entry moves up", Numbered(10), "c:\\f10", "c:\\f10\\", lastMovedUp},
        {"an empty text is a lone backslash", {"C:\\A\\"}, "", "\\", {"\\", "C:\\A\\"}},
        {"a long folder is cut to leave room for its backslash",
         {},
         longFolder,
         std::string(258, 'a') + "\\",
         {std::string(258, 'a') + "\\"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SaveOptions options;
        Fill(options, c.before);
        AddRecentFolder(options, c.folder.c_str());
        EXPECT_EQ(std::string(options.targetFolder), c.target);
        EXPECT_EQ(RecentFolders(options), Padded(c.after));
    }
}

TEST_F(RecentFoldersTest, AFolderOfTheListItselfCanBeChosen) {
    SaveOptions options;
    Fill(options, {"C:\\A\\", "C:\\B\\", "C:\\C\\"});
    AddRecentFolder(options, options.recentFolders[2]);
    EXPECT_STREQ(options.targetFolder, "C:\\C\\");
    EXPECT_EQ(RecentFolders(options), Padded({"C:\\C\\", "C:\\A\\", "C:\\B\\"}));
    AddRecentFolder(options, options.targetFolder);
    EXPECT_EQ(RecentFolders(options), Padded({"C:\\C\\", "C:\\A\\", "C:\\B\\"}));
}

} // namespace
