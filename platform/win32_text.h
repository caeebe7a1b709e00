// Text operations of the platform: multi-byte stepping, case folding, conversion and the
// message formatter. All 8-bit text is in the system code page (UTF-8 on the embedded platform).
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
#define WINAPIV

using LPBOOL = BOOL*;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x00000008;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

LPSTR WINAPI CharNextA(LPCSTR text);
LPSTR WINAPI CharPrevA(LPCSTR start, LPCSTR current);
LPSTR WINAPI CharLowerA(LPSTR text);
LPSTR WINAPI CharUpperA(LPSTR text);
int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b);
int WINAPI lstrlenA(LPCSTR text);
LPSTR WINAPI lstrcpynA(LPSTR destination, LPCSTR source, int capacity);
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out,
                               int capacity);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out,
                               int capacity, LPCSTR defaultChar, LPBOOL usedDefaultChar);
int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...);
int WINAPI wvsprintfA(LPSTR buffer, LPCSTR format, va_list arguments);
DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId,
                            LPSTR buffer, DWORD capacity, va_list* arguments);
#endif
