#include "module/user_messages.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/win32_ui.h"
#include "resources/resource_ids.h"
#include "tests/support/loaded_module.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class UserMessagesTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    void TearDown() override { embedded::ResetPlatformTrace(); }

    HWND Owner() { return embedded::CreateClientWindow("Inbox", RECT{0, 0, 800, 600}); }

    testing_support::LoadedModule module;
    testing_support::ScriptedUser user;
};

TEST_F(UserMessagesTest, AsksWithInsertsCaptionAndTheCallersFlags) {
    user->ExpectMessageBox(IDYES);
    EXPECT_EQ(ShowResourceMessage(Owner(), resource_ids::kReattachBeforeSend,
                                  MB_YESNO | MB_ICONQUESTION | MB_TOPMOST, 3),
              IDYES);
    user->ExpectMessageBox(IDNO);
    EXPECT_EQ(ShowResourceMessage(Owner(), resource_ids::kReattachFileUnreadable,
                                  MB_YESNO | MB_ICONERROR, "C:\\Att\\a.pdf", 5),
              IDNO);
    user->ExpectMessageBox(IDYES);
    EXPECT_EQ(ShowResourceMessage(Owner(), resource_ids::kConfirmLinkRename,
                                  MB_YESNO | MB_ICONQUESTION, "C:\\Old", "D:\\New"),
              IDYES);

    const auto& boxes = user->MessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "The message you are about to send contains 3 detached link(s).\n\n"
                             "Would you like to reattach them before sending?");
    EXPECT_EQ(boxes[0].type, 0x40024u);
    EXPECT_EQ(boxes[1].text, "Filvex was unable to reattach file C:\\Att\\a.pdf.\nPlease check "
                             "that you have permissions to open it.\n\nWould you like to "
                             "continue reattaching files?\n\nMessage 5.");
    EXPECT_EQ(boxes[1].type, 0x14u);
    EXPECT_EQ(boxes[2].text, "This will replace all links pointing to \"C:\\Old\" with links "
                             "pointing to \"D:\\New\". Are you sure you would like to proceed?");
    for (const auto& box : boxes) {
        EXPECT_EQ(box.caption, "Filvex");
    }
}

TEST_F(UserMessagesTest, BoxWithoutOwnerIsStillShown) {
    user->ExpectMessageBox(IDNO);
    EXPECT_EQ(ShowResourceMessage(nullptr, resource_ids::kAskForFileNames, MB_YESNO), IDNO);
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].owner, nullptr);
}

TEST_F(UserMessagesTest, ErrorHasTheErrorIconAndAnOkButton) {
    user->ExpectMessageBox(IDOK);
    ShowResourceError(Owner(), resource_ids::kFolderCreateFailed, "C:\\Mail\\new\\");
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].text, "Failed to create folder C:\\Mail\\new\\.");
    EXPECT_EQ(user->MessageBoxes()[0].type, MB_ICONERROR);
}

TEST_F(UserMessagesTest, NothingIsShownWhenAPieceIsMissing) {
    // No box is scripted: any box shown here fails the test.
    EXPECT_EQ(ShowResourceMessage(Owner(), 4000, MB_YESNO), -1);
    ShowResourceError(Owner(), 4000);

    embedded::FailNthCall("LoadStringA", 2, E_FAIL); // the caption
    EXPECT_EQ(ShowResourceMessage(Owner(), resource_ids::kAskForFileNames, MB_YESNO), -1);

    embedded::FailNthCall("FormatMessageA", 1, E_FAIL);
    EXPECT_EQ(ShowResourceMessage(Owner(), resource_ids::kAskForFileNames, MB_YESNO), -1);
    EXPECT_TRUE(user->MessageBoxes().empty());
}

TEST_F(UserMessagesTest, FormatsIntoTheCallersBuffer) {
    char about[2048];
    const int length = FormatResourceString(module.instance(), resource_ids::kAboutText, about,
                                            sizeof about, "4.3.3.128");
    ASSERT_GT(length, 0);
    const std::string text(about, static_cast<std::size_t>(length));
    EXPECT_EQ(text.substr(0, text.find_first_of("\r\n")), "Filvex 4.3.3.128");
    EXPECT_EQ(text.substr(text.find_last_of("\r\n") + 1), "Thank you for using Filvex.");

    char summary[256];
    FormatResourceString(module.instance(), resource_ids::kReattachSummary, summary, sizeof summary,
                         12);
    EXPECT_STREQ(summary, "\"Reattach files\" operation completed.\n\nFiles reattached: 12");
}

TEST_F(UserMessagesTest, FormatRefusesNullInstanceOrBufferAndUnknownIds) {
    char buffer[64] = "untouched";
    EXPECT_EQ(FormatResourceString(nullptr, resource_ids::kNoLinks, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "untouched");
    EXPECT_EQ(FormatResourceString(module.instance(), resource_ids::kNoLinks, nullptr, 64), 0);
    EXPECT_EQ(FormatResourceString(module.instance(), 4000, buffer, sizeof buffer), 0);
}

} // namespace
