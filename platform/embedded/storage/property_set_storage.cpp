// StgOpenStorageEx for property sets, and the property-set storage it opens over a native file.
// A compound file keeps its sets as root streams in the property set stream format; any other
// file keeps its summary texts in extended attributes (summary_attributes.h), and reads them
// back as wide text whatever type they were written with.
//
// The storage works in direct mode: a WriteMultiple is on disk when it returns, so its result
// tells whether the texts were kept. A set that Create makes reaches the file with the first
// WriteMultiple or Commit, at the latest when its last reference is released.
//
// A set stream that cannot be parsed is never replaced: Open fails with STG_E_INVALIDHEADER and
// so does Create, even with STGM_CREATE, so that bytes another program wrote are not lost for a
// summary that is only a courtesy.
#include "platform/embedded/com/counted.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/storage/compound_file_rewrite.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/store/message_data.h"
#include "platform/embedded/storage/property_set_names.h"
#include "platform/embedded/storage/property_set_stream.h"
#include "platform/embedded/storage/property_variants.h"
#include "platform/embedded/files/summary_attributes.h"
#include "platform/ole_storage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace embedded {
namespace {

constexpr std::uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// A property set stream is small; a larger one is damaged, not worth reading into memory.
constexpr std::uint64_t kMaxSetStream = 16 * 1024 * 1024;
constexpr DWORD kAccessBits = 0x3;
constexpr DWORD kShareBits = 0x70;

bool Writes(DWORD mode) {
    return (mode & kAccessBits) == STGM_WRITE || (mode & kAccessBits) == STGM_READWRITE;
}

// Files held open by property-set storages of this process, by native path. The platform
// refuses a second opening of a file that one opening holds exclusively.
class HeldFiles {
  public:
    static HeldFiles& Instance() {
        static HeldFiles held;
        return held;
    }
    bool Acquire(const std::string& path, bool exclusive) {
        std::lock_guard guard(lock);
        Holders& holders = files[path];
        if (holders.exclusive || (exclusive && holders.count > 0)) {
            return false;
        }
        ++holders.count;
        holders.exclusive = exclusive;
        return true;
    }
    void Release(const std::string& path) {
        std::lock_guard guard(lock);
        auto found = files.find(path);
        if (found != files.end() && --found->second.count == 0) {
            files.erase(found);
        }
    }

  private:
    struct Holders {
        int count = 0;
        bool exclusive = false;
    };
    std::mutex lock;
    std::map<std::string, Holders> files;
};

// What an opened file shares between its property-set storage and the sets opened on it.
struct OpenedFile {
    OpenedFile(std::string nativePath, bool compound, bool writable)
        : nativePath(std::move(nativePath)), compound(compound), writable(writable) {}
    ~OpenedFile() { HeldFiles::Instance().Release(nativePath); }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    const std::string nativePath;
    const bool compound;
    const bool writable;
    // One opening of a set at a time, as the platform's exclusive sharing has it.
    std::set<ClassId> openSets;
};

HRESULT CheckSetMode(DWORD mode, const OpenedFile& file) {
    if ((mode & kShareBits) != STGM_SHARE_EXCLUSIVE || (mode & kAccessBits) == 3) {
        return STG_E_INVALIDFLAG;
    }
    if (Writes(mode) && !file.writable) {
        return STG_E_ACCESSDENIED;
    }
    return S_OK;
}

// The parts of IPropertyStorage that both kinds of file answer alike.
class PropertyStorageBase : public Counted<IPropertyStorage> {
  public:
    PropertyStorageBase(std::shared_ptr<OpenedFile> file, const ClassId& formatId, DWORD mode)
        : file(std::move(file)), formatId(formatId), writable(Writes(mode)) {
        this->file->openSets.insert(formatId);
    }
    virtual ~PropertyStorageBase() { file->openSets.erase(formatId); }

