// The data of an attachment by value written into a file, with the attachment's times.
#pragma once

#include "platform/mapi_interfaces.h"

// Copies the attachment's data into the file at `path` (replacing it) in one stream copy,
// then gives the file the times that are not null. The result is the copy's.
HRESULT WriteAttachmentFile(IAttach* attachment, LPCSTR path, const FILETIME* creationTime,
                            const FILETIME* lastWriteTime);
