// The system libraries that the embedded platform stands in for, as GetModuleHandleA and
// GetProcAddress see them: only ole32 is "loaded", and it exports the one function that the
// module looks up at run time.
#include "platform/embedded/trace/win32_entry.h"
#include "platform/ole_storage.h"
#include "platform/win32_modules.h"

#include <cstring>
#include <string_view>

namespace {

// A load address of its own, far from those that LoadModule hands out.
const HMODULE kOle32 = reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x76000000));

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (!embedded::EnterWin32Operation("GetModuleHandleA")) {
        return nullptr;
    }
    // The loader takes a name without extension as a ".dll".
    if (lpModuleName != nullptr && (SameNameIgnoringCase(lpModuleName, "ole32.dll") ||
                                    SameNameIgnoringCase(lpModuleName, "ole32"))) {
        return kOle32;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (!embedded::EnterWin32Operation("GetProcAddress")) {
        return nullptr;
    }
    if (hModule != kOle32) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // A value below 0x10000 is an ordinal, and ole32 is looked up by name only.
    if (reinterpret_cast<ULONG_PTR>(lpProcName) < 0x10000 ||
        std::strcmp(lpProcName, "StgOpenStorageEx") != 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&StgOpenStorageEx));
}

BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule) {
    if (!embedded::EnterWin32Operation("DisableThreadLibraryCalls")) {
        return FALSE;
    }
    return hLibModule != nullptr;
}
