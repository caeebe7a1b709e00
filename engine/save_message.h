// The save run over one message: every attachment judged, saved, and removed or linked as the
// options ask; embedded messages descended into; the message saved once at its end.
#pragma once

#include "engine/message_context.h"

#include <cstdint>

// Adds the message's saved files to `runningCount`, whatever the result.
HRESULT SaveMessage(std::uint32_t* runningCount, IMAPISession* session, IMessage* message,
                    HWND ownerWindow, const SaveOptions* options);

HRESULT SaveMessageAttachments(MessageContext& context);

// 0 when saved, 1 when passed over, negative on failure.
HRESULT SaveAttachment(MessageContext& context, ULONG attachNum);
