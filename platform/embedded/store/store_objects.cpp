// The session, the store and its folders, and the entry identifiers that lead to them.
#include "platform/embedded/store/property_object.h"

#include <cstring>

namespace embedded {
namespace {

constexpr BYTE kEntryMagic[4] = {'F', 'V', 'X', 'S'};
constexpr std::size_t kEntrySize = 4 + 4 + 4 + 1 + 4;

std::vector<PropertyValue> WithComputed(const PropertyBag& bag,
                                        std::vector<PropertyValue> computed) {
    for (const auto& entry : bag.Values()) {
        computed.push_back(entry.second);
    }
    return computed;
}

class FolderObject final : public PropertyObject<IMAPIFolder> {
  public:
    FolderObject(std::shared_ptr<StoreData> store, ULONG number)
        : store(std::move(store)), number(number), bag(this->store->folders.at(number)) {}

    HRESULT STDMETHODCALLTYPE GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
        HRESULT hr = EnterOperation("GetContentsTable", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppTable == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        std::vector<std::vector<PropertyValue>> rows;
        for (const auto& [id, record] : store->messages) {
            // A message file that cannot be read is not listed.
            if (record.folder == number && SUCCEEDED(LoadMessageRecord(*store, id))) {
                rows.push_back(WithComputed(
                    record.data,
                    {ComputedBinary(PR_ENTRYID, MakeEntryId(*store, EntryKind::Message, id))}));
            }
        }
        *lppTable =
            NewSnapshotTable(std::move(rows), {PR_ENTRYID, PR_SUBJECT, PR_MESSAGE_DELIVERY_TIME});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
        HRESULT hr = EnterOperation("GetHierarchyTable", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppTable == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        std::vector<std::vector<PropertyValue>> rows;
        for (const auto& [id, folder] : store->folders) {
            if (folder.parent == number && id != number) {
                rows.push_back(WithComputed(
                    folder,
                    {ComputedBinary(PR_ENTRYID, MakeEntryId(*store, EntryKind::Folder, id))}));
            }
        }
        *lppTable = NewSnapshotTable(std::move(rows), {PR_ENTRYID, PR_DISPLAY_NAME});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                        ULONG ulFlags, ULONG* lpulObjType,
                                        LPUNKNOWN* lppUnk) override {
        return OpenStoreEntry(store, cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType,
                              lppUnk);
    }
    HRESULT STDMETHODCALLTYPE SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) override {
        return Unsupported("SetSearchCriteria");
    }
    HRESULT STDMETHODCALLTYPE GetSearchCriteria(ULONG, LPSRestriction*, LPENTRYLIST*,
                                                ULONG*) override {
        return Unsupported("GetSearchCriteria");
    }
    HRESULT STDMETHODCALLTYPE CreateMessage(LPCIID lpInterface, ULONG ulFlags,
                                            LPMESSAGE* lppMessage) override {
        HRESULT hr = EnterOperation("CreateMessage", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppMessage == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lppMessage = nullptr;
        if (lpInterface != nullptr && *lpInterface != IID_IMessage) {
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        }
        *lppMessage = NewFolderMessage(store, number);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyMessages(LPENTRYLIST, LPCIID, LPVOID, ULONG_PTR, LPMAPIPROGRESS,
                                           ULONG) override {
        return Unsupported("CopyMessages");
    }
    HRESULT STDMETHODCALLTYPE DeleteMessages(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS,
                                             ULONG) override {
        return Unsupported("DeleteMessages");
    }
    HRESULT STDMETHODCALLTYPE CreateFolder(ULONG, LPSTR, LPSTR, LPCIID, ULONG,
                                           LPMAPIFOLDER*) override {
        return Unsupported("CreateFolder");
    }
    HRESULT STDMETHODCALLTYPE CopyFolder(ULONG, LPENTRYID, LPCIID, LPVOID, LPSTR, ULONG_PTR,
                                         LPMAPIPROGRESS, ULONG) override {
        return Unsupported("CopyFolder");
    }
    HRESULT STDMETHODCALLTYPE DeleteFolder(ULONG, LPENTRYID, ULONG_PTR, LPMAPIPROGRESS,
                                           ULONG) override {
        return Unsupported("DeleteFolder");
    }
    HRESULT STDMETHODCALLTYPE SetReadFlags(LPENTRYLIST, ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
        return Unsupported("SetReadFlags");
    }
    HRESULT STDMETHODCALLTYPE GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG*) override {
        return Unsupported("GetMessageStatus");
    }
    HRESULT STDMETHODCALLTYPE SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG*) override {
        return Unsupported("SetMessageStatus");
    }
    HRESULT STDMETHODCALLTYPE SaveContentsSort(LPSSortOrderSet, ULONG) override {
        return Unsupported("SaveContentsSort");
    }
    HRESULT STDMETHODCALLTYPE EmptyFolder(ULONG_PTR, LPMAPIPROGRESS, ULONG) override {
        return Unsupported("EmptyFolder");
    }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IMAPIFolder});
    }
    PropertyBag& Bag() override { return bag; }
    void AddComputed(std::vector<PropertyValue>& values) const override {
        values.push_back(Computed(PR_OBJECT_TYPE, MAPI_FOLDER));
        values.push_back(
            ComputedBinary(PR_ENTRYID, MakeEntryId(*store, EntryKind::Folder, number)));
        const ULONG parent = store->folders.at(number).parent;
        values.push_back(
            ComputedBinary(PR_PARENT_ENTRYID, MakeEntryId(*store, EntryKind::Folder, parent)));
    }

  private:
    std::shared_ptr<StoreData> store;
    ULONG number;
    PropertyBag bag;
};

