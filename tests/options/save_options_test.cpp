#include "options/save_options.h"

#include "options/recent_folders.h"
#include "tests/options/options_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using options_testing::kDocumentsTarget;
using options_testing::OptionsTest;

class SaveOptionsTest : public OptionsTest {};

TEST_F(SaveOptionsTest, AFreshRecordHoldsTheDefaults) {
    SaveOptions options;
    InitOptions(options);
    // Every field away from its default, then back through a second InitOptions.
    std::memset(options.fieldSeparator, 'x', sizeof options.fieldSeparator - 1);
    options.loaded = options.optionsKeyFound = true;
    options.advancedEnabled = options.saveEmbeddedMessages = options.showReattachSummary = 0;
    options.deleteReattachedFiles = options.setSummaryProperties = 0;
    options.appendSenderName = options.appendSubject = options.zipSaved = 1;
    options.removeAttachments = options.leaveLinks = options.specifyNames = 1;
    options.subfolderMode = kSubjectSubfolder;
    AddRecentFolder(options, "C:\\Old");
    BoundedCopy(options.nameFilter, kNameFilterCapacity, ".pdf");
    BoundedCopy(options.commandLine, kCommandLineCapacity, "notepad");
    InitOptions(options, std::make_unique<MachineRoot>());

    EXPECT_EQ(options.registryRoot->RootKey(), HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(options.loaded);
    EXPECT_FALSE(options.optionsKeyFound);
    for (const std::int32_t cleared :
         {options.appendSenderName, options.appendSenderEmail, options.appendReceivedDate,
          options.appendReceivedTime, options.appendSubject, options.overwriteExisting,
          options.removeAttachments, options.leaveLinks, options.zipSaved, options.unzipSaved,
          options.optionsExpanded, options.specifyNames, options.promptForNames,
          options.subfolderMode}) {
        EXPECT_EQ(cleared, 0);
    }
    for (const std::int32_t set :
         {options.advancedEnabled, options.saveEmbeddedMessages, options.showReattachSummary,
          options.deleteReattachedFiles, options.setSummaryProperties}) {
        EXPECT_EQ(set, 1);
    }
    EXPECT_STREQ(options.fieldSeparator, " - ");
    EXPECT_STREQ(options.dateSeparator, "-");
    EXPECT_STREQ(options.timeSeparator, ".");
    EXPECT_STREQ(options.dateTimeSeparator, " ");
    EXPECT_STREQ(options.targetFolder, "");
    EXPECT_STREQ(options.nameFilter, "");
    EXPECT_STREQ(options.commandLine, "");
    EXPECT_EQ(RecentFolders(options), Padded({}));

    InitOptions(options);
    EXPECT_EQ(options.registryRoot->RootKey(), HKEY_CURRENT_USER);
}

TEST_F(SaveOptionsTest, WithoutStoredOptionsTheTargetIsBelowTheDocumentsFolder) {
    SaveOptions options = LoadedUserOptions();
    EXPECT_TRUE(options.loaded);
    EXPECT_FALSE(options.optionsKeyFound);
    EXPECT_STREQ(options.targetFolder, kDocumentsTarget);
    EXPECT_EQ(RecentFolders(options), Padded({kDocumentsTarget}));
}

TEST_F(SaveOptionsTest, ASecondLoadChangesNothing) {
    WriteUserOptions("\"AN\"=dword:00000001\n\"SD\"=\"C:\\\\First\"");
    SaveOptions options = LoadedUserOptions();
    ASSERT_STREQ(options.targetFolder, "C:\\First\\");

    WriteUserOptions("\"AN\"=dword:00000000\n\"SD\"=\"C:\\\\Second\"");
    EXPECT_EQ(LoadOptions(options), S_OK);
    EXPECT_EQ(options.appendSenderName, 1);
    EXPECT_STREQ(options.targetFolder, "C:\\First\\");
    EXPECT_EQ(RecentFolders(options), Padded({"C:\\First\\"}));
}

TEST_F(SaveOptionsTest, TheDefaultFolderWhenTheShellFails) {
    struct Case {
        const char* name;
        const char* failingOperation;
        bool found;
        const char* folder;
    };
    const Case cases[] = {
        {"documents folder named", nullptr, true, "C:\\Documents\\MailAttachments"},
        {"no documents folder", "SHGetSpecialFolderLocation", false, "\\MailAttachments"},
        {"no path for the folder", "SHGetPathFromIDListA", true, "c:\\MailAttachments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        embedded::ResetPlatformTrace();
        if (c.failingOperation != nullptr) {
            embedded::FailEveryCall(c.failingOperation, E_FAIL);
        }
        char folder[kFolderCapacity] = "left over";
        EXPECT_EQ(DefaultTargetFolder(folder), c.found);
        EXPECT_STREQ(folder, c.folder);

        SaveOptions options = LoadedUserOptions();
        EXPECT_EQ(std::string(options.targetFolder), std::string(c.folder) + "\\");
        EXPECT_EQ(RecentFolders(options), Padded({options.targetFolder}));
    }
}

TEST_F(SaveOptionsTest, TheDocumentsLocationIsFreed) {
    char folder[kFolderCapacity];
    ASSERT_TRUE(DefaultTargetFolder(folder));
    EXPECT_EQ(embedded::CallsOf("CoTaskMemFree").size(), 1u);
}

} // namespace
