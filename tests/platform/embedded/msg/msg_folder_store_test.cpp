#include "platform/embedded/msg/msg_folder_store.h"
#include "platform/com_ptr.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/store/message_store.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/storage/storage_tree.h"
#include "platform/mapi_functions.h"
#include "platform/row_set.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using embedded::EntryId;
using embedded::MessageDraft;
using embedded::MsgFolderStore;

std::string MsgBytes(const MessageDraft& draft, testing_support::TempFolder& folder) {
    embedded::StorageNode root;
    EXPECT_EQ(embedded::WriteMsgMessage(draft.Data(), root), S_OK);
    const std::string path = folder.path() + "/.draft";
    EXPECT_TRUE(embedded::WriteCompoundFile(root, path));
    std::string bytes = folder.ReadFile(".draft");
    std::remove(path.c_str());
    return bytes;
}

EntryId EntryIdOf(IMAPIProp* object, ULONG tag) {
    LPSPropValue value = nullptr;
    EntryId id;
    if (SUCCEEDED(HrGetOneProp(object, tag, &value))) {
        id.bytes.assign(value->Value.bin.lpb, value->Value.bin.lpb + value->Value.bin.cb);
        MAPIFreeBuffer(value);
    }
    return id;
}

std::string TextOf(IMAPIProp* object, ULONG tag) {
    LPSPropValue value = nullptr;
    std::string text;
    if (SUCCEEDED(HrGetOneProp(object, tag, &value))) {
        text = value->Value.lpszA;
        MAPIFreeBuffer(value);
    }
    return text;
}

class MsgFolderStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        folder.WriteFile("mail/top.msg", MsgBytes(MessageDraft().Subject("At the top"), folder));
        folder.WriteFile(
            "mail/Projects/plan.msg",
            MsgBytes(MessageDraft().Subject("Plan — v2").File("plan.txt", "steps"), folder));
        folder.WriteFile("mail/Projects/Old/older.MSG",
                         MsgBytes(MessageDraft().Subject("Older"), folder));
        folder.WriteFile("mail/Projects/readme.txt", "not a message");
        folder.WriteFile("mail/Projects/broken.msg", "not a compound file");
    }
    void TearDown() override { embedded::ClearFaults(); }

    template <class Interface> ComPtr<Interface> Open(IMAPISession* session, const EntryId& id) {
        ComPtr<Interface> object;
        ULONG type = 0;
        EXPECT_EQ(session->OpenEntry(id.Size(), id.Get(), nullptr, MAPI_MODIFY, &type,
                                     reinterpret_cast<LPUNKNOWN*>(object.Out())),
                  S_OK);
        return object;
    }

    std::string Mail() const { return folder.path() + "/mail"; }

    testing_support::TempFolder folder;
};

TEST_F(MsgFolderStoreTest, FoldersAndFilesAreTheStoreTree) {
    MsgFolderStore store(Mail());
    ComPtr<IMAPISession> session(store.OpenSession());
    ComPtr<IMAPIFolder> top = Open<IMAPIFolder>(session.Get(), store.TopOfStore());
    EXPECT_EQ(TextOf(top.Get(), PR_DISPLAY_NAME), "mail");
    EXPECT_EQ(EntryIdOf(top.Get(), PR_PARENT_ENTRYID), store.Root());

    ComPtr<IMAPITable> hierarchy;
    ASSERT_EQ(top->GetHierarchyTable(0, hierarchy.Out()), S_OK);
    RowSet rows;
    ASSERT_EQ(HrQueryAllRows(hierarchy.Get(), nullptr, nullptr, nullptr, 0, rows.Out()), S_OK);
    ASSERT_EQ(rows.Get()->cRows, 1u);
    EXPECT_STREQ(rows.Get()->aRow[0].lpProps[1].Value.lpszA, "Projects");

    ComPtr<IMAPIFolder> projects = Open<IMAPIFolder>(session.Get(), store.Folder("Projects"));
    EXPECT_EQ(EntryIdOf(projects.Get(), PR_PARENT_ENTRYID), store.TopOfStore());
    ComPtr<IMAPITable> contents;
    ASSERT_EQ(projects->GetContentsTable(0, contents.Out()), S_OK);
    ASSERT_EQ(HrQueryAllRows(contents.Get(), nullptr, nullptr, nullptr, 0, rows.Out()), S_OK);
    ASSERT_EQ(rows.Get()->cRows, 1u); // the text file and the damaged file are not messages
    EXPECT_STREQ(rows.Get()->aRow[0].lpProps[1].Value.lpszA, "Plan — v2");

    ComPtr<IMessage> plan = Open<IMessage>(session.Get(), store.Message("Projects/plan.msg"));
    EXPECT_EQ(TextOf(plan.Get(), PR_SUBJECT), "Plan — v2");
    EXPECT_EQ(EntryIdOf(plan.Get(), PR_PARENT_ENTRYID), store.Folder("Projects"));
    EXPECT_FALSE(store.Message("Projects/Old/older.MSG").bytes.empty());
    EXPECT_TRUE(store.Message("Projects/readme.txt").bytes.empty());

    // The same paths give the same identifiers in a store opened again.
    MsgFolderStore again(Mail());
    EXPECT_EQ(again.Message("Projects/plan.msg"), store.Message("Projects/plan.msg"));
    EXPECT_EQ(again.Folder("Projects/Old"), store.Folder("Projects/Old"));
}

