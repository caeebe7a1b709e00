// The host's toolbar: images added to it and the buttons it asks the module to describe.
#pragma once

#include "platform/win32_windows.h"

#ifdef _WIN32
#include <commctrl.h>
#else
constexpr UINT TB_ADDBITMAP = WM_USER + 19;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTYLE_BUTTON = 0x00;

// The images to add: a bitmap resource of a module (its instance and the resource id).
struct TBADDBITMAP {
    HINSTANCE hInst;
    UINT_PTR nID;
};
using LPTBADDBITMAP = TBADDBITMAP*;

struct TBBUTTON {
    int iBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    BYTE bReserved[sizeof(void*) == 8 ? 6 : 2];
    DWORD_PTR dwData;
    INT_PTR iString;
};
using LPTBBUTTON = TBBUTTON*;
#endif
