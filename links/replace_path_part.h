// The rewrite of a link path: the first occurrence of a text, found regardless of case, is
// replaced; the rest of the path keeps its letters as they were.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// S_OK; NTE_NOT_FOUND when the text does not occur; E_INVALIDARG for a missing argument;
// STRSAFE_E_INSUFFICIENT_BUFFER when the result does not fit, `out` then ending cut and
// terminated.
HRESULT ReplacePathPart(LPCSTR path, LPCSTR find, LPCSTR replacement, LPSTR out,
                        std::size_t capacity);
