#include "engine/save_file_dialog.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/win32_ui.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(AskSaveFileName, ProposesThePathAndTakesTheChosenOne) {
    testing_support::ScriptedUser user;
    HWND owner = embedded::CreateClientWindow("Inbox", RECT{0, 0, 800, 600});
    char path[260] = "C:\\Att\\report.pdf";
    user->ExpectFileDialog(std::string("C:\\Elsewhere\\renamed.pdf"));
    EXPECT_TRUE(AskSaveFileName(owner, path, sizeof path));
    EXPECT_STREQ(path, "C:\\Elsewhere\\renamed.pdf");

    ASSERT_EQ(user->FileDialogs().size(), 1u);
    const auto& shown = user->FileDialogs()[0];
    EXPECT_TRUE(shown.save);
    EXPECT_EQ(shown.owner, owner);
    EXPECT_EQ(shown.structSize, 76u);
    EXPECT_EQ(shown.flags, OFN_OVERWRITEPROMPT);
    EXPECT_EQ(shown.initialFile, "C:\\Att\\report.pdf");
    EXPECT_TRUE(shown.title.empty());
    EXPECT_TRUE(shown.initialFolder.empty());
}

TEST(AskSaveFileName, CancelKeepsTheProposedPath) {
    testing_support::ScriptedUser user;
    char path[260] = "C:\\Att\\report.pdf";
    user->ExpectFileDialog(std::nullopt);
    EXPECT_FALSE(AskSaveFileName(nullptr, path, sizeof path));
    EXPECT_STREQ(path, "C:\\Att\\report.pdf");
}

} // namespace
