#include "platform/embedded/files/durable_replace.h"

#include "platform/embedded/files/native_paths.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/mapi_types.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace embedded {
namespace {

// ".<name>.filvex-<process>-XXXXXX": hidden, ours, and telling which process made it.
constexpr char kTemporaryMark[] = ".filvex-";

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SyncPath(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return synced;
}

bool SyncFolder(const std::string& folder) {
    return SyncPath(folder, O_RDONLY | O_DIRECTORY);
}

// A file manager's tags, an origin mark, the creation time kept beside the file.
void CopyExtendedAttributes(const std::string& from, int to) {
    ssize_t size = ::llistxattr(from.c_str(), nullptr, 0);
    if (size <= 0) {
        return;
    }
    std::vector<char> names(static_cast<std::size_t>(size));
    size = ::llistxattr(from.c_str(), names.data(), names.size());
    for (const char* name = names.data(); size > 0 && name < names.data() + size;
         name += std::strlen(name) + 1) {
        ssize_t length = ::lgetxattr(from.c_str(), name, nullptr, 0);
        if (length < 0) {
            continue;
        }
        std::vector<char> value(static_cast<std::size_t>(length));
        length = ::lgetxattr(from.c_str(), name, value.data(), value.size());
        if (length >= 0) {
            // Some (security ones) only the system may set; the rest still go.
            ::fsetxattr(to, name, value.data(), static_cast<std::size_t>(length), 0);
        }
    }
}

// The old file's rights, owner and attributes, else those of any new file.
void TakeOverRights(const std::string& nativePath, int temporary) {
    struct stat old {};
    if (::lstat(nativePath.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(temporary, old.st_mode & 07777);
        // Only the owner's own files can be given away; the file stays the writer's.
        if (::fchown(temporary, old.st_uid, old.st_gid) != 0) {
        }
        CopyExtendedAttributes(nativePath, temporary);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(temporary, 0666 & ~mask);
}

// The process that made a temporary file, from its name; nothing for a name that is not ours.
std::optional<pid_t> MakerOf(const std::string& name) {
    if (name.empty() || name[0] != '.') {
        return std::nullopt;
    }
    const std::size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string::npos) {
        return std::nullopt;
    }
    const char* digits = name.c_str() + mark + std::strlen(kTemporaryMark);
    char* end = nullptr;
    const long process = std::strtol(digits, &end, 10);
    if (end == digits || process <= 0 || *end != '-' || std::strlen(end + 1) != 6) {
        return std::nullopt;
    }
    return static_cast<pid_t>(process);
}

} // namespace

std::optional<FileIdentity> IdentityOfFile(const std::string& nativePath) {
    struct stat info {};
    if (::lstat(nativePath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return FileIdentity{
        info.st_dev, info.st_ino, info.st_size,
        static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec,
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

HRESULT ReplaceFileDurably(const std::string& nativePath,
                           const std::function<HRESULT(const std::string& temporary)>& write,
                           const ReplaceSteps& steps) {
    const auto failure = [&](int error) {
        return steps.resultOfErrno ? steps.resultOfErrno(error) : E_FAIL;
    };
    const std::string folder = FolderOf(nativePath);
    std::string temporary = folder + "/." + NameOf(nativePath) + kTemporaryMark +
                            std::to_string(::getpid()) + "-XXXXXX";
    const int descriptor = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (descriptor < 0) {
        return failure(errno);
    }
    ::close(descriptor);

    HRESULT hr = write(temporary);
    if (SUCCEEDED(hr)) {
        hr = EnterOperation(kReplaceSyncStep);
    }
    // A writer may have put a file of its own at the temporary name: the rights go to the file
    // that is there now.
    if (SUCCEEDED(hr)) {
        const int written = ::open(temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (written < 0) {
            hr = failure(errno);
        } else {
            TakeOverRights(nativePath, written);
            if (::fsync(written) != 0) {
                hr = failure(errno);
            }
            ::close(written);
        }
    }
    if (SUCCEEDED(hr)) {
        hr = EnterOperation(steps.rename);
    }
    // As late as it can be: another program's file, put there while this one was being written,
    // is not overwritten with what was read before it came.
    if (SUCCEEDED(hr) && steps.expected && IdentityOfFile(nativePath) != steps.expected) {
        hr = MAPI_E_OBJECT_CHANGED;
    }
    if (SUCCEEDED(hr) && ::rename(temporary.c_str(), nativePath.c_str()) != 0) {
        hr = failure(errno);
    }
    if (FAILED(hr)) {
        ::unlink(temporary.c_str());
        return hr;
    }
    NoteNameAdded(nativePath);
    // The rename is the moment the old file goes; until the folder is on disk it may come back.
    hr = EnterOperation(kReplaceFolderSyncStep);
    if (SUCCEEDED(hr) && !SyncFolder(folder)) {
        hr = failure(errno);
    }
    return hr;
}

void RemoveStaleReplacements(const std::string& nativeFolder) {
    DIR* listing = ::opendir(nativeFolder.c_str());
    if (listing == nullptr) {
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(listing)) {
        const std::optional<pid_t> maker = MakerOf(entry->d_name);
        // A process that is gone (or never ran here) left it; a living one is still writing.
        if (maker && ::kill(*maker, 0) != 0 && errno == ESRCH) {
            stale.emplace_back(entry->d_name);
        }
    }
    ::closedir(listing);
    for (const std::string& name : stale) {
        const std::string path = nativeFolder + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            ::unlink(path.c_str());
        }
    }
}

bool SyncFolderOf(const std::string& nativePath) {
    return SyncFolder(FolderOf(nativePath));
}

bool SyncFileAndName(const std::string& nativePath) {
    return SyncPath(nativePath, O_RDONLY) && SyncFolder(FolderOf(nativePath));
}

} // namespace embedded