class StoreObject final : public PropertyObject<IMsgStore> {
  public:
    explicit StoreObject(std::shared_ptr<StoreData> store) : store(std::move(store)) {
        bag.SetText(PR_DISPLAY_NAME, "Mailbox");
    }

    HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
        return Unsupported("Advise");
    }
    HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return Unsupported("Unadvise"); }
    HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1,
                                              ULONG cbEntryID2, LPENTRYID lpEntryID2, ULONG ulFlags,
                                              ULONG* lpulResult) override;
    HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                        ULONG ulFlags, ULONG* lpulObjType,
                                        LPUNKNOWN* lppUnk) override {
        if (cbEntryID == 0) {
            // No identifier opens the store's root folder.
            const EntryId root = MakeEntryId(*store, EntryKind::Folder, store->root);
            return OpenStoreEntry(store, root.Size(), root.Get(), lpInterface, ulFlags, lpulObjType,
                                  lppUnk);
        }
        return OpenStoreEntry(store, cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType,
                              lppUnk);
    }
    HRESULT STDMETHODCALLTYPE SetReceiveFolder(LPSTR, ULONG, ULONG, LPENTRYID) override {
        return Unsupported("SetReceiveFolder");
    }
    HRESULT STDMETHODCALLTYPE GetReceiveFolder(LPSTR, ULONG, ULONG*, LPENTRYID*, LPSTR*) override {
        return Unsupported("GetReceiveFolder");
    }
    HRESULT STDMETHODCALLTYPE GetReceiveFolderTable(ULONG, LPMAPITABLE*) override {
        return Unsupported("GetReceiveFolderTable");
    }
    HRESULT STDMETHODCALLTYPE StoreLogoff(ULONG*) override { return EnterOperation("StoreLogoff"); }
    HRESULT STDMETHODCALLTYPE AbortSubmit(ULONG, LPENTRYID, ULONG) override {
        return Unsupported("AbortSubmit");
    }
    HRESULT STDMETHODCALLTYPE GetOutgoingQueue(ULONG, LPMAPITABLE*) override {
        return Unsupported("GetOutgoingQueue");
    }
    HRESULT STDMETHODCALLTYPE SetLockState(LPMESSAGE, ULONG) override {
        return Unsupported("SetLockState");
    }
    HRESULT STDMETHODCALLTYPE FinishedMsg(ULONG, ULONG, LPENTRYID) override {
        return Unsupported("FinishedMsg");
    }
    HRESULT STDMETHODCALLTYPE NotifyNewMail(void*) override { return Unsupported("NotifyNewMail"); }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMsgStore});
    }
    PropertyBag& Bag() override { return bag; }
    void AddComputed(std::vector<PropertyValue>& values) const override {
        values.push_back(Computed(PR_OBJECT_TYPE, MAPI_STORE));
        values.push_back(ComputedBinary(PR_ENTRYID, MakeEntryId(*store, EntryKind::Store, 0)));
    }

  private:
    std::shared_ptr<StoreData> store;
    PropertyBag bag;
};

