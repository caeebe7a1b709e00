// Reading and writing ".msg" files, and the messages over them: OpenIMsgSession,
// OpenIMsgOnIStg and CloseIMsgSession. A message over a storage is the store's own message
// object; only its top-level SaveChanges differs, writing the message into the storage's tree.
#include "platform/embedded/msg/msg_file.h"

#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/text/code_pages.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/store/message_object.h"
#include "platform/embedded/msg/msg_property_stream.h"
#include "platform/embedded/msg/msg_values.h"
#include "platform/mapi_functions.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <list>
#include <mutex>
#include <set>

namespace embedded {
namespace {

constexpr ULONG kTagMessageCodePage = 0x3FFD0003;
constexpr ULONG kTagInternetCodePage = 0x3FDE0003;
constexpr ULONG kTagMessageLocale = 0x3FF10003;
constexpr ULONG kTagStoreSupportMask = 0x340D0003;
constexpr LONG kStoreUnicodeOk = 0x00040000;
// Embedded messages deeper than this are taken for a loop in a damaged file.
constexpr int kDeepestMessage = 64;
// The named-property storage holds three small index streams and a few more.
constexpr std::uint64_t kLargestNameStream = 16 * 1024 * 1024;

const std::string kRecipientPrefix = "__recip_version1.0_#";
const std::string kAttachmentPrefix = "__attach_version1.0_#";

// ---- reading ----

// A value stream of a ".msg" file, found again by its path inside the file when it is read.
// Open streams hold a file descriptor each, so only the few read last stay open: a folder of
// many messages does not run out of descriptors.
class StreamSource final : public ByteSource {
  public:
    StreamSource(std::string nativePath, FileIdentity identity, std::vector<std::string> storages,
                 std::string stream, std::uint64_t size)
        : nativePath(std::move(nativePath)), identity(identity), storages(std::move(storages)),
          stream(std::move(stream)), size(size) {}
    ~StreamSource() override {
        std::lock_guard<std::mutex> lock(OpenMutex());
        OpenStreams().remove_if([&](const OpenStream& open) { return open.first == this; });
    }
    std::uint64_t Size() const override { return size; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const override {
        std::lock_guard<std::mutex> lock(OpenMutex());
        std::list<OpenStream>& open = OpenStreams();
        auto it = std::find_if(open.begin(), open.end(),
                               [&](const OpenStream& entry) { return entry.first == this; });
        if (it == open.end()) {
            std::unique_ptr<CompoundStreamReader> reader = Reopen();
            if (!reader) {
                return false;
            }
            open.emplace_front(this, std::move(reader));
            if (open.size() > kOpenStreamsKept) {
                open.pop_back();
            }
        } else if (it != open.begin()) {
            open.splice(open.begin(), open, it);
        }
        return open.front().second->ReadAt(offset, buffer, count);
    }

  private:
    using OpenStream = std::pair<const StreamSource*, std::unique_ptr<CompoundStreamReader>>;
    static constexpr std::size_t kOpenStreamsKept = 16;
    static std::mutex& OpenMutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::list<OpenStream>& OpenStreams() {
        static std::list<OpenStream> streams;
        return streams;
    }
    struct OpenRootEntry {
        std::string nativePath;
        FileIdentity identity;
        std::shared_ptr<CompoundStorageReader> root;
    };
    static constexpr std::size_t kOpenRootsKept = 4;
    static std::list<OpenRootEntry>& OpenRoots() {
        static std::list<OpenRootEntry> roots;
        return roots;
    }

    std::unique_ptr<CompoundStreamReader> Reopen() const {
        if (IdentityOfFile(nativePath) != identity) {
            return nullptr; // the file changed under the message: its old bytes are gone
        }
        const std::shared_ptr<CompoundStorageReader> root = OpenRoot();
        const CompoundStorageReader* storage = root.get();
        std::unique_ptr<CompoundStorageReader> below;
        for (const std::string& name : storages) {
            if (storage == nullptr) {
                return nullptr;
            }
            below = storage->OpenStorage(name);
            storage = below.get();
        }
        std::unique_ptr<CompoundStreamReader> reader =
            storage != nullptr ? storage->OpenStream(stream) : nullptr;
        return reader && reader->Size() == size ? std::move(reader) : nullptr;
    }

    // The file's directory, read once for all the streams of a message that are read one after
    // another: reading it again for each would make a message's time grow with the square of
    // its attachments. Called with the open streams' lock held.
    std::shared_ptr<CompoundStorageReader> OpenRoot() const {
        std::list<OpenRootEntry>& roots = OpenRoots();
        auto it = std::find_if(roots.begin(), roots.end(), [&](const OpenRootEntry& entry) {
            return entry.nativePath == nativePath && entry.identity == identity;
        });
        if (it != roots.end()) {
            roots.splice(roots.begin(), roots, it);
            return roots.front().root;
        }
        std::shared_ptr<CompoundStorageReader> root = CompoundStorageReader::OpenFile(nativePath);
        if (root) {
            roots.push_front({nativePath, identity, root});
            if (roots.size() > kOpenRootsKept) {
                roots.pop_back();
            }
        }
        return root;
    }

    std::string nativePath;
    FileIdentity identity;
    std::vector<std::string> storages;
    std::string stream;
    std::uint64_t size;
};

struct ReadContext {
    std::string nativePath;
    FileIdentity identity;
    std::uint64_t fileSize = 0;
};

using StoragePath = std::vector<std::string>;

// What the reader took of one object's storage: the elements it interpreted, and the property
// entries it could not turn into values.
struct ReadTrace {
    std::set<std::string> interpreted;
    std::vector<MsgPropertyEntry> undecoded;
};

// Property entries the reader could not decode (an unknown type, a value whose stream is
// missing or does not fit): written back as they were.
class CarriedEntries final : public CarriedPart {
  public:
    explicit CarriedEntries(std::vector<MsgPropertyEntry> entries) : entries(std::move(entries)) {}
    std::vector<MsgPropertyEntry> entries;
};

// A storage with children whose sectors cannot be read: the object cannot go into a file
// again without losing them, so writing it fails.
class UnreadableElements final : public CarriedPart {};

HRESULT CopyStream(CompoundStreamReader& stream, StreamNode& to) {
    std::string chunk;
    for (std::uint64_t at = 0; at < stream.Size();) {
        const auto count = static_cast<std::size_t>(
            std::min<std::uint64_t>(kMsgValueInFileFrom, stream.Size() - at));
        chunk.resize(count);
        if (!stream.ReadAt(at, chunk.data(), count)) {
            return MAPI_E_CORRUPT_DATA;
        }
        if (!to.content.WriteAt(at, chunk.data(), count)) {
            return STG_E_MEDIUMFULL;
        }
        at += count;
    }
    return S_OK;
}

HRESULT CopyTree(const CompoundStorageReader& from, StorageNode& to, int depth) {
    if (depth > kDeepestMessage) {
        return MAPI_E_CORRUPT_DATA;
    }
    to.classId = from.GetClassId();
    const std::vector<CompoundEntry> entries = from.Entries();
    if (entries.size() != from.ChildCount()) {
        return MAPI_E_CORRUPT_DATA;
    }
    for (const CompoundEntry& entry : entries) {
        if (entry.isStorage) {
            std::unique_ptr<CompoundStorageReader> child = from.OpenStorage(entry.name);
            auto node = std::make_shared<StorageNode>();
            HRESULT hr = child ? CopyTree(*child, *node, depth + 1) : MAPI_E_CORRUPT_DATA;
            if (FAILED(hr)) {
                return hr;
            }
            to.storages[entry.name] = std::move(node);
        } else {
            std::unique_ptr<CompoundStreamReader> stream = from.OpenStream(entry.name);
            auto node = std::make_shared<StreamNode>();
            HRESULT hr = stream ? CopyStream(*stream, *node) : MAPI_E_CORRUPT_DATA;
            if (FAILED(hr)) {
                return hr;
            }
            to.streams[entry.name] = std::move(node);
        }
    }
    return S_OK;
}

// A stream or a storage that the reader did not interpret, found again in its file when the
// object is written: a custom storage, a stream no property names, an attachment whose
// storage name is damaged. It is copied byte for byte, never held in memory whole.
class CarriedElement final : public CarriedPart {
  public:
    CarriedElement(const ReadContext& context, StoragePath parent, CompoundEntry entry)
        : nativePath(context.nativePath), identity(context.identity), parent(std::move(parent)),
          entry(std::move(entry)) {}

