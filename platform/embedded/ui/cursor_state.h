// The mouse cursor now shown, for tests that check the wait cursor comes and goes.
#pragma once

#include "platform/cursors.h"

namespace embedded {

HCURSOR CurrentCursor();
// The system cursor id (32512 arrow, 32514 wait...) of a handle from LoadCursorA, else 0.
UINT SystemCursorId(HCURSOR cursor);
// Back to the arrow.
void ResetCursor();

} // namespace embedded
