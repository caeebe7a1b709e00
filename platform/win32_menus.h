// Menus: the host's menus that the module appends to, and the popup menu it builds.
#pragma once

#include "platform/win32_windows.h"

#ifdef _WIN32
#include <windows.h>
#else
constexpr UINT MF_STRING = 0x00000000;
constexpr UINT MF_BYCOMMAND = 0x00000000;
constexpr UINT MF_GRAYED = 0x00000001;
constexpr UINT MF_DISABLED = 0x00000002;
constexpr UINT MF_POPUP = 0x00000010;
constexpr UINT MF_BYPOSITION = 0x00000400;
constexpr UINT MF_SEPARATOR = 0x00000800;

HMENU WINAPI CreateMenu();
HMENU WINAPI CreatePopupMenu();
BOOL WINAPI DestroyMenu(HMENU menu);
// `item` is a command id, or the popup menu itself with MF_POPUP.
BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR item, LPCSTR text);
// Before the item at `position` (with MF_BYPOSITION; -1 appends), or before command `position`.
BOOL WINAPI InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCSTR text);
int WINAPI GetMenuItemCount(HMENU menu);
// The command id of the item at `position`; -1 for a popup or a separator.
UINT WINAPI GetMenuItemID(HMENU menu, int position);
HMENU WINAPI GetSubMenu(HMENU menu, int position);
int WINAPI GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int capacity, UINT flags);
UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags);
#endif
