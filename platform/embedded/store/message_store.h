// An in-memory message store behind a MAPI session, for tests and the command-line host:
// folders under a root, messages with properties, recipients and attachments, and a builder
// that makes a message in a line or three:
//
//     embedded::MessageStore store;
//     auto id = store.AddMessage(embedded::MessageDraft().Subject("Q3").From("Ann Lee",
//         "ann@example.com").Received(embedded::UtcFileTime(2024, 3, 5, 14, 30)).File("q3.pdf",
//         "%PDF"));
//     ComPtr<IMAPISession> session(store.OpenSession());
//
// What a message holds after the module ran is read back with Read(id).
#pragma once

#include "platform/embedded/store/message_data.h"
#include "platform/mapi_interfaces.h"

#include <memory>
#include <string>
#include <vector>

namespace embedded {

// An entry identifier as the store hands it out (PR_ENTRYID).
struct EntryId {
    std::vector<BYTE> bytes;

    ULONG Size() const { return static_cast<ULONG>(bytes.size()); }
    // For OpenEntry, which takes a non-const pointer.
    LPENTRYID Get() const { return reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(bytes.data())); }
    bool operator==(const EntryId&) const = default;
};

class MessageDraft;

class AttachmentDraft {
  public:
    // By value: PR_ATTACH_METHOD 1, long and short file name, display name and content.
    static AttachmentDraft File(const std::string& name, const std::string& content);
    // By reference (a link): PR_ATTACH_METHOD 2, display name and target path.
    static AttachmentDraft Link(const std::string& displayName, const std::string& path);
    // An embedded message: PR_ATTACH_METHOD 5 and the message as PR_ATTACH_DATA_OBJ.
    static AttachmentDraft Message(const std::string& displayName, const MessageDraft& message);

    AttachmentDraft& Created(const FILETIME& time);
    AttachmentDraft& Modified(const FILETIME& time);
    AttachmentDraft& Method(LONG method);
    AttachmentDraft& Text(ULONG tag, const std::string& utf8);
    AttachmentDraft& Long(ULONG tag, LONG value);
    AttachmentDraft& Time(ULONG tag, const FILETIME& time);
    AttachmentDraft& Binary(ULONG tag, const std::string& bytes);
    // PR_ATTACH_DATA_BIN read from `source` piece by piece, as content that stays in its file:
    // big content without holding it in memory.
    AttachmentDraft& Content(std::shared_ptr<const ByteSource> source);
    AttachmentDraft& Without(ULONG tag);

    const AttachmentData& Data() const { return data; }

  private:
    AttachmentData data;
};

class MessageDraft {
  public:
    MessageDraft();

    // PR_SUBJECT and PR_NORMALIZED_SUBJECT.
    MessageDraft& Subject(const std::string& subject);
    // Sender name, address and address type.
    MessageDraft& From(const std::string& name, const std::string& address,
                       const std::string& addressType = "SMTP");
    MessageDraft& Received(const FILETIME& time);
    MessageDraft& Recipient(const std::string& name, const std::string& address,
                            ULONG type = MAPI_TO);
    MessageDraft& File(const std::string& name, const std::string& content);
    MessageDraft& Link(const std::string& displayName, const std::string& path);
    MessageDraft& Embedded(const std::string& displayName, const MessageDraft& message);
    MessageDraft& Attach(const AttachmentDraft& attachment);
    MessageDraft& Text(ULONG tag, const std::string& utf8);
    MessageDraft& Long(ULONG tag, LONG value);
    MessageDraft& Time(ULONG tag, const FILETIME& time);
    MessageDraft& Binary(ULONG tag, const std::string& bytes);
    MessageDraft& Without(ULONG tag);

    const MessageData& Data() const { return data; }

  private:
    MessageData data;
};

struct StoreData;

class MessageStore {
  public:
    // A root folder (its own parent, no name), "Top of Information Store" under it, and an
    // "Inbox" under that.
    MessageStore();
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    EntryId Root() const;
    EntryId TopOfStore() const;
    EntryId Inbox() const;
    EntryId AddFolder(const EntryId& parent, const std::string& name);
    // Gives a folder another parent, also one below it, as a damaged store may have it.
    void MoveFolder(const EntryId& folder, const EntryId& newParent);

    // Into the Inbox, or into the given folder.
    EntryId AddMessage(const MessageDraft& draft);
    EntryId AddMessage(const EntryId& folder, const MessageDraft& draft);
    void RemoveMessage(const EntryId& message);

    // What the store holds now: only saved changes are there.
    MessageData Read(const EntryId& message) const;
    bool Contains(const EntryId& message) const;

    // A new session on the store, with one reference for the caller.
    IMAPISession* OpenSession();
    // The message opened for reading and writing, with one reference for the caller, as a host
    // hands a message to the module. It bypasses fault injection and the call log, so that a
    // test's setup does not use up the faults meant for the module.
    IMessage* OpenMessage(const EntryId& message);
    // The store object, as a host hands it out with the open message; one reference.
    IMsgStore* OpenStore();

  private:
    std::shared_ptr<StoreData> store;
};

} // namespace embedded
