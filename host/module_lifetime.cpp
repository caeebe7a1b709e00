#include "host/module_lifetime.h"

#include "host/dialog_binding.h"
#include "host/module_instance.h"
#include "options/command_options.h"
#include "platform/win32_modules.h"

extern "C" BOOL WINAPI FilvexAttachModule(HINSTANCE instance) {
    SetModuleInstance(instance);
    StartDialogBinding();
    DisableThreadLibraryCalls(reinterpret_cast<HMODULE>(instance));
    return TRUE;
}

extern "C" void WINAPI FilvexDetachModule() {
    ReleaseCommandOptions();
    StopDialogBinding();
    SetModuleInstance(nullptr);
}
