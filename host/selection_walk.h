// The walk over the client's selection: each selected message opened in turn and handed to a
// visitor, until the first failure.
#pragma once

#include "host/message_visitor.h"
#include "platform/exchange_extension.h"

// The status of the last step: success when every item was visited or an item that is not a
// message ended the walk, else the failure that stopped it.
HRESULT ForEachSelectedMessage(LPEXCHEXTCALLBACK callback, IMAPISession* session, HWND ownerWindow,
                               MessageVisitor& visitor);
