#include "base/path_parts.h"

#include "base/bounded_text.h"
#include "platform/mapi_functions.h"

#include <cstring>

namespace {

constexpr std::size_t kPathCapacity = 260;

} // namespace

bool FolderOfPath(LPCSTR path, LPSTR out) {
    BoundedCopy(out, kPathCapacity, path);
    if (char* lastBackslash = SzFindLastCh(out, '\\')) {
        lastBackslash[1] = '\0';
    }
    return true;
}

bool EndsWithSeparator(LPCSTR path) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    LPCSTR last = path + std::strlen(path) - 1;
    return SzFindLastCh(path, '/') == last || SzFindLastCh(path, '\\') == last;
}
