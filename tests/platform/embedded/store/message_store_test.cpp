#include "platform/com_ptr.h"
#include "platform/embedded/trace/call_log.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/store/message_store.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_functions.h"
#include "platform/mapi_tags.h"
#include "platform/row_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using embedded::EntryId;
using embedded::MessageDraft;

class MessageStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        embedded::ResetPlatformTrace();
        session.Reset(store.OpenSession());
    }
    void TearDown() override { embedded::ResetPlatformTrace(); }

    ComPtr<IMessage> Open(const EntryId& id,
                          ULONG flags = MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS) {
        ComPtr<IMessage> message;
        ULONG type = 0;
        EXPECT_EQ(
            session->OpenEntry(id.Size(), id.Get(), nullptr, flags, &type, message.OutUnknown()),
            S_OK);
        EXPECT_EQ(type, MAPI_MESSAGE);
        return message;
    }

    static HRESULT SetText(IMAPIProp* object, ULONG tag, const char* text) {
        SPropValue value{};
        value.ulPropTag = tag;
        value.Value.lpszA = const_cast<LPSTR>(text);
        return object->SetProps(1, &value, nullptr);
    }

    static std::string ReadAll(IStream* stream) {
        std::string bytes;
        char chunk[3]; // small, so that reads continue where the last one stopped
        ULONG got = 0;
        while (SUCCEEDED(stream->Read(chunk, sizeof(chunk), &got)) && got > 0) {
            bytes.append(chunk, got);
        }
        return bytes;
    }

    static std::vector<LONG> Numbers(const RowSet& rows) {
        std::vector<LONG> numbers;
        for (ULONG i = 0; i < rows.Count(); ++i) {
            EXPECT_EQ(rows[i].lpProps[0].ulPropTag, PR_ATTACH_NUM);
            numbers.push_back(rows[i].lpProps[0].Value.l);
        }
        return numbers;
    }

    embedded::MessageStore store;
    ComPtr<IMAPISession> session;
};

TEST_F(MessageStoreTest, MissingPropertyComesBackAsErrorValue) {
    const EntryId id = store.AddMessage(MessageDraft().Subject("Quarterly"));
    ComPtr<IMessage> message = Open(id);

    SizedSPropTagArray(2, tags) = {2, {PR_SUBJECT, PR_SENDER_NAME}};
    ULONG count = 0;
    MapiBuffer<SPropValue> values;
    EXPECT_EQ(message->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.Out()),
              MAPI_W_ERRORS_RETURNED);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(values[0].ulPropTag, PR_SUBJECT);
    EXPECT_STREQ(values[0].Value.lpszA, "Quarterly");
    EXPECT_EQ(values[1].ulPropTag, PROP_TAG(PT_ERROR, PROP_ID(PR_SENDER_NAME)));
    EXPECT_EQ(values[1].Value.err, MAPI_E_NOT_FOUND);

    MapiBuffer<SPropValue> one;
    EXPECT_EQ(HrGetOneProp(message.Get(), PR_SENDER_NAME, one.Out()), MAPI_E_NOT_FOUND);
    EXPECT_FALSE(one);
}

TEST_F(MessageStoreTest, TextIsGivenInTheWidthAskedFor) {
    const std::string text = "Grüße aus Köln";
    const ULONG subjectW = CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNICODE);
    struct Case {
        const char* name;
        ULONG storedTag;
        ULONG askedTag;
    };
    const Case cases[] = {
        {"8-bit view of a Unicode value", subjectW, PR_SUBJECT},
        {"Unicode view of an 8-bit value", PR_SUBJECT, subjectW},
        {"8-bit as stored", PR_SUBJECT, PR_SUBJECT},
        {"stored type for PT_UNSPECIFIED", PR_SUBJECT,
         CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNSPECIFIED)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const EntryId id = store.AddMessage(MessageDraft().Text(c.storedTag, text));
        ComPtr<IMessage> message = Open(id);
        MapiBuffer<SPropValue> value;
        ASSERT_EQ(HrGetOneProp(message.Get(), c.askedTag, value.Out()), S_OK);
        if (PROP_TYPE(value->ulPropTag) == PT_UNICODE) {
            EXPECT_EQ(value->ulPropTag, subjectW);
            EXPECT_EQ(std::u16string(value->Value.lpszW), u"Grüße aus Köln");
        } else {
            EXPECT_EQ(value->ulPropTag, PR_SUBJECT);
            EXPECT_EQ(std::string(value->Value.lpszA), text);
        }
    }
}

