// Dialog units to pixels on the embedded platform's 96-dpi screen. A font of p points has an
// average character cell of 3p/4 by 13p/8 pixels, so 6 by 13 for the 8-point dialog fonts; a
// horizontal dialog unit is a quarter of the cell's width and a vertical one an eighth of its
// height. So 4 by 8 units are 6 by 13 pixels.
#pragma once

#include "platform/win32_windows.h"

namespace embedded {

int DialogUnitsToPixels(int units, bool horizontal, WORD fontPoints);
// Each edge is mapped on its own and rounded to the nearest pixel, as MapDialogRect does.
RECT DialogRectToPixels(short x, short y, short width, short height, WORD fontPoints);

} // namespace embedded
