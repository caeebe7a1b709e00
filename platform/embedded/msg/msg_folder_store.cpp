// A message store over a native folder of ".msg" files. The folder tree is listed when the store
// opens; each message file is read at the message's first use, its big values staying in the
// file until they are asked for.
#include "platform/embedded/msg/msg_folder_store.h"

#include "platform/embedded/files/native_entries.h"
#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/msg/msg_file.h"
#include "platform/embedded/store/store_data.h"
#include "platform/embedded/trace/run_watch.h"

#include <algorithm>

namespace embedded {
namespace {

// Identifiers of folders and files come from their paths, so they stay the same across opens.
std::uint32_t PathHash(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

// A number from the path's hash that no other object has yet; 0 and 1 are never handed out.
ULONG FreeNumber(const StoreData& store, const std::string& key) {
    ULONG number = PathHash(key);
    while (number < 2 || store.folders.count(number) > 0 || store.messages.count(number) > 0) {
        ++number;
    }
    return number;
}

bool EndsWithMsg(const std::string& name) {
    if (name.size() < 5) {
        return false;
    }
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return tail == ".msg";
}

// Depth guards against folders nested without end; links to folders are not followed.
void AddFolderTree(StoreData& store, const std::string& nativeFolder, const std::string& relative,
                   ULONG number, int depth) {
    // What a killed save left behind goes before anything is read.
    RemoveStaleReplacements(nativeFolder);
    const std::optional<std::vector<NativeFolderEntry>> entries =
        depth > 64 ? std::nullopt : ListNativeFolder(nativeFolder);
    if (!entries) {
        return;
    }
    for (const NativeFolderEntry& entry : *entries) {
        if (entry.name[0] == '.') { // hidden files, and a save's temporary files
            continue;
        }
        const std::string path = nativeFolder + "/" + entry.name;
        const std::string below = relative.empty() ? entry.name : relative + "/" + entry.name;
        if (entry.folder) {
            const ULONG child = FreeNumber(store, "folder:" + below);
            FolderRecord& folder = store.folders[child];
            folder.parent = number;
            folder.SetText(PR_DISPLAY_NAME, entry.name);
            AddFolderTree(store, path, below, child, depth + 1);
        } else if (EndsWithMsg(entry.name)) {
            MessageRecord record;
            record.folder = number;
            record.nativePath = path;
            record.loaded = false;
            store.messages[FreeNumber(store, "message:" + below)] = std::move(record);
        }
    }
}

ULONG Find(const StoreData& store, const std::string& relative, bool message) {
    ULONG folder = store.topOfStore;
    std::size_t start = 0;
    while (start <= relative.size() && !relative.empty()) {
        const std::size_t slash = relative.find('/', start);
        const std::string name =
            relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        const bool last = slash == std::string::npos;
        ULONG found = 0;
        if (last && message) {
            for (const auto& [number, record] : store.messages) {
                if (record.folder == folder && record.nativePath.size() >= name.size() + 1 &&
                    record.nativePath.compare(record.nativePath.size() - name.size() - 1,
                                              std::string::npos, "/" + name) == 0) {
                    found = number;
                }
            }
            return found;
        }
        for (const auto& [number, record] : store.folders) {
            if (record.parent == folder && number != folder &&
                record.Text(PR_DISPLAY_NAME) == name) {
                found = number;
            }
        }
        if (found == 0) {
            return 0;
        }
        folder = found;
        if (last) {
            break;
        }
        start = slash + 1;
    }
    return message ? 0 : folder;
}

} // namespace

HRESULT LoadMessageRecord(StoreData& store, ULONG number) {
    auto it = store.messages.find(number);
    if (it == store.messages.end()) {
        return MAPI_E_NOT_FOUND;
    }
    MessageRecord& record = it->second;
    if (record.loaded) {
        return S_OK;
    }
    HRESULT hr = ReadMsgFile(record.nativePath, record.data, &record.identity);
    record.loaded = SUCCEEDED(hr);
    if (FAILED(hr)) {
        if (RunWatcher* watcher = CurrentRunWatcher()) {
            watcher->CallFailed("OpenEntry", record.nativePath,
                                hr == MAPI_E_CORRUPT_DATA ? "the file is damaged or is no .msg file"
                                : hr == MAPI_E_NOT_FOUND  ? "the file is no longer there"
                                                          : "the file cannot be read");
        }
    }
    return hr;
}

HRESULT SaveMessageRecord(StoreData& store, ULONG number, MessageData& data) {
    MessageRecord& record = store.messages.at(number);
    // Only the file that was read is replaced: one that another program put there since stays.
    HRESULT hr = SaveMsgFile(data, record.nativePath, &record.identity);
    if (SUCCEEDED(hr)) {
        record.data = data;
        record.loaded = true;
    }
    return hr;
}

MsgFolderStore::MsgFolderStore(const std::string& nativeFolder)
    : store(std::make_shared<StoreData>()) {
    store->nativeFolder = nativeFolder;
    store->serial = PathHash("store:" + nativeFolder);
    store->root = 1;
    store->folders[store->root].parent = store->root;
    store->folders[store->root].SetText(PR_DISPLAY_NAME, "");
    store->topOfStore = FreeNumber(*store, "folder:");
    FolderRecord& top = store->folders[store->topOfStore];
    top.parent = store->root;
    const std::size_t slash = nativeFolder.find_last_not_of('/');
    const std::string trimmed = nativeFolder.substr(0, slash + 1);
    top.SetText(PR_DISPLAY_NAME, trimmed.substr(trimmed.rfind('/') + 1));
    store->inbox = store->topOfStore;
    AddFolderTree(*store, nativeFolder, "", store->topOfStore, 0);
}

MsgFolderStore::~MsgFolderStore() = default;

EntryId MsgFolderStore::Root() const {
    return MakeEntryId(*store, EntryKind::Folder, store->root);
}

EntryId MsgFolderStore::TopOfStore() const {
    return MakeEntryId(*store, EntryKind::Folder, store->topOfStore);
}

EntryId MsgFolderStore::Folder(const std::string& relative) const {
    const ULONG number = Find(*store, relative, false);
    return number == 0 ? EntryId{} : MakeEntryId(*store, EntryKind::Folder, number);
}

EntryId MsgFolderStore::Message(const std::string& relative) const {
    const ULONG number = Find(*store, relative, true);
    return number == 0 ? EntryId{} : MakeEntryId(*store, EntryKind::Message, number);
}

IMAPISession* MsgFolderStore::OpenSession() {
    return NewSession(store);
}

IMsgStore* MsgFolderStore::OpenStore() {
    return NewStoreObject(store);
}

} // namespace embedded