TEST_F(MessageStoreTest, NoTagArrayAsksForEveryProperty) {
    const EntryId id = store.AddMessage(
        MessageDraft().Text(CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNICODE), "Hello").Long(PR_ACCESS, 3));
    ComPtr<IMessage> message = Open(id);
    struct Case {
        const char* name;
        ULONG flags;
        ULONG subjectTag;
    };
    const Case cases[] = {
        {"8-bit strings by default", 0, PR_SUBJECT},
        {"Unicode strings with MAPI_UNICODE", MAPI_UNICODE,
         CHANGE_PROP_TYPE(PR_SUBJECT, PT_UNICODE)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        ASSERT_EQ(message->GetProps(nullptr, c.flags, &count, values.Out()), S_OK);
        std::vector<ULONG> tags;
        for (ULONG i = 0; i < count; ++i) {
            tags.push_back(values[i].ulPropTag);
        }
        for (ULONG expected : {c.subjectTag, PR_ACCESS, PR_ENTRYID, PR_PARENT_ENTRYID}) {
            EXPECT_NE(std::find(tags.begin(), tags.end(), expected), tags.end()) << expected;
        }
    }
}

TEST_F(MessageStoreTest, FailedRowReadLeavesNoRows) {
    const EntryId id = store.AddMessage(MessageDraft().File("a.txt", "a").File("b.txt", "b"));
    ComPtr<IMessage> message = Open(id);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(message->GetAttachmentTable(MAPI_DEFERRED_ERRORS, table.Out()), S_OK);
    embedded::FailNthCall("QueryRows", 2, MAPI_E_CALL_FAILED);
    RowSet rows;
    EXPECT_EQ(HrQueryAllRows(table.Get(), nullptr, nullptr, nullptr, 0, rows.Out()),
              MAPI_E_CALL_FAILED);
    EXPECT_EQ(rows.Get(), nullptr);
    EXPECT_EQ(HrQueryAllRows(table.Get(), nullptr, nullptr, nullptr, 1, rows.Out()),
              MAPI_E_TABLE_TOO_BIG);
    ASSERT_EQ(HrQueryAllRows(table.Get(), nullptr, nullptr, nullptr, 0, rows.Out()), S_OK);
    EXPECT_EQ(Numbers(rows), (std::vector<LONG>{0, 1}));
}

TEST_F(MessageStoreTest, ChangesReleasedUnsavedAreDiscarded) {
    const EntryId id = store.AddMessage(MessageDraft().Subject("Before").File("a.txt", "alpha"));
    {
        ComPtr<IMessage> message = Open(id);
        ASSERT_EQ(SetText(message.Get(), PR_SUBJECT, "After"), S_OK);
        ULONG number = 0;
        ComPtr<IAttach> attachment;
        ASSERT_EQ(message->CreateAttach(&IID_IAttachment, MAPI_DEFERRED_ERRORS, &number,
                                        attachment.Out()),
                  S_OK);
        ASSERT_EQ(SetText(attachment.Get(), PR_DISPLAY_NAME, "new"), S_OK);
        ASSERT_EQ(attachment->SaveChanges(0), S_OK); // pending in the message only
        ASSERT_EQ(message->DeleteAttach(0, 0, nullptr, 0), S_OK);
    }
    const embedded::MessageData saved = store.Read(id);
    EXPECT_EQ(saved.Text(PR_SUBJECT), "Before");
    ASSERT_EQ(saved.attachments.size(), 1u);
    EXPECT_EQ(saved.attachments.at(0).Content(), "alpha");
}

TEST_F(MessageStoreTest, SaveKeepsTheMessageOpenOnlyWithKeepOpenReadWrite) {
    const EntryId id = store.AddMessage(MessageDraft().Subject("One"));
    ComPtr<IMessage> message = Open(id);
    ASSERT_EQ(SetText(message.Get(), PR_SUBJECT, "Two"), S_OK);
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    EXPECT_EQ(store.Read(id).Text(PR_SUBJECT), "Two");

    ASSERT_EQ(SetText(message.Get(), PR_SUBJECT, "Three"), S_OK);
    ASSERT_EQ(message->SaveChanges(0), S_OK);
    EXPECT_EQ(store.Read(id).Text(PR_SUBJECT), "Three");

    // Saved without keeping it open: readable, but it takes no more changes.
    EXPECT_EQ(SetText(message.Get(), PR_SUBJECT, "Four"), MAPI_E_NO_ACCESS);
    MapiBuffer<SPropValue> subject;
    ASSERT_EQ(HrGetOneProp(message.Get(), PR_SUBJECT, subject.Out()), S_OK);
    EXPECT_STREQ(subject->Value.lpszA, "Three");

    ComPtr<IMessage> readOnly = Open(id, 0);
    EXPECT_EQ(SetText(readOnly.Get(), PR_SUBJECT, "Five"), MAPI_E_NO_ACCESS);
}

