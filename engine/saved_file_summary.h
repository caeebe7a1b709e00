// The saved file's title, subject and author, written into its own summary properties so that
// the file tells which message it came from.
#pragma once

#include "platform/win_types.h"

// Builds the author from the sender's name and address (either may be null) and writes the
// properties; the texts that are null are not touched.
HRESULT SetSavedFileSummary(LPCSTR path, LPCSTR title, LPCSTR subject, LPCSTR senderName,
                            LPCSTR senderAddress, LPCSTR comments);

HRESULT WriteSummaryProperties(LPCSTR path, LPCSTR title, LPCSTR subject, LPCSTR author,
                               LPCSTR comments);
