// What the file calls of the embedded platform share: Windows paths checked and turned into
// native paths, native errors turned into the platform's codes, and the file times the native file
// system has.
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>
#include <sys/stat.h>

namespace embedded {

// The native path of a Windows path, or nothing with `error` set: ERROR_INVALID_NAME for a
// character the platform forbids in a name (wildcards allowed in the last element only when
// asked), ERROR_PATH_NOT_FOUND for a path on no mapped drive.
std::optional<std::string> NativePathOf(const char* windowsPath, DWORD& error,
                                        bool wildcardsInLastElement = false);

// The platform's code for a native errno. For ENOENT it tells a missing last element
// (ERROR_FILE_NOT_FOUND) from a missing or non-folder element on the way
// (ERROR_PATH_NOT_FOUND).
DWORD Win32CodeOfErrno(int error, const std::string& nativePath);

// Whether the native file system calls the file read-only for its owner, which the platform shows
// as FILE_ATTRIBUTE_READONLY and honours even for a user who could write anyway.
inline bool IsReadOnly(const struct stat& status) {
    return (status.st_mode & S_IWUSR) == 0;
}

DWORD AttributesOf(const struct stat& status);

// The creation time: the one kept beside the file by SetFileTime, else the native birth time,
// else the last write time.
FILETIME CreationTimeOf(const std::string& nativePath, const struct stat& status);
// Keeps the creation time beside the file; false with errno set when that is not possible.
bool KeepCreationTime(const std::string& nativePath, const FILETIME& time);

// A new value for an open object of any kind (file, search, registry key), never the same
// twice in a process and never one of the platform's reserved values.
void* NewHandleValue();

} // namespace embedded
