#include "platform/embedded/storage/compound_file_rewrite.h"

#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/storage/compound_file.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/ole_storage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace embedded {
namespace {

constexpr std::size_t kCopyChunk = 64 * 1024;
// Far deeper than any real file; a directory that nests beyond it is damaged.
constexpr int kMaxDepth = 64;

// The sector size of the file as it is, so that the copy keeps it (512 or 4096).
unsigned SectorSizeOf(const std::string& nativePath) {
    unsigned size = 512;
    const int fd = ::open(nativePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return size;
    }
    unsigned char shift[2];
    if (::pread(fd, shift, sizeof shift, 30) == 2 && shift[0] == 12 && shift[1] == 0) {
        size = 4096;
    }
    ::close(fd);
    return size;
}

class TreeCopy {
  public:
    TreeCopy(CompoundWriter& writer, const std::string& streamName,
             std::span<const std::uint8_t> bytes)
        : writer(writer), streamName(streamName), bytes(bytes) {}

    HRESULT CopyRoot(const CompoundStorageReader& root) {
        HRESULT hr = CopyStorage(root, 0);
        if (SUCCEEDED(hr) && !replaced) {
            hr = WriteReplacement();
        }
        return hr;
    }

  private:
    HRESULT CopyStorage(const CompoundStorageReader& storage, int depth) {
        if (depth > kMaxDepth) {
            return STG_E_DOCFILECORRUPT;
        }
        if (!writer.SetClassId(storage.GetClassId())) {
            return STG_E_WRITEFAULT;
        }
        const std::vector<CompoundEntry> entries = storage.Entries();
        if (entries.size() != storage.ChildCount()) {
            return STG_E_DOCFILECORRUPT;
        }
        for (const CompoundEntry& entry : entries) {
            HRESULT hr = S_OK;
            if (depth == 0 && entry.name == streamName) {
                hr = WriteReplacement();
            } else if (entry.isStorage) {
                hr = CopyChildStorage(storage, entry.name, depth);
            } else {
                hr = CopyStream(storage, entry.name);
            }
            if (FAILED(hr)) {
                return hr;
            }
        }
        return S_OK;
    }

    HRESULT CopyChildStorage(const CompoundStorageReader& parent, const std::string& name,
                             int depth) {
        auto child = parent.OpenStorage(name);
        if (!child) {
            return STG_E_DOCFILECORRUPT;
        }
        if (!writer.BeginStorage(name)) {
            return STG_E_WRITEFAULT;
        }
        HRESULT hr = CopyStorage(*child, depth + 1);
        if (FAILED(hr)) {
            return hr;
        }
        return writer.EndStorage() ? S_OK : STG_E_WRITEFAULT;
    }

    HRESULT CopyStream(const CompoundStorageReader& parent, const std::string& name) {
        auto stream = parent.OpenStream(name);
        if (!stream) {
            return STG_E_DOCFILECORRUPT;
        }
        HRESULT hr = BeginStream(name);
        if (FAILED(hr)) {
            return hr;
        }
        std::vector<std::uint8_t> chunk(kCopyChunk);
        const std::uint64_t size = stream->Size();
        for (std::uint64_t at = 0; at < size;) {
            const auto count =
                static_cast<std::size_t>(std::min<std::uint64_t>(kCopyChunk, size - at));
            // The reader cannot tell a sector chain that leaves the file from a failing disk;
            // the first is what happens.
            if (!stream->ReadAt(at, chunk.data(), count)) {
                return STG_E_DOCFILECORRUPT;
            }
            if (!writer.Write(chunk.data(), count)) {
                return STG_E_WRITEFAULT;
            }
            at += count;
        }
        return writer.EndStream() ? S_OK : STG_E_WRITEFAULT;
    }

    HRESULT WriteReplacement() {
        replaced = true;
        HRESULT hr = BeginStream(streamName);
        if (FAILED(hr)) {
            return hr;
        }
        if (!writer.Write(bytes.data(), bytes.size()) || !writer.EndStream()) {
            return STG_E_WRITEFAULT;
        }
        return S_OK;
    }

    HRESULT BeginStream(const std::string& name) {
        HRESULT hr = EnterOperation(kCompoundCopyStep, ++streamsWritten);
        if (FAILED(hr)) {
            return hr;
        }
        return writer.BeginStream(name) ? S_OK : STG_E_WRITEFAULT;
    }

    CompoundWriter& writer;
    const std::string& streamName;
    std::span<const std::uint8_t> bytes;
    bool replaced = false;
    std::uint64_t streamsWritten = 0;
};

} // namespace

HRESULT StorageResultOfErrno(int error) {
    switch (error) {
    case ENOENT:
        return STG_E_FILENOTFOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return STG_E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT:
        return STG_E_MEDIUMFULL;
    case ENOMEM:
        return STG_E_INSUFFICIENTMEMORY;
    default:
        return STG_E_WRITEFAULT;
    }
}

HRESULT ReplaceRootStream(const std::string& nativePath, const std::string& streamName,
                          std::span<const std::uint8_t> bytes) {
    if (!IdentityOfFile(nativePath)) {
        struct stat status {};
        return ::lstat(nativePath.c_str(), &status) != 0 ? StorageResultOfErrno(errno)
                                                         : STG_E_ACCESSDENIED;
    }
    auto root = CompoundStorageReader::OpenFile(nativePath);
    if (!root) {
        return STG_E_DOCFILECORRUPT;
    }
    const unsigned sectorSize = SectorSizeOf(nativePath);
    ReplaceSteps steps;
    steps.rename = kCompoundRenameStep;
    steps.resultOfErrno = StorageResultOfErrno;
    const HRESULT replaced = ReplaceFileDurably(
        nativePath,
        [&](const std::string& temporary) {
            HRESULT hr = S_OK;
            auto writer = CompoundWriter::Create(temporary, sectorSize);
            if (!writer) {
                return STG_E_WRITEFAULT;
            }
            hr = TreeCopy(*writer, streamName, bytes).CopyRoot(*root);
            if (SUCCEEDED(hr) && !writer->Close()) {
                hr = STG_E_WRITEFAULT;
            }
            root.reset();
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

} // namespace embedded
