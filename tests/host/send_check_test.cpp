// The check before a send: a message that still holds links is offered its files back, which
// then go out in the message and stay on disk.
#include "host/mail_extension.h"
#include "options/command_options.h"
#include "platform/embedded/trace/call_log.h"
#include "resources/resource_ids.h"
#include "tests/host/host_fixture.h"

#include <map>

namespace {

using embedded::MessageDraft;

class SendCheckTest : public host_testing::HostTest {
  protected:
    // A compose window on the message, the module loaded in it as the client loads it.
    void ComposeAndLoad(const embedded::EntryId& id) {
        composed.Reset(store.OpenMessage(id));
        host->Compose(composed.Get());
        ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_SENDNOTEMESSAGE));
    }
    std::string LinkedFile(const std::string& name, const std::string& content) {
        temp.WriteFile("Mail/" + name, content);
        return "C:\\Mail\\" + name;
    }
    embedded::EntryId ThreeLinks() {
        return store.AddMessage(MessageDraft()
                                    .Subject("with links")
                                    .File("kept.txt", "kept")
                                    .Link("LinkTo_a.txt", LinkedFile("a.txt", "A"))
                                    .Link("LinkTo_b.txt", LinkedFile("b.txt", "B"))
                                    .Link("LinkTo_c.txt", LinkedFile("c.txt", "C")));
    }
    std::size_t Links(const embedded::EntryId& id) const {
        std::size_t links = 0;
        for (const auto& [number, attachment] : store.Read(id).attachments) {
            links += attachment.Method() == ATTACH_BY_REFERENCE ? 1 : 0;
        }
        return links;
    }
    std::map<std::string, std::string> Files(const embedded::EntryId& id) const {
        std::map<std::string, std::string> files;
        for (const auto& [number, attachment] : store.Read(id).attachments) {
            if (attachment.Method() == ATTACH_BY_VALUE) {
                files[attachment.Text(PR_ATTACH_LONG_FILENAME).value_or("")] = attachment.Content();
            }
        }
        return files;
    }
    MailExtension& Extension() const { return *static_cast<MailExtension*>(host->Extension()); }

    ComPtr<IMessage> composed;
};

TEST_F(SendCheckTest, TheQuestionNamesTheLinksAndYesSendsTheFilesAndKeepsThemOnDisk) {
    const auto id = ThreeLinks();
    ComposeAndLoad(id);
    user->ExpectMessageBox(IDYES);

    const auto outcome = host->Send();

    EXPECT_TRUE(outcome.sent);
    EXPECT_EQ(outcome.writeComplete, S_FALSE);
    // A reattach before a send ends without the command's summary.
    EXPECT_TRUE(user->Dialogs().empty());
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    const auto& box = user->MessageBoxes()[0];
    EXPECT_EQ(box.text, "The message you are about to send contains 3 detached link(s).\n\n"
                        "Would you like to reattach them before sending?");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_TOPMOST));
    EXPECT_EQ(box.owner, host->Window());
    EXPECT_EQ(Links(id), 0u);
    EXPECT_EQ(Files(id),
              (std::map<std::string, std::string>{
                  {"kept.txt", "kept"}, {"a.txt", "A"}, {"b.txt", "B"}, {"c.txt", "C"}}));
    for (const char* name : {"Mail/a.txt", "Mail/b.txt", "Mail/c.txt"}) {
        EXPECT_TRUE(temp.Exists(name)) << name;
    }
    EXPECT_EQ(CurrentCommandOptions()->deleteReattachedFiles, 1);
    EXPECT_EQ(Extension().submitting, 0);
}

TEST_F(SendCheckTest, NoSendsTheLinksAsTheyAre) {
    const auto id = ThreeLinks();
    ComposeAndLoad(id);
    user->ExpectMessageBox(IDNO);
    const auto outcome = host->Send();
    EXPECT_TRUE(outcome.sent);
    EXPECT_EQ(outcome.writeComplete, S_FALSE);
    EXPECT_EQ(Links(id), 3u);
    EXPECT_EQ(CurrentCommandOptions()->deleteReattachedFiles, 1);
    EXPECT_TRUE(embedded::CallsOf("DeleteFileA").empty());
}