    HRESULT STDMETHODCALLTYPE ReadMultiple(ULONG cpspec, const PROPSPEC rgpspec[],
                                           PROPVARIANT rgpropvar[]) override {
        HRESULT hr = EnterOperation("ReadMultiple", cpspec);
        if (FAILED(hr)) {
            return hr;
        }
        if (cpspec > 0 && (rgpspec == nullptr || rgpropvar == nullptr)) {
            return STG_E_INVALIDPOINTER;
        }
        bool anyFound = false;
        for (ULONG i = 0; i < cpspec; ++i) {
            PROPVARIANT& value = rgpropvar[i];
            std::memset(&value, 0, sizeof value);
            // Names are kept in the dictionary, which is not looked up here: a name finds
            // nothing.
            if (rgpspec[i].ulKind == PRSPEC_PROPID) {
                hr = ReadOne(rgpspec[i].propid, value);
            }
            if (FAILED(hr)) {
                FreePropVariantArray(i, rgpropvar);
                return hr;
            }
            anyFound |= value.vt != VT_EMPTY;
        }
        return anyFound ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE WriteMultiple(ULONG cpspec, const PROPSPEC rgpspec[],
                                            const PROPVARIANT rgpropvar[],
                                            PROPID propidNameFirst) override {
        HRESULT hr = EnterOperation("WriteMultiple", cpspec);
        if (FAILED(hr)) {
            return hr;
        }
        (void)propidNameFirst; // names are not written, so no id is given to one
        if (cpspec > 0 && (rgpspec == nullptr || rgpropvar == nullptr)) {
            return STG_E_INVALIDPOINTER;
        }
        if (!writable) {
            return STG_E_ACCESSDENIED;
        }
        for (ULONG i = 0; i < cpspec; ++i) {
            // The dictionary and the code page belong to the set, and names are not written.
            if (rgpspec[i].ulKind != PRSPEC_PROPID || rgpspec[i].propid <= PID_CODEPAGE ||
                rgpspec[i].propid >= 0x80000000u) {
                return STG_E_INVALIDPARAMETER;
            }
        }
        return WriteAll(cpspec, rgpspec, rgpropvar);
    }

    HRESULT STDMETHODCALLTYPE DeleteMultiple(ULONG cpspec, const PROPSPEC rgpspec[]) override {
        HRESULT hr = EnterOperation("DeleteMultiple", cpspec);
        if (FAILED(hr)) {
            return hr;
        }
        if (cpspec > 0 && rgpspec == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        if (!writable) {
            return STG_E_ACCESSDENIED;
        }
        std::vector<PROPID> ids;
        for (ULONG i = 0; i < cpspec; ++i) {
            if (rgpspec[i].ulKind != PRSPEC_PROPID || rgpspec[i].propid <= PID_CODEPAGE) {
                return STG_E_INVALIDPARAMETER;
            }
            ids.push_back(rgpspec[i].propid);
        }
        return DeleteAll(ids);
    }

    HRESULT STDMETHODCALLTYPE ReadPropertyNames(ULONG, const PROPID[], LPOLESTR[]) override {
        return NotHere("ReadPropertyNames");
    }
    HRESULT STDMETHODCALLTYPE WritePropertyNames(ULONG, const PROPID[], const LPOLESTR[]) override {
        return NotHere("WritePropertyNames");
    }
    HRESULT STDMETHODCALLTYPE DeletePropertyNames(ULONG, const PROPID[]) override {
        return NotHere("DeletePropertyNames");
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override {
        HRESULT hr = EnterOperation("Commit", grfCommitFlags);
        if (FAILED(hr)) {
            return hr;
        }
        return Flush();
    }
    HRESULT STDMETHODCALLTYPE Revert() override {
        // In direct mode there is nothing that is not yet the file's.
        return EnterOperation("Revert");
    }
    HRESULT STDMETHODCALLTYPE Enum(IEnumSTATPROPSTG**) override { return NotHere("Enum"); }
    HRESULT STDMETHODCALLTYPE SetTimes(const FILETIME*, const FILETIME*, const FILETIME*) override {
        return NotHere("SetTimes");
    }
    HRESULT STDMETHODCALLTYPE SetClass(REFCLSID) override { return NotHere("SetClass"); }
    HRESULT STDMETHODCALLTYPE Stat(STATPROPSETSTG*) override { return NotHere("Stat"); }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IPropertyStorage});
    }

