// Creating folders on the way to a saved file.
#pragma once

#include "platform/win_types.h"

// Creates the last folder of `path` or accepts the folder that is there. When it fails and
// `ownerWindow` is not null, the user is told why: a file of that name in the way, or the
// folder could not be made (a missing parent among the reasons).
bool EnsureFolder(LPCSTR path, HWND ownerWindow);

// Creates every folder along `path` up to its last separator; the last element is taken for a
// file name. Failures are passed over, so that a drive part such as C: does no harm.
bool CreateFolderTree(LPCSTR path);