TEST_F(MessageStoreTest, AttachmentNumbersAreNeverReused) {
    const EntryId id =
        store.AddMessage(MessageDraft().File("a.txt", "alpha").File("b.txt", "beta"));
    ComPtr<IMessage> message = Open(id);
    ASSERT_EQ(message->DeleteAttach(1, 0, nullptr, 0), S_OK);
    ULONG number = 0;
    ComPtr<IAttach> attachment;
    ASSERT_EQ(
        message->CreateAttach(&IID_IAttachment, MAPI_DEFERRED_ERRORS, &number, attachment.Out()),
        S_OK);
    EXPECT_EQ(number, 2u);
    ASSERT_EQ(attachment->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(message->SaveChanges(0), S_OK);

    const embedded::MessageData saved = store.Read(id);
    std::vector<ULONG> numbers;
    for (const auto& entry : saved.attachments) {
        numbers.push_back(entry.first);
    }
    EXPECT_EQ(numbers, (std::vector<ULONG>{0, 2}));
    ComPtr<IAttach> gone;
    EXPECT_EQ(message->OpenAttach(1, nullptr, MAPI_BEST_ACCESS, gone.Out()), MAPI_E_NOT_FOUND);
}

TEST_F(MessageStoreTest, AttachmentTableIsASnapshotWithTheColumnsAsked) {
    const EntryId id = store.AddMessage(
        MessageDraft().File("a.txt", "alpha").Link("LinkTo_b.txt", "C:\\Saved\\b.txt"));
    ComPtr<IMessage> message = Open(id);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(message->GetAttachmentTable(MAPI_DEFERRED_ERRORS, table.Out()), S_OK);

    ASSERT_EQ(message->DeleteAttach(0, 0, nullptr, 0), S_OK);
    ULONG number = 0;
    ComPtr<IAttach> added;
    ASSERT_EQ(message->CreateAttach(&IID_IAttachment, 0, &number, added.Out()), S_OK);
    ASSERT_EQ(added->SaveChanges(0), S_OK);

    SizedSPropTagArray(3, columns) = {3,
                                      {PR_ATTACH_NUM, PR_ATTACH_METHOD, PR_ATTACH_LONG_PATHNAME}};
    RowSet rows;
    ASSERT_EQ(HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr,
                             nullptr, 0, rows.Out()),
              S_OK);
    EXPECT_EQ(Numbers(rows), (std::vector<LONG>{0, 1}));
    ASSERT_EQ(rows[0].cValues, 3u);
    EXPECT_EQ(rows[0].lpProps[1].Value.l, static_cast<LONG>(ATTACH_BY_VALUE));
    EXPECT_EQ(PROP_TYPE(rows[0].lpProps[2].ulPropTag), PT_ERROR);
    EXPECT_EQ(rows[1].lpProps[1].Value.l, static_cast<LONG>(ATTACH_BY_REFERENCE));
    EXPECT_STREQ(rows[1].lpProps[2].Value.lpszA, "C:\\Saved\\b.txt");

    // A table taken now shows the message as it is now.
    ComPtr<IMAPITable> later;
    ASSERT_EQ(message->GetAttachmentTable(0, later.Out()), S_OK);
    RowSet laterRows;
    ASSERT_EQ(HrQueryAllRows(later.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr,
                             nullptr, 0, laterRows.Out()),
              S_OK);
    EXPECT_EQ(Numbers(laterRows), (std::vector<LONG>{1, 2}));
}

