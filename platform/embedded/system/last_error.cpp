// The calling thread's last system error, as the platform keeps it.
#include "platform/win_types.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}

DWORD WINAPI GetLastError() {
    return lastError;
}
void WINAPI SetLastError(DWORD code) {
    lastError = code;
}
