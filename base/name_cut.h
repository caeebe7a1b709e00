// Texts cut to fit a buffer end in whole characters before they become part of a file name.
#pragma once

#include "platform/win_types.h"

#include <cstddef>

// Removes a trailing character that a cut left incomplete (the lead bytes of a multi-byte
// character without the rest), so that no file or folder name ends in a broken character.
void TrimBrokenTrailingCharacter(LPSTR text);

// BoundedCopy and BoundedAppend for texts that go into names: when the text was cut, its
// incomplete trailing character is trimmed. They return what the bounded operation returned.
HRESULT CopyNamePart(LPSTR destination, std::size_t capacity, LPCSTR source);
HRESULT AppendNamePart(LPSTR destination, std::size_t capacity, LPCSTR source);
