// The embedded platform's windows: one record per handle, shared by the window, dialog and
// control operations. Everything runs on the one user-interface thread, as on the platform.
#pragma once

#include "platform/module_resources.h"
#include "platform/win32_dialogs.h"

#include <string>
#include <utility>
#include <vector>

namespace embedded {

enum class WindowKind { Desktop, HostWindow, Dialog, Control, FolderBrowser, Toolbar };

struct Window {
    HWND handle = nullptr;
    // The owner of a top-level window, the dialog of a control.
    HWND parent = nullptr;
    WindowKind kind = WindowKind::HostWindow;
    ControlKind control = ControlKind::Static;
    int id = 0;
    DWORD style = 0;
    DWORD extendedStyle = 0;
    HINSTANCE instance = nullptr;
    std::string text;
    // The window class a top-level window was registered under; empty for none of interest.
    std::string className;
    UINT check = 0;
    bool enabled = true;
    bool visible = true;
    // Outer rectangle: in the parent's client coordinates for a control, else on the screen.
    RECT rect{};
    std::vector<std::string> items;
    int selection = -1;
    std::size_t textLimit = 0; // 0: no limit set
    LONG_PTR userData = 0;
    std::vector<HWND> children;
    // A toolbar's images: the module and bitmap resource of each.
    std::vector<std::pair<HINSTANCE, UINT>> images;
    // A dialog's own state.
    UINT templateId = 0;
    DLGPROC procedure = nullptr;
    LONG_PTR messageResult = 0;
    LONG_PTR dialogUser = 0;
    bool ended = false;
    INT_PTR result = 0;
};

// The record of a live window, or null.
Window* LookUpWindow(HWND handle);
// Records the window (and adds it to its parent's children) and answers its new handle.
HWND AddWindow(Window window);
// Removes the window and everything inside it.
void RemoveWindow(HWND handle);

// Copies a text into a caller's buffer the way the text calls do: cut to capacity - 1 and
// terminated; answers the characters copied.
int CopyText(const std::string& text, LPSTR buffer, int capacity);

RECT ScreenRectOf(const Window& window);
// The client area's top-left corner on the screen.
POINT ClientOriginOf(const Window& window);

// What a dialog window does with a message: its procedure first, then the default handling.
LRESULT DialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// What a control does with one of its messages.
LRESULT ControlMessage(Window& control, UINT message, WPARAM wParam, LPARAM lParam);
// A click as the person makes it: toggles an auto check box, moves an auto radio button's
// check within its group, then tells the dialog.
void ClickControl(HWND control);
// A folder browser's answer to the messages its callback sends.
LRESULT FolderBrowserMessage(Window& browser, UINT message, WPARAM wParam, LPARAM lParam);
// A toolbar's messages: images added from a module's bitmap resources.
LRESULT ToolbarMessage(Window& toolbar, UINT message, WPARAM wParam, LPARAM lParam);

// The window holding the keyboard focus, or null.
HWND& FocusWindow();

// The modal dialogs now running, innermost last.
std::vector<HWND>& RunningDialogs();

} // namespace embedded
