#include "engine/windows_nt4.h"

#include "platform/win32_system.h"

bool IsWindowsNT4() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version)) {
        return false;
    }
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion == 4 &&
           version.dwMinorVersion == 0;
}
