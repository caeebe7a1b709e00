#include "host/module_lifetime.h"

#include "module/dialog_binding.h"
#include "module/module_instance.h"
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
