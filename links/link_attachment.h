// Link attachments: by-reference attachments that point at a saved file in place of the
// attachment that was removed. Any attachment of method 2 or 3 is a link, whoever made it; its
// target is PR_ATTACH_LONG_PATHNAME alone, and the display name is only ever shown.
#pragma once

#include "platform/com_ptr.h"
#include "platform/mapi_buffer.h"
#include "platform/mapi_interfaces.h"

// Adds a link named "LinkTo_" and `name` to `message`, pointing at `path`.
HRESULT CreateLinkAttachment(IMessage* message, LPCSTR name, LPCSTR path);

// ATTACH_BY_REFERENCE or ATTACH_BY_REF_RESOLVE.
bool IsLinkMethod(LONG method);

// The links of the message, those without a path included; `count` is written only on success.
HRESULT CountLinkAttachments(IMessage* message, ULONG* count);

// One link opened for reading and rewriting. The path and the display name point into
// `values`, which frees them with the link.
struct OpenedLink {
    ComPtr<IAttach> attachment;
    MapiBuffer<SPropValue> values;
    LPCSTR path = nullptr;
    // Null when not asked for or missing.
    LPCSTR displayName = nullptr;
};

// S_OK with the path (and the display name when `withDisplayName`), S_FALSE when the link has
// no path, else the failure.
HRESULT OpenLink(IMessage* message, ULONG number, bool withDisplayName, OpenedLink& link);

// The display name stays; the change reaches the store when the message is saved.
HRESULT UpdateLinkPath(IAttach* attachment, LPCSTR newPath);
