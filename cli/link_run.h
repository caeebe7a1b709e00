// `filvex reattach`, `filvex update-links` and `filvex links`: the module loaded, installed in
// a viewer over a store of ".msg" files, the named messages selected and the command given
// from the module's own menu, as the mail client gives it.
#pragma once

#include "cli/link_request.h"

namespace cli {

// 0 when the walk ended normally, 1 when it stopped or could not start, 2 for bad usage.
int RunLinkCommand(const LinkRequest& request);

} // namespace cli