    virtual HRESULT ReadOne(PROPID id, PROPVARIANT& value) = 0;
    virtual HRESULT WriteAll(ULONG count, const PROPSPEC specs[], const PROPVARIANT values[]) = 0;
    virtual HRESULT DeleteAll(const std::vector<PROPID>& ids) = 0;
    virtual HRESULT Flush() { return S_OK; }

    const std::shared_ptr<OpenedFile> file;
    const ClassId formatId;
    const bool writable;

  private:
    static HRESULT NotHere(const char* operation) {
        HRESULT hr = EnterOperation(operation);
        return FAILED(hr) ? hr : E_NOTIMPL;
    }
};

// A set stored as a root stream of a compound file.
class CompoundPropertyStorage final : public PropertyStorageBase {
  public:
    CompoundPropertyStorage(std::shared_ptr<OpenedFile> file, const ClassId& formatId, DWORD mode,
                            std::string streamName, PropertySetStream stream, bool unsaved)
        : PropertyStorageBase(std::move(file), formatId, mode), streamName(std::move(streamName)),
          stream(std::move(stream)), unsaved(unsaved) {}
    ~CompoundPropertyStorage() override { Flush(); }

  protected:
    HRESULT ReadOne(PROPID id, PROPVARIANT& value) override {
        const PropertySection& section = stream.sections.front();
        const auto found = section.properties.find(id);
        if (found == section.properties.end()) {
            return S_OK;
        }
        return VariantOf(found->second, CodePageOf(section), value);
    }

    HRESULT WriteAll(ULONG count, const PROPSPEC specs[], const PROPVARIANT values[]) override {
        PropertySetStream changed = stream;
        PropertySection& section = changed.sections.front();
        const std::uint16_t codePage = CodePageOf(section);
        for (ULONG i = 0; i < count; ++i) {
            StoredProperty stored;
            HRESULT hr = StoredPropertyOf(values[i], codePage, stored);
            if (FAILED(hr)) {
                return hr;
            }
            section.properties[specs[i].propid] = std::move(stored);
        }
        return Save(std::move(changed));
    }

    HRESULT DeleteAll(const std::vector<PROPID>& ids) override {
        PropertySetStream changed = stream;
        for (PROPID id : ids) {
            changed.sections.front().properties.erase(id);
        }
        return Save(std::move(changed));
    }

    HRESULT Flush() override { return unsaved ? Save(stream) : S_OK; }

  private:
    HRESULT Save(PropertySetStream changed) {
        const std::vector<std::uint8_t> bytes = SerializePropertySetStream(changed);
        HRESULT hr = ReplaceRootStream(file->nativePath, streamName, bytes);
        if (SUCCEEDED(hr)) {
            stream = std::move(changed);
            unsaved = false;
        }
        return hr;
    }

    const std::string streamName;
    PropertySetStream stream;
    bool unsaved;
};

// The summary of a file that is no compound file, in its extended attributes.
class AttributePropertyStorage final : public PropertyStorageBase {
  public:
    using PropertyStorageBase::PropertyStorageBase;

  protected:
    HRESULT ReadOne(PROPID id, PROPVARIANT& value) override {
        std::optional<std::string> text;
        HRESULT hr = ReadSummaryAttribute(file->nativePath, id, text);
        if (FAILED(hr) || !text) {
            return hr;
        }
        return WideVariantOf(*text, value);
    }

