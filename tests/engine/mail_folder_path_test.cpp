#include "engine/mail_folder_path.h"
#include "engine/message_facts.h"
#include "platform/embedded/trace/call_log.h"
#include "tests/engine/engine_fixture.h"

namespace {

using embedded::MessageDraft;

class MailFolderPathTest : public engine_testing::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        options.subfolderMode = kMailFolderSubfolder;
    }
    std::unique_ptr<MessageContext> GatheredIn(const embedded::EntryId& folder) {
        auto context = ContextFor(store.AddMessage(folder, MessageDraft().File("a.txt", "a")));
        GatherMessageFacts(*context);
        return context;
    }
};

TEST_F(MailFolderPathTest, NestedFoldersBelowTheTopAreMadeFromTheTopDown) {
    auto projects = store.AddFolder(store.Inbox(), "Projects");
    auto alpha = store.AddFolder(projects, "Alpha");
    embedded::ClearCallLog();
    auto context = GatheredIn(alpha);
    EXPECT_STREQ(context->mailFolderPath, "Inbox\\Projects\\Alpha");
    EXPECT_EQ(SavedEntries(),
              (std::vector<std::string>{"Inbox/", "Inbox/Projects/", "Inbox/Projects/Alpha/"}));
    EXPECT_EQ(embedded::CallsOf("CreateDirectoryA").size(), 3u);
}

TEST_F(MailFolderPathTest, FolderNamesAreCleanedAndTheTopNamesNothing) {
    struct Case {
        const char* name;
        embedded::EntryId folder;
        const char* path;
    } cases[] = {
        {"the inbox", store.Inbox(), "Inbox"},
        {"a slash and a colon", store.AddFolder(store.Inbox(), "Q1/Q2: done"),
         "Inbox\\Q1-Q2- done"},
        {"the top of the store", store.TopOfStore(), ""},
        {"a folder whose name cleans to nothing", store.AddFolder(store.Inbox(), "..."), "Inbox"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(GatheredIn(c.folder)->mailFolderPath, c.path) << c.name;
    }
}

TEST_F(MailFolderPathTest, OnlyTheMailFolderModeClimbsTheFolders) {
    options.subfolderMode = kSenderNameSubfolder;
    auto context = GatheredIn(store.Inbox());
    EXPECT_STREQ(context->mailFolderPath, "");
    EXPECT_TRUE(SavedEntries().empty());
}

TEST_F(MailFolderPathTest, RootAndBadEntriesAreAnsweredWithoutAPath) {
    auto context = GatheredIn(store.Inbox());
    char out[128] = "kept";
    EXPECT_EQ(BuildMailFolderPath(*context, nullptr, out, sizeof(out)), E_INVALIDARG);
    EXPECT_STREQ(out, "");
    auto root = store.Root();
    SBinary rootId{root.Size(), root.bytes.data()};
    EXPECT_EQ(BuildMailFolderPath(*context, &rootId, out, sizeof(out)), 1);
    auto message = store.AddMessage(MessageDraft());
    SBinary messageId{message.Size(), message.bytes.data()};
    EXPECT_EQ(BuildMailFolderPath(*context, &messageId, out, sizeof(out)), E_INVALIDARG);
}

TEST_F(MailFolderPathTest, FailuresLeaveThePathEmpty) {
    temp.WriteFile("Mail/Inbox", "a file where the folder goes");
    user->ExpectMessageBox(IDOK);
    EXPECT_STREQ(GatheredIn(store.Inbox())->mailFolderPath, "");
    ASSERT_EQ(user->MessageBoxes().size(), 1u);
    EXPECT_NE(user->MessageBoxes()[0].text.find("A file with this name already exists"),
              std::string::npos);

    std::filesystem::remove(temp.path() + "/Mail/Inbox");
    embedded::FailNthCall("OpenEntry", 1, MAPI_E_NOT_FOUND);
    EXPECT_STREQ(GatheredIn(store.Inbox())->mailFolderPath, "");
}

TEST_F(MailFolderPathTest, AParentChainThatLoopsEndsInAFailure) {
    auto inner = store.AddFolder(store.Inbox(), "Inner");
    store.MoveFolder(store.TopOfStore(), inner); // Top -> Inner -> Inbox -> Top ...
    auto context = GatheredIn(inner);
    EXPECT_STREQ(context->mailFolderPath, "");
    auto id = inner;
    SBinary entry{id.Size(), id.bytes.data()};
    char out[128] = "";
    EXPECT_TRUE(FAILED(BuildMailFolderPath(*context, &entry, out, sizeof(out))));
    EXPECT_LE(embedded::CallsOf("OpenEntry").size(), 2u * (kMostMailFolderDepth + 2));
}

} // namespace
