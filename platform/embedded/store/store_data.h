// Inside the embedded message store: its saved contents and the objects that open them. Not for
// tests; they use message_store.h.
#pragma once

#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/store/message_data.h"
#include "platform/embedded/store/message_store.h"
#include "platform/mapi_interfaces.h"

#include <map>
#include <memory>

namespace embedded {

struct FolderRecord : PropertyBag {
    ULONG parent = 0;
};

struct MessageRecord {
    ULONG folder = 0;
    MessageData data;
    // For a message of a ".msg" file: the file, read at the message's first use.
    std::string nativePath;
    // The file as it was read, so that a save replaces that file and no other.
    FileIdentity identity;
    bool loaded = true;
};

// The saved state. Objects opened on it work on copies and write back at SaveChanges.
struct StoreData {
    std::uint32_t serial = 0;
    ULONG nextObject = 1;
    std::map<ULONG, FolderRecord> folders;
    std::map<ULONG, MessageRecord> messages;
    ULONG root = 0;
    ULONG topOfStore = 0;
    ULONG inbox = 0;
    // For a store of ".msg" files: the native folder at its top.
    std::string nativeFolder;
};

// Reads a message of a ".msg" file store on its first use; S_OK for one in memory.
HRESULT LoadMessageRecord(StoreData& store, ULONG number);
// Writes a message of a ".msg" file store into its file and takes it back as the file now
// holds it.
HRESULT SaveMessageRecord(StoreData& store, ULONG number, MessageData& data);

enum class EntryKind : BYTE { Store = 1, Folder = 3, Message = 5 };

EntryId MakeEntryId(const StoreData& store, EntryKind kind, ULONG number);
// MAPI_E_UNKNOWN_ENTRYID for an identifier that is not of this store.
HRESULT ParseEntryId(const StoreData& store, ULONG cbEntryID, const ENTRYID* lpEntryID,
                     EntryKind& kind, ULONG& number);

HRESULT OpenStoreEntry(const std::shared_ptr<StoreData>& store, ULONG cbEntryID,
                       LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                       LPUNKNOWN* lppUnk);
// A saved message opened without a platform call of its own.
IMessage* NewStoreMessage(const std::shared_ptr<StoreData>& store, ULONG number, bool writable);
// A new message in `folder` that enters the store at its first SaveChanges.
IMessage* NewFolderMessage(const std::shared_ptr<StoreData>& store, ULONG folder);
IMAPISession* NewSession(const std::shared_ptr<StoreData>& store);
IMsgStore* NewStoreObject(const std::shared_ptr<StoreData>& store);

} // namespace embedded
