// Which saved files are archives, and the archive a saved file is zipped into.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// True when the path's last extension is ".zip", in any letter case.
bool IsZipPath(LPCSTR path);

// The path with its last extension replaced by ".zip"; always true.
bool MakeZipPath(LPCSTR path, LPSTR out, std::size_t capacity);
