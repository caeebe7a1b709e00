// The folder for temporary files and the current folder, as Windows paths.
#include "platform/embedded/trace/fault_injection.h"
#include "platform/embedded/files/native_paths.h"
#include "platform/win32_files.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// The platform's answer for a text result: its length when it fits, else the size needed
// including the terminator.
DWORD Deliver(const std::string& text, DWORD capacity, LPSTR buffer) {
    if (text.size() + 1 > capacity || buffer == nullptr) {
        return static_cast<DWORD>(text.size() + 1);
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

} // namespace

DWORD WINAPI GetTempPathA(DWORD capacity, LPSTR buffer) {
    HRESULT hr = embedded::EnterOperation("GetTempPathA");
    if (FAILED(hr)) {
        SetLastError(embedded::Win32CodeOf(hr));
        return 0;
    }
    const char* tmp = std::getenv("TMPDIR");
    auto windows = embedded::ToWindowsPath(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp");
    if (!windows) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    if (windows->back() != '\\') {
        windows->push_back('\\');
    }
    return Deliver(*windows, capacity, buffer);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD capacity, LPSTR buffer) {
    HRESULT hr = embedded::EnterOperation("GetCurrentDirectoryA");
    if (FAILED(hr)) {
        SetLastError(embedded::Win32CodeOf(hr));
        return 0;
    }
    std::error_code error;
    const auto current = std::filesystem::current_path(error);
    const auto windows = error ? std::nullopt : embedded::ToWindowsPath(current.string());
    if (!windows) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    return Deliver(*windows, capacity, buffer);
}
