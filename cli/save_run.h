// `filvex save`: the module loaded, installed in a viewer over a store of ".msg" files, the
// named messages selected and the Save command given, as the mail client gives it.
#pragma once

#include "cli/save_request.h"

namespace cli {

// 0 when the walk ended normally, 1 when it stopped at a failing message or the save could
// not start, 2 for bad usage or options the dialog refused.
int RunSave(const SaveRequest& request);

} // namespace cli
