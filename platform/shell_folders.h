// The shell's special folders as item id lists, and their paths.
#pragma once

#include "platform/com_base.h"

#ifdef _WIN32
#include <shlobj.h>
#else
constexpr int CSIDL_PERSONAL = 0x0005;

struct SHITEMID {
    WORD cb; // size of this item, the count included
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

HRESULT WINAPI SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
BOOL WINAPI SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path);
void WINAPI CoTaskMemFree(LPVOID memory);
// The shell's allocator, which frees the item id lists that the shell hands out.
HRESULT WINAPI SHGetMalloc(LPMALLOC* allocator);
#endif
