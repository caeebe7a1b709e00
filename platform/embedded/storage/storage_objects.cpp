// IStorage and its streams over a tree in memory, written out as a compound file at the root's
// Commit; StgCreateDocfile and WriteClassStg. A storage from StgCreateDocfile is transacted
// whatever the mode asks: nothing exists at its name until Commit, which replaces the file
// whole through a temporary file in the same folder.
#include "platform/embedded/com/stream_base.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/storage/compound_file_rewrite.h"
#include "platform/embedded/store/message_data.h"
#include "platform/embedded/store/property_object.h"
#include "platform/embedded/storage/storage_tree.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace embedded {

namespace {

constexpr std::size_t kInMemoryLimit = 64 * 1024;

} // namespace

// ---- stream contents ----

SpillBuffer::~SpillBuffer() {
    if (file != nullptr) {
        std::fclose(file);
    }
}

bool SpillBuffer::Spill(std::uint64_t needed) {
    if (file != nullptr || needed <= kInMemoryLimit) {
        return true;
    }
    file = std::tmpfile(); // unlinked: it goes away with the buffer, or with the process
    if (file == nullptr) {
        return false;
    }
    if (!memory.empty() && std::fwrite(memory.data(), 1, memory.size(), file) != memory.size()) {
        std::fclose(file);
        file = nullptr;
        return false;
    }
    memory.clear();
    memory.shrink_to_fit();
    return true;
}

bool SpillBuffer::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    if (offset > size || count > size - offset) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    if (file == nullptr) {
        std::memcpy(buffer, memory.data() + offset, count);
        return true;
    }
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(buffer, 1, count, file) == count;
}

bool SpillBuffer::WriteAt(std::uint64_t offset, const void* data, std::size_t count) {
    const std::uint64_t end = offset + count;
    if (end < offset || !Spill(end)) {
        return false;
    }
    if (file == nullptr) {
        if (memory.size() < end) {
            memory.resize(static_cast<std::size_t>(end));
        }
        if (count > 0) {
            std::memcpy(memory.data() + offset, data, count);
        }
    } else if (count > 0) {
        if (offset > size && !Resize(offset)) {
            return false;
        }
        if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0 ||
            std::fwrite(data, 1, count, file) != count || std::fflush(file) != 0) {
            return false;
        }
    }
    size = std::max(size, end);
    return true;
}

bool SpillBuffer::Resize(std::uint64_t newSize) {
    if (!Spill(newSize)) {
        return false;
    }
    if (file == nullptr) {
        memory.resize(static_cast<std::size_t>(newSize));
    } else if (std::fflush(file) != 0 ||
               ftruncate(fileno(file), static_cast<off_t>(newSize)) != 0) {
        return false;
    }
    size = newSize;
    return true;
}

// ---- writing the file ----