HRESULT CompareIds(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                   ULONG* lpulResult) {
    if (lpulResult == nullptr || (cbEntryID1 > 0 && lpEntryID1 == nullptr) ||
        (cbEntryID2 > 0 && lpEntryID2 == nullptr)) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lpulResult = cbEntryID1 == cbEntryID2 &&
                  (cbEntryID1 == 0 || std::memcmp(lpEntryID1, lpEntryID2, cbEntryID1) == 0);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE StoreObject::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1,
                                                       ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                                       ULONG ulFlags, ULONG* lpulResult) {
    HRESULT hr = EnterOperation("CompareEntryIDs", ulFlags);
    if (FAILED(hr)) {
        return hr;
    }
    return CompareIds(cbEntryID1, lpEntryID1, cbEntryID2, lpEntryID2, lpulResult);
}

class SessionObject final : public Counted<IMAPISession> {
  public:
    explicit SessionObject(std::shared_ptr<StoreData> store) : store(std::move(store)) {}

    HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR*) override {
        return Unsupported("GetLastError");
    }
    HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG, LPMAPITABLE*) override {
        return Unsupported("GetMsgStoresTable");
    }
    HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID lpInterface,
                                           ULONG ulFlags, LPMDB* lppMDB) override {
        HRESULT hr = EnterOperation("OpenMsgStore", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppMDB == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lppMDB = nullptr;
        if (lpInterface != nullptr && *lpInterface != IID_IMsgStore) {
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        }
        *lppMDB = new StoreObject(store);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK*) override {
        return Unsupported("OpenAddressBook");
    }
    HRESULT STDMETHODCALLTYPE OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) override {
        return Unsupported("OpenProfileSection");
    }
    HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG, LPMAPITABLE*) override {
        return Unsupported("GetStatusTable");
    }
    HRESULT STDMETHODCALLTYPE OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                        ULONG ulFlags, ULONG* lpulObjType,
                                        LPUNKNOWN* lppUnk) override {
        return OpenStoreEntry(store, cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType,
                              lppUnk);
    }
    HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1,
                                              ULONG cbEntryID2, LPENTRYID lpEntryID2, ULONG ulFlags,
                                              ULONG* lpulResult) override {
        HRESULT hr = EnterOperation("CompareEntryIDs", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        return CompareIds(cbEntryID1, lpEntryID1, cbEntryID2, lpEntryID2, lpulResult);
    }
    HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override {
        return Unsupported("Advise");
    }
    HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return Unsupported("Unadvise"); }
    HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR, ULONG, LPSTR, LPMESSAGE) override {
        return Unsupported("MessageOptions");
    }
    HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(LPSTR, ULONG, ULONG*, LPSPropValue*) override {
        return Unsupported("QueryDefaultMessageOpt");
    }
    HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG, ULONG*, LPSTR**) override {
        return Unsupported("EnumAdrTypes");
    }
    HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG*, LPENTRYID*) override {
        return Unsupported("QueryIdentity");
    }
    HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR, ULONG ulFlags, ULONG) override {
        return EnterOperation("Logoff", ulFlags);
    }
    HRESULT STDMETHODCALLTYPE SetDefaultStore(ULONG, ULONG, LPENTRYID) override {
        return Unsupported("SetDefaultStore");
    }
    HRESULT STDMETHODCALLTYPE AdminServices(ULONG, LPSERVICEADMIN*) override {
        return Unsupported("AdminServices");
    }
    HRESULT STDMETHODCALLTYPE ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE,
                                       ULONG, ULONG, ULONG, ULONG, LPSTR) override {
        return Unsupported("ShowForm");
    }
    HRESULT STDMETHODCALLTYPE PrepareForm(LPCIID, LPMESSAGE, ULONG*) override {
        return Unsupported("PrepareForm");
    }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IMAPISession});
    }

  private:
    std::shared_ptr<StoreData> store;
};

} // namespace

