#include "module/module_instance.h"

namespace {

// Written once when the module is loaded, before any host call; read on the host's
// user-interface thread only.
HINSTANCE moduleInstance = nullptr;

} // namespace

void SetModuleInstance(HINSTANCE instance) {
    moduleInstance = instance;
}

HINSTANCE ModuleInstance() {
    return moduleInstance;
}
