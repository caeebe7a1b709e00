// Reattach Links as the client gives it: linked files back into their messages, a summary, and
// never a file deleted whose data is not in a saved message.
#include "host/mail_extension.h"
#include "options/command_options.h"
#include "platform/common_dialogs.h"
#include "platform/embedded/trace/call_log.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"
#include "tests/host/host_fixture.h"

#include <map>
#include <set>

namespace sm = control_ids::summary;

namespace {

using embedded::AttachmentDraft;
using embedded::DialogView;
using embedded::MessageData;
using embedded::MessageDraft;
using embedded::UtcFileTime;

// Answers every box with one button, cancels every file dialog and closes every dialog: the
// person for runs whose questions cannot be foreseen.
class SameAnswerAgent final : public embedded::UserAgent {
  public:
    explicit SameAnswerAgent(int answer) : answer(answer) {}
    int AnswerMessageBox(const embedded::MessageBoxRequest&) override { return answer; }
    void WorkDialog(DialogView& dialog) override { dialog.Click(IDOK); }
    std::optional<std::string> AnswerFileDialog(const embedded::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> AnswerFolderBrowser(const embedded::FolderBrowserRequest&) override {
        return std::nullopt;
    }
    bool InterceptLaunch(const embedded::LaunchRequest&) override { return true; }
    bool IsKeyDown(int) override { return false; }
    void ReportRefusal(const std::string&) override {}

  private:
    int answer;
};

class ReattachCommandTest : public host_testing::HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_VIEWER));
    }
    MailExtension& Extension() const { return *static_cast<MailExtension*>(host->Extension()); }
    HRESULT Reattach() { return host->DoCommand(static_cast<UINT>(Extension().reattachCommandId)); }

    // A file on drive C: and the link's path to it.
    std::string LinkedFile(const std::string& relative, const std::string& content) {
        temp.WriteFile(relative, content);
        std::string path = "C:\\" + relative;
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }
    // The summary box read and closed, its check box as given.
    void ExpectSummary(std::string expected, bool doNotShowAgain = false) {
        user->ExpectDialog(resource_ids::kSummaryDialog,
                           [expected, doNotShowAgain](DialogView& dialog) {
                               EXPECT_EQ(dialog.Text(sm::kText), expected);
                               if (doNotShowAgain) {
                                   dialog.Click(sm::kDoNotShowAgain);
                               }
                               dialog.Click(IDOK);
                           });
    }
    static std::string Summary(int count) {
        return "\"Reattach files\" operation completed.\r\n\r\nFiles reattached: " +
               std::to_string(count);
    }
    // The by-value attachments of the message in the store, by name.
    std::map<std::string, std::string> Files(const embedded::EntryId& id) const {
        std::map<std::string, std::string> files;
        for (const auto& [number, attachment] : store.Read(id).attachments) {
            if (attachment.Method() == ATTACH_BY_VALUE) {
                files[attachment.Text(PR_ATTACH_LONG_FILENAME).value_or("")] = attachment.Content();
            }
        }
        return files;
    }
    std::vector<std::string> LinkPaths(const embedded::EntryId& id) const {
        std::vector<std::string> paths;
        for (const auto& [number, attachment] : store.Read(id).attachments) {
            if (attachment.Method() == ATTACH_BY_REFERENCE ||
                attachment.Method() == ATTACH_BY_REF_RESOLVE) {
                paths.push_back(attachment.Text(PR_ATTACH_LONG_PATHNAME).value_or(""));
            }
        }
        return paths;
    }
};

