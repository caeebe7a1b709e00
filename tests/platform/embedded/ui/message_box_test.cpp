#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/win32_ui.h"
#include "tests/support/scripted_user.h"

#include <gtest/gtest.h>

namespace {

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override { embedded::ResetPlatformTrace(); }
    testing_support::ScriptedUser user;
};

TEST_F(MessageBoxTest, TheScriptedAnswerComesBackAndTheBoxIsRecorded) {
    HWND owner = embedded::CreateClientWindow("Mail", RECT{0, 0, 800, 600});
    user->ExpectMessageBox(IDNO);
    user->ExpectMessageBox(IDOK);

    EXPECT_EQ(MessageBoxA(owner, "Reattach?", "Filvex", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Done.", "Filvex", MB_OK), IDOK);

    ASSERT_EQ(user->MessageBoxes().size(), 2u);
    const embedded::MessageBoxRequest& first = user->MessageBoxes()[0];
    EXPECT_EQ(first.owner, owner);
    EXPECT_EQ(first.text, "Reattach?");
    EXPECT_EQ(first.caption, "Filvex");
    EXPECT_EQ(first.type, 0x24u);
    EXPECT_EQ(user->MessageBoxes()[1].owner, nullptr);
}

TEST_F(MessageBoxTest, AnUnscriptedBoxGetsNoAnswerAndIsRecordedAsAFailure) {
    EXPECT_EQ(MessageBoxA(nullptr, "Failed to create folder C:\\x\\.", "Filvex", MB_ICONERROR), 0);

    ASSERT_EQ(user->Failures().size(), 1u);
    EXPECT_NE(user->Failures()[0].find("unscripted message box"), std::string::npos);
    EXPECT_NE(user->Failures()[0].find("Failed to create folder C:\\x\\."), std::string::npos);
    user->ClearFailures();
}

TEST_F(MessageBoxTest, ABoxOfAnotherKindThanScriptedIsAFailureAndLeavesTheScript) {
    user->ExpectFileDialog(std::nullopt);
    EXPECT_EQ(MessageBoxA(nullptr, "Surprise", "Filvex", MB_OK), 0);

    ASSERT_EQ(user->Failures().size(), 1u);
    EXPECT_NE(user->Failures()[0].find("while the script expects file dialog"), std::string::npos);
    EXPECT_EQ(user->Unused().size(), 1u);
    user->ClearFailures();
    user->AnswerFileDialog({}); // use up the scripted file dialog
}

TEST_F(MessageBoxTest, NobodyAtTheScreenOrAnInjectedFailureShowsNothing) {
    embedded::SetUserAgent(nullptr);
    EXPECT_EQ(MessageBoxA(nullptr, "Lost", "Filvex", MB_OK), 0);
    embedded::SetUserAgent(&user.agent());

    embedded::FailNthCall("MessageBoxA", 1, E_OUTOFMEMORY);
    EXPECT_EQ(MessageBoxA(nullptr, "Lost", "Filvex", MB_OK), 0);
    EXPECT_TRUE(user->MessageBoxes().empty());
}

} // namespace
