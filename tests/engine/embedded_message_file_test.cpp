#include "engine/embedded_message_file.h"
#include "engine/message_facts.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/storage/property_set_names.h"
#include "platform/mapi_tags.h"
#include "tests/engine/engine_fixture.h"

#include <string>
#include <vector>

namespace {

using embedded::MessageDraft;

const std::vector<ULONG> kLeftOut = {PR_ACCESS,
                                     PR_BODY,
                                     PR_RTF_SYNC_BODY_COUNT,
                                     PR_RTF_SYNC_BODY_CRC,
                                     PR_RTF_SYNC_BODY_TAG,
                                     PR_RTF_SYNC_PREFIX_COUNT,
                                     PR_RTF_SYNC_TRAILING_COUNT};
const std::string kCompressedRtf("\x2d\x00\x00\x00\x2b\x00\x00\x00LZFu", 12);

// Minutes that Ann Lee sent with a plain body, its RTF twin and the values that tie the two.
MessageDraft Minutes() {
    return MessageDraft()
        .Subject("Minutes")
        .From("Ann Lee", "ann@example.com")
        .Recipient("Bob Stone", "bob@example.com")
        .File("agenda.txt", "1. figures")
        .Text(PR_BODY, "plain text of the minutes")
        .Binary(PR_RTF_COMPRESSED, kCompressedRtf)
        .Long(PR_ACCESS, 3)
        .Long(PR_RTF_SYNC_BODY_COUNT, 25)
        .Long(PR_RTF_SYNC_BODY_CRC, 0x1234)
        .Text(PR_RTF_SYNC_BODY_TAG, "PLAINTEXTOF")
        .Long(PR_RTF_SYNC_PREFIX_COUNT, 0)
        .Long(PR_RTF_SYNC_TRAILING_COUNT, 0);
}

class EmbeddedMessageFileTest : public engine_testing::EngineTest {
  protected:
    // The record of the message inside the first attachment of a new message that holds
    // `embedded`, with its facts gathered, as the driver has it when it meets that attachment.
    // Without an owner window, as for a rule action: a failure shows no message.
    std::unique_ptr<MessageContext> ChildFor(const MessageDraft& embedded,
                                             HWND ownerWindow = nullptr) {
        const auto id =
            store.AddMessage(MessageDraft().Subject("Fw: minutes").Embedded("Minutes", embedded));
        ComPtr<IMessage> parent(store.OpenMessage(id));
        ComPtr<IAttach> attachment;
        EXPECT_EQ(parent->OpenAttach(0, nullptr, MAPI_BEST_ACCESS, attachment.Out()), S_OK);
        ComPtr<IMessage> child;
        EXPECT_EQ(
            attachment->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, child.OutUnknown()),
            S_OK);
        auto context =
            std::make_unique<MessageContext>(session.Get(), child.Get(), ownerWindow, &options);
        GatherMessageFacts(*context);
        embedded::ClearCallLog();
        return context;
    }

    std::string Host(const std::string& relative) const { return temp.path() + "/" + relative; }

    // The calls that make the file, in order, without the copy's own work on the new message.
    static std::vector<std::string> FileSteps() {
        const std::vector<std::string> steps = {"StgCreateDocfile", "MAPIGetDefaultMalloc",
                                                "OpenIMsgSession",  "OpenIMsgOnIStg",
                                                "WriteClassStg",    "CopyTo",
                                                "SaveChanges",      "Commit",
                                                "CloseIMsgSession"};
        std::vector<std::string> seen;
        for (const auto& call : embedded::CallLog()) {
            if (std::find(steps.begin(), steps.end(), call.operation) != steps.end() &&
                (seen.empty() || seen.back() != call.operation)) {
                seen.push_back(call.operation);
            }
        }
        return seen;
    }
};

