// Message boxes and formatted texts from the module's string table. Inserts follow the
// formatter's numbering (%1!s!, %2!d!): strings as character pointers, numbers as 32-bit
// integers, in the order of their numbers.
#pragma once

#include "platform/win_types.h"

// Asks or tells; returns the button pressed (IDYES, IDNO, ...) or -1 when nothing could be shown.
int ShowResourceMessage(HWND ownerWindow, UINT stringId, UINT flags, ...);

// Shows an error with an OK button; on any failure nothing is shown.
void ShowResourceError(HWND ownerWindow, UINT stringId, ...);

// Formats into the caller's buffer; returns the characters written, 0 on failure.
int FormatResourceString(HINSTANCE instance, UINT stringId, LPSTR buffer, DWORD size, ...);
