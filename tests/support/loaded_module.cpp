#include "tests/support/loaded_module.h"

#include "module/module_instance.h"
#include "platform/embedded/system/module_loader.h"
#include "resources/filvex_resources.h"

namespace testing_support {

LoadedModule::LoadedModule() : instance_(embedded::LoadModule(FilvexResources())) {
    SetModuleInstance(instance_);
}

LoadedModule::~LoadedModule() {
    SetModuleInstance(nullptr);
    embedded::UnloadModule(instance_);
}

} // namespace testing_support
