// Counts changed by one step that no other thread can split: reference counts.
#pragma once

#include "platform/win_types.h"

#ifdef _WIN32
#include <windows.h>
#else
// Answer the new value.
LONG WINAPI InterlockedIncrement(LONG volatile* value);
LONG WINAPI InterlockedDecrement(LONG volatile* value);
#endif