TEST_F(EmbeddedMessageFileTest, MessageIsWrittenWholeWithItsClassAndWithoutThePlainBody) {
    auto child = ChildFor(Minutes());

    ASSERT_EQ(SaveEmbeddedMessageFile(*child), S_OK);

    EXPECT_EQ(SavedEntries(), std::vector<std::string>{"Minutes.msg"});
    embedded::MessageData read;
    ASSERT_EQ(embedded::ReadMsgFile(Host("Mail/Minutes.msg"), read), S_OK);
    EXPECT_EQ(read.Text(PR_SUBJECT), "Minutes");
    EXPECT_EQ(read.Text(PR_SENDER_NAME), "Ann Lee");
    EXPECT_EQ(read.Binary(PR_RTF_COMPRESSED), kCompressedRtf);
    for (ULONG tag : kLeftOut) {
        EXPECT_FALSE(read.Has(tag)) << std::hex << tag;
    }
    ASSERT_EQ(read.recipients.size(), 1u);
    EXPECT_EQ(read.recipients[0].Text(PR_DISPLAY_NAME), "Bob Stone");
    ASSERT_EQ(read.attachments.size(), 1u);
    EXPECT_EQ(read.attachments.begin()->second.Content(), "1. figures");

    auto file = embedded::CompoundStorageReader::OpenFile(Host("Mail/Minutes.msg"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->GetClassId(), embedded::ClassIdOf(CLSID_MailMessage));

    EXPECT_EQ(FileSteps(),
              (std::vector<std::string>{"StgCreateDocfile", "MAPIGetDefaultMalloc",
                                        "OpenIMsgSession", "OpenIMsgOnIStg", "WriteClassStg",
                                        "CopyTo", "SaveChanges", "Commit", "CloseIMsgSession"}));
    EXPECT_EQ(embedded::CallsOf("StgCreateDocfile")[0].flags, 0x11002u);
    EXPECT_EQ(embedded::CallsOf("OpenIMsgSession")[0].flags, 0u);
    EXPECT_EQ(embedded::CallsOf("OpenIMsgOnIStg")[0].flags, 0u);
    EXPECT_EQ(embedded::CallsOf("CopyTo")[0].flags, 0u);
    EXPECT_EQ(embedded::CallsOf("SaveChanges").back().flags,
              static_cast<std::uint64_t>(KEEP_OPEN_READWRITE));
    EXPECT_EQ(embedded::CallsOf("Commit").back().flags, static_cast<std::uint64_t>(STGC_DEFAULT));
    EXPECT_EQ(embedded::CallLog().back().operation, "CloseIMsgSession");
    // A ".msg" file is no saved attachment: no times, no summary, not counted.
    EXPECT_TRUE(embedded::CallsOf("SetFileTime").empty());
    EXPECT_TRUE(embedded::CallsOf("StgOpenStorageEx").empty());
    EXPECT_EQ(child->savedCount, 0u);
}

TEST_F(EmbeddedMessageFileTest, AMessageWithoutAnRtfBodyKeepsItsPlainBody) {
    auto child = ChildFor(MessageDraft().Subject("Plain").Text(PR_BODY, "the only text"));
    ASSERT_EQ(SaveEmbeddedMessageFile(*child), S_OK);
    embedded::MessageData read;
    ASSERT_EQ(embedded::ReadMsgFile(Host("Mail/Plain.msg"), read), S_OK);
    EXPECT_EQ(read.Text(PR_BODY), "the only text");
}

TEST_F(EmbeddedMessageFileTest, MessagesWithoutSubjectAreNamedNosubject) {
    struct Case {
        const char* name;
        bool overwrite;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"second one counted", false, {"nosubject - 1.msg", "nosubject.msg"}},
        // The first is a file of this run: it is never replaced, even when overwriting.
        {"second one counted when overwriting too", true, {"nosubject - 1.msg", "nosubject.msg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(temp.path() + "/Mail");
        std::filesystem::create_directories(temp.path() + "/Mail");
        options.overwriteExisting = c.overwrite;
        auto first = ChildFor(MessageDraft().Text(PR_BODY, "first"));
        auto second = ChildFor(MessageDraft().Text(PR_BODY, "second").Subject(""));

        EXPECT_EQ(SaveEmbeddedMessageFile(*first), S_OK);
        EXPECT_EQ(SaveEmbeddedMessageFile(*second), S_OK);

        EXPECT_EQ(SavedEntries(), c.files);
    }
}

TEST_F(EmbeddedMessageFileTest, LongSubjectIsCutSoThatTheNameKeeps199Characters) {
    auto child = ChildFor(Minutes());
    std::string subject(250, 's');
    child->subjectClean = subject.data();

    ASSERT_EQ(SaveEmbeddedMessageFile(*child), S_OK);

    EXPECT_EQ(SavedEntries(), std::vector<std::string>{std::string(194, 's') + ".msg"});
}

TEST_F(EmbeddedMessageFileTest, CutThroughACharacterKeepsOnlyWholeCharacters) {
    auto child = ChildFor(Minutes());
    // 193 letters and then two-byte characters: the 194th byte is the first half of one.
    std::string subject = std::string(193, 's');
    for (int i = 0; i < 10; ++i) {
        subject += "\xC3\xA9";
    }
    child->subjectClean = subject.data();

    ASSERT_EQ(SaveEmbeddedMessageFile(*child), S_OK);

    EXPECT_EQ(SavedEntries(), std::vector<std::string>{std::string(193, 's') + ".msg"});
}

TEST_F(EmbeddedMessageFileTest, NoPathForTheFileGivesEPointerAndNoFile) {
    options.subfolderMode = kSenderNameSubfolder;
    temp.WriteFile("Mail/Ann Lee", "a file where the subfolder would go");
    auto child = ChildFor(Minutes());

    EXPECT_EQ(SaveEmbeddedMessageFile(*child), E_POINTER);

    EXPECT_TRUE(embedded::CallsOf("StgCreateDocfile").empty());
    EXPECT_EQ(SavedEntries(), std::vector<std::string>{"Ann Lee"});
}

TEST_F(EmbeddedMessageFileTest, FailuresAreReturnedAndTheSessionIsClosedOnceOpen) {
    struct Case {
        const char* name;
        const char* operation;
        HRESULT fault;
        HRESULT expected;
        bool sessionOpened;
    };
    const Case cases[] = {
        {"path cannot be converted", "MultiByteToWideChar",
         HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION),
         HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION), false},
        {"file cannot be created", "StgCreateDocfile", STG_E_ACCESSDENIED, STG_E_ACCESSDENIED,
         false},
        {"no allocator", "MAPIGetDefaultMalloc", E_FAIL, MAPI_E_NOT_ENOUGH_MEMORY, false},
        {"no message session", "OpenIMsgSession", MAPI_E_NOT_ENOUGH_MEMORY,
         MAPI_E_NOT_ENOUGH_MEMORY, false},
        {"no message on the storage", "OpenIMsgOnIStg", MAPI_E_CALL_FAILED, MAPI_E_CALL_FAILED,
         true},
        {"class cannot be written", "WriteClassStg", STG_E_WRITEFAULT, STG_E_WRITEFAULT, true},
        {"message cannot be copied", "CopyTo", MAPI_E_NO_ACCESS, MAPI_E_NO_ACCESS, true},
        {"storage cannot be committed", "Commit", STG_E_MEDIUMFULL, STG_E_MEDIUMFULL, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto child = ChildFor(Minutes());
        embedded::FailNthCall(c.operation, 1, c.fault);

        const HRESULT result = SaveEmbeddedMessageFile(*child);

        embedded::ClearFaults();
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(embedded::CallsOf("CloseIMsgSession").size(), c.sessionOpened ? 1u : 0u);
        if (c.sessionOpened) {
            EXPECT_EQ(embedded::CallLog().back().operation, "CloseIMsgSession");
        }
    }
}

// A new message that was not saved into its storage would commit as a file that does not open:
// the failure is the result, and no file is made.
TEST_F(EmbeddedMessageFileTest, AFailedSaveOfTheNewMessageMakesNoFile) {
    // The copy saves the attachments it makes; the save of the new message comes last.
    ASSERT_EQ(SaveEmbeddedMessageFile(*ChildFor(Minutes())), S_OK);
    const int saves = static_cast<int>(embedded::CallsOf("SaveChanges").size());
    std::filesystem::remove(Host("Mail/Minutes.msg"));
    auto child = ChildFor(Minutes());
    embedded::FailNthCall("SaveChanges", saves, MAPI_E_NO_ACCESS);

    EXPECT_EQ(SaveEmbeddedMessageFile(*child), MAPI_E_NO_ACCESS);

    embedded::ClearFaults();
    EXPECT_EQ(embedded::CallsOf("SaveChanges").size(), static_cast<std::size_t>(saves));
    EXPECT_TRUE(embedded::CallsOf("Commit").empty());
    EXPECT_EQ(embedded::CallLog().back().operation, "CloseIMsgSession");
    EXPECT_TRUE(SavedEntries().empty());
}

TEST_F(EmbeddedMessageFileTest, RecordWithoutMessageOrOptionsIsRefused) {
    MessageContext noMessage(session.Get(), nullptr, nullptr, &options);
    auto noOptions = ChildFor(Minutes());
    noOptions->options = nullptr;

    EXPECT_EQ(SaveEmbeddedMessageFile(noMessage), E_INVALIDARG);
    EXPECT_EQ(SaveEmbeddedMessageFile(*noOptions), E_INVALIDARG);

    EXPECT_TRUE(embedded::CallLog().empty());
    EXPECT_TRUE(SavedEntries().empty());
}

} // namespace
