// The one way the embedded platform puts a rewritten file in place of an old one: the new file is
// written beside it in the same folder, made durable, and renamed over the old one, and the
// rename is made durable too. A crash or a failure at any point leaves either the old file or the
// new one at the name, each complete, and at most a temporary file of ours beside it, which the
// next opening of the folder removes.
#pragma once

#include "platform/win_types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

namespace embedded {

// What tells one file from another that replaced it, or from itself after another program wrote
// it: the file itself, its size and its change time (which every write and rename moves).
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t changed = 0;
    std::int64_t modified = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at `nativePath` itself (a symbolic link is not followed, and
// is no regular file); nothing for a missing file or any other kind.
std::optional<FileIdentity> IdentityOfFile(const std::string& nativePath);

struct ReplaceSteps {
    // The fault injection name of the rename, so that a test can make the replacement fail at
    // its last step.
    const char* rename = "ReplaceFileRename";
    // When set, the file at the name must still be this one just before the rename; otherwise
    // the replacement fails with MAPI_E_OBJECT_CHANGED and the other program's file stays.
    std::optional<FileIdentity> expected;
    // The platform's code for a failed system call (an errno).
    std::function<HRESULT(int)> resultOfErrno;
};

// The fault injection names of the steps that make the new file and its name durable.
inline constexpr char kReplaceSyncStep[] = "ReplaceFileSync";
inline constexpr char kReplaceFolderSyncStep[] = "ReplaceFolderSync";

// Writes the file at `nativePath` anew: `write` fills the empty temporary file whose native path
// it is given and returns its result. An existing file's access rights, owner (where allowed) and
// extended attributes go over to the new one; a new file gets the rights of any new file. On
// failure the temporary file is removed and the old file is left as it was.
HRESULT ReplaceFileDurably(const std::string& nativePath,
                           const std::function<HRESULT(const std::string& temporary)>& write,
                           const ReplaceSteps& steps);

// Removes the temporary files that replacements of killed processes left in `nativeFolder`. A
// running process's own are left alone.
void RemoveStaleReplacements(const std::string& nativeFolder);

// Makes the file's data and its name in its folder durable. False with errno set on failure.
bool SyncFileAndName(const std::string& nativePath);
// Makes the entry of `nativePath` in its folder durable (a new name, a rename, a removal).
bool SyncFolderOf(const std::string& nativePath);

} // namespace embedded