    const std::string& Name() const { return entry.name; }

    HRESULT CopyInto(StorageNode& node) const {
        if (IdentityOfFile(nativePath) != identity) {
            return MAPI_E_CORRUPT_DATA; // the file changed under the message: its old parts are
                                        // gone
        }
        std::unique_ptr<CompoundStorageReader> storage =
            CompoundStorageReader::OpenFile(nativePath);
        for (const std::string& name : parent) {
            if (!storage) {
                return MAPI_E_CORRUPT_DATA;
            }
            storage = storage->OpenStorage(name);
        }
        if (!storage) {
            return MAPI_E_CORRUPT_DATA;
        }
        if (entry.isStorage) {
            std::unique_ptr<CompoundStorageReader> child = storage->OpenStorage(entry.name);
            auto tree = std::make_shared<StorageNode>();
            HRESULT hr = child ? CopyTree(*child, *tree, 0) : MAPI_E_CORRUPT_DATA;
            if (SUCCEEDED(hr)) {
                node.storages[entry.name] = std::move(tree);
            }
            return hr;
        }
        std::unique_ptr<CompoundStreamReader> stream = storage->OpenStream(entry.name);
        auto copy = std::make_shared<StreamNode>();
        HRESULT hr = stream ? CopyStream(*stream, *copy) : MAPI_E_CORRUPT_DATA;
        if (SUCCEEDED(hr)) {
            node.streams[entry.name] = std::move(copy);
        }
        return hr;
    }

