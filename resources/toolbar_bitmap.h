// The Save button's image: 16 by 16 pixels in the 16 standard colours, as a .bmp file holds it.
#pragma once

#include "platform/win_types.h"

#include <span>

std::span<const BYTE> ToolbarBitmapBytes();
