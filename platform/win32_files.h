// File and folder operations of the platform.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
DWORD WINAPI GetFileAttributesA(LPCSTR path);
BOOL WINAPI DeleteFileA(LPCSTR path);
#endif
