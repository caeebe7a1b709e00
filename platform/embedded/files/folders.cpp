// Creating and removing one folder.
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/trace/run_watch.h"
#include "platform/embedded/files/native_files.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/win32_files.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

} // namespace

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security) {
    (void)security;
    if (!embedded::EnterWin32Operation("CreateDirectoryA")) {
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    const auto native = embedded::NativePathOf(path, error);
    if (!native) {
        return Fail(error);
    }
    if (::mkdir(native->c_str(), 0777) != 0) {
        const int cause = errno;
        if (cause != EEXIST) {
            embedded::NoteFailedCall("CreateDirectoryA", *native, cause);
        }
        // Anything at that name, file or folder, is in the way; a missing parent is a path
        // that was not found.
        return Fail(cause == ENOENT ? ERROR_PATH_NOT_FOUND
                                    : embedded::Win32CodeOfErrno(cause, *native));
    }
    embedded::NoteNameAdded(*native);
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
    if (!embedded::EnterWin32Operation("RemoveDirectoryA")) {
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    const auto native = embedded::NativePathOf(path, error);
    if (!native) {
        return Fail(error);
    }
    if (::rmdir(native->c_str()) != 0) {
        const int cause = errno;
        return Fail(cause == ENOTDIR && access(native->c_str(), F_OK) == 0
                        ? ERROR_DIRECTORY
                        : embedded::Win32CodeOfErrno(cause, *native));
    }
    return TRUE;
}
