// Searching a folder for names that match a pattern with "*" and "?", without regard to case.
// The matches are taken when the search starts and handed out one by one, sorted by name.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/system/file_time_value.h"
#include "platform/embedded/files/native_files.h"
#include "platform/win32_files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <map>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

struct Search {
    std::vector<WIN32_FIND_DATAA> matches;
    std::size_t next = 0;
};

std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}

std::map<HANDLE, Search>& Table() {
    static std::map<HANDLE, Search> table;
    return table;
}

char Fold(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool Matches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool FoldedLess(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    return std::lexicographical_compare(a.cFileName, a.cFileName + std::strlen(a.cFileName),
                                        b.cFileName, b.cFileName + std::strlen(b.cFileName),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

HANDLE FailSearch(DWORD code) {
    SetLastError(code);
    return INVALID_HANDLE_VALUE;
}

} // namespace

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found) {
    HRESULT hr = embedded::EnterOperation("FindFirstFileA");
    if (FAILED(hr)) {
        return FailSearch(embedded::Win32CodeOf(hr));
    }
    if (pattern == nullptr || found == nullptr) {
        return FailSearch(ERROR_INVALID_PARAMETER);
    }
    const std::string_view text(pattern);
    const std::size_t separator = text.find_last_of("\\/");
    std::string folder(separator == std::string_view::npos ? "." : text.substr(0, separator + 1));
    if (separator == std::string_view::npos && text.size() >= 2 && text[1] == ':') {
        folder = std::string(text.substr(0, 2)) + "\\";
    }
    std::string mask(separator == std::string_view::npos
                         ? (folder.size() == 3 ? text.substr(2) : text)
                         : text.substr(separator + 1));
    if (mask.empty()) {
        return FailSearch(ERROR_FILE_NOT_FOUND);
    }
    // "*.*" is the old spelling of "every name", dot or not.
    if (mask == "*.*") {
        mask = "*";
    }
    DWORD error = ERROR_SUCCESS;
    if (!embedded::NativePathOf((folder + mask).c_str(), error, true)) {
        return FailSearch(error);
    }
    const auto native = embedded::NativePathOf(folder.c_str(), error);
    if (!native) {
        return FailSearch(error);
    }
    DIR* listing = ::opendir(native->c_str());
    if (listing == nullptr) {
        const int cause = errno;
        return FailSearch(cause == ENOENT || cause == ENOTDIR
                              ? ERROR_PATH_NOT_FOUND
                              : embedded::Win32CodeOfErrno(cause, *native));
    }
    Search search;
    for (dirent* entry = ::readdir(listing); entry != nullptr; entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (!Matches(mask, name) || name.size() >= MAX_PATH) {
            continue;
        }
        const std::string full = *native + (native->back() == '/' ? "" : "/") + name;
        struct stat status {};
        if (::stat(full.c_str(), &status) != 0) {
            continue;
        }
        WIN32_FIND_DATAA data{};
        data.dwFileAttributes = embedded::AttributesOf(status);
        data.ftCreationTime = embedded::CreationTimeOf(full, status);
        data.ftLastAccessTime = embedded::FileTimeOf(status.st_atim);
        data.ftLastWriteTime = embedded::FileTimeOf(status.st_mtim);
        const auto size = S_ISDIR(status.st_mode) ? 0 : static_cast<std::uint64_t>(status.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
        std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
        search.matches.push_back(data);
    }
    ::closedir(listing);
    if (search.matches.empty()) {
        return FailSearch(ERROR_FILE_NOT_FOUND);
    }
    std::sort(search.matches.begin(), search.matches.end(), FoldedLess);
    *found = search.matches[0];
    search.next = 1;
    HANDLE handle = embedded::NewHandleValue();
    std::lock_guard guard(TableLock());
    Table()[handle] = std::move(search);
    return handle;
}

BOOL WINAPI FindNextFileA(HANDLE handle, LPWIN32_FIND_DATAA found) {
    HRESULT hr = embedded::EnterOperation("FindNextFileA");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    std::lock_guard guard(TableLock());
    auto search = Table().find(handle);
    if (search == Table().end()) {
        return Fail(ERROR_INVALID_HANDLE);
    }
    if (found == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (search->second.next >= search->second.matches.size()) {
        return Fail(ERROR_NO_MORE_FILES);
    }
    *found = search->second.matches[search->second.next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE handle) {
    HRESULT hr = embedded::EnterOperation("FindClose");
    if (FAILED(hr)) {
        return Fail(embedded::Win32CodeOf(hr));
    }
    std::lock_guard guard(TableLock());
    return Table().erase(handle) == 1 ? TRUE : Fail(ERROR_INVALID_HANDLE);
}
