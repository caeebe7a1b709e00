// The module's commands as the command-line host gives them: by the menu item a person would
// choose, found in the client window's menus by the item's text in the module's string table.
#pragma once

#include "platform/embedded/client/extension_host.h"

namespace cli {

// The command of the module's menu item whose text is string `textId`; 0 when the module put
// no such item in the menus.
UINT ModuleMenuCommand(const embedded::ExtensionHost& host, UINT textId);

} // namespace cli
