// What the dialog rooms share of dialogs and their controls: finding an item by id, telling
// the dialog of a control's change, and a control's text within its limit.
#pragma once

#include "platform/embedded/ui/window_table.h"

#include <string>

namespace embedded {

// The window style of a control kind, as its window class gives it.
DWORD KindStyle(ControlKind kind);

HWND ChildWithId(const Window& dialog, int id);
// The dialog's record, or null with ERROR_INVALID_WINDOW_HANDLE.
Window* DialogRecord(HWND dialog);
// The item's record, or null with the last error for a bad dialog or an unknown id.
Window* ItemRecord(HWND dialog, int id);

// Sends the dialog WM_COMMAND with the control's id and `code`, as a control tells a change.
void Notify(const Window& control, WORD code);
// Cut to the limit EM_LIMITTEXT set, if any.
void SetControlText(Window& control, const std::string& text);
// Whether the window and every dialog it is in are shown.
bool ShowsOnScreen(HWND handle);

} // namespace embedded
