#include "cli/module_commands.h"

#include "resources/string_table.h"

namespace cli {

UINT ModuleMenuCommand(const embedded::ExtensionHost& host, UINT textId) {
    for (const StringResource& entry : FilvexStrings()) {
        if (entry.id == textId) {
            return host.MenuCommand(entry.text);
        }
    }
    return 0;
}

} // namespace cli
