// The system's Open and Save As dialogs.
#pragma once

#include "platform/win32_windows.h"

#ifdef _WIN32
#include <commdlg.h>
#else
using LPOFNHOOKPROC = UINT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};
using LPOPENFILENAMEA = OPENFILENAMEA*;

constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_LONGNAMES = 0x00200000;

// What CommDlgExtendedError reports after a dialog returned FALSE; 0 after a cancel.
constexpr DWORD CDERR_DIALOGFAILURE = 0xFFFF;
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

BOOL WINAPI GetSaveFileNameA(LPOPENFILENAMEA dialog);
BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA dialog);
DWORD WINAPI CommDlgExtendedError();
#endif

// The structure size that the module hands to the file dialogs: the layout without the
// fields added after Windows NT 4.0, which every version of the dialog accepts.
constexpr DWORD kOpenFileNameSizeNT4 = 76;
