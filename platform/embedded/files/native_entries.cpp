#include "platform/embedded/files/native_entries.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace embedded {

std::optional<unsigned> NativePermissionsOf(const std::string& nativePath) {
    struct stat info {};
    if (::stat(nativePath.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<unsigned>(info.st_mode & 07777);
}

void SetNativePermissions(const std::string& nativePath, unsigned permissions) {
    ::chmod(nativePath.c_str(), permissions & 07777);
}

std::optional<std::vector<NativeFolderEntry>> ListNativeFolder(const std::string& nativeFolder) {
    DIR* directory = ::opendir(nativeFolder.c_str());
    if (directory == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end());
    std::vector<NativeFolderEntry> entries;
    for (const std::string& name : names) {
        struct stat info {};
        if (::lstat((nativeFolder + "/" + name).c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode) || S_ISREG(info.st_mode)) {
            entries.push_back({name, S_ISDIR(info.st_mode)});
        }
    }
    return entries;
}

} // namespace embedded