    HRESULT WriteAll(ULONG count, const PROPSPEC specs[], const PROPVARIANT values[]) override {
        std::vector<std::pair<PROPID, std::string>> texts;
        for (ULONG i = 0; i < count; ++i) {
            auto text = Utf8TextOfVariant(values[i]);
            if (!text || !SummaryAttributeName(specs[i].propid)) {
                return STG_E_INVALIDPARAMETER; // only the texts that have a common attribute
            }
            texts.emplace_back(specs[i].propid, std::move(*text));
        }
        return WriteSummaryAttributes(file->nativePath, texts);
    }

    HRESULT DeleteAll(const std::vector<PROPID>& ids) override {
        return RemoveSummaryAttributes(file->nativePath, ids);
    }
};

// What a compound file holds under a set's stream name: nothing, a parsed set, or damage.
HRESULT ReadSetStream(const std::string& nativePath, const std::string& streamName,
                      const ClassId& formatId, std::optional<PropertySetStream>& stream) {
    stream.reset();
    auto root = CompoundStorageReader::OpenFile(nativePath);
    if (!root) {
        return STG_E_DOCFILECORRUPT;
    }
    auto reader = root->OpenStream(streamName);
    if (!reader) {
        return root->OpenStorage(streamName) ? STG_E_INVALIDHEADER : S_OK;
    }
    const std::uint64_t size = reader->Size();
    if (size > kMaxSetStream) {
        return STG_E_INVALIDHEADER;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!reader->ReadAt(0, bytes.data(), bytes.size())) {
        return STG_E_DOCFILECORRUPT;
    }
    auto parsed = ParsePropertySetStream(bytes);
    if (!parsed || parsed->sections.front().formatId != formatId) {
        return STG_E_INVALIDHEADER;
    }
    stream = std::move(parsed);
    return S_OK;
}

class PropertySetStorage final : public Counted<IPropertySetStorage> {
  public:
    explicit PropertySetStorage(std::shared_ptr<OpenedFile> file) : file(std::move(file)) {}

