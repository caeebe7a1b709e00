// DialogView: what the person at the screen (the user agent) sees of a running dialog and does
// in it.
#include "platform/embedded/ui/dialog_controls.h"
#include "platform/embedded/ui/user_agent.h"
#include "platform/embedded/ui/window_table.h"
#include "platform/win32_ui.h"

#include <algorithm>

namespace embedded {

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
