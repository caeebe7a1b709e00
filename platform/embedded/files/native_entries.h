// What the rooms that model messages need to know of native files and folders, without a
// native call of their own: a file's permission bits and a folder's entries (a file's
// identity is in durable_replace.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace embedded {

// Who may read and write the file (the permission bits), to be kept by a file written anew.
std::optional<unsigned> NativePermissionsOf(const std::string& nativePath);
void SetNativePermissions(const std::string& nativePath, unsigned permissions);

struct NativeFolderEntry {
    std::string name;
    bool folder = false; // else a regular file; links and other kinds are not listed
};

// The folder's folders and regular files by name, in byte order, links not followed; nothing
// when the folder cannot be read.
std::optional<std::vector<NativeFolderEntry>> ListNativeFolder(const std::string& nativeFolder);

} // namespace embedded