TEST_F(SendCheckTest, NothingIsAskedWithoutLinksOrWithoutASend) {
    struct Case {
        const char* name;
        bool links;
        bool send;
    } cases[] = {
        {"a send without links", false, true},
        {"a draft save with links", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto id = c.links
                            ? ThreeLinks()
                            : store.AddMessage(MessageDraft().Subject("plain").File("a.txt", "A"));
        ComposeAndLoad(id);
        if (c.send) {
            EXPECT_TRUE(host->Send().sent);
        } else {
            EXPECT_EQ(host->SaveDraft(), S_OK);
        }
        EXPECT_TRUE(user->MessageBoxes().empty());
        EXPECT_EQ(Links(id), c.links ? 3u : 0u);
    }
}

TEST_F(SendCheckTest, AWriteThatDidNotCompleteNormallyIsNotChecked) {
    const auto id = ThreeLinks();
    ComposeAndLoad(id);
    ComPtr<IExchExtMessageEvents> events;
    host->Extension()->QueryInterface(IID_IExchExtMessageEvents,
                                      reinterpret_cast<void**>(events.Out()));
    events->OnSubmit(host.get());
    EXPECT_EQ(events->OnWriteComplete(host.get(), EEME_FAILED), S_FALSE);
    EXPECT_EQ(events->OnWriteComplete(host.get(), EEME_COMPLETE_FAILED), S_FALSE);
    events->OnSubmitComplete(host.get(), 0);
    EXPECT_TRUE(user->MessageBoxes().empty());
    EXPECT_EQ(Links(id), 3u);
}

TEST_F(SendCheckTest, AFailingReattachHoldsTheSendBackAndStillSetsTheSwitchBack) {
    const auto id = store.AddMessage(MessageDraft()
                                         .Subject("one missing")
                                         .Link("LinkTo_a.txt", LinkedFile("a.txt", "A"))
                                         .Link("LinkTo_gone.txt", "C:\\Mail\\gone.txt"));
    ComposeAndLoad(id);
    user->ExpectMessageBox(IDYES);
    // The reattach asks its own questions during a send too; Cancel stops it.
    user->ExpectMessageBox(IDCANCEL);

    const auto outcome = host->Send();

    EXPECT_EQ(outcome.writeComplete, MAPI_E_USER_CANCEL);
    EXPECT_FALSE(outcome.sent);
    ASSERT_EQ(user->MessageBoxes().size(), 2u);
    EXPECT_NE(user->MessageBoxes()[1].text.find("C:\\Mail\\gone.txt"), std::string::npos);
    EXPECT_EQ(Links(id), 2u);
    EXPECT_TRUE(temp.Exists("Mail/a.txt"));
    EXPECT_EQ(CurrentCommandOptions()->deleteReattachedFiles, 1);
    EXPECT_EQ(Extension().submitting, 0);
}

TEST_F(SendCheckTest, ANoAnswerToAMissingFileSendsTheRestBackAndKeepsEveryFile) {
    const auto id = store.AddMessage(MessageDraft()
                                         .Subject("one missing")
                                         .Link("LinkTo_gone.txt", "C:\\Mail\\gone.txt")
                                         .Link("LinkTo_a.txt", LinkedFile("a.txt", "A")));
    ComposeAndLoad(id);
    user->ExpectMessageBox(IDYES);
    user->ExpectMessageBox(IDNO);
    EXPECT_TRUE(host->Send().sent);
    EXPECT_EQ(Links(id), 1u);
    EXPECT_EQ(Files(id), (std::map<std::string, std::string>{{"a.txt", "A"}}));
    EXPECT_TRUE(temp.Exists("Mail/a.txt"));
}

TEST_F(SendCheckTest, WithoutASessionOrAMessageTheSendGoesOnUnasked) {
    const auto id = ThreeLinks();
    ComposeAndLoad(id);
    host->Refuse("GetSession");
    EXPECT_TRUE(host->Send().sent);
    EXPECT_TRUE(user->MessageBoxes().empty());

    // A viewer has no message being written.
    host->Select({});
    ASSERT_TRUE(host->Load(CreateMailExtension, EECONTEXT_VIEWER));
    ComPtr<IExchExtMessageEvents> events;
    host->Extension()->QueryInterface(IID_IExchExtMessageEvents,
                                      reinterpret_cast<void**>(events.Out()));
    events->OnSubmit(host.get());
    EXPECT_EQ(events->OnWriteComplete(host.get(), 0), S_FALSE);
    events->OnSubmitComplete(host.get(), 0);
    EXPECT_TRUE(user->MessageBoxes().empty());
}

} // namespace
