// Deleting, moving and copying files by name.
#include "platform/embedded/files/durable_replace.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/embedded/files/native_files.h"
#include "platform/win32_files.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

BOOL FailWithErrno(const std::string& native) {
    return Fail(embedded::Win32CodeOfErrno(errno, native));
}

// Copies content, permissions and last write time; the destination is replaced unless
// `failIfExists`.
BOOL CopyNativeFile(const std::string& from, const std::string& to, bool failIfExists) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        return FailWithErrno(from);
    }
    struct stat status {};
    if (::fstat(in, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(in);
        return Fail(ERROR_ACCESS_DENIED);
    }
    struct stat existing {};
    if (::stat(to.c_str(), &existing) == 0) {
        if (failIfExists) {
            ::close(in);
            return Fail(ERROR_FILE_EXISTS);
        }
        if (S_ISDIR(existing.st_mode) || embedded::IsReadOnly(existing)) {
            ::close(in);
            return Fail(ERROR_ACCESS_DENIED);
        }
    }
    const int out =
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, status.st_mode & 07777);
    if (out < 0) {
        const BOOL result = FailWithErrno(to);
        ::close(in);
        return result;
    }
    std::vector<char> chunk(1 << 16);
    for (;;) {
        const ssize_t got = ::read(in, chunk.data(), chunk.size());
        if (got == 0) {
            break;
        }
        if (got < 0 || ::write(out, chunk.data(), static_cast<std::size_t>(got)) != got) {
            const BOOL result = FailWithErrno(to);
            ::close(in);
            ::close(out);
            return result;
        }
    }
    const timespec times[2] = {status.st_atim, status.st_mtim};
    ::futimens(out, times);
    ::close(in);
    if (::close(out) != 0) {
        return FailWithErrno(to);
    }
    if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
        watcher->FileWritten(to);
    }
    return TRUE;
}

BOOL Move(const char* operation, LPCSTR existing, LPCSTR destination, DWORD flags) {
    if (!embedded::EnterWin32Operation(operation, flags)) {
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    const auto from = embedded::NativePathOf(existing, error);
    if (!from) {
        return Fail(error);
    }
    const auto to = embedded::NativePathOf(destination, error);
    if (!to) {
        return Fail(error);
    }
    struct stat source {};
    if (::lstat(from->c_str(), &source) != 0) {
        return FailWithErrno(*from);
    }
    struct stat target {};
    if (::lstat(to->c_str(), &target) == 0 &&
        !(source.st_dev == target.st_dev && source.st_ino == target.st_ino)) {
        if ((flags & MOVEFILE_REPLACE_EXISTING) == 0) {
            return Fail(ERROR_ALREADY_EXISTS);
        }
        if (S_ISDIR(target.st_mode) || embedded::IsReadOnly(target)) {
            return Fail(ERROR_ACCESS_DENIED);
        }
    }
    if (::rename(from->c_str(), to->c_str()) == 0) {
        // Write-through returns once the move is on the disk: the folder's entry with it.
        if ((flags & MOVEFILE_WRITE_THROUGH) != 0 && !embedded::SyncFolderOf(*to)) {
            return FailWithErrno(*to);
        }
        if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
            watcher->FileMoved(*from, *to);
        }
        return TRUE;
    }
    if (errno == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) != 0 && !S_ISDIR(source.st_mode)) {
        if (!CopyNativeFile(*from, *to, false)) {
            return FALSE;
        }
        if (::unlink(from->c_str()) != 0) {
            return FailWithErrno(*from);
        }
        if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
            watcher->FileRemoved(*from);
        }
        return TRUE;
    }
    return FailWithErrno(*from);
}

} // namespace

BOOL WINAPI DeleteFileA(LPCSTR path) {
    if (!embedded::EnterWin32Operation("DeleteFileA")) {
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    const auto native = embedded::NativePathOf(path, error);
    if (!native) {
        return Fail(error);
    }
    struct stat status {};
    if (::lstat(native->c_str(), &status) != 0) {
        return FailWithErrno(*native);
    }
    // The platform deletes neither folders nor read-only files by this call.
    if (S_ISDIR(status.st_mode) || embedded::IsReadOnly(status)) {
        return Fail(ERROR_ACCESS_DENIED);
    }
    if (::unlink(native->c_str()) != 0) {
        return FailWithErrno(*native);
    }
    if (embedded::RunWatcher* watcher = embedded::CurrentRunWatcher()) {
        watcher->FileRemoved(*native);
    }
    return TRUE;
}

BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR destination) {
    return Move("MoveFileA", existing, destination, 0);
}

BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR destination, DWORD flags) {
    return Move("MoveFileExA", existing, destination, flags);
}

BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR destination, BOOL failIfExists) {
    if (!embedded::EnterWin32Operation("CopyFileA", failIfExists ? 1 : 0)) {
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    const auto from = embedded::NativePathOf(existing, error);
    if (!from) {
        return Fail(error);
    }
    const auto to = embedded::NativePathOf(destination, error);
    if (!to) {
        return Fail(error);
    }
    return CopyNativeFile(*from, *to, failIfExists != FALSE);
}
