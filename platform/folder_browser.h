// The shell's folder browser. Its result is a shell item list; the path of that list is read
// with SHGetPathFromIDListA from the shell folder operations.
#pragma once

#include "platform/win32_windows.h"

#ifdef _WIN32
#include <shlobj.h>
#else
// Only named here: the shell folder operations own the item list's layout.
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

using BFFCALLBACK = int(CALLBACK*)(HWND, UINT, LPARAM, LPARAM);

struct BROWSEINFOA {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPSTR pszDisplayName;
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
using LPBROWSEINFOA = BROWSEINFOA*;

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;

constexpr UINT BFFM_INITIALIZED = 1;
constexpr UINT BFFM_SELCHANGED = 2;
constexpr UINT BFFM_SETSTATUSTEXTA = WM_USER + 100;
constexpr UINT BFFM_ENABLEOK = WM_USER + 101;
constexpr UINT BFFM_SETSELECTIONA = WM_USER + 102;

PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderA(LPBROWSEINFOA browse);
#endif