TEST_F(MsgFolderStoreTest, ASavedChangeIsInTheFileAndAFailedSaveLeavesItWhole) {
    const std::string plan = Mail() + "/Projects/plan.msg";
    ASSERT_EQ(chmod(plan.c_str(), 0640), 0);
    {
        MsgFolderStore store(Mail());
        ComPtr<IMAPISession> session(store.OpenSession());
        ComPtr<IMessage> message =
            Open<IMessage>(session.Get(), store.Message("Projects/plan.msg"));
        SPropValue subject{};
        subject.ulPropTag = PR_SUBJECT;
        subject.Value.lpszA = const_cast<LPSTR>("Plan — v3");
        ASSERT_EQ(message->SetProps(1, &subject, nullptr), S_OK);
        ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

        const std::string saved = folder.ReadFile("mail/Projects/plan.msg");
        for (const char* operation : {"CompoundFileWrite", "CompoundFileRename"}) {
            SCOPED_TRACE(operation);
            subject.Value.lpszA = const_cast<LPSTR>("never saved");
            ASSERT_EQ(message->SetProps(1, &subject, nullptr), S_OK);
            embedded::FailNthCall(operation, 1, STG_E_MEDIUMFULL);
            EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), STG_E_MEDIUMFULL);
            EXPECT_EQ(folder.ReadFile("mail/Projects/plan.msg"), saved);
        }
    }
    struct stat info {};
    ASSERT_EQ(stat(plan.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    MsgFolderStore reopened(Mail());
    ComPtr<IMAPISession> session(reopened.OpenSession());
    ComPtr<IMessage> message = Open<IMessage>(session.Get(), reopened.Message("Projects/plan.msg"));
    EXPECT_EQ(TextOf(message.Get(), PR_SUBJECT), "Plan — v3");
    embedded::MessageData read;
    ASSERT_EQ(embedded::ReadMsgFile(plan, read), S_OK);
    EXPECT_EQ(read.attachments.begin()->second.Content(), "steps");
}

} // namespace

namespace {

TEST_F(MsgFolderStoreTest, AFileReplacedByAnotherProgramIsNotOverwritten) {
    MsgFolderStore store(Mail());
    ComPtr<IMAPISession> session(store.OpenSession());
    // A message without attachments: nothing is read from its file at the rewrite, so only the
    // check before the rename can see the change.
    ComPtr<IMessage> message = Open<IMessage>(session.Get(), store.Message("top.msg"));
    // After the message was read, another program puts a newer file in its place.
    const std::string newer =
        MsgBytes(MessageDraft().Subject("Newer").File("new.txt", "new"), folder);
    folder.WriteFile("mail/.newer", newer);
    ASSERT_EQ(::rename((Mail() + "/.newer").c_str(), (Mail() + "/top.msg").c_str()), 0);
    SPropValue subject{};
    subject.ulPropTag = PR_SUBJECT;
    subject.Value.lpszA = const_cast<LPSTR>("from the old file");
    ASSERT_EQ(message->SetProps(1, &subject, nullptr), S_OK);

    EXPECT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), MAPI_E_OBJECT_CHANGED);

    EXPECT_EQ(folder.ReadFile("mail/top.msg"), newer);
    for (const std::string& name : folder.Tree("mail")) {
        EXPECT_NE(name[0], '.') << name; // no temporary of the attempt is left
    }
}

TEST_F(MsgFolderStoreTest, TemporariesOfAKilledSaveGoWhenTheStoreOpens) {
    const pid_t gone = ::fork();
    if (gone == 0) {
        ::_exit(0);
    }
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    const std::string stale = ".plan.msg.filvex-" + std::to_string(gone) + "-Ab12Cd";
    folder.WriteFile("mail/Projects/" + stale, "half a message");

    MsgFolderStore store(Mail());

    EXPECT_FALSE(folder.Exists("mail/Projects/" + stale));
    EXPECT_TRUE(folder.Exists("mail/Projects/plan.msg"));
}

} // namespace
