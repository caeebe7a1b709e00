// Messages, attachments and attachment content streams of the embedded store. Each object works
// on its own copy of what it opened and writes it back at SaveChanges, one level up: an
// attachment into its message, a message into the store or into the attachment that holds it.
// Releasing an object without saving drops its changes, as MAPI's transacted objects do.
#include "platform/embedded/com/stream_base.h"
#include "platform/embedded/store/message_object.h"
#include "platform/embedded/store/property_object.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/com_ptr.h"
#include "platform/mapi_buffer.h"

#include <cstring>

namespace embedded {
namespace {

class AttachmentObject;

class StoreMessageHome final : public MessageHome {
  public:
    // number 0: a message created in `folder` that is not in the store until its first save.
    StoreMessageHome(std::shared_ptr<StoreData> store, ULONG folder, ULONG number)
        : store(std::move(store)), folder(folder), number(number) {}
    HRESULT Save(MessageData& data) override {
        if (number == 0 && !store->nativeFolder.empty()) {
            return MAPI_E_NO_SUPPORT; // a new file would need a name that no one gave
        }
        if (number != 0 && store->messages.count(number) > 0 &&
            !store->messages.at(number).nativePath.empty()) {
            return SaveMessageRecord(*store, number, data);
        }
        if (number == 0) {
            number = store->nextObject++;
            store->messages[number] = MessageRecord{folder, data, {}, true};
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
    HRESULT Save(MessageData& data) override;

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
            const PropertyValue* content = attachment.Find(PR_ATTACH_DATA_BIN);
            const std::uint64_t size = content != nullptr && PROP_TYPE(content->tag) == PT_BINARY
                                           ? content->ByteCount()
                                           : 0;
            row.push_back(Computed(PR_ATTACH_SIZE, static_cast<LONG>(size)));
            for (const auto& entry : attachment.Values()) {
                if (PROP_ID(entry.second.tag) != PROP_ID(PR_ATTACH_DATA_BIN)) {
                    row.push_back(entry.second);
                }
            }
            rows.push_back(std::move(row));
        }
        *lppTable = NewSnapshotTable(std::move(rows), {PR_ATTACH_NUM, PR_ATTACH_METHOD,
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
        *lppTable = NewSnapshotTable(std::move(rows), {PR_ROWID, PR_DISPLAY_NAME, PR_EMAIL_ADDRESS,
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

class AttachmentDataStream;

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
class AttachmentDataStream final : public StreamBase {
  public:
    AttachmentDataStream(AttachmentObject* owner, ULONG tag, bool canWrite)
        : owner(owner), tag(tag), writable(canWrite) {
        owner->AddRef();
    }
    ~AttachmentDataStream() override { owner->Release(); }

    HRESULT ReadBytes(void* pv, ULONG cb, ULONG& done) override {
        const PropertyValue& value = Value();
        const std::uint64_t size = value.ByteCount();
        const std::size_t count =
            position < size ? static_cast<std::size_t>(std::min<std::uint64_t>(cb, size - position))
                            : 0;
        if (count > 0) {
            if (value.source) {
                // Straight from the file, so that big content is never held whole.
                if (!value.source->ReadAt(position, pv, count)) {
                    return STG_E_READFAULT;
                }
            } else {
                std::memcpy(pv, value.bytes.data() + position, count);
            }
        }
        position += count;
        done = static_cast<ULONG>(count);
        return S_OK;
    }
    bool Writable() const override { return writable; }
    HRESULT WriteBytes(const void* pv, ULONG cb, ULONG& done) override {
        std::string& bytes = Bytes();
        if (bytes.size() < position + cb) {
            bytes.resize(position + cb);
        }
        if (cb > 0) {
            std::memcpy(bytes.data() + position, pv, cb);
        }
        position += cb;
        done = cb;
        return S_OK;
    }

    std::uint64_t Position() const override { return position; }
    void MoveTo(std::uint64_t target) override { position = target; }
    HRESULT SizeOf(std::uint64_t& size) const override {
        const PropertyValue* value = owner->data.Find(tag);
        size = value != nullptr && PROP_TYPE(value->tag) == PT_BINARY ? value->ByteCount() : 0;
        return S_OK;
    }
    HRESULT Resize(std::uint64_t size) override {
        Bytes().resize(static_cast<std::size_t>(size));
        return S_OK;
    }

  private:
    PropertyValue& Value() {
        PropertyValue* value = owner->data.Find(tag);
        if (value == nullptr || PROP_TYPE(value->tag) != PT_BINARY) {
            owner->data.SetBinary(tag, std::string());
            value = owner->data.Find(tag);
        }
        return *value;
    }
    // The bytes to change in place: a value still in its file is read in first.
    std::string& Bytes() {
        PropertyValue& value = Value();
        if (value.source) {
            const std::string* loaded = value.source->Load();
            value.bytes = loaded != nullptr ? *loaded : std::string();
            value.source.reset();
        }
        return value.bytes;
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
HRESULT EmbeddedMessageHome::Save(MessageData& data) {
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
        auto* stream = new AttachmentDataStream(this, ulPropTag, (ulFlags & MAPI_MODIFY) != 0);
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
    if (RunWatcher* watcher = CurrentRunWatcher()) {
        const AttachmentData& attachment = it->second;
        watcher->AttachmentOpened({attachment.Method(),
                                   attachment.Text(PR_ATTACH_LONG_FILENAME).value_or(""),
                                   attachment.Text(PR_ATTACH_FILENAME).value_or(""),
                                   attachment.Text(PR_DISPLAY_NAME).value_or("")});
    }
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

// A value array for handing stored values to another object's SetProps. Numbers, strings and
// binaries point into the stored values, so that big content is not copied on the way; values
// that need arrays of their own (multiple values, CLSIDs) are written into buffers chained to
// `arena`, which the caller keeps until the copy is done. With `skipInFile`, values still in
// their file are left for the caller to pass on as they are.
HRESULT BorrowValues(const PropertyBag& bag, const std::vector<ULONG>& excluded,
                     MapiBuffer<BYTE>& arena, std::vector<SPropValue>& values,
                     bool skipInFile = false) {
    values.clear();
    for (const auto& entry : bag.Values()) {
        const PropertyValue& stored = entry.second;
        if (Excluded(excluded, stored.tag) || (skipInFile && stored.source)) {
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
        case PT_FLOAT:
            value.Value.flt = static_cast<float>(stored.real);
            break;
        case PT_DOUBLE:
            value.Value.dbl = stored.real;
            break;
        case PT_APPTIME:
            value.Value.at = stored.real;
            break;
        case PT_CURRENCY:
            value.Value.cur.int64 = stored.number;
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
        case PT_BINARY: {
            const std::string* bytes = stored.Bytes();
            if (bytes == nullptr) {
                continue;
            }
            value.Value.bin.cb = static_cast<ULONG>(bytes->size());
            value.Value.bin.lpb = reinterpret_cast<LPBYTE>(const_cast<char*>(bytes->data()));
            break;
        }
        default: {
            if (PROP_TYPE(stored.tag) != PT_CLSID && (PROP_TYPE(stored.tag) & MV_FLAG) == 0) {
                continue;
            }
            if (!arena) {
                void* head = nullptr;
                HRESULT hr = MAPIAllocateBuffer(1, &head);
                if (FAILED(hr)) {
                    return hr;
                }
                arena.Reset(static_cast<BYTE*>(head));
            }
            HRESULT hr = WritePropValue(&stored, stored.tag, arena.Get(), value);
            if (FAILED(hr)) {
                return hr;
            }
            if (hr != S_OK) {
                continue; // a type the store does not give out
            }
            break;
        }
        }
        values.push_back(value);
    }
    return S_OK;
}

HRESULT CopyRecipients(const std::vector<PropertyBag>& recipients, IMessage* target) {
    MapiBuffer<BYTE> arena;
    std::vector<std::vector<SPropValue>> rows(recipients.size());
    for (std::size_t i = 0; i < recipients.size(); ++i) {
        HRESULT hr = BorrowValues(recipients[i], {}, arena, rows[i]);
        if (FAILED(hr)) {
            return hr;
        }
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
    // Content still in a file goes to an attachment of ours as the same shared source, so a big
    // attachment is copied from file to file at the target's save without being held whole.
    auto* ours = dynamic_cast<AttachmentObject*>(copy.Get());
    MapiBuffer<BYTE> arena;
    std::vector<SPropValue> values;
    hr = BorrowValues(attachment, {}, arena, values, ours != nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    hr = copy->SetProps(static_cast<ULONG>(values.size()), values.data(), nullptr);
    if (FAILED(hr)) {
        return hr;
    }
    if (ours != nullptr) {
        for (const auto& entry : attachment.Values()) {
            if (entry.second.source) {
                ours->data.Put(entry.second);
            }
        }
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
    MapiBuffer<BYTE> arena;
    std::vector<SPropValue> values;
    HRESULT hr = BorrowValues(source, excluded, arena, values);
    if (FAILED(hr)) {
        return hr;
    }
    hr = target->SetProps(static_cast<ULONG>(values.size()), values.data(), nullptr);
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
    auto* target = static_cast<IMessage*>(lpDestObj);
    hr = CopyMessage(data, target, TagsOf(lpExcludeProps));
    if (SUCCEEDED(hr)) {
        // Named-property mappings read from a ".msg" go along to another message of ours.
        if (auto* ours = dynamic_cast<MessageObject*>(target); ours != nullptr && ours != this) {
            if (!data.namedPropertyStreams.empty()) {
                ours->data.namedPropertyStreams = data.namedPropertyStreams;
            }
        }
    }
    return hr;
}

} // namespace

IMessage* NewMessageObject(MessageData data, std::unique_ptr<MessageHome> home, bool writable) {
    return new MessageObject(std::move(data), std::move(home), writable);
}

IMessage* NewStoreMessage(const std::shared_ptr<StoreData>& store, ULONG number, bool writable) {
    LoadMessageRecord(*store, number); // callers that must know load it first themselves
    const MessageRecord& record = store->messages.at(number);
    return new MessageObject(
        record.data, std::make_unique<StoreMessageHome>(store, record.folder, number), writable);
}

IMessage* NewFolderMessage(const std::shared_ptr<StoreData>& store, ULONG folder) {
    return new MessageObject(MessageData(), std::make_unique<StoreMessageHome>(store, folder, 0),
                             true);
}

} // namespace embedded
