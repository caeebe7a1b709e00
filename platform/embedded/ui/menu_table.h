// The embedded platform's menus, for the client windows that own them and for tests that read
// what the module added.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <vector>

namespace embedded {

struct MenuItem {
    UINT flags = 0;
    UINT command = 0;
    HMENU popup = nullptr;
    std::string text;
};

struct Menu {
    bool popup = false;
    std::vector<MenuItem> items;
};

// The menu behind a handle, or null.
const Menu* LookUpMenu(HMENU menu);
void ResetMenus();

} // namespace embedded