TEST_F(MessageStoreTest, AttachmentContentRoundTripsThroughStreams) {
    const EntryId id = store.AddMessage(MessageDraft().File("fox.txt", "The quick brown fox"));
    ComPtr<IMessage> message = Open(id);

    ComPtr<IAttach> source;
    ASSERT_EQ(
        message->OpenAttach(0, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, source.Out()),
        S_OK);
    ComPtr<IStream> reading;
    ASSERT_EQ(source->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, reading.OutUnknown()),
              S_OK);
    EXPECT_EQ(ReadAll(reading.Get()), "The quick brown fox");
    EXPECT_NE(reading->Write("x", 1, nullptr), S_OK); // opened for reading

    ULONG number = 0;
    ComPtr<IAttach> copy;
    ASSERT_EQ(message->CreateAttach(&IID_IAttachment, MAPI_DEFERRED_ERRORS, &number, copy.Out()),
              S_OK);
    ComPtr<IStream> writing;
    ASSERT_EQ(copy->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0,
                                 MAPI_CREATE | MAPI_MODIFY | MAPI_DEFERRED_ERRORS,
                                 writing.OutUnknown()),
              S_OK);
    LARGE_INTEGER start{};
    ASSERT_EQ(reading->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
    ULARGE_INTEGER all{};
    all.QuadPart = 0x7FFFFFFFFFFFFFFFull;
    ULARGE_INTEGER read{};
    ULARGE_INTEGER written{};
    ASSERT_EQ(reading->CopyTo(writing.Get(), all, &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 19u);
    EXPECT_EQ(written.QuadPart, 19u);
    ASSERT_EQ(writing->Write(" and more", 9, nullptr), S_OK);
    writing.Reset();
    ASSERT_EQ(copy->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
    ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

    EXPECT_EQ(store.Read(id).attachments.at(number).Content(), "The quick brown fox and more");

    ComPtr<IStream> none;
    ComPtr<IAttach> link;
    ASSERT_EQ(message->CreateAttach(nullptr, 0, &number, link.Out()), S_OK);
    EXPECT_EQ(link->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, none.OutUnknown()),
              MAPI_E_NOT_FOUND);
}

TEST_F(MessageStoreTest, EmbeddedMessageOpensAsAMessageAndSavesUpwards) {
    const EntryId id = store.AddMessage(MessageDraft().Subject("Outer").Embedded(
        "Inner", MessageDraft().Subject("Inner").File("inner.txt", "deep")));
    ComPtr<IMessage> message = Open(id);
    ComPtr<IAttach> attachment;
    ASSERT_EQ(
        message->OpenAttach(0, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, attachment.Out()),
        S_OK);
    ComPtr<IMessage> inner;
    ASSERT_EQ(attachment->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0,
                                       MAPI_MODIFY | MAPI_DEFERRED_ERRORS, inner.OutUnknown()),
              S_OK);
    MapiBuffer<SPropValue> subject;
    ASSERT_EQ(HrGetOneProp(inner.Get(), PR_SUBJECT, subject.Out()), S_OK);
    EXPECT_STREQ(subject->Value.lpszA, "Inner");

    ASSERT_EQ(inner->DeleteAttach(0, 0, nullptr, 0), S_OK);
    ASSERT_EQ(inner->SaveChanges(0), S_OK);
    EXPECT_EQ(store.Read(id).attachments.at(0).embedded->attachments.size(), 1u);
    ASSERT_EQ(attachment->SaveChanges(0), S_OK);
    EXPECT_EQ(store.Read(id).attachments.at(0).embedded->attachments.size(), 1u);
    ASSERT_EQ(message->SaveChanges(0), S_OK);
    EXPECT_TRUE(store.Read(id).attachments.at(0).embedded->attachments.empty());

    ComPtr<IAttach> file;
    ComPtr<IMessage> notAMessage;
    const EntryId plain = store.AddMessage(MessageDraft().File("a.txt", "a"));
    ComPtr<IMessage> other = Open(plain);
    ASSERT_EQ(other->OpenAttach(0, nullptr, MAPI_BEST_ACCESS, file.Out()), S_OK);
    EXPECT_EQ(file->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_MODIFY,
                                 notAMessage.OutUnknown()),
              MAPI_E_NOT_FOUND);
}

