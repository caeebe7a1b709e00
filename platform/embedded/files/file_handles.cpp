// Open files: a table of handles over native file descriptors, with the platform's open
// dispositions, access rights, sharing between handles of this process, and file times.
#include "platform/embedded/files/file_handles.h"
#include "platform/embedded/files/durable_replace.h"

#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/embedded/system/file_time_value.h"
#include "platform/embedded/files/native_files.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/win32_files.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct OpenFile {
    int descriptor;
    std::string nativePath;
    DWORD access;
    DWORD shareMode;
    dev_t device;
    ino_t inode;
    // A write that failed: the file is not the content asked for, so its close is no save.
    bool writeFailed = false;
};

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::map<HANDLE, OpenFile>& Table() {
    static std::map<HANDLE, OpenFile> table;
    return table;
}

bool Reads(DWORD access) {
    return (access & GENERIC_READ) != 0;
}
bool Writes(DWORD access) {
    return (access & GENERIC_WRITE) != 0;
}

// Two opens of one file agree when each allows what the other does with the content.
bool SharingAllows(const OpenFile& open, DWORD access, DWORD shareMode) {
    return !((Reads(access) && (open.shareMode & FILE_SHARE_READ) == 0) ||
             (Writes(access) && (open.shareMode & FILE_SHARE_WRITE) == 0) ||
             (Reads(open.access) && (shareMode & FILE_SHARE_READ) == 0) ||
             (Writes(open.access) && (shareMode & FILE_SHARE_WRITE) == 0));
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

// A copy of the entry, so that no lock is held across native calls.
bool Find(HANDLE handle, OpenFile& out) {
    std::lock_guard guard(TableLock());
    auto found = Table().find(handle);
    if (found == Table().end()) {
        return false;
    }
    out = found->second;
    return true;
}

HANDLE FailOpen(DWORD code) {
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

} // namespace

void embedded::MarkWriteFailed(HANDLE file) {
    std::lock_guard guard(TableLock());
    if (auto found = Table().find(file); found != Table().end()) {
        found->second.writeFailed = true;
    }
}

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD flagsAndAttributes, HANDLE templateFile) {
    (void)security;
    (void)templateFile;
    // The call log carries the open mode: access in the high 32 bits, the disposition in bits
    // 8 to 15, the share mode in the low byte.
    HRESULT hr = embedded::EnterOperation(
        "CreateFileA", (static_cast<std::uint64_t>(access) << 32) | (disposition << 8) | shareMode);
    if (FAILED(hr)) {
        return FailOpen(embedded::Win32CodeOf(hr));
    }
    return embedded::OpenFileHandle(path, access, shareMode, disposition, flagsAndAttributes);
}

