// The path of a message's mail folder below the top of the store, made into folders below the
// target folder as it grows.
#pragma once

#include "engine/message_context.h"

#include <cstddef>

// Deeper than this, a chain of parent folders is taken for a damaged store.
constexpr int kMostMailFolderDepth = 64;

// 1 when `folderEntryId` is the store's root folder, 0 when (part of) the path was built, or a
// failure, with `out` emptied.
HRESULT BuildMailFolderPath(MessageContext& context, const SBinary* folderEntryId, LPSTR out,
                            std::size_t size);
