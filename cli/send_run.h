// `filvex send`: the message opened in a compose window of the client and sent, so that the
// module's message events see the send as in the client.
#pragma once

#include "cli/link_request.h"

namespace cli {

// 0 when the message went out (with or without links), 1 when the send did not happen, 2 for
// bad usage.
int RunSend(const LinkRequest& request);

} // namespace cli
