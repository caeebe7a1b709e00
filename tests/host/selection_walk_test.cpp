#include "host/selection_walk.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/mapi_functions.h"
#include "tests/host/host_fixture.h"

namespace {

using embedded::MessageDraft;

// Notes the subject of every message it is handed; fails at the visit it was told to.
class RecordingVisitor final : public MessageVisitor {
  public:
    explicit RecordingVisitor(std::size_t failAt = 0) : failAt(failAt) {}
    HRESULT Visit(IMAPISession*, IMessage* message, HWND ownerWindow) override {
        SPropValue* value = nullptr;
        std::string subject = "?";
        if (SUCCEEDED(HrGetOneProp(message, PR_SUBJECT, &value))) {
            subject = value->Value.lpszA;
            MAPIFreeBuffer(value);
        }
        subjects.push_back(subject);
        owners.push_back(ownerWindow);
        return subjects.size() == failAt ? MAPI_E_CALL_FAILED : S_OK;
    }
    std::size_t failAt;
    std::vector<std::string> subjects;
    std::vector<HWND> owners;
};

class SelectionWalkTest : public host_testing::HostTest {
  protected:
    std::vector<embedded::EntryId> ThreeMessages() {
        return {store.AddMessage(MessageDraft().Subject("one")),
                store.AddMessage(MessageDraft().Subject("two")),
                store.AddMessage(MessageDraft().Subject("three"))};
    }
    HRESULT Walk(MessageVisitor& visitor) {
        return ForEachSelectedMessage(host.get(), session.Get(), host->Window(), visitor);
    }
};

TEST_F(SelectionWalkTest, EveryMessageIsOpenedInTurnThroughTheSession) {
    host->Select(ThreeMessages());
    RecordingVisitor visitor;
    EXPECT_EQ(Walk(visitor), S_OK);
    EXPECT_EQ(visitor.subjects, (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(visitor.owners[2], host->Window());
    auto opens = embedded::CallsOf("OpenEntry");
    ASSERT_EQ(opens.size(), 3u);
    EXPECT_EQ(opens[0].flags, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS);
}

TEST_F(SelectionWalkTest, TheFirstFailingVisitStopsTheWalk) {
    host->Select(ThreeMessages());
    RecordingVisitor visitor(2);
    EXPECT_EQ(Walk(visitor), MAPI_E_CALL_FAILED);
    EXPECT_EQ(visitor.subjects, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(embedded::CallsOf("OpenEntry").size(), 2u);
}

TEST_F(SelectionWalkTest, AFailureToOpenStopsTheWalkThere) {
    host->Select(ThreeMessages());
    embedded::FailNthCall("OpenEntry", 2, MAPI_E_NOT_FOUND);
    RecordingVisitor visitor;
    EXPECT_EQ(Walk(visitor), MAPI_E_NOT_FOUND);
    EXPECT_EQ(visitor.subjects, (std::vector<std::string>{"one"}));
}

TEST_F(SelectionWalkTest, AnItemThatIsNoMessageEndsTheWalkQuietly) {
    auto messages = ThreeMessages();
    host->Select(messages);
    host->SelectFolderAt(1, store.Inbox());
    RecordingVisitor visitor;
    EXPECT_EQ(Walk(visitor), S_OK);
    EXPECT_EQ(visitor.subjects, (std::vector<std::string>{"one"}));

    host->Select(messages);
    host->SelectFolderAt(0, store.Inbox());
    RecordingVisitor none;
    EXPECT_EQ(Walk(none), S_OK);
    EXPECT_TRUE(none.subjects.empty());
}

TEST_F(SelectionWalkTest, AnUnsavedMessageIsTheClientsCurrentObject) {
    auto id = store.AddMessage(MessageDraft().Subject("draft"));
    ComPtr<IMessage> open(store.OpenMessage(id));
    host->SelectUnsaved(open.Get());
    RecordingVisitor visitor;
    embedded::ClearCallLog();
    EXPECT_EQ(Walk(visitor), S_OK);
    EXPECT_EQ(visitor.subjects, (std::vector<std::string>{"draft"}));
    EXPECT_TRUE(embedded::CallsOf("OpenEntry").empty());

    // Once saved it has an identifier and is opened afresh.
    host->Select({id});
    EXPECT_EQ(Walk(visitor), S_OK);
    EXPECT_EQ(embedded::CallsOf("OpenEntry").size(), 1u);
}

TEST_F(SelectionWalkTest, AnEmptyOrUnreadableSelectionVisitsNothing) {
    RecordingVisitor visitor;
    EXPECT_EQ(Walk(visitor), S_OK);
    host->Select(ThreeMessages());
    host->Refuse("GetSelectionCount");
    EXPECT_EQ(Walk(visitor), MAPI_E_CALL_FAILED);
    EXPECT_TRUE(visitor.subjects.empty());
}

} // namespace
