// Which keys are held down.
#pragma once

#include "platform/win_types.h"

#ifdef _WIN32
#include <windows.h>
#else
using SHORT = std::int16_t;

constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;

// The high bit of the answer is set while the key is down.
SHORT WINAPI GetKeyState(int key);
SHORT WINAPI GetAsyncKeyState(int key);
#endif
