// The MAPI objects of the embedded message store: session, store, folders, messages,
// attachments, their tables and content streams. Each object works on its own copy of what it
// opened and writes it back at SaveChanges, one level up: an attachment into its message, a
// message into the store or into the attachment that holds it. Releasing an object without
// saving drops its changes, as MAPI's transacted objects do.
#include "platform/embedded/fault_injection.h"
#include "platform/embedded/property_values.h"
#include "platform/embedded/store_data.h"
#include "platform/com_ptr.h"
#include "platform/mapi_functions.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace embedded {
namespace {

constexpr BYTE kEntryMagic[4] = {'F', 'V', 'X', 'S'};
constexpr std::size_t kEntrySize = 4 + 4 + 4 + 1 + 4;

// Reference counting and the interface table shared by every object here.
template <class Interface> class Counted : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (ppvObject == nullptr) {
            return E_POINTER;
        }
        *ppvObject = nullptr;
        if (!Answers(riid)) {
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<Interface*>(this);
        this->AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    virtual ~Counted() = default;

  protected:
    virtual bool Answers(REFIID riid) const = 0;

  private:
    std::atomic<ULONG> references{1};
};

bool AnyOf(REFIID riid, std::initializer_list<const IID*> ids) {
    return std::any_of(ids.begin(), ids.end(), [&](const IID* id) { return riid == *id; });
}

HRESULT Unsupported(const char* operation) {
    HRESULT hr = EnterOperation(operation);
    return FAILED(hr) ? hr : MAPI_E_NO_SUPPORT;
}

PropertyValue Computed(ULONG tag, std::int64_t number) {
    PropertyValue value;
    value.tag = tag;
    value.number = number;
    return value;
}

PropertyValue ComputedBinary(ULONG tag, const EntryId& id) {
    PropertyValue value;
    value.tag = tag;
    value.bytes.assign(id.bytes.begin(), id.bytes.end());
    return value;
}

std::vector<ULONG> TagsOf(const SPropTagArray* tags) {
    std::vector<ULONG> list;
    if (tags != nullptr) {
        list.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    }
    return list;
}

// A table over rows fixed when it was made: later changes to what it lists do not show.
class SnapshotTable final : public Counted<IMAPITable> {
  public:
    SnapshotTable(std::vector<std::vector<PropertyValue>> rows, std::vector<ULONG> columns)
        : rows(std::move(rows)), columns(std::move(columns)) {}

    HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR*) override {
        return Unsupported("GetLastError");
    }
    HRESULT STDMETHODCALLTYPE Advise(ULONG, LPMAPIADVISESINK, ULONG*) override {
        return Unsupported("Advise");
    }
    HRESULT STDMETHODCALLTYPE Unadvise(ULONG) override { return Unsupported("Unadvise"); }
    HRESULT STDMETHODCALLTYPE GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) override {
        HRESULT hr = EnterOperation("GetStatus");
        if (FAILED(hr)) {
            return hr;
        }
        if (lpulTableStatus == nullptr || lpulTableType == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpulTableStatus = 0; // TBLSTAT_COMPLETE
        *lpulTableType = 1;   // TBLTYPE_SNAPSHOT
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override {
        HRESULT hr = EnterOperation("SetColumns", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        columns = TagsOf(lpPropTagArray);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryColumns(ULONG ulFlags,
                                           LPSPropTagArray* lpPropTagArray) override {
        HRESULT hr = EnterOperation("QueryColumns", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        void* buffer = nullptr;
        hr = MAPIAllocateBuffer(CbNewSPropTagArray(static_cast<ULONG>(columns.size())), &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* tags = static_cast<LPSPropTagArray>(buffer);
        tags->cValues = static_cast<ULONG>(columns.size());
        std::copy(columns.begin(), columns.end(), tags->aulPropTag);
        *lpPropTagArray = tags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRowCount(ULONG ulFlags, ULONG* lpulCount) override {
        HRESULT hr = EnterOperation("GetRowCount", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpulCount == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpulCount = static_cast<ULONG>(rows.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SeekRow(BOOKMARK bkOrigin, LONG lRowCount,
                                      LONG* lplRowsSought) override {
        HRESULT hr = EnterOperation("SeekRow", bkOrigin);
        if (FAILED(hr)) {
            return hr;
        }
        std::int64_t start = 0;
        if (bkOrigin == BOOKMARK_CURRENT) {
            start = static_cast<std::int64_t>(cursor);
        } else if (bkOrigin == BOOKMARK_END) {
            start = static_cast<std::int64_t>(rows.size());
        } else if (bkOrigin != BOOKMARK_BEGINNING) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const std::int64_t target =
            std::clamp<std::int64_t>(start + lRowCount, 0, static_cast<std::int64_t>(rows.size()));
        if (lplRowsSought != nullptr) {
            *lplRowsSought = static_cast<LONG>(target - start);
        }
        cursor = static_cast<std::size_t>(target);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SeekRowApprox(ULONG, ULONG) override {
        return Unsupported("SeekRowApprox");
    }
    HRESULT STDMETHODCALLTYPE QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator,
                                            ULONG* lpulDenominator) override {
        HRESULT hr = EnterOperation("QueryPosition");
        if (FAILED(hr)) {
            return hr;
        }
        if (lpulRow == nullptr || lpulNumerator == nullptr || lpulDenominator == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpulRow = static_cast<ULONG>(cursor);
        *lpulNumerator = static_cast<ULONG>(cursor);
        *lpulDenominator = static_cast<ULONG>(std::max<std::size_t>(rows.size(), 1));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindRow(LPSRestriction, BOOKMARK, ULONG) override {
        return Unsupported("FindRow");
    }
    HRESULT STDMETHODCALLTYPE Restrict(LPSRestriction, ULONG) override {
        return Unsupported("Restrict");
    }
    HRESULT STDMETHODCALLTYPE CreateBookmark(BOOKMARK*) override {
        return Unsupported("CreateBookmark");
    }
    HRESULT STDMETHODCALLTYPE FreeBookmark(BOOKMARK) override {
        return Unsupported("FreeBookmark");
    }
    HRESULT STDMETHODCALLTYPE SortTable(LPSSortOrderSet, ULONG) override {
        return Unsupported("SortTable");
    }
    HRESULT STDMETHODCALLTYPE QuerySortOrder(LPSSortOrderSet*) override {
        return Unsupported("QuerySortOrder");
    }
    HRESULT STDMETHODCALLTYPE QueryRows(LONG lRowCount, ULONG ulFlags,
                                        LPSRowSet* lppRows) override {
        HRESULT hr = EnterOperation("QueryRows", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppRows == nullptr || lRowCount < 0) {
            return lRowCount < 0 ? MAPI_E_NO_SUPPORT : MAPI_E_INVALID_PARAMETER;
        }
        *lppRows = nullptr;
        const std::size_t count =
            std::min<std::size_t>(static_cast<std::size_t>(lRowCount), rows.size() - cursor);
        void* buffer = nullptr;
        hr = MAPIAllocateBuffer(CbNewSRowSet(static_cast<ULONG>(count)), &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* set = static_cast<LPSRowSet>(buffer);
        set->cRows = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::vector<PropertyValue>& row = rows[cursor + i];
            void* props = nullptr;
            hr = MAPIAllocateBuffer(
                static_cast<ULONG>(std::max<std::size_t>(columns.size(), 1) * sizeof(SPropValue)),
                &props);
            if (FAILED(hr)) {
                FreeProws(set);
                return hr;
            }
            SRow& out = set->aRow[i];
            out.ulAdrEntryPad = 0;
            out.cValues = static_cast<ULONG>(columns.size());
            out.lpProps = static_cast<LPSPropValue>(props);
            ++set->cRows;
            for (std::size_t c = 0; c < columns.size(); ++c) {
                const PropertyValue* stored = nullptr;
                for (const PropertyValue& value : row) {
                    if (PROP_ID(value.tag) == PROP_ID(columns[c])) {
                        stored = &value;
                    }
                }
                hr = WritePropValue(stored, columns[c], props, out.lpProps[c]);
                if (FAILED(hr)) {
                    FreeProws(set);
                    return hr;
                }
            }
        }
        if ((ulFlags & TBL_NOADVANCE) == 0) {
            cursor += count;
        }
        *lppRows = set;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Abort() override { return Unsupported("Abort"); }
    HRESULT STDMETHODCALLTYPE ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override {
        return Unsupported("ExpandRow");
    }
    HRESULT STDMETHODCALLTYPE CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override {
        return Unsupported("CollapseRow");
    }
    HRESULT STDMETHODCALLTYPE WaitForCompletion(ULONG, ULONG, ULONG*) override {
        return Unsupported("WaitForCompletion");
    }
    HRESULT STDMETHODCALLTYPE GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override {
        return Unsupported("GetCollapseState");
    }
    HRESULT STDMETHODCALLTYPE SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override {
        return Unsupported("SetCollapseState");
    }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IMAPITable});
    }

  private:
    std::vector<std::vector<PropertyValue>> rows;
    std::vector<ULONG> columns;
    std::size_t cursor = 0;
};

// The IMAPIProp part shared by folders, messages, attachments and the store.
template <class Interface> class PropertyObject : public Counted<Interface> {
  public:
    HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR*) override {
        return Unsupported("GetLastError");
    }
    HRESULT STDMETHODCALLTYPE SaveChanges(ULONG ulFlags) override {
        HRESULT hr = EnterOperation("SaveChanges", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        hr = Commit();
        if (SUCCEEDED(hr) && (ulFlags & KEEP_OPEN_READWRITE) == 0) {
            // Without KEEP_OPEN_READWRITE the object stays readable but takes no more changes.
            writable = false;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags,
                                       ULONG* lpcValues, LPSPropValue* lppPropArray) override {
        HRESULT hr = EnterOperation("GetProps", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lpcValues == nullptr || lppPropArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lpcValues = 0;
        *lppPropArray = nullptr;
        const std::vector<PropertyValue> values = Visible();
        std::vector<ULONG> asked = TagsOf(lpPropTagArray);
        if (lpPropTagArray == nullptr) {
            for (const PropertyValue& value : values) {
                asked.push_back(ListedTag(value, (ulFlags & MAPI_UNICODE) != 0));
            }
        }
        return BuildPropArray(values, asked, lpcValues, lppPropArray);
    }
    HRESULT STDMETHODCALLTYPE GetPropList(ULONG ulFlags,
                                          LPSPropTagArray* lppPropTagArray) override {
        HRESULT hr = EnterOperation("GetPropList", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        const std::vector<PropertyValue> values = Visible();
        void* buffer = nullptr;
        hr = MAPIAllocateBuffer(CbNewSPropTagArray(static_cast<ULONG>(values.size())), &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* tags = static_cast<LPSPropTagArray>(buffer);
        tags->cValues = 0;
        for (const PropertyValue& value : values) {
            tags->aulPropTag[tags->cValues++] = ListedTag(value, (ulFlags & MAPI_UNICODE) != 0);
        }
        *lppPropTagArray = tags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenProperty(ULONG ulPropTag, LPCIID lpiid, ULONG ulInterfaceOptions,
                                           ULONG ulFlags, LPUNKNOWN* lppUnk) override {
        HRESULT hr = EnterOperation("OpenProperty", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppUnk == nullptr || lpiid == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        *lppUnk = nullptr;
        return OpenPropertyObject(ulPropTag, *lpiid, ulInterfaceOptions, ulFlags, lppUnk);
    }
    HRESULT STDMETHODCALLTYPE SetProps(ULONG cValues, LPSPropValue lpPropArray,
                                       LPSPropProblemArray* lppProblems) override {
        HRESULT hr = EnterOperation("SetProps");
        if (FAILED(hr)) {
            return hr;
        }
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (lpPropArray == nullptr && cValues > 0) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        std::vector<SPropProblem> problems;
        for (ULONG i = 0; i < cValues; ++i) {
            const SPropValue& value = lpPropArray[i];
            if (PROP_TYPE(value.ulPropTag) == PT_ERROR) {
                continue;
            }
            std::optional<PropertyValue> stored = ReadPropValue(value);
            if (IsComputed(value.ulPropTag) || !stored) {
                problems.push_back(
                    {i, value.ulPropTag, stored ? MAPI_E_NO_ACCESS : MAPI_E_TYPE_NO_SUPPORT});
                continue;
            }
            Bag().Put(*stored);
        }
        return Problems(problems, lppProblems);
    }
    HRESULT STDMETHODCALLTYPE DeleteProps(LPSPropTagArray lpPropTagArray,
                                          LPSPropProblemArray* lppProblems) override {
        HRESULT hr = EnterOperation("DeleteProps");
        if (FAILED(hr)) {
            return hr;
        }
        if (lppProblems != nullptr) {
            *lppProblems = nullptr;
        }
        if (lpPropTagArray == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        std::vector<SPropProblem> problems;
        for (ULONG i = 0; i < lpPropTagArray->cValues; ++i) {
            const ULONG tag = lpPropTagArray->aulPropTag[i];
            if (IsComputed(tag)) {
                problems.push_back({i, tag, MAPI_E_NO_ACCESS});
            } else if (!Bag().Has(tag)) {
                problems.push_back({i, tag, MAPI_E_NOT_FOUND});
            } else {
                Bag().Remove(tag);
            }
        }
        return Problems(problems, lppProblems);
    }
    HRESULT STDMETHODCALLTYPE CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS,
                                     LPCIID, LPVOID, ULONG, LPSPropProblemArray*) override {
        return Unsupported("CopyTo");
    }
    HRESULT STDMETHODCALLTYPE CopyProps(LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID,
                                        ULONG, LPSPropProblemArray*) override {
        return Unsupported("CopyProps");
    }
    HRESULT STDMETHODCALLTYPE GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*,
                                              LPMAPINAMEID**) override {
        return Unsupported("GetNamesFromIDs");
    }
    HRESULT STDMETHODCALLTYPE GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG,
                                              LPSPropTagArray*) override {
        return Unsupported("GetIDsFromNames");
    }

  protected:
    virtual PropertyBag& Bag() = 0;
    // Values that the object has by what it is (identifiers, numbers, types).
    virtual void AddComputed(std::vector<PropertyValue>&) const {}
    virtual HRESULT Commit() { return MAPI_E_NO_SUPPORT; }
    virtual HRESULT OpenPropertyObject(ULONG, REFIID, ULONG, ULONG, LPUNKNOWN*) {
        return MAPI_E_NO_SUPPORT;
    }

    bool IsComputed(ULONG tag) {
        std::vector<PropertyValue> computed;
        AddComputed(computed);
        return std::any_of(computed.begin(), computed.end(), [&](const PropertyValue& value) {
            return PROP_ID(value.tag) == PROP_ID(tag);
        });
    }
    std::vector<PropertyValue> Visible() {
        std::vector<PropertyValue> values;
        AddComputed(values);
        for (const auto& entry : Bag().Values()) {
            values.push_back(entry.second);
        }
        return values;
    }

    bool writable = false;

  private:
    static HRESULT Problems(const std::vector<SPropProblem>& problems,
                            LPSPropProblemArray* lppProblems) {
        if (problems.empty() || lppProblems == nullptr) {
            return S_OK;
        }
        void* buffer = nullptr;
        HRESULT hr = MAPIAllocateBuffer(
            static_cast<ULONG>(sizeof(SPropProblemArray) + problems.size() * sizeof(SPropProblem)),
            &buffer);
        if (FAILED(hr)) {
            return hr;
        }
        auto* array = static_cast<LPSPropProblemArray>(buffer);
        array->cProblem = static_cast<ULONG>(problems.size());
        std::copy(problems.begin(), problems.end(), array->aProblem);
        *lppProblems = array;
        return S_OK;
    }
};

class AttachmentObject;

// Where a message's SaveChanges writes.
class MessageHome {
  public:
    virtual ~MessageHome() = default;
    virtual HRESULT Save(const MessageData& data) = 0;
    virtual void AddComputed(std::vector<PropertyValue>&) const {}
};

class StoreMessageHome final : public MessageHome {
  public:
    // number 0: a message created in `folder` that is not in the store until its first save.
    StoreMessageHome(std::shared_ptr<StoreData> store, ULONG folder, ULONG number)
        : store(std::move(store)), folder(folder), number(number) {}
    HRESULT Save(const MessageData& data) override {
        if (number == 0) {
            number = store->nextObject++;
            store->messages[number] = MessageRecord{folder, data};
            return S_OK;
        }
        auto it = store->messages.find(number);
        if (it == store->messages.end()) {
            return MAPI_E_OBJECT_DELETED;
        }
        it->second.data = data;
        return S_OK;
    }
    void AddComputed(std::vector<PropertyValue>& values) const override {
        if (number != 0) {
            values.push_back(
                ComputedBinary(PR_ENTRYID, MakeEntryId(*store, EntryKind::Message, number)));
        }
        values.push_back(
            ComputedBinary(PR_PARENT_ENTRYID, MakeEntryId(*store, EntryKind::Folder, folder)));
    }

  private:
    std::shared_ptr<StoreData> store;
    ULONG folder;
    ULONG number;
};

class EmbeddedMessageHome final : public MessageHome {
  public:
    explicit EmbeddedMessageHome(AttachmentObject* attachment);
    ~EmbeddedMessageHome() override;
    HRESULT Save(const MessageData& data) override;

  private:
    AttachmentObject* attachment;
};

class MessageObject final : public PropertyObject<IMessage> {
  public:
    MessageObject(MessageData data, std::unique_ptr<MessageHome> home, bool canWrite)
        : data(std::move(data)), home(std::move(home)) {
        writable = canWrite;
    }

    HRESULT STDMETHODCALLTYPE GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
        HRESULT hr = EnterOperation("GetAttachmentTable", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppTable == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        std::vector<std::vector<PropertyValue>> rows;
        for (const auto& [number, attachment] : data.attachments) {
            std::vector<PropertyValue> row;
            row.push_back(Computed(PR_ATTACH_NUM, number));
            row.push_back(Computed(PR_ATTACH_SIZE, static_cast<LONG>(attachment.Content().size())));
            for (const auto& entry : attachment.Values()) {
                if (PROP_ID(entry.second.tag) != PROP_ID(PR_ATTACH_DATA_BIN)) {
                    row.push_back(entry.second);
                }
            }
            rows.push_back(std::move(row));
        }
        *lppTable = new SnapshotTable(std::move(rows), {PR_ATTACH_NUM, PR_ATTACH_METHOD,
                                                        PR_DISPLAY_NAME, PR_ATTACH_LONG_FILENAME,
                                                        PR_ATTACH_FILENAME, PR_ATTACH_LONG_PATHNAME,
                                                        PR_ATTACH_SIZE, PR_RENDERING_POSITION});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags,
                                         LPATTACH* lppAttach) override;
    HRESULT STDMETHODCALLTYPE CreateAttach(LPCIID lpInterface, ULONG ulFlags,
                                           ULONG* lpulAttachmentNum, LPATTACH* lppAttach) override;
    HRESULT STDMETHODCALLTYPE DeleteAttach(ULONG ulAttachmentNum, ULONG_PTR, LPMAPIPROGRESS,
                                           ULONG ulFlags) override {
        HRESULT hr = EnterOperation("DeleteAttach", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        return data.attachments.erase(ulAttachmentNum) == 0 ? MAPI_E_NOT_FOUND : S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRecipientTable(ULONG ulFlags, LPMAPITABLE* lppTable) override {
        HRESULT hr = EnterOperation("GetRecipientTable", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (lppTable == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        std::vector<std::vector<PropertyValue>> rows;
        LONG rowId = 0;
        for (const PropertyBag& recipient : data.recipients) {
            std::vector<PropertyValue> row{Computed(PR_ROWID, rowId++)};
            for (const auto& entry : recipient.Values()) {
                row.push_back(entry.second);
            }
            rows.push_back(std::move(row));
        }
        *lppTable = new SnapshotTable(std::move(rows), {PR_ROWID, PR_DISPLAY_NAME, PR_EMAIL_ADDRESS,
                                                        PR_ADDRTYPE, PR_RECIPIENT_TYPE});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) override {
        HRESULT hr = EnterOperation("ModifyRecipients", ulFlags);
        if (FAILED(hr)) {
            return hr;
        }
        if (!writable) {
            return MAPI_E_NO_ACCESS;
        }
        if (lpMods == nullptr) {
            return MAPI_E_INVALID_PARAMETER;
        }
        if ((ulFlags & (MODRECIP_MODIFY | MODRECIP_REMOVE)) != 0) {
            return MAPI_E_NO_SUPPORT;
        }
        if ((ulFlags & MODRECIP_ADD) == 0) {
            data.recipients.clear(); // no flag: the list replaces the recipients
        }
        for (ULONG i = 0; i < lpMods->cEntries; ++i) {
            PropertyBag recipient;
            const ADRENTRY& entry = lpMods->aEntries[i];
            for (ULONG v = 0; v < entry.cValues; ++v) {
                std::optional<PropertyValue> stored = ReadPropValue(entry.rgPropVals[v]);
                if (stored && PROP_ID(stored->tag) != PROP_ID(PR_ROWID)) {
                    recipient.Put(*stored);
                }
            }
            data.recipients.push_back(std::move(recipient));
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SubmitMessage(ULONG) override { return Unsupported("SubmitMessage"); }
    HRESULT STDMETHODCALLTYPE SetReadFlag(ULONG ulFlags) override {
        return EnterOperation("SetReadFlag", ulFlags);
    }
    HRESULT STDMETHODCALLTYPE CopyTo(ULONG ciidExclude, LPCIID rgiidExclude,
                                     LPSPropTagArray lpExcludeProps, ULONG_PTR ulUIParam,
                                     LPMAPIPROGRESS lpProgress, LPCIID lpInterface,
                                     LPVOID lpDestObj, ULONG ulFlags,
                                     LPSPropProblemArray* lppProblems) override;

    MessageData data;

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IMessage});
    }
    PropertyBag& Bag() override { return data; }
    void AddComputed(std::vector<PropertyValue>& values) const override {
        values.push_back(Computed(PR_OBJECT_TYPE, MAPI_MESSAGE));
        home->AddComputed(values);
    }
    HRESULT Commit() override { return home->Save(data); }

  private:
    std::unique_ptr<MessageHome> home;
};

class PropertyStream;

class AttachmentObject final : public PropertyObject<IAttach> {
  public:
    AttachmentObject(MessageObject* message, ULONG number, AttachmentData data, bool canWrite,
                     bool created)
        : data(std::move(data)), message(message), number(number), created(created) {
        writable = canWrite;
        message->AddRef();
    }
    ~AttachmentObject() override { message->Release(); }

    AttachmentData data;

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IMAPIProp, &IID_IAttachment});
    }
    PropertyBag& Bag() override { return data; }
    void AddComputed(std::vector<PropertyValue>& values) const override {
        values.push_back(Computed(PR_OBJECT_TYPE, MAPI_ATTACH));
        values.push_back(Computed(PR_ATTACH_NUM, number));
    }
    // Into the message, where it waits for the message's own SaveChanges.
    HRESULT Commit() override {
        auto it = message->data.attachments.find(number);
        if (it == message->data.attachments.end() && !created) {
            return MAPI_E_OBJECT_DELETED;
        }
        message->data.attachments[number] = data;
        created = false;
        return S_OK;
    }
    HRESULT OpenPropertyObject(ULONG ulPropTag, REFIID riid, ULONG, ULONG ulFlags,
                               LPUNKNOWN* lppUnk) override;

  private:
    MessageObject* message;
    ULONG number;
    bool created;
};

// A binary property of an attachment as a stream. It reads and writes the attachment's working
// copy, so what is written is saved with the attachment.
class PropertyStream final : public Counted<IStream> {
  public:
    PropertyStream(AttachmentObject* owner, ULONG tag, bool canWrite)
        : owner(owner), tag(tag), writable(canWrite) {
        owner->AddRef();
    }
    ~PropertyStream() override { owner->Release(); }

    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        HRESULT hr = EnterOperation("Read", cb);
        if (FAILED(hr)) {
            return hr;
        }
        if (pv == nullptr && cb > 0) {
            return STG_E_INVALIDPOINTER;
        }
        const std::string& bytes = Bytes();
        const std::size_t available = position < bytes.size() ? bytes.size() - position : 0;
        const std::size_t count = std::min<std::size_t>(cb, available);
        if (count > 0) {
            std::memcpy(pv, bytes.data() + position, count);
        }
        position += count;
        if (pcbRead != nullptr) {
            *pcbRead = static_cast<ULONG>(count);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        HRESULT hr = EnterOperation("Write", cb);
        if (pcbWritten != nullptr) {
            *pcbWritten = 0;
        }
        if (FAILED(hr)) {
            return hr;
        }
        if (!writable) {
            return STG_E_ACCESSDENIED;
        }
        if (pv == nullptr && cb > 0) {
            return STG_E_INVALIDPOINTER;
        }
        std::string& bytes = Bytes();
        if (bytes.size() < position + cb) {
            bytes.resize(position + cb);
        }
        if (cb > 0) {
            std::memcpy(bytes.data() + position, pv, cb);
        }
        position += cb;
        if (pcbWritten != nullptr) {
            *pcbWritten = cb;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin,
                                   ULARGE_INTEGER* plibNewPosition) override {
        HRESULT hr = EnterOperation("Seek", dwOrigin);
        if (FAILED(hr)) {
            return hr;
        }
        std::int64_t base = 0;
        if (dwOrigin == STREAM_SEEK_CUR) {
            base = static_cast<std::int64_t>(position);
        } else if (dwOrigin == STREAM_SEEK_END) {
            base = static_cast<std::int64_t>(Bytes().size());
        } else if (dwOrigin != STREAM_SEEK_SET) {
            return STG_E_INVALIDFUNCTION;
        }
        const std::int64_t target = base + dlibMove.QuadPart;
        if (target < 0) {
            return STG_E_INVALIDFUNCTION;
        }
        position = static_cast<std::uint64_t>(target);
        if (plibNewPosition != nullptr) {
            plibNewPosition->QuadPart = position;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER libNewSize) override {
        HRESULT hr = EnterOperation("SetSize");
        if (FAILED(hr)) {
            return hr;
        }
        if (!writable) {
            return STG_E_ACCESSDENIED;
        }
        Bytes().resize(static_cast<std::size_t>(libNewSize.QuadPart));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                     ULARGE_INTEGER* pcbWritten) override {
        HRESULT hr = EnterOperation("CopyTo");
        if (FAILED(hr)) {
            return hr;
        }
        if (pstm == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        std::uint64_t read = 0;
        std::uint64_t written = 0;
        char chunk[4096];
        while (read < cb.QuadPart) {
            const ULONG want =
                static_cast<ULONG>(std::min<std::uint64_t>(sizeof(chunk), cb.QuadPart - read));
            ULONG got = 0;
            hr = Read(chunk, want, &got);
            if (FAILED(hr) || got == 0) {
                break;
            }
            read += got;
            ULONG put = 0;
            hr = pstm->Write(chunk, got, &put);
            written += put;
            if (FAILED(hr)) {
                break;
            }
        }
        if (pcbRead != nullptr) {
            pcbRead->QuadPart = read;
        }
        if (pcbWritten != nullptr) {
            pcbWritten->QuadPart = written;
        }
        return FAILED(hr) ? hr : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override {
        return EnterOperation("Commit", grfCommitFlags);
    }
    HRESULT STDMETHODCALLTYPE Revert() override { return EnterOperation("Revert"); }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        HRESULT hr = EnterOperation("LockRegion");
        return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        HRESULT hr = EnterOperation("UnlockRegion");
        return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) override {
        HRESULT hr = EnterOperation("Stat", grfStatFlag);
        if (FAILED(hr)) {
            return hr;
        }
        if (pstatstg == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *pstatstg = STATSTG{};
        pstatstg->type = STGTY_STREAM;
        pstatstg->cbSize.QuadPart = Bytes().size();
        pstatstg->grfMode = writable ? STGM_READWRITE : STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override {
        HRESULT hr = EnterOperation("Clone");
        return FAILED(hr) ? hr : E_NOTIMPL;
    }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_ISequentialStream, &IID_IStream});
    }

  private:
    std::string& Bytes() {
        PropertyValue* value = owner->data.Find(tag);
        if (value == nullptr || PROP_TYPE(value->tag) != PT_BINARY) {
            owner->data.SetBinary(tag, std::string());
            value = owner->data.Find(tag);
        }
        return value->bytes;
    }

    AttachmentObject* owner;
    ULONG tag;
    bool writable;
    std::uint64_t position = 0;
};

EmbeddedMessageHome::EmbeddedMessageHome(AttachmentObject* attachment) : attachment(attachment) {
    attachment->AddRef();
}
EmbeddedMessageHome::~EmbeddedMessageHome() {
    attachment->Release();
}
HRESULT EmbeddedMessageHome::Save(const MessageData& data) {
    attachment->data.embedded = std::make_unique<MessageData>(data);
    return S_OK;
}

HRESULT AttachmentObject::OpenPropertyObject(ULONG ulPropTag, REFIID riid, ULONG, ULONG ulFlags,
                                             LPUNKNOWN* lppUnk) {
    const bool wantsWrite = (ulFlags & (MAPI_MODIFY | MAPI_CREATE)) != 0;
    if (wantsWrite && !writable) {
        return MAPI_E_NO_ACCESS;
    }
    if (PROP_TYPE(ulPropTag) == PT_BINARY) {
        if (riid != IID_IStream && riid != IID_ISequentialStream && riid != IID_IUnknown) {
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        }
        const PropertyValue* value = data.Find(ulPropTag);
        const bool present = value != nullptr && PROP_TYPE(value->tag) == PT_BINARY;
        if ((ulFlags & MAPI_CREATE) != 0) {
            data.SetBinary(ulPropTag, std::string()); // a new, empty content
        } else if (!present) {
            return MAPI_E_NOT_FOUND;
        }
        auto* stream = new PropertyStream(this, ulPropTag, (ulFlags & MAPI_MODIFY) != 0);
        *lppUnk = static_cast<IStream*>(stream);
        return S_OK;
    }
    if (PROP_ID(ulPropTag) == PROP_ID(PR_ATTACH_DATA_OBJ) && PROP_TYPE(ulPropTag) == PT_OBJECT) {
        if (riid != IID_IMessage) {
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        }
        MessageData embedded;
        if (data.embedded && (ulFlags & MAPI_CREATE) == 0) {
            embedded = *data.embedded;
        } else if ((ulFlags & MAPI_CREATE) == 0) {
            return MAPI_E_NOT_FOUND;
        }
        auto* message =
            new MessageObject(std::move(embedded), std::make_unique<EmbeddedMessageHome>(this),
                              (ulFlags & MAPI_MODIFY) != 0);
        *lppUnk = static_cast<IMessage*>(message);
        return S_OK;
    }
    return MAPI_E_NO_SUPPORT;
}

HRESULT STDMETHODCALLTYPE MessageObject::OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface,
                                                    ULONG ulFlags, LPATTACH* lppAttach) {
    HRESULT hr = EnterOperation("OpenAttach", ulFlags);
    if (FAILED(hr)) {
        return hr;
    }
    if (lppAttach == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppAttach = nullptr;
    if (lpInterface != nullptr && *lpInterface != IID_IAttachment &&
        *lpInterface != IID_IMAPIProp && *lpInterface != IID_IUnknown) {
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    if ((ulFlags & MAPI_MODIFY) != 0 && !writable) {
        return MAPI_E_NO_ACCESS;
    }
    auto it = data.attachments.find(ulAttachmentNum);
    if (it == data.attachments.end()) {
        return MAPI_E_NOT_FOUND;
    }
    const bool canWrite = writable && (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
    *lppAttach = new AttachmentObject(this, ulAttachmentNum, it->second, canWrite, false);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MessageObject::CreateAttach(LPCIID lpInterface, ULONG ulFlags,
                                                      ULONG* lpulAttachmentNum,
                                                      LPATTACH* lppAttach) {
    HRESULT hr = EnterOperation("CreateAttach", ulFlags);
    if (FAILED(hr)) {
        return hr;
    }
    if (lppAttach == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppAttach = nullptr;
    if (lpInterface != nullptr && *lpInterface != IID_IAttachment) {
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    if (!writable) {
        return MAPI_E_NO_ACCESS;
    }
    // Numbers only grow, so a deleted attachment's number is never handed out again.
    const ULONG number = data.nextAttachmentNumber++;
    if (lpulAttachmentNum != nullptr) {
        *lpulAttachmentNum = number;
    }
    *lppAttach = new AttachmentObject(this, number, AttachmentData(), true, true);
    return S_OK;
}

bool Excluded(const std::vector<ULONG>& excluded, ULONG tag) {
    // Matched by identifier, so an exclusion holds whichever string width the value has.
    return std::any_of(excluded.begin(), excluded.end(),
                       [&](ULONG other) { return PROP_ID(other) == PROP_ID(tag); });
}

// A value array that points into stored values, for handing them to another object's SetProps.
std::vector<SPropValue> BorrowValues(const PropertyBag& bag, const std::vector<ULONG>& excluded) {
    std::vector<SPropValue> values;
    for (const auto& entry : bag.Values()) {
        const PropertyValue& stored = entry.second;
        if (Excluded(excluded, stored.tag)) {
            continue;
        }
        SPropValue value{};
        value.ulPropTag = stored.tag;
        switch (PROP_TYPE(stored.tag)) {
        case PT_I2:
            value.Value.i = static_cast<SHORT>(stored.number);
            break;
        case PT_LONG:
            value.Value.l = static_cast<LONG>(stored.number);
            break;
        case PT_BOOLEAN:
            value.Value.b = static_cast<USHORT>(stored.number != 0);
            break;
        case PT_I8:
            value.Value.li = stored.number;
            break;
        case PT_SYSTIME:
            value.Value.ft = FileTimeFromTicks(stored.number);
            break;
        case PT_STRING8:
            value.Value.lpszA = const_cast<LPSTR>(stored.bytes.c_str());
            break;
        case PT_UNICODE:
            value.Value.lpszW = const_cast<LPWSTR>(stored.wide.c_str());
            break;
        case PT_BINARY:
            value.Value.bin.cb = static_cast<ULONG>(stored.bytes.size());
            value.Value.bin.lpb = reinterpret_cast<LPBYTE>(const_cast<char*>(stored.bytes.data()));
            break;
        default:
            continue;
        }
        values.push_back(value);
    }
    return values;
}

HRESULT CopyRecipients(const std::vector<PropertyBag>& recipients, IMessage* target) {
    std::vector<std::vector<SPropValue>> rows;
    for (const PropertyBag& recipient : recipients) {
        rows.push_back(BorrowValues(recipient, {}));
    }
    std::vector<BYTE> list(sizeof(ADRLIST) + rows.size() * sizeof(ADRENTRY));
    auto* adrlist = reinterpret_cast<LPADRLIST>(list.data());
    adrlist->cEntries = static_cast<ULONG>(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        adrlist->aEntries[i] = ADRENTRY{0, static_cast<ULONG>(rows[i].size()), rows[i].data()};
    }
    return target->ModifyRecipients(MODRECIP_ADD, adrlist);
}

HRESULT CopyMessage(const MessageData& source, IMessage* target,
                    const std::vector<ULONG>& excluded);

HRESULT CopyAttachment(const AttachmentData& attachment, IMessage* target) {
    ULONG number = 0;
    ComPtr<IAttach> copy;
    HRESULT hr = target->CreateAttach(&IID_IAttachment, 0, &number, copy.Out());
    if (FAILED(hr)) {
        return hr;
    }
    std::vector<SPropValue> values = BorrowValues(attachment, {});
    hr = copy->SetProps(static_cast<ULONG>(values.size()), values.data(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    if (attachment.embedded) {
        ComPtr<IMessage> child;
        hr = copy->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, MAPI_CREATE | MAPI_MODIFY,
                                child.OutUnknown());
        if (FAILED(hr)) {
            return hr;
        }
        hr = CopyMessage(*attachment.embedded, child.Get(), {});
        if (SUCCEEDED(hr)) {
            hr = child->SaveChanges(0);
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    return copy->SaveChanges(0);
}

// Copies a message's properties, recipients and attachments into `target` through its public
// interface alone, so that any IMessage (a message on a compound file too) can receive it.
// Embedded messages go whole; the exclusions apply to the top message only.
HRESULT CopyMessage(const MessageData& source, IMessage* target,
                    const std::vector<ULONG>& excluded) {
    std::vector<SPropValue> values = BorrowValues(source, excluded);
    HRESULT hr = target->SetProps(static_cast<ULONG>(values.size()), values.data(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    if (!source.recipients.empty() && !Excluded(excluded, PR_MESSAGE_RECIPIENTS)) {
        hr = CopyRecipients(source.recipients, target);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (Excluded(excluded, PR_MESSAGE_ATTACHMENTS)) {
        return S_OK;
    }
    for (const auto& entry : source.attachments) {
        hr = CopyAttachment(entry.second, target);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE MessageObject::CopyTo(ULONG, LPCIID, LPSPropTagArray lpExcludeProps,
                                                ULONG_PTR, LPMAPIPROGRESS, LPCIID lpInterface,
                                                LPVOID lpDestObj, ULONG ulFlags,
                                                LPSPropProblemArray* lppProblems) {
    HRESULT hr = EnterOperation("CopyTo", ulFlags);
    if (FAILED(hr)) {
        return hr;
    }
    if (lppProblems != nullptr) {
        *lppProblems = nullptr;
    }
    if (lpDestObj == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    if (lpInterface != nullptr && *lpInterface != IID_IMessage) {
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    if ((ulFlags & MAPI_MOVE) != 0) {
        return MAPI_E_NO_SUPPORT;
    }
    return CopyMessage(data, static_cast<IMessage*>(lpDestObj), TagsOf(lpExcludeProps));
}

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
            if (record.folder == number) {
                rows.push_back(WithComputed(
                    record.data,
                    {ComputedBinary(PR_ENTRYID, MakeEntryId(*store, EntryKind::Message, id))}));
            }
        }
        *lppTable =
            new SnapshotTable(std::move(rows), {PR_ENTRYID, PR_SUBJECT, PR_MESSAGE_DELIVERY_TIME});
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
        *lppTable = new SnapshotTable(std::move(rows), {PR_ENTRYID, PR_DISPLAY_NAME});
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
        *lppMessage = new MessageObject(MessageData(),
                                        std::make_unique<StoreMessageHome>(store, number, 0), true);
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
        auto it = store->messages.find(number);
        if (it == store->messages.end()) {
            return MAPI_E_NOT_FOUND;
        }
        if (!accepts({&IID_IUnknown, &IID_IMAPIProp, &IID_IMessage})) {
            return MAPI_E_INTERFACE_NOT_SUPPORTED;
        }
        const bool canWrite = (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
        *lpulObjType = MAPI_MESSAGE;
        *lppUnk = static_cast<IMessage*>(new MessageObject(
            it->second.data, std::make_unique<StoreMessageHome>(store, it->second.folder, number),
            canWrite));
        return S_OK;
    }
    return MAPI_E_NOT_FOUND;
}

IMessage* NewStoreMessage(const std::shared_ptr<StoreData>& store, ULONG number) {
    const MessageRecord& record = store->messages.at(number);
    return new MessageObject(
        record.data, std::make_unique<StoreMessageHome>(store, record.folder, number), true);
}

IMAPISession* NewSession(const std::shared_ptr<StoreData>& store) {
    return new SessionObject(store);
}

IMsgStore* NewStoreObject(const std::shared_ptr<StoreData>& store) {
    return new StoreObject(store);
}

} // namespace embedded
