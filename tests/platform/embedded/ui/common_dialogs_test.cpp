#include "platform/common_dialogs.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class CommonDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    testing_support::ScriptedUser user;
};

TEST_F(CommonDialogsTest, SaveAsAnswersTheChosenPathACancelOrATooSmallBuffer) {
    struct Case {
        const char* name;
        std::optional<std::string> answer;
        DWORD capacity;
        BOOL result;
        DWORD extendedError;
        const char* fileAfter;
    };
    const Case cases[] = {
        {"chosen", "D:\\Out\\report.final.doc", 260, TRUE, 0, "D:\\Out\\report.final.doc"},
        {"cancelled", std::nullopt, 260, FALSE, 0, "C:\\Mail\\report.doc"},
        {"buffer too small", "D:\\Out\\report.final.doc", 20, FALSE, FNERR_BUFFERTOOSMALL, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char file[260] = "C:\\Mail\\report.doc";
        OPENFILENAMEA dialog{};
        dialog.lStructSize = kOpenFileNameSizeNT4;
        dialog.lpstrFile = file;
        dialog.nMaxFile = c.capacity;
        dialog.lpstrFilter = "Documents\0*.doc\0All\0*.*\0";
        dialog.Flags = OFN_OVERWRITEPROMPT;
        user->ExpectFileDialog(c.answer);

        EXPECT_EQ(GetSaveFileNameA(&dialog), c.result);
        EXPECT_EQ(CommDlgExtendedError(), c.extendedError);
        if (c.fileAfter != nullptr) {
            EXPECT_STREQ(file, c.fileAfter);
        } else {
            WORD needed = 0; // the size the path needs, in the buffer's first two bytes
            std::memcpy(&needed, file, sizeof needed);
            EXPECT_EQ(needed, c.answer->size() + 1);
        }
        const embedded::FileDialogRequest& seen = user->FileDialogs().back();
        EXPECT_TRUE(seen.save);
        EXPECT_EQ(seen.structSize, 76u);
        EXPECT_EQ(seen.flags, OFN_OVERWRITEPROMPT);
        EXPECT_EQ(seen.initialFile, "C:\\Mail\\report.doc");
        EXPECT_EQ(seen.filter, (std::vector<std::string>{"Documents", "*.doc", "All", "*.*"}));
    }
    auto calls = embedded::CallsOf("GetSaveFileNameA");
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].flags, (std::uint64_t{76} << 32) | OFN_OVERWRITEPROMPT);
}

TEST_F(CommonDialogsTest, OpenDialogFillsNameOffsetsAndSeesTitleAndFlags) {
    char file[260] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = kOpenFileNameSizeNT4;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = "Select a command to run";
    dialog.Flags = OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    user->ExpectFileDialog("C:\\Tools\\scan.exe");

    ASSERT_TRUE(GetOpenFileNameA(&dialog));

    EXPECT_STREQ(file, "C:\\Tools\\scan.exe");
    EXPECT_EQ(dialog.nFileOffset, 9);
    EXPECT_EQ(dialog.nFileExtension, 14);
    EXPECT_FALSE(user->FileDialogs()[0].save);
    EXPECT_EQ(user->FileDialogs()[0].title, "Select a command to run");
    EXPECT_EQ(user->FileDialogs()[0].flags, 0x201800u);
}

TEST_F(CommonDialogsTest, AWrongStructureSizeOrAnInjectedFailureFailsWithoutAsking) {
    char file[260] = "";
    OPENFILENAMEA dialog{};
    dialog.lStructSize = 12;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    EXPECT_FALSE(GetSaveFileNameA(&dialog));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);

    dialog.lStructSize = kOpenFileNameSizeNT4;
    embedded::FailNthCall("GetSaveFileNameA", 1, E_FAIL);
    EXPECT_FALSE(GetSaveFileNameA(&dialog));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_DIALOGFAILURE);
    EXPECT_TRUE(user->FileDialogs().empty());
}

} // namespace
