#include "base/trailing_backslash.h"

#include "base/bounded_text.h"

#include <cstring>

bool HasTrailingBackslash(LPCSTR path) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    return path[std::strlen(path) - 1] == '\\';
}

bool AddTrailingBackslash(LPSTR path, std::size_t capacity) {
    if (path == nullptr) {
        return false;
    }
    if (HasTrailingBackslash(path)) {
        return true;
    }
    // A cut backslash would be no backslash at all: refuse rather than append nothing.
    if (std::strlen(path) + 2 > capacity) {
        return false;
    }
    return SUCCEEDED(BoundedAppend(path, capacity, "\\"));
}

void RemoveTrailingBackslash(LPSTR path) {
    if (HasTrailingBackslash(path)) {
        path[std::strlen(path) - 1] = '\0';
    }
}
