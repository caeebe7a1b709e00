#include "platform/embedded/system/system_version.h"

#include "platform/embedded/trace/fault_injection.h"
#include "platform/win32_system.h"

#include <cstring>
#include <mutex>

namespace embedded {
namespace {

struct Version {
    DWORD major, minor, build, platformId;
};
constexpr Version Windows10{10, 0, 19045, VER_PLATFORM_WIN32_NT};

std::mutex& VersionLock() {
    static std::mutex lock;
    return lock;
}

Version& Reported() {
    static Version version = Windows10;
    return version;
}

} // namespace

void ReportSystemVersion(DWORD major, DWORD minor, DWORD build, DWORD platformId) {
    std::lock_guard guard(VersionLock());
    Reported() = {major, minor, build, platformId};
}

void ResetSystemVersion() {
    std::lock_guard guard(VersionLock());
    Reported() = Windows10;
}

} // namespace embedded

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    HRESULT hr = embedded::EnterOperation("GetVersionExA");
    if (FAILED(hr)) {
        SetLastError(embedded::Win32CodeOf(hr));
        return FALSE;
    }
    // The extended structure adds 8 bytes after the plain one; both sizes are accepted.
    if (info == nullptr || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                            info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) + 8)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    embedded::Version version{};
    {
        std::lock_guard guard(embedded::VersionLock());
        version = embedded::Reported();
    }
    info->dwMajorVersion = version.major;
    info->dwMinorVersion = version.minor;
    info->dwBuildNumber = version.build;
    info->dwPlatformId = version.platformId;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}
