// An embedded message written as a ".msg" file below the target folder.
#pragma once

#include "engine/message_context.h"

// `child` is the embedded message's context with its facts gathered; 0 when the file was
// written and committed.
HRESULT SaveEmbeddedMessageFile(MessageContext& child);
