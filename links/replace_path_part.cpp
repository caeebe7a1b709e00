#include "links/replace_path_part.h"

#include "base/bounded_text.h"
#include "platform/win32_text.h"

#include <cstring>
#include <string>

namespace {

// The byte offset of the first occurrence at a character boundary, or npos. The case fold
// keeps every byte where it was, so offsets into the folded copy hold for the path itself.
std::size_t FindFolded(LPCSTR path, LPCSTR find) {
    std::string foldedPath(path);
    std::string foldedFind(find);
    CharLowerA(foldedPath.data());
    CharLowerA(foldedFind.data());
    if (foldedFind.empty()) {
        return std::string::npos;
    }
    const char* start = foldedPath.c_str();
    for (const char* at = start; *at != '\0'; at = CharNextA(at)) {
        if (std::strncmp(at, foldedFind.c_str(), foldedFind.size()) == 0) {
            return static_cast<std::size_t>(at - start);
        }
    }
    return std::string::npos;
}

} // namespace

HRESULT ReplacePathPart(LPCSTR path, LPCSTR find, LPCSTR replacement, LPSTR out,
                        std::size_t capacity) {
    if (path == nullptr || find == nullptr || replacement == nullptr || out == nullptr ||
        capacity == 0) {
        return E_INVALIDARG;
    }
    const std::size_t at = FindFolded(path, find);
    if (at == std::string::npos) {
        return NTE_NOT_FOUND;
    }
    out[0] = '\0';
    if (FAILED(BoundedCopyN(out, capacity, path, at)) ||
        FAILED(BoundedAppend(out, capacity, replacement)) ||
        FAILED(BoundedAppend(out, capacity, path + at + std::strlen(find)))) {
        return STRSAFE_E_INSUFFICIENT_BUFFER;
    }
    return S_OK;
}
