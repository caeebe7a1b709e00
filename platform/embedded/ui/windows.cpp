// Windows of the embedded platform: creating, finding and destroying them, their texts,
// styles, rectangles, focus, enabled and shown states, and messages sent to their procedures.
#include "platform/embedded/ui/client_windows.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/embedded/ui/window_table.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>

namespace embedded {
namespace {

struct WindowState {
    std::map<ULONG_PTR, std::unique_ptr<Window>> windows;
    ULONG_PTR nextHandle = 0x10010;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND desktop = nullptr;
    std::vector<HWND> runningDialogs;
};

WindowState& State() {
    static WindowState state;
    return state;
}

HWND Desktop() {
    WindowState& state = State();
    if (state.desktop == nullptr) {
        Window desktop;
        desktop.kind = WindowKind::Desktop;
        desktop.style = WS_POPUP | WS_VISIBLE;
        desktop.rect = RECT{0, 0, kScreenWidth, kScreenHeight};
        state.desktop = AddWindow(desktop);
    }
    return state.desktop;
}

bool HasFrame(const Window& window) {
    return window.kind != WindowKind::Control && (window.style & WS_CAPTION) == WS_CAPTION;
}

// The window's record, or null with the last error the platform gives for a bad handle.
Window* Known(HWND handle) {
    Window* window = LookUpWindow(handle);
    if (window == nullptr) {
        SetLastError(kErrorInvalidWindowHandle);
    }
    return window;
}

DWORD StyleOf(const Window& window) {
    DWORD style = window.style & ~(WS_VISIBLE | WS_DISABLED);
    if (window.visible) {
        style |= WS_VISIBLE;
    }
    if (!window.enabled) {
        style |= WS_DISABLED;
    }
    return style;
}

// Window classes and titles are found without regard to the case of their letters.
bool SameName(const std::string& name, LPCSTR wanted) {
    return std::equal(
        name.begin(), name.end(), wanted, wanted + std::strlen(wanted),
        [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

} // namespace

int CopyText(const std::string& text, LPSTR buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    std::size_t count = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

Window* LookUpWindow(HWND handle) {
    auto& windows = State().windows;
    auto found = windows.find(reinterpret_cast<ULONG_PTR>(handle));
    return found == windows.end() ? nullptr : found->second.get();
}

HWND AddWindow(Window window) {
    WindowState& state = State();
    window.handle = reinterpret_cast<HWND>(state.nextHandle);
    state.nextHandle += 4;
    HWND handle = window.handle;
    HWND parent = window.parent;
    state.windows[reinterpret_cast<ULONG_PTR>(handle)] = std::make_unique<Window>(window);
    if (Window* owner = LookUpWindow(parent);
        owner != nullptr && window.kind == WindowKind::Control) {
        owner->children.push_back(handle);
    }
    return handle;
}

void RemoveWindow(HWND handle) {
    Window* window = LookUpWindow(handle);
    if (window == nullptr) {
        return;
    }
    std::vector<HWND> children = window->children;
    for (HWND child : children) {
        RemoveWindow(child);
    }
    WindowState& state = State();
    // Owned windows go with their owner, as on the platform.
    std::vector<HWND> owned;
    for (auto& [key, other] : state.windows) {
        if (other->parent == handle && other->kind != WindowKind::Control) {
            owned.push_back(other->handle);
        }
    }
    for (HWND other : owned) {
        RemoveWindow(other);
    }
    if (Window* parent = LookUpWindow(window->parent); parent != nullptr) {
        std::erase(parent->children, handle);
    }
    if (state.focus == handle) {
        state.focus = nullptr;
    }
    if (state.active == handle) {
        state.active = nullptr;
    }
    state.windows.erase(reinterpret_cast<ULONG_PTR>(handle));
}

RECT ScreenRectOf(const Window& window) {
    if (window.kind != WindowKind::Control) {
        return window.rect;
    }
    const Window* parent = LookUpWindow(window.parent);
    POINT origin = parent == nullptr ? POINT{0, 0} : ClientOriginOf(*parent);
    return RECT{window.rect.left + origin.x, window.rect.top + origin.y,
                window.rect.right + origin.x, window.rect.bottom + origin.y};
}

POINT ClientOriginOf(const Window& window) {
    RECT screen = ScreenRectOf(window);
    if (HasFrame(window)) {
        return POINT{screen.left + kFrameWidth, screen.top + kFrameWidth + kCaptionHeight};
    }
    return POINT{screen.left, screen.top};
}

HWND& FocusWindow() {
    return State().focus;
}

std::vector<HWND>& RunningDialogs() {
    return State().runningDialogs;
}

HWND CreateClientWindow(const std::string& caption, const RECT& screenRect,
                        const std::string& className) {
    Window window;
    window.kind = WindowKind::HostWindow;
    window.style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    window.text = caption;
    window.className = className;
    window.rect = screenRect;
    HWND handle = AddWindow(window);
    State().active = handle;
    return handle;
}

void ResetWindows() {
    WindowState& state = State();
    state.windows.clear();
    state.focus = nullptr;
    state.active = nullptr;
    state.desktop = nullptr;
    state.runningDialogs.clear();
}

std::size_t LiveWindowCount() {
    WindowState& state = State();
    return state.windows.size() - (state.desktop != nullptr ? 1 : 0);
}

} // namespace embedded

using embedded::Known;
using embedded::Window;
using embedded::WindowKind;

BOOL WINAPI IsWindow(HWND window) {
    if (!embedded::EnterWin32Operation("IsWindow")) {
        return FALSE;
    }
    return embedded::LookUpWindow(window) != nullptr ? TRUE : FALSE;
}

HWND WINAPI GetParent(HWND window) {
    if (!embedded::EnterWin32Operation("GetParent")) {
        return nullptr;
    }
    Window* record = Known(window);
    return record == nullptr ? nullptr : record->parent;
}

HWND WINAPI GetDesktopWindow() {
    if (!embedded::EnterWin32Operation("GetDesktopWindow")) {
        return nullptr;
    }
    return embedded::Desktop();
}

HWND WINAPI GetActiveWindow() {
    if (!embedded::EnterWin32Operation("GetActiveWindow")) {
        return nullptr;
    }
    // A modal dialog is active while it runs; otherwise the last client window made active.
    auto& running = embedded::RunningDialogs();
    if (!running.empty()) {
        return running.back();
    }
    HWND active = embedded::State().active;
    return embedded::LookUpWindow(active) != nullptr ? active : nullptr;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
    if (!embedded::EnterWin32Operation("FindWindowA")) {
        return nullptr;
    }
    // The platform looks from the top of the z-order down; here the window made last is on top.
    auto& windows = embedded::State().windows;
    for (auto entry = windows.rbegin(); entry != windows.rend(); ++entry) {
        const Window& record = *entry->second;
        const bool topLevel = record.kind == WindowKind::HostWindow ||
                              record.kind == WindowKind::Dialog ||
                              record.kind == WindowKind::FolderBrowser;
        if (topLevel && (className == nullptr || embedded::SameName(record.className, className)) &&
            (windowName == nullptr || embedded::SameName(record.text, windowName))) {
            return record.handle;
        }
    }
    SetLastError(ERROR_SUCCESS);
    return nullptr;
}

BOOL WINAPI DestroyWindow(HWND window) {
    if (!embedded::EnterWin32Operation("DestroyWindow")) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr || record->kind == WindowKind::Desktop) {
        return FALSE;
    }
    embedded::RemoveWindow(window);
    return TRUE;
}

int WINAPI GetWindowTextA(HWND window, LPSTR buffer, int capacity) {
    if (!embedded::EnterWin32Operation("GetWindowTextA")) {
        return 0;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        if (buffer != nullptr && capacity > 0) {
            buffer[0] = '\0';
        }
        return 0;
    }
    return embedded::CopyText(record->text, buffer, capacity);
}

int WINAPI GetWindowTextLengthA(HWND window) {
    if (!embedded::EnterWin32Operation("GetWindowTextLengthA")) {
        return 0;
    }
    Window* record = Known(window);
    return record == nullptr ? 0 : static_cast<int>(record->text.size());
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
    if (!embedded::EnterWin32Operation("SetWindowTextA")) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return FALSE;
    }
    record->text = text == nullptr ? "" : text;
    return TRUE;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
    if (!embedded::EnterWin32Operation("EnableWindow", enable ? 1 : 0)) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return FALSE;
    }
    bool wasDisabled = !record->enabled;
    record->enabled = enable != FALSE;
    if (!record->enabled && embedded::State().focus == window) {
        embedded::State().focus = nullptr;
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
    if (!embedded::EnterWin32Operation("IsWindowEnabled")) {
        return FALSE;
    }
    Window* record = Known(window);
    return record != nullptr && record->enabled ? TRUE : FALSE;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
    if (!embedded::EnterWin32Operation("ShowWindow", static_cast<std::uint64_t>(command))) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return FALSE;
    }
    bool wasVisible = record->visible;
    record->visible = command != SW_HIDE;
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND window) {
    if (!embedded::EnterWin32Operation("IsWindowVisible")) {
        return FALSE;
    }
    // A control shows only while every window it sits in shows.
    for (Window* record = embedded::LookUpWindow(window); record != nullptr;
         record = record->kind == WindowKind::Control ? embedded::LookUpWindow(record->parent)
                                                      : nullptr) {
        if (!record->visible) {
            return FALSE;
        }
    }
    return embedded::LookUpWindow(window) != nullptr ? TRUE : FALSE;
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    if (!embedded::EnterWin32Operation("GetWindowRect")) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = embedded::ScreenRectOf(*record);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    if (!embedded::EnterWin32Operation("GetClientRect")) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr || rect == nullptr) {
        return FALSE;
    }
    LONG width = record->rect.right - record->rect.left;
    LONG height = record->rect.bottom - record->rect.top;
    if (embedded::HasFrame(*record)) {
        width -= 2 * embedded::kFrameWidth;
        height -= 2 * embedded::kFrameWidth + embedded::kCaptionHeight;
    }
    *rect = RECT{0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height,
                         UINT flags) {
    (void)insertAfter; // one layer of windows: the z-order is not modelled
    if (!embedded::EnterWin32Operation("SetWindowPos", flags)) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return FALSE;
    }
    RECT& rect = record->rect;
    if ((flags & SWP_NOMOVE) == 0) {
        LONG w = rect.right - rect.left;
        LONG h = rect.bottom - rect.top;
        rect = RECT{x, y, x + w, y + h};
    }
    if ((flags & SWP_NOSIZE) == 0) {
        rect.right = rect.left + std::max(width, 0);
        rect.bottom = rect.top + std::max(height, 0);
    }
    if ((flags & SWP_SHOWWINDOW) != 0) {
        record->visible = true;
    }
    if ((flags & SWP_HIDEWINDOW) != 0) {
        record->visible = false;
    }
    return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    (void)repaint;
    if (!embedded::EnterWin32Operation("MoveWindow")) {
        return FALSE;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return FALSE;
    }
    record->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!embedded::EnterWin32Operation("SendMessageA", message)) {
        return 0;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return 0;
    }
    switch (record->kind) {
    case WindowKind::Dialog:
        return embedded::DialogMessage(window, message, wParam, lParam);
    case WindowKind::Control:
        return embedded::ControlMessage(*record, message, wParam, lParam);
    case WindowKind::FolderBrowser:
        return embedded::FolderBrowserMessage(*record, message, wParam, lParam);
    case WindowKind::Toolbar:
        return embedded::ToolbarMessage(*record, message, wParam, lParam);
    case WindowKind::HostWindow:
    case WindowKind::Desktop:
        break;
    }
    if (message == WM_SETTEXT) {
        record->text = lParam == 0 ? "" : reinterpret_cast<LPCSTR>(lParam);
        return TRUE;
    }
    if (message == WM_GETTEXT) {
        return embedded::CopyText(record->text, reinterpret_cast<LPSTR>(lParam),
                                  static_cast<int>(wParam));
    }
    if (message == WM_GETTEXTLENGTH) {
        return static_cast<LRESULT>(record->text.size());
    }
    return 0;
}

