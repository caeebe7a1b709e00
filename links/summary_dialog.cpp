#include "links/summary_dialog.h"

#include "module/module_instance.h"
#include "platform/win32_dialogs.h"
#include "platform/win32_ui.h"
#include "resources/control_ids.h"
#include "resources/resource_ids.h"

namespace sm = control_ids::summary;

namespace {

// A multi-line edit field breaks lines only at CR LF; the string table's texts break at LF.
std::string WithFieldLineBreaks(const std::string& text) {
    std::string field;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            field += '\r';
        }
        field += text[i];
    }
    return field;
}

} // namespace

bool SummaryDialog::Show(HWND ownerWindow) {
    doNotShowAgain = false;
    Run(ModuleInstance(), resource_ids::kSummaryDialog, ownerWindow);
    return doNotShowAgain;
}

INT_PTR SummaryDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(Window(), sm::kText, WithFieldLineBreaks(text).c_str());
        return TRUE;
    case WM_COMMAND: {
        const int control = LOWORD(wParam);
        // OK, Escape and the close box all keep what the check box says.
        if (control == IDOK || control == IDCANCEL) {
            doNotShowAgain = IsDlgButtonChecked(Window(), sm::kDoNotShowAgain) == BST_CHECKED;
            EndDialog(Window(), control);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}
