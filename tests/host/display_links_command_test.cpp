// Display Link Info as the client gives it: one dialog per message with its subject and its
// links, Next Message and Stop.
#include "host/mail_extension.h"
#include "links/link_info_dialog.h"
#include "platform/embedded/trace/call_log.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"
#include "tests/host/host_fixture.h"

namespace li = control_ids::link_info;

namespace {

using embedded::AttachmentDraft;
using embedded::DialogView;
using embedded::MessageDraft;

class DisplayLinksCommandTest : public host_testing::HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_VIEWER));
    }
    MailExtension& Extension() const { return *static_cast<MailExtension*>(host->Extension()); }
    HRESULT Display() {
        return host->DoCommand(static_cast<UINT>(Extension().displayLinkInfoCommandId));
    }
    // The dialog read into `shown` and closed with `button`.
    void ExpectInfo(std::vector<std::pair<std::string, std::string>>& shown, int button) {
        user->ExpectDialog(resource_ids::kLinkInfoDialog, [&shown, button](DialogView& dialog) {
            shown.push_back({dialog.Text(li::kMessage), dialog.Text(li::kLinks)});
            dialog.Click(button);
        });
    }
};

TEST_F(DisplayLinksCommandTest, EachMessageShowsItsSubjectAndOneLinePerLink) {
    const auto links = store.AddMessage(
        MessageDraft()
            .Subject("Q3 report")
            .File("kept.txt", "kept")
            .Link("LinkTo_report.doc", "C:\\Mail\\report.doc")
            .Attach(AttachmentDraft::Link("", "D:\\Other\\c.doc")
                        .Method(ATTACH_BY_REF_RESOLVE)
                        .Without(PR_DISPLAY_NAME))
            .Attach(AttachmentDraft::Link("LinkTo_d.txt", "").Without(PR_ATTACH_LONG_PATHNAME)));
    const auto none = store.AddMessage(MessageDraft().File("a.txt", "A").Without(PR_SUBJECT));
    const auto pathless = store.AddMessage(
        MessageDraft()
            .Subject("pathless")
            .Attach(AttachmentDraft::Link("LinkTo_d.txt", "").Without(PR_ATTACH_LONG_PATHNAME)));
    host->Select({links, none, pathless});
    std::vector<std::pair<std::string, std::string>> shown;
    for (int i = 0; i < 3; ++i) {
        ExpectInfo(shown, IDOK);
    }
    EXPECT_EQ(Display(), S_OK);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Q3 report",
         "LinkTo_report.doc -> C:\\Mail\\report.doc\r\nNONAME -> D:\\Other\\c.doc\r\n"},
        {"NOSUBJECT", "This message has no Filvexed links."},
        {"pathless", "This message has no Filvexed links."},
    };
    EXPECT_EQ(shown, expected);
    // Nothing is changed.
    EXPECT_TRUE(embedded::CallsOf("SaveChanges").empty());
}

TEST_F(DisplayLinksCommandTest, StopOnTheSecondOfFiveEndsTheWalk) {
    std::vector<embedded::EntryId> ids;
    for (int i = 1; i <= 5; ++i) {
        ids.push_back(store.AddMessage(MessageDraft().Subject("m" + std::to_string(i))));
    }
    host->Select(ids);
    std::vector<std::pair<std::string, std::string>> shown;
    ExpectInfo(shown, IDOK);
    ExpectInfo(shown, IDCANCEL);
    EXPECT_EQ(Display(), S_OK);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].first, "m2");
    EXPECT_EQ(host->LastItemAsked(), 1u);
}

TEST_F(DisplayLinksCommandTest, ALongListIsCutAtItsBuffer) {
    MessageDraft draft = MessageDraft().Subject("many");
    for (int i = 0; i < 100; ++i) {
        draft.Link("LinkTo_" + std::to_string(i), "C:\\Mail\\" + std::string(100, 'x'));
    }
    const auto id = store.AddMessage(draft);
    host->Select({id});
    std::vector<std::pair<std::string, std::string>> shown;
    ExpectInfo(shown, IDOK);
    EXPECT_EQ(Display(), S_OK);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].second.size(), 7999u);
}

TEST_F(DisplayLinksCommandTest, HelpOpensTheDocumentationAndLeavesTheDialogOpen) {
    const auto id = store.AddMessage(MessageDraft().Subject("help"));
    host->Select({id});
    user->ExpectDialog(resource_ids::kLinkInfoDialog, [](DialogView& dialog) {
        dialog.AskForHelp();
        EXPECT_FALSE(dialog.Ended());
        dialog.Click(IDOK);
    });
    EXPECT_EQ(Display(), S_OK);
    ASSERT_EQ(user->Launches().size(), 1u);
    EXPECT_EQ(user->Launches()[0].verb, "open");
    EXPECT_EQ(user->Launches()[0].file, kLinkInfoHelpAddress);
}

TEST_F(DisplayLinksCommandTest, ALinkThatCannotBeReadStopsWithoutItsDialog) {
    const auto first = store.AddMessage(MessageDraft().Subject("1").Link("LinkTo_a", "C:\\a"));
    const auto second = store.AddMessage(MessageDraft().Subject("2").Link("LinkTo_b", "C:\\b"));
    host->Select({first, second});
    std::vector<std::pair<std::string, std::string>> shown;
    ExpectInfo(shown, IDOK);
    embedded::FailNthCall("OpenAttach", 2, MAPI_E_NO_ACCESS);
    EXPECT_EQ(Display(), S_OK);
    EXPECT_EQ(shown.size(), 1u);
}

} // namespace
