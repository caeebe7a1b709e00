#include "engine/save_file_dialog.h"

#include "platform/win32_ui.h"

bool AskSaveFileName(HWND ownerWindow, LPSTR buffer, DWORD size) {
    // No filter, title or initial folder: the dialog opens in the proposed path's folder with
    // its name filled in.
    OPENFILENAMEA dialog{};
    dialog.lStructSize = kOpenFileNameSizeNT4;
    dialog.hwndOwner = ownerWindow;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = size;
    dialog.Flags = OFN_OVERWRITEPROMPT;
    return GetSaveFileNameA(&dialog) != FALSE;
}