    HRESULT STDMETHODCALLTYPE Create(REFFMTID rfmtid, const CLSID* pclsid, DWORD grfFlags,
                                     DWORD grfMode, IPropertyStorage** ppprstg) override {
        HRESULT hr = EnterOperation("Create", grfMode);
        if (FAILED(hr)) {
            return hr;
        }
        if (ppprstg == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *ppprstg = nullptr;
        const DWORD kNonSimple = 1;
        if ((grfFlags & kNonSimple) != 0) {
            return STG_E_INVALIDFUNCTION; // sets in storages of their own are not kept here
        }
        hr = CheckSetMode(grfMode & ~STGM_CREATE, *file);
        if (FAILED(hr)) {
            return hr;
        }
        if (!Writes(grfMode)) {
            return STG_E_INVALIDFLAG;
        }
        const ClassId formatId = ClassIdOf(rfmtid);
        if (file->openSets.count(formatId) != 0) {
            return STG_E_ACCESSDENIED;
        }
        const bool replace = (grfMode & STGM_CREATE) != 0;
        if (!file->compound) {
            return CreateAttributeSet(rfmtid, formatId, grfMode, replace, ppprstg);
        }
        const auto streamName = PropertySetStreamName(rfmtid);
        if (!streamName) {
            return STG_E_INVALIDPARAMETER;
        }
        std::optional<PropertySetStream> existing;
        hr = ReadSetStream(file->nativePath, *streamName, formatId, existing);
        if (FAILED(hr)) {
            return hr;
        }
        if (existing && !replace) {
            return STG_E_FILEALREADYEXISTS;
        }
        PropertySetStream stream;
        if (existing) {
            // The set starts afresh; a second section (the user-defined properties beside the
            // document summary) is another set's and stays.
            stream = std::move(*existing);
            stream.sections.front().properties.clear();
        } else {
            stream.sections.emplace_back();
            stream.sections.front().formatId = formatId;
        }
        if (pclsid != nullptr) {
            stream.classId = ClassIdOf(*pclsid);
        }
        // A Unicode set unless asked for 8-bit text, which here is UTF-8.
        const std::uint16_t codePage =
            (grfFlags & PROPSETFLAG_ANSI) != 0 ? kUtf8CodePage : kUnicodeCodePage;
        stream.sections.front().properties[PID_CODEPAGE] = MakeCodePageProperty(codePage);
        *ppprstg = new CompoundPropertyStorage(file, formatId, grfMode, *streamName,
                                               std::move(stream), true);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Open(REFFMTID rfmtid, DWORD grfMode,
                                   IPropertyStorage** ppprstg) override {
        HRESULT hr = EnterOperation("Open", grfMode);
        if (FAILED(hr)) {
            return hr;
        }
        if (ppprstg == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *ppprstg = nullptr;
        hr = CheckSetMode(grfMode, *file);
        if (FAILED(hr)) {
            return hr;
        }
        const ClassId formatId = ClassIdOf(rfmtid);
        if (file->openSets.count(formatId) != 0) {
            return STG_E_ACCESSDENIED;
        }
        if (!file->compound) {
            if (rfmtid != FMTID_SummaryInformation || !HasSummaryAttributes(file->nativePath)) {
                return STG_E_FILENOTFOUND;
            }
            *ppprstg = new AttributePropertyStorage(file, formatId, grfMode);
            return S_OK;
        }
        const auto streamName = PropertySetStreamName(rfmtid);
        if (!streamName) {
            return STG_E_FILENOTFOUND;
        }
        std::optional<PropertySetStream> existing;
        hr = ReadSetStream(file->nativePath, *streamName, formatId, existing);
        if (FAILED(hr)) {
            return hr;
        }
        if (!existing) {
            return STG_E_FILENOTFOUND;
        }
        *ppprstg = new CompoundPropertyStorage(file, formatId, grfMode, *streamName,
                                               std::move(*existing), false);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Delete(REFFMTID) override {
        HRESULT hr = EnterOperation("Delete");
        return FAILED(hr) ? hr : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Enum(IEnumSTATPROPSETSTG**) override {
        HRESULT hr = EnterOperation("Enum");
        return FAILED(hr) ? hr : E_NOTIMPL;
    }

  protected:
    bool Answers(REFIID riid) const override {
        return AnyOf(riid, {&IID_IUnknown, &IID_IPropertySetStorage});
    }

  private:
    HRESULT CreateAttributeSet(REFFMTID rfmtid, const ClassId& formatId, DWORD mode, bool replace,
                               IPropertyStorage** ppprstg) {
        if (rfmtid != FMTID_SummaryInformation) {
            return STG_E_INVALIDFUNCTION; // attributes hold the summary texts only
        }
        if (HasSummaryAttributes(file->nativePath)) {
            if (!replace) {
                return STG_E_FILEALREADYEXISTS;
            }
            HRESULT hr = RemoveSummaryAttributes(file->nativePath, SummaryAttributeProperties());
            if (FAILED(hr)) {
                return hr;
            }
        }
        *ppprstg = new AttributePropertyStorage(file, formatId, mode);
        return S_OK;
    }

    const std::shared_ptr<OpenedFile> file;
};

HRESULT ResolveFile(const WCHAR* name, std::string& nativePath) {
    std::u16string wide;
    while (name[wide.size()] != 0) {
        wide.push_back(name[wide.size()]);
    }
    const auto mapped = ToNativePath(Utf8FromUtf16(wide));
    if (!mapped || mapped->empty()) {
        return STG_E_PATHNOTFOUND;
    }
    // A link is followed, so that the rewrite replaces the file and not the link.
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(mapped->c_str(), nullptr),
                                                         &std::free);
    if (!resolved) {
        if (errno == ENOENT) {
            const auto slash = mapped->rfind('/');
            const std::string folder = slash == 0 ? "/" : mapped->substr(0, slash);
            struct stat info {};
            return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? STG_E_FILENOTFOUND
                                                                               : STG_E_PATHNOTFOUND;
        }
        return StorageResultOfErrno(errno);
    }
    nativePath = resolved.get();
    return S_OK;
}

// Whether the file starts as a compound file does; S_OK also for a plain file.
HRESULT ProbeFile(const std::string& nativePath, bool writable, bool& compound) {
    struct stat info {};
    if (::stat(nativePath.c_str(), &info) != 0) {
        return StorageResultOfErrno(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return STG_E_ACCESSDENIED;
    }
    const int fd = ::open(nativePath.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        return StorageResultOfErrno(errno);
    }
    std::uint8_t head[sizeof kCompoundSignature] = {};
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    compound = got == static_cast<ssize_t>(sizeof head) &&
               std::equal(head, head + sizeof head, kCompoundSignature);
    return S_OK;
}

} // namespace
} // namespace embedded

HRESULT WINAPI StgOpenStorageEx(const WCHAR* pwcsName, DWORD grfMode, DWORD stgfmt, DWORD grfAttrs,
                                STGOPTIONS* pStgOptions, void* reserved, REFIID riid,
                                void** ppObjectOpen) {
    using namespace embedded;
    HRESULT hr = EnterOperation("StgOpenStorageEx", grfMode);
    if (ppObjectOpen != nullptr) {
        *ppObjectOpen = nullptr;
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (ppObjectOpen == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    if (pwcsName == nullptr) {
        return STG_E_INVALIDNAME;
    }
    if (grfAttrs != 0 || reserved != nullptr ||
        (pStgOptions != nullptr && stgfmt != STGFMT_DOCFILE)) {
        return STG_E_INVALIDPARAMETER;
    }
    if (stgfmt != STGFMT_ANY && stgfmt != STGFMT_STORAGE && stgfmt != STGFMT_DOCFILE &&
        stgfmt != STGFMT_FILE) {
        return STG_E_INVALIDPARAMETER;
    }
    if ((grfMode & kAccessBits) == 3 || (grfMode & (STGM_CREATE | STGM_DELETEONRELEASE)) != 0) {
        return STG_E_INVALIDFLAG;
    }
    if (riid != IID_IPropertySetStorage && riid != IID_IUnknown) {
        return E_NOINTERFACE; // storages themselves are opened with StgCreateDocfile's kin
    }
    std::string nativePath;
    hr = ResolveFile(pwcsName, nativePath);
    if (FAILED(hr)) {
        return hr;
    }
    const bool writable = Writes(grfMode);
    bool compound = false;
    hr = ProbeFile(nativePath, writable, compound);
    if (FAILED(hr)) {
        return hr;
    }
    if (stgfmt == STGFMT_FILE) {
        compound = false;
    } else if (!compound && stgfmt != STGFMT_ANY) {
        return STG_E_FILEALREADYEXISTS; // the platform's answer for a file that is no storage
    }
    if (compound) {
        if (!CompoundStorageReader::OpenFile(nativePath)) {
            return STG_E_DOCFILECORRUPT;
        }
        // The changed file is written beside the old one and renamed over it.
        const std::string folder =
            nativePath.substr(0, std::max<std::size_t>(1, nativePath.rfind('/')));
        if (writable && ::access(folder.c_str(), W_OK | X_OK) != 0) {
            return STG_E_ACCESSDENIED;
        }
    } else {
        hr = CheckSummaryAttributes(nativePath);
        if (FAILED(hr)) {
            return hr;
        }
    }
    const DWORD share = grfMode & kShareBits;
    if (!HeldFiles::Instance().Acquire(nativePath, share != STGM_SHARE_DENY_NONE)) {
        return STG_E_SHAREVIOLATION;
    }
    auto file = std::make_shared<OpenedFile>(nativePath, compound, writable);
    *ppObjectOpen = static_cast<IPropertySetStorage*>(new PropertySetStorage(std::move(file)));
    return S_OK;
}