  private:
    std::string nativePath;
    FileIdentity identity;
    StoragePath parent;
    CompoundEntry entry;
};

// Everything of `storage` that the reader left alone goes with the object that was read from it.
void CarryTheRest(const CompoundStorageReader& storage, const StoragePath& path,
                  const ReadContext& context, ReadTrace& trace, PropertyBag& bag) {
    if (!trace.undecoded.empty()) {
        bag.carried.push_back(std::make_shared<CarriedEntries>(std::move(trace.undecoded)));
    }
    const std::vector<CompoundEntry> entries = storage.Entries();
    if (entries.size() != storage.ChildCount()) {
        bag.carried.push_back(std::make_shared<UnreadableElements>());
    }
    for (const CompoundEntry& entry : entries) {
        if (trace.interpreted.count(entry.name) == 0) {
            bag.carried.push_back(std::make_shared<CarriedElement>(context, path, entry));
        }
    }
}

bool ReadWhole(CompoundStreamReader& stream, const ReadContext& context, std::string& out) {
    // A stream cannot hold more than its file: a larger size is a damaged directory entry.
    if (stream.Size() > context.fileSize) {
        return false;
    }
    out.resize(static_cast<std::size_t>(stream.Size()));
    return stream.ReadAt(0, out.data(), out.size());
}

std::uint32_t Get32(const std::array<std::uint8_t, 8>& value, std::size_t at) {
    return static_cast<std::uint32_t>(value[at]) |
           (static_cast<std::uint32_t>(value[at + 1]) << 8) |
           (static_cast<std::uint32_t>(value[at + 2]) << 16) |
           (static_cast<std::uint32_t>(value[at + 3]) << 24);
}

std::uint32_t CodePageOf(const MsgPropertyStream& properties) {
    std::optional<std::uint32_t> message, internet, locale;
    for (const MsgPropertyEntry& entry : properties.entries) {
        const std::uint32_t value = Get32(entry.value, 0);
        if (entry.tag == kTagMessageCodePage) {
            message = value;
        } else if (entry.tag == kTagInternetCodePage) {
            internet = value;
        } else if (entry.tag == kTagMessageLocale) {
            locale = value;
        }
    }
    if (message) {
        return *message;
    }
    if (internet) {
        return *internet;
    }
    return locale ? CodePageOfLocale(*locale) : kWesternCodePage;
}

HRESULT ReadMessage(const CompoundStorageReader& storage, const StoragePath& path,
                    MsgObjectKind kind, std::uint32_t codePage, const ReadContext& context,
                    int depth, MessageData& message);

// A CLSID or a multi-valued property from its streams. S_FALSE leaves out a value whose
// streams are missing or do not fit together (a count that the streams do not hold, a length
// beyond its value's stream); a stream larger than its file fails the message, as elsewhere.
HRESULT ReadStreamedValues(const CompoundStorageReader& storage, std::uint32_t codePage,
                           const ReadContext& context, PropertyValue& value) {
    const ULONG type = PROP_TYPE(value.tag);
    std::unique_ptr<CompoundStreamReader> stream =
        storage.OpenStream(MsgValueStreamName(value.tag));
    if (!stream) {
        return S_FALSE;
    }
    std::string content;
    if (!ReadWhole(*stream, context, content)) {
        return MAPI_E_CORRUPT_DATA;
    }
    if (type == PT_CLSID) {
        if (content.size() < 16) {
            return S_FALSE;
        }
        DecodeMsgFixedValue(PT_CLSID, reinterpret_cast<const std::uint8_t*>(content.data()), value);
        return S_OK;
    }
    if (!IsMsgValueListType(type)) {
        std::optional<std::vector<PropertyValue>> items = DecodeMsgFixedArray(value.tag, content);
        if (!items) {
            return S_FALSE;
        }
        value.items = std::move(*items);
        return S_OK;
    }
    const std::optional<std::vector<std::uint32_t>> lengths = DecodeMsgLengths(type, content);
    // Every value has a stream of its own beside the lengths stream.
    if (!lengths || lengths->size() >= storage.Entries().size()) {
        return S_FALSE;
    }
    const ULONG base = type & ~MV_FLAG;
    // A string's length counts its terminator, which some writers leave out of its stream.
    const std::size_t terminator = base == PT_UNICODE ? 2 : base == PT_STRING8 ? 1 : 0;
    for (std::size_t i = 0; i < lengths->size(); ++i) {
        std::unique_ptr<CompoundStreamReader> itemStream =
            storage.OpenStream(MsgValueStreamName(value.tag, static_cast<std::uint32_t>(i)));
        if (!itemStream) {
            return S_FALSE;
        }
        std::string bytes;
        if (!ReadWhole(*itemStream, context, bytes)) {
            return MAPI_E_CORRUPT_DATA;
        }
        const std::uint32_t length = (*lengths)[i];
        if (length > bytes.size() + terminator) {
            return S_FALSE;
        }
        bytes.resize(std::min<std::size_t>(length, bytes.size()));
        PropertyValue item;
        item.tag = CHANGE_PROP_TYPE(value.tag, base);
        if (base == PT_BINARY) {
            item.bytes = std::move(bytes);
        } else if (base == PT_UNICODE) {
            item.wide = DecodeMsgWideText(bytes);
        } else {
            item.bytes = DecodeMsgNarrowText(bytes, codePage);
        }
        value.items.push_back(std::move(item));
    }
    return S_OK;
}

// The properties of one object's storage into `bag`. `codePage` decodes 8-bit strings; a
// message passes its own.
HRESULT ReadProperties(const CompoundStorageReader& storage, const StoragePath& path,
                       MsgObjectKind kind, std::uint32_t codePage, const ReadContext& context,
                       MsgPropertyStream& properties, PropertyBag& bag, ReadTrace& trace) {
    trace.interpreted.insert(kMsgPropertyStreamName);
    std::unique_ptr<CompoundStreamReader> stream = storage.OpenStream(kMsgPropertyStreamName);
    std::string bytes;
    if (!stream || !ReadWhole(*stream, context, bytes)) {
        return MAPI_E_CORRUPT_DATA;
    }
    // Some writers leave a few stray bytes after the last entry (one of MSGReader's samples has
    // four); the whole entries before them are the properties, as other readers take them.
    const std::size_t header = MsgPropertyHeaderSize(kind);
    if (bytes.size() > header) {
        bytes.resize(header + (bytes.size() - header) / 16 * 16);
    }
    std::optional<MsgPropertyStream> parsed = ParseMsgPropertyStream(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), kind);
    if (!parsed) {
        return MAPI_E_CORRUPT_DATA;
    }
    properties = std::move(*parsed);
    if (kind == MsgObjectKind::TopLevelMessage || kind == MsgObjectKind::EmbeddedMessage) {
        codePage = CodePageOf(properties);
    }
    for (const MsgPropertyEntry& entry : properties.entries) {
        PropertyValue value;
        value.tag = entry.tag;
        const ULONG type = PROP_TYPE(entry.tag);
        if (type != PT_CLSID && MsgFixedValueSize(type) != 0) {
            DecodeMsgFixedValue(type, entry.value.data(), value);
            bag.Put(value);
            continue;
        }
        if ((type & MV_FLAG) != 0 || type == PT_CLSID) {
            HRESULT hr = ReadStreamedValues(storage, codePage, context, value);
            if (FAILED(hr)) {
                return hr;
            }
            if (hr == S_OK) {
                trace.interpreted.insert(MsgValueStreamName(entry.tag));
                if (IsMsgValueListType(type)) {
                    for (std::size_t i = 0; i < value.items.size(); ++i) {
                        trace.interpreted.insert(
                            MsgValueStreamName(entry.tag, static_cast<std::uint32_t>(i)));
                    }
                }
                bag.Put(value);
            } else {
                trace.undecoded.push_back(entry);
            }
            continue;
        }
        switch (type) {
        case PT_STRING8:
        case PT_UNICODE:
        case PT_BINARY: {
            std::unique_ptr<CompoundStreamReader> valueStream =
                storage.OpenStream(MsgValueStreamName(entry.tag));
            if (!valueStream) {
                trace.undecoded.push_back(entry); // an entry without its stream: kept as it is
                continue;
            }
            trace.interpreted.insert(MsgValueStreamName(entry.tag));
            // Attachment content stays in the file whatever its size, so that opening many
            // messages reads none of it; other binaries only when they are big.
            const bool isContent = kind == MsgObjectKind::Attachment &&
                                   PROP_ID(entry.tag) == PROP_ID(PR_ATTACH_DATA_BIN);
            if (PROP_TYPE(entry.tag) == PT_BINARY &&
                (isContent || valueStream->Size() >= kMsgValueInFileFrom)) {
                if (valueStream->Size() > context.fileSize) {
                    return MAPI_E_CORRUPT_DATA;
                }
                value.source = std::make_shared<StreamSource>(context.nativePath, context.identity,
                                                              path, MsgValueStreamName(entry.tag),
                                                              valueStream->Size());
                break;
            }
            std::string content;
            if (!ReadWhole(*valueStream, context, content)) {
                return MAPI_E_CORRUPT_DATA;
            }
            if (PROP_TYPE(entry.tag) == PT_BINARY) {
                value.bytes = std::move(content);
            } else if (PROP_TYPE(entry.tag) == PT_UNICODE) {
                value.wide = DecodeMsgWideText(content);
            } else {
                value.bytes = DecodeMsgNarrowText(content, codePage);
            }
            break;
        }
        default:
            // Objects (an embedded message is read from its storage) and types without a
            // value here go back into the file as they were.
            trace.undecoded.push_back(entry);
            continue;
        }
        bag.Put(value);
    }
    return S_OK;
}

std::optional<std::uint32_t> NumberAfter(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    std::uint32_t number = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return number;
}

HRESULT ReadAttachment(const CompoundStorageReader& storage, const StoragePath& path,
                       std::uint32_t codePage, const ReadContext& context, int depth,
                       AttachmentData& attachment) {
    MsgPropertyStream properties;
    ReadTrace trace;
    HRESULT hr = ReadProperties(storage, path, MsgObjectKind::Attachment, codePage, context,
                                properties, attachment, trace);
    if (FAILED(hr)) {
        return hr;
    }
    attachment.Remove(PR_ATTACH_NUM); // the store numbers its attachments itself
    std::unique_ptr<CompoundStorageReader> embedded =
        storage.OpenStorage(kMsgEmbeddedMessageStorageName);
    if (embedded) {
        auto message = std::make_unique<MessageData>();
        StoragePath inner = path;
        inner.push_back(kMsgEmbeddedMessageStorageName);
        hr = ReadMessage(*embedded, inner, MsgObjectKind::EmbeddedMessage, codePage, context,
                         depth + 1, *message);
        if (FAILED(hr)) {
            return hr;
        }
        attachment.embedded = std::move(message);
        trace.interpreted.insert(kMsgEmbeddedMessageStorageName);
    }
    CarryTheRest(storage, path, context, trace, attachment);
    return S_OK;
}

HRESULT ReadMessage(const CompoundStorageReader& storage, const StoragePath& path,
                    MsgObjectKind kind, std::uint32_t codePage, const ReadContext& context,
                    int depth, MessageData& message) {
    if (depth > kDeepestMessage) {
        return MAPI_E_CORRUPT_DATA;
    }
    MsgPropertyStream properties;
    ReadTrace trace;
    HRESULT hr = ReadProperties(storage, path, kind, codePage, context, properties, message, trace);
    if (FAILED(hr)) {
        return hr;
    }
    codePage = CodePageOf(properties);
    std::vector<CompoundEntry> entries = storage.Entries();
    std::sort(entries.begin(), entries.end(),
              [](const CompoundEntry& a, const CompoundEntry& b) { return a.name < b.name; });
    for (const CompoundEntry& entry : entries) {
        if (!entry.isStorage) {
            continue;
        }
        if (NumberAfter(entry.name, kRecipientPrefix)) {
            std::unique_ptr<CompoundStorageReader> child = storage.OpenStorage(entry.name);
            PropertyBag recipient;
            MsgPropertyStream ignored;
            if (!child) {
                return MAPI_E_CORRUPT_DATA;
            }
            StoragePath inner = path;
            inner.push_back(entry.name);
            ReadTrace recipientTrace;
            hr = ReadProperties(*child, inner, MsgObjectKind::Recipient, codePage, context, ignored,
                                recipient, recipientTrace);
            if (FAILED(hr)) {
                return hr;
            }
            CarryTheRest(*child, inner, context, recipientTrace, recipient);
            trace.interpreted.insert(entry.name);
            recipient.Remove(PR_ROWID); // the recipient table numbers its rows itself
            message.recipients.push_back(std::move(recipient));
        } else if (std::optional<std::uint32_t> number =
                       NumberAfter(entry.name, kAttachmentPrefix)) {
            std::unique_ptr<CompoundStorageReader> child = storage.OpenStorage(entry.name);
            if (!child || message.attachments.count(*number) > 0) {
                return MAPI_E_CORRUPT_DATA;
            }
            AttachmentData attachment;
            StoragePath inner = path;
            inner.push_back(entry.name);
            hr = ReadAttachment(*child, inner, codePage, context, depth, attachment);
            if (FAILED(hr)) {
                return hr;
            }
            message.attachments[*number] = std::move(attachment);
            trace.interpreted.insert(entry.name);
            message.nextAttachmentNumber =
                std::max<ULONG>(message.nextAttachmentNumber, *number + 1);
        } else if (entry.name == kMsgNamedPropertyStorageName &&
                   kind == MsgObjectKind::TopLevelMessage) {
            std::unique_ptr<CompoundStorageReader> names = storage.OpenStorage(entry.name);
            if (!names) {
                return MAPI_E_CORRUPT_DATA;
            }
            for (const CompoundEntry& stream : names->Entries()) {
                std::unique_ptr<CompoundStreamReader> reader;
                std::string bytes;
                if (stream.isStorage || stream.size > kLargestNameStream ||
                    !(reader = names->OpenStream(stream.name)) ||
                    !ReadWhole(*reader, context, bytes)) {
                    return MAPI_E_CORRUPT_DATA;
                }
                message.namedPropertyStreams[stream.name] = std::move(bytes);
            }
            trace.interpreted.insert(entry.name);
        }
    }
    CarryTheRest(storage, path, context, trace, message);
    return S_OK;
}

// ---- writing ----

void Put32(std::array<std::uint8_t, 8>& value, std::size_t at, std::uint32_t number) {
    for (int i = 0; i < 4; ++i) {
        value[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(number >> (8 * i));
    }
}

HRESULT PutStream(StorageNode& node, const std::string& name, const void* data, std::size_t size) {
    auto stream = std::make_shared<StreamNode>();
    if (!stream->content.WriteAt(0, data, size)) {
        return STG_E_MEDIUMFULL;
    }
    node.streams[name] = std::move(stream);
    return S_OK;
}

// A value still in its file goes over in pieces.
HRESULT PutStreamFrom(StorageNode& node, const std::string& name, const ByteSource& source) {
    auto stream = std::make_shared<StreamNode>();
    std::string chunk;
    for (std::uint64_t at = 0; at < source.Size();) {
        const auto count = static_cast<std::size_t>(
            std::min<std::uint64_t>(kMsgValueInFileFrom, source.Size() - at));
        chunk.resize(count);
        if (!source.ReadAt(at, chunk.data(), count)) {
            return MAPI_E_CORRUPT_DATA;
        }
        if (!stream->content.WriteAt(at, chunk.data(), count)) {
            return STG_E_MEDIUMFULL;
        }
        at += count;
    }
    node.streams[name] = std::move(stream);
    return S_OK;
}

// A CLSID or a multi-valued property into its streams, the entry holding the size of the first.
// Strings go as Unicode, as single strings do. S_FALSE for a type that has no place in the file.
HRESULT WriteStreamedValues(const PropertyValue& value, MsgPropertyEntry& entry,
                            StorageNode& node) {
    const ULONG type = PROP_TYPE(value.tag);
    std::string content;
    if (type == PT_CLSID) {
        content.resize(16);
        EncodeMsgFixedValue(value, PT_CLSID, reinterpret_cast<std::uint8_t*>(content.data()));
    } else if (IsMsgValueListType(type)) {
        const ULONG base = type == PT_MV_BINARY ? PT_BINARY : PT_UNICODE;
        entry.tag = CHANGE_PROP_TYPE(value.tag, MV_FLAG | base);
        std::vector<std::uint32_t> lengths;
        for (std::size_t i = 0; i < value.items.size(); ++i) {
            const PropertyValue& item = value.items[i];
            // A string's stream holds its terminator, and its length counts it.
            const std::string bytes =
                base == PT_BINARY ? item.bytes
                                  : EncodeMsgWideText(item, type & ~MV_FLAG) + std::string(2, '\0');
            lengths.push_back(static_cast<std::uint32_t>(bytes.size()));
            HRESULT hr =
                PutStream(node, MsgValueStreamName(entry.tag, static_cast<std::uint32_t>(i)),
                          bytes.data(), bytes.size());
            if (FAILED(hr)) {
                return hr;
            }
        }
        content = EncodeMsgLengths(PROP_TYPE(entry.tag), lengths);
    } else if (IsMsgFixedArrayType(type)) {
        content = EncodeMsgFixedArray(value);
    } else {
        return S_FALSE;
    }
    Put32(entry.value, 0, static_cast<std::uint32_t>(content.size()));
    return PutStream(node, MsgValueStreamName(entry.tag), content.data(), content.size());
}

HRESULT WriteProperties(const PropertyBag& bag, const std::vector<PropertyValue>& extra,
                        MsgPropertyStream& properties, StorageNode& node) {
    std::vector<const PropertyValue*> values;
    for (const auto& entry : bag.Values()) {
        values.push_back(&entry.second);
    }
    for (const PropertyValue& value : extra) {
        values.push_back(&value);
    }
    for (const PropertyValue* value : values) {
        MsgPropertyEntry entry;
        entry.tag = value->tag;
        HRESULT hr = S_OK;
        const ULONG type = PROP_TYPE(value->tag);
        if (type != PT_CLSID && MsgFixedValueSize(type) != 0) {
            EncodeMsgFixedValue(*value, type, entry.value.data());
            properties.entries.push_back(entry);
            continue;
        }
        if ((type & MV_FLAG) != 0 || type == PT_CLSID) {
            hr = WriteStreamedValues(*value, entry, node);
            if (FAILED(hr)) {
                return hr;
            }
            if (hr == S_OK) {
                properties.entries.push_back(entry);
            }
            continue;
        }
        switch (type) {
        case PT_STRING8:
        case PT_UNICODE: {
            // Unicode whatever the width in memory, so that any reader gets the text whole.
            entry.tag = CHANGE_PROP_TYPE(value->tag, PT_UNICODE);
            const std::u16string wide =
                PROP_TYPE(value->tag) == PT_UNICODE ? value->wide : Utf16FromUtf8(value->bytes);
            const std::string bytes = EncodeMsgWideText(*value, PROP_TYPE(value->tag));
            Put32(entry.value, 0, static_cast<std::uint32_t>(bytes.size() + 2));
            hr = PutStream(node, MsgValueStreamName(entry.tag), bytes.data(), bytes.size());
            break;
        }
        case PT_BINARY:
            Put32(entry.value, 0, static_cast<std::uint32_t>(value->ByteCount()));
            hr = value->source ? PutStreamFrom(node, MsgValueStreamName(entry.tag), *value->source)
                               : PutStream(node, MsgValueStreamName(entry.tag), value->bytes.data(),
                                           value->bytes.size());
            break;
        default:
            continue;
        }
        if (FAILED(hr)) {
            return hr;
        }
        properties.entries.push_back(entry);
    }
    return S_OK;
}

HRESULT WriteMessage(const MessageData& message, MsgObjectKind kind, StorageNode& node);

// What the object's file held beyond its values goes back beside what was written; what was
// written wins over an old part of the same name or property.
HRESULT PutCarried(const PropertyBag& bag, MsgPropertyStream& properties, StorageNode& node) {
    for (const std::shared_ptr<const CarriedPart>& part : bag.carried) {
        if (const auto* entries = dynamic_cast<const CarriedEntries*>(part.get())) {
            for (const MsgPropertyEntry& entry : entries->entries) {
                const bool written =
                    std::any_of(properties.entries.begin(), properties.entries.end(),
                                [&](const MsgPropertyEntry& e) {
                                    return PROP_ID(e.tag) == PROP_ID(entry.tag);
                                });
                if (!written) {
                    properties.entries.push_back(entry);
                }
            }
        } else if (const auto* element = dynamic_cast<const CarriedElement*>(part.get())) {
            if (node.streams.count(element->Name()) > 0 ||
                node.storages.count(element->Name()) > 0) {
                continue;
            }
            HRESULT hr = element->CopyInto(node);
            if (FAILED(hr)) {
                return hr;
            }
        } else if (dynamic_cast<const UnreadableElements*>(part.get()) != nullptr) {
            return MAPI_E_CORRUPT_DATA;
        }
    }
    return S_OK;
}

PropertyValue NumberValue(ULONG tag, std::int64_t number) {
    PropertyValue value;
    value.tag = tag;
    value.number = number;
    return value;
}

HRESULT WriteAttachment(const AttachmentData& attachment, ULONG number, StorageNode& node) {
    MsgPropertyStream properties;
    std::vector<PropertyValue> extra{NumberValue(PR_ATTACH_NUM, number)};
    HRESULT hr = WriteProperties(attachment, extra, properties, node);
    if (FAILED(hr)) {
        return hr;
    }
    if (attachment.embedded) {
        MsgPropertyEntry entry;
        entry.tag = PR_ATTACH_DATA_OBJ;
        Put32(entry.value, 0, 0xFFFFFFFF);
        properties.entries.push_back(entry);
        auto child = std::make_shared<StorageNode>();
        hr = WriteMessage(*attachment.embedded, MsgObjectKind::EmbeddedMessage, *child);
        if (FAILED(hr)) {
            return hr;
        }
        node.storages[kMsgEmbeddedMessageStorageName] = std::move(child);
    }
    hr = PutCarried(attachment, properties, node);
    if (FAILED(hr)) {
        return hr;
    }
    const std::vector<std::uint8_t> bytes =
        SerializeMsgPropertyStream(properties, MsgObjectKind::Attachment);
    return PutStream(node, kMsgPropertyStreamName, bytes.data(), bytes.size());
}

HRESULT WriteMessage(const MessageData& message, MsgObjectKind kind, StorageNode& node) {
    MsgPropertyStream properties;
    std::vector<PropertyValue> extra;
    if (kind == MsgObjectKind::TopLevelMessage && !message.Has(kTagStoreSupportMask)) {
        // Tells readers that the strings are Unicode.
        extra.push_back(NumberValue(kTagStoreSupportMask, kStoreUnicodeOk));
    }
    HRESULT hr = WriteProperties(message, extra, properties, node);
    if (FAILED(hr)) {
        return hr;
    }
    ULONG row = 0;
    for (const PropertyBag& recipient : message.recipients) {
        auto child = std::make_shared<StorageNode>();
        MsgPropertyStream recipientProperties;
        std::vector<PropertyValue> rowId{NumberValue(PR_ROWID, row)};
        hr = WriteProperties(recipient, rowId, recipientProperties, *child);
        if (SUCCEEDED(hr)) {
            hr = PutCarried(recipient, recipientProperties, *child);
        }
        if (FAILED(hr)) {
            return hr;
        }
        const std::vector<std::uint8_t> bytes =
            SerializeMsgPropertyStream(recipientProperties, MsgObjectKind::Recipient);
        hr = PutStream(*child, kMsgPropertyStreamName, bytes.data(), bytes.size());
        if (FAILED(hr)) {
            return hr;
        }
        node.storages[MsgRecipientStorageName(row++)] = std::move(child);
    }
    // Numbered from 0 in the file, as readers expect; the numbers in memory may have gaps.
    ULONG index = 0;
    for (const auto& entry : message.attachments) {
        auto child = std::make_shared<StorageNode>();
        hr = WriteAttachment(entry.second, index, *child);
        if (FAILED(hr)) {
            return hr;
        }
        node.storages[MsgAttachmentStorageName(index++)] = std::move(child);
    }
    hr = PutCarried(message, properties, node);
    if (FAILED(hr)) {
        return hr;
    }
    properties.nextRecipientId = row;
    properties.recipientCount = row;
    properties.nextAttachmentId = index;
    properties.attachmentCount = index;
    const std::vector<std::uint8_t> bytes = SerializeMsgPropertyStream(properties, kind);
    return PutStream(node, kMsgPropertyStreamName, bytes.data(), bytes.size());
}

HRESULT ReadMsgFileWithIdentity(const std::string& nativePath, MessageData& message,
                                FileIdentity& identityRead) {
    const std::optional<FileIdentity> identity = IdentityOfFile(nativePath);
    if (!identity) {
        return MAPI_E_NOT_FOUND;
    }
    std::unique_ptr<CompoundStorageReader> root = CompoundStorageReader::OpenFile(nativePath);
    if (!root) {
        return MAPI_E_CORRUPT_DATA;
    }
    ReadContext context{nativePath, *identity, static_cast<std::uint64_t>(identity->size)};
    MessageData read;
    HRESULT hr =
        ReadMessage(*root, {}, MsgObjectKind::TopLevelMessage, kWesternCodePage, context, 0, read);
    if (SUCCEEDED(hr)) {
        message = std::move(read);
        identityRead = *identity;
    }
    return hr;
}

// With `identity`, the file at `nativePath` must still be the one read; on success `identity`
// becomes the new file's.
HRESULT SaveMsgFileOver(MessageData& message, const std::string& nativePath,
                        std::optional<std::reference_wrapper<FileIdentity>> identity) {
    StorageNode root;
    std::memcpy(root.classId.data(), &CLSID_MailMessage, sizeof(CLSID));
    HRESULT hr = WriteMsgMessage(message, root);
    if (FAILED(hr)) {
        return hr;
    }
    hr = ReplaceWithCompoundFile(
        root, nativePath, identity ? std::optional<FileIdentity>(identity->get()) : std::nullopt);
    if (FAILED(hr)) {
        return hr;
    }
    // The values still in the old file are gone with it: take the message as the new file
    // holds it, its attachments numbered as they are there.
    MessageData saved;
    FileIdentity written;
    hr = ReadMsgFileWithIdentity(nativePath, saved, written);
    if (SUCCEEDED(hr)) {
        message = std::move(saved);
        if (identity) {
            identity->get() = written;
        }
    }
    return hr;
}

// ---- the message over a storage, and over a file ----

class StorageMessageHome final : public MessageHome {
  public:
    StorageMessageHome(IStorage* storage, std::shared_ptr<StorageNode> tree)
        : storage(storage), tree(std::move(tree)) {
        storage->AddRef();
    }
    ~StorageMessageHome() override { storage->Release(); }
    HRESULT Save(MessageData& data) override { return WriteMsgMessage(data, *tree); }

  private:
    IStorage* storage;
    std::shared_ptr<StorageNode> tree;
};

class FileMessageHome final : public MessageHome {
  public:
    FileMessageHome(std::string nativePath, FileIdentity identity)
        : nativePath(std::move(nativePath)), identity(identity) {}
    HRESULT Save(MessageData& data) override { return SaveMsgFileOver(data, nativePath, identity); }

  private:
    std::string nativePath;
    // The file as it was read: only that one is replaced.
    FileIdentity identity;
};

} // namespace

HRESULT ReadMsgFile(const std::string& nativePath, MessageData& message, FileIdentity* identity) {
    FileIdentity read;
    HRESULT hr = ReadMsgFileWithIdentity(nativePath, message, read);
    if (SUCCEEDED(hr) && identity != nullptr) {
        *identity = read;
    }
    return hr;
}

HRESULT WriteMsgMessage(const MessageData& message, StorageNode& root) {
    StorageNode written;
    HRESULT hr = WriteMessage(message, MsgObjectKind::TopLevelMessage, written);
    if (FAILED(hr)) {
        return hr;
    }
    auto names = std::make_shared<StorageNode>();
    if (message.namedPropertyStreams.empty()) {
        // The three index streams that every reader looks for, empty: no named properties.
        for (const char* name :
             {"__substg1.0_00020102", "__substg1.0_00030102", "__substg1.0_00040102"}) {
            names->streams[name] = std::make_shared<StreamNode>();
        }
    }
    for (const auto& [name, bytes] : message.namedPropertyStreams) {
        hr = PutStream(*names, name, bytes.data(), bytes.size());
        if (FAILED(hr)) {
            return hr;
        }
    }
    written.storages[kMsgNamedPropertyStorageName] = std::move(names);
    root.streams = std::move(written.streams);
    root.storages = std::move(written.storages);
    return S_OK;
}

HRESULT SaveMsgFile(MessageData& message, const std::string& nativePath, FileIdentity* identity) {
    return identity != nullptr ? SaveMsgFileOver(message, nativePath, std::ref(*identity))
                               : SaveMsgFileOver(message, nativePath, std::nullopt);
}

HRESULT OpenMsgFile(const std::string& nativePath, bool writable, IMessage** message) {
    if (message == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *message = nullptr;
    MessageData data;
    FileIdentity identity;
    HRESULT hr = ReadMsgFileWithIdentity(nativePath, data, identity);
    if (FAILED(hr)) {
        return hr;
    }
    *message = NewMessageObject(std::move(data),
                                std::make_unique<FileMessageHome>(nativePath, identity), writable);
    return S_OK;
}

} // namespace embedded

// The session only groups messages for the caller; each message keeps what it needs itself.
struct _MSGSESS {
    LPMALLOC allocator;
};

SCODE STDAPICALLTYPE OpenIMsgSession(LPMALLOC lpMalloc, ULONG ulFlags, LPMSGSESS* lppMsgSess) {
    HRESULT hr = embedded::EnterOperation("OpenIMsgSession", ulFlags);
    if (FAILED(hr)) {
        return hr;
    }
    if (lppMsgSess == nullptr || lpMalloc == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppMsgSess = new _MSGSESS{lpMalloc};
    return S_OK;
}

void STDAPICALLTYPE CloseIMsgSession(LPMSGSESS lpMsgSess) {
    embedded::EnterOperation("CloseIMsgSession");
    delete lpMsgSess;
}

SCODE STDAPICALLTYPE OpenIMsgOnIStg(LPMSGSESS lpMsgSess, LPALLOCATEBUFFER lpAllocateBuffer,
                                    LPALLOCATEMORE lpAllocateMore, LPFREEBUFFER lpFreeBuffer,
                                    LPMALLOC lpMalloc, LPVOID, LPSTORAGE lpStg, MSGCALLRELEASE*,
                                    ULONG, ULONG ulFlags, LPMESSAGE* lppMsg) {
    HRESULT hr = embedded::EnterOperation("OpenIMsgOnIStg", ulFlags);
    if (FAILED(hr)) {
        return hr;
    }
    if (lppMsg == nullptr || lpMsgSess == nullptr || lpStg == nullptr ||
        lpAllocateBuffer == nullptr || lpAllocateMore == nullptr || lpFreeBuffer == nullptr ||
        lpMalloc == nullptr) {
        return MAPI_E_INVALID_PARAMETER;
    }
    *lppMsg = nullptr;
    std::shared_ptr<embedded::StorageNode> tree = embedded::TreeOf(lpStg);
    if (!tree) {
        return MAPI_E_NO_SUPPORT; // only the platform's own storages carry messages here
    }
    // A storage that already holds a message opens with it; a new one gives an empty message.
    embedded::MessageData data;
    *lppMsg = embedded::NewMessageObject(
        std::move(data), std::make_unique<embedded::StorageMessageHome>(lpStg, tree), true);
    return S_OK;
}
