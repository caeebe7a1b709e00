#include "links/link_action.h"
#include "links/link_attachment.h"
#include "platform/mapi_tags.h"
#include "tests/links/links_fixture.h"

#include <string>
#include <vector>

namespace {

using embedded::AttachmentDraft;
using embedded::MessageDraft;

// Records the rows it is handed and answers from a script, one result per call.
class RecordingAction final : public LinkAction {
  public:
    using LinkAction::LinkAction;

    HRESULT ProcessAttachment(LONG method, LONG number) override {
        rows.push_back({method, number});
        const HRESULT result = results.empty() ? S_OK : results.front();
        if (!results.empty()) {
            results.erase(results.begin());
        }
        return result;
    }
    HRESULT Finish() override {
        ++finished;
        return LinkAction::Finish();
    }
    void Remove(LONG number) { RemoveLinkAttachment(number); }

    struct Row {
        LONG method;
        LONG number;
        bool operator==(const Row&) const = default;
    };
    std::vector<Row> rows;
    std::vector<HRESULT> results;
    int finished = 0;
};

class LinkActionTest : public links_testing::LinksTest {
  protected:
    // A file, a link of ours, a link of other software (method 3, no display name), a link
    // without a path and an attachment without a method.
    embedded::EntryId MixedMessage() {
        return store.AddMessage(
            MessageDraft()
                .Subject("mixed")
                .File("a.txt", "A")
                .Link("LinkTo_b.txt", "C:\\Mail\\b.txt")
                .Attach(AttachmentDraft::Link("", "D:\\Other\\c.doc")
                            .Method(ATTACH_BY_REF_RESOLVE)
                            .Without(PR_DISPLAY_NAME))
                .Attach(AttachmentDraft::Link("LinkTo_d.txt", "").Without(PR_ATTACH_LONG_PATHNAME))
                .Attach(AttachmentDraft::File("e.txt", "E").Without(PR_ATTACH_METHOD)));
    }
};

TEST_F(LinkActionTest, CountTakesBothLinkMethodsAndLinksWithoutAPath) {
    const auto id = MixedMessage();
    ComPtr<IMessage> message = Open(id);
    ULONG count = 99;
    EXPECT_EQ(CountLinkAttachments(message.Get(), &count), S_OK);
    EXPECT_EQ(count, 3u);

    const auto none = store.AddMessage(MessageDraft().Subject("none"));
    message = Open(none);
    EXPECT_EQ(CountLinkAttachments(message.Get(), &count), S_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(LinkActionTest, AFailedCountLeavesTheCountAlone) {
    const auto id = MixedMessage();
    ComPtr<IMessage> message = Open(id);
    for (const char* operation : {"GetAttachmentTable", "HrQueryAllRows"}) {
        SCOPED_TRACE(operation);
        embedded::FailNthCall(operation, 1, MAPI_E_NO_ACCESS);
        ULONG count = 99;
        EXPECT_EQ(CountLinkAttachments(message.Get(), &count), MAPI_E_NO_ACCESS);
        EXPECT_EQ(count, 99u);
        embedded::ClearFaults();
    }
}

TEST_F(LinkActionTest, RunHandsOverEveryRowWithBothColumnsAndThenFinishes) {
    const auto id = MixedMessage();
    RecordingAction action(session.Get(), Open(id).Get(), nullptr, options);
    EXPECT_EQ(action.Run(), S_OK);
    // The row without a method is passed over; the rest in table order.
    const std::vector<RecordingAction::Row> expected = {{ATTACH_BY_VALUE, 0},
                                                        {ATTACH_BY_REFERENCE, 1},
                                                        {ATTACH_BY_REF_RESOLVE, 2},
                                                        {ATTACH_BY_REFERENCE, 3}};
    EXPECT_EQ(action.rows, expected);
    EXPECT_EQ(action.finished, 1);
    // Nothing changed, nothing saved.
    EXPECT_TRUE(embedded::CallsOf("SaveChanges").empty());
}

TEST_F(LinkActionTest, ANegativeRowEndsThePassWithoutFinishAndNothingIsSaved) {
    const auto id = MixedMessage();
    RecordingAction action(session.Get(), Open(id).Get(), nullptr, options);
    action.Remove(0);
    action.results = {S_FALSE, S_OK, MAPI_E_USER_CANCEL};
    EXPECT_EQ(action.Run(), MAPI_E_USER_CANCEL);
    EXPECT_EQ(action.rows.size(), 3u);
    EXPECT_EQ(action.finished, 0);
    EXPECT_EQ(store.Read(id).attachments.size(), 5u);
}

TEST_F(LinkActionTest, AMessageWithoutAttachmentsIsFinishedAtOnce) {
    const auto id = store.AddMessage(MessageDraft().Subject("empty"));
    RecordingAction action(session.Get(), Open(id).Get(), nullptr, options);
    EXPECT_EQ(action.Run(), S_OK);
    EXPECT_TRUE(action.rows.empty());
    EXPECT_EQ(action.finished, 1);
}

TEST_F(LinkActionTest, RemovingALinkIsSavedByFinishAndAFailedSaveIsReportedAsDone) {
    struct Case {
        const char* name;
        bool saveFails;
        std::size_t left;
    } cases[] = {{"saved", false, 4}, {"save fails", true, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto id = MixedMessage();
        RecordingAction action(session.Get(), Open(id).Get(), nullptr, options);
        action.Remove(1);
        EXPECT_TRUE(action.modified);
        if (c.saveFails) {
            embedded::FailNthCall("SaveChanges", 1, MAPI_E_NO_ACCESS);
        }
        EXPECT_EQ(action.Run(), S_OK);
        embedded::ClearFaults();
        EXPECT_EQ(store.Read(id).attachments.size(), c.left);
    }
}

TEST_F(LinkActionTest, RunStopsBeforeAnyRowWhenTheTableCannotBeRead) {
    const auto id = MixedMessage();
    for (const char* operation : {"GetAttachmentTable", "HrQueryAllRows"}) {
        SCOPED_TRACE(operation);
        RecordingAction action(session.Get(), Open(id).Get(), nullptr, options);
        embedded::FailNthCall(operation, 1, MAPI_E_NO_ACCESS);
        EXPECT_EQ(action.Run(), MAPI_E_NO_ACCESS);
        embedded::ClearFaults();
        EXPECT_TRUE(action.rows.empty());
        EXPECT_EQ(action.finished, 0);
    }
}

TEST_F(LinkActionTest, OpenLinkGivesThePathAndTheDisplayNameWhenTheyAreThere) {
    const auto id = MixedMessage();
    ComPtr<IMessage> message = Open(id);
    struct Case {
        ULONG number;
        bool withName;
        HRESULT result;
        const char* path;
        const char* displayName;
    } cases[] = {
        {1, true, S_OK, "C:\\Mail\\b.txt", "LinkTo_b.txt"},
        {1, false, S_OK, "C:\\Mail\\b.txt", nullptr},
        {2, true, S_OK, "D:\\Other\\c.doc", nullptr},
        {3, true, S_FALSE, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        OpenedLink link;
        EXPECT_EQ(OpenLink(message.Get(), c.number, c.withName, link), c.result);
        EXPECT_EQ(link.path == nullptr, c.path == nullptr);
        if (c.path != nullptr && link.path != nullptr) {
            EXPECT_STREQ(link.path, c.path);
        }
        EXPECT_EQ(link.displayName == nullptr, c.displayName == nullptr);
        if (c.displayName != nullptr && link.displayName != nullptr) {
            EXPECT_STREQ(link.displayName, c.displayName);
        }
    }
    const auto opens = embedded::CallsOf("OpenAttach");
    ASSERT_FALSE(opens.empty());
    EXPECT_EQ(opens[0].flags, static_cast<std::uint64_t>(MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS));
}

TEST_F(LinkActionTest, UpdateLinkPathRewritesThePathAndKeepsTheDisplayName) {
    const auto id = MixedMessage();
    ComPtr<IMessage> message = Open(id);
    OpenedLink link;
    ASSERT_EQ(OpenLink(message.Get(), 1, false, link), S_OK);
    EXPECT_EQ(UpdateLinkPath(link.attachment.Get(), "E:\\Moved\\b.txt"), S_OK);
    // Not in the store until the message is saved.
    EXPECT_EQ(store.Read(id).attachments.at(1).Text(PR_ATTACH_LONG_PATHNAME), "C:\\Mail\\b.txt");
    ASSERT_EQ(message->SaveChanges(0), S_OK);
    const embedded::MessageData saved = store.Read(id);
    const auto& after = saved.attachments.at(1);
    EXPECT_EQ(after.Text(PR_ATTACH_LONG_PATHNAME), "E:\\Moved\\b.txt");
    EXPECT_EQ(after.Text(PR_DISPLAY_NAME), "LinkTo_b.txt");
}

} // namespace
