// Link attachments: by-reference attachments that point at a saved file in place of the
// attachment that was removed.
#pragma once

#include "platform/mapi_interfaces.h"

// Adds a link named "LinkTo_" and `name` to `message`, pointing at `path`.
HRESULT CreateLinkAttachment(IMessage* message, LPCSTR name, LPCSTR path);
