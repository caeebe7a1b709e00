// Batch-Update Links as the client gives it: the dialog, its confirmation, the rewrite of the
// links' paths and the summary.
#include "host/mail_extension.h"
#include "platform/embedded/trace/call_log.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"
#include "tests/host/host_fixture.h"

namespace sm = control_ids::summary;
namespace ul = control_ids::update_links;

namespace {

using embedded::AttachmentDraft;
using embedded::DialogView;
using embedded::MessageDraft;

class UpdateLinksCommandTest : public host_testing::HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_VIEWER));
    }
    MailExtension& Extension() const { return *static_cast<MailExtension*>(host->Extension()); }
    HRESULT Update() {
        return host->DoCommand(static_cast<UINT>(Extension().batchUpdateCommandId));
    }
    // The dialog filled and confirmed (the confirmation box is the next one expected).
    void ExpectDialog(const std::string& oldText, const std::string& newText) {
        user->ExpectDialog(resource_ids::kUpdateLinksDialog, [=](DialogView& dialog) {
            dialog.Type(ul::kOldPath, oldText);
            dialog.Type(ul::kNewPath, newText);
            dialog.Click(IDOK);
        });
    }
    void ExpectSummary(int count) {
        user->ExpectDialog(resource_ids::kSummaryDialog, [count](DialogView& dialog) {
            EXPECT_EQ(dialog.Text(sm::kText),
                      "\"Rename links\" operation completed.\r\n\r\nLinks renamed: " +
                          std::to_string(count));
            dialog.Click(IDOK);
        });
    }
    std::vector<std::string> Paths(const embedded::EntryId& id) const {
        std::vector<std::string> paths;
        for (const auto& [number, attachment] : store.Read(id).attachments) {
            if (attachment.Has(PR_ATTACH_LONG_PATHNAME)) {
                paths.push_back(*attachment.Text(PR_ATTACH_LONG_PATHNAME));
            }
        }
        return paths;
    }
};

