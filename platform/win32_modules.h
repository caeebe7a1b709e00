// Loaded libraries and their exported functions: how the module finds a platform function
// at run time instead of importing it (StgOpenStorageEx in ole32).
#pragma once

#include "platform/win_types.h"

#ifdef _WIN32
#include <windows.h>
#else
using FARPROC = INT_PTR(WINAPI*)();

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// A library that needs no word of threads starting and ending says so once.
BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule);
#endif
