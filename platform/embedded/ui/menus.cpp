// Menus of the embedded platform: items in order, each a command, a separator or a popup.
#include "platform/embedded/ui/menu_table.h"
#include "platform/embedded/trace/win32_entry.h"
#include "platform/win32_system.h"
#include "platform/win32_menus.h"

#include <algorithm>
#include <map>
#include <memory>

namespace embedded {
namespace {

struct MenuState {
    std::map<HMENU, Menu> menus;
    std::uintptr_t next = 1;
};

MenuState& State() {
    static MenuState state;
    return state;
}

Menu* Known(HMENU menu) {
    auto found = State().menus.find(menu);
    return found == State().menus.end() ? nullptr : &found->second;
}

HMENU NewMenu(bool popup) {
    MenuState& state = State();
    HMENU handle = reinterpret_cast<HMENU>(0x5000 + state.next++);
    state.menus[handle].popup = popup;
    return handle;
}

// The index of the item that `item` names, or -1.
int Locate(const Menu& menu, UINT item, UINT flags) {
    if ((flags & MF_BYPOSITION) != 0) {
        return item < menu.items.size() ? static_cast<int>(item) : -1;
    }
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& entry = menu.items[i];
        if ((entry.flags & (MF_POPUP | MF_SEPARATOR)) == 0 && entry.command == item) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

MenuItem MakeItem(UINT flags, UINT_PTR item, LPCSTR text) {
    MenuItem entry;
    entry.flags = flags & ~MF_BYPOSITION;
    if ((flags & MF_POPUP) != 0) {
        entry.popup = reinterpret_cast<HMENU>(item);
    } else if ((flags & MF_SEPARATOR) == 0) {
        entry.command = static_cast<UINT>(item);
    }
    if (text != nullptr && (flags & MF_SEPARATOR) == 0) {
        entry.text = text;
    }
    return entry;
}

} // namespace

const Menu* LookUpMenu(HMENU menu) {
    return Known(menu);
}

void ResetMenus() {
    State().menus.clear();
}

} // namespace embedded

using embedded::Known;

HMENU WINAPI CreateMenu() {
    if (!embedded::EnterWin32Operation("CreateMenu")) {
        return nullptr;
    }
    return embedded::NewMenu(false);
}

HMENU WINAPI CreatePopupMenu() {
    if (!embedded::EnterWin32Operation("CreatePopupMenu")) {
        return nullptr;
    }
    return embedded::NewMenu(true);
}

BOOL WINAPI DestroyMenu(HMENU menu) {
    if (!embedded::EnterWin32Operation("DestroyMenu")) {
        return FALSE;
    }
    return embedded::State().menus.erase(menu) == 1;
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR item, LPCSTR text) {
    if (!embedded::EnterWin32Operation("AppendMenuA", flags)) {
        return FALSE;
    }
    embedded::Menu* record = Known(menu);
    if (record == nullptr ||
        ((flags & MF_POPUP) != 0 && Known(reinterpret_cast<HMENU>(item)) == nullptr)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    record->items.push_back(embedded::MakeItem(flags, item, text));
    return TRUE;
}

BOOL WINAPI InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, LPCSTR text) {
    if (!embedded::EnterWin32Operation("InsertMenuA", flags)) {
        return FALSE;
    }
    embedded::Menu* record = Known(menu);
    if (record == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::size_t at = record->items.size();
    if (!((flags & MF_BYPOSITION) != 0 && position == static_cast<UINT>(-1))) {
        int found = embedded::Locate(*record, position, flags);
        if (found < 0 && (flags & MF_BYPOSITION) == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (found >= 0) {
            at = static_cast<std::size_t>(found);
        }
    }
    record->items.insert(record->items.begin() + static_cast<std::ptrdiff_t>(at),
                         embedded::MakeItem(flags, item, text));
    return TRUE;
}

int WINAPI GetMenuItemCount(HMENU menu) {
    if (!embedded::EnterWin32Operation("GetMenuItemCount")) {
        return -1;
    }
    const embedded::Menu* record = Known(menu);
    return record == nullptr ? -1 : static_cast<int>(record->items.size());
}

UINT WINAPI GetMenuItemID(HMENU menu, int position) {
    const embedded::Menu* record = Known(menu);
    if (record == nullptr || position < 0 ||
        static_cast<std::size_t>(position) >= record->items.size()) {
        return static_cast<UINT>(-1);
    }
    const embedded::MenuItem& item = record->items[static_cast<std::size_t>(position)];
    return (item.flags & (MF_POPUP | MF_SEPARATOR)) != 0 ? static_cast<UINT>(-1) : item.command;
}

HMENU WINAPI GetSubMenu(HMENU menu, int position) {
    const embedded::Menu* record = Known(menu);
    if (record == nullptr || position < 0 ||
        static_cast<std::size_t>(position) >= record->items.size()) {
        return nullptr;
    }
    return record->items[static_cast<std::size_t>(position)].popup;
}

int WINAPI GetMenuStringA(HMENU menu, UINT item, LPSTR buffer, int capacity, UINT flags) {
    const embedded::Menu* record = Known(menu);
    int found = record == nullptr ? -1 : embedded::Locate(*record, item, flags);
    if (found < 0) {
        return 0;
    }
    const std::string& text = record->items[static_cast<std::size_t>(found)].text;
    if (buffer == nullptr || capacity <= 0) {
        return static_cast<int>(text.size());
    }
    int copied = static_cast<int>(std::min<std::size_t>(text.size(), capacity - 1));
    text.copy(buffer, static_cast<std::size_t>(copied));
    buffer[copied] = '\0';
    return copied;
}

UINT WINAPI GetMenuState(HMENU menu, UINT item, UINT flags) {
    const embedded::Menu* record = Known(menu);
    int found = record == nullptr ? -1 : embedded::Locate(*record, item, flags);
    return found < 0 ? static_cast<UINT>(-1) : record->items[static_cast<std::size_t>(found)].flags;
}
