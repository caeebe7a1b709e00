// Dialogs from the module's templates as the platform runs them: DialogBoxParamA and EndDialog,
// and the calls that reach a dialog's items by id.
#include "platform/embedded/ui/dialog_controls.h"
#include "platform/embedded/ui/dialog_units.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/win32_ui.h"

#include <cstring>

using embedded::LookUpWindow;
using embedded::Window;
using embedded::WindowKind;

namespace {

const DialogTemplate* FindTemplate(const ModuleResources& resources, UINT id) {
    for (const DialogTemplate& dialog : resources.dialogs) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}

// Creates the dialog window and its controls from the template, hidden until it opens.
HWND CreateDialogWindow(const DialogTemplate& dialog, HINSTANCE instance, HWND owner,
                        DLGPROC procedure) {
    RECT client = embedded::DialogRectToPixels(dialog.x, dialog.y, dialog.width, dialog.height,
                                               dialog.fontPoints);
    bool framed = (dialog.style & WS_CAPTION) == WS_CAPTION;
    LONG width = client.right - client.left + (framed ? 2 * embedded::kFrameWidth : 0);
    LONG height = client.bottom - client.top +
                  (framed ? 2 * embedded::kFrameWidth + embedded::kCaptionHeight : 0);
    // The position counts from the owner's client area, or from the screen.
    POINT origin{0, 0};
    if (const Window* ownerRecord = LookUpWindow(owner); ownerRecord != nullptr) {
        origin = embedded::ClientOriginOf(*ownerRecord);
    }
    LONG left = origin.x + client.left;
    LONG top = origin.y + client.top;
    if ((dialog.style & DS_CENTER) != 0) {
        left = (embedded::kScreenWidth - width) / 2;
        top = (embedded::kScreenHeight - height) / 2;
    }
    Window window;
    window.kind = WindowKind::Dialog;
    window.parent = owner;
    window.style = dialog.style;
    window.extendedStyle = dialog.extendedStyle;
    window.instance = instance;
    window.text = dialog.caption == nullptr ? "" : dialog.caption;
    window.visible = false;
    window.rect = RECT{left, top, left + width, top + height};
    window.templateId = dialog.id;
    window.procedure = procedure;
    HWND handle = embedded::AddWindow(window);
    for (const DialogControl& item : dialog.controls) {
        Window control;
        control.kind = WindowKind::Control;
        control.control = item.kind;
        control.parent = handle;
        control.id = item.id;
        control.style = WS_CHILD | embedded::KindStyle(item.kind) | (item.style & ~WS_DISABLED);
        control.enabled = (item.style & WS_DISABLED) == 0;
        control.instance = instance;
        control.text = item.text == nullptr ? "" : item.text;
        control.rect = embedded::DialogRectToPixels(item.x, item.y, item.width, item.height,
                                                    dialog.fontPoints);
        embedded::AddWindow(control);
    }
    return handle;
}

// The first control that takes the focus: shown, enabled and a tab stop.
HWND FirstTabStop(HWND dialog) {
    const Window* record = LookUpWindow(dialog);
    for (HWND child : record->children) {
        const Window* control = LookUpWindow(child);
        if ((control->style & WS_TABSTOP) != 0 && control->visible && control->enabled) {
            return child;
        }
    }
    return nullptr;
}

} // namespace

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner,
                               DLGPROC procedure, LPARAM param) {
    UINT id = IS_INTRESOURCE(templateName)
                  ? static_cast<UINT>(reinterpret_cast<ULONG_PTR>(templateName))
                  : 0;
    if (!embedded::EnterWin32Operation("DialogBoxParamA", id)) {
        return -1;
    }
    if (owner != nullptr && LookUpWindow(owner) == nullptr) {
        SetLastError(embedded::kErrorInvalidWindowHandle);
        return 0;
    }
    const ModuleResources* resources = embedded::ResourcesOf(instance);
    if (resources == nullptr) {
        SetLastError(embedded::kErrorInvalidHandle);
        return -1;
    }
    const DialogTemplate* dialog = id == 0 ? nullptr : FindTemplate(*resources, id);
    if (dialog == nullptr) {
        SetLastError(embedded::kErrorResourceNameNotFound);
        return -1;
    }
    embedded::UserAgent* agent = embedded::CurrentUserAgent();
    if (agent == nullptr) {
        // Nobody at the screen to work the dialog.
        SetLastError(ERROR_CANCELLED);
        return -1;
    }

    HWND handle = CreateDialogWindow(*dialog, instance, owner, procedure);
    // The owner takes no input while its modal dialog runs.
    Window* ownerRecord = LookUpWindow(owner);
    bool ownerWasEnabled = ownerRecord != nullptr && ownerRecord->enabled;
    if (ownerRecord != nullptr) {
        ownerRecord->enabled = false;
    }
    embedded::RunningDialogs().push_back(handle);

    HWND firstStop = FirstTabStop(handle);
    LRESULT wantsFocus =
        embedded::DialogMessage(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstStop), param);
    Window* record = LookUpWindow(handle);
    if (record != nullptr && wantsFocus != FALSE) {
        embedded::FocusWindow() = FirstTabStop(handle);
    }
    if (record != nullptr && !record->ended) {
        record->visible = true;
        embedded::DialogView view(handle);
        agent->WorkDialog(view);
        record = LookUpWindow(handle);
        if (record != nullptr && !record->ended) {
            agent->ReportRefusal("dialog " + std::to_string(id) + " was left open");
            record->ended = true;
            record->result = -1;
        }
    }
    INT_PTR result = record == nullptr ? -1 : record->result;
    if (record != nullptr) {
        embedded::DialogMessage(handle, WM_DESTROY, 0, 0);
        embedded::RemoveWindow(handle);
    }
    std::erase(embedded::RunningDialogs(), handle);
    if (Window* again = LookUpWindow(owner); again != nullptr && ownerWasEnabled) {
        again->enabled = true;
    }
    return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    if (!embedded::EnterWin32Operation("EndDialog", static_cast<std::uint64_t>(result))) {
        return FALSE;
    }
    Window* record = embedded::DialogRecord(dialog);
    if (record == nullptr) {
        return FALSE;
    }
    record->ended = true;
    record->result = result;
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    if (!embedded::EnterWin32Operation("GetDlgItem", static_cast<std::uint32_t>(id))) {
        return nullptr;
    }
    Window* control = embedded::ItemRecord(dialog, id);
    return control == nullptr ? nullptr : control->handle;
}

