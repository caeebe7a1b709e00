// The system's mouse cursors: the arrow, and the hourglass shown while work goes on.
#pragma once

#include "platform/win32_windows.h"

#ifndef _WIN32
inline const LPCSTR IDC_ARROW = MAKEINTRESOURCEA(32512);
inline const LPCSTR IDC_WAIT = MAKEINTRESOURCEA(32514);

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name);
// Answers the cursor it replaces.
HCURSOR WINAPI SetCursor(HCURSOR cursor);
#endif