TEST_F(MessageStoreTest, OpenEntryTellsMessagesFoldersAndUnknownIds) {
    const EntryId message = store.AddMessage(MessageDraft().Subject("Here"));
    const EntryId removed = store.AddMessage(MessageDraft().Subject("Gone"));
    store.RemoveMessage(removed);
    embedded::MessageStore otherStore;
    const EntryId foreign = otherStore.AddMessage(MessageDraft());
    const EntryId garbage{{1, 2, 3}};
    struct Case {
        const char* name;
        EntryId id;
        ULONG flags;
        HRESULT result;
        ULONG type;
    };
    const Case cases[] = {
        {"message", message, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, S_OK, MAPI_MESSAGE},
        {"folder", store.Inbox(), MAPI_DEFERRED_ERRORS, S_OK, MAPI_FOLDER},
        {"removed message", removed, MAPI_BEST_ACCESS, MAPI_E_NOT_FOUND, 0},
        {"other store's message", foreign, MAPI_BEST_ACCESS, MAPI_E_UNKNOWN_ENTRYID, 0},
        {"not an entry identifier", garbage, MAPI_BEST_ACCESS, MAPI_E_UNKNOWN_ENTRYID, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        embedded::ClearCallLog();
        ULONG type = 0;
        ComPtr<IUnknown> object;
        EXPECT_EQ(
            session->OpenEntry(c.id.Size(), c.id.Get(), nullptr, c.flags, &type, object.Out()),
            c.result);
        EXPECT_EQ(object.Get() != nullptr, c.result == S_OK);
        if (c.result == S_OK) {
            EXPECT_EQ(type, c.type);
        }
        ASSERT_EQ(embedded::CallsOf("OpenEntry").size(), 1u);
        EXPECT_EQ(embedded::CallsOf("OpenEntry")[0].flags, c.flags);
    }
}

TEST_F(MessageStoreTest, FolderClimbEndsAtTheRootWhichIsItsOwnParent) {
    const EntryId projects = store.AddFolder(store.Inbox(), "Projects");
    const EntryId id = store.AddMessage(projects, MessageDraft().Subject("Plan"));
    ComPtr<IMessage> message = Open(id);
    MapiBuffer<SPropValue> parent;
    ASSERT_EQ(HrGetOneProp(message.Get(), PR_PARENT_ENTRYID, parent.Out()), S_OK);

    std::vector<std::string> names;
    std::vector<BYTE> current(parent->Value.bin.lpb, parent->Value.bin.lpb + parent->Value.bin.cb);
    for (int guard = 0; guard < 10; ++guard) {
        ULONG type = 0;
        ComPtr<IMAPIFolder> folder;
        ASSERT_EQ(session->OpenEntry(static_cast<ULONG>(current.size()),
                                     reinterpret_cast<LPENTRYID>(current.data()), nullptr,
                                     MAPI_DEFERRED_ERRORS, &type, folder.OutUnknown()),
                  S_OK);
        ASSERT_EQ(type, MAPI_FOLDER);
        SizedSPropTagArray(2, tags) = {2, {PR_PARENT_ENTRYID, PR_DISPLAY_NAME}};
        ULONG count = 0;
        MapiBuffer<SPropValue> values;
        ASSERT_EQ(
            folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, values.Out()),
            S_OK);
        names.push_back(values[1].Value.lpszA);
        std::vector<BYTE> up(values[0].Value.bin.lpb,
                             values[0].Value.bin.lpb + values[0].Value.bin.cb);
        if (up == current) {
            break;
        }
        current = up;
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"Projects", "Inbox", "Top of Information Store", ""}));
    EXPECT_EQ(current, store.Root().bytes);
}

TEST_F(MessageStoreTest, InjectedFaultIsWhatOpenAttachReturns) {
    const EntryId id = store.AddMessage(MessageDraft().File("a.txt", "alpha"));
    ComPtr<IMessage> message = Open(id);
    embedded::FailNthCall("OpenAttach", 1, MAPI_E_NO_ACCESS);
    ComPtr<IAttach> attachment;
    EXPECT_EQ(
        message->OpenAttach(0, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, attachment.Out()),
        MAPI_E_NO_ACCESS);
    EXPECT_FALSE(attachment);
    EXPECT_EQ(
        message->OpenAttach(0, nullptr, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS, attachment.Out()),
        S_OK);
    const auto calls = embedded::CallsOf("OpenAttach");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].flags, MAPI_BEST_ACCESS | MAPI_DEFERRED_ERRORS);
}

