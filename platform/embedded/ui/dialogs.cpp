// Dialogs from the module's templates: DialogBoxParamA and EndDialog, the dialog manager's
// messages to its controls (texts, check boxes, lists, combo boxes, edits), and DialogView,
// through which the person at the screen (the user agent) reads and works a running dialog.
#include "platform/embedded/ui/dialog_units.h"
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/system/module_loader.h"
#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/win32_ui.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace embedded {
namespace {

const DialogTemplate* FindTemplate(const ModuleResources& resources, UINT id) {
    for (const DialogTemplate& dialog : resources.dialogs) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}

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

bool IsButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton ||
           kind == ControlKind::AutoCheckBox || kind == ControlKind::AutoRadioButton ||
           kind == ControlKind::GroupBox;
}

bool Checkable(ControlKind kind) {
    return kind == ControlKind::AutoCheckBox || kind == ControlKind::AutoRadioButton;
}

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

// DialogView: what the person sees of a running dialog and does in it.

UINT DialogView::DialogId() const {
    const Window* record = LookUpWindow(dialog_);
    return record == nullptr ? 0 : record->templateId;
}

std::string DialogView::Caption() const {
    const Window* record = LookUpWindow(dialog_);
    return record == nullptr ? std::string() : record->text;
}

bool DialogView::Ended() const {
    const Window* record = LookUpWindow(dialog_);
    return record == nullptr || record->ended;
}

std::vector<int> DialogView::ControlIds() const {
    std::vector<int> ids;
    if (const Window* record = LookUpWindow(dialog_); record != nullptr) {
        for (HWND child : record->children) {
            ids.push_back(LookUpWindow(child)->id);
        }
    }
    return ids;
}

bool DialogView::HasControl(int id) const {
    const Window* record = LookUpWindow(dialog_);
    return record != nullptr && ChildWithId(*record, id) != nullptr;
}

bool DialogView::Refuse(const std::string& why) const {
    if (UserAgent* agent = CurrentUserAgent(); agent != nullptr) {
        agent->ReportRefusal("dialog " + std::to_string(DialogId()) + ": " + why);
    }
    return false;
}

HWND DialogView::Control(int id, const char* action) const {
    const Window* record = LookUpWindow(dialog_);
    HWND control = record == nullptr ? nullptr : ChildWithId(*record, id);
    if (control == nullptr) {
        Refuse(std::string(action) + ": there is no control " + std::to_string(id));
    }
    return control;
}

std::optional<ControlKind> DialogView::Kind(int id) const {
    const Window* control = LookUpWindow(Control(id, "kind"));
    return control == nullptr ? std::nullopt : std::optional(control->control);
}

std::string DialogView::Text(int id) const {
    const Window* control = LookUpWindow(Control(id, "text"));
    return control == nullptr ? std::string() : control->text;
}

bool DialogView::Checked(int id) const {
    const Window* control = LookUpWindow(Control(id, "check state"));
    return control != nullptr && control->check == BST_CHECKED;
}

bool DialogView::Enabled(int id) const {
    const Window* control = LookUpWindow(Control(id, "enabled state"));
    return control != nullptr && control->enabled;
}

bool DialogView::Visible(int id) const {
    return ShowsOnScreen(Control(id, "visibility"));
}

RECT DialogView::Rectangle(int id) const {
    const Window* control = LookUpWindow(Control(id, "rectangle"));
    return control == nullptr ? RECT{} : ScreenRectOf(*control);
}

std::vector<std::string> DialogView::Items(int id) const {
    const Window* control = LookUpWindow(Control(id, "entries"));
    return control == nullptr ? std::vector<std::string>() : control->items;
}

int DialogView::FocusId() const {
    const Window* focus = LookUpWindow(FocusWindow());
    return focus != nullptr && focus->parent == dialog_ ? focus->id : 0;
}

