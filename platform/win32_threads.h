// The calling thread's identity and the lock that keeps one piece of module-wide state whole.
// The module creates no thread; the lock guards against the host calling in from another one.
#pragma once

#include "platform/win_types.h"

#ifdef _WIN32
#include <windows.h>
#else
// Owned by the platform between InitializeCriticalSection and DeleteCriticalSection; the module
// only hands its address around.
struct CRITICAL_SECTION {
    LPVOID DebugInfo;
    LONG LockCount;
    LONG RecursionCount;
    HANDLE OwningThread;
    HANDLE LockSemaphore;
    ULONG_PTR SpinCount;
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
// The owning thread may enter again; it leaves as many times as it entered.
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);
DWORD WINAPI GetCurrentThreadId();
#endif