TEST_F(UpdateLinksCommandTest, LinksHoldingTheOldTextAreRewrittenTheOthersStay) {
    temp.WriteFile("NewFolder/Report.doc", "doc");
    const auto id = store.AddMessage(MessageDraft()
                                         .Subject("moved")
                                         .Link("LinkTo_Report.doc", "C:\\OldFolder\\Report.doc")
                                         .Link("LinkTo_x.txt", "D:\\Elsewhere\\x.txt")
                                         .Attach(AttachmentDraft::Link("", "c:\\oldfolder\\sub\\")
                                                     .Method(ATTACH_BY_REF_RESOLVE)
                                                     .Without(PR_DISPLAY_NAME)));
    temp.WriteFile("NewFolder/sub/keep", "");
    host->Select({id});
    ExpectDialog("c:\\oldfolder\\", "C:\\NewFolder\\");
    user->ExpectMessageBox(IDYES);
    ExpectSummary(2);

    EXPECT_EQ(Update(), S_OK);

    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_EQ(user->MessageBoxes()[0].text,
              "This will replace all links pointing to \"c:\\oldfolder\\\" with links pointing to "
              "\"C:\\NewFolder\\\". Are you sure you would like to proceed?");
    EXPECT_EQ(user->MessageBoxes()[0].type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(Paths(id),
              (std::vector<std::string>{"C:\\NewFolder\\Report.doc", "D:\\Elsewhere\\x.txt",
                                        "C:\\NewFolder\\sub\\"}));
    const auto after = store.Read(id);
    EXPECT_EQ(after.attachments.at(0).Text(PR_DISPLAY_NAME), "LinkTo_Report.doc");
}

TEST_F(UpdateLinksCommandTest, OkStaysDisabledWhileAFieldIsEmptyAndNoToTheConfirmationStays) {
    const auto id =
        store.AddMessage(MessageDraft().Subject("one").Link("LinkTo_a.txt", "C:\\Old\\a.txt"));
    host->Select({id});
    user->ExpectDialog(resource_ids::kUpdateLinksDialog, [](DialogView& dialog) {
        EXPECT_FALSE(dialog.Enabled(IDOK));
        dialog.Type(ul::kOldPath, "C:\\Old\\");
        EXPECT_FALSE(dialog.Enabled(IDOK));
        dialog.Type(ul::kNewPath, "C:\\New\\");
        EXPECT_TRUE(dialog.Enabled(IDOK));
        dialog.Click(IDOK); // No to the confirmation: still open
        EXPECT_FALSE(dialog.Ended());
        dialog.Click(IDOK); // the confirmation could not be shown: still open
        EXPECT_FALSE(dialog.Ended());
        dialog.Type(ul::kNewPath, "");
        EXPECT_FALSE(dialog.Enabled(IDOK));
        dialog.PressEscape();
    });
    user->ExpectMessageBox(IDNO);
    user->ExpectMessageBox(0);
    EXPECT_EQ(Update(), S_OK);
    EXPECT_EQ(Paths(id), (std::vector<std::string>{"C:\\Old\\a.txt"}));
    EXPECT_TRUE(embedded::CallsOf("SaveChanges").empty());
}

TEST_F(UpdateLinksCommandTest, ANewPathThatNamesNothingIsAskedAboutEachTime) {
    struct Case {
        const char* name;
        std::vector<int> answers;
        std::vector<std::string> paths;
        bool summary;
    } cases[] = {
        {"Yes to both: rewritten anyway",
         {IDYES, IDYES},
         {"E:\\Gone\\a.txt", "E:\\Gone\\b.txt"},
         true},
        // No stops the command: the first rewrite of this message is not saved either.
        {"Yes then No: nothing saved", {IDYES, IDNO}, {"C:\\Old\\a.txt", "C:\\Old\\b.txt"}, false},
        // A question nobody could answer stops as No does.
        {"Yes then unanswered: nothing saved",
         {IDYES, 0},
         {"C:\\Old\\a.txt", "C:\\Old\\b.txt"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto id = store.AddMessage(MessageDraft()
                                             .Subject("two")
                                             .Link("LinkTo_a.txt", "C:\\Old\\a.txt")
                                             .Link("LinkTo_b.txt", "C:\\Old\\b.txt"));
        host->Select({id});
        const std::size_t before = user->MessageBoxes().size();
        ExpectDialog("C:\\Old\\", "E:\\Gone\\");
        user->ExpectMessageBox(IDYES);
        for (int answer : c.answers) {
            user->ExpectMessageBox(answer);
        }
        if (c.summary) {
            ExpectSummary(2);
        }
        EXPECT_EQ(Update(), S_OK);
        ASSERT_EQ(user->MessageBoxes().size(), before + 1 + c.answers.size());
        const auto& question = user->MessageBoxes()[before + 1];
        EXPECT_EQ(question.type, static_cast<UINT>(MB_YESNO | MB_ICONERROR));
        EXPECT_EQ(question.text.rfind("File \"E:\\Gone\\a.txt\" does not exist.\n", 0), 0u)
            << question.text;
        EXPECT_EQ(Paths(id), c.paths);
    }
}

TEST_F(UpdateLinksCommandTest, AStopInTheSecondMessageKeepsTheFirstAndShowsNoSummary) {
    const auto first =
        store.AddMessage(MessageDraft().Subject("1").Link("LinkTo_a.txt", "C:\\Old\\a.txt"));
    const auto second =
        store.AddMessage(MessageDraft().Subject("2").Link("LinkTo_b.txt", "C:\\Old\\b.txt"));
    host->Select({first, second});
    ExpectDialog("C:\\Old\\", "E:\\Gone\\");
    user->ExpectMessageBox(IDYES);
    user->ExpectMessageBox(IDYES);
    user->ExpectMessageBox(IDNO);
    EXPECT_EQ(Update(), S_OK);
    EXPECT_EQ(Paths(first), (std::vector<std::string>{"E:\\Gone\\a.txt"}));
    EXPECT_EQ(Paths(second), (std::vector<std::string>{"C:\\Old\\b.txt"}));
    EXPECT_EQ(user->Dialogs().size(), 1u);
}

TEST_F(UpdateLinksCommandTest, ARewrittenPathThatDoesNotFitStopsTheCommand) {
    // Links of other software may hold paths of any length; the rewrite has 4,096 characters.
    const std::string longPath = "C:\\Old\\" + std::string(3900, 'a');
    const auto id = store.AddMessage(MessageDraft()
                                         .Subject("long")
                                         .Link("LinkTo_b", "C:\\Old\\b.txt")
                                         .Link("LinkTo_a", longPath));
    temp.WriteFile("New/b.txt", "b");
    host->Select({id});
    ExpectDialog("C:\\Old\\", "C:\\New\\" + std::string(240, 'n') + "\\..\\");
    user->ExpectMessageBox(IDYES);
    // The first link's new path leads back to C:\\New\\b.txt, which exists: no question.
    EXPECT_EQ(Update(), S_OK);
    // Stopped in this message: its first rewrite is not saved, and no summary comes.
    EXPECT_EQ(Paths(id), (std::vector<std::string>{"C:\\Old\\b.txt", longPath}));
    EXPECT_EQ(user->Dialogs().size(), 1u);
}

} // namespace