HANDLE embedded::OpenFileHandle(LPCSTR path, DWORD access, DWORD shareMode, DWORD disposition,
                                DWORD flagsAndAttributes) {
    DWORD error = ERROR_SUCCESS;
    const auto native = embedded::NativePathOf(path, error);
    if (!native) {
        return FailOpen(error);
    }
    struct stat before {};
    const bool existed = ::stat(native->c_str(), &before) == 0;
    if (existed && S_ISDIR(before.st_mode)) {
        embedded::NoteFailedCall("CreateFileA", *native, EISDIR);
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    int openFlags = O_CLOEXEC;
    switch (disposition) {
    case CREATE_NEW:
        if (existed) {
            return FailOpen(ERROR_FILE_EXISTS);
        }
        openFlags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        openFlags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        openFlags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        if (!Writes(access)) {
            return FailOpen(ERROR_INVALID_PARAMETER);
        }
        openFlags |= O_TRUNC;
        break;
    default:
        return FailOpen(ERROR_INVALID_PARAMETER);
    }
    const bool changesContent = Writes(access) || (openFlags & O_TRUNC) != 0;
    if (existed && changesContent && embedded::IsReadOnly(before)) {
        embedded::NoteFailedCall("CreateFileA", *native, EACCES);
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    if (existed) {
        std::lock_guard guard(TableLock());
        for (const auto& [handle, open] : Table()) {
            if (open.device == before.st_dev && open.inode == before.st_ino &&
                !SharingAllows(open, access, shareMode)) {
                return FailOpen(ERROR_SHARING_VIOLATION);
            }
        }
    }
    openFlags |= Reads(access) && Writes(access) ? O_RDWR : (Writes(access) ? O_WRONLY : O_RDONLY);
    // What is written or created here is the file at the name, never a link's target elsewhere.
    if (changesContent || (openFlags & O_CREAT) != 0) {
        openFlags |= O_NOFOLLOW;
    }
    const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;
    const int descriptor = ::open(native->c_str(), openFlags, mode);
    if (descriptor < 0) {
        const int error = errno;
        embedded::NoteFailedCall("CreateFileA", *native, error);
        return FailOpen(error == ELOOP ? ERROR_ACCESS_DENIED
                                       : embedded::Win32CodeOfErrno(error, *native));
    }
    if (!existed) {
        embedded::NoteNameAdded(*native);
    }
    struct stat status {};
    ::fstat(descriptor, &status);
    HANDLE handle = embedded::NewHandleValue();
    {
        std::lock_guard guard(TableLock());
        Table()[handle] =
            OpenFile{descriptor, *native, access, shareMode, status.st_dev, status.st_ino};
    }
    // Opening what was already there is reported, as the platform does, through the last error.
    const bool reportsExisting = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                     LPOVERLAPPED overlapped) {
    HRESULT hr = embedded::EnterOperation("ReadFile", toRead);
    if (FAILED(hr)) {
        if (read != nullptr) {
            *read = 0;
        }
        return Fail(embedded::Win32CodeOf(hr));
    }
    return embedded::ReadFileHandle(file, buffer, toRead, read, overlapped);
}

BOOL embedded::ReadFileHandle(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                              LPOVERLAPPED overlapped) {
    if (read != nullptr) {
        *read = 0;
    }
    OpenFile open{};
    if (!Find(file, open)) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (overlapped != nullptr || (buffer == nullptr && toRead > 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!Reads(open.access)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    DWORD total = 0;
    while (total < toRead) {
        const ssize_t got =
            ::read(open.descriptor, static_cast<char*>(buffer) + total, toRead - total);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return Fail(embedded::Win32CodeOfErrno(errno, open.nativePath));
        }
        if (got == 0) {
            break; // end of file: success with fewer bytes
        }
        total += static_cast<DWORD>(got);
    }
    if (read != nullptr) {
        *read = total;
    }
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                      LPOVERLAPPED overlapped) {
    HRESULT hr = embedded::EnterOperation("WriteFile", toWrite);
    if (FAILED(hr)) {
        if (written != nullptr) {
            *written = 0;
        }
        embedded::MarkWriteFailed(file);
        return Fail(embedded::Win32CodeOf(hr));
    }
    return embedded::WriteFileHandle(file, buffer, toWrite, written, overlapped);
}

BOOL embedded::WriteFileHandle(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                               LPOVERLAPPED overlapped) {
    if (written != nullptr) {
        *written = 0;
    }
    OpenFile open{};
    if (!Find(file, open)) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (overlapped != nullptr || (buffer == nullptr && toWrite > 0)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!Writes(open.access)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    DWORD total = 0;
    while (total < toWrite) {
        const ssize_t put =
            ::write(open.descriptor, static_cast<const char*>(buffer) + total, toWrite - total);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            const int error = errno;
            if (written != nullptr) {
                *written = total;
            }
            embedded::MarkWriteFailed(file);
            embedded::NoteFailedCall("WriteFile", open.nativePath, error);
            return Fail(embedded::Win32CodeOfErrno(error, open.nativePath));
        }
        total += static_cast<DWORD>(put);
    }
    if (written != nullptr) {
        *written = total;
    }
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method) {
    HRESULT hr = embedded::EnterOperation("SetFilePointer", method);
    if (FAILED(hr)) {
        SetLastError(embedded::Win32CodeOf(hr));
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit value; with one, the two halves
    // form a signed 64-bit value.
    const std::int64_t offset =
        distanceHigh == nullptr
            ? distance
            : static_cast<std::int64_t>(
                  (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distanceHigh)) << 32) |
                  static_cast<std::uint32_t>(distance));
    const std::optional<std::uint64_t> position = embedded::SeekFileHandle(file, offset, method);
    if (!position) {
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(*position >> 32);
    }
    SetLastError(ERROR_SUCCESS); // the low part may look like the failure value
    return static_cast<DWORD>(*position & 0xFFFFFFFFu);
}

std::optional<std::uint64_t> embedded::SeekFileHandle(HANDLE file, std::int64_t offset,
                                                      DWORD method) {
    OpenFile open{};
    if (!Find(file, open)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return std::nullopt;
    }
    if (method > FILE_END) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    const off_t current = ::lseek(open.descriptor, 0, SEEK_CUR);
    const off_t end = ::lseek(open.descriptor, 0, SEEK_END);
    const off_t base = method == FILE_BEGIN ? 0 : (method == FILE_CURRENT ? current : end);
    if (base + offset < 0) {
        ::lseek(open.descriptor, current, SEEK_SET);
        SetLastError(ERROR_NEGATIVE_SEEK);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(::lseek(open.descriptor, base + offset, SEEK_SET));
}

DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    HRESULT hr = embedded::EnterOperation("GetFileSize");
    if (FAILED(hr)) {
        SetLastError(embedded::Win32CodeOf(hr));
        return INVALID_FILE_SIZE;
    }
    OpenFile open{};
    struct stat status {};
    if (!Find(file, open) || ::fstat(open.descriptor, &status) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (sizeHigh != nullptr) {
        *sizeHigh = static_cast<DWORD>(size >> 32);
    }
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL WINAPI CloseHandle(HANDLE object) {
    HRESULT hr = embedded::EnterOperation("CloseHandle");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    return embedded::CloseFileHandle(object);
}

BOOL WINAPI FlushFileBuffers(HANDLE file) {
    HRESULT hr = embedded::EnterOperation("FlushFileBuffers");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    OpenFile open{};
    if (!Find(file, open)) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (!Writes(open.access)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    // The platform's flush leaves the file's data and its entry in the folder on the disk; the
    // native needs the folder synced for the second.
    if (::fsync(open.descriptor) != 0 || !embedded::SyncFolderOf(open.nativePath)) {
        return Fail(embedded::Win32CodeOfErrno(errno, open.nativePath));
    }
    return TRUE;
}

BOOL embedded::CloseFileHandle(HANDLE object) {
    OpenFile open{};
    {
        std::lock_guard guard(TableLock());
        auto found = Table().find(object);
        if (found == Table().end()) {
            return Fail(ERROR_INVALID_HANDLE);
        }
        open = found->second;
        Table().erase(found);
    }
    if (::close(open.descriptor) != 0) {
        embedded::NoteFailedCall("CloseHandle", open.nativePath, errno);
        return Fail(ERROR_GEN_FAILURE);
    }
    if (Writes(open.access) && !open.writeFailed) {
        if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
            watcher->FileWritten(open.nativePath);
        }
    }
    return TRUE;
}

// The last access and last write times are the file system's own; the creation time, which it
// cannot set, is kept in an extended attribute. A file system without extended attributes
// keeps no creation time: the call still sets the other two and succeeds, as the platform
// does on file systems that record fewer times.
BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                        const FILETIME* lastWriteTime) {
    HRESULT hr = embedded::EnterOperation("SetFileTime");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    OpenFile open{};
    if (!Find(file, open)) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if ((open.access & (GENERIC_WRITE | FILE_WRITE_ATTRIBUTES)) == 0) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (lastAccessTime != nullptr) {
        times[0] = embedded::TimespecOf(*lastAccessTime);
    }
    if (lastWriteTime != nullptr) {
        times[1] = embedded::TimespecOf(*lastWriteTime);
    }
    if ((lastAccessTime != nullptr || lastWriteTime != nullptr) &&
        ::utimensat(AT_FDCWD, open.nativePath.c_str(), times, 0) != 0) {
        return Fail(embedded::Win32CodeOfErrno(errno, open.nativePath));
    }
    if (creationTime != nullptr && !embedded::KeepCreationTime(open.nativePath, *creationTime) &&
        errno != ENOTSUP) {
        return Fail(embedded::Win32CodeOfErrno(errno, open.nativePath));
    }
    return TRUE;
}

BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                        LPFILETIME lastWriteTime) {
    HRESULT hr = embedded::EnterOperation("GetFileTime");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    OpenFile open{};
    struct stat status {};
    if (!Find(file, open) || ::fstat(open.descriptor, &status) != 0) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (creationTime != nullptr) {
        *creationTime = embedded::CreationTimeOf(open.nativePath, status);
    }
    if (lastAccessTime != nullptr) {
        *lastAccessTime = embedded::FileTimeOf(status.st_atim);
    }
    if (lastWriteTime != nullptr) {
        *lastWriteTime = embedded::FileTimeOf(status.st_mtim);
    }
    return TRUE;
}
