#include "module/folder_creation.h"

#include "base/trailing_backslash.h"
#include "module/user_messages.h"
#include "base/bounded_text.h"
#include "platform/mapi_functions.h"
#include "platform/win32_files.h"
#include "platform/win32_text.h"
#include "resources/resource_ids.h"

namespace {

constexpr std::size_t kPathCapacity = 260;

} // namespace

bool EnsureFolder(LPCSTR path, HWND ownerWindow) {
    if (CreateDirectoryA(path, nullptr)) {
        return true;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        char existing[kPathCapacity];
        BoundedCopy(existing, kPathCapacity, path);
        RemoveTrailingBackslash(existing);
        const DWORD attributes = GetFileAttributesA(existing);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            if (ownerWindow != nullptr) {
                ShowResourceError(ownerWindow, resource_ids::kFileBlocksFolder, path);
            }
            return false;
        }
        return true;
    }
    if (ownerWindow != nullptr) {
        ShowResourceError(ownerWindow, resource_ids::kFolderCreateFailed, path);
    }
    return false;
}

bool CreateFolderTree(LPCSTR path) {
    char folder[kPathCapacity];
    BoundedCopy(folder, kPathCapacity, path);
    char* lastBackslash = SzFindLastCh(folder, '\\');
    char* lastSlash = SzFindLastCh(folder, '/');
    char* end = lastBackslash;
    if (lastSlash != nullptr && (end == nullptr || lastSlash > end)) {
        end = lastSlash;
    }
    if (end == nullptr) {
        return true;
    }
    *end = '\0';
    for (char* c = folder; *c != '\0'; c = CharNextA(c)) {
        if (*c == '\\' || *c == '/') {
            const char separator = *c;
            *c = '\0';
            CreateDirectoryA(folder, nullptr);
            *c = separator;
        }
    }
    CreateDirectoryA(folder, nullptr);
    return true;
}