TEST_F(ReattachCommandTest, AMissingFileAnsweredNoKeepsItsLinkAndTheOtherComesBack) {
    const std::string present = LinkedFile("Mail/b.txt", "bee");
    const auto id = store.AddMessage(MessageDraft()
                                         .Subject("two links")
                                         .Link("LinkTo_a.txt", "C:\\Mail\\a.txt")
                                         .Link("LinkTo_b.txt", present));
    host->Select({id});
    user->ExpectMessageBox(IDNO);
    ExpectSummary(Summary(1));

    EXPECT_EQ(Reattach(), S_OK);

    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    const auto& box = user->MessageBoxes()[0];
    EXPECT_EQ(box.caption, "Filvex");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONERROR));
    EXPECT_EQ(box.text.rfind("Filvex was unable to reattach file C:\\Mail\\a.txt.\n", 0), 0u)
        << box.text;
    EXPECT_EQ(LinkPaths(id), (std::vector<std::string>{"C:\\Mail\\a.txt"}));
    EXPECT_EQ(Files(id), (std::map<std::string, std::string>{{"b.txt", "bee"}}));
    EXPECT_FALSE(temp.Exists("Mail/b.txt"));
}

TEST_F(ReattachCommandTest, TheNewAttachmentCarriesTheMethodTheDataTheNameAndTheTimes) {
    const std::string path = LinkedFile("Mail/Ann Lee/2024-03-05 - report.pdf", "%PDF-1.4");
    const auto id = store.AddMessage(
        MessageDraft().Subject("one").Link("LinkTo_report.pdf", path).File("kept.txt", "kept"));
    host->Select({id});
    ExpectSummary(Summary(1));
    EXPECT_EQ(Reattach(), S_OK);

    const MessageData after = store.Read(id);
    ASSERT_EQ(after.attachments.size(), 2u);
    const embedded::AttachmentData* added = nullptr;
    for (const auto& [number, attachment] : after.attachments) {
        if (attachment.Text(PR_ATTACH_LONG_FILENAME) == "2024-03-05 - report.pdf") {
            added = &attachment;
        }
    }
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->Method(), ATTACH_BY_VALUE);
    EXPECT_EQ(added->Content(), "%PDF-1.4");
    EXPECT_TRUE(added->Has(PR_LAST_MODIFICATION_TIME));
    EXPECT_FALSE(added->Has(PR_DISPLAY_NAME));
    EXPECT_FALSE(added->Has(PR_ATTACH_FILENAME));
    EXPECT_FALSE(added->Has(PR_ATTACH_LONG_PATHNAME));
    EXPECT_FALSE(temp.Exists("Mail/Ann Lee/2024-03-05 - report.pdf"));
    // The new attachment is kept open for its save, and so is the message.
    for (const auto& save : embedded::CallsOf("SaveChanges")) {
        EXPECT_EQ(save.flags, static_cast<std::uint64_t>(KEEP_OPEN_READWRITE));
    }
    const auto streams = embedded::CallsOf("OpenStreamOnFile");
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].flags, static_cast<std::uint64_t>(STGM_READ));
}

TEST_F(ReattachCommandTest, FileTimesThatCannotBeReadAreLeftOut) {
    const std::string path = LinkedFile("Mail/a.txt", "A");
    const auto id = store.AddMessage(MessageDraft().Subject("one").Link("LinkTo_a.txt", path));
    host->Select({id});
    ExpectSummary(Summary(1));
    embedded::FailEveryCall("GetFileTime", MAPI_E_NO_ACCESS);
    EXPECT_EQ(Reattach(), S_OK);
    embedded::ClearFaults();
    const MessageData after = store.Read(id);
    ASSERT_EQ(after.attachments.size(), 1u);
    const auto& added = after.attachments.begin()->second;
    EXPECT_EQ(added.Text(PR_ATTACH_LONG_FILENAME), "a.txt");
    EXPECT_FALSE(added.Has(PR_CREATION_TIME));
    EXPECT_FALSE(added.Has(PR_LAST_MODIFICATION_TIME));
}