TEST_F(MessageStoreTest, CopyToCarriesAllButTheExcludedProperties) {
    const EntryId sourceId = store.AddMessage(
        MessageDraft()
            .Subject("Minutes")
            .From("Ann Lee", "ann@example.com")
            .Text(PR_BODY, "plain body")
            .Long(PR_ACCESS, 3)
            .Long(PR_RTF_SYNC_BODY_CRC, 77)
            .Binary(PR_RTF_COMPRESSED, std::string("\x01\x02", 2))
            .Recipient("Bo Chen", "bo@example.com")
            .File("minutes.txt", "we met")
            .Embedded("Fwd", MessageDraft().Subject("Fwd").File("deep.txt", "deeper")));
    const EntryId targetId = store.AddMessage(MessageDraft());
    ComPtr<IMessage> source = Open(sourceId);
    ComPtr<IMessage> target = Open(targetId);

    SizedSPropTagArray(7, excluded) = {7,
                                       {PR_ACCESS, PR_BODY, PR_RTF_SYNC_BODY_COUNT,
                                        PR_RTF_SYNC_BODY_CRC, PR_RTF_SYNC_BODY_TAG,
                                        PR_RTF_SYNC_PREFIX_COUNT, PR_RTF_SYNC_TRAILING_COUNT}};
    ASSERT_EQ(source->CopyTo(0, nullptr, reinterpret_cast<LPSPropTagArray>(&excluded), 0, nullptr,
                             &IID_IMessage, target.Get(), 0, nullptr),
              S_OK);
    EXPECT_TRUE(store.Read(targetId).attachments.empty()); // not before the target's save
    ASSERT_EQ(target->SaveChanges(KEEP_OPEN_READWRITE), S_OK);

    const embedded::MessageData copy = store.Read(targetId);
    EXPECT_EQ(copy.Text(PR_SUBJECT), "Minutes");
    EXPECT_EQ(copy.Text(PR_SENDER_EMAIL_ADDRESS), "ann@example.com");
    EXPECT_EQ(copy.Binary(PR_RTF_COMPRESSED), std::string("\x01\x02", 2));
    EXPECT_FALSE(copy.Has(PR_BODY));
    EXPECT_FALSE(copy.Has(PR_ACCESS));
    EXPECT_FALSE(copy.Has(PR_RTF_SYNC_BODY_CRC));
    ASSERT_EQ(copy.recipients.size(), 1u);
    EXPECT_EQ(copy.recipients[0].Text(PR_EMAIL_ADDRESS), "bo@example.com");
    ASSERT_EQ(copy.attachments.size(), 2u);
    EXPECT_EQ(copy.attachments.at(0).Content(), "we met");
    EXPECT_EQ(copy.attachments.at(0).Text(PR_ATTACH_LONG_FILENAME), "minutes.txt");
    const embedded::AttachmentData& embeddedCopy = copy.attachments.at(1);
    EXPECT_EQ(embeddedCopy.Method(), static_cast<LONG>(ATTACH_EMBEDDED_MSG));
    ASSERT_TRUE(embeddedCopy.embedded);
    EXPECT_EQ(embeddedCopy.embedded->Text(PR_SUBJECT), "Fwd");
    ASSERT_EQ(embeddedCopy.embedded->attachments.size(), 1u);
    EXPECT_EQ(embeddedCopy.embedded->attachments.at(0).Content(), "deeper");
}

TEST_F(MessageStoreTest, InterfacesAnswerTheirOwnIdsOnly) {
    const EntryId id = store.AddMessage(MessageDraft().File("a.txt", "a"));
    ComPtr<IMessage> message = Open(id);
    struct Case {
        const char* name;
        const IID* iid;
        HRESULT result;
    };
    const Case cases[] = {
        {"IUnknown", &IID_IUnknown, S_OK},
        {"IMAPIProp", &IID_IMAPIProp, S_OK},
        {"IMessage", &IID_IMessage, S_OK},
        {"IAttachment", &IID_IAttachment, E_NOINTERFACE},
        {"IMAPIFolder", &IID_IMAPIFolder, E_NOINTERFACE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(message->QueryInterface(*c.iid, &out), c.result);
        if (c.result == S_OK) {
            EXPECT_EQ(out, static_cast<void*>(message.Get()));
            static_cast<IUnknown*>(out)->Release();
        } else {
            EXPECT_EQ(out, nullptr);
        }
    }
    // An attachment keeps its message alive after the caller lets the message go.
    embedded::ClearCallLog();
    message.Reset(store.OpenMessage(id)); // as a host hands it over: no platform call
    EXPECT_TRUE(embedded::CallLog().empty());
    ComPtr<IAttach> attachment;
    ASSERT_EQ(message->OpenAttach(0, nullptr, MAPI_BEST_ACCESS, attachment.Out()), S_OK);
    message.Reset();
    MapiBuffer<SPropValue> name;
    EXPECT_EQ(HrGetOneProp(attachment.Get(), PR_ATTACH_LONG_FILENAME, name.Out()), S_OK);
}

} // namespace
