// The dialog manager's side of dialogs: dialog units, the default handling of a dialog's
// messages, and what its controls (buttons, check boxes, radio groups, texts, edits, lists and
// combo boxes) answer.
#include "platform/embedded/ui/dialog_controls.h"

#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/dialog_units.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/win32_ui.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace embedded {

DWORD KindStyle(ControlKind kind) {
    switch (kind) {
    case ControlKind::PushButton:
        return BS_PUSHBUTTON;
    case ControlKind::DefaultPushButton:
        return BS_DEFPUSHBUTTON;
    case ControlKind::AutoCheckBox:
        return BS_AUTOCHECKBOX;
    case ControlKind::AutoRadioButton:
        return BS_AUTORADIOBUTTON;
    case ControlKind::GroupBox:
        return BS_GROUPBOX;
    default:
        return 0;
    }
}

namespace {

bool IsButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton ||
           kind == ControlKind::AutoCheckBox || kind == ControlKind::AutoRadioButton ||
           kind == ControlKind::GroupBox;
}

bool Checkable(ControlKind kind) {
    return kind == ControlKind::AutoCheckBox || kind == ControlKind::AutoRadioButton;
}

} // namespace

HWND ChildWithId(const Window& dialog, int id) {
    for (HWND child : dialog.children) {
        const Window* control = LookUpWindow(child);
        if (control != nullptr && control->id == id) {
            return child;
        }
    }
    return nullptr;
}

Window* DialogRecord(HWND dialog) {
    Window* record = LookUpWindow(dialog);
    if (record == nullptr || record->kind != WindowKind::Dialog) {
        SetLastError(kErrorInvalidWindowHandle);
        return nullptr;
    }
    return record;
}

Window* ItemRecord(HWND dialog, int id) {
    Window* record = DialogRecord(dialog);
    if (record == nullptr) {
        return nullptr;
    }
    Window* control = LookUpWindow(ChildWithId(*record, id));
    if (control == nullptr) {
        SetLastError(kErrorControlIdNotFound);
    }
    return control;
}

void Notify(const Window& control, WORD code) {
    HWND dialog = control.parent;
    DialogMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control.id), code),
                  reinterpret_cast<LPARAM>(control.handle));
}

void SetControlText(Window& control, const std::string& text) {
    control.text = text;
    if (control.textLimit != 0 && control.text.size() > control.textLimit) {
        control.text.resize(control.textLimit);
    }
}

bool ShowsOnScreen(HWND handle) {
    for (const Window* window = LookUpWindow(handle); window != nullptr;
         window = window->kind == WindowKind::Control ? LookUpWindow(window->parent) : nullptr) {
        if (!window->visible) {
            return false;
        }
    }
    return LookUpWindow(handle) != nullptr;
}

namespace {

LRESULT ListMessage(Window& control, UINT message, WPARAM wParam, LPARAM lParam) {
    bool combo = control.control == ControlKind::ComboBox;
    const int error = combo ? CB_ERR : LB_ERR;
    auto index = static_cast<std::size_t>(wParam);
    bool inRange = wParam < control.items.size();
    if (message == (combo ? CB_ADDSTRING : LB_ADDSTRING)) {
        control.items.emplace_back(lParam == 0 ? "" : reinterpret_cast<LPCSTR>(lParam));
        return static_cast<LRESULT>(control.items.size() - 1);
    }
    if (message == (combo ? CB_GETCOUNT : LB_GETCOUNT)) {
        return static_cast<LRESULT>(control.items.size());
    }
    if (message == (combo ? CB_GETCURSEL : LB_GETCURSEL)) {
        return control.selection;
    }
    if (message == (combo ? CB_RESETCONTENT : LB_RESETCONTENT)) {
        control.items.clear();
        control.selection = -1;
        return 0;
    }
    if (message == (combo ? CB_SETCURSEL : LB_SETCURSEL)) {
        if (!inRange) {
            control.selection = -1;
            return error;
        }
        control.selection = static_cast<int>(index);
        if (combo) {
            control.text = control.items[index];
        }
        return control.selection;
    }
    if (message == (combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN)) {
        return inRange ? static_cast<LRESULT>(control.items[index].size()) : error;
    }
    if (message == (combo ? CB_GETLBTEXT : LB_GETTEXT)) {
        // The caller sized the buffer from the entry's length, as the platform requires.
        if (!inRange || lParam == 0) {
            return error;
        }
        const std::string& item = control.items[index];
        std::memcpy(reinterpret_cast<LPSTR>(lParam), item.c_str(), item.size() + 1);
        return static_cast<LRESULT>(item.size());
    }
    return 0;
}

} // namespace