namespace {

bool WriteNode(const StorageNode& node, CompoundWriter& writer) {
    if (node.classId != ClassId{} && !writer.SetClassId(node.classId)) {
        return false;
    }
    for (const auto& [name, stream] : node.streams) {
        if (!writer.BeginStream(name)) {
            return false;
        }
        std::string chunk;
        for (std::uint64_t at = 0; at < stream->content.Size();) {
            const std::size_t count = static_cast<std::size_t>(
                std::min<std::uint64_t>(kStreamCopyChunk, stream->content.Size() - at));
            chunk.resize(count);
            if (!stream->content.ReadAt(at, chunk.data(), count) ||
                !writer.Write(chunk.data(), count)) {
                return false;
            }
            at += count;
        }
        if (!writer.EndStream()) {
            return false;
        }
    }
    for (const auto& [name, storage] : node.storages) {
        if (!writer.BeginStorage(name) || !WriteNode(*storage, writer) || !writer.EndStorage()) {
            return false;
        }
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool WriteCompoundFile(const StorageNode& root, const std::string& nativePath,
                       unsigned sectorSize) {
    std::unique_ptr<CompoundWriter> writer = CompoundWriter::Create(nativePath, sectorSize);
    if (!writer) {
        return false;
    }
    const bool written = WriteNode(root, *writer);
    const bool closed = writer->Close();
    return written && closed;
}

HRESULT ReplaceWithCompoundFile(const StorageNode& root, const std::string& nativePath,
                                std::optional<FileIdentity> expected) {
    ReplaceSteps steps;
    steps.rename = "CompoundFileRename";
    steps.expected = expected;
    steps.resultOfErrno = StorageResultOfErrno;
    const HRESULT replaced = ReplaceFileDurably(
        nativePath,
        [&](const std::string& temporary) {
            HRESULT hr = EnterOperation("CompoundFileWrite");
            if (SUCCEEDED(hr) && !WriteCompoundFile(root, temporary)) {
                hr = STG_E_WRITEFAULT;
            }
            return hr;
        },
        steps);
    if (SUCCEEDED(replaced)) {
        if (RunWatcher* watcher = CurrentRunWatcher()) {
            watcher->FileWritten(nativePath);
        }
    }
    return replaced;
}

// ---- the COM objects ----

namespace {

std::string NameFrom(const OLECHAR* name) {
    return Utf8FromUtf16(std::u16string(name));
}

// Keeps the root storage alive while any of its parts is open.
class RootStorage;

class NodeStream final : public StreamBase {
  public:
    NodeStream(IStorage* root, std::shared_ptr<StreamNode> node, bool writable)
        : root(root), node(std::move(node)), writable(writable) {
        root->AddRef();
    }
    ~NodeStream() override { root->Release(); }

    HRESULT ReadBytes(void* pv, ULONG cb, ULONG& done) override {
        const std::uint64_t size = node->content.Size();
        const std::size_t count =
            position < size ? static_cast<std::size_t>(std::min<std::uint64_t>(cb, size - position))
                            : 0;
        if (!node->content.ReadAt(position, pv, count)) {
            return STG_E_READFAULT;
        }
        position += count;
        done = static_cast<ULONG>(count);
        return S_OK;
    }
    bool Writable() const override { return writable; }
    HRESULT WriteBytes(const void* pv, ULONG cb, ULONG& done) override {
        if (!node->content.WriteAt(position, pv, cb)) {
            return STG_E_MEDIUMFULL;
        }
        position += cb;
        done = cb;
        return S_OK;
    }

    std::uint64_t Position() const override { return position; }
    void MoveTo(std::uint64_t target) override { position = target; }
    HRESULT SizeOf(std::uint64_t& size) const override {
        size = node->content.Size();
        return S_OK;
    }
    HRESULT Resize(std::uint64_t size) override {
        return node->content.Resize(size) ? S_OK : STG_E_MEDIUMFULL;
    }

  private:
    IStorage* root;
    std::shared_ptr<StreamNode> node;
    bool writable;
    std::uint64_t position = 0;
};

class NodeStorage final : public Counted<IStorage> {
  public:
    // `nativePath` is the file of a root storage; empty for a storage inside it.
    NodeStorage(IStorage* root, std::shared_ptr<StorageNode> node, std::string nativePath)
        : root(root), node(std::move(node)), nativePath(std::move(nativePath)) {
        if (root != nullptr) {
            root->AddRef();
        }
    }
    ~NodeStorage() override {
        if (root != nullptr) {
            root->Release();
        }
    }

    HRESULT STDMETHODCALLTYPE CreateStream(const OLECHAR* pwcsName, DWORD grfMode, DWORD, DWORD,
                                           IStream** ppstm) override {
        HRESULT hr = EnterOperation("CreateStream", grfMode);
        if (FAILED(hr)) {
            return hr;
        }
        if (ppstm == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *ppstm = nullptr;
        std::string name;
        hr = NewElementName(pwcsName, grfMode, name);
        if (FAILED(hr)) {
            return hr;
        }
        node->storages.erase(name);
        auto stream = std::make_shared<StreamNode>();
        node->streams[name] = stream;
        *ppstm = new NodeStream(Root(), stream, true);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenStream(const OLECHAR* pwcsName, void*, DWORD grfMode, DWORD,
                                         IStream** ppstm) override {
        HRESULT hr = EnterOperation("OpenStream", grfMode);
        if (FAILED(hr)) {
            return hr;
        }
        if (pwcsName == nullptr || ppstm == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *ppstm = nullptr;
        auto it = node->streams.find(NameFrom(pwcsName));
        if (it == node->streams.end()) {
            return STG_E_FILENOTFOUND;
        }
        *ppstm = new NodeStream(Root(), it->second, (grfMode & (STGM_WRITE | STGM_READWRITE)) != 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CreateStorage(const OLECHAR* pwcsName, DWORD grfMode, DWORD, DWORD,
                                            IStorage** ppstg) override {
        HRESULT hr = EnterOperation("CreateStorage", grfMode);
        if (FAILED(hr)) {
            return hr;
        }
        if (ppstg == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *ppstg = nullptr;
        std::string name;
        hr = NewElementName(pwcsName, grfMode, name);
        if (FAILED(hr)) {
            return hr;
        }
        node->streams.erase(name);
        auto storage = std::make_shared<StorageNode>();
        node->storages[name] = storage;
        *ppstg = new NodeStorage(Root(), storage, std::string());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenStorage(const OLECHAR* pwcsName, IStorage*, DWORD grfMode, SNB,
                                          DWORD, IStorage** ppstg) override {
        HRESULT hr = EnterOperation("OpenStorage", grfMode);
        if (FAILED(hr)) {
            return hr;
        }
        if (pwcsName == nullptr || ppstg == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        *ppstg = nullptr;
        auto it = node->storages.find(NameFrom(pwcsName));
        if (it == node->storages.end()) {
            return STG_E_FILENOTFOUND;
        }
        *ppstg = new NodeStorage(Root(), it->second, std::string());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CopyTo(DWORD, const IID*, SNB, IStorage*) override {
        HRESULT hr = EnterOperation("CopyTo");
        return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE MoveElementTo(const OLECHAR*, IStorage*, const OLECHAR*,
                                            DWORD) override {
        HRESULT hr = EnterOperation("MoveElementTo");
        return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override {
        HRESULT hr = EnterOperation("Commit", grfCommitFlags);
        if (FAILED(hr)) {
            return hr;
        }
        // A storage inside the file shares the root's tree: its changes are the root's already.
        return nativePath.empty() ? S_OK : ReplaceWithCompoundFile(*node, nativePath);
    }
    HRESULT STDMETHODCALLTYPE Revert() override {
        HRESULT hr = EnterOperation("Revert");
        return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE EnumElements(DWORD, void*, DWORD, IEnumSTATSTG** ppenum) override {
        HRESULT hr = EnterOperation("EnumElements");
        if (ppenum != nullptr) {
            *ppenum = nullptr;
        }
        return FAILED(hr) ? hr : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DestroyElement(const OLECHAR* pwcsName) override {
        HRESULT hr = EnterOperation("DestroyElement");
        if (FAILED(hr)) {
            return hr;
        }
        if (pwcsName == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        const std::string name = NameFrom(pwcsName);
        return node->streams.erase(name) + node->storages.erase(name) > 0 ? S_OK
                                                                          : STG_E_FILENOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE RenameElement(const OLECHAR*, const OLECHAR*) override {
        HRESULT hr = EnterOperation("RenameElement");
        return FAILED(hr) ? hr : STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE SetElementTimes(const OLECHAR*, const FILETIME*, const FILETIME*,
                                              const FILETIME*) override {
        return EnterOperation("SetElementTimes");
    }
    HRESULT STDMETHODCALLTYPE SetClass(REFCLSID clsid) override {
        HRESULT hr = EnterOperation("SetClass");
        if (FAILED(hr)) {
            return hr;
        }
        std::memcpy(node->classId.data(), &clsid, sizeof(CLSID));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetStateBits(DWORD, DWORD) override {
        return EnterOperation("SetStateBits");
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
        pstatstg->type = STGTY_STORAGE;
        pstatstg->grfMode = STGM_READWRITE | STGM_TRANSACTED;
        std::memcpy(&pstatstg->clsid, node->classId.data(), sizeof(CLSID));
        return S_OK;
    }

    std::shared_ptr<StorageNode> Tree() const { return node; }

  protected:
    bool Answers(REFIID riid) const override { return AnyOf(riid, {&IID_IUnknown, &IID_IStorage}); }

  private:
    IStorage* Root() { return root != nullptr ? root : this; }
    // The name of a stream or storage to create here: given, valid, and free unless the
    // caller asked to replace what has it.
    HRESULT NewElementName(const OLECHAR* given, DWORD grfMode, std::string& name) const {
        if (given == nullptr) {
            return STG_E_INVALIDPOINTER;
        }
        name = NameFrom(given);
        if (!ValidName(name)) {
            return STG_E_INVALIDPARAMETER;
        }
        if (Exists(name) && (grfMode & STGM_CREATE) == 0) {
            return STG_E_FILEALREADYEXISTS;
        }
        return S_OK;
    }
    bool Exists(const std::string& name) const {
        return node->streams.count(name) > 0 || node->storages.count(name) > 0;
    }
    // The compound file format holds names of at most 31 characters, without these four.
    static bool ValidName(const std::string& name) {
        return !name.empty() && Utf16FromUtf8(name).size() <= 31 &&
               name.find_first_of("/\\:!") == std::string::npos;
    }

    IStorage* root;
    std::shared_ptr<StorageNode> node;
    std::string nativePath;
};

} // namespace

std::shared_ptr<StorageNode> TreeOf(IStorage* storage) {
    auto* ours = dynamic_cast<NodeStorage*>(storage);
    return ours != nullptr ? ours->Tree() : nullptr;
}

} // namespace embedded

HRESULT WINAPI StgCreateDocfile(const WCHAR* pwcsName, DWORD grfMode, DWORD, IStorage** ppstgOpen) {
    HRESULT hr = embedded::EnterOperation("StgCreateDocfile", grfMode);
    if (FAILED(hr)) {
        return hr;
    }
    if (ppstgOpen == nullptr) {
        return STG_E_INVALIDPOINTER;
    }
    *ppstgOpen = nullptr;
    if (pwcsName == nullptr || (grfMode & STGM_DELETEONRELEASE) != 0) {
        // Temporary compound files without a name are not needed here.
        return STG_E_INVALIDFUNCTION;
    }
    const std::optional<std::string> nativePath =
        embedded::ToNativePath(embedded::Utf8FromUtf16(std::u16string(pwcsName)));
    if (!nativePath) {
        return STG_E_FILENOTFOUND;
    }
    if ((grfMode & STGM_CREATE) == 0 && access(nativePath->c_str(), F_OK) == 0) {
        return STG_E_FILEALREADYEXISTS;
    }
    // The folder must exist and take new files, as the platform checks at creation.
    const std::string folder = embedded::FolderOf(*nativePath);
    if (access(folder.c_str(), W_OK) != 0) {
        return errno == ENOENT ? STG_E_FILENOTFOUND : STG_E_ACCESSDENIED;
    }
    *ppstgOpen =
        new embedded::NodeStorage(nullptr, std::make_shared<embedded::StorageNode>(), *nativePath);
    return S_OK;
}

HRESULT WINAPI WriteClassStg(IStorage* pStg, REFCLSID rclsid) {
    HRESULT hr = embedded::EnterOperation("WriteClassStg");
    if (FAILED(hr)) {
        return hr;
    }
    if (pStg == nullptr) {
        return E_INVALIDARG;
    }
    return pStg->SetClass(rclsid);
}