HWND WINAPI SetFocus(HWND window) {
    if (!embedded::EnterWin32Operation("SetFocus")) {
        return nullptr;
    }
    if (window != nullptr && Known(window) == nullptr) {
        return nullptr;
    }
    HWND previous = embedded::State().focus;
    embedded::State().focus = window;
    return previous;
}

HWND WINAPI GetFocus() {
    if (!embedded::EnterWin32Operation("GetFocus")) {
        return nullptr;
    }
    return embedded::State().focus;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND window, int index) {
    if (!embedded::EnterWin32Operation("GetWindowLongPtrA", static_cast<std::uint32_t>(index))) {
        return 0;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return 0;
    }
    switch (index) {
    case GWLP_USERDATA:
        return record->userData;
    case GWLP_ID:
        return record->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(embedded::StyleOf(*record));
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(record->extendedStyle);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(record->parent);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(record->instance);
    default:
        break;
    }
    if (record->kind == WindowKind::Dialog) {
        if (index == DWLP_MSGRESULT) {
            return record->messageResult;
        }
        if (index == DWLP_DLGPROC) {
            return reinterpret_cast<LONG_PTR>(record->procedure);
        }
        if (index == DWLP_USER) {
            return record->dialogUser;
        }
    }
    SetLastError(embedded::kErrorInvalidIndex);
    return 0;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    if (!embedded::EnterWin32Operation("SetWindowLongPtrA", static_cast<std::uint32_t>(index))) {
        return 0;
    }
    Window* record = Known(window);
    if (record == nullptr) {
        return 0;
    }
    LONG_PTR previous = 0;
    auto swap = [&](LONG_PTR& field) {
        previous = field;
        field = value;
    };
    if (index == GWLP_USERDATA) {
        swap(record->userData);
    } else if (index == GWL_STYLE) {
        previous = static_cast<LONG_PTR>(embedded::StyleOf(*record));
        DWORD style = static_cast<DWORD>(value);
        record->visible = (style & WS_VISIBLE) != 0;
        record->enabled = (style & WS_DISABLED) == 0;
        record->style = style & ~(WS_VISIBLE | WS_DISABLED);
    } else if (record->kind == WindowKind::Dialog && index == DWLP_MSGRESULT) {
        swap(record->messageResult);
    } else if (record->kind == WindowKind::Dialog && index == DWLP_USER) {
        swap(record->dialogUser);
    } else {
        SetLastError(embedded::kErrorInvalidIndex);
    }
    return previous;
}
