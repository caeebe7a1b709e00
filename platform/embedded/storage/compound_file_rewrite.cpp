#include "platform/embedded/storage/compound_file_rewrite.h"

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

void SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The old file's extended attributes go with it: a file manager's tags, an origin mark.
void CopyAttributes(const std::string& from, const std::string& to) {
    ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
    if (size <= 0) {
        return;
    }
    std::vector<char> names(static_cast<std::size_t>(size));
    size = ::listxattr(from.c_str(), names.data(), names.size());
    for (const char* name = names.data(); size > 0 && name < names.data() + size;
         name += std::strlen(name) + 1) {
        ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
        if (length < 0) {
            continue;
        }
        std::vector<char> value(static_cast<std::size_t>(length));
        length = ::getxattr(from.c_str(), name, value.data(), value.size());
        if (length >= 0) {
            // Some (security ones) only the system may set; the rest still go.
            ::setxattr(to.c_str(), name, value.data(), static_cast<std::size_t>(length), 0);
        }
    }
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

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
    struct stat original {};
    if (::stat(nativePath.c_str(), &original) != 0) {
        return StorageResultOfErrno(errno);
    }
    auto root = CompoundStorageReader::OpenFile(nativePath);
    if (!root) {
        return STG_E_DOCFILECORRUPT;
    }
    const auto slash = nativePath.rfind('/');
    std::string temporary = FolderOf(nativePath) + "/." +
                            nativePath.substr(slash == std::string::npos ? 0 : slash + 1) +
                            ".XXXXXX";
    const int reserved = ::mkstemp(temporary.data());
    if (reserved < 0) {
        return StorageResultOfErrno(errno);
    }
    ::close(reserved);

    HRESULT hr = S_OK;
    {
        auto writer = CompoundWriter::Create(temporary, SectorSizeOf(nativePath));
        if (!writer) {
            hr = STG_E_WRITEFAULT;
        } else {
            hr = TreeCopy(*writer, streamName, bytes).CopyRoot(*root);
            if (SUCCEEDED(hr) && !writer->Close()) {
                hr = STG_E_WRITEFAULT;
            }
        }
    }
    root.reset();
    if (SUCCEEDED(hr)) {
        // The new file takes the old one's access rights and, where allowed, its owner.
        if (::chmod(temporary.c_str(), original.st_mode & 07777) != 0) {
            hr = StorageResultOfErrno(errno);
        } else if (::chown(temporary.c_str(), original.st_uid, original.st_gid) != 0) {
            // Only the owner's own files can be given away; the file stays the writer's.
        }
    }
    if (SUCCEEDED(hr)) {
        CopyAttributes(nativePath, temporary);
        SyncPath(temporary, O_RDONLY);
        hr = EnterOperation(kCompoundRenameStep);
    }
    if (SUCCEEDED(hr) && ::rename(temporary.c_str(), nativePath.c_str()) != 0) {
        hr = StorageResultOfErrno(errno);
    }
    if (FAILED(hr)) {
        ::unlink(temporary.c_str());
        return hr;
    }
    SyncPath(FolderOf(nativePath), O_RDONLY | O_DIRECTORY);
    if (RunWatcher* watcher = CurrentRunWatcher()) {
        watcher->FileWritten(nativePath);
    }
    return S_OK;
}

} // namespace embedded
