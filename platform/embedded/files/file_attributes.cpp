// Attributes of a file or folder by name.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_files.h"
#include "platform/win32_files.h"

#include <cerrno>
#include <sys/stat.h>

DWORD WINAPI GetFileAttributesA(LPCSTR path) {
    HRESULT hr = embedded::EnterOperation("GetFileAttributesA");
    if (FAILED(hr)) {
        SetLastError(embedded::Win32CodeOf(hr));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD error = ERROR_SUCCESS;
    const auto native = embedded::NativePathOf(path, error);
    if (!native) {
        SetLastError(error);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat status {};
    if (::lstat(native->c_str(), &status) != 0) {
        SetLastError(embedded::Win32CodeOfErrno(errno, *native));
        return INVALID_FILE_ATTRIBUTES;
    }
    // A symbolic link shows as the platform shows one: a reparse point with its target's
    // attributes, and one whose target is missing still exists.
    if (S_ISLNK(status.st_mode)) {
        struct stat target {};
        return FILE_ATTRIBUTE_REPARSE_POINT |
               (::stat(native->c_str(), &target) == 0 ? embedded::AttributesOf(target) : 0);
    }
    return embedded::AttributesOf(status);
}
