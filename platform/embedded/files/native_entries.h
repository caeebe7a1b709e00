// What the rooms that model messages need to know of native files and folders, without a
// native call of their own: a file's identity, its permission bits, and a folder's entries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace embedded {

// The identity of a file's contents as far as the file system tells: a file replaced or
// written since it was read is another file.
struct NativeFileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0; // nanoseconds
    bool operator==(const NativeFileIdentity&) const = default;
};

// Nothing when the path names no regular file.
std::optional<NativeFileIdentity> IdentityOfNativeFile(const std::string& nativePath);

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
