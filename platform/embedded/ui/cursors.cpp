// The mouse cursor: the system cursors and which one is shown.
#include "platform/embedded/ui/cursor_state.h"

#include "platform/embedded/trace/win32_entry.h"

namespace {

// The system cursors a module may load; a handle is the address of its entry.
struct SystemCursor {
    UINT id;
};
SystemCursor kSystemCursors[] = {{32512}, {32513}, {32514}, {32515}, {32516}, {32650}};

HCURSOR HandleOf(SystemCursor& cursor) {
    return reinterpret_cast<HCURSOR>(&cursor);
}

HCURSOR& Shown() {
    static HCURSOR shown = HandleOf(kSystemCursors[0]);
    return shown;
}

} // namespace

namespace embedded {

HCURSOR CurrentCursor() {
    return Shown();
}

UINT SystemCursorId(HCURSOR cursor) {
    for (SystemCursor& entry : kSystemCursors) {
        if (HandleOf(entry) == cursor) {
            return entry.id;
        }
    }
    return 0;
}

void ResetCursor() {
    Shown() = HandleOf(kSystemCursors[0]);
}

} // namespace embedded

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (!embedded::EnterWin32Operation("LoadCursorA")) {
        return nullptr;
    }
    // The module has no cursors of its own: only the system's, by number.
    if (instance == nullptr && IS_INTRESOURCE(name)) {
        auto id = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
        for (SystemCursor& entry : kSystemCursors) {
            if (entry.id == id) {
                return HandleOf(entry);
            }
        }
    }
    SetLastError(embedded::kErrorResourceNameNotFound);
    return nullptr;
}

HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    if (!embedded::EnterWin32Operation("SetCursor")) {
        return nullptr;
    }
    HCURSOR previous = Shown();
    Shown() = cursor;
    return previous;
}