TEST_F(ReattachCommandTest, LinksOfOtherSoftwareComeBackAndLinksWithoutAPathArePassedOver) {
    const std::string path = LinkedFile("Other/c.doc", "doc");
    const auto id = store.AddMessage(
        MessageDraft()
            .Subject("others")
            .Attach(AttachmentDraft::Link("", path)
                        .Method(ATTACH_BY_REF_RESOLVE)
                        .Without(PR_DISPLAY_NAME))
            .Attach(AttachmentDraft::Link("LinkTo_d.txt", "").Without(PR_ATTACH_LONG_PATHNAME)));
    host->Select({id});
    ExpectSummary(Summary(1));
    EXPECT_EQ(Reattach(), S_OK);
    EXPECT_EQ(Files(id), (std::map<std::string, std::string>{{"c.doc", "doc"}}));
    EXPECT_EQ(store.Read(id).attachments.size(), 2u);
    EXPECT_TRUE(user->MessageBoxes().empty());
}

TEST_F(ReattachCommandTest, BrowsingFindsTheMovedFileAndACancelledBrowseAsksAgain) {
    const std::string moved = LinkedFile("Moved/a.txt", "moved A");
    const auto id =
        store.AddMessage(MessageDraft().Subject("moved").Link("LinkTo_a.txt", "C:\\Mail\\a.txt"));
    host->Select({id});
    user->ExpectMessageBox(IDYES);
    user->ExpectFileDialog(std::nullopt);
    user->ExpectMessageBox(IDYES);
    user->ExpectFileDialog(moved);
    ExpectSummary(Summary(1));
    EXPECT_EQ(Reattach(), S_OK);

    ASSERT_EQ(user->FileDialogs().size(), 2u);
    const auto& dialog = user->FileDialogs()[0];
    EXPECT_FALSE(dialog.save);
    EXPECT_EQ(dialog.title, "Filvex: Find Detached File");
    EXPECT_EQ(dialog.initialFile, "C:\\Mail\\a.txt");
    EXPECT_TRUE(dialog.filter.empty());
    EXPECT_EQ(dialog.flags,
              static_cast<DWORD>(OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST));
    EXPECT_EQ(dialog.capacity, 260u);
    EXPECT_EQ(Files(id), (std::map<std::string, std::string>{{"a.txt", "moved A"}}));
    // The file that was read is the one deleted.
    EXPECT_FALSE(temp.Exists("Moved/a.txt"));
}

TEST_F(ReattachCommandTest, CancelInTheThirdOfFiveMessagesKeepsWhatWasDoneAndEndsTheWalk) {
    std::vector<embedded::EntryId> ids;
    for (int i = 1; i <= 5; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        MessageDraft draft = MessageDraft()
                                 .Subject("m" + std::to_string(i))
                                 .Link("LinkTo_" + name, LinkedFile("Mail/" + name, name));
        if (i == 3) {
            draft.Link("LinkTo_gone.txt", "C:\\Mail\\gone.txt");
        }
        ids.push_back(store.AddMessage(draft));
    }
    host->Select(ids);
    user->ExpectMessageBox(IDCANCEL);
    EXPECT_EQ(Reattach(), S_OK);

    // No summary after a stop.
    EXPECT_TRUE(user->Dialogs().empty());
    EXPECT_EQ(Files(ids[0]), (std::map<std::string, std::string>{{"f1.txt", "f1.txt"}}));
    EXPECT_EQ(Files(ids[1]), (std::map<std::string, std::string>{{"f2.txt", "f2.txt"}}));
    EXPECT_FALSE(temp.Exists("Mail/f1.txt"));
    EXPECT_FALSE(temp.Exists("Mail/f2.txt"));
    // The third message is as it was, its reattached first file included.
    EXPECT_TRUE(Files(ids[2]).empty());
    EXPECT_EQ(LinkPaths(ids[2]).size(), 2u);
    EXPECT_TRUE(temp.Exists("Mail/f3.txt"));
    for (int i : {3, 4}) {
        EXPECT_EQ(LinkPaths(ids[i]).size(), 1u);
        EXPECT_TRUE(temp.Exists("Mail/f" + std::to_string(i + 1) + ".txt"));
    }
    EXPECT_EQ(host->LastItemAsked(), 2u);
}

