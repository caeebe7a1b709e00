// The module's start and stop, as the system's loader reports them to a library: at process
// attach and detach (DllMain on Windows; the host's loader on the embedded platform).
#pragma once

#include "platform/win_types.h"

// Records the instance every resource comes from and sets up the module-wide state. Always
// succeeds.
extern "C" BOOL WINAPI FilvexAttachModule(HINSTANCE instance);
extern "C" void WINAPI FilvexDetachModule();
