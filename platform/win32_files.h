// File and folder operations of the platform.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
#ifndef MAX_PATH
#define MAX_PATH 260
#endif

using PLONG = LONG*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_READ_ATTRIBUTES = 0x0080;
constexpr DWORD FILE_WRITE_ATTRIBUTES = 0x0100;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

DWORD WINAPI GetFileAttributesA(LPCSTR path);
BOOL WINAPI CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES security);
BOOL WINAPI RemoveDirectoryA(LPCSTR path);
BOOL WINAPI DeleteFileA(LPCSTR path);
BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR destination);
BOOL WINAPI MoveFileExA(LPCSTR existing, LPCSTR destination, DWORD flags);
BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR destination, BOOL failIfExists);

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD shareMode,
                          LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD flagsAndAttributes, HANDLE templateFile);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                     LPOVERLAPPED overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written,
                      LPOVERLAPPED overlapped);
DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL WINAPI CloseHandle(HANDLE object);
BOOL WINAPI FlushFileBuffers(HANDLE file);
BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                        const FILETIME* lastWriteTime);
BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                        LPFILETIME lastWriteTime);

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA found);
BOOL WINAPI FindNextFileA(HANDLE search, LPWIN32_FIND_DATAA found);
BOOL WINAPI FindClose(HANDLE search);

DWORD WINAPI GetTempPathA(DWORD capacity, LPSTR buffer);
DWORD WINAPI GetCurrentDirectoryA(DWORD capacity, LPSTR buffer);
#endif