int DialogUnitsToPixels(int units, bool horizontal, WORD fontPoints) {
    // The average character cell of a font of p points at 96 dpi is 3p/4 by 13p/8 pixels
    // (6 by 13 for the 8-point dialog fonts); a horizontal unit is a quarter of its width, a
    // vertical unit an eighth of its height, rounded to the nearest pixel.
    double points = fontPoints == 0 ? 8.0 : fontPoints;
    double cell = horizontal ? std::round(points * 3.0 / 4.0) : std::round(points * 13.0 / 8.0);
    double perUnit = horizontal ? cell / 4.0 : cell / 8.0;
    return static_cast<int>(std::lround(units * perUnit));
}

RECT DialogRectToPixels(short x, short y, short width, short height, WORD fontPoints) {
    // Each edge is mapped on its own, so that neighbouring controls stay flush.
    return RECT{DialogUnitsToPixels(x, true, fontPoints), DialogUnitsToPixels(y, false, fontPoints),
                DialogUnitsToPixels(x + width, true, fontPoints),
                DialogUnitsToPixels(y + height, false, fontPoints)};
}

LRESULT DialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* record = LookUpWindow(dialog);
    if (record == nullptr) {
        return 0;
    }
    DLGPROC procedure = record->procedure;
    INT_PTR handled = procedure == nullptr ? FALSE : procedure(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) {
        return handled;
    }
    record = LookUpWindow(dialog);
    if (record == nullptr) {
        return 0;
    }
    if (handled != FALSE) {
        return record->messageResult;
    }
    // The default handling of a dialog, for what the procedure left alone.
    switch (message) {
    case WM_SETTEXT:
        record->text = lParam == 0 ? "" : reinterpret_cast<LPCSTR>(lParam);
        return TRUE;
    case WM_GETTEXT:
        return CopyText(record->text, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(record->text.size());
    case WM_CLOSE:
        return DialogMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                             reinterpret_cast<LPARAM>(ChildWithId(*record, IDCANCEL)));
    default:
        return 0;
    }
}

LRESULT ControlMessage(Window& control, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        SetControlText(control, lParam == 0 ? "" : reinterpret_cast<LPCSTR>(lParam));
        return TRUE;
    case WM_GETTEXT:
        return CopyText(control.text, reinterpret_cast<LPSTR>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(control.text.size());
    case BM_SETCHECK:
        if (Checkable(control.control)) {
            control.check = static_cast<UINT>(wParam);
        }
        return 0;
    case BM_GETCHECK:
        return Checkable(control.control) ? control.check : BST_UNCHECKED;
    case BM_CLICK:
        if (IsButton(control.control) && control.enabled) {
            ClickControl(control.handle);
        }
        return 0;
    case EM_LIMITTEXT:
        control.textLimit = static_cast<std::size_t>(wParam);
        return 0;
    case EM_SETSEL:
        return 0;
    default:
        break;
    }
    if (control.control == ControlKind::ComboBox || control.control == ControlKind::ListBox) {
        return ListMessage(control, message, wParam, lParam);
    }
    return 0;
}

void ClickControl(HWND handle) {
    Window* control = LookUpWindow(handle);
    if (control == nullptr) {
        return;
    }
    if (control->control == ControlKind::Static || control->control == ControlKind::GroupBox) {
        return;
    }
    FocusWindow() = handle;
    if (!IsButton(control->control)) {
        return;
    }
    if (control->control == ControlKind::AutoCheckBox) {
        control->check = control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    } else if (control->control == ControlKind::AutoRadioButton) {
        // The group runs from the last control with WS_GROUP up to the next one.
        Window* dialog = LookUpWindow(control->parent);
        if (dialog != nullptr) {
            const auto& children = dialog->children;
            auto at = std::find(children.begin(), children.end(), handle) - children.begin();
            std::ptrdiff_t first = at;
            while (first > 0 && (LookUpWindow(children[first])->style & WS_GROUP) == 0) {
                --first;
            }
            std::ptrdiff_t last = at + 1;
            while (last < static_cast<std::ptrdiff_t>(children.size()) &&
                   (LookUpWindow(children[last])->style & WS_GROUP) == 0) {
                ++last;
            }
            for (std::ptrdiff_t i = first; i < last; ++i) {
                Window* other = LookUpWindow(children[i]);
                if (other->control == ControlKind::AutoRadioButton) {
                    other->check = BST_UNCHECKED;
                }
            }
        }
        control->check = BST_CHECKED;
    }
    Notify(*control, BN_CLICKED);
}

} // namespace embedded
