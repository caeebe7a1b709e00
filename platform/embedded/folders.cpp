// Creating and removing one folder.
#include "platform/embedded/win32_entry.h"
#include "platform/embedded/fault_injection.h"
#include "platform/embedded/host_files.h"
#include "platform/embedded/host_paths.h"
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
    const auto host = embedded::HostPathOf(path, error);
    if (!host) {
        return Fail(error);
    }
    if (::mkdir(host->c_str(), 0777) != 0) {
        const int cause = errno;
        // Anything at that name, file or folder, is in the way; a missing parent is a path
        // that was not found.
        return Fail(cause == ENOENT ? ERROR_PATH_NOT_FOUND
                                    : embedded::Win32CodeOfErrno(cause, *host));
    }
    embedded::NoteNameAdded(*host);
    return TRUE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR path) {
    if (!embedded::EnterWin32Operation("RemoveDirectoryA")) {
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    const auto host = embedded::HostPathOf(path, error);
    if (!host) {
        return Fail(error);
    }
    if (::rmdir(host->c_str()) != 0) {
        const int cause = errno;
        return Fail(cause == ENOTDIR && access(host->c_str(), F_OK) == 0
                        ? ERROR_DIRECTORY
                        : embedded::Win32CodeOfErrno(cause, *host));
    }
    return TRUE;
}
