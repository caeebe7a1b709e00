#include "links/link_info_dialog.h"

#include "module/module_instance.h"
#include "platform/shell_execute.h"
#include "platform/win32_dialogs.h"
#include "platform/win32_ui.h"
#include "platform/win32_windows.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

namespace li = control_ids::link_info;

INT_PTR LinkInfoDialog::Show(HWND ownerWindow) {
    return Run(ModuleInstance(), resource_ids::kLinkInfoDialog, ownerWindow);
}

INT_PTR LinkInfoDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(Window(), li::kMessage, subject.c_str());
        SetDlgItemTextA(Window(), li::kLinks, links.c_str());
        return TRUE;
    case WM_HELP:
        ShellExecuteA(Window(), "open", kLinkInfoHelpAddress, nullptr, nullptr, SW_SHOW);
        return TRUE;
    case WM_COMMAND: {
        const int control = LOWORD(wParam);
        if (control == IDOK || control == IDCANCEL) {
            EndDialog(Window(), control);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}
