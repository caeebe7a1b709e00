#include "host/mail_extension.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/cursors.h"
#include "platform/keyboard.h"
#include "platform/win32_files.h"
#include "tests/host/host_fixture.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <sys/stat.h>

namespace save_ids = control_ids::save_attachments;

namespace {

using embedded::DialogView;
using embedded::MessageData;
using embedded::MessageDraft;
using embedded::UtcFileTime;

constexpr UINT kSaveDialog = resource_ids::kSaveAttachmentsDialog;

class SaveCommandTest : public host_testing::HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        WriteUserOptions("\"SD\"=\"C:\\\\Mail\\\\\"\n\"SO\"=dword:00000001");
        ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_VIEWER));
    }
    MailExtension& Extension() const { return *static_cast<MailExtension*>(host->Extension()); }
    HRESULT PressSaveButton() {
        TBBUTTON button{};
        host->Commands()->QueryButtonInfo(EETBID_STANDARD, embedded::kFirstFreeButton, &button,
                                          nullptr, 0, 0);
        return host->DoCommand(static_cast<UINT>(button.idCommand));
    }
    std::vector<std::string> Saved() const { return temp.Tree("Mail"); }
    static void SaveNow(DialogView& dialog) { dialog.Click(1); }
};

TEST_F(SaveCommandTest, TheButtonSavesThreeMessagesAsThePersonChoseInTheDialog) {
    const FILETIME written = UtcFileTime(2024, 2, 1, 10, 0, 0);
    std::vector<embedded::EntryId> messages = {
        store.AddMessage(
            MessageDraft()
                .From("Ann Lee", "ann@example.com")
                .Subject("Q1")
                .Received(UtcFileTime(2024, 3, 5, 14, 7, 9))
                .Attach(embedded::AttachmentDraft::File("sales.xls", "xls").Modified(written))),
        store.AddMessage(MessageDraft()
                             .From("Bob Martin", "bob@example.org")
                             .Subject("Photos")
                             .Received(UtcFileTime(2024, 3, 6, 9, 0, 0))
                             .File("beach.jpg", "jpg")
                             .File("notes.txt", "notes")),
        store.AddMessage(MessageDraft().From("Ann Lee", "ann@example.com").Subject("none")),
    };
    host->Select(messages);
    user->ExpectDialog(kSaveDialog, [](DialogView& dialog) {
        dialog.Click(save_ids::kSenderNameButton);   // Use "From" Name
        dialog.Click(save_ids::kAppendReceivedDate); // Append "Received" Date
        dialog.Click(save_ids::kRemoveAttachments);  // Remove attachments
        dialog.Click(save_ids::kLeaveLinks);         // Leave a link
        dialog.Click(1);
    });
    EXPECT_EQ(PressSaveButton(), S_OK);

    EXPECT_EQ(Saved(), (std::vector<std::string>{"Ann Lee/", "Ann Lee/2024-03-05 - sales.xls",
                                                 "Bob Martin/", "Bob Martin/2024-03-06 - beach.jpg",
                                                 "Bob Martin/2024-03-06 - notes.txt"}));
    struct stat status {};
    ASSERT_EQ(stat((temp.path() + "/Mail/Ann Lee/2024-03-05 - sales.xls").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtim.tv_sec, 1706781600); // 2024-02-01 10:00 UTC

    MessageData first = store.Read(messages[0]);
    ASSERT_EQ(first.attachments.size(), 1u);
    const auto& link = first.attachments.begin()->second;
    EXPECT_EQ(link.Method(), 2);
    EXPECT_EQ(link.Text(PR_DISPLAY_NAME), "LinkTo_sales.xls");
    EXPECT_EQ(link.Text(PR_ATTACH_LONG_PATHNAME), "C:\\Mail\\Ann Lee\\2024-03-05 - sales.xls");
    EXPECT_EQ(store.Read(messages[1]).attachments.size(), 2u);
    for (const auto& [number, attachment] : store.Read(messages[1]).attachments) {
        EXPECT_EQ(attachment.Method(), 2);
    }

    const std::string registry = temp.ReadFile("user.reg");
    for (const char* value : {"\"SFN\"=dword:00000001", "\"AD\"=dword:00000001",
                              "\"RA\"=dword:00000001", "\"AL\"=dword:00000001"}) {
        EXPECT_NE(registry.find(value), std::string::npos) << value << "\n" << registry;
    }
}

TEST_F(SaveCommandTest, AnEmptySelectionStillShowsTheDialogAndTheQuestion) {
    WriteUserOptions("\"SD\"=\"C:\\\\Mail\\\\\"\n\"SP\"=dword:00000001");
    user->ExpectDialog(kSaveDialog, SaveNow);
    user->ExpectMessageBox(IDNO);
    EXPECT_EQ(PressSaveButton(), S_OK);
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_NE(user->MessageBoxes()[0].text.find("Would you like to specify file name(s)"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() + "/Mail"));
}

TEST_F(SaveCommandTest, YesToTheQuestionAsksForEveryName) {
    WriteUserOptions("\"SD\"=\"C:\\\\Mail\\\\\"\n\"SP\"=dword:00000001");
    host->Select({store.AddMessage(MessageDraft().File("a.txt", "a").File("b.txt", "b"))});
    user->ExpectDialog(kSaveDialog, SaveNow);
    user->ExpectMessageBox(IDYES);
    user->ExpectFileDialog(std::string("C:\\Mail\\first.txt"));
    user->ExpectFileDialog(std::string("C:\\Mail\\second.txt"));
    EXPECT_EQ(PressSaveButton(), S_OK);
    EXPECT_EQ(Saved(), (std::vector<std::string>{"first.txt", "second.txt"}));
}

TEST_F(SaveCommandTest, CtrlSavesWithTheStoredOptionsAndWritesNothing) {
    host->Select({store.AddMessage(MessageDraft().File("a.txt", "a"))});
    const std::string before = temp.ReadFile("user.reg");
    user->HoldKey(VK_CONTROL);
    EXPECT_EQ(PressSaveButton(), S_OK);
    EXPECT_TRUE(user->Dialogs().empty());
    EXPECT_EQ(Saved(), (std::vector<std::string>{"a.txt"}));
    EXPECT_EQ(temp.ReadFile("user.reg"), before);
}

TEST_F(SaveCommandTest, ShiftOpensTheFolderFirst) {
    host->Select({store.AddMessage(MessageDraft().File("a.txt", "a"))});
    user->HoldKey(VK_CONTROL);
    user->HoldKey(VK_SHIFT);
    EXPECT_EQ(PressSaveButton(), S_OK);
    ASSERT_EQ(user->Launches().size(), 1u);
    EXPECT_EQ(user->Launches()[0].file, "C:\\Mail\\");
    EXPECT_EQ(user->Launches()[0].verb, "open");
    EXPECT_EQ(Saved(), (std::vector<std::string>{"a.txt"}));
}

TEST_F(SaveCommandTest, ShiftWithoutAFolderOpensNothingAndStillShowsTheDialog) {
    WriteUserOptions("\"SD\"=\"\"");
    user->HoldKey(VK_SHIFT);
    user->ExpectDialog(kSaveDialog, [](DialogView& dialog) { dialog.Click(2); });
    EXPECT_EQ(PressSaveButton(), S_OK);
    EXPECT_TRUE(user->Launches().empty());
}

TEST_F(SaveCommandTest, CancelSavesNothing) {
    host->Select({store.AddMessage(MessageDraft().File("a.txt", "a"))});
    user->ExpectDialog(kSaveDialog, [](DialogView& dialog) { dialog.Click(2); });
    EXPECT_EQ(PressSaveButton(), S_OK);
    EXPECT_TRUE(Saved().empty());
}

TEST_F(SaveCommandTest, WithoutASessionTheCommandDoesNothing) {
    host->Select({store.AddMessage(MessageDraft().File("a.txt", "a"))});
    host->Refuse("GetSession");
    EXPECT_EQ(PressSaveButton(), S_OK);
    EXPECT_TRUE(user->Dialogs().empty());
    EXPECT_TRUE(Saved().empty());
}

TEST_F(SaveCommandTest, TheWaitCursorShowsDuringTheWalkOnly) {
    host->Select({store.AddMessage(MessageDraft().File("a.txt", "a"))});
    user->HoldKey(VK_CONTROL);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    EXPECT_EQ(PressSaveButton(), S_OK);
    EXPECT_EQ(SetCursor(arrow), arrow);
}

} // namespace
