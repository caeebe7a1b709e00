// Lets the user choose the name of one saved file.
#pragma once

#include "platform/win_types.h"

// Shows the Save As dialog with `buffer` as the proposed path; true when the user confirmed,
// with the chosen path then in `buffer`.
bool AskSaveFileName(HWND ownerWindow, LPSTR buffer, DWORD size);