EntryId MakeEntryId(const StoreData& store, EntryKind kind, ULONG number) {
    EntryId id;
    id.bytes.assign(kEntrySize, 0);
    std::memcpy(&id.bytes[4], kEntryMagic, 4);
    for (int i = 0; i < 4; ++i) {
        id.bytes[8 + i] = static_cast<BYTE>(store.serial >> (8 * i));
        id.bytes[13 + i] = static_cast<BYTE>(number >> (8 * i));
    }
    id.bytes[12] = static_cast<BYTE>(kind);
    return id;
}

HRESULT ParseEntryId(const StoreData& store, ULONG cbEntryID, const ENTRYID* lpEntryID,
                     EntryKind& kind, ULONG& number) {
    if (lpEntryID == nullptr || cbEntryID != kEntrySize) {
        return MAPI_E_UNKNOWN_ENTRYID;
    }
    const auto* bytes = reinterpret_cast<const BYTE*>(lpEntryID);
    std::uint32_t serial = 0;
    number = 0;
    for (int i = 0; i < 4; ++i) {
        serial |= static_cast<std::uint32_t>(bytes[8 + i]) << (8 * i);
        number |= static_cast<ULONG>(bytes[13 + i]) << (8 * i);
    }
    if (std::memcmp(bytes + 4, kEntryMagic, 4) != 0 || serial != store.serial) {
        return MAPI_E_UNKNOWN_ENTRYID;
    }
    kind = static_cast<EntryKind>(bytes[12]);
    return S_OK;
}

HRESULT OpenStoreEntry(const std::shared_ptr<StoreData>& store, ULONG cbEntryID,
                       LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                       LPUNKNOWN* lppUnk) {
    HRESULT hr = EnterOperation("OpenEntry", ulFlags);
    if (FAILED(hr)) {
        return hr;
    }
    if (lpulObjType == nullptr || lppUnk == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppUnk = nullptr;
    EntryKind kind{};
    ULONG number = 0;
    hr = ParseEntryId(*store, cbEntryID, lpEntryID, kind, number);
    if (FAILED(hr)) {
        return hr;
    }
    auto accepts = [&](std::initializer_list<const IID*> ids) {
        return lpInterface == nullptr || AnyOf(*lpInterface, ids);
    };
    if (kind == EntryKind::Folder) {
        if (store->folders.count(number) == 0) {
            return MAPI_E_NOT_FOUND;
        }
        if (!accepts({&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IMAPIFolder})) {
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        }
        *lpulObjType = MAPI_FOLDER;
        *lppUnk = static_cast<IMAPIFolder*>(new FolderObject(store, number));
        return S_OK;
    }
    if (kind == EntryKind::Message) {
        if (store->messages.count(number) == 0) {
            return MAPI_E_NOT_FOUND;
        }
        if (!accepts({&IID_IUnknown, &IID_IMAPIProp, &IID_IMessage})) {
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        }
        hr = LoadMessageRecord(*store, number);
        if (FAILED(hr)) {
            return hr;
        }
        const bool canWrite = (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
        *lpulObjType = MAPI_MESSAGE;
        *lppUnk = NewStoreMessage(store, number, canWrite);
        return S_OK;
    }
    return MAPI_E_NOT_FOUND;
}

IMAPISession* NewSession(const std::shared_ptr<StoreData>& store) {
    return new SessionObject(store);
}

IMsgStore* NewStoreObject(const std::shared_ptr<StoreData>& store) {
    return new StoreObject(store);
}

} // namespace embedded
