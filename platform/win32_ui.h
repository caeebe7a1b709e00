// Message boxes and the module's string resources. The file dialogs live in common_dialogs.h,
// included here for the code that has always found them through this header.
#pragma once

#include "platform/common_dialogs.h"
#include "platform/win32_windows.h"

#ifndef _WIN32
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_TOPMOST = 0x40000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT flags);
int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity);
#endif
