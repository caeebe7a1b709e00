// 8-bit text of the system code page as the wide text that storage and property-set calls take.
#pragma once

#include "platform/win_types.h"

#include <vector>

// `wide` holds the whole text with its terminator, however long; a failure of the conversion
// is the platform's last error as an HRESULT.
HRESULT ToWideText(LPCSTR text, std::vector<WCHAR>& wide);
