#include "links/update_links_dialog.h"

#include "module/module_instance.h"
#include "module/user_messages.h"
#include "platform/win32_dialogs.h"
#include "platform/win32_ui.h"
#include "platform/win32_windows.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

namespace ul = control_ids::update_links;

INT_PTR UpdateLinksDialog::Show(HWND ownerWindow) {
    return Run(ModuleInstance(), resource_ids::kUpdateLinksDialog, ownerWindow);
}

INT_PTR UpdateLinksDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    const int control = LOWORD(wParam);
    const WORD notification = HIWORD(wParam);
    if ((control == ul::kOldPath || control == ul::kNewPath) && notification == EN_CHANGE) {
        char oldText[kLinkPathTextCapacity] = "";
        char newText[kLinkPathTextCapacity] = "";
        GetDlgItemTextA(Window(), ul::kOldPath, oldText, kLinkPathTextCapacity);
        GetDlgItemTextA(Window(), ul::kNewPath, newText, kLinkPathTextCapacity);
        EnableWindow(GetDlgItem(Window(), IDOK), oldText[0] != '\0' && newText[0] != '\0');
        return TRUE;
    }
    if (control == IDOK) {
        OnOk();
        return TRUE;
    }
    if (control == IDCANCEL) {
        EndDialog(Window(), IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

void UpdateLinksDialog::OnOk() {
    GetDlgItemTextA(Window(), ul::kOldPath, oldPath, kLinkPathTextCapacity);
    GetDlgItemTextA(Window(), ul::kNewPath, newPath, kLinkPathTextCapacity);
    // The button is disabled while a field is empty; this catches fields emptied otherwise.
    if (oldPath[0] == '\0' || newPath[0] == '\0') {
        ShowResourceMessage(Window(), resource_ids::kLinkPathsEmpty, MB_ICONERROR);
        return;
    }
    // Only a Yes rewrites: a confirmation that could not be shown confirms nothing.
    if (ShowResourceMessage(Window(), resource_ids::kConfirmLinkRename, MB_YESNO | MB_ICONQUESTION,
                            oldPath, newPath) != IDYES) {
        return;
    }
    EndDialog(Window(), IDOK);
}
