// The backslash that marks a path as a folder.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// False for a null or empty path.
bool HasTrailingBackslash(LPCSTR path);

// Appends a backslash unless there is one; an empty path becomes a lone backslash. False, with
// the path unchanged, when `capacity` leaves no room for it.
bool AddTrailingBackslash(LPSTR path, std::size_t capacity);

// Removes one trailing backslash when present.
void RemoveTrailingBackslash(LPSTR path);
