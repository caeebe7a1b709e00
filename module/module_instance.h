// The module's own instance handle: every string, dialog and bitmap is loaded from it.
#pragma once

#include "platform/win_types.h"

void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();
