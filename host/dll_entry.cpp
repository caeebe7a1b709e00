// The Windows loader's door into the module: process attach and detach. On the embedded
// platform the host's loader calls FilvexAttachModule and FilvexDetachModule itself.
#ifdef _WIN32
#include "host/module_lifetime.h"

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        return FilvexAttachModule(instance);
    }
    if (reason == DLL_PROCESS_DETACH) {
        FilvexDetachModule();
    }
    return TRUE;
}
#endif
