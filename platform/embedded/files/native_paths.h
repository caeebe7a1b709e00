// Windows paths on the native file system. A drive letter stands for a native folder (Z: is "/"
// unless a test maps it elsewhere); "\" and "/" both separate; an element that exists is found
// whatever its letter case, as the platform's file system finds it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace embedded {

void MapDrive(char letter, const std::string& nativeFolder);
void UnmapDrive(char letter);
// Back to the start: only Z: mapped, to "/".
void ResetDriveMap();

// The native path of a Windows path, or nothing when the path names no mapped drive (a UNC
// path, an unmapped letter). "." and ".." are resolved within the drive, never above its root.
std::optional<std::string> ToNativePath(std::string_view windowsPath);

// The Windows path of a native path, under the mapped drive with the longest matching folder.
std::optional<std::string> ToWindowsPath(const std::string& nativePath);

// Tells the name lookup that the platform itself just created `nativePath` (a file or folder),
// so that the folder's listing stays current without being read again. Changes by other
// programs are seen whenever the folder's change time differs from the one last noted.
void NoteNameAdded(const std::string& nativePath);

} // namespace embedded