int WINAPI GetDlgCtrlID(HWND control) {
    if (!embedded::EnterWin32Operation("GetDlgCtrlID")) {
        return 0;
    }
    Window* record = LookUpWindow(control);
    if (record == nullptr) {
        SetLastError(embedded::kErrorInvalidWindowHandle);
        return 0;
    }
    return record->kind == WindowKind::Control ? record->id : 0;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int capacity) {
    if (!embedded::EnterWin32Operation("GetDlgItemTextA", static_cast<std::uint32_t>(id))) {
        return 0;
    }
    Window* control = embedded::ItemRecord(dialog, id);
    if (control == nullptr) {
        if (buffer != nullptr && capacity > 0) {
            buffer[0] = '\0';
        }
        return 0;
    }
    return static_cast<UINT>(embedded::CopyText(control->text, buffer, capacity));
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    if (!embedded::EnterWin32Operation("SetDlgItemTextA", static_cast<std::uint32_t>(id))) {
        return FALSE;
    }
    Window* control = embedded::ItemRecord(dialog, id);
    if (control == nullptr) {
        return FALSE;
    }
    embedded::SetControlText(*control, text == nullptr ? "" : text);
    return TRUE;
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
    if (!embedded::EnterWin32Operation("CheckDlgButton", static_cast<std::uint32_t>(id))) {
        return FALSE;
    }
    Window* control = embedded::ItemRecord(dialog, id);
    if (control == nullptr) {
        return FALSE;
    }
    embedded::ControlMessage(*control, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
    if (!embedded::EnterWin32Operation("IsDlgButtonChecked", static_cast<std::uint32_t>(id))) {
        return BST_UNCHECKED;
    }
    Window* control = embedded::ItemRecord(dialog, id);
    return control == nullptr
               ? BST_UNCHECKED
               : static_cast<UINT>(embedded::ControlMessage(*control, BM_GETCHECK, 0, 0));
}

BOOL WINAPI CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
    if (!embedded::EnterWin32Operation("CheckRadioButton", static_cast<std::uint32_t>(checkId))) {
        return FALSE;
    }
    Window* record = embedded::DialogRecord(dialog);
    if (record == nullptr) {
        return FALSE;
    }
    for (HWND child : record->children) {
        Window* control = LookUpWindow(child);
        if (control->id >= firstId && control->id <= lastId) {
            embedded::ControlMessage(*control, BM_SETCHECK,
                                     control->id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    return TRUE;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam,
                                   LPARAM lParam) {
    if (!embedded::EnterWin32Operation("SendDlgItemMessageA", message)) {
        return 0;
    }
    Window* control = embedded::ItemRecord(dialog, id);
    return control == nullptr ? 0 : embedded::ControlMessage(*control, message, wParam, lParam);
}
