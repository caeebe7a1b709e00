// The full path of a saved file: target folder, subfolder, name parts, the attachment's own
// name, and a counter when the name is taken.
#pragma once

#include "base/unique_suffix.h"
#include "engine/message_context.h"

#include <cstddef>

// Counters tried for one name: 0 to 14,999.
constexpr int kMostUniqueCounters = 15000;

// Writes the path into `out` (`size` characters including the terminator) and creates the
// subfolder; false when the subfolder cannot be made or every counter is taken.
bool BuildSavePath(MessageContext& context, LPCSTR name, LPSTR out, std::size_t size);