TEST_F(ReattachCommandTest, AnUnreadableFileAsksWhetherToGoOn) {
    struct Case {
        const char* name;
        const char* operation;
        int answer;
        std::size_t dialogs;
    } cases[] = {
        {"stream cannot be opened, Yes goes on", "OpenStreamOnFile", IDYES, 1},
        {"stream cannot be opened, No stops", "OpenStreamOnFile", IDNO, 0},
        // The copy cannot be checked as whole.
        {"size cannot be checked, Yes goes on", "Stat", IDYES, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = LinkedFile("Mail/a.txt", "A");
        const auto id =
            store.AddMessage(MessageDraft().Subject("unreadable").Link("LinkTo_a.txt", path));
        host->Select({id});
        user->ExpectMessageBox(c.answer);
        if (c.dialogs > 0) {
            ExpectSummary(Summary(0));
        }
        const std::size_t boxesBefore = user->MessageBoxes().size();
        const std::size_t dialogsBefore = user->Dialogs().size();
        embedded::FailNthCall(c.operation, 1, E_ACCESSDENIED);
        EXPECT_EQ(Reattach(), S_OK);
        embedded::ClearFaults();

        ASSERT_EQ(user->MessageBoxes().size(), boxesBefore + 1);
        const auto& box = user->MessageBoxes().back();
        EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONERROR));
        EXPECT_NE(box.text.find("Please check that you have permissions to open it."),
                  std::string::npos);
        EXPECT_NE(box.text.find("C:\\Mail\\a.txt"), std::string::npos);
        EXPECT_EQ(user->Dialogs().size(), dialogsBefore + c.dialogs);
        EXPECT_EQ(LinkPaths(id), (std::vector<std::string>{path}));
        EXPECT_TRUE(Files(id).empty());
        EXPECT_TRUE(temp.Exists("Mail/a.txt"));
    }
}

TEST_F(ReattachCommandTest, TheSystemErrorOfAFailedStreamOpenIsShown) {
    const std::string path = LinkedFile("Mail/a.txt", "A");
    const auto id = store.AddMessage(MessageDraft().Subject("one").Link("LinkTo_a.txt", path));
    host->Select({id});
    user->ExpectMessageBox(IDNO);
    embedded::FailNthCall("OpenStreamOnFile", 1, E_ACCESSDENIED);
    EXPECT_EQ(Reattach(), S_OK);
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_NE(user->MessageBoxes()[0].text.find("\n\nMessage 5."), std::string::npos)
        << user->MessageBoxes()[0].text;
}

TEST_F(ReattachCommandTest, ALinkPathTooLongForTheBufferIsNeverCutToAnotherFile) {
    // The path cut at 259 characters names a file that exists.
    const std::string folder = "Mail/" + std::string(240, 'x');
    const std::string shortPath = LinkedFile(folder + "/abcdefghij", "other file");
    const std::string longPath = shortPath + std::string(40, 'n');
    ASSERT_EQ(longPath.substr(0, 259), shortPath);
    const auto id = store.AddMessage(MessageDraft().Subject("long").Link("LinkTo_n", longPath));
    host->Select({id});
    user->ExpectMessageBox(IDNO);
    ExpectSummary(Summary(0));
    EXPECT_EQ(Reattach(), S_OK);
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_NE(user->MessageBoxes()[0].text.find(longPath), std::string::npos);
    EXPECT_EQ(LinkPaths(id), (std::vector<std::string>{longPath}));
    EXPECT_TRUE(temp.Exists(folder + "/abcdefghij"));
}

TEST_F(ReattachCommandTest, AFailedMessageSaveKeepsTheFilesAndTheCountStillHoldsThem) {
    const auto id = store.AddMessage(MessageDraft()
                                         .Subject("save fails")
                                         .Link("LinkTo_a.txt", LinkedFile("Mail/a.txt", "A"))
                                         .Link("LinkTo_b.txt", LinkedFile("Mail/b.txt", "B")));
    host->Select({id});
    ExpectSummary(Summary(2));
    // The two attachments save; the message does not.
    embedded::FailNthCall("SaveChanges", 3, MAPI_E_NO_ACCESS);
    EXPECT_EQ(Reattach(), S_OK);
    embedded::ClearFaults();
    EXPECT_TRUE(temp.Exists("Mail/a.txt"));
    EXPECT_TRUE(temp.Exists("Mail/b.txt"));
    EXPECT_EQ(LinkPaths(id).size(), 2u);
}

