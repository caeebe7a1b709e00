#include "archive/zip_paths.h"

#include "base/bounded_text.h"
#include "platform/win32_text.h"

#include <cstring>

namespace {

// The dot that starts the file name's extension. Only the last element of the path counts: a
// dot in a folder name is no extension, and cutting there would put the archive in another
// folder under another name.
LPCSTR ExtensionDot(LPCSTR path) {
    LPCSTR dot = nullptr;
    for (LPCSTR p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/') {
            dot = nullptr;
        } else if (*p == '.') {
            dot = p;
        }
    }
    return dot;
}

} // namespace

bool IsZipPath(LPCSTR path) {
    if (path == nullptr) {
        return false;
    }
    LPCSTR dot = ExtensionDot(path);
    return dot != nullptr && std::strlen(dot) == 4 && lstrcmpiA(dot, ".zip") == 0;
}

bool MakeZipPath(LPCSTR path, LPSTR out, std::size_t capacity) {
    BoundedCopy(out, capacity, path == nullptr ? "" : path);
    if (LPCSTR dot = ExtensionDot(out)) {
        out[dot - out] = '\0';
    }
    BoundedAppend(out, capacity, ".zip");
    return true;
}
