// How a Win32-style embedded operation enters: it records itself, and an injected failure makes
// it set the last error and report failure the way the call does.
#pragma once

#include "platform/embedded/trace/fault_injection.h"
#include "platform/win_types.h"

#include <cstdint>

namespace embedded {

inline bool EnterWin32Operation(const char* operation, std::uint64_t flags = 0) {
    HRESULT hr = EnterOperation(operation, flags);
    if (FAILED(hr)) {
        SetLastError(Win32CodeOf(hr));
        return false;
    }
    return true;
}

// Error codes of the window and resource calls.
constexpr DWORD kErrorInvalidHandle = 6;
constexpr DWORD kErrorInvalidWindowHandle = 1400;
constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kErrorControlIdNotFound = 1421;
constexpr DWORD kErrorResourceNameNotFound = 1814;

} // namespace embedded
