// The parts of a path: its folder, and whether it names a folder.
#pragma once

#include "platform/win_types.h"

// Copies `path` into `out` (room for 260 characters) and ends it just after its last
// backslash; a path without one is copied whole.
bool FolderOfPath(LPCSTR path, LPSTR out);

// True when the path's last slash or last backslash is its final character: how an archive
// tells a folder entry from a file.
bool EndsWithSeparator(LPCSTR path);
