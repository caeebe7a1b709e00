// A saved file packed into an archive of its own next to it.
#pragma once

#include "platform/win_types.h"

// True when the archive was written and closed without error.
bool ZipSavedFile(LPCSTR path);
