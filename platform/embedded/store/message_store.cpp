#include "platform/embedded/store/message_store.h"

#include "platform/embedded/store/store_data.h"

#include <atomic>
#include <stdexcept>

namespace embedded {
namespace {

// Each store has its own serial in its entry identifiers, so an identifier of another store is
// unknown here, as it would be to a real provider.
std::uint32_t NextStoreSerial() {
    static std::atomic<std::uint32_t> serial{0x5EED0000};
    return ++serial;
}

ULONG NumberOf(const StoreData& store, const EntryId& id, EntryKind expected) {
    EntryKind kind{};
    ULONG number = 0;
    if (FAILED(ParseEntryId(store, id.Size(), id.Get(), kind, number)) || kind != expected) {
        throw std::invalid_argument("not an entry identifier of this store");
    }
    return number;
}

} // namespace

AttachmentDraft AttachmentDraft::File(const std::string& name, const std::string& content) {
    AttachmentDraft draft;
    draft.data.SetLong(PR_ATTACH_METHOD, ATTACH_BY_VALUE);
    draft.data.SetText(PR_ATTACH_LONG_FILENAME, name);
    draft.data.SetText(PR_ATTACH_FILENAME, name);
    draft.data.SetText(PR_DISPLAY_NAME, name);
    draft.data.SetBinary(PR_ATTACH_DATA_BIN, content);
    return draft;
}

AttachmentDraft AttachmentDraft::Link(const std::string& displayName, const std::string& path) {
    AttachmentDraft draft;
    draft.data.SetLong(PR_ATTACH_METHOD, ATTACH_BY_REFERENCE);
    draft.data.SetText(PR_DISPLAY_NAME, displayName);
    draft.data.SetText(PR_ATTACH_LONG_PATHNAME, path);
    return draft;
}

AttachmentDraft AttachmentDraft::Message(const std::string& displayName,
                                         const MessageDraft& message) {
    AttachmentDraft draft;
    draft.data.SetLong(PR_ATTACH_METHOD, ATTACH_EMBEDDED_MSG);
    draft.data.SetText(PR_DISPLAY_NAME, displayName);
    draft.data.embedded = std::make_unique<MessageData>(message.Data());
    return draft;
}

AttachmentDraft& AttachmentDraft::Created(const FILETIME& time) {
    data.SetTime(PR_CREATION_TIME, time);
    return *this;
}
AttachmentDraft& AttachmentDraft::Modified(const FILETIME& time) {
    data.SetTime(PR_LAST_MODIFICATION_TIME, time);
    return *this;
}
AttachmentDraft& AttachmentDraft::Method(LONG method) {
    data.SetLong(PR_ATTACH_METHOD, method);
    return *this;
}
AttachmentDraft& AttachmentDraft::Text(ULONG tag, const std::string& utf8) {
    data.SetText(tag, utf8);
    return *this;
}
AttachmentDraft& AttachmentDraft::Long(ULONG tag, LONG value) {
    data.SetLong(tag, value);
    return *this;
}
AttachmentDraft& AttachmentDraft::Time(ULONG tag, const FILETIME& time) {
    data.SetTime(tag, time);
    return *this;
}
AttachmentDraft& AttachmentDraft::Binary(ULONG tag, const std::string& bytes) {
    data.SetBinary(tag, bytes);
    return *this;
}
AttachmentDraft& AttachmentDraft::Content(std::shared_ptr<const ByteSource> source) {
    PropertyValue value;
    value.tag = PR_ATTACH_DATA_BIN;
    value.source = std::move(source);
    data.Put(value);
    return *this;
}
AttachmentDraft& AttachmentDraft::Without(ULONG tag) {
    data.Remove(tag);
    return *this;
}

MessageDraft::MessageDraft() {
    data.SetText(PR_MESSAGE_CLASS, "IPM.Note");
}

MessageDraft& MessageDraft::Subject(const std::string& subject) {
    data.SetText(PR_SUBJECT, subject);
    data.SetText(PR_NORMALIZED_SUBJECT, subject);
    return *this;
}
MessageDraft& MessageDraft::From(const std::string& name, const std::string& address,
                                 const std::string& addressType) {
    data.SetText(PR_SENDER_NAME, name);
    data.SetText(PR_SENDER_EMAIL_ADDRESS, address);
    data.SetText(PR_SENDER_ADDRTYPE, addressType);
    return *this;
}
MessageDraft& MessageDraft::Received(const FILETIME& time) {
    data.SetTime(PR_MESSAGE_DELIVERY_TIME, time);
    return *this;
}
MessageDraft& MessageDraft::Recipient(const std::string& name, const std::string& address,
                                      ULONG type) {
    PropertyBag recipient;
    recipient.SetText(PR_DISPLAY_NAME, name);
    recipient.SetText(PR_EMAIL_ADDRESS, address);
    recipient.SetText(PR_ADDRTYPE, "SMTP");
    recipient.SetLong(PR_RECIPIENT_TYPE, static_cast<LONG>(type));
    data.recipients.push_back(recipient);
    return *this;
}
MessageDraft& MessageDraft::File(const std::string& name, const std::string& content) {
    return Attach(AttachmentDraft::File(name, content));
}
MessageDraft& MessageDraft::Link(const std::string& displayName, const std::string& path) {
    return Attach(AttachmentDraft::Link(displayName, path));
}
MessageDraft& MessageDraft::Embedded(const std::string& displayName, const MessageDraft& message) {
    return Attach(AttachmentDraft::Message(displayName, message));
}
MessageDraft& MessageDraft::Attach(const AttachmentDraft& attachment) {
    data.attachments[data.nextAttachmentNumber++] = attachment.Data();
    return *this;
}
MessageDraft& MessageDraft::Text(ULONG tag, const std::string& utf8) {
    data.SetText(tag, utf8);
    return *this;
}
MessageDraft& MessageDraft::Long(ULONG tag, LONG value) {
    data.SetLong(tag, value);
    return *this;
}
MessageDraft& MessageDraft::Time(ULONG tag, const FILETIME& time) {
    data.SetTime(tag, time);
    return *this;
}
MessageDraft& MessageDraft::Binary(ULONG tag, const std::string& bytes) {
    data.SetBinary(tag, bytes);
    return *this;
}
MessageDraft& MessageDraft::Without(ULONG tag) {
    data.Remove(tag);
    return *this;
}

MessageStore::MessageStore() : store(std::make_shared<StoreData>()) {
    store->serial = NextStoreSerial();
    store->root = store->nextObject++;
    store->folders[store->root].parent = store->root;
    store->folders[store->root].SetText(PR_DISPLAY_NAME, "");
    store->topOfStore =
        NumberOf(*store, AddFolder(Root(), "Top of Information Store"), EntryKind::Folder);
    store->inbox = NumberOf(*store, AddFolder(TopOfStore(), "Inbox"), EntryKind::Folder);
}

MessageStore::~MessageStore() = default;

EntryId MessageStore::Root() const {
    return MakeEntryId(*store, EntryKind::Folder, store->root);
}
EntryId MessageStore::TopOfStore() const {
    return MakeEntryId(*store, EntryKind::Folder, store->topOfStore);
}
EntryId MessageStore::Inbox() const {
    return MakeEntryId(*store, EntryKind::Folder, store->inbox);
}

EntryId MessageStore::AddFolder(const EntryId& parent, const std::string& name) {
    const ULONG parentNumber = NumberOf(*store, parent, EntryKind::Folder);
    const ULONG number = store->nextObject++;
    FolderRecord& folder = store->folders[number];
    folder.parent = parentNumber;
    folder.SetText(PR_DISPLAY_NAME, name);
    return MakeEntryId(*store, EntryKind::Folder, number);
}

void MessageStore::MoveFolder(const EntryId& folder, const EntryId& newParent) {
    store->folders.at(NumberOf(*store, folder, EntryKind::Folder)).parent =
        NumberOf(*store, newParent, EntryKind::Folder);
}

EntryId MessageStore::AddMessage(const MessageDraft& draft) {
    return AddMessage(Inbox(), draft);
}

EntryId MessageStore::AddMessage(const EntryId& folder, const MessageDraft& draft) {
    const ULONG folderNumber = NumberOf(*store, folder, EntryKind::Folder);
    const ULONG number = store->nextObject++;
    store->messages[number] = MessageRecord{folderNumber, draft.Data(), {}, true};
    return MakeEntryId(*store, EntryKind::Message, number);
}

void MessageStore::RemoveMessage(const EntryId& message) {
    store->messages.erase(NumberOf(*store, message, EntryKind::Message));
}

MessageData MessageStore::Read(const EntryId& message) const {
    return store->messages.at(NumberOf(*store, message, EntryKind::Message)).data;
}

bool MessageStore::Contains(const EntryId& message) const {
    return store->messages.count(NumberOf(*store, message, EntryKind::Message)) != 0;
}

IMAPISession* MessageStore::OpenSession() {
    return NewSession(store);
}

IMessage* MessageStore::OpenMessage(const EntryId& message) {
    return NewStoreMessage(store, NumberOf(*store, message, EntryKind::Message), true);
}

IMsgStore* MessageStore::OpenStore() {
    return NewStoreObject(store);
}

} // namespace embedded
