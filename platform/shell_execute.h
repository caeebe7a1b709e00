// Starting a program, or opening a folder or document with the program the system has for it.
#pragma once

#include "platform/win32_windows.h"

#ifdef _WIN32
#include <shellapi.h>
#else
// ShellExecuteA answers a value above 32 when it started something, else one of these.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;

HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters,
                               LPCSTR directory, INT show);
#endif
