// One command's per-message work, handed each selected message in turn.
#pragma once

#include "platform/mapi_interfaces.h"

class MessageVisitor {
  public:
    virtual ~MessageVisitor() = default;
    // The message is lent for the call. Negative stops the walk.
    virtual HRESULT Visit(IMAPISession* session, IMessage* message, HWND ownerWindow) = 0;
};
