#include "platform/embedded/files/native_files.h"

#include "platform/embedded/system/file_time_value.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/win32_files.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace embedded {
namespace {

constexpr const char* CreationTimeAttribute = "user.filvex.creation_time";

bool IsForbiddenNameChar(unsigned char c, bool wildcardsAllowed) {
    if (c < 32) {
        return true;
    }
    if (wildcardsAllowed && (c == '*' || c == '?')) {
        return false;
    }
    return std::strchr("<>:\"|?*", c) != nullptr;
}

bool IsFolder(const std::string& nativePath) {
    struct stat status {};
    return ::stat(nativePath.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

} // namespace

std::optional<std::string> NativePathOf(const char* windowsPath, DWORD& error,
                                        bool wildcardsInLastElement) {
    if (windowsPath == nullptr || *windowsPath == '\0') {
        error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    std::string_view rest(windowsPath);
    if (rest.size() >= 2 && rest[1] == ':') {
        rest.remove_prefix(2);
    }
    std::size_t lastSeparator = rest.find_last_of("\\/");
    const std::size_t lastStart = lastSeparator == std::string_view::npos ? 0 : lastSeparator + 1;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (IsForbiddenNameChar(static_cast<unsigned char>(rest[i]),
                                wildcardsInLastElement && i >= lastStart)) {
            error = ERROR_INVALID_NAME;
            return std::nullopt;
        }
    }
    std::optional<std::string> native = ToNativePath(windowsPath);
    if (!native) {
        error = ERROR_PATH_NOT_FOUND;
    }
    return native;
}

DWORD Win32CodeOfErrno(int error, const std::string& nativePath) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT: {
        std::string parent = nativePath;
        while (parent.size() > 1 && parent.back() == '/') {
            parent.pop_back();
        }
        const std::size_t slash = parent.find_last_of('/');
        parent = slash == 0 ? "/" : parent.substr(0, slash == std::string::npos ? 0 : slash);
        return parent.empty() || IsFolder(parent) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR:
    case ELOOP:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_GEN_FAILURE;
    }
}

DWORD AttributesOf(const struct stat& status) {
    if (S_ISDIR(status.st_mode)) {
        return FILE_ATTRIBUTE_DIRECTORY;
    }
    // Files written on the platform carry the archive mark until a backup clears it; the
    // native keeps no such mark, so every file shows it.
    return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnly(status) ? FILE_ATTRIBUTE_READONLY : 0);
}

FILETIME CreationTimeOf(const std::string& nativePath, const struct stat& status) {
    char text[32] = {};
    const ssize_t length =
        ::getxattr(nativePath.c_str(), CreationTimeAttribute, text, sizeof text - 1);
    if (length > 0) {
        char* end = nullptr;
        const unsigned long long ticks = std::strtoull(text, &end, 10);
        if (end == text + length) {
            return FileTimeOf(static_cast<std::uint64_t>(ticks));
        }
    }
    struct statx birth {};
    if (::statx(AT_FDCWD, nativePath.c_str(), 0, STATX_BTIME, &birth) == 0 &&
        (birth.stx_mask & STATX_BTIME) != 0) {
        timespec when{};
        when.tv_sec = birth.stx_btime.tv_sec;
        when.tv_nsec = birth.stx_btime.tv_nsec;
        return FileTimeOf(when);
    }
    return FileTimeOf(status.st_mtim);
}

bool KeepCreationTime(const std::string& nativePath, const FILETIME& time) {
    const std::string text = std::to_string(TicksOf(time));
    return ::setxattr(nativePath.c_str(), CreationTimeAttribute, text.data(), text.size(), 0) == 0;
}

void* NewHandleValue() {
    // Multiples of four, as the platform's handles are, well away from the reserved values.
    static std::atomic<std::uintptr_t> next{0x1000};
    return reinterpret_cast<void*>(next.fetch_add(4));
}

} // namespace embedded