bool DialogView::Click(int id) {
    if (Ended()) {
        return Refuse("click on " + std::to_string(id) + " after the dialog ended");
    }
    HWND handle = Control(id, "click");
    const Window* control = LookUpWindow(handle);
    if (control == nullptr) {
        return false;
    }
    if (!ShowsOnScreen(handle)) {
        return Refuse("control " + std::to_string(id) + " is hidden and cannot be clicked");
    }
    if (!control->enabled) {
        return Refuse("control " + std::to_string(id) + " is disabled and cannot be clicked");
    }
    ClickControl(handle);
    return true;
}

bool DialogView::Type(int id, const std::string& text) {
    if (Ended()) {
        return Refuse("typing into " + std::to_string(id) + " after the dialog ended");
    }
    HWND handle = Control(id, "typing");
    Window* control = LookUpWindow(handle);
    if (control == nullptr) {
        return false;
    }
    std::string name = "control " + std::to_string(id);
    bool edit = control->control == ControlKind::Edit;
    bool editableCombo = control->control == ControlKind::ComboBox &&
                         (control->style & CBS_DROPDOWNLIST) == CBS_DROPDOWN;
    if (!edit && !editableCombo) {
        return Refuse(name + " takes no typing");
    }
    if (!ShowsOnScreen(handle) || !control->enabled) {
        return Refuse(name + " is hidden or disabled and cannot take typing");
    }
    if (edit && (control->style & ES_READONLY) != 0) {
        return Refuse(name + " is read-only");
    }
    FocusWindow() = handle;
    SetControlText(*control, text);
    if (!edit) {
        control->selection = -1;
    }
    Notify(*control, edit ? EN_CHANGE : CBN_EDITCHANGE);
    return true;
}

bool DialogView::Choose(int id, const std::string& item) {
    if (Ended()) {
        return Refuse("choice in " + std::to_string(id) + " after the dialog ended");
    }
    HWND handle = Control(id, "choice");
    Window* control = LookUpWindow(handle);
    if (control == nullptr) {
        return false;
    }
    std::string name = "control " + std::to_string(id);
    bool combo = control->control == ControlKind::ComboBox;
    if (!combo && control->control != ControlKind::ListBox) {
        return Refuse(name + " has no entries to choose from");
    }
    if (!ShowsOnScreen(handle) || !control->enabled) {
        return Refuse(name + " is hidden or disabled and offers no choice");
    }
    auto found = std::find(control->items.begin(), control->items.end(), item);
    if (found == control->items.end()) {
        return Refuse(name + " has no entry \"" + item + "\"");
    }
    FocusWindow() = handle;
    control->selection = static_cast<int>(found - control->items.begin());
    if (combo) {
        control->text = item;
        Notify(*control, CBN_SELCHANGE);
    } else if ((control->style & LBS_NOTIFY) != 0) {
        Notify(*control, LBN_SELCHANGE);
    }
    return true;
}

bool DialogView::PressEscape() {
    if (Ended()) {
        return Refuse("Escape after the dialog ended");
    }
    const Window* record = LookUpWindow(dialog_);
    DialogMessage(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                  reinterpret_cast<LPARAM>(ChildWithId(*record, IDCANCEL)));
    return true;
}

bool DialogView::CloseBox() {
    if (Ended()) {
        return Refuse("close box after the dialog ended");
    }
    DialogMessage(dialog_, WM_CLOSE, 0, 0);
    return true;
}

bool DialogView::AskForHelp() {
    if (Ended()) {
        return Refuse("help request after the dialog ended");
    }
    HWND focus = FocusWindow();
    const Window* focused = LookUpWindow(focus);
    HELPINFO help{};
    help.cbSize = sizeof(HELPINFO);
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = focused == nullptr ? 0 : focused->id;
    help.hItemHandle = focus;
    DialogMessage(dialog_, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    return true;
}

} // namespace embedded

using embedded::LookUpWindow;
using embedded::Window;
using embedded::WindowKind;

namespace {

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
    const DialogTemplate* dialog = id == 0 ? nullptr : embedded::FindTemplate(*resources, id);
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