TEST_F(ReattachCommandTest, TheSummarySwitchTurnsTheSummaryOffAndIsStoredAtOnce) {
    const auto id = store.AddMessage(
        MessageDraft().Subject("one").Link("LinkTo_a.txt", LinkedFile("Mail/a.txt", "A")));
    host->Select({id});
    ExpectSummary(Summary(1), true);
    EXPECT_EQ(Reattach(), S_OK);
    EXPECT_EQ(AcquireCommandOptions()->showReattachSummary, 0);

    // The next run ends without a word.
    const auto next = store.AddMessage(
        MessageDraft().Subject("two").Link("LinkTo_b.txt", LinkedFile("Mail/b.txt", "B")));
    host->Select({next});
    EXPECT_EQ(Reattach(), S_OK);
    EXPECT_EQ(user->Dialogs().size(), 1u);
    EXPECT_FALSE(temp.Exists("Mail/b.txt"));
}

TEST_F(ReattachCommandTest, NoFileIsDeletedWhoseDataIsNotInASavedMessageWhateverCallFails) {
    // Summaries off for the sweep, through the box's own check box.
    {
        const auto id = store.AddMessage(MessageDraft().Subject("setup"));
        host->Select({id});
        ExpectSummary(Summary(0), true);
        ASSERT_EQ(Reattach(), S_OK);
    }
    SameAnswerAgent agent(IDNO);
    embedded::SetUserAgent(&agent);

    int run = 0;
    // Two messages of two links each; the files' contents tell them apart.
    auto world = [&]() {
        ++run;
        const std::string folder = "Sweep" + std::to_string(run) + "/";
        std::vector<embedded::EntryId> ids;
        std::vector<std::pair<std::string, std::string>> files;
        for (int m = 0; m < 2; ++m) {
            MessageDraft draft = MessageDraft().Subject("m" + std::to_string(m));
            for (int f = 0; f < 2; ++f) {
                const std::string name = "f" + std::to_string(m) + std::to_string(f) + ".txt";
                const std::string content = std::to_string(run) + "/" + name;
                draft.Link("LinkTo_" + name, LinkedFile(folder + name, content));
                files.push_back({folder + name, content});
            }
            ids.push_back(store.AddMessage(draft));
        }
        host->Select(ids);
        return std::make_pair(ids, files);
    };
    auto check = [&](const std::vector<embedded::EntryId>& ids,
                     const std::vector<std::pair<std::string, std::string>>& files,
                     const std::string& label) {
        std::set<std::string> inStore;
        for (const auto& id : ids) {
            for (const auto& [name, content] : Files(id)) {
                inStore.insert(content);
            }
        }
        for (const auto& [relative, content] : files) {
            EXPECT_TRUE(temp.Exists(relative) || inStore.count(content) == 1)
                << label << ": " << relative << " is gone and not in its message";
        }
    };

    auto [ids, files] = world();
    embedded::ClearCallLog();
    ASSERT_EQ(Reattach(), S_OK);
    const std::vector<embedded::CallRecord> calls = embedded::CallLog();
    check(ids, files, "no fault");
    EXPECT_EQ(embedded::CallsOf("DeleteFileA").size(), 4u);

    std::map<std::string, int> seen;
    std::size_t faults = 0;
    for (const auto& call : calls) {
        const int n = ++seen[call.operation];
        auto [faultIds, faultFiles] = world();
        embedded::FailNthCall(call.operation, n, E_FAIL);
        Reattach();
        embedded::ClearFaults();
        check(faultIds, faultFiles, call.operation + " #" + std::to_string(n));
        ++faults;
    }
    EXPECT_GT(faults, 30u);
    embedded::SetUserAgent(&user.agent());
}

} // namespace
